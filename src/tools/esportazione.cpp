#include "tools/esportazione.h"

#include "base/attesa.h"
#include "base/codepoints.h"
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

QString query(const cConnessione &c, Formato formato, bool oneProject)
{
    // Texts are read as their stored bytes: read the usual way U+FFFE and
    // U+FFFF would already have become U+FFFD.
    auto t = [&c](const char *column, const char *as) {
        return c.exactText(QString::fromLatin1(column)) + QStringLiteral(" AS ") + QString::fromLatin1(as);
    };
    QString sql = QStringLiteral("SELECT ");
    if (formato == Formato::XML)
        sql += t("concepts_1.uri", "trgUri") + QStringLiteral(", ") + t("properties.uri", "relUri") + QStringLiteral(", ")
               + t("concepts.uri", "srcUri") + QStringLiteral(", ") + t("models.dex", "trgTh") + QStringLiteral(" ");
    else
        sql += t("concepts_1.dex", "trgUri") + QStringLiteral(", ") + t("properties.dex", "relUri") + QStringLiteral(", ")
               + t("concepts.dex", "srcUri") + QStringLiteral(", ") + t("models.dex", "trgTh") + QStringLiteral(", ")
               + t("mappingrelations.notes", "notes") + QStringLiteral(" ");
    sql += joins();
    if (oneProject)
        sql += QStringLiteral(" where mappingprojects.id = ?");
    // Grouped by target thesaurus, then relation, then source concept; the id
    // only settles ties, so the same data always gives the same file.
    sql += QStringLiteral(" order by models.dex, properties.dex, concepts.dex, mappingrelations.id");
    return sql;
}

// A text column as the query reads it: its stored UTF-8 bytes.
QString textOf(const QVariant &value)
{
    return value.typeId() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray()) : value.toString();
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

    // A value between its tags; field names it when the value cannot be
    // written as it is.
    void line(const char *open, const QVariant &value, const char *close, const char *field)
    {
        m_buffer.append(open);
        if (!value.isNull()) {
            const QString text = textOf(value);
            bool kept = true;
            m_buffer.append(Esportazione::valore(text, m_formato, &kept));
            if (!kept)
                noteChanged(field, text);
        }
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

    // The values that could not be written as they are (the first few of
    // them, shown), and how many there were.
    const QStringList &changed() const { return m_changed; }
    qint64 changedCount() const { return m_changedCount; }

private:
    static constexpr qsizetype Chunk = qsizetype{256} * 1024;
    static constexpr qsizetype ChangedShown = 20;

    void noteChanged(const char *field, const QString &text)
    {
        if (m_changed.size() < ChangedShown)
            m_changed << QString::fromLatin1(field) + QStringLiteral(": ")
                             + Esportazione::mostraCaratteri(text, m_formato);
        ++m_changedCount;
    }

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
    QStringList m_changed;
    qint64 m_changedCount = 0;
};

void appendReference(QByteArray &out, char32_t codePoint)
{
    out.append("&#");
    out.append(QByteArray::number(static_cast<uint>(codePoint)));
    out.append(';');
}

// Characters XML 1.0 allows in a document (U+FFFE and U+FFFF not even as a
// reference).
bool xmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

// Characters an HTML page without a declared character set gives back as
// written.  A browser reads such a page as windows-1252, which turns the bytes
// 0x80-0x9F into other characters (and references to them likewise), except
// the five that windows-1252 leaves undefined; U+0000 is dropped or replaced.
// Non-characters such as U+FFFE survive as references.
bool htmlChar(char32_t c)
{
    if (c >= 0x80 && c <= 0x9F)
        return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
    return c != 0 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
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
        const QString thesaurus = textOf(rs.value(th));
        if (!previous || *previous != thesaurus) {
            if (previous)
                w.line("</relations>");
            w.line("<src_th>eurovoc</src_th>");
            w.line("<trg_th>", thesaurus, "</trg_th>", "trg_th");
            w.line("<relations>");
            previous = thesaurus;
        }
        w.line("<relation>");
        w.line("<src>", rs.value(src), "</src>", "src");
        w.line("<rel>", rs.value(rel), "</rel>", "rel");
        w.line("<trg>", rs.value(trg), "</trg>", "trg");
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
        w.line("<td width=\"25%\" align=\"left\">", rs.value(src), "</td>", "src prefLabel");
        w.line("<td width=\"10%\" align=\"left\">", rs.value(rel), "</td>", "relation");
        w.line("<td width=\"25%\" align=\"left\">", rs.value(trg), "</td>", "trg prefLabel");
        w.line("<td width=\"10%\" align=\"left\">", rs.value(th), "</td>", "trg thesaurus");
        w.line("<td width=\"30%\" align=\"left\">", rs.value(notes), "</td>", "notes");
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
    if (e.quantiAlterati > 0)
        dialogs().message(Esportazione::avvisoCaratteri(formato, e.alterati, e.quantiAlterati), {},
                          Dialogs::Icon::Warning);
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

QByteArray Esportazione::valore(QStringView text, Formato formato, bool *intatto)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    const bool xml = formato == Formato::XML;
    bool kept = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = CodePoints::codePointAt(text, i);
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
            // A reference, or the parser would fold it into the line end.
            appendReference(out, code);
            continue;
        default: break;
        }
        if (!(xml ? xmlChar(code) : htmlChar(code))) {
            code = 0xFFFD;
            kept = false;
        }
        if (code < 0x100)
            out.append(static_cast<char>(code));
        else
            appendReference(out, code);
    }
    if (intatto)
        *intatto = kept;
    return out;
}

QString Esportazione::mostraCaratteri(QStringView text, Formato formato)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype start = i;
        const char32_t code = CodePoints::codePointAt(text, i);
        if (code == CodePoints::HalfPair)
            out += QStringLiteral("{half of a surrogate pair}");
        else if (code != U'\r' && !(formato == Formato::XML ? xmlChar(code) : htmlChar(code)))
            out += QLatin1Char('{') + CodePoints::name(code) + QLatin1Char('}');
        else
            out += text.mid(start, i - start + 1);
    }
    return out;
}

QString Esportazione::avvisoCaratteri(Formato formato, const QStringList &valori, qint64 quanti)
{
    QString text = QStringLiteral("%1 of the values exported hold characters that %2 cannot hold: in %3 each of "
                                  "them was written as the replacement character U+FFFD. The database is unchanged. "
                                  "The values, with those characters shown as {U+....}:")
                       .arg(quanti)
                       .arg(formato == Formato::XML ? QStringLiteral("an XML 1.0 file") : QStringLiteral("an HTML page"),
                            nomeFile(formato));
    for (const QString &v : valori)
        text += QStringLiteral("\n") + v;
    if (quanti > valori.size())
        text += QStringLiteral("\n... and %1 more").arg(quanti - valori.size());
    return text;
}

Esportazione::Esito Esportazione::scrivi(cConnessione &connection, Formato formato, qint32 progetto,
                                         const QString &path)
{
    Esito e;
    RecordSet rs;
    const bool oneProject = progetto != 0;
    connection.ApriRS(query(connection, formato, oneProject), rs, oneProject ? QVariantList{progetto} : QVariantList{});

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
    e.alterati = w.changed();
    e.quantiAlterati = w.changedCount();
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
