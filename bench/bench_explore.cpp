// Exploring while aligning, offscreen, on a generated GEMET thesaurus of
// 100,000 concepts with about three English labels or notes per concept,
// loaded whole into the right alignment window:
//  - a word search (all six boxes ticked) that finds a few hundred concepts,
//    from the button to the last highlighted node;
//  - marking 10,000 mapped concepts ("Mark all the nodes involved in the project").
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_explore [--runs N] [--concepts N]
#include "base/dialogs.h"
#include "benchdata.h"
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/generator.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "data/searchindex.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/ConceptTree.h"
#include "workspace/search.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace mdlGlobale;

namespace {

using Bench::timed;

int optionOr(const QStringList &args, const char *name, int fallback)
{
    const qsizetype i = args.indexOf(QString::fromLatin1(name));
    bool ok = false;
    const int v = i >= 0 && i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
    return ok ? v : fallback;
}

int highlightedCount(ConceptTree *t)
{
    int n = 0;
    for (int i = 1; i <= t->count(); ++i)
        n += t->bold(i) ? 1 : 0;
    return n;
}

// How many words of a list (short ones, wildcards, upper case, blanks, pieces
// of English texts) find other concepts through the side index than through
// the plain statement, and how many were tried.
std::pair<int, int> wordsDiffering()
{
    QStringList words = {QStringLiteral("ab"), QStringLiteral("an"), QStringLiteral("ion "), QStringLiteral(" de"),
                         QStringLiteral("TION"), QStringLiteral("a%b"), QStringLiteral("x_y"), QStringLiteral("\"\"")};
    RecordSet rs;
    vConnection.ApriRS(QStringLiteral("select value from datatypepropertyvalues where lang_ref = 6 order by id limit 30"), rs);
    while (!rs.isEOF()) {
        const QString v = rs.value(0).toString();
        words << v.mid(v.size() / 3, 4) << v.left(7).toUpper();
        rs.MoveNext();
    }
    vConnection.ChiudiRS(rs);
    int differ = 0;
    for (const QString &wd : std::as_const(words)) {
        QVector<qint32> a = Ricerca::esegui(vConnection, Ricerca::Campi{}, Ids::GEMET, wd);
        QVector<qint32> b = Ricerca::eseguiSenzaIndice(vConnection, Ricerca::Campi{}, Ids::GEMET, wd);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        differ += a != b;
    }
    return {differ, static_cast<int>(words.size())};
}

// Relations of project 4 to `count` distinct GEMET concepts chosen at random.
void addMappedConcepts(int count)
{
    QVector<qint32> ids;
    RecordSet rs;
    vConnection.ApriRS(QStringLiteral("select id from concepts where model_ref = 5 and parent_ref is not null"), rs);
    while (!rs.isEOF()) {
        ids.append(rs.value(0).toInt());
        rs.MoveNext();
    }
    vConnection.ChiudiRS(rs);
    QRandomGenerator r(7);
    std::shuffle(ids.begin(), ids.end(), r);
    ids.resize(std::min<qsizetype>(count, ids.size()));
    vConnection.beginTransaction();
    QSqlQuery ins = vConnection.prepare(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                                       "right_concept_ref, property_ref) values (?, 4, 1, ?, 9)"));
    qint32 id = 0;
    for (qint32 c : std::as_const(ids))
        vConnection.exec(ins, {++id, c});
    vConnection.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, optionOr(args, "--runs", 5));
    const int size = std::max(1000, optionOr(args, "--concepts", 100000));
    ScopedScriptedDialogs quiet;
    QTemporaryDir dir;
    frmMain main;
    installRooms(main);
    main.show();

    // The thesaurus: the generator's labels (an English prefLabel, half the
    // time an English altLabel, a quarter of the time an English scopeNote,
    // labels in French and German), plus an English altLabel for each
    // foreign label, which brings the English texts to about three per concept.
    const QString path = dir.filePath(QStringLiteral("explore.sqlite"));
    Generator::GeneratorOptions options;
    options.concepts = size;
    options.models = {Ids::GEMET};
    options.seed = 42;
    QElapsedTimer prep;
    prep.start();
    Generator::generateFile(path, options);
    if (!vConnection.ApriConnessione(cConnessione::connectionStringFor(path)))
        return 1;
    vConnection.beginTransaction();
    BenchData::addEnglishAltLabels(vConnection);
    vConnection.commit();
    const double english = vConnection.scalar(QStringLiteral("select count(*) from datatypepropertyvalues where lang_ref = 6")).toDouble();
    std::printf("thesaurus: %d concepts, %.2f English labels or notes per concept (prepared in %.0f ms)\n", size,
                english / size, prep.nsecsElapsed() / 1e6);

    // The whole thesaurus in the right window.
    vTargetModel = Ids::GEMET;
    frmAlbero *w = frmAlbero::carica(TreeLoad::targetRequest(Ids::GEMET, QString()));
    ConceptTree *tree = w->tree();
    std::printf("tree: %d nodes\n", tree->count());

    // A word that finds a few hundred concepts.
    int found = 0;
    const QString word = BenchData::wordFindingAFewHundred(vConnection, found);
    if (word.isEmpty()) {
        std::printf("no word found a few hundred concepts\n");
        return 1;
    }
    std::printf("word \"%s\": %d concepts\n", qPrintable(word), found);

    // Building the side index, as the first search on an opened database does.
    QList<double> build;
    for (int i = 0; i < std::min(runs, 3); ++i) {
        SearchIndex::drop(vConnection);
        build << timed([&] { SearchIndex::ensure(vConnection); });
    }
    std::printf("%-44s %9.1f ms  (%d runs)\n", "side index build (first search only)", Bench::median(build),
                static_cast<int>(build.size()));

    // The index gives the plain statement's result for many words.
    const auto [differ, tried] = wordsDiffering();
    std::printf("%-44s %9d of %d words\n", "index results differing from plain", differ, tried);
    Bench::figure("explore.index.differ", differ, "words", "=0",
                  QStringLiteral("Words whose search through the side index differs from the plain statement (of %1)")
                      .arg(tried));

    // The search as the user runs it.
    w->findChild<QLineEdit *>(QStringLiteral("txtCerca"))->setText(word);
    QList<double> searchQuery, searchPlain, searchAll;
    for (int i = 0; i < runs + 1; ++i) {
        w->cmdCollassa_Click();
        const double all = timed([&] { w->cmdEseguiRicerca_Click(); QApplication::processEvents(); });
        const double query = timed([&] { Ricerca::esegui(vConnection, Ricerca::Campi{}, Ids::GEMET, word); });
        const double plain = timed([&] { Ricerca::eseguiSenzaIndice(vConnection, Ricerca::Campi{}, Ids::GEMET, word); });
        if (i == 0)
            continue; // the first run warms caches (and builds any side index)
        searchAll << all;
        searchQuery << query;
        searchPlain << plain;
    }
    const QVector<qint32> a = Ricerca::esegui(vConnection, Ricerca::Campi{}, Ids::GEMET, word);
    const QVector<qint32> b = Ricerca::eseguiSenzaIndice(vConnection, Ricerca::Campi{}, Ids::GEMET, word);
    const bool same = QSet<qint32>(a.begin(), a.end()) == QSet<qint32>(b.begin(), b.end()) && a.size() == b.size();
    std::printf("%-44s %9.1f ms  (%d runs)\n", "search, button to last highlight", Bench::median(searchAll), runs);
    std::printf("%-44s %9.1f ms\n", "  of which the query", Bench::median(searchQuery));
    std::printf("%-44s %9.1f ms\n", "  the plain query alone (no side index)", Bench::median(searchPlain));
    std::printf("%-44s %9d  (same as plain: %s)\n", "  nodes highlighted", highlightedCount(tree), same ? "yes" : "NO");
    Bench::figure("explore.search", Bench::median(searchAll), "ms", "<200",
                  QStringLiteral("Word search finding %1 of %2 concepts, button to last highlight (median of %3)")
                      .arg(Bench::thousands(found), Bench::thousands(size))
                      .arg(runs));
    Bench::figure("explore.search.query", Bench::median(searchQuery), "ms", "-",
                  QStringLiteral("of which the query through the side index"));
    Bench::figure("explore.search.plain", Bench::median(searchPlain), "ms", "-",
                  QStringLiteral("the same query without the side index (plain substring scan)"));
    Bench::figure("explore.index.build", Bench::median(build), "ms", "-",
                  QStringLiteral("Building the side index of that thesaurus (median of %1)").arg(build.size()));

    addMappedConcepts(10000);
    QList<double> marking;
    for (int i = 0; i < runs + 1; ++i) {
        w->cmdCancellaSelezione_Click();
        for (int n = 2; n <= tree->count(); ++n) {
            tree->setImage(n, tree->children(n) ? QStringLiteral("Plus") : QStringLiteral("Empty"));
            tree->setExpandedImage(n, QString());
        }
        const double t = timed([&] { w->cmdVisualizzaMappati_Click(); QApplication::processEvents(); });
        if (i > 0)
            marking << t;
    }
    int marked = 0;
    for (int n = 2; n <= tree->count(); ++n)
        marked += tree->image(n) == QLatin1String("Pref") || tree->expandedImage(n) == QLatin1String("PrefMinus");
    std::printf("%-44s %9.1f ms  (%d runs, %d nodes marked)\n", "marking 10,000 mapped concepts", Bench::median(marking), runs, marked);
    Bench::figure("explore.marking", Bench::median(marking), "ms", "<300",
                  QStringLiteral("Marking 10,000 mapped concepts (median of %1)").arg(runs));
    std::fflush(stdout);
    w->cmdChiudiFinestra_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    vConnection.ChiudiConnessione();
    return 0;
}
