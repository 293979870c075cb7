#include "data/serveraddress.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString kScheme = QStringLiteral("postgresql://");
const QString kShortScheme = QStringLiteral("postgres://");

void fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
}

} // namespace

bool ServerAddress::isAddress(const QString &text)
{
    const QString t = text.trimmed();
    return t.startsWith(kScheme, Qt::CaseInsensitive) || t.startsWith(kShortScheme, Qt::CaseInsensitive);
}

std::optional<ServerAddress> ServerAddress::parse(const QString &text, QString *error)
{
    const QString t = text.trimmed();
    if (!isAddress(t)) {
        fail(error, QStringLiteral("A server database is written postgresql://user@host:port/database."));
        return std::nullopt;
    }
    const QUrl url(t, QUrl::StrictMode);
    if (!url.isValid()) {
        fail(error, QStringLiteral("The server address cannot be read: %1").arg(url.errorString()));
        return std::nullopt;
    }
    ServerAddress a;
    a.host = url.host(QUrl::FullyDecoded);
    const int port = url.port(0);
    if (port < 0 || port > 65535) {
        fail(error, QStringLiteral("The port of a server address is a number from 1 to 65535."));
        return std::nullopt;
    }
    a.port = port;
    a.user = url.userName(QUrl::FullyDecoded);
    a.password = url.password(QUrl::FullyDecoded);
    QString path = url.path(QUrl::FullyDecoded);
    if (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    if (path.contains(QLatin1Char('/'))) {
        fail(error, QStringLiteral("A server address names one database: %1 is not a database name.").arg(path));
        return std::nullopt;
    }
    a.database = path;
    QStringList kept;
    const QUrlQuery query(url);
    for (const auto &item : query.queryItems(QUrl::FullyDecoded)) {
        static const QRegularExpression keyword(QStringLiteral("^[a-z_]+$"));
        if (!keyword.match(item.first).hasMatch() || item.second.contains(QLatin1Char(';'))) {
            fail(error, QStringLiteral("The server address holds an option that cannot be passed on: %1")
                            .arg(item.first));
            return std::nullopt;
        }
        if (item.first == QLatin1String("password")) {
            a.password = item.second;
            continue;
        }
        kept << item.first + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(item.second));
    }
    a.options = kept.join(QLatin1Char('&'));
    return a;
}

QString ServerAddress::uri() const
{
    const auto encoded = [](const QString &part) { return QString::fromLatin1(QUrl::toPercentEncoding(part)); };
    QString text = kScheme;
    if (!user.isEmpty())
        text += encoded(user) + QLatin1Char('@');
    // An IPv6 address goes between brackets; no host is the local socket.
    text += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : encoded(host);
    if (port > 0)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + encoded(database);
    if (!options.isEmpty())
        text += QLatin1Char('?') + options;
    return text;
}

QString ServerAddress::describe() const
{
    QString where = host.isEmpty() ? QStringLiteral("the local server") : host;
    if (port > 0)
        where += QLatin1Char(':') + QString::number(port);
    QString text = (database.isEmpty() ? QStringLiteral("the default database") : database) + QStringLiteral(" on ")
                   + where;
    if (!user.isEmpty())
        text += QStringLiteral(" as ") + user;
    return text;
}

QString ServerAddress::driverOptions() const
{
    // Each value quoted as the client library reads quoted values, so that a
    // value with blanks or quotes stays one value and names no other option.
    QStringList quoted;
    for (const QString &pair : options.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        QString value = QUrl::fromPercentEncoding(pair.mid(eq + 1).toLatin1());
        value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
        quoted << pair.left(eq) + QStringLiteral("='") + value + QLatin1Char('\'');
    }
    return quoted.join(QLatin1Char(';'));
}
