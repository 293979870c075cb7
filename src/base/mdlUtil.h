#pragma once

#include <QString>

class DbError;

namespace mdlUtil {

// Shows a database error with its number and description.
void MostraErrore(const DbError &error);

// The text MostraErrore shows.
QString testoErrore(const DbError &error);

// The folder the program's own files are read from (help guide, icons): the
// executable's folder, or the installed data folder when the program was
// installed.  Ends with a separator.
QString CartellaApplicazione();

// Lets tests point the program at another folder for its own files.
void setCartellaApplicazione(const QString &folder);

// The name of the operating-system account the program runs under.
QString accountName();

} // namespace mdlUtil
