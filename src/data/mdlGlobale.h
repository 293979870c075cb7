#pragma once

#include "data/cConnessione.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

// Program-wide state shared by the windows and commands.
namespace mdlGlobale {

// One node of a concept tree: record i belongs to tree node index i + 1.
struct NodeRecord
{
    qint32 conceptId = 0;
    qint32 isLeaf = 0;
};

// The one shared database connection, created on first use and kept for the
// whole run (never destroyed, so it outlives every window).
inline cConnessione &vConnection = *new cConnessione;

inline bool vProjectOpen = false;
inline QString vDatabaseFolder;     // folder of the open database, ending in a separator
inline qint32 vLastRelationId = 0;  // highest mapping-relation id used so far
inline qint32 vEditRelationId = 0;  // relation being edited; 0 or less: a new one

inline QStringList vRelationNames;      // "exactMatch", "broadMatch", "narrowMatch"
inline QVector<int> vRelationProperties; // 9, 8, 10

inline int vTargetModel = 0;  // target model of the current mapping (1, 2, 4, 5)
inline QString vEurovocField; // two-digit EUROVOC field code
inline QString vTargetSubset; // chosen top-level subset of the target, empty for all

// Hand-over values of the mapping being opened.
inline QString vSourceName;
inline QString vTargetName;
inline QString vRootQuery;
inline QVariantList vRootParams; // values bound to vRootQuery's placeholders
inline QString vTreeSide;
inline QString vTreeCaption;

inline QVector<NodeRecord> vLeftNodes;
inline QVector<NodeRecord> vRightNodes;
inline qint32 vLeftCount = 0;
inline qint32 vRightCount = 0;
inline qint32 vLeftCurrent = 0;
inline qint32 vRightCurrent = 0;

// Fills the two parallel relation lists.
void RiempiRelazioni();

// Highest mappingrelations.id of the connection's database, 0 for an empty
// table.  Throws DbError when the table cannot be read.  Ids are 32-bit; an id
// that another tool stored beyond that range counts as the largest 32-bit id,
// so that no new id is ever handed out by wrapping round below it.
qint32 LeggiUltimoId(cConnessione &connection);
// The same highest id exactly as stored (0 for an empty table), for callers
// that must say how far beyond the 32-bit range it lies.
qint64 LeggiUltimoIdEsatto(cConnessione &connection);

// Puts every variable back to its start-of-run value (the connection itself is
// left alone).  Used when a test starts afresh.
void AzzeraStato();

} // namespace mdlGlobale
