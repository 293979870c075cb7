// Loading a whole thesaurus into an alignment window, offscreen: the
// program's subtree queries against the per-concept query walk, for trees of
// 10,000 and 100,000 concepts.  Each figure covers the queries, building the
// tree, the finishing pass, opening the root and showing the window.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_treeload [--runs N] [--walk-runs N]
#include "base/dialogs.h"
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/generator.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/ConceptTree.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace mdlGlobale;

namespace {

double loadOnce(frmAlbero::Caricamento mode)
{
    QElapsedTimer t;
    t.start();
    frmAlbero *w = frmAlbero::rightWindow();
    if (!w)
        w = frmAlbero::carica(false); // first use: creates and loads
    else
        w->Form_Load(mode);
    // Shown: the view lays out its rows and paints.
    w->tree()->viewport()->repaint();
    QApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}

int optionOr(const QStringList &args, const char *name, int fallback)
{
    const qsizetype i = args.indexOf(QString::fromLatin1(name));
    bool ok = false;
    const int v = i >= 0 && i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
    return ok ? v : fallback;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, optionOr(args, "--runs", 5));
    const int walkRuns = std::max(1, optionOr(args, "--walk-runs", 3));
    ScopedScriptedDialogs quiet;
    QTemporaryDir dir;
    frmMain main;
    installRooms(main);
    main.show();

    std::printf("%-10s %-22s %10s %10s %8s\n", "concepts", "method", "median ms", "runs", "nodes");
    for (int size : {10000, 100000}) {
        const QString path = dir.filePath(QStringLiteral("gen%1.sqlite").arg(size));
        Generator::GeneratorOptions options;
        options.concepts = size;
        options.models = {Ids::GEMET};
        options.seed = 42;
        Generator::generateFile(path, options);
        if (!vConnection.ApriConnessione(cConnessione::connectionStringFor(path)))
            return 1;

        vTreeSide = AlberoQuery::targetSide();
        vTreeCaption = QStringLiteral("gemet");
        const AlberoQuery::Query q = AlberoQuery::targetRoot(Ids::GEMET, QString());
        vRootQuery = q.sql;
        vRootParams = q.params;

        QList<double> fast, walk;
        loadOnce(frmAlbero::Caricamento::Sottoalbero); // warms the file cache
        for (int i = 0; i < runs; ++i)
            fast.append(loadOnce(frmAlbero::Caricamento::Sottoalbero));
        const int nodes = frmAlbero::rightWindow()->tree()->count();
        for (int i = 0; i < walkRuns; ++i)
            walk.append(loadOnce(frmAlbero::Caricamento::PerConcetto));
        if (frmAlbero::rightWindow()->tree()->count() != nodes)
            std::printf("node counts differ!\n");
        std::printf("%-10d %-22s %10.1f %10d %8d\n", size, "subtree queries", Bench::median(fast), runs, nodes);
        std::printf("%-10d %-22s %10.1f %10d %8d\n", size, "per-concept walk", Bench::median(walk), walkRuns, nodes);
        std::printf("%-10d %-22s %9.1fx\n", size, "speed-up", Bench::median(walk) / Bench::median(fast));
        std::fflush(stdout);

        frmAlbero::rightWindow()->cmdChiudiFinestra_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        vConnection.ChiudiConnessione();
    }
    return 0;
}
