// Loading a whole thesaurus into an alignment window, offscreen: the
// program's subtree queries against the per-concept query walk, for trees of
// 10,000 and 100,000 concepts.  Each figure covers the queries, building the
// tree, the finishing pass, opening the root and showing the window.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_treeload [--runs N] [--walk-runs N]
#include "base/dialogs.h"
#include "conceptwalk.h"
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/generator.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/ConceptTree.h"
#include "widgets/ui/MainFrame.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace mdlGlobale;

namespace {

// The program's load, or the per-concept walk with the status line painted
// after every concept, into the same window.
double loadOnce(const TreeLoad::Request &request, bool walk)
{
    QElapsedTimer t;
    t.start();
    frmAlbero *w = frmAlbero::rightWindow();
    if (!w || !walk) {
        w = frmAlbero::carica(request); // creates it on first use
    } else {
        MainFrame *main = MainFrame::instance();
        const TreeLoad::Result rows =
            ConceptWalk::load(vConnection, request.rootQuery, request.rootParams, [&](qint32 id) {
                main->setStatusText(AlberoQuery::progressText(request.side, id));
                main->repaintStatus();
            });
        w->showRows(request.caption, request.side, rows.rows);
        w->tree()->setExpanded(1, true);
    }
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

        const TreeLoad::Request request = TreeLoad::targetRequest(Ids::GEMET, QString());

        QList<double> fast, walk;
        loadOnce(request, false); // warms the file cache
        for (int i = 0; i < runs; ++i)
            fast.append(loadOnce(request, false));
        const int nodes = frmAlbero::rightWindow()->tree()->count();
        for (int i = 0; i < walkRuns; ++i)
            walk.append(loadOnce(request, true));
        if (frmAlbero::rightWindow()->tree()->count() != nodes)
            std::printf("node counts differ!\n");
        std::printf("%-10d %-22s %10.1f %10d %8d\n", size, "subtree queries", Bench::median(fast), runs, nodes);
        std::printf("%-10d %-22s %10.1f %10d %8d\n", size, "per-concept walk", Bench::median(walk), walkRuns, nodes);
        std::printf("%-10d %-22s %9.1fx\n", size, "speed-up", Bench::median(walk) / Bench::median(fast));
        std::fflush(stdout);
        const bool large = size >= 100000;
        const QByteArray key = "treeload." + QByteArray::number(size);
        Bench::figure(key + ".load", Bench::median(fast), "ms", large ? "<1500" : "-",
                      QStringLiteral("Tree of %1 concepts loaded and shown (median of %2)")
                          .arg(Bench::thousands(size))
                          .arg(runs));
        Bench::figure(key + ".walk", Bench::median(walk), "ms", "-",
                      QStringLiteral("same, per-concept walk (median of %1)").arg(walkRuns));
        Bench::figure(key + ".slower", Bench::median(walk) / Bench::median(fast), "x", large ? ">=10" : "-",
                      QStringLiteral("per-concept walk against the load, %1 concepts (times slower)")
                          .arg(Bench::thousands(size)));

        frmAlbero::rightWindow()->cmdChiudiFinestra_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        vConnection.ChiudiConnessione();
    }
    return 0;
}
