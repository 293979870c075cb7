#pragma once

#include <QString>
#include <QStringList>

// The fixed lists of the thesauri choice: the EUROVOC fields, the top-level
// subsets of each target thesaurus (each equal to the description of a
// top-level concept of that thesaurus) and the hint shown for each target.
namespace Scelte {

QStringList eurovocFields();
// Empty for a model that is not a target.
QStringList subsets(int model);
QString hint(int model);

} // namespace Scelte
