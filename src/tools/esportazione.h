#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
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
// everything else one byte per character.  A carriage return is kept as a
// reference so a parser does not fold it into the line end.  A character the
// format cannot give back (in XML: control characters, U+FFFE, U+FFFF; in
// HTML: U+0000 and what a browser reads as windows-1252; in both: half of a
// surrogate pair) becomes the replacement character U+FFFD, and *intatto is
// then false.
QByteArray valore(QStringView text, Formato formato, bool *intatto = nullptr);

// The text with each character the format cannot give back shown as
// "{U+FFFE}", for telling the user.
QString mostraCaratteri(QStringView text, Formato formato);

// What the user is told when quanti values could not be written as they are;
// valori are the first of them as "field: shown text".
QString avvisoCaratteri(Formato formato, const QStringList &valori, qint64 quanti);

struct Esito
{
    bool scritto = false; // the file is complete and in place
    qint32 relazioni = 0; // relations written
    QString errore;       // why the file could not be written
    // Values written with U+FFFD in place of characters the format cannot
    // hold: the first of them ("field: text", see mostraCaratteri), and how
    // many there were in all.
    QStringList alterati;
    qint64 quantiAlterati = 0;
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
