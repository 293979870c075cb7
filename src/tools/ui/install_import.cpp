#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "data/schema.h"
#include "tools/jet_convert.h"
#include "tools/skos_import.h"
#include "tools/ui/install.h"
#include "widgets/ui/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>

using namespace mdlGlobale;

namespace {

const QString kImportTitle = QStringLiteral("Import thesaurus (SKOS)");

// A modal progress window with a Cancel button, kept responsive by the work
// it reports on.
class ProgressWindow
{
public:
    ProgressWindow(QWidget *parent, const QString &title, const QString &text)
        : m_dialog(text, QStringLiteral("Cancel"), 0, 100, parent)
    {
        m_dialog.setObjectName(QStringLiteral("dlgImportProgress"));
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
        m_dialog.show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::processEvents();
    }
    ~ProgressWindow() { QApplication::restoreOverrideCursor(); }

    bool update(int percent, const QString &text)
    {
        if (!text.isEmpty() && text != m_dialog.labelText())
            m_dialog.setLabelText(text);
        m_dialog.setValue(percent);
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

QString startFolder()
{
    return vDatabaseFolder.isEmpty() ? mdlUtil::CartellaApplicazione() : vDatabaseFolder;
}

// The thesaurus a file name suggests ("unesco-thesaurus.ttl" -> UNESCO).
QString guessThesaurus(const QString &file)
{
    const QString name = QFileInfo(file).fileName().toLower();
    for (int m : {Ids::EUROVOC, Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        if (name.contains(Ids::modelName(m)))
            return Ids::modelName(m).toUpper();
    return {};
}

void importSkos(MainFrame &w)
{
    const QString file = dialogs().openFile(
        kImportTitle, startFolder(),
        QStringLiteral("SKOS files (*.ttl *.rdf *.xml *.nt *.owl);;All files (*)"));
    if (file.isEmpty())
        return;

    const std::optional<QString> name =
        dialogs().input(QStringLiteral("Which thesaurus does the file hold? Type EUROVOC, ECLAS, ETT, UNESCO or GEMET:"),
                        kImportTitle, guessThesaurus(file));
    if (!name)
        return;
    const int model = SkosImport::modelFromName(*name);
    if (!model) {
        dialogs().message(QStringLiteral("Unknown thesaurus \"%1\": type EUROVOC, ECLAS, ETT, UNESCO or GEMET.")
                              .arg(name->trimmed()),
                          kImportTitle, Dialogs::Icon::Warning);
        return;
    }

    // Into the open database, or into another file (created when new).
    const bool haveOpen = vProjectOpen && vConnection.isOpen() && !vConnection.isReadOnly();
    bool intoOpen = false;
    if (haveOpen)
        intoOpen = dialogs().question(QStringLiteral("Import into the open database %1?\n"
                                                     "Answer No to choose another database file or to create a new one.")
                                          .arg(QDir::toNativeSeparators(vConnection.databasePath())),
                                      kImportTitle);
    QString target;
    bool created = false;
    std::unique_ptr<cConnessione> own;
    if (!intoOpen) {
        target = dialogs().saveFile(QStringLiteral("Database to import into"),
                                    QDir(startFolder()).filePath(Ids::modelName(model) + QStringLiteral(".sqlite")),
                                    QStringLiteral("SQLite database (*.sqlite *.sqlite3 *.db);;All files (*)"));
        if (target.isEmpty())
            return;
        if (haveOpen && QFileInfo(target) == QFileInfo(vConnection.databasePath())) {
            intoOpen = true;
        } else {
            try {
                if (!QFileInfo::exists(target)) {
                    cConnessione::createDatabaseFile(target);
                    created = true;
                }
                own = std::make_unique<cConnessione>();
                if (!own->ApriConnessione(cConnessione::connectionStringFor(target)))
                    throw DbError(3024, own->lastOpenError());
                if (created)
                    Schema::create(*own);
            } catch (const DbError &e) {
                own.reset();
                if (created)
                    QFile::remove(target);
                mdlUtil::MostraErrore(e);
                return;
            }
        }
    }
    cConnessione &db = intoOpen ? vConnection : *own;

    SkosImport::Result result;
    {
        ProgressWindow progress(&w, kImportTitle, QStringLiteral("Reading %1").arg(QFileInfo(file).fileName()));
        result = SkosImport::run(
            db, file, model, [&](int percent, const QString &stage) { return progress.update(percent, stage); },
            [](const QString &question) {
                // Replacing a thesaurus cannot be undone: Enter says No.
                return dialogs().question(question, kImportTitle, Dialogs::Icon::Warning, Dialogs::Answer::No);
            });
    }
    own.reset();
    if (result.status != SkosImport::Result::Status::Imported && created)
        QFile::remove(target);

    switch (result.status) {
    case SkosImport::Result::Status::Imported:
        dialogs().message(result.summary.text(), kImportTitle, Dialogs::Icon::Information);
        if (!intoOpen && !(vProjectOpen && vConnection.isOpen())
            && dialogs().question(QStringLiteral("Open the database %1 now?").arg(QDir::toNativeSeparators(target)),
                                  kImportTitle))
            w.apriDatabase(target);
        return;
    case SkosImport::Result::Status::Cancelled:
        dialogs().message(QStringLiteral("Import cancelled: the database was not changed."), kImportTitle);
        return;
    case SkosImport::Result::Status::Declined:
        dialogs().message(QStringLiteral("Nothing was imported: the database keeps its thesaurus."), kImportTitle);
        return;
    case SkosImport::Result::Status::Failed:
        dialogs().message(result.message + QStringLiteral("\nThe database was not changed."), kImportTitle,
                          Dialogs::Icon::Critical);
        return;
    }
}

// Project > Open on an Access file: offers to convert it beside itself.
QString convertJet(const QString &jetPath)
{
    QStringList tables;
    QString error;
    if (!Jet::tableNames(jetPath, tables, &error)) {
        dialogs().message(error, {}, Dialogs::Icon::Critical);
        return {};
    }
    const QStringList missing = Jet::missingThesaurusTables(tables);
    if (!missing.isEmpty()) {
        dialogs().message(QStringLiteral("The Access database %1 is not a thesaurus database: these tables are missing: %2.")
                              .arg(QFileInfo(jetPath).fileName(), missing.join(QStringLiteral(", "))),
                          {}, Dialogs::Icon::Warning);
        return {};
    }
    const QString out = Jet::convertedPath(jetPath);
    QString question = QStringLiteral("The file %1 is an Access (Jet) database.\n"
                                      "Convert it into a database of this program, %2, and open that?")
                           .arg(QFileInfo(jetPath).fileName(), QDir::toNativeSeparators(out));
    const bool replaces = QFileInfo::exists(out);
    if (replaces)
        question += QStringLiteral("\nThe file %1 already exists: it will be replaced.").arg(QFileInfo(out).fileName());
    if (!dialogs().question(question, {}, Dialogs::Icon::Question, replaces ? Dialogs::Answer::No : Dialogs::Answer::Yes))
        return {};

    Jet::Result r;
    {
        ProgressWindow progress(MainFrame::instance(), QStringLiteral("Convert Access database"),
                                QStringLiteral("Converting %1").arg(QFileInfo(jetPath).fileName()));
        r = Jet::convertThesaurus(jetPath, out, [&](int percent, const QString &table) {
            return progress.update(percent, table.isEmpty() ? QString() : QStringLiteral("Copying %1").arg(table));
        });
    }
    if (r.status != Jet::Result::Status::Converted) {
        dialogs().message(r.message, {}, r.status == Jet::Result::Status::Cancelled ? Dialogs::Icon::None
                                                                                     : Dialogs::Icon::Critical);
        return {};
    }
    return out;
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
    Progetto::setJetConverter(convertJet);
}
