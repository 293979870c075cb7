#include "base/dialogs.h"

namespace {

// Before the program sets its dialogs every box is answered negatively and
// recorded nowhere; ending the program is still honoured by the caller.
ScriptedDialogs &fallback()
{
    static ScriptedDialogs d;
    return d;
}

Dialogs *g_dialogs = nullptr;

// A scripted progress display: writes what it is told into its log and
// cancels at the value the test queued.
class ScriptedProgress : public Dialogs::Progress
{
public:
    ScriptedProgress(QList<ScriptedDialogs::ProgressLog> &logs, qsizetype index, std::optional<int> cancelAt)
        : m_logs(logs), m_index(index), m_cancelAt(cancelAt)
    {
    }
    ~ScriptedProgress() override { log().closed = true; }

    void setText(const QString &text) override
    {
        if (log().texts.isEmpty() || log().texts.constLast() != text)
            log().texts.append(text);
    }
    void setRange(int minimum, int maximum) override
    {
        log().minimum = minimum;
        log().maximum = maximum;
    }
    void setValue(int value) override
    {
        m_value = value;
        log().values.append(value);
    }
    bool cancelled() override
    {
        if (m_cancelAt && m_value >= *m_cancelAt)
            log().cancelled = true;
        return log().cancelled;
    }

private:
    // By index: the list may grow (and move its items) while this display
    // lives; after a clear() of the dialogs the display writes nowhere.
    ScriptedDialogs::ProgressLog &log() { return m_index < m_logs.size() ? m_logs[m_index] : m_orphan; }

    QList<ScriptedDialogs::ProgressLog> &m_logs;
    qsizetype m_index;
    std::optional<int> m_cancelAt;
    int m_value = 0;
    ScriptedDialogs::ProgressLog m_orphan;
};

} // namespace

Dialogs &dialogs()
{
    return g_dialogs ? *g_dialogs : fallback();
}

void setDialogs(Dialogs *d)
{
    g_dialogs = d;
}

QString programTitle()
{
    return QStringLiteral("Vospan - Quendral");
}

void ScriptedDialogs::message(const QString &text, const QString &title, Icon icon)
{
    shown.append({QStringLiteral("message"), text, title, icon, {}});
}

bool ScriptedDialogs::question(const QString &text, const QString &title, Icon icon, Answer defaultAnswer)
{
    shown.append({QStringLiteral("question"), text, title, icon, {}, defaultAnswer});
    return m_questions.isEmpty() ? false : m_questions.takeFirst();
}

std::optional<QString> ScriptedDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    shown.append({QStringLiteral("input"), prompt, title, Icon::None, defaultText});
    return m_inputs.isEmpty() ? std::nullopt : m_inputs.takeFirst();
}

std::optional<QString> ScriptedDialogs::chooseItem(const QString &prompt, const QString &title,
                                                   const QStringList &items, int current)
{
    Q_UNUSED(current);
    shown.append({QStringLiteral("item"), prompt, title, Icon::None, items.join(QLatin1Char('|'))});
    const std::optional<QString> answer = m_items.isEmpty() ? std::nullopt : m_items.takeFirst();
    if (answer && !items.contains(*answer))
        return std::nullopt;
    return answer;
}

std::unique_ptr<Dialogs::Progress> ScriptedDialogs::progress(const QString &title, const QString &text, int maximum)
{
    shown.append({QStringLiteral("progress"), text, title, Icon::None, {}});
    ProgressLog entry;
    entry.title = title;
    entry.texts.append(text);
    entry.maximum = maximum;
    progresses.append(entry);
    const std::optional<int> cancelAt = m_cancelAt.isEmpty() ? std::nullopt : std::optional(m_cancelAt.takeFirst());
    return std::make_unique<ScriptedProgress>(progresses, progresses.size() - 1, cancelAt);
}

std::optional<Dialogs::ServerForm> ScriptedDialogs::serverForm(const QString &title, const ServerForm &initial)
{
    shown.append({QStringLiteral("server"), title, title, Icon::None,
                  QStringList{initial.host, QString::number(initial.port), initial.database, initial.user}.join(
                      QLatin1Char('|'))});
    return m_servers.isEmpty() ? std::nullopt : m_servers.takeFirst();
}

QString ScriptedDialogs::openFile(const QString &title, const QString &folder, const QString &filter)
{
    shown.append({QStringLiteral("open"), title, title, Icon::None, folder + QLatin1Char('|') + filter});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QString ScriptedDialogs::saveFile(const QString &title, const QString &proposedPath, const QString &filter)
{
    shown.append({QStringLiteral("save"), title, title, Icon::None, proposedPath + QLatin1Char('|') + filter});
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

void ScriptedDialogs::endProgram(int code)
{
    ended = true;
    exitCode = code;
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out.append(s.text);
    return out;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == QLatin1String("message"))
            out.append(s.text);
    return out;
}

void ScriptedDialogs::clear()
{
    shown.clear();
    progresses.clear();
    m_questions.clear();
    m_inputs.clear();
    m_items.clear();
    m_cancelAt.clear();
    m_files.clear();
    m_servers.clear();
    ended = false;
    exitCode = 0;
}

ScopedScriptedDialogs::ScopedScriptedDialogs()
    : m_previous(&dialogs())
{
    setDialogs(this);
}

ScopedScriptedDialogs::~ScopedScriptedDialogs()
{
    setDialogs(m_previous == this ? nullptr : m_previous);
}
