#include "shell/cli.h"

#include "data/cConnessione.h"

#include <QFileInfo>

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
    return false;
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
    err << "Unknown command: " << args.first() << "\n" << usage();
    return 2;
}

QString CommandLine::usage() const
{
    QString text = QStringLiteral("Usage: vospan [DATABASE]\n       vospan COMMAND ARGUMENTS\n\nCommands:\n");
    for (const Entry &e : m_entries)
        text += QStringLiteral("  ") + e.usage + QLatin1Char('\n');
    return text;
}

CommandLine &CommandLine::program()
{
    static CommandLine cli = [] {
        CommandLine c;
        addDataCommands(c);
        addToolsCommands(c);
        addImportCommands(c);
        return c;
    }();
    return cli;
}

QString optionValue(const QStringList &args, const QString &option)
{
    const int i = static_cast<int>(args.indexOf(option));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

bool openDatabaseForCommand(cConnessione &c, const QString &path, bool readOnly, QTextStream &err)
{
    QString cs = cConnessione::connectionStringFor(QFileInfo(path).absoluteFilePath());
    if (readOnly)
        cs.replace(QStringLiteral(";Data Source="), QStringLiteral(";Mode=Read;Data Source="));
    if (c.ApriConnessione(cs))
        return true;
    err << "Cannot open " << path << ": " << c.lastOpenError() << "\n";
    return false;
}
