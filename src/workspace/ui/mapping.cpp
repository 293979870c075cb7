#include "workspace/ui/mapping.h"

#include "base/attesa.h"
#include "data/mdlGlobale.h"
#include "widgets/ui/MainFrame.h"
#include "workspace/treeload.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmScegli.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

using namespace mdlGlobale;

namespace {

// The program-wide hand-over values keep saying which window is being loaded
// and how, as they always have; the window itself goes by the request.
const TreeLoad::Request &handOver(const TreeLoad::Request &request)
{
    vTreeSide = request.side;
    vTreeCaption = request.caption;
    vRootQuery = request.rootQuery;
    vRootParams = request.rootParams;
    return request;
}

} // namespace

void mnuToolsNuovoMapping_Click()
{
    MainFrame *main = MainFrame::instance();
    vSourceName.clear();
    vTargetName.clear();

    bool confirmed = false;
    {
        frmScegli choice(main);
        choice.exec();
        confirmed = choice.vScegliOK;
    }
    if (confirmed) {
        vSourceName = AlberoQuery::sourceSide();
        vTargetName = AlberoQuery::targetName(vTargetModel);
    }
    if (vSourceName.isEmpty() || vTargetName.isEmpty())
        return;

    Attesa::Clessidra wait;
    frmAlbero::carica(handOver(TreeLoad::targetRequest(vTargetModel, vTargetSubset)));
    frmAlbero *left = frmAlbero::carica(handOver(TreeLoad::sourceRequest(vEurovocField)));

    if (!main)
        return;
    main->setStatusText(QStringLiteral("Mapping project: ") + vSourceName + QStringLiteral(" VS ") + vTargetName);
    main->repaintStatus();
    // The EUROVOC window, loaded last, is the active one and so comes first.
    if (frmAlbero *right = frmAlbero::rightWindow())
        if (auto *sub = qobject_cast<QMdiSubWindow *>(right->parentWidget()))
            main->area()->setActiveSubWindow(sub);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(left->parentWidget()))
        main->area()->setActiveSubWindow(sub);
    main->tileVertically();
}
