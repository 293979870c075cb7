#include "tools/jet_child.h"

#include "base/logging.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QString g_program;
int g_stallMs = 30000;

// The child's address space is capped, so that a reader running away on a
// damaged file fails there instead of exhausting the machine.  A sanitizer
// build reserves vast address ranges of its own and is left alone.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCapMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCapMemory = false;
#else
constexpr bool kCapMemory = true;
#endif
#else
constexpr bool kCapMemory = true;
#endif
constexpr rlim_t kChildMemory = rlim_t(4) << 30;

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QJsonObject toJson(const Jet::Result &r)
{
    QJsonArray tables;
    for (const Jet::TableReport &t : r.tables)
        tables.append(QJsonObject{{QStringLiteral("name"), t.name}, {QStringLiteral("rows"), t.rows}});
    return {{QStringLiteral("status"), static_cast<int>(r.status)},
            {QStringLiteral("message"), r.message},
            {QStringLiteral("tables"), tables},
            {QStringLiteral("missing"), QJsonArray::fromStringList(r.missing)}};
}

Jet::Result fromJson(const QJsonObject &o)
{
    Jet::Result r;
    const int status = o.value(QStringLiteral("status")).toInt(-1);
    r.status = status >= 0 && status <= static_cast<int>(Jet::Result::Status::NotThesaurus)
                   ? static_cast<Jet::Result::Status>(status)
                   : Jet::Result::Status::Failed;
    r.message = o.value(QStringLiteral("message")).toString();
    for (const QJsonValue &t : o.value(QStringLiteral("tables")).toArray())
        r.tables.append({t[QStringLiteral("name")].toString(), t[QStringLiteral("rows")].toInteger()});
    for (const QJsonValue &m : o.value(QStringLiteral("missing")).toArray())
        r.missing << m.toString();
    return r;
}

// The child's answers: one JSON object per line on a descriptor of its own.
class Channel
{
public:
    explicit Channel(int fd) : m_fd(fd) {}
    ~Channel() { ::close(m_fd); }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    void send(const QJsonObject &o) const
    {
        const QByteArray line = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
        qsizetype done = 0;
        while (done < line.size()) {
            const ssize_t n = ::write(m_fd, line.constData() + done, static_cast<size_t>(line.size() - done));
            if (n <= 0)
                return;
            done += n;
        }
    }

private:
    int m_fd;
};

enum class Outcome { Finished, Stopped, Stalled, Crashed, NotStarted };

// Runs the child with the arguments and hands each line it answers to
// onLine; onLine returning false stops the child.
Outcome runChild(const QStringList &args, const std::function<bool(const QJsonObject &)> &onLine)
{
    QProcess p;
    p.setProgram(g_program);
    p.setArguments(QStringList{QStringLiteral("--jet-child")} + args);
    if (kCapMemory)
        p.setChildProcessModifier([] {
            const rlimit limit{kChildMemory, kChildMemory};
            setrlimit(RLIMIT_AS, &limit);
        });
    p.start();
    if (!p.waitForStarted(10000))
        return Outcome::NotStarted;

    auto stop = [&p](Outcome why) {
        p.kill();
        p.waitForFinished(5000);
        return why;
    };
    QByteArray pending;
    auto lines = [&]() {
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(pending.left(end)).object();
            pending.remove(0, end + 1);
            if (!onLine(o))
                return false;
        }
        return true;
    };
    QElapsedTimer quiet;
    quiet.start();
    for (;;) {
        p.waitForReadyRead(50);
        // The Access library's own remarks: for the log, never for the user.
        const QByteArray noise = p.readAllStandardError();
        if (!noise.isEmpty())
            qCDebug(lcImport).noquote() << QString::fromLocal8Bit(noise).trimmed();
        const QByteArray chunk = p.readAllStandardOutput();
        if (!chunk.isEmpty()) {
            quiet.restart();
            pending += chunk;
            if (!lines())
                return stop(Outcome::Stopped);
        }
        if (p.state() == QProcess::NotRunning)
            break;
        if (quiet.elapsed() > g_stallMs)
            return stop(Outcome::Stalled);
    }
    pending += p.readAllStandardOutput();
    if (!lines())
        return Outcome::Stopped;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? Outcome::Finished : Outcome::Crashed;
}

QString childFailure(Outcome outcome, const QString &jetPath)
{
    const QString file = fileName(jetPath);
    switch (outcome) {
    case Outcome::NotStarted:
        return QStringLiteral("The Access file %1 cannot be read: the reader (%2) cannot be started.")
            .arg(file, g_program);
    case Outcome::Stalled:
        return QStringLiteral("The Access file %1 cannot be read: it is damaged, and the reader made no progress for "
                              "%2 seconds, so it was stopped.")
            .arg(file)
            .arg(qMax(1, g_stallMs / 1000));
    default:
        return QStringLiteral("The Access file %1 cannot be read: it is damaged, and reading it stopped the reader.")
            .arg(file);
    }
}

} // namespace

void Jet::setChildProgram(const QString &program)
{
    g_program = program;
}

QString Jet::childProgram()
{
    return g_program;
}

void Jet::setStallTimeout(int milliseconds)
{
    g_stallMs = milliseconds;
}

bool JetChild::tableNamesInChild(const QString &jetPath, QStringList &names, QString &error)
{
    bool answered = false;
    bool ok = false;
    const Outcome outcome = runChild({QStringLiteral("tables"), jetPath}, [&](const QJsonObject &o) {
        answered = true;
        ok = o.contains(QStringLiteral("tables"));
        names.clear();
        for (const QJsonValue &v : o.value(QStringLiteral("tables")).toArray())
            names << v.toString();
        error = o.value(QStringLiteral("error")).toString();
        return true;
    });
    if (outcome != Outcome::Finished || !answered) {
        names.clear();
        error = childFailure(outcome, jetPath);
        return false;
    }
    return ok;
}

Jet::Result JetChild::convertInChild(const QString &jetPath, const QString &dbPath, bool thesaurus,
                                     const Jet::Progress &progress)
{
    std::optional<Jet::Result> result;
    bool cancelled = false;
    const QStringList args = {QStringLiteral("convert"), jetPath, dbPath,
                              thesaurus ? QStringLiteral("thesaurus") : QStringLiteral("plain")};
    const Outcome outcome = runChild(args, [&](const QJsonObject &o) {
        if (o.contains(QStringLiteral("result"))) {
            result = fromJson(o.value(QStringLiteral("result")).toObject());
            return true;
        }
        if (progress && o.contains(QStringLiteral("progress")))
            cancelled = !progress(o.value(QStringLiteral("progress")).toInt(), o.value(QStringLiteral("table")).toString());
        return !cancelled;
    });
    Jet::Result r;
    if (cancelled) {
        r.status = Jet::Result::Status::Cancelled;
        r.message = QStringLiteral("Conversion cancelled.");
    } else if (outcome != Outcome::Finished || !result) {
        r.status = Jet::Result::Status::Failed;
        r.message = childFailure(outcome, jetPath) + QStringLiteral(" Nothing was converted.");
    } else {
        r = *result;
    }
    return r;
}

int Jet::childCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    Q_UNUSED(err);
    const QString mode = args.value(0);
    const bool tables = mode == QLatin1String("tables") && args.size() == 2;
    const bool convert = mode == QLatin1String("convert") && args.size() == 4;
    if (!tables && !convert)
        return 2;
    // The answers keep the standard output to themselves: the Access library
    // prints remarks there, which go to the error output instead.
    out.flush();
    std::fflush(stdout);
    const int fd = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    const Channel channel(fd);
    if (tables) {
        QStringList names;
        QString error;
        if (JetChild::readTableNames(args.at(1), names, error))
            channel.send({{QStringLiteral("tables"), QJsonArray::fromStringList(names)}});
        else
            channel.send({{QStringLiteral("error"), error}});
        return 0;
    }
    const Jet::Result r = JetChild::convertHere(
        args.at(1), args.at(2), args.at(3) == QLatin1String("thesaurus"), [&](int percent, const QString &table) {
            channel.send({{QStringLiteral("progress"), percent}, {QStringLiteral("table"), table}});
            return true;
        });
    channel.send({{QStringLiteral("result"), toJson(r)}});
    return 0;
}
