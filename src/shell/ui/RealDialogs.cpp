#include "shell/ui/RealDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>
#include <cstdlib>

namespace {

QMessageBox::Icon boxIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Warning: return QMessageBox::Warning;
    case Dialogs::Icon::Critical: return QMessageBox::Critical;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    case Dialogs::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString titleOr(const QString &title)
{
    return title.isEmpty() ? programTitle() : title;
}

} // namespace

QWidget *RealDialogs::parent()
{
    QWidget *w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    return w;
}

void RealDialogs::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::Ok, parent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool RealDialogs::question(const QString &text, const QString &title, Icon icon, Answer defaultAnswer)
{
    QMessageBox box(boxIcon(icon), titleOr(title), text, QMessageBox::Yes | QMessageBox::No, parent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultAnswer == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> RealDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent(), titleOr(title), prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> RealDialogs::chooseItem(const QString &prompt, const QString &title, const QStringList &items,
                                               int current)
{
    bool ok = false;
    const QString item = QInputDialog::getItem(parent(), titleOr(title), prompt, items, current, false, &ok);
    if (!ok)
        return std::nullopt;
    return item;
}

namespace {

// A modal progress window with a Cancel button, shown at once and kept
// painted by the work that reports to it; the hourglass is over it meanwhile.
class RealProgress : public Dialogs::Progress
{
public:
    RealProgress(QWidget *parent, const QString &title, const QString &text, int maximum)
        : m_dialog(text, QStringLiteral("Cancel"), 0, maximum, parent)
    {
        m_dialog.setObjectName(QStringLiteral("dlgProgress"));
        m_dialog.setWindowTitle(titleOr(title));
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
        m_dialog.show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::processEvents();
    }
    ~RealProgress() override { QApplication::restoreOverrideCursor(); }

    void setText(const QString &text) override
    {
        if (text != m_dialog.labelText())
            m_dialog.setLabelText(text);
    }
    void setRange(int minimum, int maximum) override { m_dialog.setRange(minimum, maximum); }
    void setValue(int value) override { m_dialog.setValue(value); }
    bool cancelled() override
    {
        QCoreApplication::processEvents();
        return m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

std::unique_ptr<Dialogs::Progress> RealDialogs::progress(const QString &title, const QString &text, int maximum)
{
    return std::make_unique<RealProgress>(parent(), title, text, maximum);
}

std::optional<Dialogs::ServerForm> RealDialogs::serverForm(const QString &title, const ServerForm &initial)
{
    QDialog form(parent());
    form.setObjectName(QStringLiteral("frmServer"));
    form.setWindowTitle(titleOr(title));
    auto *layout = new QFormLayout(&form);
    const auto line = [&form](const char *name, const QString &text) {
        auto *edit = new QLineEdit(text, &form);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(260);
        return edit;
    };
    QLineEdit *host = line("txtHost", initial.host);
    host->setPlaceholderText(QStringLiteral("the local server"));
    auto *port = new QSpinBox(&form);
    port->setObjectName(QStringLiteral("spnPort"));
    port->setRange(1, 65535);
    port->setValue(initial.port > 0 ? initial.port : 5432);
    QLineEdit *database = line("txtDatabase", initial.database);
    QLineEdit *user = line("txtUser", initial.user);
    layout->addRow(QStringLiteral("&Host:"), host);
    layout->addRow(QStringLiteral("&Port:"), port);
    layout->addRow(QStringLiteral("&Database:"), database);
    layout->addRow(QStringLiteral("&User:"), user);
    auto *note = new QLabel(QStringLiteral("The password comes from your PostgreSQL password file (~/.pgpass) or "
                                           "PGPASSWORD; this program never stores it."),
                            &form);
    note->setWordWrap(true);
    layout->addRow(note);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &form);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &form, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
    (database->text().isEmpty() ? database : host)->setFocus();
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return ServerForm{host->text().trimmed(), port->value(), database->text().trimmed(), user->text().trimmed()};
}

QString RealDialogs::openFile(const QString &title, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent(), title, folder, filter);
}

QString RealDialogs::saveFile(const QString &title, const QString &proposedPath, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent(), title, proposedPath, filter);
}

void RealDialogs::endProgram(int exitCode)
{
    // Inside the event loop: leave every loop at once.  Before it started
    // (a database given on the command line): end right here.
    if (QThread::currentThread()->loopLevel() == 0)
        std::exit(exitCode);
    QCoreApplication::exit(exitCode);
}
