#pragma once

#include <QtGlobal>

class cConnessione;

// Utilities > Delete mapping relations: every relation of one project, or of
// all projects, after a confirmation that states their number.
namespace Cancellazione {

// Relations of a project (0 = all).  Throws DbError.
qint32 conta(cConnessione &connection, qint32 progetto);

// Deletes them and gives how many went.  Throws DbError.
qint32 cancella(cConnessione &connection, qint32 progetto);

// The whole menu command with its prompt, confirmation and messages.
void CancellaRelazioni();

} // namespace Cancellazione
