#include "tools/mappingimport.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/logging.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "data/relationstore.h"
#include "tools/mappingalignment.h"
#include "tools/mappingcsv.h"
#include "tools/mappingrdf.h"
#include "tools/mappingsettings.h"
#include "tools/mappingsssom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

#include <limits>

using namespace mdlGlobale;
using MappingImport::File;
using MappingImport::Tipo;
using MappingImport::Voce;

namespace {

const QString skosNs = QString::fromLatin1(MappingRdf::SkosNamespace);

// RDF/XML nested deeper than this is refused before the RDF library sees it.
constexpr int maxXmlDepth = 1000;

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
        const QString decoded = d.decode(lines.at(i)); // decoding happens when the result is taken
        Q_UNUSED(decoded)
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

// The XML parser under the RDF library neither says where a file stops being
// well-formed nor guards its own depth; this walk does both first.
bool checkXml(const QByteArray &bytes, File &f)
{
    QXmlStreamReader xml(bytes);
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && ++depth > maxXmlDepth) {
            f.errore = QStringLiteral("the XML is nested more than %1 elements deep").arg(maxXmlDepth);
            f.rigaErrore = static_cast<int>(xml.lineNumber());
            return false;
        }
        if (xml.isEndElement())
            --depth;
    }
    if (!xml.hasError())
        return true;
    f.errore = QStringLiteral("the XML is not well-formed: ") + xml.errorString();
    f.rigaErrore = static_cast<int>(xml.lineNumber());
    return false;
}

void readRdf(const QByteArray &bytes, Tipo tipo, const QString &path, File &f)
{
    const MappingRdf::Sintassi sintassi = tipo == Tipo::RdfXml     ? MappingRdf::Sintassi::RdfXml
                                          : tipo == Tipo::NTriples ? MappingRdf::Sintassi::NTriples
                                                                   : MappingRdf::Sintassi::Turtle;
    if (tipo == Tipo::RdfXml && !checkXml(bytes, f))
        return;
    const QByteArray base = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    QVector<MappingRdf::Letta> triples;
    const MappingRdf::Lettura l =
        MappingRdf::leggi(bytes, sintassi, base, [&triples](const MappingRdf::Letta &s) { triples.append(s); });
    if (!l.ok) {
        f.errore = l.errore;
        f.rigaErrore = l.riga;
        return;
    }
    Sssom::readTriples(triples, f);
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

// A predicate as the summary names it: a CURIE of a well-known prefix, else
// as read.
QString shownPredicate(const QString &iri)
{
    for (const auto &[prefix, ns] : Sssom::builtInPrefixes())
        if (iri.startsWith(ns) && iri.size() > ns.size())
            return prefix + QLatin1Char(':') + iri.mid(ns.size());
    return iri;
}

// The relations of the database: their keys, the pairs they link, their ids.
struct Stored
{
    QSet<Key> keys;
    QSet<Key> pairs; // property 0
    QSet<qint64> ids;
    qint64 highestId = 0;
};

Stored readStored(cConnessione &connection)
{
    Stored s;
    RecordSet rs;
    connection.ApriRS(QStringLiteral("select id, project_ref, left_concept_ref, right_concept_ref, property_ref "
                                     "from mappingrelations"),
                      rs);
    for (; !rs.isEOF(); rs.MoveNext()) {
        const qint64 id = rs.value(0).toLongLong();
        const Key k{rs.value(1).toInt(), rs.value(2).toInt(), rs.value(3).toInt(), rs.value(4).toInt()};
        s.keys.insert(k);
        s.pairs.insert({k.project, k.left, k.right, 0});
        s.ids.insert(id);
        s.highestId = std::max(s.highestId, id);
    }
    connection.ChiudiRS(rs);
    return s;
}

// The id a record of this database names, 0 when it names none.
qint32 recordedId(const QString &recordId, const QString &recordNamespace)
{
    if (recordNamespace.isEmpty() || !recordId.startsWith(recordNamespace))
        return 0;
    bool ok = false;
    const qint64 id = QStringView(recordId).mid(recordNamespace.size()).toLongLong(&ok);
    return ok && id > 0 && id <= std::numeric_limits<qint32>::max() ? static_cast<qint32>(id) : 0;
}

// Matches statements to the database, one at a time, into an analysis.
class Matcher
{
public:
    Matcher(cConnessione &connection, MappingImport::Analisi &a)
        : m_connection(connection), m_a(a),
          m_lookup(connection.prepare(QStringLiteral("select id, model_ref from concepts where uri = ? order by id")))
    {
        RecordSet rs;
        connection.ApriRS(QStringLiteral("select id, uri, dex from properties where id in (8, 9, 10)"), rs);
        for (; !rs.isEOF(); rs.MoveNext()) {
            m_byUri.insert(rs.value(1).toString(), rs.value(0).toInt());
            m_byName.insert(rs.value(2).toString().toLower(), rs.value(0).toInt());
        }
        connection.ChiudiRS(rs);
        m_records = MappingSettings::recordNamespace(MappingSettings::databaseId(connection, false));
    }

    void notStored(const QString &reason, int line)
    {
        ++m_a.nonRegistrate;
        auto it = m_notStored.find(reason);
        if (it == m_notStored.end()) {
            it = m_notStored.insert(reason, static_cast<int>(m_a.motiviNonRegistrate.size()));
            m_a.motiviNonRegistrate.append({reason, 0, line});
        }
        ++m_a.motiviNonRegistrate[*it].conteggio;
    }

    void match(const Voce &v)
    {
        const int prop = property(v.predicato);
        if (!prop) {
            notStored(QStringLiteral("%1, which is not a mapping relation of this program").arg(shownPredicate(v.predicato)),
                      v.riga);
            return;
        }
        if (!v.soggettoIri || !v.oggettoIri) {
            refuse(v, QStringLiteral("the %1 %2 is not a URI")
                          .arg(v.soggettoIri ? QStringLiteral("object") : QStringLiteral("subject"),
                               v.soggettoIri ? v.oggetto : v.soggetto));
            return;
        }
        Concept source{}, target{};
        if (!concepts(v, source, target))
            return;
        store(v, {Ids::projectForModel(target.model), source.id, target.id, prop});
    }

    // Looks up the concepts of every URI the statements name, a hundred URIs
    // a query: one query a URI costs more than the matching itself on a file
    // of many thousand rows, and far longer lists make binding the
    // parameters slower than the queries they save.
    void prefetch(const QVector<Voce> &voci)
    {
        QStringList wanted;
        QSet<QString> listed;
        for (const Voce &v : voci)
            for (const QString *uri : {&v.soggetto, &v.oggetto})
                if (!uri->isEmpty() && !listed.contains(*uri) && !m_cache.contains(*uri)) {
                    listed.insert(*uri);
                    wanted << *uri;
                }
        constexpr qsizetype batch = 100;
        for (qsizetype from = 0; from < wanted.size(); from += batch) {
            const QStringList part = wanted.mid(from, batch);
            QVariantList params;
            params.reserve(part.size());
            for (const QString &uri : part) {
                params << uri;
                m_cache.insert(uri, {});
            }
            QStringList marks(part.size(), QStringLiteral("?"));
            RecordSet rs;
            m_connection.ApriRS(QStringLiteral("select uri, id, model_ref from concepts where uri in (%1) order by id")
                                    .arg(marks.join(QLatin1Char(','))),
                                rs, params);
            for (; !rs.isEOF(); rs.MoveNext()) {
                auto it = m_cache.find(rs.value(0).toString());
                if (it != m_cache.end())
                    it->append({rs.value(1).toInt(), rs.value(2).toInt()});
            }
            m_connection.ChiudiRS(rs);
        }
    }

    void finish() { m_lookup = QSqlQuery(); }

private:
    int property(const QString &p) const
    {
        if (auto it = m_byUri.constFind(p); it != m_byUri.constEnd())
            return *it;
        if (p.startsWith(QLatin1String("skos:")))
            if (auto it = m_byUri.constFind(skosNs + p.mid(5)); it != m_byUri.constEnd())
                return *it;
        if (auto it = m_byName.constFind(p.toLower()); it != m_byName.constEnd())
            return *it;
        return 0;
    }

    void refuse(const Voce &v, const QString &why)
    {
        m_a.elencoRifiutate << where(v) + why;
        ++m_a.rifiutate;
    }

    const QVector<Concept> &lookup(const QString &uri)
    {
        auto it = m_cache.find(uri);
        if (it == m_cache.end()) {
            QVector<Concept> found;
            m_connection.exec(m_lookup, {uri});
            while (m_lookup.next())
                found.append({m_lookup.value(0).toInt(), m_lookup.value(1).toInt()});
            m_lookup.finish();
            it = m_cache.insert(uri, found);
        }
        return *it;
    }

    // The one EUROVOC concept of the subject and the one target concept of
    // the object; false (counted) when there are not.
    bool concepts(const Voce &v, Concept &source, Concept &target)
    {
        const QVector<Concept> left = lookup(v.soggetto);
        const QVector<Concept> right = lookup(v.oggetto);
        if (left.isEmpty() || right.isEmpty()) {
            QStringList unknown;
            if (left.isEmpty())
                unknown << QStringLiteral("subject ") + v.soggetto;
            if (right.isEmpty())
                unknown << QStringLiteral("object ") + v.oggetto;
            m_a.elencoSconosciute << where(v) + unknown.join(QStringLiteral(", "));
            ++m_a.sconosciute;
            return false;
        }
        QVector<Concept> sources, targets;
        for (const Concept &c : left)
            if (c.model == Ids::EUROVOC)
                sources.append(c);
        for (const Concept &c : right)
            if (isTarget(c.model))
                targets.append(c);
        QString why;
        if (sources.isEmpty())
            why = QStringLiteral("the subject %1 is not a EUROVOC concept").arg(v.soggetto);
        else if (sources.size() > 1)
            why = QStringLiteral("the subject %1 is the URI of %2 EUROVOC concepts").arg(v.soggetto).arg(sources.size());
        else if (targets.isEmpty())
            why = QStringLiteral("the object %1 is not a concept of a target thesaurus").arg(v.oggetto);
        else if (targets.size() > 1)
            why = QStringLiteral("the object %1 is the URI of %2 target concepts").arg(v.oggetto).arg(targets.size());
        if (!why.isEmpty()) {
            refuse(v, why);
            return false;
        }
        source = sources.first();
        target = targets.first();
        return true;
    }

    void store(const Voce &v, const Key &k)
    {
        // The relations of the database are read at the first statement
        // that names two of its concepts: a file that names none (a set
        // made for other vocabularies) costs no walk over them.
        if (!m_stored)
            m_stored = readStored(m_connection);
        if (m_seen.contains(k)) {
            ++m_a.ripetute;
            return;
        }
        m_seen.insert(k);
        if (m_stored->keys.contains(k)) {
            ++m_a.presenti;
            return;
        }
        if (m_stored->pairs.contains({k.project, k.left, k.right, 0}))
            ++m_a.altraRelazione;
        Unione::Riga row;
        if (const qint32 id = recordedId(v.recordId, m_records)) {
            if (!m_stored->ids.contains(id) && !m_idsTaken.contains(id)) {
                row.id = id;
                m_idsTaken.insert(id);
                ++m_a.idConservati;
            } else {
                ++m_a.idOccupati;
            }
        }
        row.projectRef = k.project;
        row.leftConceptRef = k.left;
        row.rightConceptRef = k.right;
        row.propertyRef = k.property;
        row.notes = v.note.isNull() ? QVariant(QStringLiteral("")) : QVariant(v.note);
        m_a.nuove.append(row);
        m_a.righeNuove.append(v.riga);
    }

    cConnessione &m_connection;
    MappingImport::Analisi &m_a;
    QSqlQuery m_lookup;
    QHash<QString, int> m_byUri, m_byName;
    std::optional<Stored> m_stored;
    QString m_records;
    QHash<QString, QVector<Concept>> m_cache;
    QSet<Key> m_seen;
    QSet<qint64> m_idsTaken;
    QHash<QString, int> m_notStored; // reason -> index in motiviNonRegistrate
};

// The rows of one import as they will be written: their ids decided.
struct Plan
{
    QVector<int> rows;     // indexes in nuove, in order
    QVector<qint32> ids;   // parallel
    int kept = 0;
    int presentNow = 0;
    qint32 highest = 0;
    QString refusal;       // why nothing can be written
};

// Decides, inside the writing transaction, what is still new and which ids
// the rows get: the ids of their records where still free, else new ones
// above every id in the table.
Plan plan(cConnessione &connection, const QVector<Unione::Riga> &rows)
{
    const Stored stored = readStored(connection);
    Plan p;
    QSet<qint64> used = stored.ids;
    qint64 highest = stored.highestId;
    QVector<bool> keep(rows.size(), false);
    for (int i = 0; i < rows.size(); ++i) {
        const Unione::Riga &r = rows.at(i);
        const Key k{r.projectRef.toInt(), r.leftConceptRef.toInt(), r.rightConceptRef.toInt(), r.propertyRef.toInt()};
        if (stored.keys.contains(k)) {
            ++p.presentNow;
            continue;
        }
        keep[i] = true;
        if (!r.id.isNull() && !used.contains(r.id.toLongLong())) {
            used.insert(r.id.toLongLong());
            highest = std::max(highest, r.id.toLongLong());
        }
    }
    qint64 next = highest;
    constexpr qint64 top = std::numeric_limits<qint32>::max();
    for (int i = 0; i < rows.size(); ++i) {
        if (!keep[i])
            continue;
        const Unione::Riga &r = rows.at(i);
        qint64 id = 0;
        if (!r.id.isNull() && used.contains(r.id.toLongLong()) && !stored.ids.contains(r.id.toLongLong())) {
            id = r.id.toLongLong();
            ++p.kept;
        } else if (++next > top) {
            p.refusal = QStringLiteral("the highest id in the database is %1 and an id is a 32-bit number (at most "
                                       "%2): there is no id left for the new relations")
                            .arg(highest)
                            .arg(top);
            return p;
        } else {
            id = next;
        }
        p.rows.append(i);
        p.ids.append(static_cast<qint32>(id));
        p.highest = static_cast<qint32>(std::max<qint64>(p.highest, id));
    }
    return p;
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
    case Tipo::Alignment: return QStringLiteral("Alignment format");
    }
    return {};
}

namespace {

// The format a file's first line that is neither blank nor a comment tells
// (raw as read, l trimmed); head is the start of the file.
std::optional<Tipo> formatOfLine(const QByteArray &raw, const QByteArray &l, const QByteArray &head, const QString &ext)
{
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
    return std::nullopt;
}

std::optional<Tipo> formatOfFirstLine(const QByteArray &head, const QString &ext)
{
    for (const QByteArray &raw : head.split('\n')) {
        const QByteArray l = raw.trimmed();
        if (!l.isEmpty() && !l.startsWith('#'))
            return formatOfLine(raw, l, head, ext);
    }
    return std::nullopt;
}

std::optional<Tipo> formatOfExtension(const QString &ext)
{
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

} // namespace

std::optional<Tipo> MappingImport::riconosci(const QString &path, const QByteArray &bytes)
{
    const QString ext = extensionOf(path);
    const QByteArray head = withoutBom(bytes.left(65536));
    if (MappingAlignment::recognise(head))
        return Tipo::Alignment;
    if (const std::optional<Tipo> tipo = formatOfFirstLine(head, ext))
        return tipo;
    return formatOfExtension(ext);
}

File MappingImport::leggi(const QByteArray &bytes, Tipo tipo, const QString &path)
{
    File f;
    f.tipo = tipo;
    switch (tipo) {
    case Tipo::Sssom:
    case Tipo::Csv: {
        QString text;
        if (!decodeUtf8(withoutBom(bytes), text, f))
            return f;
        if (tipo == Tipo::Sssom)
            Sssom::read(text, path, f);
        else
            MappingCsv::read(text, f);
        return f;
    }
    case Tipo::Alignment: MappingAlignment::read(bytes, f); return f;
    case Tipo::Turtle:
    case Tipo::RdfXml:
    case Tipo::NTriples: readRdf(bytes, tipo, path, f); return f;
    }
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
                                  "SSSOM, the Alignment format or CSV)");
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
    a.lette = file.statements();
    Matcher matcher(connection, a);
    // Kinds never stored first, then the statements in file order.
    for (const Voce &v : file.negated)
        matcher.notStored(QStringLiteral("negative mappings (predicate_modifier Not)"), v.riga);
    for (const auto &[reason, line] : file.setAside)
        matcher.notStored(reason, line);
    matcher.prefetch(file.voci);
    for (const Voce &v : file.voci)
        matcher.match(v);
    matcher.finish();
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
    if (a.idConservati)
        text += QStringLiteral("\n    %1 of them keep the ids their records have in this database").arg(a.idConservati);
    if (a.idOccupati)
        text += QStringLiteral("\n    %1 of them get new ids: the ids of their records in this database are taken")
                    .arg(a.idOccupati);
    text += QStringLiteral("\nAlready present with the same relation: %1").arg(a.presenti);
    text += QStringLiteral("\nRepeated in the file: %1").arg(a.ripetute);
    text += QStringLiteral("\nWith URIs unknown to this database: %1").arg(a.sconosciute) + list(a.elencoSconosciute);
    QStringList kinds;
    for (const NonRegistrate &n : a.motiviNonRegistrate)
        kinds << (n.primaRiga > 0 ? QStringLiteral("%1: %2 (first at line %3)").arg(n.motivo).arg(n.conteggio).arg(n.primaRiga)
                                  : QStringLiteral("%1: %2").arg(n.motivo).arg(n.conteggio));
    text += QStringLiteral("\nNot stored: %1").arg(a.nonRegistrate) + list(kinds);
    text += QStringLiteral("\nRefused: %1").arg(a.rifiutate) + list(a.elencoRifiutate);
    return text;
}

MappingImport::Registrazione MappingImport::registra(cConnessione &connection, const Analisi &analisi)
{
    Registrazione r;
    if (analisi.nuove.isEmpty()) {
        r.registrato = true;
        return r;
    }
    qCInfo(lcImport) << "storing" << analisi.nuove.size() << "imported mapping relations";
    // Inside the store's write transaction: what the plan reads cannot change
    // before the writes (and should another writer take one of the planned
    // ids all the same, the plan is made again from a fresh read).
    Plan p;
    const bool kept = RelationStore(connection).write([&](RelationStore::Batch &batch) {
        r = Registrazione();
        p = plan(connection, analisi.nuove);
        r.presentiOra = p.presentNow;
        if (!p.refusal.isEmpty()) {
            r.motivo = p.refusal;
            return false;
        }
        for (int k = 0; k < p.rows.size(); ++k) {
            const Unione::Riga &row = analisi.nuove.at(p.rows.at(k));
            try {
                batch.insert(p.ids.at(k), {row.projectRef.toInt(), row.leftConceptRef.toInt(),
                                           row.rightConceptRef.toInt(), row.propertyRef.toInt(), row.notes});
            } catch (const DbError &error) {
                r.rigaFallita = p.rows.at(k);
                r.motivo = mdlUtil::testoErrore(error);
                return false; // the transaction rolls back
            }
        }
        return true;
    });
    if (!kept)
        return r;
    r.registrato = true;
    r.aggiunte = static_cast<qint32>(p.rows.size());
    r.idConservati = p.kept;
    r.ultimoId = p.highest;
    qCInfo(lcImport) << "mapping import ended:" << r.aggiunte << "relations stored," << r.idConservati
                     << "under the ids of their records," << r.presentiOra << "stored meanwhile by another writer";
    return r;
}

QString MappingImport::messaggioFallimento(const Analisi &analisi, const Registrazione &esito)
{
    const int line = esito.rigaFallita >= 0 && esito.rigaFallita < analisi.righeNuove.size()
                         ? analisi.righeNuove.at(esito.rigaFallita)
                         : -1;
    const QString which = line > 0                ? QStringLiteral("The mapping relation of line %1 cannot").arg(line)
                          : esito.rigaFallita >= 0 ? QStringLiteral("A mapping relation cannot")
                                                   : QStringLiteral("The mapping relations cannot");
    return which + QStringLiteral(" be stored: %1.\nThe import was undone: no mapping relation was stored.")
                       .arg(esito.motivo);
}

QString MappingImport::messaggioRiuscita(const Registrazione &esito, const QString &path)
{
    QString text = QStringLiteral("%1 mapping relations imported from %2")
                       .arg(esito.aggiunte)
                       .arg(QDir::toNativeSeparators(path));
    if (esito.idConservati)
        text += QStringLiteral("\n%1 of them keep the ids their records have in this database").arg(esito.idConservati);
    if (esito.presentiOra)
        text += QStringLiteral("\n%1 were left out: another program stored them after the summary was made")
                    .arg(esito.presentiOra);
    return text;
}

void MappingImport::ImportaMapping()
{
    const QString title = QStringLiteral("Import mapping relations");
    const QString path = dialogs().openFile(title, vDatabaseFolder,
                                            QStringLiteral("Mapping files (*.ttl *.rdf *.xml *.nt *.tsv *.csv);;"
                                                           "SKOS Turtle (*.ttl);;SKOS RDF/XML (*.rdf *.xml);;"
                                                           "SKOS N-Triples (*.nt);;SSSOM TSV (*.tsv);;"
                                                           "Alignment format (*.rdf *.xml);;CSV (*.csv);;"
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
    Registrazione e;
    try {
        Attesa::Clessidra hourglass;
        e = registra(vConnection, a);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return;
    }
    if (!e.registrato) {
        dialogs().message(messaggioFallimento(a, e), title, Dialogs::Icon::Critical);
        return;
    }
    // Keep the editor's next id above the ones just used.
    vLastRelationId = std::max(vLastRelationId, e.ultimoId);
    dialogs().message(messaggioRiuscita(e, path), title);
}
