// The SKOS import and the Access conversion driven as commands, step by
// step, through the scripted dialogs: the questions and their default
// answers, the progress displays, cancelling, and the files left behind.
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "skos_fixture.h"
#include "tools/jet_command.h"
#include "tools/skos_command.h"

#include <QDir>
#include <QtTest>

using namespace SkosFixture;

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Answers the first three steps: the ETT fixture, as ETT, into the new file db.
void answerEttIntoNewFile(ScriptedDialogs &d, const QString &db)
{
    d.answerFile(dataFile(QStringLiteral("skosxl-ett.ttl")));
    d.answerItem(QStringLiteral("ETT"));
    d.answerFile(db);
}

} // namespace

class TestImportCommands : public QObject
{
    Q_OBJECT

private slots:
    void skosIntoANewDatabase();
    void skosCancelledWhileStoring();
    void skosQuestionsDefaultToNo();
    void skosThesaurusGuessedFromTheFileName();
    void jetConversion();
};

void TestImportCommands::skosIntoANewDatabase()
{
    TestDb t;
    const QString db = t.path(QStringLiteral("ett.sqlite"));
    ScopedScriptedDialogs d;
    answerEttIntoNewFile(d, db);
    d.answerQuestion(true); // open it now
    SkosImportCommand command(nullptr);
    QVERIFY(command.run());
    QCOMPARE(command.model(), int(Ids::ETT));
    QCOMPARE(command.databaseToOpen(), db);

    // Reading and storing each behind a progress display that ends full.
    QCOMPARE(d.progresses.size(), 2);
    for (const ScriptedDialogs::ProgressLog &p : std::as_const(d.progresses)) {
        QCOMPARE(p.title, SkosImportCommand::kTitle);
        QVERIFY(p.closed);
        QVERIFY(!p.values.isEmpty());
        QVERIFY(std::is_sorted(p.values.cbegin(), p.values.cend()));
    }
    QCOMPARE(d.progresses.at(0).texts.first(), QStringLiteral("Reading skosxl-ett.ttl"));
    QCOMPARE(d.progresses.at(0).values.constLast(), 55);
    QCOMPARE(d.progresses.at(1).values.constLast(), 100);
    // The summary names the database by the name it has now.
    QCOMPARE(d.messages().size(), 1);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Thesaurus ETT imported into ett.sqlite.")),
             qPrintable(d.messages().first()));
    QCOMPARE(filesIn(t.folder()), QStringList({QStringLiteral("ett.sqlite")}));
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 2")), 10);
}

void TestImportCommands::skosCancelledWhileStoring()
{
    TestDb t;
    const QString db = t.path(QStringLiteral("new.sqlite"));
    ScopedScriptedDialogs d;
    answerEttIntoNewFile(d, db);
    d.cancelProgressAt(1000); // the reading goes through
    d.cancelProgressAt(60);   // the storing is cancelled
    SkosImportCommand command(nullptr);
    QVERIFY(!command.run());
    QCOMPARE(command.result().status, SkosImport::Result::Status::Cancelled);
    QCOMPARE(d.messages(), QStringList({QStringLiteral("Import cancelled: the database was not changed.")}));
    QVERIFY(d.progresses.at(1).cancelled);
    // Neither the new database nor a journal of it.
    QCOMPARE(filesIn(t.folder()), QStringList());
    QVERIFY(command.databaseToOpen().isEmpty());
}

void TestImportCommands::skosQuestionsDefaultToNo()
{
    TestDb t;
    const QString db = t.createThesaurus();
    cConnessione open;
    QVERIFY(open.ApriConnessione(cConnessione::connectionStringFor(db)));

    // A file none of whose concepts would be in the EUROVOC tree: warned
    // before anything is stored, and Enter declines.
    {
        ScopedScriptedDialogs d;
        d.answerFile(dataFile(QStringLiteral("skosxl-ett.ttl")));
        d.answerItem(QStringLiteral("EUROVOC"));
        d.answerQuestion(true);  // into the open database
        d.answerQuestion(false); // not anyway
        const QByteArray before = bytesOf(db);
        SkosImportCommand command(&open);
        QVERIFY(!command.run());
        QCOMPARE(command.result().status, SkosImport::Result::Status::Declined);
        const ScriptedDialogs::Shown warning = d.shown.at(d.shown.size() - 2);
        QCOMPARE(warning.kind, QStringLiteral("question"));
        QVERIFY2(warning.text.startsWith(QStringLiteral("None of the 7 concepts of the file would be in the EUROVOC tree")),
                 qPrintable(warning.text));
        QVERIFY(warning.text.endsWith(QStringLiteral("Store the thesaurus anyway?")));
        QCOMPARE(warning.defaultAnswer, Dialogs::Answer::No);
        QCOMPARE(d.messages(), QStringList({QStringLiteral("Nothing was imported: the database keeps its thesaurus.")}));
        QCOMPARE(bytesOf(db), before);
    }

    // Replacing a thesaurus already there: asked, No by default.
    {
        ScopedScriptedDialogs d;
        d.answerFile(dataFile(QStringLiteral("skosxl-ett.ttl")));
        d.answerItem(QStringLiteral("ETT"));
        d.answerQuestion(true);
        SkosImportCommand first(&open);
        QVERIFY(first.run());
        QVERIFY(first.databaseToOpen().isEmpty()); // it is open already
    }
    {
        ScopedScriptedDialogs d;
        d.answerFile(dataFile(QStringLiteral("skosxl-ett.ttl")));
        d.answerItem(QStringLiteral("ETT"));
        d.answerQuestion(true);
        d.answerQuestion(false);
        SkosImportCommand again(&open);
        QVERIFY(!again.run());
        QVERIFY(d.shown.at(d.shown.size() - 2).text.startsWith(QStringLiteral("The database already holds the ETT thesaurus")));
        QCOMPARE(d.shown.at(d.shown.size() - 2).defaultAnswer, Dialogs::Answer::No);
    }
    QCOMPARE(count(db, QStringLiteral("select count(*) from concepts where model_ref = 2")), 10);
}

void TestImportCommands::skosThesaurusGuessedFromTheFileName()
{
    QCOMPARE(thesaurusOfFileName(QStringLiteral("/x/unesco-thesaurus.ttl")), QStringLiteral("UNESCO"));
    QCOMPARE(thesaurusOfFileName(QStringLiteral("gemet-en-4.0.1.rdf")), QStringLiteral("GEMET"));
    QCOMPARE(thesaurusOfFileName(QStringLiteral("stw-9.06.ttl")), QString());
    // A file that names no thesaurus: the list starts on EUROVOC.
    TestDb t;
    ScopedScriptedDialogs d;
    d.answerFile(t.writeFile(QStringLiteral("thesaurus.ttl"), "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"));
    SkosImportCommand command(nullptr);
    QVERIFY(command.chooseFile());
    QVERIFY(!command.chooseThesaurus()); // no answer: cancelled
    QCOMPARE(d.shown.last().text, QStringLiteral("Which thesaurus does the file hold?"));
}

void TestImportCommands::jetConversion()
{
    TestDb t;
    // A file that is no Access database: said, nothing written.
    {
        const QString bad = t.writeFile(QStringLiteral("bad.mdb"), "not an Access file");
        ScopedScriptedDialogs d;
        QVERIFY(JetConversionCommand(bad).run().isEmpty());
        QCOMPARE(d.messages().size(), 1);
        QCOMPARE(d.shown.first().icon, Dialogs::Icon::Critical);
        QCOMPARE(filesIn(t.folder()), QStringList({QStringLiteral("bad.mdb")}));
    }
    const QString shared = sharedDataPath();
    if (shared.isEmpty())
        QSKIP("../shared/data is absent: the Jet sample databases are needed for the rest of this test");
    // An Access database that is not a thesaurus: refused before the question.
    const QString northwind = t.path(QStringLiteral("northwind.mdb"));
    QVERIFY(QFile::copy(shared + QStringLiteral("/jet/northwind-jet3.mdb"), northwind));
    ScopedScriptedDialogs d;
    JetConversionCommand command(northwind);
    QVERIFY(!command.check());
    QVERIFY(d.messages().first().startsWith(QStringLiteral("The Access database northwind.mdb is not a thesaurus database")));
    // The question names the file it makes; replacing one defaults to No.
    d.clear();
    QVERIFY(!command.confirm());
    QVERIFY(d.shown.first().text.contains(QDir::toNativeSeparators(command.outPath())));
    QCOMPARE(d.shown.first().defaultAnswer, Dialogs::Answer::Yes);
    QVERIFY(QFile(command.outPath()).open(QIODevice::WriteOnly));
    d.clear();
    QVERIFY(!command.confirm());
    QVERIFY(d.shown.first().text.endsWith(QStringLiteral("it will be replaced.")));
    QCOMPARE(d.shown.first().defaultAnswer, Dialogs::Answer::No);
    // Converting it anyway is refused by the conversion, behind its progress
    // display, and the file already there is left as it was.
    d.clear();
    QVERIFY(!command.convert());
    QCOMPARE(d.progresses.size(), 1);
    QVERIFY(d.progresses.first().closed);
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(QFileInfo(command.outPath()).size(), 0);
}

QTEST_MAIN(TestImportCommands)
#include "test_import_commands.moc"
