// An editor's working day on a large database, offscreen: 100,000 GEMET and
// 20,000 EUROVOC concepts, about 360,000 English texts and 100,000 mapping
// relations.  Each run opens the file as Project > Open does, opens a
// mapping of the largest EUROVOC field onto the whole of GEMET through
// Mapping > New (the choice dialog answered by the program), and searches a
// word in the GEMET window:
//  - open: the file opened, the menus switched;
//  - two trees: Mapping > New from the menu to both windows tiled and painted;
//  - first search 3 s after the trees are shown, button to the last highlight
//    (the word index is built in the background meanwhile);
//  - first search at once after the trees are shown (the index not ready:
//    the plain statement), and the plain statement alone for comparison.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_workday [--runs N] [--db FILE] [--trees-only [--hold-index]]
//
// --trees-only measures Open and Mapping > New alone (for profiling the load);
// with --hold-index the background index build waits until the trees are shown.
// --db keeps the generated database in FILE (made when it is missing), so
// that later runs skip the generation.
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
#include "workspace/search.h"
#include "widgets/ui/ConceptTree.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmScegli.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <limits>

using namespace mdlGlobale;

namespace {

using Bench::timed;

// CPU time in milliseconds: of this thread, or of the whole process.  On a
// machine shared with other work the wall clock mostly measures the others;
// the CPU time is what the program itself spent.
double cpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

const char *kProgram = "bench_workday";

QString optionText(const QStringList &args, const char *name)
{
    const qsizetype i = args.indexOf(QString::fromLatin1(name));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

// The large database: the generator's GEMET and EUROVOC, an English altLabel
// for every label in another language, and 100,000 relations of project 4.
void makeDatabase(const QString &path)
{
    Generator::GeneratorOptions gemet;
    gemet.concepts = 100000;
    gemet.models = {Ids::GEMET};
    gemet.seed = 42;
    Generator::generateFile(path, gemet);
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        Bench::fail(kProgram, c.lastOpenError());
    Generator::GeneratorOptions eurovoc;
    eurovoc.concepts = 20000;
    eurovoc.models = {Ids::EUROVOC};
    eurovoc.seed = 43;
    Generator::generate(c, eurovoc);

    c.beginTransaction();
    BenchData::addEnglishAltLabels(c);

    QVector<qint32> left, right;
    RecordSet rs;
    c.ApriRS(QStringLiteral("select id, model_ref from concepts where parent_ref is not null order by id"), rs);
    for (; !rs.isEOF(); rs.MoveNext())
        (rs.value(1).toInt() == Ids::EUROVOC ? left : right).append(rs.value(0).toInt());
    c.ChiudiRS(rs);
    QRandomGenerator r(7);
    QSqlQuery ins = c.prepare(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                             "right_concept_ref, property_ref, notes) values (?, 4, ?, ?, ?, ?)"));
    const int kinds[] = {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};
    for (int i = 1; i <= 100000; ++i)
        c.exec(ins, {i, left.at(r.bounded(left.size())), right.at(r.bounded(right.size())), kinds[r.bounded(3)],
                     i % 3 ? QVariant(QStringLiteral("checked against the source")) : QVariant(QMetaType(QMetaType::QString))});
    c.commit();
}

// Mapping > New from the menu, the choice dialog answered as a user would.
void openMapping(frmMain &main, const QString &field)
{
    QTimer::singleShot(0, &main, [field] {
        auto *dlg = qobject_cast<frmScegli *>(QApplication::activeModalWidget());
        if (!dlg)
            Bench::fail(kProgram, QStringLiteral("the choice dialog did not open"));
        dlg->findChild<QComboBox *>(QStringLiteral("cmbSource"))->setEditText(field);
        dlg->findChild<QRadioButton *>(QStringLiteral("optGEMET"))->click();
        dlg->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    });
    main.action(QStringLiteral("mnuToolsNuovoMapping"))->trigger();
}

void showNow()
{
    for (frmAlbero *w : {frmAlbero::rightWindow(), frmAlbero::leftWindow()})
        if (w)
            w->tree()->viewport()->repaint();
    QApplication::processEvents();
}

void closeAll(frmMain &main)
{
    for (frmAlbero *w : {frmAlbero::rightWindow(), frmAlbero::leftWindow()})
        if (w)
            w->cmdChiudiFinestra_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.action(QStringLiteral("mnuProgettoChiudi"))->trigger();
}

// Waits, keeping the window responsive, until ms have passed since the clock
// started; gives when the index build ended, measured on the same clock (-1
// when it still runs).
qint64 waitUntil(const QElapsedTimer &since, qint64 ms)
{
    qint64 built = SearchIndex::building(vConnection) ? -1 : since.elapsed();
    while (since.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
        if (built < 0 && !SearchIndex::building(vConnection))
            built = since.elapsed();
    }
    return built;
}

double searchOnce(frmAlbero *w, const QString &word)
{
    w->findChild<QLineEdit *>(QStringLiteral("txtCerca"))->setText(word);
    return timed([&] {
        w->cmdEseguiRicerca_Click();
        QApplication::processEvents();
    });
}

// The field opened (the largest of EUROVOC) and the word searched (one that
// finds a few hundred GEMET concepts; "-" when no search is measured).
struct Setting
{
    QString field, word;
    int fieldSize = 0, found = 0;
};

Setting chooseSetting(const QString &path, bool withoutSearch)
{
    Setting s;
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        Bench::fail(kProgram, c.lastOpenError());
    std::printf("concepts: %d GEMET, %d EUROVOC; English texts: %d; relations: %d\n",
                c.scalar(QStringLiteral("select count(*) from concepts where model_ref = 5")).toInt(),
                c.scalar(QStringLiteral("select count(*) from concepts where model_ref = 3")).toInt(),
                c.scalar(QStringLiteral("select count(*) from datatypepropertyvalues where lang_ref = 6")).toInt(),
                c.scalar(QStringLiteral("select count(*) from mappingrelations")).toInt());
    // The largest field: every concept below each top concept of EUROVOC.
    RecordSet rs;
    c.ApriRS(QStringLiteral("with recursive below(top, id) as (select id, id from concepts where model_ref = 3 and "
                            "parent_ref is null union all select below.top, concepts.id from concepts join below on "
                            "concepts.parent_ref = below.id) select concepts.dex, count(*) from below join concepts "
                            "on concepts.id = below.top group by below.top order by count(*) desc limit 1"),
             rs);
    s.field = rs.value(0).toString();
    s.fieldSize = rs.value(1).toInt();
    c.ChiudiRS(rs);
    s.word = withoutSearch ? QStringLiteral("-") : BenchData::wordFindingAFewHundred(c, s.found);
    if (s.word.isEmpty())
        Bench::fail(kProgram, QStringLiteral("no word finds a few hundred concepts"));
    return s;
}

// The times of Project > Open and of Mapping > New, and the CPU time of the
// window's thread for the latter, run by run.
struct Timings
{
    QList<double> opens, trees, treesCpu;
};

// Project > Open of the database, then Mapping > New of the field against
// GEMET, both windows shown; their times added to t.
void openBoth(frmMain &main, const QString &path, const QString &field, Timings &t)
{
    t.opens << timed([&] { main.apriDatabase(path); });
    const double cpu0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    t.trees << timed([&] {
        openMapping(main, field);
        showNow();
    });
    t.treesCpu << cpuMs(CLOCK_THREAD_CPUTIME_ID) - cpu0;
}

// --trees-only: Open and Mapping > New alone, for profiling the load.  With
// holdIndex the background index build waits until the trees are shown, to
// tell its share of the machine from the load's own time.
int measureTrees(frmMain &main, const QString &path, const QString &field, int runCount, bool holdIndex)
{
    static std::atomic<bool> held{false};
    if (holdIndex) {
        SearchIndex::BuildSettings hold;
        hold.beforeStep = [] {
            while (held.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        SearchIndex::setBuildSettings(hold);
    }
    Timings t;
    for (int i = 0; i < runCount; ++i) {
        held = true;
        openBoth(main, path, field, t);
        held = false;
        closeAll(main);
    }
    std::printf("%-58s %9.1f ms\n", "Project > Open", Bench::median(t.opens));
    std::printf("%-58s %9.1f ms\n", "Mapping > New, two trees shown", Bench::median(t.trees));
    std::printf("%-58s %9.1f ms\n", "  CPU time of the window's thread", Bench::median(t.treesCpu));
    std::printf("medians of %d runs\n", runCount);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int runs = std::max(1, optionText(args, "--runs").toInt(&ok));
    const int runCount = ok ? runs : 5;
    QTemporaryDir dir;
    QString path = optionText(args, "--db");
    if (path.isEmpty())
        path = dir.filePath(QStringLiteral("workday.sqlite"));
    if (!QFileInfo::exists(path)) {
        const double made = timed([&] { makeDatabase(path); });
        std::printf("database made in %.1f s: %s\n", made / 1000, qPrintable(path));
    }

    ScopedScriptedDialogs quiet;
    frmMain main;
    installRooms(main);
    main.show();
    main.setStartupMenus();

    // What the database holds, the field opened and the word searched.
    const bool treesOnly = args.contains(QStringLiteral("--trees-only"));
    const Setting setting = chooseSetting(path, treesOnly);
    const QString &field = setting.field, &word = setting.word;
    std::printf("field \"%s\" (%d concepts) against the whole of GEMET; word \"%s\" finds %d concepts\n",
                qPrintable(field), setting.fieldSize, qPrintable(word), setting.found);

    // One run to warm the file cache.
    main.apriDatabase(path);
    openMapping(main, field);
    showNow();
    closeAll(main);

    if (treesOnly)
        return measureTrees(main, path, field, runCount, args.contains(QStringLiteral("--hold-index")));

    Timings t;
    QList<double> firstSearch, atOnce, plain, builtAfter, buildAlone, buildCpu;
    int nodes = 0, readyAtSearch = 0;
    for (int i = 0; i < runCount; ++i) {
        // First search three seconds after the trees are shown.
        QElapsedTimer opened;
        opened.start();
        openBoth(main, path, field, t);
        nodes = frmAlbero::rightWindow()->tree()->count() + frmAlbero::leftWindow()->tree()->count();
        const qint64 built = waitUntil(opened, opened.elapsed() + 3000);
        builtAfter << (built < 0 ? std::numeric_limits<double>::infinity() : double(built)); // inf: still running
        readyAtSearch += SearchIndex::exists(vConnection) || !SearchIndex::building(vConnection);
        firstSearch << searchOnce(frmAlbero::rightWindow(), word);
        closeAll(main);

        // First search at once, before the index is ready.
        main.apriDatabase(path);
        openMapping(main, field);
        showNow();
        atOnce << searchOnce(frmAlbero::rightWindow(), word);
        plain << timed([&] { Ricerca::eseguiSenzaIndice(vConnection, Ricerca::Campi{}, Ids::GEMET, word); });
        // The build alone, on the main thread, nothing else running.
        SearchIndex::drop(vConnection);
        const double build0 = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        buildAlone << timed([&] { SearchIndex::ensure(vConnection); });
        buildCpu << cpuMs(CLOCK_PROCESS_CPUTIME_ID) - build0;
        closeAll(main);
    }

    std::printf("%-58s %9.1f ms\n", "Project > Open", Bench::median(t.opens));
    std::printf("%-58s %9.1f ms  (%d nodes)\n", "Mapping > New, two trees shown", Bench::median(t.trees), nodes);
    std::printf("%-58s %9.1f ms\n", "  CPU time of the window's thread", Bench::median(t.treesCpu));
    std::printf("%-58s %9.1f ms  (index ready in %d of %d runs)\n", "first search, 3 s after the trees are shown",
                Bench::median(firstSearch), readyAtSearch, runCount);
    std::printf("%-58s %9.1f ms\n", "  index build finished, counted from Open", Bench::median(builtAfter));
    std::printf("%-58s %9.1f ms\n", "  index build alone (waited for, nothing else running)", Bench::median(buildAlone));
    std::printf("%-58s %9.1f ms\n", "    CPU time of the build", Bench::median(buildCpu));
    std::printf("%-58s %9.1f ms\n", "first search at once (index not ready yet)", Bench::median(atOnce));
    std::printf("%-58s %9.1f ms\n", "  the plain statement alone", Bench::median(plain));
    std::printf("medians of %d runs\n", runCount);
    Bench::figure("workday.open", Bench::median(t.opens), "ms", "-",
                  QStringLiteral("Working day: Project > Open of the large database (median of %1)").arg(runCount));
    Bench::figure("workday.trees", Bench::median(t.trees), "ms", "<600",
                  QStringLiteral("same, Mapping > New, two trees of %1 nodes shown").arg(Bench::thousands(nodes)));
    Bench::figure("workday.search", Bench::median(firstSearch), "ms", "<200",
                  QStringLiteral("same, first search 3 s after the trees (index ready in %1 of %2 runs)")
                      .arg(readyAtSearch)
                      .arg(runCount));
    Bench::figure("workday.index", Bench::median(builtAfter), "ms", "-",
                  QStringLiteral("same, search index built in the background, counted from Open"));
    Bench::figure("workday.search.atonce", Bench::median(atOnce), "ms", "-",
                  QStringLiteral("same, first search at once after the trees (the plain statement alone: %1 ms)")
                      .arg(Bench::median(plain), 0, 'f', 0));
    return 0;
}
