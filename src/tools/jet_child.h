#pragma once

#include "tools/jet_convert.h"

// The two halves of the Access conversion: the reading itself, done in this
// process, and the same reading run in a child process of the program (whose
// crash, hang or runaway memory ends only the child).
namespace JetChild {

// In this process.
bool readTableNames(const QString &jetPath, QStringList &names, QString &error);
// Converts into a new file at dbPath (it must not exist yet).  The progress
// routine hears of every 256 rows copied.
Jet::Result convertHere(const QString &jetPath, const QString &dbPath, bool thesaurus, const Jet::Progress &progress);

// The same, in a child process of Jet::childProgram().
bool tableNamesInChild(const QString &jetPath, QStringList &names, QString &error);
Jet::Result convertInChild(const QString &jetPath, const QString &dbPath, bool thesaurus, const Jet::Progress &progress);

} // namespace JetChild
