#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// Every message box, question, input box and file dialog of the program, and
// the ending of the program, goes through this interface.  The program shows
// real dialogs; tests plug in ScriptedDialogs.
class Dialogs
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };

    virtual ~Dialogs() = default;

    // A message with an OK button.  An empty title shows the program's name.
    virtual void message(const QString &text, const QString &title = {}, Icon icon = Icon::None) = 0;
    // A Yes/No question; true for Yes.
    virtual bool question(const QString &text, const QString &title = {}, Icon icon = Icon::Question) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> input(const QString &prompt, const QString &title,
                                         const QString &defaultText = {}) = 0;
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
        QString kind; // "message", "question", "input", "open", "save"
        QString text;
        QString title;
        Icon icon = Icon::None;
        QString extra; // default text, folder or filter
    };

    // Queue answers, consumed in order by the matching kind of dialog.
    // Unanswered questions say No, inputs and file dialogs are cancelled.
    void answerQuestion(bool yes) { m_questions.append(yes); }
    void answerInput(std::optional<QString> text) { m_inputs.append(text); }
    void answerFile(const QString &path) { m_files.append(path); }

    void message(const QString &text, const QString &title, Icon icon) override;
    bool question(const QString &text, const QString &title, Icon icon) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &proposedPath, const QString &filter) override;
    void endProgram(int exitCode) override;

    QList<Shown> shown;
    // Texts of everything shown, in order.
    QStringList texts() const;
    QStringList messages() const; // texts of message boxes only
    bool ended = false;
    int exitCode = 0;

    void clear();

private:
    QList<bool> m_questions;
    QList<std::optional<QString>> m_inputs;
    QStringList m_files;
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
