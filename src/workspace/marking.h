#pragma once

#include <QString>
#include <QVector>

class cConnessione;

// Which concepts of one side take part in the relations of the current
// mapping project (the marking of mapped concepts).  Widget-free.
namespace Marcatura {

// Project of a target model: the model id below 3, else the id minus one
// (ECLAS 1, ETT 2, UNESCO 4 gives 3, GEMET 5 gives 4).
int progetto(int targetModel);

// "select left_concept_ref as ref from mappingrelations where project_ref = ?"
// for the left side, right_concept_ref for the right one.
QString query(bool leftSide);

// The concept ids of that side, once per relation of the project, in the
// database's order.  Throws DbError when the query cannot run.
QVector<qint32> concetti(cConnessione &connection, bool leftSide, int targetModel);

} // namespace Marcatura
