// Several editors on one server database at once: a change of a relation
// racing its deletion, a merge while another editor saves, the server's
// notice of others' changes in an open report, who did what, and a
// connection lost in the middle of a save.  Each editor is a connection of
// its own (a thread of the test where two must run at the same moment).
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/changelog.h"
#include "data/copydb.h"
#include "data/mdlGlobale.h"
#include "data/relationstore.h"
#include "data/schema.h"
#include "report/report.h"
#include "report/ui/frmReportMapping.h"
#include "support/pgserver.h"
#include "tools/unione.h"
#include "widgets/ui/FlexGrid.h"
#include "workspace/mappingeditor.h"
#include "workspace/ui/frmRisultatoMapping.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <latch>
#include <thread>

using namespace mdlGlobale;

class TestServerTeam : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void modifyRacingDeleteEndsWithOneRefused();
    void mergeWhileAnotherEditorSaves();
    void reportSaysWhatOthersChanged();
    void lostConnectionInTheMiddleOfASave();

private:
    // A new server database with a few concepts, the editors alice and bob.
    QString makeDatabase();
    QString m_address;
};

void TestServerTeam::initTestCase()
{
    if (!PgServer::instance().available())
        return;
    PgServer::instance().createRole(QStringLiteral("alice"));
    PgServer::instance().createRole(QStringLiteral("bob"));
}

void TestServerTeam::init()
{
    SKIP_WITHOUT_SERVER();
    AzzeraStato();
    RiempiRelazioni();
    m_address = makeDatabase();
}

void TestServerTeam::cleanup()
{
    delete frmRisultatoMapping::existing();
    delete frmReportMapping::existing();
    vConnection.ChiudiConnessione();
}

QString TestServerTeam::makeDatabase()
{
    const QString admin = PgServer::instance().createDatabase();
    cConnessione c;
    c.setRecordChanges(false);
    if (!c.ApriConnessione(admin))
        return {};
    Schema::create(c);
    c.EseguiIstruzione(QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf) values "
                                      "(100, 3, null, 'Agriculture', 1), (101, 3, null, 'Fishing', 1), "
                                      "(200, 1, null, 'farming', 1), (201, 1, null, 'fisheries', 1)"));
    // What the editors may do, as the README tells the administrator.
    c.EseguiIstruzione(QStringLiteral("grant select, insert, update, delete on all tables in schema public to alice, bob"));
    c.EseguiIstruzione(QStringLiteral("grant usage on all sequences in schema public to alice, bob"));
    const QString database = PgServer::databaseOf(admin);
    return PgServer::instance().address(database, QStringLiteral("alice"));
}

namespace {

QString as(const QString &address, const QString &user)
{
    return PgServer::instance().address(PgServer::databaseOf(address), user);
}

} // namespace

void TestServerTeam::modifyRacingDeleteEndsWithOneRefused()
{
    QVERIFY(vConnection.ApriConnessione(m_address));
    const QString bob = as(m_address, QStringLiteral("bob"));
    int modifyWon = 0, deleteWon = 0;
    for (int round = 0; round < 12; ++round) {
        const qint32 id = RelationStore(vConnection).add({1, 100, 200, 8, QStringLiteral("round %1").arg(round)});
        // Both editors read it as broadMatch; alice changes it to narrowMatch
        // while bob deletes it.
        std::latch start(2);
        int removed = -1;
        ChangeLog::Happened happened;
        QString failure;
        std::thread bobThread([&] {
            cConnessione c;
            if (!c.ApriConnessione(bob)) {
                failure = c.lastOpenError();
                start.count_down();
                return;
            }
            Report::Riga row;
            row.id = QString::number(id);
            row.property = 8;
            start.arrive_and_wait();
            try {
                removed = Report::deleteRelation(c, row, &happened);
            } catch (const DbError &e) {
                failure = e.description();
            }
        });
        ScopedScriptedDialogs d;
        vEditRelationId = id;
        start.arrive_and_wait();
        const bool modified = MappingEditor::Salva(
            {QStringLiteral("Agriculture"), QStringLiteral("farming"), QStringLiteral("narrowMatch"), {}}, 8);
        bobThread.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        // One of the two, never both, never neither.
        QVERIFY(modified != (removed == 1));
        const QVariant now = vConnection.scalar(QStringLiteral("select property_ref from mappingrelations where id = ?"), {id});
        if (modified) {
            ++modifyWon;
            QCOMPARE(now.toInt(), 10);
            QCOMPARE(removed, 0);
            QVERIFY(happened.kind == ChangeLog::Happened::Kind::Changed);
            QVERIFY2(happened.text.startsWith(QStringLiteral("was changed to narrowMatch by alice at ")),
                     qPrintable(happened.text));
        } else {
            ++deleteWon;
            QVERIFY(now.isNull());
            QCOMPARE(d.messages().size(), 1);
            QVERIFY2(d.messages().first().startsWith(
                         QStringLiteral("The relation with id = %1 was deleted by bob at ").arg(id)),
                     qPrintable(d.messages().first()));
        }
        // The log holds exactly what happened, signed by whoever did it.
        const auto last = ChangeLog::latest(vConnection, id);
        QVERIFY(last);
        QCOMPARE(last->by, modified ? QStringLiteral("alice") : QStringLiteral("bob"));
        QCOMPARE(last->action, modified ? QStringLiteral("update") : QStringLiteral("delete"));
    }
    QCOMPARE(modifyWon + deleteWon, 12);
}

void TestServerTeam::mergeWhileAnotherEditorSaves()
{
    // 400 relations of another database to append.
    QVector<Unione::Riga> rows;
    for (int i = 0; i < 400; ++i)
        rows.append({i + 1, 1, 101, 201, 9, QStringLiteral("merged %1").arg(i)});
    const QString bob = as(m_address, QStringLiteral("bob"));
    std::latch start(2);
    QString failure;
    QVector<qint32> bobs;
    std::thread bobThread([&] {
        cConnessione c;
        if (!c.ApriConnessione(bob)) {
            failure = c.lastOpenError();
            start.count_down();
            return;
        }
        start.arrive_and_wait();
        try {
            RelationStore store(c);
            for (int i = 0; i < 150; ++i)
                bobs << store.add({1, 100, 200, 8, QStringLiteral("bob %1").arg(i)});
        } catch (const DbError &e) {
            failure = e.description();
        }
    });
    cConnessione alice;
    QVERIFY(alice.ApriConnessione(m_address));
    start.arrive_and_wait();
    const Unione::Esito e = Unione::accoda(alice, rows);
    bobThread.join();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY2(e.unito, qPrintable(e.motivo));
    QCOMPARE(e.aggiunte, 400);
    QCOMPARE(alice.scalar(QStringLiteral("select count(*) from mappingrelations")).toInt(), 550);
    QCOMPARE(alice.scalar(QStringLiteral("select count(distinct id) from mappingrelations")).toInt(), 550);
    // The merge's rows take one run of ids, bob's the others, none lost.
    QCOMPARE(alice.scalar(QStringLiteral("select max(id) - min(id) + 1 from mappingrelations where notes like 'merged %'"))
                 .toInt(),
             400);
    QCOMPARE(alice.scalar(QStringLiteral("select min(id) from mappingrelations where notes like 'merged %'")).toInt(),
             e.primoId);
    QCOMPARE(bobs.size(), 150);
    for (qint32 id : std::as_const(bobs))
        QVERIFY(alice.scalar(QStringLiteral("select notes from mappingrelations where id = ?"), {id})
                    .toString()
                    .startsWith(QStringLiteral("bob ")));
    QCOMPARE(alice.scalar(QStringLiteral("select count(*) from vospan_relationlog where changed_by = 'bob'")).toInt(), 150);
    QCOMPARE(alice.scalar(QStringLiteral("select count(*) from vospan_relationlog where changed_by = 'alice'")).toInt(), 400);
}

void TestServerTeam::reportSaysWhatOthersChanged()
{
    QVERIFY(vConnection.ApriConnessione(m_address));
    vProjectOpen = true;
    RelationStore(vConnection).add({1, 100, 200, 8, QStringLiteral("mine")});
    ScopedScriptedDialogs d;
    frmReportMapping *w = frmReportMapping::mnuToolsMappingEffettuato_Click();
    QVERIFY(w);
    QCOMPARE(w->grid()->rows(), 2);
    QCOMPARE(w->statusText(), QString());

    cConnessione bob;
    QVERIFY(bob.ApriConnessione(as(m_address, QStringLiteral("bob"))));
    const qint32 his = RelationStore(bob).add({1, 101, 201, 9, QStringLiteral("his")});
    QTRY_COMPARE(w->statusText(), QStringLiteral("1 relation changed by others, press F5"));
    RelationStore(bob).add({1, 100, 201, 9, QStringLiteral("his too")});
    bob.EseguiIstruzione(QStringLiteral("update mappingrelations set property_ref = 10 where id = ?"), QStringLiteral("128"),
                         {his});
    QTRY_COMPARE(w->statusText(), QStringLiteral("2 relations changed by others, press F5"));
    // This editor's own work is not others'.
    RelationStore(vConnection).add({1, 101, 200, 10, QStringLiteral("mine too")});
    bob.EseguiIstruzione(QStringLiteral("delete from mappingrelations where notes = 'mine'"));
    QTRY_COMPARE(w->statusText(), QStringLiteral("3 relations changed by others, press F5"));

    // F5 reads them: the notice goes, the list shows everybody's work.
    w->cmdAggiorna_Click();
    QCOMPARE(w->statusText(), QString());
    QCOMPARE(w->grid()->rows(), 4);
    w->setAuthorsShown(true);
    QStringList authors;
    for (int r = 1; r < w->grid()->rows(); ++r)
        authors << w->grid()->textMatrix(r, 7);
    authors.sort();
    QCOMPARE(authors, (QStringList{QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("bob")}));
    QVERIFY(d.shown.isEmpty());
}

void TestServerTeam::lostConnectionInTheMiddleOfASave()
{
    QVERIFY(vConnection.ApriConnessione(m_address));
    vProjectOpen = true;
    vLastRelationId = LeggiUltimoId(vConnection);
    vTargetModel = 1;
    vLeftNodes = {{0, 0}, {100, 1}};
    vRightNodes = {{0, 0}, {200, 1}};
    vLeftCurrent = vRightCurrent = 1;
    // The server drops the editor's connection while it inserts the row.
    const QString database = PgServer::databaseOf(m_address);
    PgServer::instance().admin(
        database, {QStringLiteral("create function cut_the_line() returns trigger language plpgsql as "
                                  "$$ begin perform pg_terminate_backend(pg_backend_pid()); return new; end $$"),
                   QStringLiteral("create trigger cut_the_line before insert on mappingrelations for each row "
                                  "execute function cut_the_line()")});
    ScopedScriptedDialogs d;
    frmRisultatoMapping *e = frmRisultatoMapping::instance();
    e->putSource(QStringLiteral("Agriculture"));
    e->putTarget(QStringLiteral("eclas"), QStringLiteral("farming"));
    e->findChild<QComboBox *>(QStringLiteral("cmbRelazione"))->setEditText(QStringLiteral("exactMatch"));
    const QString typed = QStringLiteral("A long note typed with care: « farming » ≈ agriculture.");
    e->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->setPlainText(typed);
    e->findChild<QPushButton *>(QStringLiteral("cmdSalva"))->click();

    QCOMPARE(d.messages().size(), 1);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Error 08006: The connection to the server database ")),
             qPrintable(d.messages().first()));
    QVERIFY(d.messages().first().contains(QStringLiteral("was lost")));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Critical);
    // Nothing stored, nothing typed lost, no id used up.
    QCOMPARE(e->findChild<QPlainTextEdit *>(QStringLiteral("txtNotes"))->toPlainText(), typed);
    QCOMPARE(e->findChild<QLineEdit *>(QStringLiteral("txtEurovoc"))->text(), QStringLiteral("Agriculture"));
    QCOMPARE(vLastRelationId, 0);
    QVERIFY(e->hasUnsavedRelation());

    // The line is back: Save again stores it once, on a new connection.
    PgServer::instance().admin(database, {QStringLiteral("drop trigger cut_the_line on mappingrelations")});
    d.clear();
    e->findChild<QPushButton *>(QStringLiteral("cmdSalva"))->click();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("Store the couple and the relation in db: 1 exactMatch 1")});
    QCOMPARE(vConnection.scalar(QStringLiteral("select count(*) from mappingrelations")).toInt(), 1);
    QCOMPARE(vConnection.scalar(QStringLiteral("select notes from mappingrelations")).toString(), typed);
    QCOMPARE(vLastRelationId, 1);
}

QTEST_MAIN(TestServerTeam)
#include "test_server_team.moc"
