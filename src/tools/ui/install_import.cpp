#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "data/mdlGlobale.h"
#include "tools/jet_command.h"
#include "tools/skos_command.h"
#include "tools/ui/install.h"
#include "widgets/ui/MainFrame.h"

#include <QAction>
#include <QMenu>

using namespace mdlGlobale;

namespace {

void importSkos(MainFrame &w)
{
    const bool open = vProjectOpen && vConnection.isOpen();
    SkosImportCommand command(open && !vConnection.isReadOnly() ? &vConnection : nullptr);
    if (!command.run() || open)
        return;
    const QString created = command.databaseToOpen();
    if (!created.isEmpty())
        w.apriDatabase(created);
}

} // namespace

void installImport(MainFrame &w)
{
    QMenu *project = w.menu(QStringLiteral("mnuProgetto"));
    QAction *separator = w.action(QStringLiteral("mnuProgettoSep0"));
    if (project) {
        auto *item = new QAction(QStringLiteral("Import thesaurus (SKOS)..."), project);
        item->setObjectName(QStringLiteral("mnuProgettoImportaSkos"));
        item->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
        project->insertAction(separator, item);
        QObject::connect(item, &QAction::triggered, &w, [&w] { importSkos(w); });
    }
    Progetto::setJetConverter([](const QString &jetPath) { return JetConversionCommand(jetPath).run(); });
}
