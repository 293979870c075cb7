#include "base/attesa.h"
#include "tools/cancellazione.h"
#include "tools/esportazione.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"
#include "tools/ui/install.h"
#include "tools/unione.h"
#include "widgets/ui/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>

void installTools(MainFrame &main)
{
    const struct {
        const char *action;
        void (*command)();
    } items[] = {{"mnuToolsEsportazioneSKOS", &Esportazione::EsportaXML},
                 {"mnuToolsEsportazioneHTML", &Esportazione::EsportaHTML},
                 {"mnuUtilityMergeDatabase", &Unione::UnisciDatabase},
                 {"mnuUtilityDelete", &Cancellazione::CancellaRelazioni}};
    for (const auto &item : items) {
        QAction *a = main.action(QString::fromLatin1(item.action));
        if (a)
            QObject::connect(a, &QAction::triggered, &main, item.command);
    }

    // The exchange formats: four exports below the two of the Export menu, and
    // the import at the end of the Utilities menu.  Each item follows its
    // menu's state (enabled only while a database is open).
    auto append = [&main](const char *menuName, const char *name, const QString &caption) -> QAction * {
        QMenu *menu = main.menu(QString::fromLatin1(menuName));
        if (!menu)
            return nullptr;
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(menu->isEnabled());
        return a;
    };
    using MappingFormats::Formato;
    const struct {
        const char *name;
        const char *caption;
        Formato formato;
    } exports[] = {{"mnuEsportaSkosTurtle", "as SKOS (&Turtle)...", Formato::SkosTurtle},
                   {"mnuEsportaSkosRdfXml", "as SKOS (&RDF/XML)...", Formato::SkosRdfXml},
                   {"mnuEsportaSssom", "as &SSSOM (TSV)...", Formato::Sssom},
                   {"mnuEsportaCsv", "as &CSV...", Formato::Csv}};
    if (QMenu *menu = main.menu(QStringLiteral("mnuExport")))
        menu->addSeparator()->setObjectName(QStringLiteral("mnuExportSep0"));
    for (const auto &item : exports) {
        const Formato formato = item.formato;
        if (QAction *a = append("mnuExport", item.name, QString::fromLatin1(item.caption)))
            QObject::connect(a, &QAction::triggered, &main, [formato] { MappingFormats::Esporta(formato); });
    }
    if (QMenu *menu = main.menu(QStringLiteral("mnuUtility")))
        menu->addSeparator()->setObjectName(QStringLiteral("mnuUtilitySep1"));
    if (QAction *a = append("mnuUtility", "mnuUtilityImportaMapping",
                            QStringLiteral("&Import mapping relations (SKOS or SSSOM)...")))
        QObject::connect(a, &QAction::triggered, &main, &MappingImport::ImportaMapping);
}
