// The thesaurus database on a PostgreSQL server beside the same database in a
// file: a tree of 100,000 concepts, the first search after Open, the report
// of 100,000 relations and a new relation saved through the mapping editor.
// The server is started by the program on a private port and folder, as the
// tests start theirs (it needs the postgresql package), unless --server
// names an empty database on another one.
//
//   bench_server [--runs N] [--server postgresql://user@host:port/emptydb]
#include "base/dialogs.h"
#include "benchdata.h"
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/copydb.h"
#include "data/generator.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "report/ui/frmReportMapping.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/pgserver.h"
#include "widgets/ui/ConceptTree.h"
#include "widgets/ui/FlexGrid.h"
#include "workspace/mappingeditor.h"
#include "workspace/search.h"
#include "workspace/treeload.h"
#include "workspace/ui/frmAlbero.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

using namespace mdlGlobale;

namespace {

constexpr int Concepts = 100000;
constexpr int Relations = 100000;

int optionOr(const QStringList &args, const char *name, int fallback)
{
    const qsizetype i = args.indexOf(QString::fromLatin1(name));
    bool ok = false;
    const int v = i >= 0 && i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
    return ok ? v : fallback;
}

void open(const QString &connectionString)
{
    vConnection.ChiudiConnessione();
    if (!vConnection.ApriConnessione(connectionString))
        Bench::fail("bench_server", QStringLiteral("cannot open the database: ") + vConnection.lastOpenError());
    vProjectOpen = true;
    vLastRelationId = LeggiUltimoId(vConnection);
}

// The whole of GEMET in the right window, shown.
double treeOnce()
{
    QElapsedTimer t;
    t.start();
    frmAlbero *w = frmAlbero::carica(TreeLoad::targetRequest(Ids::GEMET, QString()));
    w->tree()->viewport()->repaint();
    QApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    if (w->tree()->count() < Concepts)
        Bench::fail("bench_server", QStringLiteral("the tree holds %1 nodes").arg(w->tree()->count()));
    return ms;
}

struct Figures
{
    double tree = 0, search = 0, report = 0, save = 0;
    int found = 0, nodes = 0;
};

Figures measure(frmMain &main, const QString &connectionString, const QString &word, int runs)
{
    Figures f;
    open(connectionString);
    std::vector<double> tree;
    treeOnce(); // the caches warm, as after the first load of a day
    for (int i = 0; i < runs; ++i)
        tree.push_back(treeOnce());
    f.tree = Bench::median(tree);
    f.nodes = frmAlbero::rightWindow()->tree()->count();
    frmAlbero::rightWindow()->cmdChiudiFinestra_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The first search after Open, each time on a connection just made.
    std::vector<double> search;
    for (int i = 0; i < runs; ++i) {
        open(connectionString);
        search.push_back(Bench::timed(
            [&] { f.found = static_cast<int>(Ricerca::esegui(vConnection, Ricerca::Campi{}, Ids::GEMET, word).size()); }));
    }
    f.search = Bench::median(search);

    // Mapping > Report, the first time on the open database.
    open(connectionString);
    f.report = Bench::timed([&] {
        main.action(QStringLiteral("mnuToolsMappingEffettuato"))->trigger();
        QCoreApplication::processEvents();
    });
    if (frmReportMapping::existing()->grid()->rows() != Relations + 1)
        Bench::fail("bench_server", QStringLiteral("the report lists %1 rows").arg(frmReportMapping::existing()->grid()->rows() - 1));
    frmReportMapping::existing()->cmdChiudiFinestra_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // New relations saved through the mapping editor's save.
    vTargetModel = Ids::GEMET;
    for (auto [model, nodes] : {std::pair{Ids::EUROVOC, &vLeftNodes}, std::pair{Ids::GEMET, &vRightNodes}}) {
        RecordSet rs;
        vConnection.ApriRS(QStringLiteral("select id from concepts where model_ref = ? and is_leaf = 1 order by id "
                                          "limit 200"),
                           rs, {model});
        *nodes = {{0, 0}};
        for (; !rs.isEOF(); rs.MoveNext())
            nodes->append({rs.value(0).toInt(), 1});
        vConnection.ChiudiRS(rs);
    }
    std::vector<double> save;
    const int saves = static_cast<int>(std::min(vLeftNodes.size(), vRightNodes.size())) - 1;
    if (saves < 100)
        Bench::fail("bench_server", QStringLiteral("only %1 pairs to save").arg(saves));
    for (int i = 1; i <= saves; ++i) {
        vLeftCurrent = vRightCurrent = i;
        save.push_back(Bench::timed([] {
            if (!MappingEditor::Salva({QStringLiteral("s"), QStringLiteral("t"), QStringLiteral("exactMatch"),
                                       QStringLiteral("benchmark")}))
                Bench::fail("bench_server", QStringLiteral("a save failed"));
        }));
    }
    f.save = Bench::median(save);
    vConnection.ChiudiConnessione();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = std::max(1, optionOr(args, "--runs", 3));
    const qsizetype at = args.indexOf(QStringLiteral("--server"));
    QString server = at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
    if (server.isEmpty()) {
        if (!PgServer::instance().available()) {
            std::printf("%s\n", qPrintable(PgServer::instance().whyNot()));
            for (const char *key : {"server.tree", "server.search.first", "server.report", "server.save"})
                Bench::skipped(key, "ms", "-", QStringLiteral("(no PostgreSQL server to measure on)"));
            return 0;
        }
        server = PgServer::instance().createDatabase();
    }
    ScopedScriptedDialogs quiet;
    RiempiRelazioni();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.sqlite"));
    QElapsedTimer t;
    t.start();
    Generator::GeneratorOptions options;
    options.concepts = Concepts;
    options.models = {Ids::EUROVOC, Ids::GEMET};
    options.relations = Relations;
    options.seed = 42;
    Generator::generateFile(file, options);
    {
        cConnessione c;
        c.setRecordChanges(false);
        if (!c.ApriConnessione(cConnessione::connectionStringFor(file)))
            Bench::fail("bench_server", c.lastOpenError());
        cConnessione::Transaction tr(c);
        BenchData::addEnglishAltLabels(c);
        tr.commit();
    }
    std::printf("file of %d + %d concepts and %d relations made in %lld ms\n", Concepts, Concepts, Relations,
                static_cast<long long>(t.elapsed()));
    const double copy = Bench::timed([&] { CopyDb::copy(file, server); });
    std::printf("copied to the server in %.0f ms\n", copy);
    int found = 0;
    QString word;
    {
        cConnessione c;
        c.ApriConnessione(cConnessione::connectionStringOf(file, true));
        word = BenchData::wordFindingAFewHundred(c, found);
    }

    frmMain main;
    installRooms(main);
    main.setDatabaseMenus(true);
    main.resize(1280, 900);
    main.show();
    const Figures f = measure(main, cConnessione::connectionStringFor(file), word, runs);
    const Figures s = measure(main, server, word, runs);
    if (s.found != f.found || s.nodes != f.nodes)
        Bench::fail("bench_server", QStringLiteral("the server found %1 concepts and %2 nodes, the file %3 and %4")
                                        .arg(s.found).arg(s.nodes).arg(f.found).arg(f.nodes));

    std::printf("%-44s %12s %12s\n", "median ms", "file", "server");
    std::printf("%-44s %12.1f %12.1f\n", "tree of 100,000 concepts, shown", f.tree, s.tree);
    std::printf("%-44s %12.1f %12.1f\n", qPrintable(QStringLiteral("first search after Open (\"%1\", %2 found)").arg(word).arg(s.found)),
                f.search, s.search);
    std::printf("%-44s %12.1f %12.1f\n", "report of 100,000 relations, first time", f.report, s.report);
    std::printf("%-44s %12.2f %12.2f\n", "a new relation saved (median of 200)", f.save, s.save);
    Bench::figure("server.copy", copy, "ms", "-", QStringLiteral("--copy-db of 200,000 concepts and 100,000 relations to a local server"));
    Bench::figure("server.tree", s.tree, "ms", "<1500", QStringLiteral("Server: tree of 100,000 concepts loaded and shown"));
    Bench::figure("server.file.tree", f.tree, "ms", "-", QStringLiteral("The same from the file"));
    Bench::figure("server.search.first", s.search, "ms", "<300", QStringLiteral("Server: first search after Open"));
    Bench::figure("server.file.search.first", f.search, "ms", "-", QStringLiteral("The same on the file"));
    Bench::figure("server.report", s.report, "ms", "<1000", QStringLiteral("Server: report of 100,000 relations"));
    Bench::figure("server.file.report", f.report, "ms", "-", QStringLiteral("The same from the file"));
    Bench::figure("server.save", s.save, "ms", "<20", QStringLiteral("Server: a new relation saved"));
    Bench::figure("server.file.save", f.save, "ms", "-", QStringLiteral("The same into the file"));
    return 0;
}
