#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class cConnessione;

// The two exports of the mapping relations: URIs to an XML file, labels to an
// HTML table.  Both files are written in ISO-8859-1, one text line per item,
// lines ending in CR LF, into the folder of the open database.
namespace Esportazione {

enum class Formato { XML, HTML };

// "export.xml" or "export.html".
QString nomeFile(Formato formato);

// A value as it goes between tags: "&", "<" and ">" escaped (and '"' in
// HTML), characters beyond ISO-8859-1 as numeric character references,
// everything else one byte per character.  In XML a carriage return is kept as
// a reference so a parser does not fold it into the line end, and characters
// XML cannot carry at all (control characters, lone surrogates) become the
// replacement character U+FFFD.
QByteArray valore(QStringView text, Formato formato);

struct Esito
{
    bool scritto = false; // the file is complete and in place
    qint32 relazioni = 0; // relations written
    QString errore;       // why the file could not be written
};

// Writes the relations of one project (0 = every project) to path, replacing
// an earlier file only once the new one is complete.  Query failures throw
// DbError (the earlier file stays as it was); file failures come back in
// Esito::errore.
Esito scrivi(cConnessione &connection, Formato formato, qint32 progetto, const QString &path);

// Export > in XML format and Export > in html: the project prompt, the file
// in vDatabaseFolder and the closing message.  Database errors are shown to
// the user; the program goes on.
// Tells the user that an export file could not be written and that an
// earlier file of that name is unchanged.
void segnalaFileNonScritto(const QString &path, const QString &errore);

void EsportaXML();
void EsportaHTML();

} // namespace Esportazione
