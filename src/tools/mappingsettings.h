#pragma once

#include <QString>

class cConnessione;

// What the mapping exchange remembers in a database, in a small table of
// this program's own ("vospan_settings": name, value).  The thesaurus tables
// are never touched.
namespace MappingSettings {

// The value of a setting; empty when it was never set or the database has
// no settings table.  Throws DbError only on a query that cannot run for
// another reason.
QString value(cConnessione &connection, const QString &name);

// Sets a value, creating the table at its first use.  Throws DbError (for
// example on a read-only database).
void setValue(cConnessione &connection, const QString &name, const QString &value);

// The database's own identity, a "urn:uuid:" URI made at its first use
// (when create is true).  Empty when it does not exist yet and is not or
// cannot be stored (read-only file).
QString databaseId(cConnessione &connection, bool create = true);

// The namespace of the record ids of this database's relations: the
// identity followed by "#", so that relation 42 is "<identity>#42".
QString recordNamespace(const QString &databaseId);

// The license last given for an SSSOM export of this database, empty when
// none was.
QString license(cConnessione &connection);
// Remembers it; false when the database cannot store it (read-only).
bool rememberLicense(cConnessione &connection, const QString &license);

} // namespace MappingSettings
