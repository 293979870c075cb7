#pragma once

#include "data/mdlGlobale.h"
#include "workspace/treeload.h"

#include <QHash>
#include <QRect>
#include <QVariantList>
#include <QWidget>

class ConceptTree;
class FlexGrid;
class FlexGridEvents;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// An alignment window: one thesaurus as a concept tree, with its buttons, the
// search band above the tree and the information grid below it.  There are
// two, the left one (EUROVOC, caption "eurovoc") and the right one (the target
// thesaurus, caption = its name); each is created on first use and lives until
// it is closed.
//
// Nodes of the tree: index 1 is the root (text = caption); every other node
// is a concept with key "L"/"R" + id, and record index - 1 of the side's node
// list (vLeftNodes / vRightNodes) holds its concept id and is_leaf.
class frmAlbero : public QWidget
{
    Q_OBJECT
public:
    explicit frmAlbero(QWidget *parent = nullptr);
    ~frmAlbero() override;

    // The window of a side when it is open (null otherwise).
    static frmAlbero *leftWindow();
    static frmAlbero *rightWindow();
    // The window of the request's side, created as a child of the main window
    // when needed, then loaded as the request says.
    static frmAlbero *carica(const TreeLoad::Request &request);

    ConceptTree *tree() const { return treeClassificazione; }
    // The caption: the thesaurus name; "eurovoc" marks the left window.
    QString caption() const { return windowTitle(); }
    bool isLeftWindow() const;
    // The node list of this window's side and the current record position
    // (the node last clicked, minus one; 0 is the root).
    QVector<mdlGlobale::NodeRecord> &nodeRecords() const;
    qint32 currentRecord() const;
    int currentNode() const { return currentRecord() + 1; }

    // The information grid below the tree.
    FlexGrid *informationGrid() const { return msfgInformazioni; }

    // The load steps: reset the search band and the grid, build the tree the
    // request names, open the root, take the caption.
    void Form_Load(const TreeLoad::Request &request);

    // Builds the whole tree.  False when a database error ended the load
    // early (the error has been shown; the nodes read so far stay).
    bool CaricaAlbero(const QString &caption, const QString &rootQuery, const QVariantList &params,
                      const QString &side);
    // Makes the tree of a side out of rows read by TreeLoad: the root node
    // (text caption), one node per row, the side's node records, the
    // finishing pass.
    void showRows(const QString &caption, const QString &side, const QVector<TreeLoad::Row> &rows);

    // Commands and tree events.
    void cmdEspandi_Click();
    void cmdCollassa_Click();
    void cmdCancellaSelezione_Click();
    void cmdChiudiFinestra_Click();
    void treeClassificazione_Collapse(int node);
    void treeClassificazione_Expand(int node);
    void treeClassificazione_NodeClick(int node);

    // Puts the current node into the mapping editor (source box on the left,
    // target box on the right), marks it "Pref" and shows the editor.
    void cmdMapping_Click();
    // Searches this window's thesaurus for the word of txtCerca over the
    // ticked fields and highlights the concepts found.
    void cmdEseguiRicerca_Click();
    // Fills the information grid with the current leaf concept's properties.
    void cmdRelazioni_Click();
    void msfgInformazioni_DblClick();
    // Marks the concepts of this side that take part in the current project's relations.
    void cmdVisualizzaMappati_Click();

    // Row variables of the information grid.
    int vGridMarkedRow = 0;
    int vGridCurrentRow = 0;

    // The layout for an outer window size in twips.
    void layoutTwips(int widthTwips, int heightTwips);
    // A control's position and size in twips as the layout last placed it.
    QRect twipsGeometry(const QString &controlName) const;

    // The window's status line over the foot of the tree: why the tree is
    // empty, or that the database is closed ("" when there is nothing to say).
    QString statusText() const;
    // Follows Project > Close and Open: closed, the commands that need the
    // database are off; opened again, they come back, and on another
    // database the tree is loaded anew from the same request.
    void databaseClosed();
    void databaseOpened(const QString &name);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Expands a node as a user's click would: the expand handling runs for
    // it when it was closed (program changes raise no tree events).
    void expandAsUser(int node);
    // Opens every closed ancestor that way, then scrolls the node into view.
    void ensureVisibleAsUser(int node);
    void place(QWidget *w, const QRect &twips);
    void finishingPass(const QVector<mdlGlobale::NodeRecord> &records);
    void progress(const QString &side, qint32 id, bool paintNow);
    void setStatusText(const QString &text);
    void placeStatus();
    // The commands that need the database, on or off.
    void setDatabaseCommands(bool enabled);
    // The search band's check boxes wide enough for their captions.
    void fitSearchBand();
    // The search band made narrower than designed by that many twips (at
    // most maxBandNarrowing()), all of it taken from the word box.
    void placeSearchBand(int narrower);
    int maxBandNarrowing() const;

    QHash<QString, QRect> m_twips;
    TreeLoad::Request m_request; // what the tree was last loaded from
    QString m_loadedFrom;        // the database it was loaded from
    QString m_treeNote;          // said while the tree is shown: why it is empty
    QLabel *lblStato = nullptr;
    int m_checkExtra = 0;    // twips the check boxes were widened by for their captions
    int m_bandNarrowing = 0; // twips the search band is narrower than designed
    class ProgressThrottle *m_throttle = nullptr;

    QGroupBox *Frame1;
    QLabel *Label1;
    QLineEdit *txtCerca;
    QCheckBox *chkPrefLabel;
    QCheckBox *chkAltLabel;
    QCheckBox *chkScopeNote;
    QCheckBox *chkRelated;
    QCheckBox *chkNarrower;
    QCheckBox *chkBroader;
    QPushButton *cmdEseguiRicerca;
    QPushButton *cmdEspandi;
    QPushButton *cmdCollassa;
    QPushButton *cmdCancellaSelezione;
    QPushButton *cmdVisualizzaMappati;
    QPushButton *cmdChiudiFinestra;
    QPushButton *cmdMapping;
    QPushButton *cmdRelazioni;
    ConceptTree *treeClassificazione;
    QLabel *Label2;
    FlexGrid *msfgInformazioni;
    FlexGridEvents *m_gridEvents = nullptr;
};
