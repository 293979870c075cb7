#include "tools/mappingformats.h"

#include "tools/esportazione.h"

#include "base/attesa.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "base/safesave.h"
#include "data/cConnessione.h"
#include "data/changelog.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "tools/mappingcsv.h"
#include "tools/mappingrdf.h"
#include "tools/mappingsettings.h"
#include "tools/promptprogetto.h"

#include <QDir>
#include <QSaveFile>
#include <QSet>
#include <QUrl>
#include <QUuid>

using namespace mdlGlobale;

namespace {

using MappingFormats::Esito;
using MappingFormats::Formato;
using MappingFormats::Omessa;
using MappingFormats::Relazione;

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

// Prefix names for the concept namespaces, by thesaurus ("eurovoc",
// "gemet", "gemet2"...), in the order the namespaces first appear.
class ConceptPrefixes
{
public:
    void add(const QString &uri, const QString &base)
    {
        const QString ns = MappingFormats::spazioNomi(uri);
        if (m_namespaces.contains(ns))
            return;
        QString name = base;
        for (int n = 2; m_names.contains(name); ++n)
            name = base + QString::number(n);
        m_names.insert(name);
        m_namespaces.insert(ns);
        m_list.append({name, ns});
    }
    QVector<std::pair<QString, QString>> &list() { return m_list; }

private:
    QSet<QString> m_names{QStringLiteral("relation")};
    QSet<QString> m_namespaces;
    QVector<std::pair<QString, QString>> m_list;
};

// Relations SSSOM cannot name: a concept or relation without an absolute URI.
bool sssomCarries(const Relazione &r, Esito &e)
{
    for (const auto &[uri, what] : {std::pair{&r.srcUri, "source concept"}, std::pair{&r.relUri, "relation"},
                                    std::pair{&r.trgUri, "target concept"}}) {
        if (uri->isEmpty()) {
            e.omesse.append({r.id, QStringLiteral("its %1 has no URI").arg(QLatin1String(what))});
            return false;
        }
        if (!Sssom::isAbsoluteUri(*uri)) {
            e.omesse.append({r.id, QStringLiteral("its %1 URI \"%2\" is not an absolute URI")
                                       .arg(QLatin1String(what), *uri)});
            return false;
        }
    }
    return true;
}

// The set's metadata: a fresh id, the license, title, date, sources, tool.
QHash<QString, QStringList> sssomMetadata(cConnessione &c, const QVector<const Relazione *> &kept, qint32 project,
                                          const QString &license)
{
    QSet<int> targetModels;
    for (const Relazione *r : kept)
        targetModels.insert(r->trgModel);
    const QHash<int, QString> uris = modelUris(c);
    int objectModel = project != 0 ? modelOfProject(project) : 0;
    if (project == 0 && targetModels.size() == 1)
        objectModel = *targetModels.cbegin();
    QHash<QString, QStringList> meta;
    // Every export is a set of its own: its id is new each time.
    meta.insert(QStringLiteral("mapping_set_id"),
                {QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces)});
    meta.insert(QStringLiteral("license"), {license});
    const QString title = objectModel ? QStringLiteral("EUROVOC-%1").arg(Ids::modelName(objectModel).toUpper())
                                      : QStringLiteral("EUROVOC");
    meta.insert(QStringLiteral("mapping_set_title"), {title + QStringLiteral(" mapping relations")});
    meta.insert(QStringLiteral("mapping_date"), {programClock().now().date().toString(Qt::ISODate)});
    const QString subjectSource = uris.value(Ids::EUROVOC);
    if (Sssom::isAbsoluteUri(subjectSource))
        meta.insert(QStringLiteral("subject_source"), {subjectSource});
    if (objectModel && Sssom::isAbsoluteUri(uris.value(objectModel)))
        meta.insert(QStringLiteral("object_source"), {uris.value(objectModel)});
    meta.insert(QStringLiteral("mapping_tool"), {programTitle()});
    return meta;
}

// SSSOM: one mapping per relation, made by hand, with labels, notes and the
// relation's record id in this database.
void writeSssom(cConnessione &c, const QVector<Relazione> &rows, qint32 project, const MappingFormats::OpzioniSssom &options,
                QSaveFile &file, Esito &e)
{
    QVector<const Relazione *> kept;
    for (const Relazione &r : rows)
        if (sssomCarries(r, e))
            kept.append(&r);

    Sssom::MappingSet set;
    set.metadata = sssomMetadata(c, kept, project,
                                 options.license.isEmpty() ? MappingFormats::licenzaPredefinita(c) : options.license);
    for (auto it = options.extraMetadata.cbegin(); it != options.extraMetadata.cend(); ++it)
        set.metadata.insert(it.key(), it.value());
    // Record ids name this database; a file that cannot keep an identity
    // names its records within this set.
    QString records = MappingSettings::recordNamespace(MappingSettings::databaseId(c));
    if (records.isEmpty())
        records = set.metadata.value(QStringLiteral("mapping_set_id")).first() + QLatin1Char('#');

    ConceptPrefixes prefixes;
    bool editors = false;
    const QString eurovoc = Ids::modelName(Ids::EUROVOC);
    set.mappings.reserve(kept.size() + options.extraMappings.size());
    for (const Relazione *r : kept) {
        const QString target = Ids::modelName(r->trgModel).isEmpty() ? QStringLiteral("target")
                                                                      : Ids::modelName(r->trgModel);
        prefixes.add(r->srcUri, eurovoc);
        prefixes.add(r->trgUri, target);
        Sssom::Mapping m;
        m.set(QStringLiteral("record_id"), records + QString::number(r->id));
        m.set(QStringLiteral("subject_id"), r->srcUri);
        if (!r->srcLabel.isEmpty())
            m.set(QStringLiteral("subject_label"), r->srcLabel);
        m.set(QStringLiteral("predicate_id"), r->relUri);
        m.set(QStringLiteral("object_id"), r->trgUri);
        if (!r->trgLabel.isEmpty())
            m.set(QStringLiteral("object_label"), r->trgLabel);
        m.set(QStringLiteral("mapping_justification"), QStringLiteral("semapv:ManualMappingCuration"));
        if (!r->notes.isEmpty())
            m.set(QStringLiteral("comment"), r->notes);
        // Who asserted it and when, as the change log tells: the editor is
        // named within this database's namespace, the day in ISO form.
        if (!r->changedBy.isEmpty()) {
            m.set(QStringLiteral("author_id"),
                  records + QStringLiteral("editor/") + QString::fromLatin1(QUrl::toPercentEncoding(r->changedBy)));
            m.set(QStringLiteral("author_label"), r->changedBy);
            editors = true;
        }
        if (r->changedAt.size() >= 10)
            m.set(QStringLiteral("mapping_date"), r->changedAt.left(10));
        if (options.extraSlots)
            options.extraSlots(*r, m);
        set.mappings.append(std::move(m));
    }
    set.mappings += options.extraMappings;
    set.prefixes = prefixes.list();
    set.prefixes.append({QStringLiteral("relation"), records});
    if (editors)
        set.prefixes.append({QStringLiteral("editor"), records + QStringLiteral("editor/")});

    const Sssom::Written w = Sssom::write(set);
    if (!w.ok) {
        e.errore = w.error;
        e.omesse.clear();
        file.cancelWriting();
        return;
    }
    if (writeAll(file, w.bytes, e)) {
        e.relazioni = static_cast<qint32>(kept.size());
        commitFile(file, e);
    }
}

void writeCsv(const QVector<Relazione> &rows, QSaveFile &file, Esito &e)
{
    QVector<QStringList> cells;
    cells.reserve(rows.size());
    for (const Relazione &r : rows)
        cells.append({QString::number(r.id), r.srcLabel, r.srcUri, r.relLabel, r.trgLabel, r.trgUri, r.trgThesaurus,
                      r.notes});
    if (writeAll(file, MappingCsv::write(cells), e)) {
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
    // Notes are read as their stored bytes, so that every character comes
    // out as it went in.
    QString sql = QStringLiteral("SELECT mappingrelations.id AS relId, ")
                  + connection.exactText(QStringLiteral("mappingrelations.notes")) + QStringLiteral(
        " AS notes, concepts.uri AS srcUri, "
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
        r.notes = QString::fromUtf8(rs.value(1).toByteArray());
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
    const QHash<qint32, ChangeLog::Entry> changes = ChangeLog::latestOfAll(connection);
    for (Relazione &r : rows) {
        const auto it = changes.constFind(r.id);
        if (it != changes.cend() && it->action != QLatin1String("delete")) {
            r.changedBy = it->by;
            r.changedAt = it->at;
        }
    }
    return rows;
}

QString MappingFormats::spazioNomi(const QString &uri)
{
    qsizetype cut = std::max(uri.lastIndexOf(QLatin1Char('#')), uri.lastIndexOf(QLatin1Char('/')));
    if (cut < 0)
        cut = uri.lastIndexOf(QLatin1Char(':'));
    return cut < 0 ? uri : uri.left(cut + 1);
}

QString MappingFormats::licenzaPredefinita(cConnessione &connection)
{
    const QString remembered = MappingSettings::license(connection);
    return remembered.isEmpty() ? QString::fromLatin1(Sssom::UnspecifiedLicense) : remembered;
}

Esito MappingFormats::scrivi(cConnessione &connection, Formato formato, qint32 progetto, const QString &path,
                             const OpzioniSssom &sssom)
{
    const QVector<Relazione> rows = leggiRelazioni(connection, progetto);
    Esito e;
    QSaveFile file(path);
    if (!SafeSave::open(file, &e.errore))
        return e;
    switch (formato) {
    case Formato::SkosTurtle: writeSkos(rows, MappingRdf::Sintassi::Turtle, file, e); break;
    case Formato::SkosRdfXml: writeSkos(rows, MappingRdf::Sintassi::RdfXml, file, e); break;
    case Formato::Sssom: writeSssom(connection, rows, progetto, sssom, file, e); break;
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

bool MappingFormats::chiediLicenza(QString &license)
{
    const QString title = QStringLiteral("Export as ") + nome(Formato::Sssom);
    QString proposed;
    try {
        proposed = licenzaPredefinita(vConnection);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return false;
    }
    for (;;) {
        const std::optional<QString> answer =
            dialogs().input(QStringLiteral("License of the mapping set (an IRI; %1 states none):")
                                .arg(QLatin1String(Sssom::UnspecifiedLicense)),
                            title, proposed);
        if (!answer) {
            dialogs().message(QStringLiteral("Export cancelled"));
            return false;
        }
        license = answer->trimmed();
        if (Sssom::isAbsoluteUri(license))
            break;
        dialogs().message(licenzaRifiutata(license), title, Dialogs::Icon::Warning);
        proposed = license;
    }
    // Remembered for the next export of this database; a read-only file
    // simply does not remember it.
    try {
        if (license != MappingSettings::license(vConnection))
            MappingSettings::rememberLicense(vConnection, license);
    } catch (const DbError &) {
        // Not remembering it loses nothing of this export.
    }
    return true;
}

QString MappingFormats::licenzaRifiutata(const QString &license)
{
    return QStringLiteral("The license \"%1\" is not an IRI. Give the IRI of a license, such as "
                          "https://creativecommons.org/licenses/by/4.0/, or %2.")
        .arg(license, QLatin1String(Sssom::UnspecifiedLicense));
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
    OpzioniSssom sssom;
    if (formato == Formato::Sssom && !chiediLicenza(sssom.license))
        return;
    Esito e;
    try {
        Attesa::Clessidra hourglass;
        e = scrivi(vConnection, formato, r.progetto, path, sssom);
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
