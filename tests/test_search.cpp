// The concept search of the alignment windows: the statement built from the
// ticked boxes and the window's side, the highlighting of the concepts found,
// the messages, faults (quotes, a closed database) and the case-blind LIKE.
#include "base/dialogs.h"
#include "data/searchindex.h"
#include "data/sqlitefunctions.h"
#include "explore_fixture.h"
#include "shell/ui/app.h"
#include "shell/project.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/ConceptTree.h"
#include "workspace/search.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QtTest>
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif
#include <sqlite3.h>

using namespace mdlGlobale;

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statementFollowsTheTickedBoxes();
    void leftWindowSearchesEurovocOnly();
    void rightWindowSearchesItsTarget();
    void onlyBroaderMatchesTheBroaderConcept();
    void unionGivesEachConceptOnce();
    void otherLanguagesAndBlanks();
    void caseIgnoredInEveryAlphabet();
    void wordsWithQuotesSearchForThatText_data();
    void wordsWithQuotesSearchForThatText();
    void emptyWordAndNoFields();
    void noResultsKeepsEarlierHighlights();
    void closedDatabaseIsReported();
    void likeMatchesSqliteOnAscii();
    void likeFoldsEveryAlphabet();
    void sideIndexGivesThePlainResult();
    void sideIndexFollowsChanges();
    void sideIndexIsBuiltInTheBackground();
    void wordWithNulIsLikeAnyOtherCharacter();

private:
    frmAlbero *left() { return frmAlbero::leftWindow(); }
    frmAlbero *right() { return frmAlbero::rightWindow(); }
    void search(frmAlbero *w, const QString &word, const QStringList &ticked = {});
    // Keys of the highlighted (bold, blue) nodes, sorted.
    QStringList highlighted(frmAlbero *w);

    TestDb m_db;
    QString m_path;
    frmMain *m_main = nullptr;
};

void TestSearch::initTestCase()
{
    m_path = ExploreFixture::build(m_db);
}

void TestSearch::init()
{
    AzzeraStato();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
    vProjectOpen = true;
    m_main = new frmMain;
    installRooms(*m_main);
    m_main->show();
    ExploreFixture::openWindows(Ids::GEMET);
    QVERIFY(left() && right());
}

void TestSearch::cleanup()
{
    delete m_main;
    m_main = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vConnection.ChiudiConnessione();
}

void TestSearch::search(frmAlbero *w, const QString &word, const QStringList &ticked)
{
    static const QStringList all = {"chkPrefLabel", "chkAltLabel", "chkScopeNote", "chkRelated", "chkNarrower", "chkBroader"};
    for (const QString &name : all)
        w->findChild<QCheckBox *>(name)->setChecked(ticked.isEmpty() || ticked.contains(name));
    w->findChild<QLineEdit *>(QStringLiteral("txtCerca"))->setText(word);
    w->findChild<QPushButton *>(QStringLiteral("cmdEseguiRicerca"))->click();
}

QStringList TestSearch::highlighted(frmAlbero *w)
{
    QStringList keys;
    ConceptTree *t = w->tree();
    for (int i = 1; i <= t->count(); ++i) {
        const bool bold = t->bold(i);
        const bool blue = t->foreColor(i) == QColor(0, 0, 255);
        if (bold != blue)
            qWarning("node %d is half highlighted", i);
        if (bold && blue)
            keys << t->key(i);
    }
    keys.sort();
    return keys;
}

void TestSearch::statementFollowsTheTickedBoxes()
{
    Ricerca::Campi none{false, false, false, false, false, false};
    QVERIFY(!none.any());
    QVERIFY(Ricerca::costruisci(none, 3, QStringLiteral("x")).sql.isEmpty());

    Ricerca::Campi broader = none;
    broader.broader = true;
    QCOMPARE(Ricerca::filtroObject(broader), QStringLiteral("properties.id = 2"));
    QVERIFY(Ricerca::filtroDataType(broader).isEmpty());
    Ricerca::Query q = Ricerca::costruisci(broader, 3, QStringLiteral("x"));
    QVERIFY(q.sql.contains(QStringLiteral(" and (properties.id = 2)")));
    QVERIFY(q.sql.contains(QStringLiteral("concepts_1.dex Like")));
    QVERIFY(!q.sql.contains(QStringLiteral("datatypepropertyvalues")));
    QVERIFY(!q.sql.contains(QStringLiteral("UNION")));
    QCOMPARE(q.params, QVariantList({QStringLiteral("x")}));

    Ricerca::Campi notes = none;
    notes.altLabel = notes.scopeNote = true;
    QCOMPARE(Ricerca::filtroDataType(notes), QStringLiteral("properties.id = 1 or properties.id = 6"));
    q = Ricerca::costruisci(notes, Ids::GEMET, QStringLiteral("x"));
    QVERIFY(q.sql.contains(QStringLiteral("WHERE lang.name='EN' and models.id = 5 and (properties.id = 1 or properties.id = 6)")));
    QVERIFY(!q.sql.contains(QStringLiteral("concepts_1")));

    // Everything ticked: the union of both, the word bound once for each and
    // never part of the text.
    const QString word = QStringLiteral("it's \"odd\"");
    q = Ricerca::costruisci(Ricerca::Campi{}, 3, word);
    QCOMPARE(Ricerca::filtroDataType(Ricerca::Campi{}), QStringLiteral("properties.id = 1 or properties.id = 4 or properties.id = 6"));
    QCOMPARE(Ricerca::filtroObject(Ricerca::Campi{}), QStringLiteral("properties.id = 5 or properties.id = 2 or properties.id = 3"));
    QCOMPARE(q.sql.count(QStringLiteral(" UNION ")), 1);
    QCOMPARE(q.sql.count(QStringLiteral("models.id = 3")), 2);
    QVERIFY(!q.sql.contains(word));
    QVERIFY(!q.sql.contains(QLatin1Char('"')));
    QCOMPARE(q.params, QVariantList({word, word}));
}

void TestSearch::leftWindowSearchesEurovocOnly()
{
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("policy"));
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!QApplication::overrideCursor());
    // By label (5210, 5211) or by a related concept's description (1234 and
    // 5212 have the broader "environmental policy"); 4810 "transport policy"
    // is outside the loaded field and skipped.
    QCOMPARE(highlighted(left()), QStringList({"L1234", "L5210", "L5211", "L5212"}));
    QVERIFY(highlighted(right()).isEmpty());
    ConceptTree *t = left()->tree();
    QVERIFY(!t->bold(1));
    for (const QString &key : highlighted(left())) {
        const int n = t->indexOfKey(key);
        QVERIFY(t->expanded(n));
        for (int p = t->parentOf(n); p; p = t->parentOf(p))
            QVERIFY(t->expanded(p));
    }
    // A node with children opened by the search shows its open picture.
    QCOMPARE(t->shownImage(t->indexOfKey(QStringLiteral("L5210"))), QStringLiteral("Minus"));
    // In a tree too short for every hit, the view ends on the first one.
    left()->cmdCollassa_Click();
    auto *sub = qobject_cast<QWidget *>(left()->parentWidget());
    sub->resize(sub->width(), sub->height() - t->viewport()->height() + 2 * t->sizeHintForRow(0));
    t->scrollToBottom();
    search(left(), QStringLiteral("policy"));
    QCoreApplication::processEvents();
    int first = 0;
    for (int i = 1; i <= t->count() && !first; ++i)
        first = t->bold(i) ? i : 0;
    QVERIFY(first > 0);
    QVERIFY(t->viewport()->rect().intersects(t->visualRect(t->modelIndex(first))));
    // Nodes that were not hits keep black, normal text.
    QVERIFY(!t->bold(t->indexOfKey(QStringLiteral("L5220"))));
    QCOMPARE(t->foreColor(t->indexOfKey(QStringLiteral("L5220"))), QColor(Qt::black));
}

void TestSearch::rightWindowSearchesItsTarget()
{
    ScopedScriptedDialogs d;
    // "agricultur" is in the left tree too (Agriculture): the right window
    // finds only its own thesaurus's concept; "energy policy" is outside the subset.
    search(right(), QStringLiteral("agricultur"));
    QCOMPARE(highlighted(right()), QStringList({"R1301"}));
    QVERIFY(highlighted(left()).isEmpty());
    search(right(), QStringLiteral("policy"));
    QCOMPARE(highlighted(right()), QStringList({"R1301", "R1302"}));
    // The related link of 1301 points at "policy instrument".
    search(right(), QStringLiteral("policy"), {"chkRelated"});
    QCOMPARE(highlighted(right()), QStringList({"R1301"}));
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!right()->tree()->bold(1));
}

void TestSearch::onlyBroaderMatchesTheBroaderConcept()
{
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("environmental"), {"chkBroader"});
    // Only concepts whose broader concept is "environmental policy", not the
    // concept itself.
    QCOMPARE(highlighted(left()), QStringList({"L1234", "L5211", "L5212"}));
    search(left(), QStringLiteral("pollution policy"), {"chkNarrower"});
    QCOMPARE(highlighted(left()), QStringList({"L5210"}));
    QVERIFY(d.shown.isEmpty());
}

void TestSearch::unionGivesEachConceptOnce()
{
    // 5211 "pollution policy" matches by its prefLabel and by its broader concept.
    const QVector<qint32> ids = Ricerca::esegui(vConnection, Ricerca::Campi{}, Ids::EUROVOC, QStringLiteral("policy"));
    QCOMPARE(ids.count(5211), 1);
    QCOMPARE(ids.count(5210), 1);
    QCOMPARE(ids.size(), 5); // 5210, 5211, 1234, 5212 and 4810 outside the tree
    QCOMPARE(QSet<qint32>(ids.begin(), ids.end()), QSet<qint32>({5210, 5211, 1234, 5212, 4810}));
}

void TestSearch::otherLanguagesAndBlanks()
{
    ScopedScriptedDialogs d;
    // "propre" is only in a French label.
    search(left(), QStringLiteral("propre"));
    QCOMPARE(d.messages(), QStringList({"No results"}));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::None);
    QVERIFY(highlighted(left()).isEmpty());
    d.clear();
    // A leading blank stays in the pattern: "environmental policy" matches,
    // "policy instrument" does not.
    search(left(), QStringLiteral(" policy"), {"chkPrefLabel"});
    QCOMPARE(highlighted(left()), QStringList({"L5210", "L5211"}));
    QVERIFY(d.shown.isEmpty());
    // In the right window " policy" is found only in "energy policy", which is
    // outside the loaded subset: nothing is highlighted, and no message.
    search(right(), QStringLiteral("policy"), {"chkPrefLabel"});
    QCOMPARE(highlighted(right()), QStringList({"R1302"}));
    search(right(), QStringLiteral(" policy"), {"chkPrefLabel"});
    QVERIFY(d.shown.isEmpty());
    QVERIFY(highlighted(right()).isEmpty());
    // A trailing one too: only "policy instrument".
    search(right(), QStringLiteral("policy "), {"chkPrefLabel"});
    QCOMPARE(highlighted(right()), QStringList({"R1302"}));
    search(left(), QStringLiteral("policy "), {"chkPrefLabel"});
    QCOMPARE(d.messages(), QStringList({"No results"}));
}

void TestSearch::caseIgnoredInEveryAlphabet()
{
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("aGRICULTURE"), {"chkPrefLabel"});
    QCOMPARE(highlighted(left()), QStringList({"L1234"}));
    // The label is "Éco-système": upper-case É and lower-case è.
    search(left(), QStringLiteral("\u00e9co-SYST\u00c8ME"), {"chkAltLabel"});
    QCOMPARE(highlighted(left()), QStringList({"L5220"}));
    QVERIFY(d.shown.isEmpty());
}

void TestSearch::wordsWithQuotesSearchForThatText_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("found");
    QTest::newRow("double quotes") << QStringLiteral("\"pollution\"") << true;
    QTest::newRow("apostrophes") << QStringLiteral("O'Brien's") << true;
    QTest::newRow("backslash") << QStringLiteral("C:\\basin") << true;
    QTest::newRow("all of them") << ExploreFixture::quotedLabel().mid(3) << true;
    QTest::newRow("lone quote") << QStringLiteral("\"") << true;
    QTest::newRow("injection") << QStringLiteral("x\" or \"1\"=\"1") << false;
    QTest::newRow("apostrophe injection") << QStringLiteral("x' or '1'='1") << false;
}

void TestSearch::wordsWithQuotesSearchForThatText()
{
    QFETCH(QString, word);
    QFETCH(bool, found);
    ScopedScriptedDialogs d;
    search(left(), word);
    if (found) {
        QVERIFY(d.shown.isEmpty());
        QCOMPARE(highlighted(left()), QStringList({"L5230"}));
    } else {
        QCOMPARE(d.messages(), QStringList({"No results"}));
        QVERIFY(highlighted(left()).isEmpty());
    }
}

void TestSearch::emptyWordAndNoFields()
{
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("policy"));
    const QStringList before = highlighted(left());
    search(left(), QString());
    QVERIFY(d.shown.isEmpty());
    QCOMPARE(highlighted(left()), before);

    search(left(), QStringLiteral("Agriculture"), {"none"});
    QCOMPARE(d.messages(), QStringList({"Select at least a search field"}));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::None);
    QCOMPARE(highlighted(left()), before);
    QVERIFY(!QApplication::overrideCursor());

    // Enter in the word box runs the search.
    d.clear();
    search(left(), QStringLiteral("x"), {"chkPrefLabel"}); // sets the boxes; finds nothing
    d.clear();
    auto *box = left()->findChild<QLineEdit *>(QStringLiteral("txtCerca"));
    box->setText(QStringLiteral("agriculture"));
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(d.shown.isEmpty());
    QCOMPARE(highlighted(left()), QStringList({"L1234"}));
}

void TestSearch::noResultsKeepsEarlierHighlights()
{
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("technology"), {"chkPrefLabel"});
    QCOMPARE(highlighted(left()), QStringList({"L5212"}));
    search(left(), QStringLiteral("no such word"));
    QCOMPARE(d.messages(), QStringList({"No results"}));
    QCOMPARE(highlighted(left()), QStringList({"L5212"}));
    // A search that finds rows clears the earlier highlights first.
    // "natural environment" is 5220's label and 1234's related concept.
    search(left(), QStringLiteral("natural"));
    QCOMPARE(highlighted(left()), QStringList({"L1234", "L5220"}));
}

void TestSearch::closedDatabaseIsReported()
{
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("technology"), {"chkPrefLabel"});
    vConnection.ChiudiConnessione();
    search(left(), QStringLiteral("policy"));
    QCOMPARE(d.shown.size(), 1);
    QVERIFY(d.shown.first().text.startsWith(QStringLiteral("Error ")));
    QCOMPARE(d.shown.first().icon, Dialogs::Icon::Critical);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(highlighted(left()), QStringList({"L5212"}));
}

void TestSearch::likeMatchesSqliteOnAscii()
{
    // SQLite's own LIKE, on a connection without the program's functions.
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    auto builtin = [db](const QString &pattern, const QString &text, const char *escape) {
        sqlite3_stmt *st = nullptr;
        const QByteArray sql = escape ? QByteArray("select ?2 like ?1 escape ?3") : QByteArray("select ?2 like ?1");
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        const QByteArray p = pattern.toUtf8(), t = text.toUtf8();
        sqlite3_bind_text(st, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        if (escape)
            sqlite3_bind_text(st, 3, escape, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        const bool r = sqlite3_column_int(st, 0) != 0;
        sqlite3_finalize(st);
        return r;
    };
    const QStringList patterns = {"%", "", "a", "%a%", "A_c", "%b_", "_", "__", "%%x", "x%y%z", "%pol%icy",
                                  "%Policy%", "%ab%ab%", "a%", "%c", "%\\%%", "%_%"};
    const QStringList texts = {"", "a", "abc", "ABC", "aXc", "environmental POLICY", "xyz", "xaybz", "abab",
                               "aab", "ca", "50% off", "_", "\\"};
    for (const QString &p : patterns)
        for (const QString &t : texts) {
            QVERIFY2(SqliteFunctions::like(p, t) == builtin(p, t, nullptr), qPrintable(p + QStringLiteral(" / ") + t));
            QVERIFY2(SqliteFunctions::like(p, t, QLatin1Char('\\')) == builtin(p, t, "\\"),
                     qPrintable(p + QStringLiteral(" esc / ") + t));
        }
    sqlite3_close(db);
}

void TestSearch::likeFoldsEveryAlphabet()
{
    using SqliteFunctions::like;
    QVERIFY(like(QStringLiteral("%\u00e9co%"), QStringLiteral("\u00c9cole")));
    QVERIFY(like(QStringLiteral("%\u0394\u0395%"), QStringLiteral("\u03b4\u03b5\u03bb\u03c4\u03b1")));  // Greek
    QVERIFY(like(QStringLiteral("%\u0416%"), QStringLiteral("\u0436\u0443\u043a")));                      // Cyrillic
    QVERIFY(!like(QStringLiteral("%e%"), QStringLiteral("\u00e9"))); // accents still count
    // '_' is one character, also beyond ASCII and beyond 16 bits.
    QVERIFY(like(QStringLiteral("a_c"), QStringLiteral("a\u00e9c")));
    QVERIFY(like(QStringLiteral("a_c"), QStringLiteral("a\U0001F30Ac")));
    QVERIFY(!like(QStringLiteral("a__c"), QStringLiteral("a\U0001F30Ac")));
    // Escaped wildcards are literal.
    QVERIFY(like(QStringLiteral("100\\%\u00e9"), QStringLiteral("100%\u00c9"), QLatin1Char('\\')));
    QVERIFY(!like(QStringLiteral("100\\%\u00e9"), QStringLiteral("1000\u00c9"), QLatin1Char('\\')));

    // Through SQL on the program's connection.
    // text LIKE pattern
    QCOMPARE(vConnection.scalar(QStringLiteral("select ? like ?"), {QStringLiteral("\u00c9COLE"), QStringLiteral("%\u00e9col%")}).toInt(), 1);
    QCOMPARE(vConnection.scalar(QStringLiteral("select ? like ?"), {QStringLiteral("%\u00e9col%"), QStringLiteral("\u00c9COLE")}).toInt(), 0);
    QCOMPARE(vConnection.scalar(QStringLiteral("select 'x' like null")).isNull(), true);
    QCOMPARE(vConnection.scalar(QStringLiteral("select ? like ? escape '!'"), {QStringLiteral("a_b"), QStringLiteral("%!_%")}).toInt(), 1);
    QCOMPARE(vConnection.scalar(QStringLiteral("select ? like ? escape '!'"), {QStringLiteral("ab"), QStringLiteral("%!_%")}).toInt(), 0);
}

void TestSearch::sideIndexGivesThePlainResult()
{
    QCOMPARE(SearchIndex::matchText(QStringLiteral("ab")), QString());
    QCOMPARE(SearchIndex::matchText(QStringLiteral("a%bc")), QString());
    QCOMPARE(SearchIndex::matchText(QStringLiteral("a_bc")), QString());
    QCOMPARE(SearchIndex::matchText(QStringLiteral("say \"HI\"")), QStringLiteral("\"say \"\"hi\"\"\""));
    QCOMPARE(SearchIndex::matchText(QStringLiteral("\u00c9CO")), QStringLiteral("\"\u00e9co\""));

    const QVariant objects = TestDb::value(m_path, QStringLiteral("select count(*) from sqlite_master"));
    SearchIndex::drop(vConnection);
    QVERIFY(!SearchIndex::exists(vConnection));
    const QStringList words = {"policy", "POLICY", " policy", "policy ", "pol", "po", "p", "%", "_olic",
                               "\u00e9co-SYST\u00c8ME", "\u00c9co", "\"pollution\"", "O'Brien's", "C:\\basin",
                               "\"", "environment", "agricultur", "propre", "no such words", "ion p"};
    auto compare = [&] {
        for (const QString &w : words) {
            for (const Ricerca::Campi &campi : {Ricerca::Campi{}, Ricerca::Campi{true, false, false, false, false, false},
                                                Ricerca::Campi{false, false, false, true, true, true}}) {
                for (int model : {int(Ids::EUROVOC), int(Ids::GEMET)}) {
                    QVector<qint32> indexed = Ricerca::esegui(vConnection, campi, model, w);
                    QVector<qint32> plain = Ricerca::eseguiSenzaIndice(vConnection, campi, model, w);
                    std::sort(indexed.begin(), indexed.end());
                    std::sort(plain.begin(), plain.end());
                    QVERIFY2(indexed == plain, qPrintable(w));
                }
            }
        }
    };
    // While the index is being built (the first search starts it), and through it.
    compare();
    QVERIFY(SearchIndex::ensure(vConnection));
    QVERIFY(SearchIndex::exists(vConnection));
    compare();
    QVERIFY(SearchIndex::exists(vConnection));
    // Nothing of it is in the file: another connection sees the same objects.
    QCOMPARE(TestDb::value(m_path, QStringLiteral("select count(*) from sqlite_master")), objects);
}

void TestSearch::sideIndexFollowsChanges()
{
    TestDb db;
    const QString path = ExploreFixture::build(db);
    vConnection.ChiudiConnessione();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(path)));
    auto find = [](const QString &w) {
        return Ricerca::esegui(vConnection, Ricerca::Campi{true, true, true, false, false, false}, Ids::EUROVOC, w);
    };
    QVERIFY(SearchIndex::ensure(vConnection));
    QCOMPARE(find(QStringLiteral("farming")), QVector<qint32>({1234}));
    QVERIFY(SearchIndex::exists(vConnection));

    // This connection's own writes.
    vConnection.EseguiIstruzione(QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (800, 5211, 1)"));
    vConnection.EseguiIstruzione(QStringLiteral("insert into datatypepropertyvalues (id, concept_property_ref, lang_ref, value) "
                                                "values (800, 800, 6, 'Smog Control')"));
    QCOMPARE(find(QStringLiteral("smog")), QVector<qint32>({5211}));
    vConnection.EseguiIstruzione(QStringLiteral("update datatypepropertyvalues set value = 'haze control' where id = 800"));
    QVERIFY(find(QStringLiteral("smog")).isEmpty());
    QCOMPARE(find(QStringLiteral("HAZE")), QVector<qint32>({5211}));
    vConnection.EseguiIstruzione(QStringLiteral("delete from datatypepropertyvalues where id = 800"));
    QVERIFY(find(QStringLiteral("haze")).isEmpty());
    vConnection.EseguiIstruzione(QStringLiteral("update concepts set dex = 'sustainable policy' where id = 5210"));
    QCOMPARE(find(QStringLiteral("sustainable")), QVector<qint32>());
    QCOMPARE(Ricerca::esegui(vConnection, Ricerca::Campi{false, false, false, false, false, true}, Ids::EUROVOC,
                             QStringLiteral("sustainable")).size(), 3);

    // Another connection's write is seen too.
    TestDb::run(path, {QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (801, 5212, 6)"),
                       QStringLiteral("insert into datatypepropertyvalues (id, concept_property_ref, lang_ref, value) "
                                      "values (801, 801, 6, 'Zero-emission processes')")});
    QCOMPARE(find(QStringLiteral("zero-emission")), QVector<qint32>({5212}));
    // ...and the index is built anew for it.
    QVERIFY(SearchIndex::ensure(vConnection));
    QCOMPARE(find(QStringLiteral("zero-emission")), QVector<qint32>({5212}));
    // A rolled back change leaves the index as the file is.
    vConnection.beginTransaction();
    vConnection.EseguiIstruzione(QStringLiteral("delete from datatypepropertyvalues where id = 801"));
    vConnection.rollback();
    QCOMPARE(find(QStringLiteral("zero-emission")), QVector<qint32>({5212}));

    // A file opened read-only gets the index too (it lives in memory), and
    // an out-of-date one is replaced.
    vConnection.ChiudiConnessione();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(path) + QStringLiteral(";Mode=Read")));
    QVERIFY(vConnection.isReadOnly());
    QVERIFY(SearchIndex::ensure(vConnection));
    QCOMPARE(find(QStringLiteral("zero-emission")), QVector<qint32>({5212}));
    QVERIFY(SearchIndex::exists(vConnection));
    TestDb::run(path, {QStringLiteral("update datatypepropertyvalues set value = 'Low-emission processes' where id = 801")});
    QCOMPARE(find(QStringLiteral("low-emission")), QVector<qint32>({5212}));
    QVERIFY(find(QStringLiteral("zero-emission")).isEmpty());
    QVERIFY(SearchIndex::ensure(vConnection));
    QCOMPARE(find(QStringLiteral("low-emission")), QVector<qint32>({5212}));
    QVERIFY(find(QStringLiteral("zero-emission")).isEmpty());

    vConnection.ChiudiConnessione();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
}

void TestSearch::sideIndexIsBuiltInTheBackground()
{
    TestDb db;
    const QString path = ExploreFixture::build(db);
    cleanup();
    // Open as the menu does: the build starts at once.
    ScopedScriptedDialogs scripted;
    QCOMPARE(Progetto::ApriFile(path), Progetto::Esito::Aperto);
    QVERIFY(SearchIndex::building(vConnection) || SearchIndex::exists(vConnection));
    vConnection.ChiudiConnessione();
    QVERIFY(!SearchIndex::building(vConnection));

    // Held at each step of a few rows, so that searches and writes happen
    // while it runs.
    QSemaphore atStep, goOn;
    std::atomic<bool> held{true};
    SearchIndex::BuildSettings settings;
    settings.rowsPerStep = 3;
    std::atomic<int> buildNice{-100};
    settings.beforeStep = [&] {
#if defined(__linux__)
        buildNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
#endif
        if (!held)
            return;
        atStep.release();
        goOn.acquire();
    };
    SearchIndex::setBuildSettings(settings);
    // However the test ends, the build is let go before the connection closes.
    struct Reset
    {
        std::atomic<bool> &held;
        QSemaphore &goOn;
        ~Reset()
        {
            held = false;
            goOn.release(1000);
            vConnection.ChiudiConnessione();
            SearchIndex::setBuildSettings({});
        }
    } reset{held, goOn};

#if defined(__linux__)
    const int windowNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
#endif
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(path)));
    auto fileBytes = [&path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = fileBytes();
    SearchIndex::start(vConnection);
    QVERIFY(atStep.tryAcquire(1, 10000));
    QVERIFY(SearchIndex::building(vConnection));
#if defined(__linux__)
    // The build gives way to the window's thread, which keeps its priority.
    QCOMPARE(buildNice.load(), 19);
    QCOMPARE(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), windowNice);
#endif

    const Ricerca::Campi all;
    const QStringList words = {"policy", "agricultur", "smog", "haze", "sustainable", "natural", "propre", "\u00c9co"};
    auto sameAsPlain = [&] {
        for (const QString &w : words)
            for (int model : {int(Ids::EUROVOC), int(Ids::GEMET)}) {
                QVector<qint32> a = Ricerca::esegui(vConnection, all, model, w);
                QVector<qint32> b = Ricerca::eseguiSenzaIndice(vConnection, all, model, w);
                std::sort(a.begin(), a.end());
                std::sort(b.begin(), b.end());
                if (a != b)
                    return false;
            }
        return true;
    };
    // Before it is ready a search runs the plain statement: the same hits, no waiting.
    QVERIFY(!Ricerca::esegui(vConnection, all, Ids::EUROVOC, QStringLiteral("policy")).isEmpty());
    QVERIFY(sameAsPlain());
    QVERIFY(!SearchIndex::exists(vConnection));

    // Writes while it runs: one before the build reaches the rows, one after.
    vConnection.EseguiIstruzione(QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (800, 5211, 1)"));
    vConnection.EseguiIstruzione(QStringLiteral("insert into datatypepropertyvalues (id, concept_property_ref, lang_ref, value) "
                                                "values (800, 800, 6, 'Smog Control')"));
    vConnection.EseguiIstruzione(QStringLiteral("update concepts set dex = 'sustainable policy' where id = 5210"));
    goOn.release();
    QVERIFY(atStep.tryAcquire(1, 10000));
    goOn.release();
    QVERIFY(atStep.tryAcquire(1, 10000));
    vConnection.EseguiIstruzione(QStringLiteral("update datatypepropertyvalues set value = 'haze control' where id = 800"));
    vConnection.EseguiIstruzione(QStringLiteral("delete from datatypepropertyvalues where value like '%natural%'"));
    vConnection.EseguiIstruzione(QStringLiteral("update concepts set dex = 'natural surroundings' where id = 5220"));
    held = false;
    goOn.release(1000);

    QVERIFY(SearchIndex::ensure(vConnection));
    QVERIFY(SearchIndex::exists(vConnection));
    QVERIFY(sameAsPlain());
    QVERIFY(Ricerca::esegui(vConnection, all, Ids::EUROVOC, QStringLiteral("smog")).isEmpty());
    QCOMPARE(Ricerca::esegui(vConnection, all, Ids::EUROVOC, QStringLiteral("haze")), QVector<qint32>({5211}));
    // The index holds exactly the texts of the file, no more, no less.
    QCOMPARE(vConnection.scalar(QStringLiteral("select count(*) from ") + SearchIndex::valuesTable()).toInt(),
             vConnection.scalar(QStringLiteral("select count(*) from datatypepropertyvalues where value is not null")).toInt());
    QCOMPARE(vConnection.scalar(QStringLiteral("select count(*) from ") + SearchIndex::dexTable()).toInt(),
             vConnection.scalar(QStringLiteral("select count(*) from concepts where dex is not null")).toInt());
    QCOMPARE(vConnection.scalar(QStringLiteral("select count(*) from ") + SearchIndex::dexTable()
                                + QStringLiteral(" where v match '\"surroundings\"'")).toInt(), 1);

    // Nothing of the build was written to the database file (only the writes above).
    vConnection.ChiudiConnessione();
    TestDb other;
    const QString fresh = ExploreFixture::build(other);
    QVERIFY(before != fileBytes()); // the writes reached the file
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(fresh)));
    const QByteArray untouched = [&fresh] {
        QFile f(fresh);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(SearchIndex::ensure(vConnection));
    vConnection.ChiudiConnessione();
    QFile f(fresh);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), untouched);
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));
}

void TestSearch::wordWithNulIsLikeAnyOtherCharacter()
{
    TestDb db;
    const QString path = ExploreFixture::build(db);
    vConnection.ChiudiConnessione();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(path)));
    const QString nul(QChar(0));
    vConnection.EseguiIstruzione(QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (800, 5211, 1)"));
    vConnection.EseguiIstruzione(QStringLiteral("insert into datatypepropertyvalues (id, concept_property_ref, lang_ref, value) "
                                                "values (800, 800, 6, ?)"),
                                 QStringLiteral("128"), {QStringLiteral("Smog") + nul + QStringLiteral("Control")});
    // The side index is built now, so that esegui() reads it.
    QVERIFY(SearchIndex::ensure(vConnection));
    QVERIFY(SearchIndex::exists(vConnection));
    const Ricerca::Campi labels{true, true, true, false, false, false};
    const QList<std::pair<QString, QVector<qint32>>> cases = {
        {QStringLiteral("smog") + nul + QStringLiteral("CONTROL"), {5211}},
        {QStringLiteral("g") + nul + QStringLiteral("c"), {5211}},
        {nul, {5211}},
        {QStringLiteral("smog control"), {}},
        {QStringLiteral("farm") + nul + QStringLiteral("ing"), {}},
    };
    for (const auto &[word, expected] : cases) {
        QCOMPARE(Ricerca::esegui(vConnection, labels, Ids::EUROVOC, word), expected);
        QCOMPARE(Ricerca::eseguiSenzaIndice(vConnection, labels, Ids::EUROVOC, word), expected);
    }
    // The index sees the text after a U+0000 too.
    QVERIFY(Ricerca::esegui(vConnection, labels, Ids::EUROVOC, QStringLiteral("control")).contains(5211));
    vConnection.ChiudiConnessione();
    QVERIFY(vConnection.ApriConnessione(cConnessione::connectionStringFor(m_path)));

    // Typed into the window, it is searched for without an error.
    ScopedScriptedDialogs d;
    search(left(), QStringLiteral("pol") + nul + QStringLiteral("icy"));
    QCOMPARE(d.messages(), QStringList{QStringLiteral("No results")});
}

QTEST_MAIN(TestSearch)
#include "test_search.moc"
