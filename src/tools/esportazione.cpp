#include "tools/esportazione.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/safesave.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "tools/promptprogetto.h"

#include <QDir>
#include <QSaveFile>
#include <optional>

using namespace mdlGlobale;

namespace {

using Esportazione::Formato;

// The joins shared by both exports: each relation with its source concept,
// target concept, project, target model and relation property.
QString joins()
{
    return QStringLiteral(
        "FROM (((mappingrelations INNER JOIN concepts ON mappingrelations.left_concept_ref = concepts.id) "
        "INNER JOIN concepts AS concepts_1 ON mappingrelations.right_concept_ref = concepts_1.id) "
        "INNER JOIN (mappingprojects INNER JOIN models ON mappingprojects.right_model_ref = models.id) ON "
        "mappingrelations.project_ref = mappingprojects.id) "
        "INNER JOIN properties ON mappingrelations.property_ref = properties.id");
}

QString query(Formato formato, bool oneProject)
{
    QString sql = formato == Formato::XML
                      ? QStringLiteral("SELECT concepts_1.uri AS trgUri, properties.uri AS relUri, "
                                       "concepts.uri AS srcUri, models.dex AS trgTh ")
                      : QStringLiteral("SELECT concepts_1.dex AS trgUri, properties.dex AS relUri, "
                                       "concepts.dex AS srcUri, models.dex AS trgTh, mappingrelations.notes ");
    sql += joins();
    if (oneProject)
        sql += QStringLiteral(" where mappingprojects.id = ?");
    // Grouped by target thesaurus, then relation, then source concept; the id
    // only settles ties, so the same data always gives the same file.
    sql += QStringLiteral(" order by models.dex, properties.dex, concepts.dex, mappingrelations.id");
    return sql;
}

// Lines of the file, gathered in a buffer that goes to disk in large pieces.
class Writer
{
public:
    Writer(QSaveFile &file, Formato formato)
        : m_file(file), m_formato(formato)
    {
        m_buffer.reserve(Chunk + 4096);
    }

    void line(const char *text)
    {
        m_buffer.append(text);
        endLine();
    }

    void line(const char *open, const QVariant &value, const char *close)
    {
        m_buffer.append(open);
        if (!value.isNull())
            m_buffer.append(Esportazione::valore(value.toString(), m_formato));
        m_buffer.append(close);
        endLine();
    }

    // Sends the buffer to the file.  After the first failure nothing more is
    // written and error() says why.
    void flush()
    {
        if (!m_buffer.isEmpty() && m_error.isEmpty())
            SafeSave::write(m_file, m_buffer, &m_error);
        m_buffer.clear();
    }

    QString error() const { return m_error; }

private:
    static constexpr qsizetype Chunk = 256 * 1024;

    void endLine()
    {
        m_buffer.append("\r\n", 2);
        if (m_buffer.size() >= Chunk)
            flush();
    }

    QSaveFile &m_file;
    Formato m_formato;
    QByteArray m_buffer;
    QString m_error;
};

void appendReference(QByteArray &out, char32_t codePoint)
{
    out.append("&#");
    out.append(QByteArray::number(static_cast<uint>(codePoint)));
    out.append(';');
}

// Characters XML 1.0 allows in a document.
bool xmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

void writeRelationsXml(RecordSet &rs, Writer &w, qint32 &n)
{
    const int trg = rs.columnIndex(QStringLiteral("trgUri"));
    const int rel = rs.columnIndex(QStringLiteral("relUri"));
    const int src = rs.columnIndex(QStringLiteral("srcUri"));
    const int th = rs.columnIndex(QStringLiteral("trgTh"));
    // A group starts with the first row even when its thesaurus name is empty.
    std::optional<QString> previous;
    for (; !rs.isEOF(); rs.MoveNext()) {
        const QString thesaurus = rs.value(th).toString();
        if (!previous || *previous != thesaurus) {
            if (previous)
                w.line("</relations>");
            w.line("<src_th>eurovoc</src_th>");
            w.line("<trg_th>", thesaurus, "</trg_th>");
            w.line("<relations>");
            previous = thesaurus;
        }
        w.line("<relation>");
        w.line("<src>", rs.value(src), "</src>");
        w.line("<rel>", rs.value(rel), "</rel>");
        w.line("<trg>", rs.value(trg), "</trg>");
        w.line("</relation>");
        ++n;
    }
    if (previous)
        w.line("</relations>");
}

void writeRelationsHtml(RecordSet &rs, Writer &w, qint32 &n)
{
    if (rs.isEOF())
        return;
    const int trg = rs.columnIndex(QStringLiteral("trgUri"));
    const int rel = rs.columnIndex(QStringLiteral("relUri"));
    const int src = rs.columnIndex(QStringLiteral("srcUri"));
    const int th = rs.columnIndex(QStringLiteral("trgTh"));
    const int notes = rs.columnIndex(QStringLiteral("notes"));
    w.line("<h1>Risultato mapping</h1>");
    w.line("<table border=\"1\">");
    w.line("<tr><th align=\"left\">src prefLabel</th><th align=\"left\">relation</th>"
           "<th align=\"left\">trg prefLabel</th><th align=\"left\">trg thesaurus</th>"
           "<th align=\"left\">notes</th></tr>");
    for (; !rs.isEOF(); rs.MoveNext()) {
        w.line("<tr>");
        w.line("<td width=\"25%\" align=\"left\">", rs.value(src), "</td>");
        w.line("<td width=\"10%\" align=\"left\">", rs.value(rel), "</td>");
        w.line("<td width=\"25%\" align=\"left\">", rs.value(trg), "</td>");
        w.line("<td width=\"10%\" align=\"left\">", rs.value(th), "</td>");
        w.line("<td width=\"30%\" align=\"left\">", rs.value(notes), "</td>");
        w.line("</tr>");
        ++n;
    }
    w.line("</table>");
}

void esporta(Formato formato)
{
    const PromptProgetto::Risposta r = PromptProgetto::chiedi(PromptProgetto::titoloEsportazione());
    if (r.esito == PromptProgetto::Esito::Annullato) {
        if (formato == Formato::XML)
            dialogs().message(QStringLiteral("Export cancelled"));
        return;
    }
    if (r.esito == PromptProgetto::Esito::Rifiutato)
        return;

    const QString name = Esportazione::nomeFile(formato);
    const QString path = vDatabaseFolder + name;
    Esportazione::Esito e;
    try {
        Attesa::Clessidra hourglass;
        e = Esportazione::scrivi(vConnection, formato, r.progetto, path);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return;
    }
    if (!e.scritto) {
        Esportazione::segnalaFileNonScritto(path, e.errore);
        return;
    }
    dialogs().message(QStringLiteral("End of export: ") + QString::number(e.relazioni)
                      + QStringLiteral(" mapping relations exported in ") + QDir::toNativeSeparators(path));
}

} // namespace

void Esportazione::segnalaFileNonScritto(const QString &path, const QString &errore)
{
    dialogs().message(QStringLiteral("The export file %1 cannot be written: %2\n"
                                     "Nothing was exported; an earlier file of that name is unchanged.")
                          .arg(QDir::toNativeSeparators(path), errore),
                      {}, Dialogs::Icon::Critical);
}

QString Esportazione::nomeFile(Formato formato)
{
    return formato == Formato::XML ? QStringLiteral("export.xml") : QStringLiteral("export.html");
}

QByteArray Esportazione::valore(QStringView text, Formato formato)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    const bool xml = formato == Formato::XML;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text.at(i + 1));
            ++i;
        } else if (c.isSurrogate()) {
            code = 0xFFFD; // half a pair carries no character
        }
        switch (code) {
        case U'&': out.append("&amp;"); continue;
        case U'<': out.append("&lt;"); continue;
        case U'>': out.append("&gt;"); continue;
        case U'"':
            if (!xml) {
                out.append("&quot;");
                continue;
            }
            break;
        case U'\r':
            if (xml) {
                appendReference(out, code);
                continue;
            }
            break;
        default: break;
        }
        if (xml && !xmlChar(code))
            code = 0xFFFD;
        if (code < 0x100)
            out.append(static_cast<char>(code));
        else
            appendReference(out, code);
    }
    return out;
}

Esportazione::Esito Esportazione::scrivi(cConnessione &connection, Formato formato, qint32 progetto,
                                         const QString &path)
{
    Esito e;
    RecordSet rs;
    const bool oneProject = progetto != 0;
    connection.ApriRS(query(formato, oneProject), rs, oneProject ? QVariantList{progetto} : QVariantList{});

    QSaveFile file(path);
    if (!SafeSave::open(file, &e.errore)) {
        connection.ChiudiRS(rs);
        return e;
    }
    Writer w(file, formato);
    try {
        if (formato == Formato::XML) {
            w.line("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
            w.line("<mappings>");
            writeRelationsXml(rs, w, e.relazioni);
            w.line("</mappings>");
        } else {
            w.line("<html>");
            w.line("<title>MAPPING</title>");
            w.line("<body>");
            writeRelationsHtml(rs, w, e.relazioni);
            w.line("</body>");
            w.line("</html>");
        }
    } catch (...) {
        // The unfinished temporary file goes; the earlier export stays.
        file.cancelWriting();
        throw;
    }
    connection.ChiudiRS(rs);
    w.flush();
    e.errore = w.error();
    if (!e.errore.isEmpty() || !SafeSave::commit(file, &e.errore)) {
        e.relazioni = 0;
        return e;
    }
    e.scritto = true;
    return e;
}

void Esportazione::EsportaXML()
{
    esporta(Formato::XML);
}

void Esportazione::EsportaHTML()
{
    esporta(Formato::HTML);
}
