#include "tools/mappingformats.h"

#include "tools/esportazione.h"

#include "base/attesa.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/safesave.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "tools/mappingrdf.h"
#include "tools/promptprogetto.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

using namespace mdlGlobale;

namespace {

using MappingFormats::Esito;
using MappingFormats::Formato;
using MappingFormats::Omessa;
using MappingFormats::Relazione;

const QString skosNs = QString::fromLatin1(MappingRdf::SkosNamespace);

// Target model of a project, 0 for a project outside the four fixed ones.
int modelOfProject(qint32 project)
{
    for (int m : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        if (Ids::projectForModel(m) == project)
            return m;
    return 0;
}

QString projectSlug(qint32 project)
{
    if (project == 0)
        return QStringLiteral("all");
    const int model = modelOfProject(project);
    return model ? QStringLiteral("eurovoc-") + Ids::modelName(model) : QStringLiteral("project-%1").arg(project);
}

// URIs of the models, by id; empty when the database keeps none.
QHash<int, QString> modelUris(cConnessione &c)
{
    QHash<int, QString> uris;
    try {
        RecordSet rs;
        c.ApriRS(QStringLiteral("select id, uri from models"), rs);
        for (; !rs.isEOF(); rs.MoveNext())
            uris.insert(rs.value(0).toInt(), rs.value(1).toString());
        c.ChiudiRS(rs);
    } catch (const DbError &) {
        // A database whose models carry no URI: the metadata goes without them.
    }
    return uris;
}

// Commits the file, or says why it could not be written.
void commitFile(QSaveFile &file, Esito &e)
{
    if (!SafeSave::commit(file, &e.errore)) {
        e.relazioni = 0;
        e.omesse.clear();
        return;
    }
    e.scritto = true;
}

bool writeAll(QSaveFile &file, const QByteArray &bytes, Esito &e)
{
    return SafeSave::write(file, bytes, &e.errore);
}

// SSSOM: prefixes for the concept namespaces, metadata block, table.
void writeSssom(cConnessione &c, const QVector<Relazione> &rows, qint32 project, QSaveFile &file, Esito &e)
{
    QMap<QString, QString> prefixOf; // namespace -> prefix
    QMap<QString, QString> curieMap; // prefix -> namespace (sorted for the block)
    curieMap.insert(QStringLiteral("skos"), skosNs);
    curieMap.insert(QStringLiteral("semapv"), QString::fromLatin1(MappingFormats::SemapvNamespace));
    auto prefixFor = [&](const QString &uri, const QString &base) {
        const QString ns = MappingFormats::spazioNomi(uri);
        auto it = prefixOf.constFind(ns);
        if (it != prefixOf.constEnd())
            return *it;
        QString name = base;
        for (int n = 2; curieMap.contains(name); ++n)
            name = base + QString::number(n);
        curieMap.insert(name, ns);
        prefixOf.insert(ns, name);
        return name;
    };
    auto curie = [&](const QString &uri, const QString &base) {
        const QString prefix = prefixFor(uri, base);
        return prefix + QLatin1Char(':') + uri.mid(curieMap.value(prefix).size());
    };

    QVector<const Relazione *> kept;
    QSet<int> targetModels;
    for (const Relazione &r : rows) {
        if (r.srcUri.isEmpty() || r.trgUri.isEmpty()) {
            e.omesse.append({r.id, r.srcUri.isEmpty() ? QStringLiteral("its source concept has no URI")
                                                      : QStringLiteral("its target concept has no URI")});
            continue;
        }
        kept.append(&r);
        targetModels.insert(r.trgModel);
    }
    QStringList body;
    body.reserve(kept.size());
    const QString eurovoc = Ids::modelName(Ids::EUROVOC);
    for (const Relazione *r : kept) {
        const QString target = Ids::modelName(r->trgModel).isEmpty() ? QStringLiteral("target")
                                                                      : Ids::modelName(r->trgModel);
        const QString predicate = r->relUri.startsWith(skosNs) ? QStringLiteral("skos:") + r->relUri.mid(skosNs.size())
                                                               : r->relUri;
        const QStringList cells = {curie(r->srcUri, eurovoc),
                                   r->srcLabel,
                                   predicate,
                                   curie(r->trgUri, target),
                                   r->trgLabel,
                                   QStringLiteral("semapv:ManualMappingCuration"),
                                   r->notes,
                                   QString::number(r->id)};
        QStringList escaped;
        for (const QString &cell : cells)
            escaped << MappingFormats::escapeTsv(cell);
        body << escaped.join(QLatin1Char('\t'));
    }

    const QHash<int, QString> uris = modelUris(c);
    int objectModel = project != 0 ? modelOfProject(project) : 0;
    if (project == 0 && targetModels.size() == 1)
        objectModel = *targetModels.cbegin();
    using MappingFormats::scalareYaml;
    QStringList meta;
    const QString date = programClock().now().date().toString(Qt::ISODate);
    meta << QStringLiteral("mapping_set_id: ")
                + scalareYaml(QStringLiteral("urn:vospan:mappings:%1:%2").arg(projectSlug(project), date));
    meta << QStringLiteral("license: ") + scalareYaml(QString::fromLatin1(MappingFormats::SssomLicense));
    meta << QStringLiteral("curie_map:");
    for (auto it = curieMap.cbegin(); it != curieMap.cend(); ++it)
        meta << QStringLiteral("  ") + it.key() + QStringLiteral(": ") + scalareYaml(it.value());
    meta << QStringLiteral("mapping_date: ") + scalareYaml(date);
    if (!uris.value(Ids::EUROVOC).isEmpty())
        meta << QStringLiteral("subject_source: ") + scalareYaml(uris.value(Ids::EUROVOC));
    if (objectModel && !uris.value(objectModel).isEmpty())
        meta << QStringLiteral("object_source: ") + scalareYaml(uris.value(objectModel));
    meta << QStringLiteral("mapping_tool: ") + scalareYaml(programTitle());

    QByteArray out;
    for (const QString &line : meta)
        out += '#' + line.toUtf8() + '\n';
    out += MappingFormats::colonneSssom().join(QLatin1Char('\t')).toUtf8() + '\n';
    for (const QString &line : body)
        out += line.toUtf8() + '\n';
    if (writeAll(file, out, e)) {
        e.relazioni = static_cast<qint32>(kept.size());
        commitFile(file, e);
    }
}

void writeCsv(const QVector<Relazione> &rows, QSaveFile &file, Esito &e)
{
    // UTF-8 with a byte order mark, so that spreadsheets read it as UTF-8.
    QByteArray out("\xEF\xBB\xBF");
    out += MappingFormats::colonneCsv().join(QLatin1Char(',')).toUtf8() + "\r\n";
    for (const Relazione &r : rows) {
        const QStringList cells = {QString::number(r.id), r.srcLabel, r.srcUri, r.relLabel, r.trgLabel,
                                   r.trgUri,              r.trgThesaurus, r.notes};
        QStringList quoted;
        for (const QString &cell : cells)
            quoted << MappingFormats::campoCsv(cell);
        out += quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    if (writeAll(file, out, e)) {
        e.relazioni = static_cast<qint32>(rows.size());
        commitFile(file, e);
    }
}

void writeSkos(const QVector<Relazione> &rows, MappingRdf::Sintassi sintassi, QSaveFile &file, Esito &e)
{
    QVector<MappingRdf::Tripla> triples;
    triples.reserve(rows.size());
    for (const Relazione &r : rows) {
        QString why;
        const struct {
            const QString &uri;
            const char *what;
        } parts[] = {{r.srcUri, "source concept"}, {r.relUri, "relation"}, {r.trgUri, "target concept"}};
        bool valid = true;
        for (const auto &p : parts) {
            if (!MappingRdf::iriValido(p.uri, &why)) {
                e.omesse.append({r.id, QStringLiteral("the %1 URI \"%2\" is not a valid IRI: %3")
                                           .arg(QString::fromLatin1(p.what), p.uri, why)});
                valid = false;
                break;
            }
        }
        if (valid)
            triples.append({r.srcUri, r.relUri, r.trgUri});
    }
    QString error;
    if (!MappingRdf::scrivi(file, sintassi, triples, error)) {
        e.errore = file.error() != QFileDevice::NoError ? SafeSave::reason(file) : error;
        e.omesse.clear();
        file.cancelWriting();
        return;
    }
    e.relazioni = static_cast<qint32>(triples.size());
    commitFile(file, e);
}

} // namespace

QString MappingFormats::nome(Formato formato)
{
    switch (formato) {
    case Formato::SkosTurtle: return QStringLiteral("SKOS (Turtle)");
    case Formato::SkosRdfXml: return QStringLiteral("SKOS (RDF/XML)");
    case Formato::Sssom: return QStringLiteral("SSSOM (TSV)");
    case Formato::Csv: return QStringLiteral("CSV");
    }
    return {};
}

QString MappingFormats::nomeProposto(Formato formato, qint32 progetto)
{
    static const char *const extension[] = {".ttl", ".rdf", ".sssom.tsv", ".csv"};
    return QStringLiteral("mappings-") + projectSlug(progetto)
           + QString::fromLatin1(extension[static_cast<int>(formato)]);
}

QString MappingFormats::filtro(Formato formato)
{
    switch (formato) {
    case Formato::SkosTurtle: return QStringLiteral("Turtle (*.ttl);;All files (*)");
    case Formato::SkosRdfXml: return QStringLiteral("RDF/XML (*.rdf *.xml);;All files (*)");
    case Formato::Sssom: return QStringLiteral("SSSOM TSV (*.sssom.tsv *.tsv);;All files (*)");
    case Formato::Csv: return QStringLiteral("CSV (*.csv);;All files (*)");
    }
    return {};
}

QVector<Relazione> MappingFormats::leggiRelazioni(cConnessione &connection, qint32 progetto)
{
    QString sql = QStringLiteral(
        "SELECT mappingrelations.id AS relId, mappingrelations.notes AS notes, concepts.uri AS srcUri, "
        "concepts.dex AS srcDex, properties.uri AS relUri, properties.dex AS relDex, concepts_1.uri AS trgUri, "
        "concepts_1.dex AS trgDex, models.dex AS trgTh, models.id AS trgModel "
        "FROM (((mappingrelations INNER JOIN concepts ON mappingrelations.left_concept_ref = concepts.id) "
        "INNER JOIN concepts AS concepts_1 ON mappingrelations.right_concept_ref = concepts_1.id) "
        "INNER JOIN (mappingprojects INNER JOIN models ON mappingprojects.right_model_ref = models.id) ON "
        "mappingrelations.project_ref = mappingprojects.id) "
        "INNER JOIN properties ON mappingrelations.property_ref = properties.id");
    if (progetto != 0)
        sql += QStringLiteral(" where mappingprojects.id = ?");
    sql += QStringLiteral(" order by models.dex, properties.dex, concepts.dex, mappingrelations.id");
    RecordSet rs;
    connection.ApriRS(sql, rs, progetto != 0 ? QVariantList{progetto} : QVariantList{});
    QVector<Relazione> rows;
    for (; !rs.isEOF(); rs.MoveNext()) {
        Relazione r;
        r.id = rs.value(0).toInt();
        r.notes = rs.value(1).toString();
        r.srcUri = rs.value(2).toString();
        r.srcLabel = rs.value(3).toString();
        r.relUri = rs.value(4).toString();
        r.relLabel = rs.value(5).toString();
        r.trgUri = rs.value(6).toString();
        r.trgLabel = rs.value(7).toString();
        r.trgThesaurus = rs.value(8).toString();
        r.trgModel = rs.value(9).toInt();
        rows.append(std::move(r));
    }
    connection.ChiudiRS(rs);
    return rows;
}

QString MappingFormats::escapeTsv(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

QString MappingFormats::unescapeTsv(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar n = text.at(i + 1);
            const char16_t plain = n == QLatin1Char('t')    ? u'\t'
                                   : n == QLatin1Char('n')  ? u'\n'
                                   : n == QLatin1Char('r')  ? u'\r'
                                   : n == QLatin1Char('\\') ? u'\\'
                                                            : 0;
            if (plain) {
                out += QChar(plain);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString MappingFormats::campoCsv(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\r'))
        && !text.contains(QLatin1Char('\n')))
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString MappingFormats::scalareYaml(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._~:/?#@!$&'()*+,;=%-]*$"));
    if (plain.match(text).hasMatch() && !text.endsWith(QLatin1Char(':')))
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
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString MappingFormats::spazioNomi(const QString &uri)
{
    qsizetype cut = std::max(uri.lastIndexOf(QLatin1Char('#')), uri.lastIndexOf(QLatin1Char('/')));
    if (cut < 0)
        cut = uri.lastIndexOf(QLatin1Char(':'));
    return cut < 0 ? uri : uri.left(cut + 1);
}

QStringList MappingFormats::colonneSssom()
{
    return {QStringLiteral("subject_id"),  QStringLiteral("subject_label"),
            QStringLiteral("predicate_id"), QStringLiteral("object_id"),
            QStringLiteral("object_label"), QStringLiteral("mapping_justification"),
            QStringLiteral("comment"),      QStringLiteral("record_id")};
}

QStringList MappingFormats::colonneCsv()
{
    return {QStringLiteral("id"),           QStringLiteral("source label"), QStringLiteral("source URI"),
            QStringLiteral("relation"),     QStringLiteral("target label"), QStringLiteral("target URI"),
            QStringLiteral("target thesaurus"), QStringLiteral("notes")};
}

Esito MappingFormats::scrivi(cConnessione &connection, Formato formato, qint32 progetto, const QString &path)
{
    const QVector<Relazione> rows = leggiRelazioni(connection, progetto);
    Esito e;
    QSaveFile file(path);
    if (!SafeSave::open(file, &e.errore))
        return e;
    switch (formato) {
    case Formato::SkosTurtle: writeSkos(rows, MappingRdf::Sintassi::Turtle, file, e); break;
    case Formato::SkosRdfXml: writeSkos(rows, MappingRdf::Sintassi::RdfXml, file, e); break;
    case Formato::Sssom: writeSssom(connection, rows, progetto, file, e); break;
    case Formato::Csv: writeCsv(rows, file, e); break;
    }
    return e;
}

QString MappingFormats::riepilogo(const Esito &esito, const QString &path)
{
    QString text = QStringLiteral("End of export: ") + QString::number(esito.relazioni)
                   + QStringLiteral(" mapping relations exported in ") + QDir::toNativeSeparators(path);
    if (esito.omesse.isEmpty())
        return text;
    text += QStringLiteral("\n\n%1 mapping relations were left out, because the format cannot carry them:")
                .arg(esito.omesse.size());
    const int shown = std::min<int>(esito.omesse.size(), 20);
    for (int i = 0; i < shown; ++i)
        text += QStringLiteral("\nrelation %1: %2").arg(esito.omesse.at(i).id).arg(esito.omesse.at(i).motivo);
    if (esito.omesse.size() > shown)
        text += QStringLiteral("\n... and %1 more").arg(esito.omesse.size() - shown);
    return text;
}

void MappingFormats::Esporta(Formato formato)
{
    const PromptProgetto::Risposta r = PromptProgetto::chiedi(PromptProgetto::titoloEsportazione());
    if (r.esito == PromptProgetto::Esito::Rifiutato)
        return;
    QString path;
    if (r.esito == PromptProgetto::Esito::Scelto)
        path = dialogs().saveFile(QStringLiteral("Export as ") + nome(formato),
                                  vDatabaseFolder + nomeProposto(formato, r.progetto), filtro(formato));
    if (path.isEmpty()) {
        dialogs().message(QStringLiteral("Export cancelled"));
        return;
    }
    Esito e;
    try {
        Attesa::Clessidra hourglass;
        e = scrivi(vConnection, formato, r.progetto, path);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return;
    }
    if (!e.scritto) {
        Esportazione::segnalaFileNonScritto(path, e.errore);
        return;
    }
    dialogs().message(riepilogo(e, path), {}, e.omesse.isEmpty() ? Dialogs::Icon::None : Dialogs::Icon::Warning);
}
