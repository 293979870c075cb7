#pragma once

#include "tools/skos_plan.h"
#include "tools/skos_reader.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class cConnessione;

// Imports a SKOS thesaurus into a thesaurus database as one of the program's
// models.  The rows and the tree come from SkosPlan; labels, notes and
// definitions become text values per language, broader/narrower/related
// links become link values.  Everything is written in one transaction.
namespace SkosImport {

// The model id of a thesaurus name ("unesco", "EUROVOC"...), 0 when unknown.
int modelFromName(const QString &name);

struct Summary
{
    QString database;
    int model = 0;
    int concepts = 0;
    int groups = 0;
    int topGroups = 0;
    int topConcepts = 0;
    // The tree: concepts the alignment window reaches, and the others by reason.
    int inTree = 0;
    int outsideNoPath = 0, outsideDangling = 0, outsideCycle = 0, outsideNoField = 0;
    int labels = 0;
    QMap<QString, int> labelsByLanguage; // lang.name -> count ("" for labels without a language)
    int hiddenLabels = 0;
    int definitions = 0;
    int notes = 0;
    int links = 0;
    int broaderLinks = 0, narrowerLinks = 0, relatedLinks = 0;
    qint64 statements = 0;
    // Statements not stored.
    qint64 notUsed = 0;          // not thesaurus content: metadata, types, properties the database does not hold
    qint64 repeated = 0;         // the same statement again, or a SKOS-XL label equal to a plain one
    qint64 refusedInvalid = 0;   // a value of the wrong kind
    qint64 refusedDangling = 0;  // links to resources that are not concepts of the file
    qint64 refusedSelf = 0;      // links of a concept to itself
    qint64 refusedNoText = 0;    // SKOS-XL labels without a literal form, notes without a value
    int deprecated = 0;          // deprecated concepts, not imported
    int viewGroups = 0;          // groupings that are not levels of the tree
    int cycleLinks = 0;          // broader links not followed in the tree: they would close a cycle
    QStringList problems;        // examples of the above, for the user
    // Re-import.
    bool replaced = false;
    int keptIds = 0;      // concepts of the earlier edition matched by URI
    int removed = 0;      // concepts of the earlier edition no longer in the file
    int relationsKept = 0;
    QStringList vanishedRelations; // relations whose concept is no longer in the file

    int outside() const { return outsideNoPath + outsideDangling + outsideCycle + outsideNoField; }
    qint64 refused() const { return refusedInvalid + refusedDangling + refusedSelf + refusedNoText; }
    // The tree and the rows, as the user sees them before and after storing.
    QStringList treeLines() const;
    QString text() const;
};

struct Result
{
    enum class Status { Imported, Cancelled, Declined, Failed } status = Status::Imported;
    QString message; // why it failed
    int line = 0;    // line of a syntax error in the file
    Summary summary;
    bool ok() const { return status == Status::Imported; }
};

// Progress in percent with a word on the current stage; returning false
// cancels the import, which then leaves the database as it was.
using Progress = std::function<bool(int percent, const QString &stage)>;
// Asked before storing a thesaurus outside the tree and before a thesaurus
// already in the database is replaced; false stops the import.
using Confirm = std::function<bool(const QString &question)>;

// One import, step by step: read the file, analyse it against the
// database, ask what the summary raises, store.  Each step returns a result
// whose status is Imported when the next step may follow.
class Import
{
public:
    Import(const QString &file, int model);

    // Reads the file (the first 55% of the progress).
    Result read(const Progress &progress = {});
    // Works out the rows and the tree, and what the database already holds.
    // Reads only.
    Result analyse(cConnessione &db);
    // The warning to show before storing a file whose concepts would all be
    // outside the tree; empty when there is none.
    QString outsideWarning() const;
    // The question to ask before replacing the model's earlier edition;
    // empty when the database holds none.
    QString replaceQuestion() const;
    // Writes everything in one transaction (the rest of the progress).
    Result store(cConnessione &db, const Progress &progress = {});

    const Summary &summary() const { return m_summary; }
    const SkosPlan::Plan &plan() const { return m_plan; }

private:
    Result failed(const QString &message) const;
    void assignIds(cConnessione &db);
    void retireEdition(cConnessione &db);
    void writeRows(cConnessione &db, const Progress &progress);
    void countNotUsed();

    QString m_file;
    int m_model;
    Skos::Graph m_graph;
    SkosPlan::Plan m_plan;
    Summary m_summary;
    QHash<QString, qint64> m_edition; // uri -> id of the model's rows already in the database
    QVector<qint64> m_editionIds;
    QSet<qint64> m_reused;
};

// The whole import in one call: read, analyse, confirm, store.
Result run(cConnessione &db, const QString &file, int model, const Progress &progress = {},
           const Confirm &confirm = {});

} // namespace SkosImport
