// Every command on a server database gives what it gives on a file: the
// bundled sample is copied to a server of the test's own, and the trees,
// searches, information grids, report, marking, exports, merge, delete,
// imports, editor and suggestions run on both and are compared.  The main
// window opens a server database through its menu and the command line.
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/choices.h"
#include "data/copydb.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "report/report.h"
#include "shell/project.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "suggest/matcher.h"
#include "support/dbdump.h"
#include "support/pgserver.h"
#include "support/testdb.h"
#include "tools/cancellazione.h"
#include "tools/esportazione.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/skos_import.h"
#include "tools/unione.h"
#include "workspace/mappingeditor.h"
#include "workspace/marking.h"
#include "workspace/nodeinfo.h"
#include "workspace/search.h"
#include "workspace/treeload.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

using namespace mdlGlobale;

class TestServerCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void treesAreTheSame();
    void searchFindsTheSameConcepts();
    void informationGridsAreTheSame();
    void reportAndMarkingAreTheSame();
    void exportsAreTheSame();
    void mergeDeleteAndEditorChangeTheSameRows();
    void importsStoreTheSameRows();
    void suggestionsAreTheSame();
    void openServerDatabaseFromTheMenu();

private:
    // A server copy and a file copy of the sample, both open.
    struct Pair
    {
        QString server;
        QString file;
        cConnessione s;
        cConnessione f;
    };
    void make(Pair &p);

    std::unique_ptr<TestDb> m_folder;
    QString m_sample;
    QString m_serverSample; // a server copy the reading tests share
    int m_copies = 0;
};

void TestServerCommands::initTestCase()
{
    m_sample = sampleDatabasePath();
    if (!PgServer::instance().available() || m_sample.isEmpty())
        return;
    m_serverSample = PgServer::instance().createDatabase();
    CopyDb::copy(m_sample, m_serverSample);
}

void TestServerCommands::init()
{
    SKIP_WITHOUT_SERVER();
    if (m_sample.isEmpty())
        QSKIP("The sample database was not built.");
    AzzeraStato();
    RiempiRelazioni();
    m_folder = std::make_unique<TestDb>();
}

void TestServerCommands::cleanup()
{
    vConnection.ChiudiConnessione();
    m_folder.reset();
}

void TestServerCommands::make(Pair &p)
{
    p.file = m_folder->path(QStringLiteral("copy%1.sqlite").arg(++m_copies));
    QVERIFY(QFile::copy(m_sample, p.file));
    QFile::setPermissions(p.file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    p.server = PgServer::instance().createDatabase();
    CopyDb::copy(m_sample, p.server);
    QVERIFY2(p.s.ApriConnessione(p.server), qPrintable(p.s.lastOpenError()));
    QVERIFY2(p.f.ApriConnessione(cConnessione::connectionStringFor(p.file)), qPrintable(p.f.lastOpenError()));
}

namespace {

QStringList rowsOf(const TreeLoad::Result &r)
{
    QStringList out;
    for (const TreeLoad::Row &row : r.rows)
        out << QStringLiteral("%1 %2 %3 %4").arg(row.conceptId).arg(row.isLeaf).arg(row.parent).arg(row.dex);
    if (r.failure)
        out << QStringLiteral("failed: ") + r.failure->description();
    return out;
}

QStringList reportRows(cConnessione &c)
{
    QStringList out;
    for (const Report::Riga &r : Report::leggi(c))
        out << QStringList{r.id, r.dex, r.dexProp, r.dexRight, r.nameRight, r.notes, QString::number(r.property)}.join(
            QLatin1Char('|'));
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing ") + path.toUtf8();
}

} // namespace

void TestServerCommands::treesAreTheSame()
{
    cConnessione s, f;
    QVERIFY(s.ApriConnessione(QStringLiteral("Mode=Read;") + m_serverSample));
    QVERIFY(f.ApriConnessione(cConnessione::connectionStringOf(m_sample, true)));
    QList<TreeLoad::Request> requests;
    for (int model : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET}) {
        requests << TreeLoad::targetRequest(model, QString());
        const QStringList subsets = Scelte::subsets(model);
        for (int i = 0; i < subsets.size(); i += 4)
            requests << TreeLoad::targetRequest(model, subsets.at(i));
    }
    for (const QString &field : Scelte::eurovocFields())
        requests << TreeLoad::sourceRequest(field.left(2));
    int concepts = 0;
    for (const TreeLoad::Request &r : requests) {
        const QStringList server = rowsOf(TreeLoad::load(s, r.rootQuery, r.rootParams));
        QCOMPARE(server, rowsOf(TreeLoad::load(f, r.rootQuery, r.rootParams)));
        concepts += server.size();
    }
    QVERIFY(concepts > 2000); // the trees were there to compare
    // Subset names are matched without regard to letter case, on both.
    const TreeLoad::Request lower = TreeLoad::targetRequest(Ids::GEMET, Scelte::subsets(Ids::GEMET).first().toLower());
    const TreeLoad::Request exact = TreeLoad::targetRequest(Ids::GEMET, Scelte::subsets(Ids::GEMET).first());
    QCOMPARE(rowsOf(TreeLoad::load(s, lower.rootQuery, lower.rootParams)),
             rowsOf(TreeLoad::load(s, exact.rootQuery, exact.rootParams)));
}

void TestServerCommands::searchFindsTheSameConcepts()
{
    cConnessione s, f;
    QVERIFY(s.ApriConnessione(QStringLiteral("Mode=Read;") + m_serverSample));
    QVERIFY(f.ApriConnessione(cConnessione::connectionStringOf(m_sample, true)));
    // Pieces of real labels in every case, and words that are hard on a LIKE.
    QStringList words;
    RecordSet rs;
    f.ApriRS(QStringLiteral("select value from datatypepropertyvalues where id % 97 = 0"), rs);
    for (; !rs.isEOF(); rs.MoveNext()) {
        const QString v = rs.value(0).toString();
        words << v.mid(v.size() / 3, 5) << v.mid(v.size() / 2, 4).toUpper() << v.left(3).toLower();
    }
    f.ChiudiRS(rs);
    words << QStringLiteral("%") << QStringLiteral("_a") << QStringLiteral("\\") << QStringLiteral("'")
          << QStringLiteral("é") << QStringLiteral("É") << QStringLiteral("ß") << QStringLiteral("zzzz");
    QVERIFY(words.size() > 60);
    int found = 0;
    Ricerca::Campi all;
    Ricerca::Campi linksOnly;
    linksOnly.prefLabel = linksOnly.altLabel = linksOnly.scopeNote = false;
    for (const QString &w : std::as_const(words)) {
        for (int model : {Ids::EUROVOC, Ids::GEMET, Ids::UNESCO}) {
            for (const Ricerca::Campi &campi : {all, linksOnly}) {
                QVector<qint32> a = Ricerca::esegui(s, campi, model, w);
                QVector<qint32> b = Ricerca::eseguiSenzaIndice(f, campi, model, w);
                std::sort(a.begin(), a.end());
                std::sort(b.begin(), b.end());
                if (a != b)
                    QFAIL(qPrintable(QStringLiteral("the word \"%1\" finds %2 concepts of model %3 on the server, %4 "
                                                    "in the file")
                                         .arg(w)
                                         .arg(a.size())
                                         .arg(model)
                                         .arg(b.size())));
                found += static_cast<int>(a.size());
            }
        }
    }
    QVERIFY(found > 100);
}

void TestServerCommands::informationGridsAreTheSame()
{
    cConnessione s, f;
    QVERIFY(s.ApriConnessione(QStringLiteral("Mode=Read;") + m_serverSample));
    QVERIFY(f.ApriConnessione(cConnessione::connectionStringOf(m_sample, true)));
    QVector<qint32> ids;
    RecordSet rs;
    f.ApriRS(QStringLiteral("select id from concepts where id % 7 = 0 order by id"), rs);
    for (; !rs.isEOF(); rs.MoveNext())
        ids << rs.value(0).toInt();
    f.ChiudiRS(rs);
    int rows = 0;
    for (qint32 id : std::as_const(ids)) {
        const InfoNodo::Risultato a = InfoNodo::leggi(s, id);
        const InfoNodo::Risultato b = InfoNodo::leggi(f, id);
        QCOMPARE(a.oggetti, b.oggetti);
        QCOMPARE(a.righe.size(), b.righe.size());
        for (int i = 0; i < a.righe.size(); ++i) {
            QCOMPARE(a.righe.at(i).proprieta, b.righe.at(i).proprieta);
            QCOMPARE(a.righe.at(i).valore, b.righe.at(i).valore);
        }
        rows += static_cast<int>(a.righe.size());
    }
    QVERIFY(rows > 500);
}

void TestServerCommands::reportAndMarkingAreTheSame()
{
    cConnessione s, f;
    QVERIFY(s.ApriConnessione(QStringLiteral("Mode=Read;") + m_serverSample));
    QVERIFY(f.ApriConnessione(cConnessione::connectionStringOf(m_sample, true)));
    QCOMPARE(reportRows(s), reportRows(f));
    QCOMPARE(reportRows(s).size(), 13);
    for (int model : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        for (bool left : {true, false}) {
            QVector<qint32> a = Marcatura::concetti(s, left, model);
            QVector<qint32> b = Marcatura::concetti(f, left, model);
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            QCOMPARE(a, b);
            QVERIFY(!a.isEmpty());
        }
}

void TestServerCommands::exportsAreTheSame()
{
    cConnessione s, f;
    QVERIFY(s.ApriConnessione(QStringLiteral("Mode=Read;") + m_serverSample));
    QVERIFY(f.ApriConnessione(cConnessione::connectionStringOf(m_sample, true)));
    for (qint32 project : {0, 3}) {
        for (auto formato : {Esportazione::Formato::XML, Esportazione::Formato::HTML}) {
            const QString a = m_folder->path(QStringLiteral("server.out"));
            const QString b = m_folder->path(QStringLiteral("file.out"));
            QVERIFY(Esportazione::scrivi(s, formato, project, a).scritto);
            QVERIFY(Esportazione::scrivi(f, formato, project, b).scritto);
            QCOMPARE(fileBytes(a), fileBytes(b));
        }
        for (auto formato : {MappingFormats::Formato::SkosTurtle, MappingFormats::Formato::SkosRdfXml,
                             MappingFormats::Formato::Csv, MappingFormats::Formato::Sssom}) {
            const QString a = m_folder->path(QStringLiteral("server.map"));
            const QString b = m_folder->path(QStringLiteral("file.map"));
            QVERIFY(MappingFormats::scrivi(s, formato, project, a).scritto);
            QVERIFY(MappingFormats::scrivi(f, formato, project, b).scritto);
            // A set's id is new at each export.
            static const QRegularExpression uuid(QStringLiteral("urn:uuid:[0-9a-f-]{36}"));
            QCOMPARE(QString::fromUtf8(fileBytes(a)).replace(uuid, QStringLiteral("<id>")),
                     QString::fromUtf8(fileBytes(b)).replace(uuid, QStringLiteral("<id>")));
        }
    }
}

void TestServerCommands::mergeDeleteAndEditorChangeTheSameRows()
{
    Pair p;
    make(p);
    // Relations of another database appended to both.
    const QString other = m_folder->createThesaurus(QStringLiteral("other.sqlite"));
    TestDb::run(other, {QStringLiteral("insert into mappingrelations values (4, 2, 30428, 20003, 9, 'it''s \"new\"')"),
                        QStringLiteral("insert into mappingrelations values (9, 4, 30670, 50354, 10, null)")});
    cConnessione o;
    QVERIFY(o.ApriConnessione(cConnessione::connectionStringOf(other, true)));
    const QVector<Unione::Riga> rows = Unione::leggi(o);
    const Unione::Esito a = Unione::accoda(p.s, rows);
    const Unione::Esito b = Unione::accoda(p.f, rows);
    QVERIFY(a.unito && b.unito);
    QCOMPARE(a.aggiunte, 2);
    QCOMPARE(dumpTable(p.s, QStringLiteral("mappingrelations")), dumpTable(p.f, QStringLiteral("mappingrelations")));

    // The editor on each: a new relation and a changed one.
    for (cConnessione *c : {&p.s, &p.f}) {
        QVERIFY(vConnection.ApriConnessione(c == &p.s ? p.server : cConnessione::connectionStringFor(p.file)));
        vLastRelationId = LeggiUltimoId(vConnection);
        vTargetModel = Ids::GEMET;
        vLeftNodes = {{0, 0}, {30670, 1}};
        vRightNodes = {{0, 0}, {50357, 1}};
        vLeftCurrent = vRightCurrent = 1;
        ScopedScriptedDialogs d;
        QVERIFY(MappingEditor::Salva({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("narrowMatch"),
                                      QStringLiteral("typed ‘text’")}));
        vEditRelationId = 1;
        QVERIFY(MappingEditor::Salva({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("broadMatch"), {}}, 9));
        QCOMPARE(d.messages(), (QStringList{QStringLiteral("Store the couple and the relation in db: 1 narrowMatch 1"),
                                            QStringLiteral("Update the relation in db with id = 1")}));
        vConnection.ChiudiConnessione();
    }
    QCOMPARE(dumpTable(p.s, QStringLiteral("mappingrelations")), dumpTable(p.f, QStringLiteral("mappingrelations")));
    QCOMPARE(LeggiUltimoId(p.s), 16);

    // The bulk delete of one project.
    QCOMPARE(Cancellazione::conta(p.s, 4), Cancellazione::conta(p.f, 4));
    QCOMPARE(Cancellazione::cancella(p.s, 4), Cancellazione::cancella(p.f, 4));
    QCOMPARE(dumpTable(p.s, QStringLiteral("mappingrelations")), dumpTable(p.f, QStringLiteral("mappingrelations")));
    // Both logs tell the same story (who and when apart).
    const auto story = [](cConnessione &c) {
        QStringList out;
        RecordSet rs;
        c.ApriRS(QStringLiteral("select relation_ref, action, property_ref, old_property_ref from vospan_relationlog "
                                "order by id"),
                 rs);
        for (; !rs.isEOF(); rs.MoveNext())
            out << QStringLiteral("%1 %2 %3 %4")
                       .arg(rs.value(0).toInt())
                       .arg(rs.value(1).toString())
                       .arg(rs.value(2).toInt())
                       .arg(rs.value(3).toInt());
        c.ChiudiRS(rs);
        return out;
    };
    QCOMPARE(story(p.s), story(p.f));
    QVERIFY(story(p.s).contains(QStringLiteral("1 update 8 9")));
    QVERIFY(story(p.s).filter(QStringLiteral(" delete ")).size() >= 4);
}

void TestServerCommands::importsStoreTheSameRows()
{
    Pair p;
    make(p);
    // A SKOS thesaurus imported into both databases as GEMET.
    const QString skos = QStringLiteral(VOSPAN_SOURCE_DIR "/tests/data/gemet-groups.rdf");
    for (cConnessione *c : {&p.s, &p.f}) {
        SkosImport::Import import(skos, Ids::GEMET);
        QVERIFY(import.read().ok());
        SkosImport::Result r = import.analyse(*c);
        QVERIFY2(r.ok(), qPrintable(r.message));
        r = import.store(*c);
        QVERIFY2(r.ok(), qPrintable(r.message));
    }
    QCOMPARE(dumpTable(p.s, QStringLiteral("concepts")), dumpTable(p.f, QStringLiteral("concepts")));
    // The row numbers of the values are the engines' own once rows were deleted.
    for (const char *table : {"datatypepropertyvalues", "objectpropertyvalues"})
        QCOMPARE(dumpTable(p.s, QLatin1String(table), {QStringLiteral("id")}),
                 dumpTable(p.f, QLatin1String(table), {QStringLiteral("id")}));
    QCOMPARE(dumpTable(p.s, QStringLiteral("conceptproperties")), dumpTable(p.f, QStringLiteral("conceptproperties")));
    QCOMPARE(dumpTable(p.s, QStringLiteral("mappingrelations")), dumpTable(p.f, QStringLiteral("mappingrelations")));

    // A mapping file exported from the file, read back into both emptied.
    const QString sssom = m_folder->path(QStringLiteral("m.sssom.tsv"));
    QVERIFY(MappingFormats::scrivi(p.f, MappingFormats::Formato::Sssom, 0, sssom).scritto);
    for (cConnessione *c : {&p.s, &p.f}) {
        Cancellazione::cancella(*c, 0);
        const MappingImport::File file = MappingImport::leggiFile(sssom);
        const MappingImport::Analisi analysis = MappingImport::analizza(*c, file);
        const MappingImport::Registrazione stored = MappingImport::registra(*c, analysis);
        QVERIFY2(stored.registrato && stored.aggiunte > 0, qPrintable(stored.motivo));
    }
    // The file's records keep their ids in the file they came from only.
    QCOMPARE(dumpTable(p.s, QStringLiteral("mappingrelations"), {QStringLiteral("id")}),
             dumpTable(p.f, QStringLiteral("mappingrelations"), {QStringLiteral("id")}));
}

void TestServerCommands::suggestionsAreTheSame()
{
    cConnessione s, f;
    QVERIFY(s.ApriConnessione(QStringLiteral("Mode=Read;") + m_serverSample));
    QVERIFY(f.ApriConnessione(cConnessione::connectionStringOf(m_sample, true)));
    const Suggest::Scope scope{Ids::GEMET, QStringLiteral("52"), QString()};
    QString why;
    const auto a = Suggest::Matcher::build(s, scope, &why);
    QVERIFY2(a, qPrintable(why));
    const auto b = Suggest::Matcher::build(f, scope, &why);
    QVERIFY2(b, qPrintable(why));
    QCOMPARE(a->sources(), b->sources());
    const auto x = a->suggestAll(5);
    const auto y = b->suggestAll(5);
    QCOMPARE(x.size(), y.size());
    int candidates = 0;
    for (int i = 0; i < x.size(); ++i) {
        QCOMPARE(x.at(i).size(), y.at(i).size());
        for (int j = 0; j < x.at(i).size(); ++j) {
            QCOMPARE(x.at(i).at(j).target, y.at(i).at(j).target);
            QCOMPARE(x.at(i).at(j).property, y.at(i).at(j).property);
            QCOMPARE(x.at(i).at(j).evidenceText(), y.at(i).at(j).evidenceText());
            QVERIFY(qAbs(x.at(i).at(j).score - y.at(i).at(j).score) < 1e-9);
            ++candidates;
        }
    }
    QVERIFY(candidates > 0);
}

void TestServerCommands::openServerDatabaseFromTheMenu()
{
    Pair p;
    make(p);
    frmMain main;
    installRooms(main);
    main.setStartupMenus();
    ScopedScriptedDialogs d;
    // A database that is not there: both messages, the server's reason, and
    // the program goes on with nothing open.
    const QString database = PgServer::databaseOf(p.server);
    d.answerServer(Dialogs::ServerForm{QStringLiteral("127.0.0.1"), PgServer::instance().port(),
                                       QStringLiteral("no_such_db"), PgServer::superuser()});
    main.action(QStringLiteral("mnuProgettoApriServer"))->trigger();
    QCOMPARE(d.shown.first().kind, QStringLiteral("server"));
    QCOMPARE(d.shown.first().title, QStringLiteral("Open server database"));
    QCOMPARE(d.messages().size(), 2);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Connessione non riuscita a: postgresql://%1@127.0.0.1:%2/"
                                                            "no_such_db\n\n")
                                                 .arg(PgServer::superuser())
                                                 .arg(PgServer::instance().port())),
             qPrintable(d.messages().first()));
    QVERIFY(d.messages().first().contains(QStringLiteral("no_such_db")));
    QCOMPARE(d.messages().last(), QStringLiteral("Connessione MySQL a Tessik non riuscita"));
    QVERIFY(!d.ended);
    QVERIFY(!vConnection.isOpen());

    // The form remembers what was typed; this time the right database.
    d.clear();
    d.answerServer(Dialogs::ServerForm{QStringLiteral("127.0.0.1"), PgServer::instance().port(), database,
                                       PgServer::superuser()});
    main.action(QStringLiteral("mnuProgettoApriServer"))->trigger();
    QCOMPARE(d.shown.first().extra, QStringLiteral("127.0.0.1|%1|no_such_db|%2")
                                        .arg(PgServer::instance().port())
                                        .arg(PgServer::superuser()));
    QVERIFY2(d.messages().isEmpty(), qPrintable(d.messages().join(QLatin1Char('\n'))));
    QVERIFY(vConnection.isOpen() && vConnection.isServer());
    QCOMPARE(vLastRelationId, 13);
    QCOMPARE(vDatabaseFolder, Progetto::cartellaServer());
    QCOMPARE(main.databaseName(), database + QStringLiteral(" on 127.0.0.1:%1 as %2")
                                               .arg(PgServer::instance().port())
                                               .arg(PgServer::superuser()));
    QVERIFY(!main.action(QStringLiteral("mnuProgettoApriServer"))->isEnabled());
    QVERIFY(main.action(QStringLiteral("mnuToolsMappingEffettuato"))->isEnabled());

    // Close, then the address as the command line gives it.
    main.action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    QVERIFY(!vConnection.isOpen());
    QVERIFY(main.action(QStringLiteral("mnuProgettoApriServer"))->isEnabled());
    d.clear();
    main.apriDatabase(p.server);
    QVERIFY(d.messages().isEmpty());
    QVERIFY(vConnection.isServer());
    QCOMPARE(vConnection.databasePath(), p.server);

    // Cancelled: as Open's cancel.
    main.action(QStringLiteral("mnuProgettoChiudi"))->trigger();
    d.clear();
    main.action(QStringLiteral("mnuProgettoApriServer"))->trigger();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("User cancel")});
}

QTEST_MAIN(TestServerCommands)
#include "test_server_commands.moc"
