#include "suggest/ui/install.h"

#include "base/twips.h"
#include "suggest/fieldreview.h"
#include "suggest/ui/frmRevisione.h"
#include "suggest/ui/frmSuggerimenti.h"
#include "widgets/ui/MainFrame.h"
#include "workspace/ui/frmAlbero.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>

namespace {

const QString SuggestCaption = QStringLiteral("Suggest targets");

// The eurovoc window's button, in the free place of its left button column
// below "Mark all the nodes involved in the project".
void addButton(frmAlbero *window)
{
    if (!window || !window->isLeftWindow() || window->findChild<QPushButton *>(QStringLiteral("cmdSuggerisci")))
        return;
    auto *b = new QPushButton(QStringLiteral("Suggest"), window);
    QFont small = b->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    b->setFont(small);
    b->setObjectName(QStringLiteral("cmdSuggerisci"));
    b->setToolTip(SuggestCaption);
    b->setAccessibleName(SuggestCaption);
    b->setGeometry(Twips::rect(120, 3600, 735, 495));
    b->show();
    QObject::connect(b, &QPushButton::clicked, window, [] { suggestTargets(); });
}

} // namespace

void installSuggest(MainFrame &main)
{
    // Each item follows its menu's state (enabled only while a database is
    // open); in Utilities it stands before the mapping import, which stays last.
    auto add = [&main](const char *menuName, const char *name, const QString &caption, const QKeySequence &keys,
                       const char *before) -> QAction * {
        QMenu *menu = main.menu(QString::fromLatin1(menuName));
        if (!menu)
            return nullptr;
        QAction *a = new QAction(caption, menu);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        a->setToolTip(caption.endsWith(QLatin1String("...")) ? caption.chopped(3) : caption);
        a->setEnabled(menu->isEnabled());
        QAction *next = before ? main.action(QString::fromLatin1(before)) : nullptr;
        menu->insertAction(next, a);
        return a;
    };
    if (QAction *a = add("mnuTools", "mnuSuggerisciTarget", SuggestCaption, QKeySequence(Qt::CTRL | Qt::Key_T), nullptr))
        QObject::connect(a, &QAction::triggered, &main, [] { suggestTargets(); });
    if (QAction *a = add("mnuUtility", "mnuSuggerisciCampo", QStringLiteral("Suggest relations for a field..."),
                         QKeySequence(Qt::CTRL | Qt::Key_G), "mnuUtilitySep1")) {
        auto *separator = new QAction(a->parent());
        separator->setSeparator(true);
        separator->setObjectName(QStringLiteral("mnuUtilitySepSuggest"));
        static_cast<QMenu *>(a->parent())->insertAction(a, separator);
        QObject::connect(a, &QAction::triggered, &main, [] { suggestRelationsForField(); });
    }

    // The eurovoc window gets its button once it has joined the area: the
    // activation comes while the area is still placing the window, so the
    // button is added from the event loop, after that.
    if (QMdiArea *area = main.area())
        QObject::connect(area, &QMdiArea::subWindowActivated, &main, [area](QMdiSubWindow *) {
            QMetaObject::invokeMethod(
                area,
                [area] {
                    for (QMdiSubWindow *sub : area->subWindowList())
                        addButton(qobject_cast<frmAlbero *>(sub->widget()));
                },
                Qt::QueuedConnection);
        });
    QObject::connect(&main, &MainFrame::databaseClosed, &main, [] { Suggest::forgetCurrentMatcher(); });
    QObject::connect(&main, &MainFrame::databaseOpened, &main, [] { Suggest::forgetCurrentMatcher(); });
}
