#include "workspace/ui/mapping.h"

#include "base/attesa.h"
#include "data/mdlGlobale.h"
#include "widgets/ui/MainFrame.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"
#include "workspace/ui/frmScegli.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

using namespace mdlGlobale;

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
    vTreeSide = AlberoQuery::targetSide();
    vTreeCaption = vTargetName;
    AlberoQuery::Query q = AlberoQuery::targetRoot(vTargetModel, vTargetSubset);
    vRootQuery = q.sql;
    vRootParams = q.params;
    frmAlbero::carica(false);

    vTreeSide = AlberoQuery::sourceSide();
    vTreeCaption = vSourceName;
    q = AlberoQuery::eurovocRoot(vEurovocField);
    vRootQuery = q.sql;
    vRootParams = q.params;
    frmAlbero *left = frmAlbero::carica(true);

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
