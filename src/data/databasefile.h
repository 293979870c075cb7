#pragma once

#include <QString>
#include <QTextStream>
#include <functional>

class cConnessione;

// Opening a thesaurus database file, shared by Project > Open, the merge and
// the script commands.
namespace mdlUtil {

// Opens a connection and tells the user when that fails
// ("Connessione non riuscita a: " and the connection string).
bool ApriDatabase(cConnessione &connection, const QString &connectionString);

} // namespace mdlUtil

namespace Progetto {

// What Open does with an Access (Jet) file: given its path, returns the path of
// a database of this program to open instead, or an empty string when the
// file is not to be opened.  Without a converter such files are refused.
using JetConverter = std::function<QString(const QString &jetPath)>;
void setJetConverter(JetConverter converter);

// The file Open would open for a chosen one: the file itself, or for an Access
// (Jet) file what the converter gives (empty when it is not to be opened).
QString fileDaAprire(const QString &chosen);

// The filter of the Open dialog.
QString filtroDatabase();

} // namespace Progetto

// Opens a database for a script command (read-only when asked); false, after
// saying why on err, when it cannot.
bool openDatabaseForCommand(cConnessione &connection, const QString &path, bool readOnly, QTextStream &err);
