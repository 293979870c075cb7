#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTreeView>
#include <QVector>

class ConceptTree;

// The data behind a ConceptTree: nodes numbered 1, 2, 3 ... in the order they
// were added.  Nodes are never removed one by one, so a number stays valid
// until the whole tree is cleared.  Exposed only so that tests can check the
// model's contract; windows talk to ConceptTree.
class ConceptTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ConceptTreeModel(ConceptTree *tree);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    friend class ConceptTree;
    ConceptTree *m_tree;
};

// The concept tree of an alignment window.  Every node has an index (1 to
// count), an optional unique key, a text, image keys (normal, expanded,
// selected), a bold flag, text and background colours and an expanded flag.
//
// Events: nodeClick for a click on a node (or moving the current node with
// the keyboard), nodeExpand / nodeCollapse when the user opens or closes a
// node.  Changes made by the program through setExpanded / ensureVisible do
// not raise nodeExpand / nodeCollapse: the window's handlers deal with user
// actions only, and whole-tree operations set the pictures themselves.
//
// Large trees: wrap many changes in an Update guard (or beginUpdate /
// endUpdate); nodes added inside it reach the view in one go and expanded
// flags are applied with a single layout at the end.
class ConceptTree : public QTreeView
{
    Q_OBJECT
public:
    explicit ConceptTree(QWidget *parent = nullptr);
    ~ConceptTree() override;

    // The image list: keys and their 14 by 14 pictures.
    static QStringList imageKeys(); // "Plus", "Minus", "Pref", "Empty", "PrefMinus"
    static QPixmap picture(const QString &imageKey);
    // The system colour of button faces, the background of grouping nodes.
    static QColor buttonFaceColour();

    // Removes every node.
    void clear();

    // Adds a node as the last child of parentIndex (0: a node with no parent).
    // Returns the new node's index, or 0 when the parent does not exist or the
    // key is already used by another node (keys are unique; "" means no key).
    int add(int parentIndex, const QString &key, const QString &text, const QString &imageKey = {});

    // Number of nodes; the highest index.
    int count() const { return static_cast<int>(m_nodes.size()); }
    bool isNode(int index) const { return index >= 1 && index <= count(); }
    // Index of the node with that key, 0 when there is none.
    int indexOfKey(const QString &key) const;

    QString key(int index) const;
    QString text(int index) const;
    int parentOf(int index) const;           // 0 for a node with no parent
    int children(int index) const;           // number of children
    int child(int index, int position) const; // the child at 0-based position, 0 when none

    bool expanded(int index) const;
    void setExpanded(int index, bool expanded);

    QString image(int index) const;
    void setImage(int index, const QString &imageKey);
    QString expandedImage(int index) const; // empty when none is set
    void setExpandedImage(int index, const QString &imageKey);
    QString selectedImage(int index) const;
    void setSelectedImage(int index, const QString &imageKey);
    // The picture key shown now: expanded image while expanded, selected image
    // while selected, else the image.
    QString shownImage(int index) const;

    bool bold(int index) const;
    void setBold(int index, bool bold);
    // Text colour; black is the default (the classic colour value 0).
    QColor foreColor(int index) const;
    void setForeColor(int index, const QColor &colour);
    // Background; an invalid colour means the view's default.
    QColor backColor(int index) const;
    void setBackColor(int index, const QColor &colour);

    // Expands every ancestor of the node and scrolls it into view (the scroll
    // is made at the end of an Update guard when one is active).
    void ensureVisible(int index);

    // The selected (current) node, 0 when none; selecting by program raises no event.
    int selectedIndex() const;
    void selectNode(int index);

    // Row geometry helpers for tests and later features.
    QModelIndex modelIndex(int index) const;
    int nodeOf(const QModelIndex &modelIndex) const;
    ConceptTreeModel *treeModel() const { return m_model; }

    void beginUpdate();
    void endUpdate();
    bool updating() const { return m_updateDepth > 0; }

    // Keeps a tree in an update for the life of the object.
    class Update
    {
    public:
        explicit Update(ConceptTree &tree) : m_tree(tree) { m_tree.beginUpdate(); }
        ~Update() { m_tree.endUpdate(); }
        Update(const Update &) = delete;
        Update &operator=(const Update &) = delete;

    private:
        ConceptTree &m_tree;
    };

signals:
    void nodeClick(int index);
    void nodeExpand(int index);
    void nodeCollapse(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class ConceptTreeModel;

    struct Node
    {
        int parent = 0; // index of the parent, 0 for none
        int row = 0;    // position among the parent's children
        QString key;
        QString text;
        QVector<int> children;
        QColor fore;    // invalid: black
        QColor back;    // invalid: default
        qint8 image = -1;
        qint8 expandedImage = -1;
        qint8 selectedImage = -1;
        bool bold = false;
        bool expanded = false;
    };

    static int imageId(const QString &key);
    static QString imageName(int id);
    const Node *node(int index) const { return isNode(index) ? &m_nodes.at(index - 1) : nullptr; }
    Node *node(int index) { return isNode(index) ? &m_nodes[index - 1] : nullptr; }
    void changed(int index);
    void applyExpanded(int index, bool expanded);
    void onViewExpanded(const QModelIndex &index);
    void onViewCollapsed(const QModelIndex &index);
    void onCurrentChanged(const QModelIndex &current, const QModelIndex &previous);

    ConceptTreeModel *m_model;
    QVector<Node> m_nodes;
    QVector<int> m_topLevel;
    QHash<QString, int> m_keys;
    int m_updateDepth = 0;
    bool m_resetting = false;   // nodes were added inside the current update
    int m_programChange = 0;    // the program is changing the view's expanded state
    int m_pendingScroll = 0;
    int m_selected = 0;
};
