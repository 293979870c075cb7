#include "tools/mappingimport.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/logging.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "tools/mappingformats.h"
#include "tools/mappingrdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

using namespace mdlGlobale;
using MappingImport::File;
using MappingImport::Tipo;
using MappingImport::Voce;

namespace {

const QString skosNs = QString::fromLatin1(MappingRdf::SkosNamespace);

QByteArray withoutBom(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

// The text of a file that must be UTF-8; false (with the line) when it is not.
bool decodeUtf8(const QByteArray &bytes, QString &text, File &f)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    if (!decoder.hasError())
        return true;
    // Find the first line that does not decode, to name it.
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = d.decode(lines.at(i));
        if (d.hasError()) {
            f.rigaErrore = i + 1;
            break;
        }
    }
    f.errore = QStringLiteral("the text is not UTF-8");
    return false;
}

QString extensionOf(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

// ---- SSSOM ------------------------------------------------------------------

// One YAML scalar (plain, single- or double-quoted); false on a malformed one.
bool yamlScalar(const QString &raw, QString &value, QString &why)
{
    const QString t = raw.trimmed();
    value.clear();
    if (t.startsWith(QLatin1Char('"'))) {
        qsizetype i = 1;
        for (; i < t.size() && t.at(i) != QLatin1Char('"'); ++i) {
            QChar c = t.at(i);
            if (c != QLatin1Char('\\')) {
                value += c;
                continue;
            }
            if (++i >= t.size())
                break;
            const char16_t e = t.at(i).unicode();
            int hexDigits = 0;
            switch (e) {
            case u'"': value += QLatin1Char('"'); break;
            case u'\\': value += QLatin1Char('\\'); break;
            case u'/': value += QLatin1Char('/'); break;
            case u't': value += QLatin1Char('\t'); break;
            case u'n': value += QLatin1Char('\n'); break;
            case u'r': value += QLatin1Char('\r'); break;
            case u'0': value += QChar(0); break;
            case u' ': value += QLatin1Char(' '); break;
            case u'x': hexDigits = 2; break;
            case u'u': hexDigits = 4; break;
            case u'U': hexDigits = 8; break;
            default: why = QStringLiteral("unknown escape \\%1 in a quoted value").arg(QChar(e)); return false;
            }
            if (hexDigits) {
                bool ok = false;
                const uint code = t.mid(i + 1, hexDigits).toUInt(&ok, 16);
                if (!ok || i + hexDigits >= t.size() || code > 0x10FFFF) {
                    why = QStringLiteral("a malformed \\%1 escape in a quoted value").arg(QChar(e));
                    return false;
                }
                const char32_t c32 = code;
                value += QString::fromUcs4(&c32, 1);
                i += hexDigits;
            }
        }
        if (i >= t.size()) {
            why = QStringLiteral("a quoted value is not closed");
            return false;
        }
        const QString rest = t.mid(i + 1).trimmed();
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('#'))) {
            why = QStringLiteral("text after a quoted value");
            return false;
        }
        return true;
    }
    if (t.startsWith(QLatin1Char('\''))) {
        qsizetype i = 1;
        for (;; ++i) {
            if (i >= t.size()) {
                why = QStringLiteral("a quoted value is not closed");
                return false;
            }
            if (t.at(i) == QLatin1Char('\'')) {
                if (i + 1 < t.size() && t.at(i + 1) == QLatin1Char('\'')) {
                    value += QLatin1Char('\'');
                    ++i;
                    continue;
                }
                break;
            }
            value += t.at(i);
        }
        const QString rest = t.mid(i + 1).trimmed();
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('#'))) {
            why = QStringLiteral("text after a quoted value");
            return false;
        }
        return true;
    }
    // A plain value ends where a comment starts.
    qsizetype comment = t.indexOf(QLatin1String(" #"));
    value = (comment < 0 ? t : t.left(comment)).trimmed();
    return true;
}

// The CURIE or IRI of an SSSOM cell as a full IRI; empty (with why) when its
// prefix is not declared.
QString expand(const QString &id, const QHash<QString, QString> &curieMap, QString &why)
{
    const qsizetype colon = id.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        why = QStringLiteral("\"%1\" is neither a CURIE nor an IRI").arg(id);
        return {};
    }
    const QString prefix = id.left(colon);
    auto it = curieMap.constFind(prefix);
    if (it != curieMap.constEnd())
        return *it + id.mid(colon + 1);
    if (prefix == QLatin1String("skos"))
        return skosNs + id.mid(colon + 1);
    if (id.mid(colon + 1).startsWith(QLatin1String("//")) || prefix == QLatin1String("urn"))
        return id; // a full IRI
    why = QStringLiteral("the prefix \"%1\" of \"%2\" is not declared in the curie_map").arg(prefix, id);
    return {};
}

void readSssom(const QString &text, File &f)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    auto lineText = [&lines](int i) {
        QString l = lines.at(i);
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        return l;
    };
    static const QRegularExpression topKey(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)\\s*:(?:\\s+(.*))?$"));
    static const QRegularExpression subKey(QStringLiteral("^\\s+([^\\s:#][^\\s:]*)\\s*:(?:\\s+(.*))?$"));
    QHash<QString, QString> curieMap;
    QString block;
    int i = 0;
    for (; i < lines.size(); ++i) {
        const QString l = lineText(i);
        if (!l.startsWith(QLatin1Char('#')))
            break;
        const QString yaml = l.mid(1);
        if (yaml.trimmed().isEmpty() || yaml.trimmed().startsWith(QLatin1Char('#')) || yaml.trimmed() == QLatin1String("---"))
            continue;
        QString why;
        if (!yaml.front().isSpace()) {
            const QRegularExpressionMatch m = topKey.match(yaml);
            if (!m.hasMatch()) {
                f.errore = QStringLiteral("the metadata line is not a \"key: value\" line");
                f.rigaErrore = i + 1;
                return;
            }
            block = m.captured(1);
            QString value;
            if (!yamlScalar(m.captured(2), value, why)) {
                f.errore = QStringLiteral("the metadata holds %1").arg(why);
                f.rigaErrore = i + 1;
                return;
            }
            continue;
        }
        if (block != QLatin1String("curie_map"))
            continue; // lists and maps of other metadata are not needed here
        const QRegularExpressionMatch m = subKey.match(yaml);
        QString value;
        if (!m.hasMatch() || !yamlScalar(m.captured(2), value, why)) {
            f.errore = m.hasMatch() ? QStringLiteral("the curie_map holds %1").arg(why)
                                    : QStringLiteral("the curie_map line is not a \"prefix: namespace\" line");
            f.rigaErrore = i + 1;
            return;
        }
        curieMap.insert(m.captured(1), value);
    }
    while (i < lines.size() && lineText(i).trimmed().isEmpty())
        ++i;
    if (i >= lines.size()) {
        f.errore = QStringLiteral("the file has no column header (subject_id, predicate_id, object_id...)");
        return;
    }
    const int headerLine = i + 1;
    const QStringList header = lineText(i).split(QLatin1Char('\t'));
    const int subject = static_cast<int>(header.indexOf(QStringLiteral("subject_id")));
    const int predicate = static_cast<int>(header.indexOf(QStringLiteral("predicate_id")));
    const int object = static_cast<int>(header.indexOf(QStringLiteral("object_id")));
    const int comment = static_cast<int>(header.indexOf(QStringLiteral("comment")));
    const int modifier = static_cast<int>(header.indexOf(QStringLiteral("predicate_modifier")));
    if (subject < 0 || predicate < 0 || object < 0) {
        f.errore = QStringLiteral("the column header lacks subject_id, predicate_id or object_id");
        f.rigaErrore = headerLine;
        return;
    }
    for (++i; i < lines.size(); ++i) {
        const QString l = lineText(i);
        if (l.isEmpty())
            continue;
        const QStringList cells = l.split(QLatin1Char('\t'));
        if (cells.size() != header.size()) {
            f.errore = QStringLiteral("the row has %1 columns where the header has %2")
                           .arg(cells.size())
                           .arg(header.size());
            f.rigaErrore = i + 1;
            return;
        }
        auto cell = [&cells](int c) { return MappingFormats::unescapeTsv(cells.at(c)); };
        if (modifier >= 0 && cell(modifier).compare(QLatin1String("Not"), Qt::CaseInsensitive) == 0) {
            f.scartate << QStringLiteral("line %1: a negated mapping (predicate_modifier Not) is not stored").arg(i + 1);
            continue;
        }
        Voce v;
        v.riga = i + 1;
        QString why;
        v.soggetto = expand(cell(subject), curieMap, why);
        if (why.isEmpty())
            v.predicato = expand(cell(predicate), curieMap, why);
        if (why.isEmpty())
            v.oggetto = expand(cell(object), curieMap, why);
        if (!why.isEmpty()) {
            f.scartate << QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            continue;
        }
        if (comment >= 0)
            v.note = cell(comment);
        f.voci.append(std::move(v));
    }
    f.ok = true;
}

// ---- CSV --------------------------------------------------------------------

struct Record
{
    int line;
    QStringList fields;
};

bool parseCsv(const QString &text, QVector<Record> &records, File &f)
{
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        Record rec{line, {}};
        for (;;) {
            QString field;
            if (i < n && text.at(i) == QLatin1Char('"')) {
                const int startLine = line;
                ++i;
                for (;;) {
                    if (i >= n) {
                        f.errore = QStringLiteral("a quoted field that starts here is never closed");
                        f.rigaErrore = startLine;
                        return false;
                    }
                    const QChar c = text.at(i);
                    if (c == QLatin1Char('"')) {
                        if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                            field += c;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                    ++i;
                }
                if (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r')
                    && text.at(i) != QLatin1Char('\n')) {
                    f.errore = QStringLiteral("text follows the closing quote of a field");
                    f.rigaErrore = line;
                    return false;
                }
            } else {
                while (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n')
                       && !(text.at(i) == QLatin1Char('\r') && (i + 1 >= n || text.at(i + 1) == QLatin1Char('\n')))) {
                    if (text.at(i) == QLatin1Char('"')) {
                        f.errore = QStringLiteral("a quote inside a field that is not quoted");
                        f.rigaErrore = line;
                        return false;
                    }
                    field += text.at(i);
                    ++i;
                }
            }
            rec.fields << field;
            if (i < n && text.at(i) == QLatin1Char(',')) {
                ++i;
                continue;
            }
            if (i < n && text.at(i) == QLatin1Char('\r'))
                ++i;
            if (i < n && text.at(i) == QLatin1Char('\n'))
                ++i;
            ++line;
            break;
        }
        records.append(std::move(rec));
    }
    return true;
}

void readCsv(const QString &text, File &f)
{
    QVector<Record> records;
    if (!parseCsv(text, records, f))
        return;
    if (records.isEmpty()) {
        f.errore = QStringLiteral("the file has no header row");
        return;
    }
    const QStringList &header = records.first().fields;
    auto column = [&header](const char *name) {
        for (int c = 0; c < header.size(); ++c)
            if (header.at(c).trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return c;
        return -1;
    };
    const int src = column("source URI");
    const int rel = column("relation");
    const int trg = column("target URI");
    const int notes = column("notes");
    if (src < 0 || rel < 0 || trg < 0) {
        f.errore = QStringLiteral("the header row lacks the columns source URI, relation or target URI");
        f.rigaErrore = records.first().line;
        return;
    }
    for (int r = 1; r < records.size(); ++r) {
        const Record &rec = records.at(r);
        if (rec.fields.size() == 1 && rec.fields.first().isEmpty())
            continue; // an empty line
        if (rec.fields.size() != header.size()) {
            f.errore = QStringLiteral("the row has %1 fields where the header has %2")
                           .arg(rec.fields.size())
                           .arg(header.size());
            f.rigaErrore = rec.line;
            return;
        }
        Voce v;
        v.riga = rec.line;
        v.soggetto = rec.fields.at(src);
        v.predicato = rec.fields.at(rel);
        v.oggetto = rec.fields.at(trg);
        if (notes >= 0)
            v.note = rec.fields.at(notes);
        f.voci.append(std::move(v));
    }
    f.ok = true;
}

// ---- RDF --------------------------------------------------------------------

void readRdf(const QByteArray &bytes, Tipo tipo, const QString &path, File &f)
{
    const MappingRdf::Sintassi sintassi = tipo == Tipo::RdfXml     ? MappingRdf::Sintassi::RdfXml
                                          : tipo == Tipo::NTriples ? MappingRdf::Sintassi::NTriples
                                                                   : MappingRdf::Sintassi::Turtle;
    if (tipo == Tipo::RdfXml) {
        // The XML parser under the RDF library does not say where a file
        // stops being well-formed; this one does.
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError()) {
            f.errore = QStringLiteral("the XML is not well-formed: ") + xml.errorString();
            f.rigaErrore = static_cast<int>(xml.lineNumber());
            return;
        }
    }
    const QByteArray base = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    const MappingRdf::Lettura l = MappingRdf::leggi(bytes, sintassi, base, [&f](const MappingRdf::Letta &s) {
        Voce v;
        v.riga = s.riga;
        v.soggetto = s.soggetto;
        v.predicato = s.predicato;
        v.oggetto = s.oggetto;
        v.soggettoIri = s.soggettoIri;
        v.oggettoIri = s.oggettoIri;
        f.voci.append(std::move(v));
    });
    if (!l.ok) {
        f.voci.clear();
        f.errore = l.errore;
        f.rigaErrore = l.riga;
        return;
    }
    f.ok = true;
}

// ---- matching ---------------------------------------------------------------

struct Concept
{
    qint32 id;
    int model;
};

struct Key
{
    qint32 project, left, right, property;
    bool operator==(const Key &o) const
    {
        return project == o.project && left == o.left && right == o.right && property == o.property;
    }
};

size_t qHash(const Key &k, size_t seed = 0)
{
    return qHashMulti(seed, k.project, k.left, k.right, k.property);
}

QString where(const Voce &v)
{
    return v.riga > 0 ? QStringLiteral("line %1: ").arg(v.riga) : QString();
}

bool isTarget(int model)
{
    return model == Ids::ECLAS || model == Ids::ETT || model == Ids::UNESCO || model == Ids::GEMET;
}

} // namespace

QString MappingImport::nomeTipo(Tipo tipo)
{
    switch (tipo) {
    case Tipo::Turtle: return QStringLiteral("SKOS (Turtle)");
    case Tipo::RdfXml: return QStringLiteral("SKOS (RDF/XML)");
    case Tipo::NTriples: return QStringLiteral("SKOS (N-Triples)");
    case Tipo::Sssom: return QStringLiteral("SSSOM (TSV)");
    case Tipo::Csv: return QStringLiteral("CSV");
    }
    return {};
}

std::optional<Tipo> MappingImport::riconosci(const QString &path, const QByteArray &bytes)
{
    const QString ext = extensionOf(path);
    const QByteArray head = withoutBom(bytes.left(65536));
    const QList<QByteArray> lines = head.split('\n');
    for (const QByteArray &raw : lines) {
        const QByteArray l = raw.trimmed();
        if (l.isEmpty() || l.startsWith('#'))
            continue;
        if (raw.contains('\t') && raw.split('\t').contains("subject_id"))
            return Tipo::Sssom;
        if (l.startsWith("id,source label") || (l.contains("source URI") && l.contains("target URI") && l.contains(',')))
            return Tipo::Csv;
        if (l.startsWith("<?xml") || l.startsWith("<rdf:RDF") || (l.startsWith('<') && head.contains("<rdf:RDF")))
            return Tipo::RdfXml;
        const QByteArray lower = l.toLower();
        if (lower.startsWith("@prefix") || lower.startsWith("@base") || lower.startsWith("prefix ")
            || lower.startsWith("base "))
            return Tipo::Turtle;
        if (l.startsWith('<'))
            return ext == QLatin1String("nt") ? Tipo::NTriples : Tipo::Turtle;
        break;
    }
    if (ext == QLatin1String("ttl") || ext == QLatin1String("turtle"))
        return Tipo::Turtle;
    if (ext == QLatin1String("rdf") || ext == QLatin1String("owl") || ext == QLatin1String("xml"))
        return Tipo::RdfXml;
    if (ext == QLatin1String("nt"))
        return Tipo::NTriples;
    if (ext == QLatin1String("tsv"))
        return Tipo::Sssom;
    if (ext == QLatin1String("csv"))
        return Tipo::Csv;
    return std::nullopt;
}

File MappingImport::leggi(const QByteArray &bytes, Tipo tipo, const QString &path)
{
    File f;
    f.tipo = tipo;
    if (tipo == Tipo::Sssom || tipo == Tipo::Csv) {
        QString text;
        if (!decodeUtf8(withoutBom(bytes), text, f))
            return f;
        if (tipo == Tipo::Sssom)
            readSssom(text, f);
        else
            readCsv(text, f);
        return f;
    }
    readRdf(bytes, tipo, path, f);
    return f;
}

File MappingImport::leggiFile(const QString &path)
{
    File f;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        f.errore = file.errorString();
        return f;
    }
    const QByteArray bytes = file.readAll();
    const std::optional<Tipo> tipo = riconosci(path, bytes);
    if (!tipo) {
        f.errore = QStringLiteral("its format is not recognised (expected SKOS in Turtle, RDF/XML or N-Triples, "
                                  "SSSOM TSV or CSV)");
        return f;
    }
    return leggi(bytes, *tipo, path);
}

QString MappingImport::messaggioErrore(const File &file, const QString &path)
{
    QString text = QStringLiteral("The file %1 cannot be read").arg(QDir::toNativeSeparators(path));
    if (file.rigaErrore > 0)
        text += QStringLiteral(" (line %1)").arg(file.rigaErrore);
    QString reason = file.errore;
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1); // the parsers end some of their messages with a full stop
    return text + QStringLiteral(": ") + reason + QStringLiteral(".\nNothing was imported.");
}

MappingImport::Analisi MappingImport::analizza(cConnessione &connection, const File &file)
{
    Analisi a;
    a.lette = static_cast<int>(file.voci.size() + file.scartate.size());
    a.rifiutate = static_cast<int>(file.scartate.size());
    a.elencoRifiutate = file.scartate;

    // The three mapping properties, by URI and by name.
    QHash<QString, int> byUri;
    QHash<QString, int> byName;
    {
        RecordSet rs;
        connection.ApriRS(QStringLiteral("select id, uri, dex from properties where id in (8, 9, 10)"), rs);
        for (; !rs.isEOF(); rs.MoveNext()) {
            byUri.insert(rs.value(1).toString(), rs.value(0).toInt());
            byName.insert(rs.value(2).toString().toLower(), rs.value(0).toInt());
        }
        connection.ChiudiRS(rs);
    }
    auto property = [&](const QString &p) -> int {
        if (auto it = byUri.constFind(p); it != byUri.constEnd())
            return *it;
        if (p.startsWith(QLatin1String("skos:")))
            if (auto it = byUri.constFind(skosNs + p.mid(5)); it != byUri.constEnd())
                return *it;
        if (auto it = byName.constFind(p.toLower()); it != byName.constEnd())
            return *it;
        return 0;
    };

    // Relations already stored, and the pairs they link.
    QSet<Key> existing;
    QSet<Key> pairs; // property 0
    {
        RecordSet rs;
        connection.ApriRS(QStringLiteral("select project_ref, left_concept_ref, right_concept_ref, property_ref "
                                         "from mappingrelations"),
                          rs);
        for (; !rs.isEOF(); rs.MoveNext()) {
            const Key k{rs.value(0).toInt(), rs.value(1).toInt(), rs.value(2).toInt(), rs.value(3).toInt()};
            existing.insert(k);
            pairs.insert({k.project, k.left, k.right, 0});
        }
        connection.ChiudiRS(rs);
    }

    QSqlQuery lookup = connection.prepare(QStringLiteral("select id, model_ref from concepts where uri = ? order by id"));
    QHash<QString, QVector<Concept>> cache;
    auto concepts = [&](const QString &uri) -> const QVector<Concept> & {
        auto it = cache.find(uri);
        if (it == cache.end()) {
            QVector<Concept> found;
            connection.exec(lookup, {uri});
            while (lookup.next())
                found.append({lookup.value(0).toInt(), lookup.value(1).toInt()});
            lookup.finish();
            it = cache.insert(uri, found);
        }
        return *it;
    };

    QMap<QString, QPair<int, int>> otherPredicates; // predicate -> (count, first line)
    QSet<Key> seen;
    for (const Voce &v : file.voci) {
        const int prop = property(v.predicato);
        if (!prop) {
            auto &entry = otherPredicates[v.predicato];
            if (entry.first++ == 0)
                entry.second = v.riga;
            ++a.rifiutate;
            continue;
        }
        if (!v.soggettoIri || !v.oggettoIri) {
            a.elencoRifiutate << where(v)
                                     + QStringLiteral("the %1 %2 is not a URI")
                                           .arg(v.soggettoIri ? QStringLiteral("object") : QStringLiteral("subject"),
                                                v.soggettoIri ? v.oggetto : v.soggetto);
            ++a.rifiutate;
            continue;
        }
        const QVector<Concept> left = concepts(v.soggetto);
        const QVector<Concept> right = concepts(v.oggetto);
        if (left.isEmpty() || right.isEmpty()) {
            QStringList unknown;
            if (left.isEmpty())
                unknown << QStringLiteral("subject ") + v.soggetto;
            if (right.isEmpty())
                unknown << QStringLiteral("object ") + v.oggetto;
            a.elencoSconosciute << where(v) + unknown.join(QStringLiteral(", "));
            ++a.sconosciute;
            continue;
        }
        QVector<Concept> source, target;
        for (const Concept &c : left)
            if (c.model == Ids::EUROVOC)
                source.append(c);
        for (const Concept &c : right)
            if (isTarget(c.model))
                target.append(c);
        QString why;
        if (source.isEmpty())
            why = QStringLiteral("the subject %1 is not a EUROVOC concept").arg(v.soggetto);
        else if (source.size() > 1)
            why = QStringLiteral("the subject %1 is the URI of %2 EUROVOC concepts").arg(v.soggetto).arg(source.size());
        else if (target.isEmpty())
            why = QStringLiteral("the object %1 is not a concept of a target thesaurus").arg(v.oggetto);
        else if (target.size() > 1)
            why = QStringLiteral("the object %1 is the URI of %2 target concepts").arg(v.oggetto).arg(target.size());
        if (!why.isEmpty()) {
            a.elencoRifiutate << where(v) + why;
            ++a.rifiutate;
            continue;
        }
        const Key k{Ids::projectForModel(target.first().model), source.first().id, target.first().id, prop};
        if (seen.contains(k)) {
            ++a.ripetute;
            continue;
        }
        seen.insert(k);
        if (existing.contains(k)) {
            ++a.presenti;
            continue;
        }
        if (pairs.contains({k.project, k.left, k.right, 0}))
            ++a.altraRelazione;
        Unione::Riga row;
        row.projectRef = k.project;
        row.leftConceptRef = k.left;
        row.rightConceptRef = k.right;
        row.propertyRef = k.property;
        row.notes = v.note.isNull() ? QVariant(QStringLiteral("")) : QVariant(v.note);
        a.nuove.append(row);
        a.righeNuove.append(v.riga);
    }
    lookup = QSqlQuery();
    for (auto it = otherPredicates.cbegin(); it != otherPredicates.cend(); ++it) {
        QString line = QStringLiteral("%1 statements with the predicate %2, which is not a mapping relation")
                           .arg(it->first)
                           .arg(it.key());
        if (it->second > 0)
            line += QStringLiteral(" (first at line %1)").arg(it->second);
        a.elencoRifiutate << line;
    }
    return a;
}

QString MappingImport::riepilogo(const Analisi &a, const QString &path, int limite)
{
    auto list = [limite](const QStringList &items) {
        QString out;
        const int shown = limite > 0 ? std::min<int>(limite, items.size()) : static_cast<int>(items.size());
        for (int i = 0; i < shown; ++i)
            out += QStringLiteral("\n    ") + items.at(i);
        if (items.size() > shown)
            out += QStringLiteral("\n    ... and %1 more").arg(items.size() - shown);
        return out;
    };
    QString text = QStringLiteral("%1: %2 statements read.\n").arg(QDir::toNativeSeparators(path)).arg(a.lette);
    text += QStringLiteral("New mapping relations: %1").arg(a.nuove.size());
    if (a.altraRelazione)
        text += QStringLiteral(" (%1 of them for pairs of concepts that already have another relation)")
                    .arg(a.altraRelazione);
    text += QStringLiteral("\nAlready present with the same relation: %1").arg(a.presenti);
    text += QStringLiteral("\nRepeated in the file: %1").arg(a.ripetute);
    text += QStringLiteral("\nWith URIs unknown to this database: %1").arg(a.sconosciute) + list(a.elencoSconosciute);
    text += QStringLiteral("\nRefused: %1").arg(a.rifiutate) + list(a.elencoRifiutate);
    return text;
}

Unione::Esito MappingImport::registra(cConnessione &connection, const Analisi &analisi)
{
    qCInfo(lcImport) << "storing" << analisi.nuove.size() << "imported mapping relations";
    const Unione::Esito esito = Unione::accoda(connection, analisi.nuove);
    qCInfo(lcImport) << "mapping import ended:" << esito.aggiunte << "relations appended";
    return esito;
}

QString MappingImport::messaggioFallimento(const Analisi &analisi, const Unione::Esito &esito)
{
    const int line = esito.rigaFallita >= 0 && esito.rigaFallita < analisi.righeNuove.size()
                         ? analisi.righeNuove.at(esito.rigaFallita)
                         : -1;
    const QString which = line > 0 ? QStringLiteral("The mapping relation of line %1").arg(line)
                                   : QStringLiteral("A mapping relation");
    return which + QStringLiteral(" cannot be stored: %1.\nThe import was undone: no mapping relation was stored.")
                       .arg(esito.motivo);
}

void MappingImport::ImportaMapping()
{
    const QString title = QStringLiteral("Import mapping relations");
    const QString path = dialogs().openFile(title, vDatabaseFolder,
                                            QStringLiteral("Mapping files (*.ttl *.rdf *.xml *.nt *.tsv *.csv);;"
                                                           "SKOS Turtle (*.ttl);;SKOS RDF/XML (*.rdf *.xml);;"
                                                           "SKOS N-Triples (*.nt);;SSSOM TSV (*.tsv);;CSV (*.csv);;"
                                                           "All files (*)"));
    if (path.isEmpty()) {
        dialogs().message(QStringLiteral("Import cancelled"));
        return;
    }
    File f;
    Analisi a;
    try {
        Attesa::Clessidra hourglass;
        f = leggiFile(path);
        if (f.ok)
            a = analizza(vConnection, f);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return;
    }
    if (!f.ok) {
        dialogs().message(messaggioErrore(f, path), title, Dialogs::Icon::Critical);
        return;
    }
    const QString summary = riepilogo(a, path);
    if (a.nuove.isEmpty()) {
        dialogs().message(summary + QStringLiteral("\n\nNothing new to store."), title);
        return;
    }
    if (!dialogs().question(summary + QStringLiteral("\n\nStore the %1 new mapping relations?").arg(a.nuove.size()),
                            title)) {
        dialogs().message(QStringLiteral("Import cancelled: no mapping relation was stored."), title);
        return;
    }
    Unione::Esito e;
    try {
        Attesa::Clessidra hourglass;
        e = registra(vConnection, a);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return;
    }
    if (!e.unito) {
        dialogs().message(messaggioFallimento(a, e), title, Dialogs::Icon::Critical);
        return;
    }
    // Keep the editor's next id above the ones just used.
    vLastRelationId = std::max(vLastRelationId, e.primoId + e.aggiunte - 1);
    dialogs().message(QStringLiteral("%1 mapping relations imported from %2")
                          .arg(e.aggiunte)
                          .arg(QDir::toNativeSeparators(path)),
                      title);
}
