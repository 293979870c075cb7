#include "tools/skos_command.h"

#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"

#include <QDir>
#include <QFileInfo>

const QString SkosImportCommand::kTitle = QStringLiteral("Import thesaurus (SKOS)");

namespace {

// The five thesauri, in the order the choice lists them.
const int kModels[] = {Ids::EUROVOC, Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET};

QString startFolder()
{
    return mdlGlobale::vDatabaseFolder.isEmpty() ? mdlUtil::CartellaApplicazione() : mdlGlobale::vDatabaseFolder;
}

} // namespace

QString thesaurusOfFileName(const QString &file)
{
    const QString name = QFileInfo(file).fileName().toLower();
    for (int m : kModels)
        if (name.contains(Ids::modelName(m)))
            return Ids::modelName(m).toUpper();
    return {};
}

SkosImportCommand::SkosImportCommand(cConnessione *open) : m_open(open) {}

SkosImportCommand::~SkosImportCommand() = default;

cConnessione &SkosImportCommand::db()
{
    return m_intoOpen ? *m_open : m_target->db();
}

SkosImport::Progress SkosImportCommand::showProgress(const QString &text)
{
    m_progress = dialogs().progress(kTitle, text, 100);
    Dialogs::Progress *p = m_progress.get();
    return [p](int percent, const QString &stage) {
        if (!stage.isEmpty())
            p->setText(stage);
        p->setValue(percent);
        return !p->cancelled();
    };
}

bool SkosImportCommand::fail(const SkosImport::Result &result)
{
    using Status = SkosImport::Result::Status;
    m_result = result;
    m_progress.reset();
    if (m_target)
        m_target->discard(); // a new database goes with its journal
    switch (result.status) {
    case Status::Imported: return true;
    case Status::Cancelled:
        dialogs().message(QStringLiteral("Import cancelled: the database was not changed."), kTitle);
        break;
    case Status::Declined:
        dialogs().message(QStringLiteral("Nothing was imported: the database keeps its thesaurus."), kTitle);
        break;
    case Status::Failed:
        dialogs().message(result.message + QStringLiteral("\nThe database was not changed."), kTitle,
                          Dialogs::Icon::Critical);
        break;
    }
    return false;
}

bool SkosImportCommand::chooseFile()
{
    m_file = dialogs().openFile(kTitle, startFolder(),
                                QStringLiteral("SKOS files (*.ttl *.rdf *.xml *.nt *.owl);;All files (*)"));
    return !m_file.isEmpty();
}

bool SkosImportCommand::chooseThesaurus()
{
    QStringList items;
    for (int m : kModels)
        items << Ids::modelName(m).toUpper();
    const int guessed = static_cast<int>(items.indexOf(thesaurusOfFileName(m_file)));
    const std::optional<QString> chosen = dialogs().chooseItem(QStringLiteral("Which thesaurus does the file hold?"),
                                                               kTitle, items, std::max(guessed, 0));
    if (!chosen)
        return false;
    m_model = SkosImport::modelFromName(*chosen);
    return m_model != 0;
}

bool SkosImportCommand::read()
{
    m_import = std::make_unique<SkosImport::Import>(m_file, m_model);
    const SkosImport::Result r =
        m_import->read(showProgress(QStringLiteral("Reading %1").arg(QFileInfo(m_file).fileName())));
    m_progress.reset();
    return r.ok() ? (m_result = r, true) : fail(r);
}

bool SkosImportCommand::chooseDatabase()
{
    // Into the open database, or into another file (made when new).
    if (m_open)
        m_intoOpen = dialogs().question(QStringLiteral("Import into the open database %1?\n"
                                                       "Answer No to choose another database file or to create a new one.")
                                            .arg(QDir::toNativeSeparators(m_open->databasePath())),
                                        kTitle);
    if (m_intoOpen)
        return true;
    const QString path =
        dialogs().saveFile(QStringLiteral("Database to import into"),
                           QDir(startFolder()).filePath(Ids::modelName(m_model) + QStringLiteral(".sqlite")),
                           QStringLiteral("SQLite database (*.sqlite *.sqlite3 *.db);;All files (*)"));
    if (path.isEmpty())
        return false;
    if (m_open && QFileInfo(path) == QFileInfo(m_open->databasePath())) {
        m_intoOpen = true;
        return true;
    }
    m_target = std::make_unique<ImportTarget>(path);
    QString error;
    if (!m_target->open(&error)) {
        dialogs().message(error, kTitle, Dialogs::Icon::Critical);
        return false;
    }
    return true;
}

bool SkosImportCommand::analyse()
{
    const SkosImport::Result r = m_import->analyse(db());
    return r.ok() ? (m_result = r, true) : fail(r);
}

bool SkosImportCommand::confirm()
{
    // Both questions come before something that cannot be undone: No is the
    // answer Enter gives.
    for (const QString &question : {m_import->outsideWarning(), m_import->replaceQuestion()})
        if (!question.isEmpty()
            && !dialogs().question(question, kTitle, Dialogs::Icon::Warning, Dialogs::Answer::No))
            return fail({SkosImport::Result::Status::Declined, {}, 0, m_import->summary()});
    return true;
}

bool SkosImportCommand::store()
{
    SkosImport::Result r = m_import->store(db(), showProgress(QStringLiteral("Storing the thesaurus")));
    m_progress.reset();
    QString error;
    if (r.ok() && m_target) {
        if (m_target->finish(&error)) {
            r.summary.database = m_target->path(); // the name it has now, not the one it was made under
        } else {
            r.status = SkosImport::Result::Status::Failed;
            r.message = error;
        }
    }
    return r.ok() ? (m_result = r, true) : fail(r);
}

void SkosImportCommand::report()
{
    dialogs().message(m_result.summary.text(), kTitle, Dialogs::Icon::Information);
}

bool SkosImportCommand::run()
{
    if (!chooseFile() || !chooseThesaurus() || !read() || !chooseDatabase() || !analyse() || !confirm() || !store())
        return false;
    report();
    return true;
}

QString SkosImportCommand::databaseToOpen()
{
    if (m_intoOpen || !m_target || !m_result.ok())
        return {};
    const QString path = m_target->path();
    if (!dialogs().question(QStringLiteral("Open the database %1 now?").arg(QDir::toNativeSeparators(path)), kTitle))
        return {};
    return path;
}
