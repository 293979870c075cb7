// Deleting the relations of one project or of all: the prompt, the count in
// the confirmation, exactly the chosen rows going, and every way of saying no.
#include "base/dialogs.h"
#include "data/mdlGlobale.h"
#include "tools/cancellazione.h"
#include "tools/promptprogetto.h"
#include "tools_fixture.h"

#include <QtTest>

using namespace ToolsFixture;

namespace {

// 12 relations in project 3 (ids 1-12) and 5 in the others (ids 13-17).
QString mixedDatabase(TestDb &t)
{
    const QString db = thesaurus(t, QStringLiteral("thesaurus.sqlite"), 12);
    QList<Relation> rows;
    for (int i = 1; i <= 12; ++i)
        rows.append({i, 3, 100 + i, 4000 + i, 9, QStringLiteral("unesco %1").arg(i)});
    rows.append({13, 1, 101, 1001, 8, QVariant()});
    rows.append({14, 2, 102, 2002, 9, QVariant()});
    rows.append({15, 4, 103, 5003, 10, QVariant()});
    rows.append({16, 4, 104, 5004, 9, QVariant()});
    rows.append({17, 1, 105, 1005, 9, QVariant()});
    addRelations(db, rows);
    return db;
}

QStringList idsOf(const QStringList &rows)
{
    QStringList ids;
    for (const QString &r : rows)
        ids << r.section(QLatin1Char('|'), 0, 0);
    return ids;
}

} // namespace

class TestDelete : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void deletesExactlyOneProject();
    void answeringNoOrCancellingKeepsEverything_data();
    void answeringNoOrCancellingKeepsEverything();
    void refusedAnswerCountsNothing();
    void nothingSelected();
    void allProjectsBeyond32767();
    void readOnlyDatabaseReported();
};

void TestDelete::deletesExactlyOneProject()
{
    TestDb t;
    const QString db = mixedDatabase(t);
    OpenDb open(db);
    const QStringList before = relationRows(db);
    const qint32 lastId = mdlGlobale::vLastRelationId;

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("3"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();

    QCOMPARE(d.shown.size(), 3);
    QCOMPARE(d.shown.at(0).kind, QStringLiteral("input"));
    QCOMPARE(d.shown.at(0).text, PromptProgetto::testo());
    QCOMPARE(d.shown.at(0).title, QStringLiteral("Delete mapping relations"));
    QCOMPARE(d.shown.at(0).extra, QStringLiteral("0"));
    QCOMPARE(d.shown.at(1).kind, QStringLiteral("question"));
    QCOMPARE(d.shown.at(1).text, QStringLiteral("Delete 12 mapping relations from database?"));
    QCOMPARE(d.shown.at(1).title, QStringLiteral("Delete"));
    // Ctrl+D, Enter, Enter must not delete: No is the question's default button.
    QCOMPARE(d.shown.at(1).defaultAnswer, Dialogs::Answer::No);
    QCOMPARE(d.messages(), QStringList{QStringLiteral("12 mapping relations deleted")});

    QCOMPARE(relationRows(db), before.mid(12));
    QCOMPARE(idsOf(relationRows(db)), (QStringList{QStringLiteral("13"), QStringLiteral("14"), QStringLiteral("15"),
                                                   QStringLiteral("16"), QStringLiteral("17")}));
    // New relations still go on above the ids used before.
    QCOMPARE(mdlGlobale::vLastRelationId, lastId);
}

void TestDelete::answeringNoOrCancellingKeepsEverything_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<bool>("asked");
    QTest::newRow("no") << std::optional<QString>(QStringLiteral("0")) << true;
    QTest::newRow("cancel") << std::optional<QString>() << false;
    QTest::newRow("empty") << std::optional<QString>(QString()) << false;
}

void TestDelete::answeringNoOrCancellingKeepsEverything()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(bool, asked);
    TestDb t;
    const QString db = mixedDatabase(t);
    OpenDb open(db);
    const QStringList before = relationRows(db);

    ScopedScriptedDialogs d;
    d.answerInput(answer);
    d.answerQuestion(false);
    Cancellazione::CancellaRelazioni();
    QStringList expected{PromptProgetto::testo()};
    if (asked)
        expected << QStringLiteral("Delete 17 mapping relations from database?");
    expected << QStringLiteral("Delete cancelled");
    QCOMPARE(d.texts(), expected);
    QCOMPARE(relationRows(db), before);
}

void TestDelete::refusedAnswerCountsNothing()
{
    TestDb t;
    const QString db = mixedDatabase(t);
    OpenDb open(db);
    const QStringList before = relationRows(db);

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("3 or 1=1"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();
    QCOMPARE(d.texts(), (QStringList{PromptProgetto::testo(), PromptProgetto::messaggioRifiuto(QStringLiteral("3 or 1=1"))}));
    QCOMPARE(d.shown.last().title, QStringLiteral("Delete mapping relations"));
    QCOMPARE(relationRows(db), before);
}

void TestDelete::nothingSelected()
{
    TestDb t;
    const QString db = thesaurus(t);
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("0"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();
    QCOMPARE(d.texts(), (QStringList{PromptProgetto::testo(), QStringLiteral("No mapping relation selected for deleting")}));

    addRelations(db, {{1, 1, 101, 1001, 9, QVariant()}});
    d.clear();
    d.answerInput(QStringLiteral("7"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("No mapping relation selected for deleting")});
    QCOMPARE(relationRows(db).size(), 1);
}

void TestDelete::allProjectsBeyond32767()
{
    TestDb t;
    const QString db = thesaurus(t, QStringLiteral("thesaurus.sqlite"), 1);
    QList<Relation> many;
    for (int i = 1; i <= 40000; ++i)
        many.append({i, 1 + i % 4, 101, 1001, 9, QVariant()});
    addRelations(db, many);
    OpenDb open(db);

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("2"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("10000 mapping relations deleted")});

    d.clear();
    d.answerInput(QStringLiteral("0"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();
    QCOMPARE(d.shown.at(1).text, QStringLiteral("Delete 30000 mapping relations from database?"));
    QCOMPARE(d.messages(), QStringList{QStringLiteral("30000 mapping relations deleted")});
    QCOMPARE(TestDb::value(db, QStringLiteral("select count(*) from mappingrelations")).toInt(), 0);
}

void TestDelete::readOnlyDatabaseReported()
{
    TestDb t;
    const QString db = mixedDatabase(t);
    // Opened read-only, as for a file the user may not write.
    QVERIFY(mdlGlobale::vConnection.ApriConnessione(QStringLiteral("Provider= Microsoft.Jet.OLEDB.4.0;Mode=Read;"
                                                                   "Data Source=")
                                                    + db + QStringLiteral(";Persist Security Info=False")));
    QVERIFY(mdlGlobale::vConnection.isReadOnly());
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("3"));
    d.answerQuestion(true);
    Cancellazione::CancellaRelazioni();
    mdlGlobale::vConnection.ChiudiConnessione();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Error 3027: ")), qPrintable(d.messages().first()));
    QCOMPARE(d.shown.last().icon, Dialogs::Icon::Critical);
    QCOMPARE(relationRows(db).size(), 17);
}

QTEST_GUILESS_MAIN(TestDelete)
#include "test_delete.moc"
