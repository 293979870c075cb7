#include "base/commandline.h"

#include "base/DbError.h"
#include "base/mdlUtil.h"

#include <stdexcept>

void CommandLine::add(const QString &name, const QString &usage, Handler handler)
{
    m_entries.append({name, usage, std::move(handler)});
}

bool CommandLine::handles(const QStringList &args) const
{
    if (args.isEmpty())
        return false;
    const QString &first = args.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h"))
        return true;
    for (const Entry &e : m_entries)
        if (e.name == first)
            return true;
    // An option no command has (a typo) must not start the window, which
    // would wait for a user that a script does not have; nor may more than
    // the one database the window opens.
    return first.startsWith(QLatin1Char('-')) || args.size() > 1;
}

int CommandLine::run(const QStringList &args, QTextStream &out, QTextStream &err) const
{
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        out << usage();
        return 0;
    }
    for (const Entry &e : m_entries)
        if (e.name == args.first()) {
            const int status = e.handler(args.mid(1), out, err);
            if (status == UsageError)
                err << "Usage: vospan " << e.usage << "\n";
            return status;
        }
    if (args.first().startsWith(QLatin1Char('-')))
        err << "Unknown option: " << args.first() << "\n" << usage();
    else
        err << "Only one database can be opened: " << args.mid(1).join(QLatin1Char(' ')) << "\n" << usage();
    return UsageError;
}

QString CommandLine::usage() const
{
    QString text = QStringLiteral("Usage: vospan [DATABASE]\n       vospan COMMAND ARGUMENTS\n\nCommands:\n");
    for (const Entry &e : m_entries)
        if (!e.usage.isEmpty()) // internal commands have none
            text += QStringLiteral("  ") + e.usage + QLatin1Char('\n');
    return text;
}

int CommandLine::reportFailures(QTextStream &err, const std::function<int()> &work,
                                const std::function<void()> &onFailure)
{
    try {
        return work();
    } catch (const DbError &e) {
        if (onFailure)
            onFailure();
        err << mdlUtil::testoErrore(e) << "\n";
    } catch (const std::invalid_argument &e) {
        if (onFailure)
            onFailure();
        err << QString::fromStdString(e.what()) << "\n";
    }
    return 1;
}

QString optionValue(const QStringList &args, const QString &option)
{
    const int i = static_cast<int>(args.indexOf(option));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}
