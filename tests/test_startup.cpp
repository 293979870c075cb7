// Start-up: the wait on the splash through an injected clock, window centring,
// the relation lists and the main window the start-up sequence leaves.
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/twips.h"
#include "data/mdlGlobale.h"
#include "shell/startup.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "widgets/ui/widgets.h"

#include <QMenu>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void splashWait_data();
    void splashWait();
    void centringArithmetic();
    void centraFormOnWidgets();
    void twipsConversion();
    void startupSequence();
};

void TestStartup::splashWait_data()
{
    QTest::addColumn<int>("startSecond");
    QTest::addColumn<int>("endSecond"); // second of the minute when the wait is over
    QTest::addColumn<bool>("waits");
    QTest::newRow("second 10") << 10 << 12 << true;
    QTest::newRow("second 57") << 57 << 59 << true;
    QTest::newRow("second 58") << 58 << 58 << false;
    QTest::newRow("second 59") << 59 << 59 << false;
}

void TestStartup::splashWait()
{
    QFETCH(int, startSecond);
    QFETCH(int, endSecond);
    QFETCH(bool, waits);
    FakeClock clock;
    clock.setSecond(startSecond);
    clock.setStep(100); // every read of the clock moves it on by a tenth of a second
    const int polls = Startup::AttendiSplash(clock);
    QCOMPARE(polls > 0, waits);
    // The clock now stands just past the read that ended the wait.
    QCOMPARE(clock.now().addMSecs(-100).time().second(), endSecond);
    if (waits)
        QVERIFY(polls >= 10); // about two seconds of tenths, not a single look
}

void TestStartup::centringArithmetic()
{
    // A window 1000 twips high in a container 5000 high whose top is 300 gets top 2300.
    const CentredPosition p = centreIn(300, 200, 5000, 8000, 1000, 3001);
    QCOMPARE(p.top, 2300.0);
    QCOMPARE(p.left, 200 + 4000 - 1500.5); // halves are fractions
    const CentredPosition screen = centreIn(0, 0, 11520, 15360, 6480, 9615);
    QCOMPARE(screen.top, 5760.0 - 3240.0);
    QCOMPARE(screen.left, 7680.0 - 4807.5);
}

void TestStartup::centraFormOnWidgets()
{
    QWidget container;
    container.setGeometry(100, 60, 900, 600);
    container.show();
    QWidget w;
    w.resize(300, 200);
    w.show();
    Widgets::CentraForm(&w, &container);
    const QRect c = container.frameGeometry();
    const QRect f = w.frameGeometry();
    QVERIFY(qAbs(f.center().x() - c.center().x()) <= 1);
    QVERIFY(qAbs(f.center().y() - c.center().y()) <= 1);

    Widgets::CentraForm(&w);
    const QRect s = w.screen()->geometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - s.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - s.center().y()) <= 1);
}

void TestStartup::twipsConversion()
{
    QCOMPARE(Twips::toPixels(15), 1);
    QCOMPARE(Twips::toPixels(735), 49);
    QCOMPARE(Twips::toPixels(15060), 1004);
    QCOMPARE(Twips::toPixels(7), 0);
    QCOMPARE(Twips::toPixels(8), 1);
    QCOMPARE(Twips::fromPixels(49), 735);
    QCOMPARE(Twips::rect(120, 1200, 735, 495), QRect(8, 80, 49, 33));
}

void TestStartup::startupSequence()
{
    ScopedScriptedDialogs d;
    FakeClock clock;
    clock.setSecond(30);
    clock.setStep(250);
    setProgramClock(&clock);
    mdlGlobale::AzzeraStato();

    frmMain *main = mdlGlobale::Main();
    setProgramClock(nullptr);
    QVERIFY(main);
    QVERIFY(main->isVisible());
    QVERIFY(clock.reads() > 4); // it waited on the clock, not on real seconds
    QCOMPARE(mdlGlobale::vRelationNames,
             (QStringList{QStringLiteral("exactMatch"), QStringLiteral("broadMatch"), QStringLiteral("narrowMatch")}));
    QCOMPARE(mdlGlobale::vRelationProperties, (QVector<int>{9, 8, 10}));
    QCOMPARE(main->windowTitle(), QStringLiteral("Vospan - Quendral"));
    QCOMPARE(main->statusText(), QStringLiteral("Vospan - Quendral"));
    QVERIFY(!main->menu(QStringLiteral("mnuTools"))->isEnabled());
    QVERIFY(!main->menu(QStringLiteral("mnuExport"))->isEnabled());
    QVERIFY(!main->menu(QStringLiteral("mnuUtility"))->isEnabled());
    QVERIFY(main->menu(QStringLiteral("mnuProgetto"))->isEnabled());
    QVERIFY(main->menu(QStringLiteral("mnuHelp"))->isEnabled());
    // The splash is gone.
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != QLatin1String("frmSplash") || !w->isVisible());
    delete main;
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
