// The dialog seam: the scripted answers tests rely on, and the real dialogs
// behind the same calls (default button, item choice, progress and Cancel).
#include "base/dialogs.h"
#include "shell/ui/RealDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Runs check on the first modal box once it is up (the real dialogs block in
// their own event loop until the box is closed).
template <typename Box>
void whenShown(std::function<void(Box *)> check)
{
    QTimer::singleShot(0, [check] {
        Box *box = qobject_cast<Box *>(QApplication::activeModalWidget());
        if (!box) {
            for (QWidget *w : QApplication::topLevelWidgets())
                if ((box = qobject_cast<Box *>(w)) && w->isVisible())
                    break;
        }
        QVERIFY2(box, "no box was shown");
        check(box);
    });
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void scriptedQuestionRecordsItsDefault();
    void scriptedItemChoice();
    void scriptedProgressRecordsAndCancels();
    void realQuestionDefaultsToTheAskedButton();
    void realItemChoice();
    void realProgressReportsCancel();
};

void TestDialogs::scriptedQuestionRecordsItsDefault()
{
    ScopedScriptedDialogs d;
    d.answerQuestion(true);
    QVERIFY(dialogs().question(QStringLiteral("Save?")));
    QVERIFY(!dialogs().question(QStringLiteral("Delete all?"), {}, Dialogs::Icon::Warning, Dialogs::Answer::No));
    QCOMPARE(d.shown.size(), 2);
    QCOMPARE(d.shown.at(0).defaultAnswer, Dialogs::Answer::Yes);
    QCOMPARE(d.shown.at(1).defaultAnswer, Dialogs::Answer::No);
    QCOMPARE(d.shown.at(1).icon, Dialogs::Icon::Warning);
}

void TestDialogs::scriptedItemChoice()
{
    ScopedScriptedDialogs d;
    const QStringList items{QStringLiteral("eclas"), QStringLiteral("gemet")};
    d.answerItem(QStringLiteral("gemet"));
    d.answerItem(QStringLiteral("unesco")); // not offered: the real list could not give it
    QCOMPARE(dialogs().chooseItem(QStringLiteral("Thesaurus:"), QStringLiteral("Choose"), items),
             std::optional<QString>(QStringLiteral("gemet")));
    QCOMPARE(dialogs().chooseItem(QStringLiteral("Thesaurus:"), QStringLiteral("Choose"), items), std::nullopt);
    QCOMPARE(dialogs().chooseItem(QStringLiteral("Again:"), QStringLiteral("Choose"), items), std::nullopt);
    QCOMPARE(d.shown.at(0).kind, QStringLiteral("item"));
    QCOMPARE(d.shown.at(0).text, QStringLiteral("Thesaurus:"));
    QCOMPARE(d.shown.at(0).extra, QStringLiteral("eclas|gemet"));
}

void TestDialogs::scriptedProgressRecordsAndCancels()
{
    ScopedScriptedDialogs d;
    {
        auto p = dialogs().progress(QStringLiteral("Import"), QStringLiteral("Reading"), 10);
        p->setValue(5);
        p->setText(QStringLiteral("Storing"));
        p->setValue(10);
        QVERIFY(!p->cancelled()); // nothing queued: never cancelled
        QVERIFY(!d.progresses.at(0).closed);
    }
    d.cancelProgressAt(40);
    int stoppedAt = -1;
    {
        auto p = dialogs().progress(QStringLiteral("Convert"), QStringLiteral("Tables"));
        p->setRange(0, 200);
        for (int v = 0; v <= 200; v += 20) {
            p->setValue(v);
            if (p->cancelled()) {
                stoppedAt = v;
                break;
            }
        }
    }
    QCOMPARE(stoppedAt, 40);
    QCOMPARE(d.progresses.size(), 2);
    const ScriptedDialogs::ProgressLog &first = d.progresses.at(0);
    QCOMPARE(first.title, QStringLiteral("Import"));
    QCOMPARE(first.texts, QStringList({QStringLiteral("Reading"), QStringLiteral("Storing")}));
    QCOMPARE(first.values, QList<int>({5, 10}));
    QCOMPARE(first.maximum, 10);
    QVERIFY(first.closed);
    QVERIFY(!first.cancelled);
    const ScriptedDialogs::ProgressLog &second = d.progresses.at(1);
    QCOMPARE(second.maximum, 200);
    QCOMPARE(second.values, QList<int>({0, 20, 40}));
    QVERIFY(second.cancelled);
    QVERIFY(second.closed);
    QCOMPARE(d.shown.at(1).kind, QStringLiteral("progress"));
}

void TestDialogs::realQuestionDefaultsToTheAskedButton()
{
    RealDialogs real;
    // Enter presses the default button: Yes for ordinary questions, No for
    // those that guard something that cannot be undone.
    for (const Dialogs::Answer answer : {Dialogs::Answer::Yes, Dialogs::Answer::No}) {
        QMessageBox::StandardButton seen = QMessageBox::NoButton;
        whenShown<QMessageBox>([&seen](QMessageBox *box) {
            seen = box->standardButton(box->defaultButton());
            QTest::keyClick(box, Qt::Key_Return);
        });
        const bool yes = real.question(QStringLiteral("Go on?"), {}, Dialogs::Icon::Question, answer);
        QCOMPARE(yes, answer == Dialogs::Answer::Yes);
        QCOMPARE(seen, answer == Dialogs::Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
    }
}

void TestDialogs::realItemChoice()
{
    RealDialogs real;
    const QStringList items{QStringLiteral("eclas"), QStringLiteral("ett"), QStringLiteral("gemet")};
    whenShown<QInputDialog>([](QInputDialog *box) {
        QCOMPARE(box->textValue(), QStringLiteral("ett")); // the current item
        box->setTextValue(QStringLiteral("gemet"));
        box->accept();
    });
    QCOMPARE(real.chooseItem(QStringLiteral("Thesaurus:"), {}, items, 1), std::optional<QString>(QStringLiteral("gemet")));
    whenShown<QInputDialog>([](QInputDialog *box) { box->reject(); });
    QCOMPARE(real.chooseItem(QStringLiteral("Thesaurus:"), {}, items, 0), std::nullopt);
}

void TestDialogs::realProgressReportsCancel()
{
    RealDialogs real;
    auto p = real.progress(QStringLiteral("Import"), QStringLiteral("Reading"), 100);
    QProgressDialog *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("dlgProgress"))
            window = qobject_cast<QProgressDialog *>(w);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Import"));
    p->setText(QStringLiteral("Storing"));
    p->setValue(30);
    QCOMPARE(window->labelText(), QStringLiteral("Storing"));
    QCOMPARE(window->value(), 30);
    QVERIFY(!p->cancelled());
    QTest::mouseClick(window->findChild<QPushButton *>(), Qt::LeftButton);
    QVERIFY(p->cancelled());
    QPointer<QProgressDialog> guard(window);
    p.reset(); // the display closes with its object
    QVERIFY(guard.isNull());
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
