// Mapping > Report on 100,000 relations: opening and filling the report,
// sorting by a header press, and moving the row mark.
#include "base/dialogs.h"
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "data/schema.h"
#include "report/ui/frmReportMapping.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/FlexGrid.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace mdlGlobale;

namespace {

constexpr int Relations = 100000;
constexpr int Concepts = 5000;

void fillDatabase(const QString &path)
{
    cConnessione::createDatabaseFile(path);
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        qFatal("cannot open %s", qPrintable(path));
    Schema::create(c);
    c.beginTransaction();
    QSqlQuery conceptInsert = c.prepare(QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                                                 "values (?, ?, null, ?, 1, ?)"));
    for (int i = 1; i <= Concepts; ++i) {
        c.exec(conceptInsert, {i, Ids::EUROVOC, QStringLiteral("Eurovoc concept %1").arg(i * 7919 % 100003),
                         QStringLiteral("http://eurovoc.europa.eu/%1").arg(i)});
        const int model = i % 2 ? Ids::ECLAS : Ids::GEMET;
        c.exec(conceptInsert, {Concepts + i, model, QStringLiteral("target concept %1").arg(i * 104729 % 100019),
                         QStringLiteral("http://target/%1").arg(i)});
    }
    QSqlQuery relation = c.prepare(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                                  "right_concept_ref, property_ref, notes) values (?, ?, ?, ?, ?, ?)"));
    const int properties[3] = {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};
    for (int i = 1; i <= Relations; ++i) {
        const int right = 1 + (i * 31) % Concepts;
        c.exec(relation, {i, right % 2 ? 1 : 4, 1 + (i * 17) % Concepts, Concepts + right, properties[i % 3],
                          i % 5 ? QVariant(QStringLiteral("note %1").arg(i)) : QVariant()});
    }
    c.commit();
    c.ChiudiConnessione();
}

void pressHeader(FlexGrid *g, int column)
{
    QHeaderView *h = g->horizontalHeader();
    g->scrollTo(g->gridModel()->index(0, column - 1));
    const QPointF p(std::max(0, h->sectionViewportPosition(column - 1)) + 12, h->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, p, h->viewport()->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(h->viewport(), &press);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ScopedScriptedDialogs quiet;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.sqlite"));
    QElapsedTimer t;
    t.start();
    fillDatabase(path);
    std::printf("database of %d relations filled in %lld ms\n", Relations, static_cast<long long>(t.elapsed()));

    RiempiRelazioni();
    if (!vConnection.ApriConnessione(cConnessione::connectionStringFor(path)))
        qFatal("cannot open the database");
    vProjectOpen = true;
    frmMain main;
    installRooms(main);
    main.setDatabaseMenus(true);
    main.resize(1280, 900);
    main.show();
    QAction *report = main.action(QStringLiteral("mnuToolsMappingEffettuato"));

    std::vector<double> open, refill, sortNumeric, sortText, mark;
    for (int run = 0; run < 5; ++run) {
        t.restart();
        report->trigger();
        QCoreApplication::processEvents(); // paint the window
        const double ms = t.nsecsElapsed() / 1e6;
        FlexGrid *g = frmReportMapping::existing()->grid();
        if (g->rows() != Relations + 1)
            qFatal("the report lists %d rows", g->rows() - 1);
        if (run == 0)
            open.push_back(ms);
        else
            refill.push_back(ms);
    }
    FlexGrid *g = frmReportMapping::existing()->grid();
    for (int run = 0; run < 5; ++run) {
        t.restart();
        pressHeader(g, 2);
        QCoreApplication::processEvents();
        sortText.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        pressHeader(g, 1);
        QCoreApplication::processEvents();
        sortNumeric.push_back(t.nsecsElapsed() / 1e6);
        if (g->textMatrix(1, 1) != QStringLiteral("1") || g->textMatrix(Relations, 1) != QString::number(Relations))
            qFatal("numeric sort gave the wrong order");
    }
    g->setFocus();
    for (int run = 0; run < 21; ++run) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        t.restart();
        QCoreApplication::sendEvent(g, &down);
        QCoreApplication::processEvents();
        mark.push_back(t.nsecsElapsed() / 1e6);
    }
    if (frmReportMapping::existing()->vGridMarkedRow != 22)
        qFatal("the mark is on row %d", frmReportMapping::existing()->vGridMarkedRow);

    std::printf("report opened and filled (first time):  %8.1f ms\n", open.front());
    std::printf("report refilled (median of 4):          %8.1f ms\n", Bench::median(refill));
    std::printf("header sort, text column (median of 5): %8.1f ms\n", Bench::median(sortText));
    std::printf("header sort, Record column (median 5):  %8.1f ms\n", Bench::median(sortNumeric));
    std::printf("row-mark change (median of 21):         %8.3f ms\n", Bench::median(mark));
    Bench::figure("report.open", open.front(), "ms", "<1000", QStringLiteral("Report of 100,000 relations, first time"));
    Bench::figure("report.refill", Bench::median(refill), "ms", "<1000",
                  QStringLiteral("same, refilled (menu again, median of 4)"));
    Bench::figure("report.sort.text", Bench::median(sortText), "ms", "<500",
                  QStringLiteral("Header sort of that report, text column (median of 5)"));
    Bench::figure("report.sort.record", Bench::median(sortNumeric), "ms", "<500",
                  QStringLiteral("same, Record column (median of 5)"));
    Bench::figure("report.mark", Bench::median(mark), "ms", "-", QStringLiteral("Row-mark change in that report (median of 21)"));
    return 0;
}
