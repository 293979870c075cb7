#pragma once

#include <QString>
#include <optional>

// Where a thesaurus database on a PostgreSQL server is: the parts of a
// connection address "postgresql://user@host:port/database?option=value".
// A password is never kept by the program: the server's client library reads
// it from the standard password file (~/.pgpass, PGPASSFILE) or from
// PGPASSWORD.  One written into an address typed by the user is used for that
// connection and shown or passed on nowhere.  Options (sslmode=require, ...)
// go to the client library as they are; TLS is as it sets it.
struct ServerAddress
{
    QString host;      // empty: the client library's default (PGHOST, the local socket)
    int port = 0;      // 0: the client library's default (PGPORT, 5432)
    QString database;  // empty: the client library's default (PGDATABASE, the user's name)
    QString user;      // empty: the client library's default (PGUSER, the login name)
    QString password;  // only when typed into the address; never stored or shown
    QString options;   // "key=value" pairs joined by '&', the values percent-encoded, as after '?'

    // True when the text names a server database rather than a file.
    static bool isAddress(const QString &text);

    // Reads an address; nullopt, with the reason in error, when the text is
    // not one this program can use.
    static std::optional<ServerAddress> parse(const QString &text, QString *error = nullptr);

    // The address without its password: what the program shows, logs and
    // compares ("postgresql://alice@db.example.org:5432/thesauri").
    QString uri() const;

    // What the status bar says: "thesauri on db.example.org:5432 as alice".
    QString describe() const;

    // The options as the Qt driver takes them, each value quoted for the
    // client library ("sslmode='require';connect_timeout='5'").
    QString driverOptions() const;
};
