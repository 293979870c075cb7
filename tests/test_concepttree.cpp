// The concept tree on its own: indexes in order of adding, keys, pictures,
// highlight roles, ensure-visible, user and program changes of the expanded
// state, and large trees built in one update.
#include "widgets/ui/ConceptTree.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QtTest>

class TestConceptTree : public QObject
{
    Q_OBJECT

private slots:
    void indexesFollowTheOrderOfAdding();
    void keysAreUniqueAndFoundByHash();
    void ensureVisibleThreeLevelsDeep();
    void picturesAndShownImage();
    void boldColoursAndBackgrounds();
    void programChangesRaiseNoUserEvents();
    void userExpandCollapseAndClicks();
    void modelContractWhileGrowing();
    void largeTreeInOneUpdate();
};

namespace {

// root, A under root, C under A, B under root
struct Abcb
{
    ConceptTree tree;
    int root, a, c, b;
    Abcb()
    {
        root = tree.add(0, QString(), QStringLiteral("root"), QStringLiteral("Minus"));
        a = tree.add(root, QStringLiteral("R1"), QStringLiteral("A"), QStringLiteral("Plus"));
        c = tree.add(a, QStringLiteral("R3"), QStringLiteral("C"), QStringLiteral("Plus"));
        b = tree.add(root, QStringLiteral("R2"), QStringLiteral("B"), QStringLiteral("Plus"));
    }
};

QStringList shownTexts(const ConceptTree &tree)
{
    QStringList out;
    for (QModelIndex i = tree.model()->index(0, 0); i.isValid(); i = tree.indexBelow(i))
        out.append(i.data().toString());
    return out;
}

} // namespace

void TestConceptTree::indexesFollowTheOrderOfAdding()
{
    Abcb t;
    QCOMPARE(QList<int>({t.root, t.a, t.c, t.b}), QList<int>({1, 2, 3, 4}));
    QCOMPARE(t.tree.count(), 4);
    QCOMPARE(t.tree.text(3), QStringLiteral("C"));
    QCOMPARE(t.tree.parentOf(3), 2);
    QCOMPARE(t.tree.parentOf(1), 0);
    QCOMPARE(t.tree.children(1), 2);
    QCOMPARE(t.tree.child(1, 1), 4);
    QCOMPARE(t.tree.children(3), 0);
    // B is shown below A's subtree, whatever its index.
    t.tree.setExpanded(1, true);
    t.tree.setExpanded(2, true);
    QCOMPARE(shownTexts(t.tree), QStringList({"root", "A", "C", "B"}));
    // Out of range indexes read as nothing and change nothing.
    QCOMPARE(t.tree.text(0), QString());
    QCOMPARE(t.tree.text(5), QString());
    t.tree.setImage(9, QStringLiteral("Pref"));
    QCOMPARE(t.tree.add(9, QStringLiteral("R9"), QStringLiteral("x")), 0);
    QCOMPARE(t.tree.count(), 4);
    t.tree.clear();
    QCOMPARE(t.tree.count(), 0);
    QCOMPARE(t.tree.indexOfKey(QStringLiteral("R1")), 0);
}

void TestConceptTree::keysAreUniqueAndFoundByHash()
{
    Abcb t;
    QCOMPARE(t.tree.indexOfKey(QStringLiteral("R3")), 3);
    QCOMPARE(t.tree.key(4), QStringLiteral("R2"));
    QCOMPARE(t.tree.key(1), QString());
    QCOMPARE(t.tree.indexOfKey(QString()), 0);
    QCOMPARE(t.tree.indexOfKey(QStringLiteral("L3")), 0);
    // A second node with a used key is refused; keyless nodes are many.
    QCOMPARE(t.tree.add(1, QStringLiteral("R3"), QStringLiteral("again")), 0);
    QCOMPARE(t.tree.count(), 4);
    QCOMPARE(t.tree.add(1, QString(), QStringLiteral("no key")), 5);
    QCOMPARE(t.tree.add(1, QString(), QStringLiteral("no key either")), 6);
    QCOMPARE(t.tree.indexOfKey(QStringLiteral("R3")), 3);
}

void TestConceptTree::ensureVisibleThreeLevelsDeep()
{
    ConceptTree tree;
    tree.resize(300, 120);
    tree.show();
    const int root = tree.add(0, QString(), QStringLiteral("root"));
    int deep = 0;
    for (int i = 0; i < 40; ++i) {
        const int a = tree.add(root, QStringLiteral("A%1").arg(i), QStringLiteral("branch %1").arg(i));
        const int b = tree.add(a, QStringLiteral("B%1").arg(i), QStringLiteral("twig %1").arg(i));
        const int c = tree.add(b, QStringLiteral("C%1").arg(i), QStringLiteral("leaf %1").arg(i));
        if (i == 35)
            deep = c;
    }
    tree.setExpanded(root, true);
    const int parent = tree.parentOf(deep);
    const int grandparent = tree.parentOf(parent);
    QVERIFY(!tree.expanded(parent) && !tree.expanded(grandparent));
    QSignalSpy userExpand(&tree, &ConceptTree::nodeExpand);

    tree.ensureVisible(deep);
    QVERIFY(tree.expanded(parent));
    QVERIFY(tree.expanded(grandparent));
    QVERIFY(tree.isExpanded(tree.modelIndex(parent)));
    QVERIFY(tree.isExpanded(tree.modelIndex(grandparent)));
    QVERIFY(!tree.expanded(deep));
    QCOMPARE(userExpand.count(), 0);
    // Scrolled: the node's row lies inside the viewport.
    const QRect row = tree.visualRect(tree.modelIndex(deep));
    QVERIFY(row.isValid());
    QVERIFY(tree.viewport()->rect().contains(row.center()));

    // Inside an update the scroll waits for the end of it.
    const int first = tree.child(tree.child(tree.child(root, 0), 0), 0);
    {
        ConceptTree::Update u(tree);
        tree.ensureVisible(first);
    }
    QVERIFY(tree.viewport()->rect().contains(tree.visualRect(tree.modelIndex(first)).center()));
}

void TestConceptTree::picturesAndShownImage()
{
    QCOMPARE(ConceptTree::imageKeys(), QStringList({"Plus", "Minus", "Pref", "Empty", "PrefMinus"}));
    for (const QString &key : ConceptTree::imageKeys())
        QCOMPARE(ConceptTree::picture(key).size(), QSize(14, 14));
    // Every key has a picture of its own.
    QSet<QByteArray> images;
    for (const QString &key : ConceptTree::imageKeys()) {
        const QImage img = ConceptTree::picture(key).toImage().convertToFormat(QImage::Format_ARGB32);
        images.insert(QByteArray(reinterpret_cast<const char *>(img.constBits()), img.sizeInBytes()));
    }
    QCOMPARE(images.size(), 5);
    QVERIFY(ConceptTree::picture(QStringLiteral("Nothing")).isNull());
    // A mapped node is seen at a glance: much of its picture is in a strong
    // colour, where "Plus" and "Empty" have none.
    auto strong = [](const QString &key) {
        const QImage img = ConceptTree::picture(key).toImage().convertToFormat(QImage::Format_ARGB32);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.alpha() > 128 && c.hsvSaturation() > 150 && c.value() > 150;
            }
        return n;
    };
    QVERIFY2(strong(QStringLiteral("Pref")) >= 60, qPrintable(QString::number(strong(QStringLiteral("Pref")))));
    QVERIFY(strong(QStringLiteral("PrefMinus")) >= 20);
    QCOMPARE(strong(QStringLiteral("Plus")), 0);
    QCOMPARE(strong(QStringLiteral("Empty")), 0);

    Abcb t;
    QCOMPARE(t.tree.image(2), QStringLiteral("Plus"));
    QCOMPARE(t.tree.expandedImage(2), QString());
    QCOMPARE(t.tree.shownImage(2), QStringLiteral("Plus"));
    t.tree.setExpandedImage(2, QStringLiteral("Minus"));
    QCOMPARE(t.tree.shownImage(2), QStringLiteral("Plus")); // collapsed: the image
    t.tree.setExpanded(2, true);
    QCOMPARE(t.tree.shownImage(2), QStringLiteral("Minus")); // expanded: the expanded image
    const QModelIndex a = t.tree.modelIndex(2);
    QCOMPARE(qvariant_cast<QPixmap>(a.data(Qt::DecorationRole)).toImage(),
             ConceptTree::picture(QStringLiteral("Minus")).toImage());
    t.tree.setSelectedImage(4, QStringLiteral("Pref"));
    QCOMPARE(t.tree.shownImage(4), QStringLiteral("Plus"));
    t.tree.selectNode(4);
    QCOMPARE(t.tree.selectedIndex(), 4);
    QCOMPARE(t.tree.shownImage(4), QStringLiteral("Pref"));
    // Keys outside the image list are kept, with no picture.
    t.tree.setImage(3, QStringLiteral("Custom"));
    QCOMPARE(t.tree.image(3), QStringLiteral("Custom"));
    QVERIFY(t.tree.modelIndex(3).data(Qt::DecorationRole).isNull());
    t.tree.setImage(3, QString());
    QCOMPARE(t.tree.image(3), QString());
}

void TestConceptTree::boldColoursAndBackgrounds()
{
    Abcb t;
    const QModelIndex c = t.tree.modelIndex(3);
    QCOMPARE(t.tree.foreColor(3), QColor(Qt::black));
    QVERIFY(!t.tree.bold(3));
    QVERIFY(c.data(Qt::FontRole).isNull());
    t.tree.setBold(3, true);
    t.tree.setForeColor(3, QColor(Qt::blue));
    QVERIFY(t.tree.bold(3));
    QVERIFY(qvariant_cast<QFont>(c.data(Qt::FontRole)).bold());
    QCOMPARE(qvariant_cast<QBrush>(c.data(Qt::ForegroundRole)).color(), QColor(Qt::blue));
    t.tree.setForeColor(3, Qt::black);
    QCOMPARE(t.tree.foreColor(3), QColor(Qt::black));

    QVERIFY(!t.tree.backColor(2).isValid());
    t.tree.setBackColor(2, ConceptTree::buttonFaceColour());
    QCOMPARE(t.tree.backColor(2), ConceptTree::buttonFaceColour());
    QCOMPARE(qvariant_cast<QBrush>(t.tree.modelIndex(2).data(Qt::BackgroundRole)).color(),
             ConceptTree::buttonFaceColour());
    QVERIFY(t.tree.modelIndex(4).data(Qt::BackgroundRole).isNull());
}

void TestConceptTree::programChangesRaiseNoUserEvents()
{
    Abcb t;
    t.tree.show();
    QSignalSpy expand(&t.tree, &ConceptTree::nodeExpand);
    QSignalSpy collapse(&t.tree, &ConceptTree::nodeCollapse);
    QSignalSpy click(&t.tree, &ConceptTree::nodeClick);
    t.tree.setExpanded(1, true);
    t.tree.setExpanded(2, true);
    t.tree.setExpanded(2, false);
    t.tree.ensureVisible(3);
    t.tree.selectNode(4);
    {
        ConceptTree::Update u(t.tree);
        t.tree.setExpanded(2, false);
        t.tree.setExpanded(1, false);
    }
    QCOMPARE(expand.count(), 0);
    QCOMPARE(collapse.count(), 0);
    QCOMPARE(click.count(), 0);
    QVERIFY(!t.tree.isExpanded(t.tree.modelIndex(1)));
    // A flag set before a node has children opens it when they come.
    const int leaf = t.tree.add(0, QStringLiteral("T"), QStringLiteral("top"));
    t.tree.setExpanded(leaf, true);
    t.tree.add(leaf, QStringLiteral("T1"), QStringLiteral("under top"));
    QVERIFY(t.tree.isExpanded(t.tree.modelIndex(leaf)));
}

void TestConceptTree::userExpandCollapseAndClicks()
{
    Abcb t;
    t.tree.resize(300, 200);
    t.tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tree));
    t.tree.setExpanded(1, true);
    QSignalSpy expand(&t.tree, &ConceptTree::nodeExpand);
    QSignalSpy collapse(&t.tree, &ConceptTree::nodeCollapse);
    QSignalSpy click(&t.tree, &ConceptTree::nodeClick);

    // A mouse click on the text of B.
    QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, t.tree.visualRect(t.tree.modelIndex(4)).center());
    QCOMPARE(click.count(), 1);
    QCOMPARE(click.at(0).at(0).toInt(), 4);
    QCOMPARE(t.tree.selectedIndex(), 4);

    // Keyboard: up moves to A (a click), right opens it, left closes it.
    t.tree.setFocus();
    QTest::keyClick(&t.tree, Qt::Key_Up);
    QCOMPARE(click.count(), 2);
    QCOMPARE(click.at(1).at(0).toInt(), 2);
    QTest::keyClick(&t.tree, Qt::Key_Right);
    QCOMPARE(expand.count(), 1);
    QCOMPARE(expand.at(0).at(0).toInt(), 2);
    QVERIFY(t.tree.expanded(2));
    QTest::keyClick(&t.tree, Qt::Key_Left);
    QCOMPARE(collapse.count(), 1);
    QCOMPARE(collapse.at(0).at(0).toInt(), 2);
    QVERIFY(!t.tree.expanded(2));
    QCOMPARE(click.count(), 2);
}

void TestConceptTree::modelContractWhileGrowing()
{
    ConceptTree tree;
    QAbstractItemModelTester tester(tree.treeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    const int root = tree.add(0, QString(), QStringLiteral("root"));
    for (int i = 0; i < 30; ++i) {
        const int a = tree.add(root, QStringLiteral("A%1").arg(i), QStringLiteral("a %1").arg(i));
        for (int j = 0; j < 3; ++j)
            tree.add(a, QStringLiteral("A%1-%2").arg(i).arg(j), QStringLiteral("b"));
    }
    tree.setExpanded(root, true);
    {
        ConceptTree::Update u(tree);
        for (int i = 0; i < 200; ++i)
            tree.add(root, QStringLiteral("U%1").arg(i), QStringLiteral("u %1").arg(i));
        tree.setImage(3, QStringLiteral("Pref"));
    }
    tree.setBold(5, true);
    QCOMPARE(tree.count(), 1 + 30 * 4 + 200);
    QCOMPARE(tree.treeModel()->rowCount(tree.modelIndex(root)), 230);
    // Parent and row of every node agree with the model.
    for (int i = 2; i <= tree.count(); ++i) {
        const QModelIndex mi = tree.modelIndex(i);
        QCOMPARE(tree.nodeOf(mi.parent()), tree.parentOf(i));
        QCOMPARE(tree.nodeOf(tree.treeModel()->index(mi.row(), 0, mi.parent())), i);
    }
    tree.clear();
    QCOMPARE(tree.treeModel()->rowCount(), 0);
}

void TestConceptTree::largeTreeInOneUpdate()
{
    // Beyond any 16-bit limit: 70,000 nodes, indexes and keys all 32-bit.
    ConceptTree tree;
    tree.show();
    {
        ConceptTree::Update u(tree);
        const int root = tree.add(0, QString(), QStringLiteral("root"), QStringLiteral("Minus"));
        int parent = root;
        for (int i = 2; i <= 70000; ++i) {
            const int n = tree.add(parent, QStringLiteral("R%1").arg(i * 10), QStringLiteral("n%1").arg(i));
            QCOMPARE(n, i);
            parent = i % 7 == 0 ? root : n; // chains of seven under the root
        }
        tree.setExpanded(root, true);
    }
    QCOMPARE(tree.count(), 70000);
    QCOMPARE(tree.indexOfKey(QStringLiteral("R699990")), 69999);
    QCOMPARE(tree.text(69999), QStringLiteral("n69999"));
    QVERIFY(tree.isExpanded(tree.modelIndex(1)));
    QCOMPARE(tree.treeModel()->rowCount(tree.modelIndex(1)), 10000);

    // Expanding everything in one update opens every node in the view.
    {
        ConceptTree::Update u(tree);
        for (int i = 1; i <= tree.count(); ++i)
            tree.setExpanded(i, true);
    }
    QVERIFY(tree.isExpanded(tree.modelIndex(69998)));
    QModelIndex last = tree.model()->index(0, 0);
    int rows = 1;
    while (tree.indexBelow(last).isValid() && rows < 100) {
        last = tree.indexBelow(last);
        ++rows;
    }
    QCOMPARE(tree.nodeOf(last), rows); // pre-order rows follow the indexes here
}

QTEST_MAIN(TestConceptTree)
#include "test_concepttree.moc"
