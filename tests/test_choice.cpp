// The thesauri choice dialog: its lists and hints, OK and Cancel outcomes,
// the keyboard, and a cancelled choice leaving an open mapping's model alone.
#include "base/dialogs.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "workspace/ui/frmScegli.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace mdlGlobale;

class TestChoice : public QObject
{
    Q_OBJECT

private slots:
    void init() { AzzeraStato(); }
    void controlsAndLists();
    void optionsSwitchListTextAndHint_data();
    void optionsSwitchListTextAndHint();
    void okWithoutFieldAsksForIt();
    void okOutcomes_data();
    void okOutcomes();
    void cancelKeepsEverything_data();
    void cancelKeepsEverything();
    void enterIsOk();
};

namespace {

QComboBox *combo(frmScegli &d, const char *name)
{
    return d.findChild<QComboBox *>(QString::fromLatin1(name));
}

QRadioButton *option(frmScegli &d, const char *name)
{
    return d.findChild<QRadioButton *>(QString::fromLatin1(name));
}

QStringList items(QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l.append(c->itemText(i));
    return l;
}

} // namespace

void TestChoice::controlsAndLists()
{
    frmScegli d;
    QCOMPARE(d.objectName(), QStringLiteral("frmScegli"));
    QCOMPARE(d.windowTitle(), QStringLiteral("Thesauri choice"));
    QVERIFY(!d.vScegliOK);
    QCOMPARE(d.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Choose an eurovoc field:"));
    QCOMPARE(d.findChild<QLabel *>(QStringLiteral("Label2"))->text(), QStringLiteral("Choose the target thesaurus:"));
    QCOMPARE(d.findChild<QPushButton *>(QStringLiteral("cmdOk"))->text(), QStringLiteral("&Ok"));
    QCOMPARE(d.findChild<QPushButton *>(QStringLiteral("cmdCancella"))->text(), QStringLiteral("&Cancel"));
    QVERIFY(d.findChild<QWidget *>(QStringLiteral("Frame1"))->isAncestorOf(combo(d, "cmbSource")));
    QVERIFY(d.findChild<QWidget *>(QStringLiteral("Frame2"))->isAncestorOf(combo(d, "cmbTarget")));
    QCOMPARE(QStringList({option(d, "optECLAS")->text(), option(d, "optETT")->text(), option(d, "optUnesco")->text(),
                          option(d, "optGEMET")->text()}),
             QStringList({"ECLAS", "ETT", "UNESCO", "GEMET"}));
    QVERIFY(option(d, "optECLAS")->x() < option(d, "optETT")->x());
    QVERIFY(option(d, "optUnesco")->x() < option(d, "optGEMET")->x());

    QComboBox *source = combo(d, "cmbSource");
    QVERIFY(source->isEditable());
    QCOMPARE(source->currentText(), QStringLiteral("eurovoc field"));
    const QStringList fields = items(source);
    QCOMPARE(fields.size(), 21);
    QCOMPARE(fields.first(), QStringLiteral("04 POLITICS"));
    QCOMPARE(fields.at(13), QStringLiteral("52 ENVIRONMENT"));
    QCOMPARE(fields.last(), QStringLiteral("76 INTERNATIONAL ORGANISATIONS"));
    for (const QString &f : fields) // every entry starts with its two-digit code
        QVERIFY(f.at(0).isDigit() && f.at(1).isDigit() && f.at(2) == QLatin1Char(' '));

    // At load: ECLAS selected, its subsets, its hint, "ECLAS" in the box.
    QVERIFY(option(d, "optECLAS")->isChecked());
    QCOMPARE(d.targetModel(), int(Ids::ECLAS));
    QCOMPARE(combo(d, "cmbTarget")->currentText(), QStringLiteral("ECLAS"));
    QCOMPARE(combo(d, "cmbTarget")->count(), 19);
    QCOMPARE(d.findChild<QLabel *>(QStringLiteral("Label3"))->text(),
             QStringLiteral("For an ECLAS subset choose the specific subset in combo below OR click on OK with no further choice"));
}

void TestChoice::optionsSwitchListTextAndHint_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("hint");
    QTest::newRow("ETT") << "optETT" << int(Ids::ETT) << "ETT" << 18 << "4.5. Auxiliary terms"
                         << "For an ETT subset choose the specific subset in combo below OR click on OK with no further choice";
    QTest::newRow("UNESCO") << "optUnesco" << int(Ids::UNESCO) << "UNESCO" << 7 << "7. Countries and country groupings"
                            << "For an UNESCO subset choose the specific subset in combo below OR click on OK with no further choice";
    QTest::newRow("GEMET") << "optGEMET" << int(Ids::GEMET) << "GEMET" << 32 << "WASTES , POLLUTANTS, POLLUTION"
                           << "For a GEMET subset choose the specific subset in combo below OR click on OK with no further choice";
}

void TestChoice::optionsSwitchListTextAndHint()
{
    QFETCH(QString, name);
    QFETCH(int, model);
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(QString, last);
    QFETCH(QString, hint);
    frmScegli d;
    QComboBox *target = combo(d, "cmbTarget");
    // An ECLAS subset chosen first is replaced by the new thesaurus's list.
    target->setCurrentIndex(4);
    QCOMPARE(target->currentText(), QStringLiteral("005 Culture. Society"));
    d.findChild<QRadioButton *>(name)->click();
    QCOMPARE(target->count(), count);
    QCOMPARE(target->itemText(count - 1), last);
    QCOMPARE(target->currentText(), text);
    QCOMPARE(d.findChild<QLabel *>(QStringLiteral("Label3"))->text(), hint);
    QCOMPARE(d.targetModel(), model);
    // The global changes only with OK.
    QCOMPARE(vTargetModel, 0);

    // The open list shows every subset whole, not cut in the middle.
    for (QComboBox *c : {target, combo(d, "cmbSource")}) {
        QAbstractItemView *view = c->view();
        QCOMPARE(view->textElideMode(), Qt::ElideNone);
        for (int i = 0; i < c->count(); ++i)
            QVERIFY2(view->minimumWidth() > view->fontMetrics().horizontalAdvance(c->itemText(i)),
                     qPrintable(c->itemText(i)));
    }
}

void TestChoice::okWithoutFieldAsksForIt()
{
    ScopedScriptedDialogs msg;
    frmScegli d;
    d.show();
    d.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    QCOMPARE(msg.messages(), QStringList{QStringLiteral("Choice in combo above")});
    QCOMPARE(msg.shown.at(0).title, QString());
    QCOMPARE(msg.shown.at(0).icon, Dialogs::Icon::None);
    QVERIFY(d.isVisible());
    QVERIFY(!d.vScegliOK);
    QCOMPARE(vTargetModel, 0);
    QVERIFY(vEurovocField.isEmpty());
}

void TestChoice::okOutcomes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("optionName");
    QTest::addColumn<QString>("targetText");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("subset");
    QTest::newRow("environment, whole ECLAS") << "52 ENVIRONMENT" << "optECLAS" << QString() << "52" << 1 << "";
    QTest::newRow("GEMET subset") << "52 ENVIRONMENT" << "optGEMET" << "WASTES , POLLUTANTS, POLLUTION" << "52" << 5
                                  << "WASTES , POLLUTANTS, POLLUTION";
    QTest::newRow("GEMET left in the box") << "66 ENERGY" << "optGEMET" << "GEMET" << "66" << 5 << "";
    QTest::newRow("empty box") << "66 ENERGY" << "optETT" << "" << "66" << 2 << "";
    QTest::newRow("another name is a subset") << "66 ENERGY" << "optUnesco" << "ETT" << "66" << 4 << "";
    QTest::newRow("case counts") << "66 ENERGY" << "optUnesco" << "Unesco" << "66" << 4 << "Unesco";
    QTest::newRow("one typed character") << "5" << "optETT" << "3.2. Economy" << "5" << 2 << "3.2. Economy";
}

void TestChoice::okOutcomes()
{
    QFETCH(QString, field);
    QFETCH(QString, optionName);
    QFETCH(QString, targetText);
    QFETCH(QString, code);
    QFETCH(int, model);
    QFETCH(QString, subset);
    ScopedScriptedDialogs msg;
    frmScegli d;
    d.show();
    combo(d, "cmbSource")->setEditText(field);
    d.findChild<QRadioButton *>(optionName)->click();
    if (!targetText.isNull())
        combo(d, "cmbTarget")->setEditText(targetText);
    d.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    QVERIFY(msg.shown.isEmpty());
    QVERIFY(d.vScegliOK);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(vEurovocField, code);
    QCOMPARE(vTargetModel, model);
    QCOMPARE(vTargetSubset, subset);
}

void TestChoice::cancelKeepsEverything_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Esc key") << 1;
    QTest::newRow("close box") << 2;
}

void TestChoice::cancelKeepsEverything()
{
    QFETCH(int, how);
    // An open EUROVOC-UNESCO mapping.
    vTargetModel = Ids::UNESCO;
    vEurovocField = QStringLiteral("52");
    vTargetSubset = QStringLiteral("2. Science");
    frmScegli d;
    d.show();
    combo(d, "cmbSource")->setEditText(QStringLiteral("04 POLITICS"));
    option(d, "optGEMET")->click();
    combo(d, "cmbTarget")->setEditText(QStringLiteral("ENERGY"));
    if (how == 0)
        d.findChild<QPushButton *>(QStringLiteral("cmdCancella"))->click();
    else if (how == 1)
        QTest::keyClick(&d, Qt::Key_Escape);
    else
        d.close();
    QVERIFY(!d.vScegliOK);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(vTargetModel, int(Ids::UNESCO));
    QCOMPARE(Ids::projectForModel(vTargetModel), 3);
    QCOMPARE(vEurovocField, QStringLiteral("52"));
    QCOMPARE(vTargetSubset, QStringLiteral("2. Science"));
}

void TestChoice::enterIsOk()
{
    ScopedScriptedDialogs msg;
    frmScegli d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    // Enter on the freshly opened dialog is OK, which asks for the field.
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &d, Qt::Key_Return);
    QCOMPARE(msg.messages(), QStringList{QStringLiteral("Choice in combo above")});
    QVERIFY(d.isVisible());
    // Typing a field into the box and pressing Enter there confirms it.
    QComboBox *source = combo(d, "cmbSource");
    source->setFocus();
    source->lineEdit()->selectAll();
    QTest::keyClicks(source->lineEdit(), QStringLiteral("36 SCIENCE"));
    QTest::keyClick(source->lineEdit(), Qt::Key_Return);
    QVERIFY(d.vScegliOK);
    QCOMPARE(vEurovocField, QStringLiteral("36"));
    QCOMPARE(source->count(), 21); // typed text is never added to the list
}

QTEST_MAIN(TestChoice)
#include "test_choice.moc"
