// The script commands of the exports, the merge and the bulk delete.
#include "base/commandline.h"
#include "support/commandrun.h"
#include "tools_fixture.h"

#include <QtTest>
#include <stdexcept>

using namespace ToolsFixture;

class TestToolsCli : public QObject
{
    Q_OBJECT

private slots:
    void exportMergeAndDelete();
    void wrongArgumentsAndFailures();
    void failuresOfHandlersBecomeOneLine();
};

void TestToolsCli::failuresOfHandlersBecomeOneLine()
{
    QString text;
    QTextStream err(&text);
    int undone = 0;
    const auto undo = [&undone] { ++undone; };
    QCOMPARE(CommandLine::reportFailures(err, [] { return 3; }, undo), 3);
    QCOMPARE(undone, 0);
    QCOMPARE(CommandLine::reportFailures(
                 err, []() -> int { throw DbError(19, QStringLiteral("UNIQUE constraint failed")); }, undo),
             1);
    QCOMPARE(undone, 1);
    QCOMPARE(CommandLine::reportFailures(err, []() -> int { throw std::invalid_argument("unknown model id 9"); }), 1);
    err.flush();
    QCOMPARE(text, QStringLiteral("Error 19: UNIQUE constraint failed\nunknown model id 9\n"));
}

void TestToolsCli::exportMergeAndDelete()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{4, 2, 101, 2001, 9, QVariant()}, {6, 3, 102, 4002, 8, QStringLiteral("n")}});
    const QString other = thesaurus(t, QStringLiteral("other.sqlite"));
    addRelations(other, {{1, 3, 103, 4003, 10, QVariant()}});

    Run r = run({QStringLiteral("--export-xml"), db, QStringLiteral("--project"), QStringLiteral("2")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("End of export: 1 mapping relations exported in ") + t.folder()
                        + QStringLiteral("/export.xml\n"));
    QVERIFY(readFile(t.path(QStringLiteral("export.xml"))).contains("<src>http://eurovoc.europa.eu/101</src>"));

    r = run({QStringLiteral("--export-html"), db});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.startsWith(QStringLiteral("End of export: 2 ")));

    r = run({QStringLiteral("--merge"), db, other});
    QCOMPARE(r.out, QStringLiteral("1 mapping relations appended\n"));
    QCOMPARE(relationRows(db).last(), QStringLiteral("7|3|103|4003|10|"));

    // Without --yes nothing goes.
    r = run({QStringLiteral("--delete-relations"), db, QStringLiteral("--project"), QStringLiteral("3")});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err, QStringLiteral("2 mapping relations would be deleted; add --yes to delete them.\n"));
    QCOMPARE(relationRows(db).size(), 3);
    r = run({QStringLiteral("--delete-relations"), db, QStringLiteral("--project"), QStringLiteral("3"),
             QStringLiteral("--yes")});
    QCOMPARE(r.out, QStringLiteral("2 mapping relations deleted\n"));
    QCOMPARE(relationRows(db), QStringList{QStringLiteral("4|2|101|2001|9|<null>")});
}

void TestToolsCli::wrongArgumentsAndFailures()
{
    TestDb t;
    const QString db = thesaurus(t);
    Run r = run({QStringLiteral("--export-xml"), db, QStringLiteral("--project"), QStringLiteral("two")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("\"two\" is not a project number.")));
    QVERIFY(r.err.contains(QStringLiteral("Usage: vospan --export-xml DATABASE")));
    QVERIFY(!QFileInfo::exists(t.path(QStringLiteral("export.xml"))));

    r = run({QStringLiteral("--delete-relations"), db, QStringLiteral("--yes")});
    QCOMPARE(r.status, 2); // the project must be named

    r = run({QStringLiteral("--merge"), db, t.path(QStringLiteral("missing.sqlite"))});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("Cannot open ")));
}

QTEST_GUILESS_MAIN(TestToolsCli)
#include "test_tools_cli.moc"
