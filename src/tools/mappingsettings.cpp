#include "tools/mappingsettings.h"

#include "data/cConnessione.h"
#include "data/schema.h"

#include <QUuid>

namespace {

const QString table = QStringLiteral("vospan_settings");
const QString idName = QStringLiteral("database_id");
const QString licenseName = QStringLiteral("sssom_license");

} // namespace

QString MappingSettings::value(cConnessione &connection, const QString &name)
{
    if (!connection.hasTable(table))
        return {};
    return connection.scalar(QStringLiteral("select value from vospan_settings where name = ?"), {name}).toString();
}

void MappingSettings::setValue(cConnessione &connection, const QString &name, const QString &value)
{
    // The write lock first: another program may be making the table too.
    cConnessione::Transaction transaction(connection, cConnessione::Lock::Immediate);
    if (!connection.hasTable(table))
        for (const QString &sql : Schema::sideTableStatements(table, connection))
            connection.EseguiIstruzione(sql);
    if (connection.EseguiIstruzione(QStringLiteral("update vospan_settings set value = ? where name = ?"),
                                    QStringLiteral("128"), {value, name})
        == 0)
        connection.EseguiIstruzione(QStringLiteral("insert into vospan_settings (name, value) values (?, ?)"),
                                    QStringLiteral("128"), {name, value});
    transaction.commit();
}

QString MappingSettings::databaseId(cConnessione &connection, bool create)
{
    QString id = value(connection, idName);
    if (!id.isEmpty() || !create || connection.isReadOnly())
        return id;
    id = QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    try {
        setValue(connection, idName, id);
    } catch (const DbError &) {
        // Another writer may have made it first; a file that cannot be
        // written keeps no identity.
        return value(connection, idName);
    }
    return id;
}

QString MappingSettings::recordNamespace(const QString &databaseId)
{
    return databaseId.isEmpty() ? QString() : databaseId + QLatin1Char('#');
}

QString MappingSettings::license(cConnessione &connection)
{
    return value(connection, licenseName);
}

bool MappingSettings::rememberLicense(cConnessione &connection, const QString &license)
{
    if (connection.isReadOnly())
        return false;
    try {
        setValue(connection, licenseName, license);
    } catch (const DbError &) {
        return false;
    }
    return true;
}
