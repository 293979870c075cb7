#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

// Every message box, question, input box and file dialog of the program, and
// the ending of the program, goes through this interface.  The program shows
// real dialogs; tests plug in ScriptedDialogs.
class Dialogs
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    // The button a question leaves selected, the one Enter presses.
    enum class Answer { Yes, No };

    // A display of long work: a text, a bar from minimum to maximum and a
    // Cancel button.  It closes when the object is destroyed.  Core code
    // reports through it without knowing about windows; tests script a cancel.
    class Progress
    {
    public:
        virtual ~Progress() = default;
        virtual void setText(const QString &text) = 0;
        virtual void setRange(int minimum, int maximum) = 0;
        virtual void setValue(int value) = 0;
        // True once the user asked to stop.  Also lets the display repaint, so
        // work calls it regularly.
        virtual bool cancelled() = 0;
    };

    // Where a database on a server is: what the form of Project > Open
    // server database asks (never a password).
    struct ServerForm
    {
        QString host;
        int port = 5432;
        QString database;
        QString user;
    };

    virtual ~Dialogs() = default;

    // A message with an OK button.  An empty title shows the program's name.
    virtual void message(const QString &text, const QString &title = {}, Icon icon = Icon::None) = 0;
    // A Yes/No question; true for Yes.  defaultAnswer is the button Enter
    // presses: questions before something that cannot be undone say No.
    virtual bool question(const QString &text, const QString &title = {}, Icon icon = Icon::Question,
                          Answer defaultAnswer = Answer::Yes) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> input(const QString &prompt, const QString &title,
                                         const QString &defaultText = {}) = 0;
    // One item chosen from a list (current is selected at first); nullopt when
    // cancelled.
    virtual std::optional<QString> chooseItem(const QString &prompt, const QString &title, const QStringList &items,
                                              int current = 0) = 0;
    // A progress display, shown until the returned object is destroyed.
    virtual std::unique_ptr<Progress> progress(const QString &title, const QString &text, int maximum = 100) = 0;
    // A form asking for a server database: host, port, database and user,
    // filled with initial; nullopt when cancelled.
    virtual std::optional<ServerForm> serverForm(const QString &title, const ServerForm &initial) = 0;
    // File dialogs; an empty string when cancelled.  filter uses Qt's
    // "Name (*.ext);;Other (*.x)" form.
    virtual QString openFile(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &proposedPath, const QString &filter) = 0;
    // Ends the program at once.  The caller returns right after calling it.
    virtual void endProgram(int exitCode = 0) = 0;
};

// The dialogs in force.  Never null once the program or a test has set them.
Dialogs &dialogs();
void setDialogs(Dialogs *d);

// The program's name, the title of boxes that have no title of their own.
QString programTitle();

// Answers queued by a test and a record of everything the program showed.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "message", "question", "input", "item", "progress", "server", "open", "save"
        QString text;
        QString title;
        Icon icon = Icon::None;
        QString extra; // default text, folder or filter; the items joined by "|"; a server form's
                       // initial "host|port|database|user"
        Answer defaultAnswer = Answer::Yes; // of a question
    };

    // What a progress display was told, in order.
    struct ProgressLog
    {
        QString title;
        QStringList texts; // the first text, then every change
        int minimum = 0;
        int maximum = 100;
        QList<int> values;
        bool cancelled = false; // it reported a cancel
        bool closed = false;
    };

    // Queue answers, consumed in order by the matching kind of dialog.
    // Unanswered questions say No, inputs, item choices and file dialogs are
    // cancelled.  An item that is not in the list counts as a cancel, as the
    // real list offers nothing else.
    void answerQuestion(bool yes) { m_questions.append(yes); }
    void answerInput(std::optional<QString> text) { m_inputs.append(text); }
    void answerItem(std::optional<QString> item) { m_items.append(item); }
    void answerFile(const QString &path) { m_files.append(path); }
    void answerServer(std::optional<ServerForm> form) { m_servers.append(form); }
    // The next progress display reports a cancel once its value reaches value
    // (one entry per display, in order; displays without one never cancel).
    void cancelProgressAt(int value) { m_cancelAt.append(value); }

    void message(const QString &text, const QString &title, Icon icon) override;
    bool question(const QString &text, const QString &title, Icon icon, Answer defaultAnswer) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    std::optional<QString> chooseItem(const QString &prompt, const QString &title, const QStringList &items,
                                      int current) override;
    std::unique_ptr<Progress> progress(const QString &title, const QString &text, int maximum) override;
    std::optional<ServerForm> serverForm(const QString &title, const ServerForm &initial) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &proposedPath, const QString &filter) override;
    void endProgram(int exitCode) override;

    QList<Shown> shown;
    QList<ProgressLog> progresses; // every progress display, in order of showing
    // Texts of everything shown, in order.
    QStringList texts() const;
    QStringList messages() const; // texts of message boxes only
    bool ended = false;
    int exitCode = 0;

    void clear();

private:
    QList<bool> m_questions;
    QList<std::optional<QString>> m_inputs;
    QList<std::optional<QString>> m_items;
    QStringList m_files;
    QList<std::optional<ServerForm>> m_servers;
    QList<int> m_cancelAt;
};

// Puts a ScriptedDialogs in force for the life of the object.
class ScopedScriptedDialogs : public ScriptedDialogs
{
public:
    ScopedScriptedDialogs();
    ~ScopedScriptedDialogs() override;

private:
    Dialogs *m_previous;
};
