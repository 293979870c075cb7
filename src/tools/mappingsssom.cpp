#include "tools/mappingsssom.h"

#include "tools/mappingtable.h"
#include "tools/mappingyaml.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace {

using Sssom::Range;
using Sssom::Slot;

constexpr bool MV = true;
constexpr bool V11 = true;

// The mapping slots in the standard's order, then the set's own.
const QVector<Slot> slotTable = {
    {"record_id", Range::Entity, false, V11, true, false},
    {"subject_id", Range::Entity, false, false, true, false},
    {"subject_label", Range::Text, false, false, true, false},
    {"subject_category", Range::Text, false, false, true, false},
    {"predicate_id", Range::Entity, false, false, true, false},
    {"predicate_label", Range::Text, false, false, true, false},
    {"predicate_modifier", Range::Enum, false, false, true, false},
    {"object_id", Range::Entity, false, false, true, false},
    {"object_label", Range::Text, false, false, true, false},
    {"object_category", Range::Text, false, false, true, false},
    {"mapping_justification", Range::Entity, false, false, true, false},
    {"author_id", Range::Entity, MV, false, true, false},
    {"author_label", Range::Text, MV, false, true, false},
    {"reviewer_id", Range::Entity, MV, false, true, false},
    {"reviewer_label", Range::Text, MV, false, true, false},
    {"creator_id", Range::Entity, MV, false, true, true},
    {"creator_label", Range::Text, MV, false, true, true},
    {"license", Range::Uri, false, false, true, true},
    {"subject_type", Range::Enum, false, false, true, true},
    {"subject_source", Range::Entity, false, false, true, true},
    {"subject_source_version", Range::Text, false, false, true, true},
    {"object_type", Range::Enum, false, false, true, true},
    {"object_source", Range::Entity, false, false, true, true},
    {"object_source_version", Range::Text, false, false, true, true},
    {"predicate_type", Range::Enum, false, V11, true, true},
    {"mapping_provider", Range::Uri, false, false, true, true},
    {"mapping_source", Range::Entity, false, false, true, false},
    {"mapping_cardinality", Range::Enum, false, false, true, false},
    {"cardinality_scope", Range::Text, MV, V11, true, true},
    {"mapping_tool", Range::Text, false, false, true, true},
    {"mapping_tool_id", Range::Entity, false, V11, true, true},
    {"mapping_tool_version", Range::Text, false, false, true, true},
    {"mapping_date", Range::Date, false, false, true, true},
    {"publication_date", Range::Date, false, false, true, true},
    {"review_date", Range::Date, false, V11, true, false},
    {"confidence", Range::Number, false, false, true, false},
    {"reviewer_agreement", Range::Number, false, V11, true, false},
    {"curation_rule", Range::Entity, MV, false, true, true},
    {"curation_rule_text", Range::Text, MV, false, true, true},
    {"subject_match_field", Range::Entity, MV, false, true, true},
    {"object_match_field", Range::Entity, MV, false, true, true},
    {"match_string", Range::Text, MV, false, true, false},
    {"subject_preprocessing", Range::Entity, MV, false, true, true},
    {"object_preprocessing", Range::Entity, MV, false, true, true},
    {"similarity_score", Range::Number, false, false, true, false},
    {"similarity_measure", Range::Text, false, false, true, true},
    {"see_also", Range::Uri, MV, false, true, true},
    {"issue_tracker_item", Range::Entity, false, false, true, false},
    {"other", Range::Text, false, false, true, true},
    {"comment", Range::Text, false, false, true, true},
    // The set's own slots.
    {"sssom_version", Range::Enum, false, V11, false, true},
    {"curie_map", Range::Prefixes, false, false, false, true},
    {"mapping_set_id", Range::Uri, false, false, false, true},
    {"mapping_set_version", Range::Text, false, false, false, true},
    {"mapping_set_source", Range::Uri, MV, false, false, true},
    {"mapping_set_title", Range::Text, false, false, false, true},
    {"mapping_set_description", Range::Text, false, false, false, true},
    {"mapping_set_confidence", Range::Number, false, V11, false, true},
    {"issue_tracker", Range::Uri, false, false, false, true},
    {"extension_definitions", Range::Structured, MV, V11, false, true},
};

// The order of the set's metadata: the standard's order of the set's slots.
const char *const setOrder[] = {
    "mapping_set_id", "mapping_set_version", "mapping_set_source", "mapping_set_title", "mapping_set_description",
    "mapping_set_confidence", "creator_id", "creator_label", "license", "subject_type", "subject_source",
    "subject_source_version", "object_type", "object_source", "object_source_version", "predicate_type",
    "mapping_provider", "cardinality_scope", "mapping_tool", "mapping_tool_id", "mapping_tool_version",
    "mapping_date", "publication_date", "subject_match_field", "object_match_field", "subject_preprocessing",
    "object_preprocessing", "similarity_measure", "curation_rule", "curation_rule_text", "see_also",
    "issue_tracker", "other", "comment"};

const QStringList entityTypes = {
    QStringLiteral("owl class"),       QStringLiteral("owl object property"),   QStringLiteral("owl data property"),
    QStringLiteral("owl annotation property"), QStringLiteral("owl named individual"), QStringLiteral("skos concept"),
    QStringLiteral("rdfs resource"),   QStringLiteral("rdfs class"),            QStringLiteral("rdfs literal"),
    QStringLiteral("rdfs datatype"),   QStringLiteral("rdf property"),          QStringLiteral("composed entity expression")};
const QStringList cardinalities = {QStringLiteral("1:1"), QStringLiteral("1:n"), QStringLiteral("n:1"),
                                   QStringLiteral("1:0"), QStringLiteral("0:1"), QStringLiteral("n:n")};
const QString literalType = QStringLiteral("rdfs literal");

// URI schemes that are written without "//" and never CURIE prefixes in
// practice; any other "name:rest" without "//" is read as a CURIE.
bool opaqueScheme(QStringView prefix)
{
    for (const char *s : {"urn", "mailto", "tag", "file", "data"})
        if (prefix.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The namespace of an IRI (up to its last "#" or "/", else its last ":").
QString namespaceOf(const QString &iri)
{
    qsizetype cut = std::max(iri.lastIndexOf(QLatin1Char('#')), iri.lastIndexOf(QLatin1Char('/')));
    if (cut < 0)
        cut = iri.lastIndexOf(QLatin1Char(':'));
    return cut < 0 ? iri : iri.left(cut + 1);
}

// A prefix name for the namespace of an IRI nobody named: the first word of
// the IRI's host ("eionet" for http://www.eionet.europa.eu/gemet), else of
// what follows its scheme (urn:uuid:...).
QString prefixHint(const QString &iri)
{
    QString host;
    const qsizetype slashes = iri.indexOf(QLatin1String("://"));
    if (slashes > 0) {
        host = iri.mid(slashes + 3);
        const qsizetype end = host.indexOf(QRegularExpression(QStringLiteral("[/:#?]")));
        if (end >= 0)
            host.truncate(end);
    } else {
        const QStringList parts = iri.split(QLatin1Char(':'), Qt::SkipEmptyParts);
        host = parts.size() > 1 ? parts.at(1) : QString();
    }
    for (const QString &label : host.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (label.compare(QLatin1String("www"), Qt::CaseInsensitive) == 0)
            continue;
        QString name;
        for (QChar c : label)
            if (c.isLetterOrNumber() && c.unicode() < 128)
                name += c.toLower();
        if (!name.isEmpty() && name.front().isLetter())
            return name;
        break;
    }
    return QStringLiteral("ns");
}

bool validPrefixName(const QString &name)
{
    static const QRegularExpression ncname(QStringLiteral("^[A-Za-z_][A-Za-z0-9_.-]*$"));
    return ncname.match(name).hasMatch();
}

class Writer
{
public:
    explicit Writer(const Sssom::MappingSet &set) : m_set(set)
    {
        for (const auto &p : Sssom::builtInPrefixes()) {
            m_known.append({p.first, p.second, true});
            m_names.insert(p.first);
        }
    }

    Sssom::Written run()
    {
        Sssom::Written w;
        for (const auto &p : m_set.prefixes) {
            if (!validPrefixName(p.first) || m_names.contains(p.first))
                return failed(w, QStringLiteral("the prefix name \"%1\" cannot be declared").arg(p.first));
            m_known.append({p.first, p.second, false});
            m_names.insert(p.first);
        }
        QStringList meta;
        if (!metadata(meta))
            return failed(w, m_error);
        QVector<const Slot *> columns;
        for (const Slot &s : Sssom::slotList())
            if (s.onMapping && std::any_of(m_set.mappings.cbegin(), m_set.mappings.cend(), [&s](const Sssom::Mapping &m) {
                    return m.values.contains(QLatin1String(s.name));
                }))
                columns.append(&s);
        QStringList body;
        body.reserve(m_set.mappings.size());
        for (qsizetype i = 0; i < m_set.mappings.size(); ++i) {
            QString row;
            if (!mappingRow(m_set.mappings.at(i), columns, row))
                return failed(w, QStringLiteral("mapping %1: %2").arg(i + 1).arg(m_error));
            body << row;
        }

        QByteArray out;
        if (m_uses11)
            out += "#sssom_version: \"1.1\"\n";
        if (!m_declared.isEmpty()) {
            out += "#curie_map:\n";
            for (const auto &p : m_declared)
                out += "#  " + p.first.toUtf8() + ": " + Sssom::yamlScalar(p.second).toUtf8() + '\n';
        }
        for (const QString &line : meta)
            out += '#' + line.toUtf8() + '\n';
        QStringList header;
        for (const Slot *s : columns)
            header << QLatin1String(s->name);
        out += header.join(QLatin1Char('\t')).toUtf8() + '\n';
        for (const QString &line : body)
            out += line.toUtf8() + '\n';
        w.ok = true;
        w.bytes = std::move(out);
        return w;
    }

private:
    struct Known
    {
        QString name, ns;
        bool builtIn;
        bool made = false; // named by the writer
    };

    Sssom::Written failed(Sssom::Written &w, const QString &why)
    {
        w.error = why;
        return w;
    }

    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    bool metadata(QStringList &meta)
    {
        for (auto it = m_set.metadata.cbegin(); it != m_set.metadata.cend(); ++it) {
            const Slot *s = Sssom::slot(it.key());
            if (!s || !s->onSet || s->range == Range::Prefixes || s->range == Range::Structured
                || it.key() == QLatin1String("sssom_version"))
                return fail(QStringLiteral("\"%1\" is not a slot of a mapping set this program writes").arg(it.key()));
        }
        for (const QString &slot : {QStringLiteral("mapping_set_id"), QStringLiteral("license")})
            if (m_set.metadata.value(slot).value(0).isEmpty())
                return fail(QStringLiteral("the mapping set has no %1").arg(slot));
        for (const char *name : setOrder) {
            const QString key = QLatin1String(name);
            const auto it = m_set.metadata.constFind(key);
            if (it == m_set.metadata.cend() || it->isEmpty())
                continue;
            const Slot *s = Sssom::slot(key);
            QStringList values;
            for (const QString &v : *it) {
                QString text;
                if (!value(*s, v, text))
                    return false;
                values << text;
            }
            if (s->since11)
                m_uses11 = true;
            if (!s->multivalued) {
                if (values.size() > 1)
                    return fail(QStringLiteral("%1 takes one value").arg(key));
                meta << key + QStringLiteral(": ") + Sssom::yamlScalar(values.first());
                continue;
            }
            meta << key + QLatin1Char(':');
            for (const QString &v : values)
                meta << QStringLiteral("  - ") + Sssom::yamlScalar(v);
        }
        return true;
    }

    bool mappingRow(const Sssom::Mapping &m, const QVector<const Slot *> &columns, QString &row)
    {
        for (auto it = m.values.cbegin(); it != m.values.cend(); ++it) {
            const Slot *s = Sssom::slot(it.key());
            if (!s || !s->onMapping)
                return fail(QStringLiteral("\"%1\" is not a slot of a mapping").arg(it.key()));
        }
        for (const char *required : {"predicate_id", "mapping_justification"})
            if (m.values.value(QLatin1String(required)).value(0).isEmpty())
                return fail(QStringLiteral("it has no %1").arg(QLatin1String(required)));
        QStringList cells;
        cells.reserve(columns.size());
        for (const Slot *s : columns) {
            const QStringList given = m.values.value(QLatin1String(s->name));
            QStringList values;
            for (const QString &v : given) {
                QString text;
                if (!value(*s, v, text))
                    return false;
                values << text;
            }
            if (!s->multivalued && values.size() > 1)
                return fail(QStringLiteral("%1 takes one value").arg(QLatin1String(s->name)));
            if (!values.isEmpty() && s->since11)
                m_uses11 = true;
            QString cell;
            if (s->multivalued) {
                cell = Sssom::joinValues(values);
                // "\|" and "\\" inside a value are escapes of version 1.1.
                if (cell.size() != values.join(QLatin1Char('|')).size())
                    m_uses11 = true;
            } else {
                cell = values.value(0);
            }
            cells << cell;
        }
        row = MappingTable::line(cells, QLatin1Char('\t'));
        return true;
    }

    // The text of one value of a slot, checked against the slot's range.
    bool value(const Slot &s, const QString &v, QString &text)
    {
        const QString name = QLatin1String(s.name);
        switch (s.range) {
        case Range::Entity: return curie(name, v, text);
        case Range::Uri:
            if (!Sssom::isAbsoluteUri(v))
                return fail(QStringLiteral("the %1 \"%2\" is not a URI with a scheme").arg(name, v));
            break;
        case Range::Number: {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok || !std::isfinite(d))
                return fail(QStringLiteral("the %1 \"%2\" is not a number").arg(name, v));
            break;
        }
        case Range::Date:
            if (!QDate::fromString(v, Qt::ISODate).isValid() || v.size() != 10)
                return fail(QStringLiteral("the %1 \"%2\" is not a date YYYY-MM-DD").arg(name, v));
            break;
        case Range::Enum: {
            const bool ok = name == QLatin1String("predicate_modifier") ? v == QLatin1String("Not")
                            : name == QLatin1String("mapping_cardinality") ? cardinalities.contains(v)
                                                                             : entityTypes.contains(v);
            if (!ok)
                return fail(QStringLiteral("\"%1\" is not a value of %2").arg(v, name));
            break;
        }
        case Range::Text: break;
        case Range::Prefixes:
        case Range::Structured: return fail(QStringLiteral("%1 cannot be written here").arg(name));
        }
        text = v;
        return true;
    }

    void use(const Known &k)
    {
        if (k.builtIn)
            return;
        for (const auto &p : m_declared)
            if (p.first == k.name)
                return;
        m_declared.append({k.name, k.ns});
    }

    // An entity reference as a CURIE of a declared (or built-in) prefix.
    bool curie(const QString &slotName, const QString &v, QString &text)
    {
        const qsizetype colon = v.indexOf(QLatin1Char(':'));
        if (colon > 0 && !QStringView(v).mid(colon + 1).startsWith(u"//")) {
            // A CURIE of a prefix that is known already is written as it is.
            for (const Known &k : std::as_const(m_known))
                if (QStringView(v).left(colon) == k.name) {
                    use(k);
                    text = v;
                    return true;
                }
        }
        if (!Sssom::isAbsoluteUri(v))
            return fail(QStringLiteral("the %1 \"%2\" is neither an IRI nor a CURIE of a known prefix").arg(slotName, v));
        // The longest namespace of a prefix given or built in; else the
        // prefix made for exactly this IRI's namespace, or a new one.
        const Known *best = nullptr;
        for (const Known &k : std::as_const(m_known))
            if (!k.made && v.startsWith(k.ns) && (!best || k.ns.size() > best->ns.size()))
                best = &k;
        const QString ns = best ? QString() : namespaceOf(v);
        for (const Known &k : std::as_const(m_known))
            if (!best && k.made && k.ns == ns)
                best = &k;
        if (!best) {
            const QString hint = prefixHint(v);
            QString name = hint;
            for (int n = 2; m_names.contains(name); ++n)
                name = hint + QString::number(n);
            m_names.insert(name);
            m_known.append({name, ns, false, true});
            best = &m_known.last();
        }
        use(*best);
        text = best->name + QLatin1Char(':') + v.mid(best->ns.size());
        return true;
    }

    const Sssom::MappingSet &m_set;
    QVector<Known> m_known;
    QSet<QString> m_names;
    QVector<std::pair<QString, QString>> m_declared; // in order of first use
    bool m_uses11 = false;
    QString m_error;
};

// ---- reading ----------------------------------------------------------------

struct Block
{
    QByteArray yaml;      // the metadata lines without their "#"
    int firstLine = 0;    // file line of the first metadata line
    QStringView table;    // from the header on
    int tableLine = 0;    // file line of the header
};

// Splits the leading "#" lines (and blank lines among them) from the table.
Block splitMetadata(QStringView text)
{
    Block b;
    qsizetype pos = 0;
    int line = 1;
    QStringList lines;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
            ++end;
        const QStringView l = text.mid(pos, end - pos);
        if (!l.startsWith(QLatin1Char('#')) && !l.trimmed().isEmpty())
            break;
        if (l.startsWith(QLatin1Char('#'))) {
            if (lines.isEmpty())
                b.firstLine = line;
            // Spreadsheets save the metadata lines with the empty cells of
            // their row as trailing tabs: they are no part of the YAML.
            QStringView yaml = l.mid(1);
            while (!yaml.isEmpty() && (yaml.back() == QLatin1Char('\t') || yaml.back() == QLatin1Char(' ')))
                yaml.chop(1);
            lines << yaml.toString();
        } else if (!lines.isEmpty()) {
            lines << QString(); // keeps YAML lines and file lines in step
        }
        pos = end;
        if (pos < text.size() && text.at(pos) == QLatin1Char('\r'))
            ++pos;
        if (pos < text.size() && text.at(pos) == QLatin1Char('\n') && (pos == end || text.at(end) == QLatin1Char('\r')))
            ++pos;
        ++line;
    }
    b.yaml = lines.join(QLatin1Char('\n')).toUtf8();
    b.table = text.mid(pos);
    b.tableLine = line;
    return b;
}

// The separate metadata file of a table, empty when there is none.
QString externalMetadata(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    QString base = info.filePath();
    if (!info.suffix().isEmpty())
        base.chop(info.suffix().size() + 1);
    for (const char *ext : {".yml", ".yaml"}) {
        const QString candidate = base + QLatin1String(ext);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

class TableReader
{
public:
    TableReader(const QString &text, const QString &path, MappingImport::File &f) : m_text(text), m_path(path), m_f(f)
    {
        for (const auto &p : Sssom::builtInPrefixes())
            m_prefixes.insert(p.first, p.second);
    }

    void run()
    {
        const Block block = splitMetadata(m_text);
        MappingYaml::Document doc;
        if (!block.yaml.trimmed().isEmpty()) {
            doc = MappingYaml::parse(block.yaml);
            if (!doc.ok)
                return fail(QStringLiteral("the metadata is not valid YAML: ") + doc.error,
                            doc.errorLine > 0 ? block.firstLine + doc.errorLine - 1 : block.firstLine);
            m_lineOffset = block.firstLine - 1;
        } else if (!(m_metadataFile = externalMetadata(m_path)).isEmpty()) {
            if (!readExternal(doc))
                return;
        }
        if (!metadata(doc.root) || !header(block) || !rows())
            return;
        m_f.metadataFile = m_metadataFile;
        m_f.ok = true;
    }

private:
    void fail(const QString &why, int line)
    {
        m_f.voci.clear();
        m_f.negated.clear();
        m_f.setAside.clear();
        m_f.errore = why;
        m_f.rigaErrore = line;
    }

    // Errors in the separate metadata file name that file and its line.
    bool failMeta(const QString &why, int yamlLine)
    {
        if (m_metadataFile.isEmpty()) {
            fail(why, yamlLine > 0 ? yamlLine + m_lineOffset : -1);
        } else {
            QString text = QStringLiteral("its metadata file %1").arg(QFileInfo(m_metadataFile).fileName());
            if (yamlLine > 0)
                text += QStringLiteral(" (line %1)").arg(yamlLine);
            fail(text + QStringLiteral(": ") + why, -1);
        }
        return false;
    }

    bool readExternal(MappingYaml::Document &doc)
    {
        QFile file(m_metadataFile);
        if (!file.open(QIODevice::ReadOnly))
            return failMeta(file.errorString(), -1);
        QByteArray bytes = file.readAll();
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(bytes); // decoding happens when the result is taken
        Q_UNUSED(decoded)
        if (decoder.hasError())
            return failMeta(QStringLiteral("the text is not UTF-8"), -1);
        doc = MappingYaml::parse(bytes);
        if (!doc.ok)
            return failMeta(QStringLiteral("the metadata is not valid YAML: ") + doc.error, doc.errorLine);
        return true;
    }

    bool metadata(const MappingYaml::Node &root)
    {
        using Kind = MappingYaml::Node::Kind;
        if (root.kind == Kind::Null)
            return true;
        if (root.kind != Kind::Map)
            return failMeta(QStringLiteral("the metadata is not a set of \"key: value\" lines"), root.line);
        if (const MappingYaml::Node *map = root.value(QStringLiteral("curie_map"))) {
            if (map->kind != Kind::Map && map->kind != Kind::Null)
                return failMeta(QStringLiteral("the curie_map is not a set of \"prefix: namespace\" lines"), map->line);
            for (const auto &[prefix, ns] : map->entries) {
                if (ns.kind != Kind::Scalar)
                    return failMeta(QStringLiteral("the prefix \"%1\" of the curie_map has no namespace").arg(prefix),
                                    ns.line);
                const auto builtIn = std::find_if(Sssom::builtInPrefixes().cbegin(), Sssom::builtInPrefixes().cend(),
                                                  [&wanted = prefix](const auto &p) { return p.first == wanted; });
                if (builtIn != Sssom::builtInPrefixes().cend() && builtIn->second != ns.text)
                    return failMeta(QStringLiteral("the curie_map gives the built-in prefix \"%1\" the namespace %2, "
                                                   "but it stands for %3")
                                        .arg(prefix, ns.text, builtIn->second),
                                    ns.line);
                m_prefixes.insert(prefix, ns.text);
            }
        }
        // The propagated entity types tell literal mappings from the others.
        for (const char *key : {"subject_type", "object_type"})
            if (const MappingYaml::Node *v = root.value(QLatin1String(key)); v && v->kind == Kind::Scalar)
                m_setValues.insert(QLatin1String(key), v->text);
        return true;
    }

    int column(const char *name) const { return static_cast<int>(m_header.indexOf(QLatin1String(name))); }

    bool header(const Block &block)
    {
        m_reading = MappingTable::read(block.table, QLatin1Char('\t'), block.tableLine, MappingTable::LooseQuotes::Literal);
        if (!m_reading.ok) {
            fail(m_reading.error, m_reading.errorLine);
            return false;
        }
        if (m_reading.records.isEmpty()) {
            fail(QStringLiteral("the file has no column header (subject_id, predicate_id, object_id...)"), -1);
            return false;
        }
        const MappingTable::Record &h = m_reading.records.first();
        m_header = h.fields;
        while (!m_header.isEmpty() && m_header.last().trimmed().isEmpty())
            m_header.removeLast();
        QStringList missing;
        for (const char *required : {"predicate_id", "mapping_justification"})
            if (column(required) < 0)
                missing << QLatin1String(required);
        if (column("subject_id") < 0 && column("subject_label") < 0)
            missing << QStringLiteral("subject_id");
        if (column("object_id") < 0 && column("object_label") < 0)
            missing << QStringLiteral("object_id");
        if (!missing.isEmpty()) {
            fail(QStringLiteral("the column header lacks %1, which every mapping must have")
                     .arg(missing.join(QStringLiteral(", "))),
                 h.line);
            return false;
        }
        for (int i = 0; i < m_header.size(); ++i)
            if (m_header.indexOf(m_header.at(i)) != i) {
                fail(QStringLiteral("the column %1 is named twice in the header").arg(m_header.at(i)), h.line);
                return false;
            }
        return true;
    }

    // The cell of a row, or the set's value of a propagated slot.
    QString cell(const QStringList &fields, const char *name) const
    {
        const int c = column(name);
        const QString v = c >= 0 && c < fields.size() ? fields.at(c) : QString();
        return v.isEmpty() ? m_setValues.value(QLatin1String(name)) : v;
    }

    // An entity of a row as an IRI; false (file refused) when it is not one.
    bool entity(const QStringList &fields, const char *name, int line, QString &iri)
    {
        const QString v = cell(fields, name);
        iri.clear();
        if (v.isEmpty())
            return true;
        QString why;
        iri = Sssom::expand(v, m_prefixes, &why);
        if (iri.isEmpty()) {
            fail(QStringLiteral("the %1 %2").arg(QLatin1String(name), why), line);
            return false;
        }
        return true;
    }

    bool rows()
    {
        for (qsizetype r = 1; r < m_reading.records.size(); ++r) {
            MappingTable::Record &rec = m_reading.records[r];
            if (rec.fields.size() == 1 && rec.fields.first().isEmpty())
                continue; // an empty line
            // Trailing empty cells may be left out, or added by a spreadsheet.
            while (rec.fields.size() > m_header.size() && rec.fields.last().isEmpty())
                rec.fields.removeLast();
            if (rec.fields.size() > m_header.size()) {
                fail(QStringLiteral("the row has %1 columns where the header has %2")
                         .arg(rec.fields.size())
                         .arg(m_header.size()),
                     rec.line);
                return false;
            }
            if (!row(rec))
                return false;
        }
        return true;
    }

    bool row(const MappingTable::Record &rec)
    {
        const QStringList &fields = rec.fields;
        const int line = rec.line;
        MappingImport::Voce v;
        v.riga = line;
        QString justification;
        for (const char *required : {"predicate_id", "mapping_justification"})
            if (cell(fields, required).isEmpty()) {
                fail(QStringLiteral("the mapping has no %1").arg(QLatin1String(required)), line);
                return false;
            }
        if (!entity(fields, "predicate_id", line, v.predicato) || !entity(fields, "mapping_justification", line, justification)
            || !entity(fields, "record_id", line, v.recordId))
            return false;
        const QString modifier = cell(fields, "predicate_modifier");
        if (!modifier.isEmpty() && modifier != QLatin1String("Not")) {
            fail(QStringLiteral("the predicate_modifier \"%1\" is not \"Not\", its only value").arg(modifier), line);
            return false;
        }
        const QString confidence = cell(fields, "confidence");
        if (!confidence.isEmpty()) {
            bool ok = false;
            const double c = confidence.toDouble(&ok);
            if (!ok || !(c >= 0 && c <= 1)) {
                fail(QStringLiteral("the confidence \"%1\" is not a number between 0 and 1").arg(confidence), line);
                return false;
            }
            v.confidence = c;
        }
        const bool literal = cell(fields, "subject_type") == literalType || cell(fields, "object_type") == literalType;
        if (literal) {
            m_f.setAside.append({QStringLiteral("literal mappings (an entity given by its label, with no id)"), line});
            return true;
        }
        if (!entity(fields, "subject_id", line, v.soggetto) || !entity(fields, "object_id", line, v.oggetto))
            return false;
        for (const auto &[iri, name] : {std::pair{&v.soggetto, "subject_id"}, std::pair{&v.oggetto, "object_id"}})
            if (iri->isEmpty()) {
                fail(QStringLiteral("the mapping has no %1").arg(QLatin1String(name)), line);
                return false;
            }
        v.note = cell(fields, "comment");
        if (v.soggetto == QLatin1String(Sssom::NoTermFound) || v.oggetto == QLatin1String(Sssom::NoTermFound)) {
            m_f.setAside.append({QStringLiteral("mappings to sssom:NoTermFound (no match was found)"), line});
            return true;
        }
        if (!modifier.isEmpty())
            m_f.negated.append(std::move(v));
        else
            m_f.voci.append(std::move(v));
        return true;
    }

    const QString &m_text;
    const QString m_path;
    MappingImport::File &m_f;
    QHash<QString, QString> m_prefixes;
    QHash<QString, QString> m_setValues;
    QString m_metadataFile;
    int m_lineOffset = 0;
    MappingTable::Reading m_reading;
    QStringList m_header;
};

} // namespace

const QVector<Slot> &Sssom::slotList()
{
    return slotTable;
}

const Slot *Sssom::slot(QStringView name)
{
    static const QHash<QString, const Slot *> byName = [] {
        QHash<QString, const Slot *> h;
        for (const Slot &s : slotTable)
            h.insert(QLatin1String(s.name), &s);
        return h;
    }();
    return byName.value(name.toString(), nullptr);
}

const QVector<std::pair<QString, QString>> &Sssom::builtInPrefixes()
{
    static const QVector<std::pair<QString, QString>> prefixes = {
        {QStringLiteral("linkml"), QStringLiteral("https://w3id.org/linkml/")},
        {QStringLiteral("owl"), QStringLiteral("http://www.w3.org/2002/07/owl#")},
        {QStringLiteral("rdf"), QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#")},
        {QStringLiteral("rdfs"), QStringLiteral("http://www.w3.org/2000/01/rdf-schema#")},
        {QStringLiteral("semapv"), QString::fromLatin1(SemapvNamespace)},
        {QStringLiteral("skos"), QStringLiteral("http://www.w3.org/2004/02/skos/core#")},
        {QStringLiteral("sssom"), QString::fromLatin1(Namespace)},
        {QStringLiteral("xsd"), QStringLiteral("http://www.w3.org/2001/XMLSchema#")}};
    return prefixes;
}

bool Sssom::isAbsoluteUri(QStringView text)
{
    static const QRegularExpression uri(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:[^\\s]"));
    return uri.match(text.toString()).hasMatch();
}

Sssom::Written Sssom::write(const MappingSet &set)
{
    return Writer(set).run();
}

QString Sssom::yamlScalar(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._~:/?#@!$&'()*+,;=%-]*$"));
    // Texts YAML would read as a number, a truth value or null keep quotes.
    static const QRegularExpression typed(QStringLiteral(
        "^([-+]?[0-9._]+([eE][-+]?[0-9]+)?|0x[0-9A-Fa-f]+|true|false|yes|no|on|off|null|y|n)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (plain.match(text).hasMatch() && !text.endsWith(QLatin1Char(':')) && !typed.match(text).hasMatch())
        return text;
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"': out += QLatin1String("\\\""); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QStringList Sssom::splitValues(QStringView cell)
{
    QStringList values;
    if (cell.isEmpty())
        return values;
    QString current;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell.at(i);
        if (c == QLatin1Char('\\') && i + 1 < cell.size()
            && (cell.at(i + 1) == QLatin1Char('|') || cell.at(i + 1) == QLatin1Char('\\'))) {
            current += cell.at(++i);
        } else if (c == QLatin1Char('|')) {
            values << current;
            current.clear();
        } else {
            current += c;
        }
    }
    values << current;
    return values;
}

QString Sssom::joinValues(const QStringList &values)
{
    QStringList escaped;
    for (QString v : values) {
        v.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        v.replace(QLatin1Char('|'), QLatin1String("\\|"));
        escaped << v;
    }
    return escaped.join(QLatin1Char('|'));
}

void Sssom::read(const QString &text, const QString &path, MappingImport::File &file)
{
    TableReader(text, path, file).run();
}

namespace {

// The RDF terms that describe a mapping of SSSOM/RDF.
struct RdfTerms
{
    QString sssom = QString::fromLatin1(Sssom::Namespace);
    QString source = QStringLiteral("http://www.w3.org/2002/07/owl#annotatedSource");
    QString property = QStringLiteral("http://www.w3.org/2002/07/owl#annotatedProperty");
    QString target = QStringLiteral("http://www.w3.org/2002/07/owl#annotatedTarget");
    QString type = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#type");
    QString rdfsComment = QStringLiteral("http://www.w3.org/2000/01/rdf-schema#comment");
};

struct FoundMapping
{
    MappingImport::Voce voce;
    bool negated = false;
};

// What a triple of a mapping node says beside its source, property and
// target: confidence, comment, record id, a negation.
void readAnnotation(const MappingRdf::Letta &t, const RdfTerms &terms, FoundMapping &f)
{
    const QString literal = t.oggettoLetterale ? t.oggetto.mid(1).chopped(1) : QString();
    if (t.predicato == terms.sssom + QStringLiteral("confidence") && t.oggettoLetterale) {
        bool ok = false;
        const double c = literal.toDouble(&ok);
        if (ok && c >= 0 && c <= 1)
            f.voce.confidence = c;
    } else if ((t.predicato == terms.sssom + QStringLiteral("comment") || t.predicato == terms.rdfsComment)
               && t.oggettoLetterale) {
        f.voce.note = literal;
    } else if (t.predicato == terms.sssom + QStringLiteral("record_id")) {
        f.voce.recordId = t.oggettoLetterale ? literal : t.oggetto;
    } else if (t.predicato == terms.sssom + QStringLiteral("predicate_modifier")) {
        f.negated = t.oggetto == terms.sssom + QStringLiteral("NegatedPredicate")
                    || (t.oggettoLetterale && literal == QLatin1String("Not"));
    }
}

// The mapping a node's own triples describe; nothing when the node lacks its
// source, property or target.  Its line is the first of its triples.
std::optional<FoundMapping> mappingNode(const QString &node, const QVector<const MappingRdf::Letta *> &own,
                                        const RdfTerms &terms)
{
    FoundMapping f;
    bool s = false, p = false, o = false;
    for (const MappingRdf::Letta *t : own) {
        if (f.voce.riga < 0 || (t->riga > 0 && t->riga < f.voce.riga))
            f.voce.riga = t->riga;
        if (t->predicato == terms.source) {
            f.voce.soggetto = t->oggetto;
            f.voce.soggettoIri = t->oggettoIri;
            s = true;
        } else if (t->predicato == terms.property) {
            f.voce.predicato = t->oggetto;
            p = true;
        } else if (t->predicato == terms.target) {
            f.voce.oggetto = t->oggetto;
            f.voce.oggettoIri = t->oggettoIri;
            o = true;
        } else {
            readAnnotation(*t, terms, f);
        }
    }
    if (!s || !p || !o)
        return std::nullopt;
    if (f.voce.recordId.isEmpty() && !node.startsWith(QLatin1String("_:")))
        f.voce.recordId = node; // the node's own IRI names the record
    return f;
}

// The subjects that may be mapping nodes (they have a source, property or
// target), in the order they first appear, each with its triples; and the
// mapping sets.
struct Subjects
{
    QHash<QString, QVector<const MappingRdf::Letta *>> triples;
    QStringList order;
    QSet<QString> sets;
};

Subjects subjectsOf(const QVector<MappingRdf::Letta> &triples, const RdfTerms &terms)
{
    Subjects s;
    for (const MappingRdf::Letta &t : triples) {
        if ((t.predicato == terms.source || t.predicato == terms.property || t.predicato == terms.target)
            && !s.triples.contains(t.soggetto)) {
            s.triples.insert(t.soggetto, {});
            s.order << t.soggetto;
        }
        if (t.predicato == terms.type && t.oggetto == terms.sssom + QStringLiteral("MappingSet"))
            s.sets.insert(t.soggetto);
    }
    for (const MappingRdf::Letta &t : triples)
        if (auto it = s.triples.find(t.soggetto); it != s.triples.end())
            it->append(&t);
    return s;
}

// A triple that is a statement of its own (plain SKOS).
FoundMapping plainStatement(const MappingRdf::Letta &t)
{
    FoundMapping f;
    f.voce.riga = t.riga;
    f.voce.soggetto = t.soggetto;
    f.voce.predicato = t.predicato;
    f.voce.oggetto = t.oggetto;
    f.voce.soggettoIri = t.soggettoIri;
    f.voce.oggettoIri = t.oggettoIri;
    return f;
}

// Files the mappings found, in the order of their lines: those to
// sssom:NoTermFound set aside, the negated ones apart from the others.
void fileFound(QVector<FoundMapping> &found, MappingImport::File &file)
{
    std::stable_sort(found.begin(), found.end(),
                     [](const FoundMapping &a, const FoundMapping &b) { return a.voce.riga < b.voce.riga; });
    for (FoundMapping &f : found) {
        if (f.voce.soggetto == QLatin1String(Sssom::NoTermFound) || f.voce.oggetto == QLatin1String(Sssom::NoTermFound))
            file.setAside.append({QStringLiteral("mappings to sssom:NoTermFound (no match was found)"), f.voce.riga});
        else if (f.negated)
            file.negated.append(std::move(f.voce));
        else
            file.voci.append(std::move(f.voce));
    }
}

} // namespace

void Sssom::readTriples(const QVector<MappingRdf::Letta> &triples, MappingImport::File &file)
{
    const RdfTerms terms;
    Subjects subjects = subjectsOf(triples, terms);
    QVector<FoundMapping> found;
    QSet<QString> nodes;     // the mapping nodes
    QSet<QString> asserted;  // "s p o" of each mapping, to tell a repeating direct triple
    for (const QString &node : std::as_const(subjects.order)) {
        std::optional<FoundMapping> f = mappingNode(node, subjects.triples[node], terms);
        if (!f)
            continue;
        nodes.insert(node);
        if (!f->negated)
            asserted.insert(f->voce.soggetto + QLatin1Char(' ') + f->voce.predicato + QLatin1Char(' ') + f->voce.oggetto);
        found.append(std::move(*f));
    }
    // Every other triple is a statement of its own (plain SKOS).
    for (const MappingRdf::Letta &t : triples) {
        if (nodes.contains(t.soggetto) || subjects.sets.contains(t.soggetto))
            continue;
        if (!asserted.contains(t.soggetto + QLatin1Char(' ') + t.predicato + QLatin1Char(' ') + t.oggetto))
            found.append(plainStatement(t));
    }
    fileFound(found, file);
    file.ok = true;
}

QString Sssom::expand(QStringView id, const QHash<QString, QString> &prefixes, QString *why)
{
    const qsizetype colon = id.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        if (why)
            *why = QStringLiteral("\"%1\" is neither a CURIE nor an IRI").arg(id);
        return {};
    }
    const QString prefix = id.left(colon).toString();
    const auto it = prefixes.constFind(prefix);
    const QStringView rest = id.mid(colon + 1);
    if (it != prefixes.constEnd() && !rest.startsWith(u"//"))
        return *it + rest.toString();
    if (colon > 0 && (rest.startsWith(u"//") || opaqueScheme(id.left(colon))) && isAbsoluteUri(id))
        return id.toString(); // a full IRI
    if (why)
        *why = QStringLiteral("\"%1\" has the prefix \"%2\", which the curie_map does not declare").arg(id, prefix);
    return {};
}
