#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// Commands for scripts: "vospan --name arguments...".  They run without any
// window, print what they did and end with status 0 on success.
class CommandLine
{
public:
    // A handler gets the arguments after its name, and streams for output and
    // errors; it returns the exit status.  UsageError (wrong arguments) makes
    // the table print the command's usage line after the handler's own words.
    using Handler = std::function<int(const QStringList &args, QTextStream &out, QTextStream &err)>;

    static constexpr int UsageError = 2;

    void add(const QString &name, const QString &usage, Handler handler);

    // True when the arguments are for this table rather than the window: a
    // command of the table, --help, any other option (run() then prints the
    // usage and fails), or more arguments than the one database.
    bool handles(const QStringList &args) const;
    // Runs the command named by args[0].
    int run(const QStringList &args, QTextStream &out, QTextStream &err) const;
    QString usage() const;

    // Runs the work of a handler and gives its status; a failure it throws
    // becomes a line on err and status 1: a DbError as "Error N: description",
    // a refused argument (std::invalid_argument) as its own text.  onFailure
    // runs first, to undo what the work left behind (a half-written file).
    static int reportFailures(QTextStream &err, const std::function<int()> &work,
                              const std::function<void()> &onFailure = {});

private:
    struct Entry
    {
        QString name;
        QString usage;
        Handler handler;
    };
    QList<Entry> m_entries;
};

// Small helper for handlers: the value after "--option" in args, or empty.
QString optionValue(const QStringList &args, const QString &option);
