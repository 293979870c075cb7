#pragma once

#include "base/dialogs.h"
#include "tools/import_target.h"
#include "tools/skos_import.h"

#include <QString>
#include <memory>

class cConnessione;

// Project > Import thesaurus (SKOS), step by step, every question and the
// progress through the dialog seam: choose the file, the thesaurus and the
// database; read the file; analyse it against the database; ask what the
// summary raises; store; tell the outcome.  Each step returns false when the
// command ends there (after telling the user why, where there is a why).
class SkosImportCommand
{
public:
    static const QString kTitle; // "Import thesaurus (SKOS)"

    // open: the database the program has open, when it can be written to
    // (the import offers it first); null when there is none.
    explicit SkosImportCommand(cConnessione *open);
    ~SkosImportCommand();

    bool chooseFile();
    bool chooseThesaurus();
    bool chooseDatabase();
    bool read();
    bool analyse();
    bool confirm();
    bool store();
    void report();

    // All the steps in order; true when the thesaurus was stored.
    bool run();

    // After an import into a database that was not open: asks whether to open
    // it now and gives its path, or an empty string.
    QString databaseToOpen();

    const SkosImport::Result &result() const { return m_result; }
    QString file() const { return m_file; }
    int model() const { return m_model; }

private:
    cConnessione &db();
    bool fail(const SkosImport::Result &result);
    SkosImport::Progress showProgress(const QString &text);

    cConnessione *m_open;
    QString m_file;
    int m_model = 0;
    bool m_intoOpen = false;
    std::unique_ptr<ImportTarget> m_target;
    std::unique_ptr<SkosImport::Import> m_import;
    std::unique_ptr<Dialogs::Progress> m_progress;
    SkosImport::Result m_result;
};

// The thesaurus a file name suggests ("unesco-thesaurus.ttl" -> UNESCO),
// empty when it suggests none.
QString thesaurusOfFileName(const QString &file);
