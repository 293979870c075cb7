// The script commands of the exports, the merge and the bulk delete.
#include "base/commandline.h"
#include "shell/commands.h"
#include "support/commandrun.h"
#include "tools_fixture.h"

#include <QProcess>
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
    void unknownOptionEndsWithUsage();
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
    QVERIFY(r.err.isEmpty());

    // A value the XML file cannot hold: written, and said on the error stream.
    TestDb::run(db, {QStringLiteral("update concepts set uri = cast(? as text) where id = 2001")},
                {{QStringLiteral("http://ett.example/a\uFFFEb").toUtf8()}});
    r = run({QStringLiteral("--export-xml"), db, QStringLiteral("--project"), QStringLiteral("2")});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.startsWith(QStringLiteral("End of export: 1 ")));
    QVERIFY2(r.err.contains(QStringLiteral("trg: http://ett.example/a{U+FFFE}b")), qPrintable(r.err));

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

void TestToolsCli::unknownOptionEndsWithUsage()
{
    const CommandLine &cli = programCommands();
    QVERIFY(cli.handles({QStringLiteral("--no-such-option")}));
    QVERIFY(cli.handles({QStringLiteral("-x"), QStringLiteral("file.sqlite")}));
    QVERIFY(cli.handles({QStringLiteral("file.sqlite"), QStringLiteral("--no-such-option")}));
    QVERIFY(!cli.handles({QStringLiteral("file.sqlite")})); // the window opens it
    QVERIFY(!cli.handles({}));

    Run r = run({QStringLiteral("--no-such-option")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Unknown option: --no-such-option\nUsage: vospan [DATABASE]")));
    QVERIFY(r.out.isEmpty());
    r = run({QStringLiteral("a.sqlite"), QStringLiteral("b.sqlite")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.startsWith(QStringLiteral("Only one database can be opened: b.sqlite\n")));

    // The program itself: it prints the usage and ends at once, with no window.
    const QString program = QStringLiteral(VOSPAN_BUILD_DIR "/vospan");
    if (!QFileInfo::exists(program))
        QSKIP("the vospan program is not built");
    QProcess p;
    p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    p.start(program, {QStringLiteral("--no-such-option")});
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        QFAIL("vospan --no-such-option did not end");
    }
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("Usage: vospan [DATABASE]")));
}

QTEST_GUILESS_MAIN(TestToolsCli)
#include "test_tools_cli.moc"
