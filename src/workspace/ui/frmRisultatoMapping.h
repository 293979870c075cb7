#pragma once

#include "workspace/mappingeditor.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The mapping editor: one top-level window where a source concept, a target
// concept, a relation and notes are put together and stored.  The alignment
// windows fill it and show it modeless; the report opens it modally on an
// existing relation.  Saving and the hide button hide it; closing it with
// the window's close box unloads it, and the next use makes a fresh one.
class frmRisultatoMapping : public QDialog
{
    Q_OBJECT
public:
    // The one editor, created (loaded) on first use.
    static frmRisultatoMapping *instance();
    // The editor when it is loaded, null otherwise.
    static frmRisultatoMapping *existing();

    // An alignment window's current concept goes into the source box
    // (txtEurovoc) only.
    void putSource(const QString &text);
    // The target window's current concept goes into txtTarget, and the
    // window's caption into Label2; nothing else changes.
    void putTarget(const QString &caption, const QString &text);
    // Shows the editor without blocking its caller.
    void showModeless();
    // Opens the editor on an existing relation: vEditRelationId = id, the
    // four boxes take the row's texts, the target box's heading names the
    // row's thesaurus, and the editor is shown modally; returns when it is
    // hidden or closed.  Only the relation can be changed then: the concept
    // boxes and the notes are read-only.  seenProperty is the relation's kind
    // as the row was read: Save changes the relation only while it still is.
    // Gives the kind stored, nullopt when nothing was stored.
    std::optional<qint32> showModalForEdit(qint32 id, const QString &eurovoc, const QString &relation, const QString &target,
                          const QString &notes, const QString &thesaurus = {},
                          std::optional<qint32> seenProperty = std::nullopt);

    // True when the boxes hold something that was neither saved nor as the
    // editor was filled (a pair in progress, notes, a changed relation).
    bool hasUnsavedRelation() const;
    // Save stays off while no database is open.
    void setDatabaseOpen(bool open);
    // A database was opened: Save comes back, and a pair put together on
    // another database is emptied.
    void databaseOpened(const QString &name);

    ~frmRisultatoMapping() override;

public slots:
    void cmbRelazione_Click();
    void cmdSalva_Click();
    void cmdNascondi_Click();
    void reject() override;

private:
    explicit frmRisultatoMapping(QWidget *parent);
    void clearAfterSave();
    // Empty boxes, out of edit mode, nothing unsaved.
    void emptyBoxes();
    MappingEditor::Boxes boxes() const;
    // Edit mode: the concept boxes and the notes read-only, with a tool tip.
    void setEditMode(bool editing);
    // Leaves the edit of a report row before a new pair is put together.
    void leaveEditMode();

    MappingEditor::Boxes m_clean; // the boxes as last filled, saved or emptied
    QString m_pairFrom;           // the database the boxes' concepts come from ("" when empty)
    std::optional<qint32> m_seenProperty; // the edited relation's kind as it was read
    std::optional<qint32> *m_storedTo = nullptr; // where showModalForEdit wants the kind an edit stored

    QLabel *Label1;
    QLineEdit *txtEurovoc;
    QComboBox *cmbRelazione;
    QLabel *Label2;
    QLineEdit *txtTarget;
    QLabel *Label4;
    QLabel *Label3;
    QPlainTextEdit *txtNotes;
    QPushButton *cmdSalva;
    QPushButton *cmdNascondi;
};
