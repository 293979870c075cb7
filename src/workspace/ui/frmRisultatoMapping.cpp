#include "workspace/ui/frmRisultatoMapping.h"

#include "base/twips.h"
#include "data/mdlGlobale.h"
#include "widgets/ui/MainFrame.h"
#include "widgets/ui/pictures.h"
#include "widgets/ui/widgets.h"
#include "workspace/mappingeditor.h"

#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

using namespace mdlGlobale;

namespace {

QPointer<frmRisultatoMapping> g_editor;

} // namespace

frmRisultatoMapping *frmRisultatoMapping::instance()
{
    if (!g_editor)
        g_editor = new frmRisultatoMapping(MainFrame::instance());
    return g_editor.data();
}

frmRisultatoMapping *frmRisultatoMapping::existing()
{
    return g_editor.data();
}

frmRisultatoMapping::frmRisultatoMapping(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)
{
    setObjectName(QStringLiteral("frmRisultatoMapping"));
    setWindowTitle(QStringLiteral("Mapping"));
    setAttribute(Qt::WA_DeleteOnClose, true);
    setModal(false);
    setFixedSize(Twips::toPixels(10545), Twips::toPixels(2955));

    Label1 = new QLabel(QStringLiteral("eurovoc"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(120, 0, 1695, 255));

    txtEurovoc = new QLineEdit(this);
    txtEurovoc->setObjectName(QStringLiteral("txtEurovoc"));
    txtEurovoc->setGeometry(Twips::rect(120, 360, 3495, 375));

    cmbRelazione = new QComboBox(this);
    cmbRelazione->setObjectName(QStringLiteral("cmbRelazione"));
    cmbRelazione->setEditable(true);
    cmbRelazione->setInsertPolicy(QComboBox::NoInsert); // typed texts never join the list
    cmbRelazione->setGeometry(Twips::rect(3720, 360, 2055, 315));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(Twips::rect(5880, 0, 2415, 255));

    txtTarget = new QLineEdit(this);
    txtTarget->setObjectName(QStringLiteral("txtTarget"));
    txtTarget->setGeometry(Twips::rect(5880, 360, 3495, 375));

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(Twips::rect(120, 840, 3495, 255));

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setGeometry(Twips::rect(120, 1200, 9255, 615));

    txtNotes = new QPlainTextEdit(this);
    txtNotes->setObjectName(QStringLiteral("txtNotes"));
    txtNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtNotes->setTabChangesFocus(true);
    txtNotes->setGeometry(Twips::rect(120, 2040, 9375, 735));

    cmdSalva = Widgets::pictureButton(this, "cmdSalva", "save", QStringLiteral("Save mapping relation"),
                             QStringLiteral("Save"), Twips::rect(9600, 120, 735, 495));
    cmdNascondi = Widgets::pictureButton(this, "cmdNascondi", "hide", QStringLiteral("Hide this window"),
                                QStringLiteral("Hide"), Twips::rect(9600, 720, 735, 495));

    connect(cmbRelazione, &QComboBox::activated, this, &frmRisultatoMapping::cmbRelazione_Click);
    connect(cmdSalva, &QPushButton::clicked, this, &frmRisultatoMapping::cmdSalva_Click);
    connect(cmdNascondi, &QPushButton::clicked, this, &frmRisultatoMapping::cmdNascondi_Click);
    auto *save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, &frmRisultatoMapping::cmdSalva_Click);

    // Load: the relation list, with the design text left in the box.
    if (vRelationNames.size() != 3)
        RiempiRelazioni();
    cmbRelazione->addItems(vRelationNames);
    cmbRelazione->setCurrentIndex(-1);
    cmbRelazione->setEditText(QString::fromLatin1(MappingEditor::NoRelationText));
    m_clean = boxes();

    // Saving needs the database; the editor stays open when it is closed.
    if (MainFrame *main = MainFrame::instance()) {
        connect(main, &MainFrame::databaseClosed, this, [this] { setDatabaseOpen(false); });
        connect(main, &MainFrame::databaseOpened, this, &frmRisultatoMapping::databaseOpened);
    }
    setDatabaseOpen(vConnection.isOpen());
}

frmRisultatoMapping::~frmRisultatoMapping() = default;

MappingEditor::Boxes frmRisultatoMapping::boxes() const
{
    return {txtEurovoc->text(), txtTarget->text(), cmbRelazione->currentText(), txtNotes->toPlainText()};
}

bool frmRisultatoMapping::hasUnsavedRelation() const
{
    return MappingEditor::unsaved(boxes(), m_clean);
}

void frmRisultatoMapping::setDatabaseOpen(bool open)
{
    cmdSalva->setEnabled(open);
}

void frmRisultatoMapping::setEditMode(bool editing)
{
    const QString tip = editing ? QStringLiteral("Only the relation is changed here: the concepts and the notes "
                                                 "of a stored relation stay as they are.")
                                : QString();
    txtEurovoc->setReadOnly(editing);
    txtTarget->setReadOnly(editing);
    txtNotes->setReadOnly(editing);
    for (QWidget *w : std::initializer_list<QWidget *>{txtEurovoc, txtTarget, txtNotes})
        w->setToolTip(tip);
}

void frmRisultatoMapping::leaveEditMode()
{
    if (vEditRelationId <= 0 && !txtEurovoc->isReadOnly())
        return;
    // What the boxes show belongs to the report's row, which a new pair must
    // not update: start the new relation from empty boxes.
    vEditRelationId = 0;
    emptyBoxes();
}

void frmRisultatoMapping::putSource(const QString &text)
{
    leaveEditMode();
    txtEurovoc->setText(text);
    m_pairFrom = vConnection.databasePath();
}

void frmRisultatoMapping::putTarget(const QString &caption, const QString &text)
{
    leaveEditMode();
    txtTarget->setText(text);
    m_pairFrom = vConnection.databasePath();
    Label2->setText(caption);
}

void frmRisultatoMapping::showModeless()
{
    show();
    raise();
    activateWindow();
}

std::optional<qint32> frmRisultatoMapping::showModalForEdit(qint32 id, const QString &eurovoc, const QString &relation,
                                           const QString &target, const QString &notes, const QString &thesaurus,
                                           std::optional<qint32> seenProperty)
{
    vEditRelationId = id;
    m_seenProperty = seenProperty;
    txtEurovoc->setText(eurovoc);
    txtTarget->setText(target);
    cmbRelazione->setEditText(relation);
    txtNotes->setPlainText(notes);
    // The heading names the row's thesaurus, not that of the last alignment window.
    Label2->setText(thesaurus.toLower());
    setEditMode(true);
    m_clean = boxes();
    // The definition follows the row's relation, as if it had been chosen.
    cmbRelazione_Click();
    if (isVisible())
        hide(); // shown modeless before: show again as a modal window
    // The window deletes itself when exec() ends: what it stored is told to
    // a variable of this call, not kept in the window.
    std::optional<qint32> stored;
    m_storedTo = &stored;
    const QPointer<frmRisultatoMapping> self(this);
    exec();
    if (self)
        self->m_storedTo = nullptr;
    return stored;
}

void frmRisultatoMapping::cmbRelazione_Click()
{
    const QString text = cmbRelazione->currentText();
    const QString definition = MappingEditor::definitionOf(text);
    if (definition.isEmpty()) {
        Label3->clear();
        return;
    }
    Label4->setText(text);
    Label3->setText(definition);
}

void frmRisultatoMapping::cmdSalva_Click()
{
    if (!cmdSalva->isEnabled())
        return; // Ctrl+S while no database is open
    const bool editing = vEditRelationId > 0;
    const MappingEditor::Boxes saved = boxes();
    if (!MappingEditor::Salva(saved, editing ? m_seenProperty : std::nullopt))
        return;
    if (editing) { // what the report's row now is, for a second change of it
        m_seenProperty = MappingEditor::propertyFor(saved.relation);
        if (m_storedTo)
            *m_storedTo = m_seenProperty;
    }
    clearAfterSave();
}

void frmRisultatoMapping::clearAfterSave()
{
    emptyBoxes();
    hide();
}

void frmRisultatoMapping::emptyBoxes()
{
    setEditMode(false);
    txtEurovoc->clear();
    txtTarget->clear();
    cmbRelazione->setCurrentIndex(-1);
    cmbRelazione->setEditText(QString::fromLatin1(MappingEditor::NoRelationText));
    Label3->clear();
    txtNotes->clear();
    m_clean = boxes();
    m_pairFrom.clear();
}

void frmRisultatoMapping::databaseOpened(const QString &name)
{
    setDatabaseOpen(true);
    // A pair put together on another database names concepts this one does
    // not hold (the user agreed to drop it when that one was closed).
    if (!m_pairFrom.isEmpty() && name != m_pairFrom)
        emptyBoxes();
}

void frmRisultatoMapping::reject()
{
    hide(); // Escape hides like the hide button; the boxes keep their text
}

void frmRisultatoMapping::cmdNascondi_Click()
{
    hide();
}
