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

bool ScriptedDialogs::question(const QString &text, const QString &title, Icon icon)
{
    shown.append({QStringLiteral("question"), text, title, icon, {}});
    return m_questions.isEmpty() ? false : m_questions.takeFirst();
}

std::optional<QString> ScriptedDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    shown.append({QStringLiteral("input"), prompt, title, Icon::None, defaultText});
    return m_inputs.isEmpty() ? std::nullopt : m_inputs.takeFirst();
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
    m_questions.clear();
    m_inputs.clear();
    m_files.clear();
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
