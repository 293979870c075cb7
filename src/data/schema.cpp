#include "data/schema.h"

#include "base/logging.h"
#include "data/cConnessione.h"
#include "data/changelog.h"
#include "data/ids.h"

QStringList Schema::tableNames()
{
    return {QStringLiteral("models"),
            QStringLiteral("concepts"),
            QStringLiteral("properties"),
            QStringLiteral("conceptproperties"),
            QStringLiteral("datatypepropertyvalues"),
            QStringLiteral("objectpropertyvalues"),
            QStringLiteral("lang"),
            QStringLiteral("mappingprojects"),
            QStringLiteral("mappingrelations")};
}

QStringList Schema::tableStatements()
{
    return {
        QStringLiteral("create table models (\n"
                       "  id integer primary key,\n"
                       "  name text collate nocase not null,\n"
                       "  dex text collate nocase not null,\n"
                       "  uri text)"),
        QStringLiteral("create table concepts (\n"
                       "  id integer primary key,\n"
                       "  model_ref integer not null,\n"
                       "  parent_ref integer,\n"
                       "  dex text collate nocase not null,\n"
                       "  is_leaf integer not null default 0,\n"
                       "  uri text)"),
        QStringLiteral("create index concepts_model_parent on concepts (model_ref, parent_ref)"),
        QStringLiteral("create index concepts_parent on concepts (parent_ref)"),
        QStringLiteral("create index concepts_uri on concepts (uri)"),
        QStringLiteral("create table properties (\n"
                       "  id integer primary key,\n"
                       "  dex text collate nocase not null,\n"
                       "  uri text,\n"
                       "  is_mapping_rel integer not null default 0)"),
        QStringLiteral("create table conceptproperties (\n"
                       "  id integer primary key,\n"
                       "  concept_ref integer not null,\n"
                       "  property_ref integer not null)"),
        QStringLiteral("create index conceptproperties_concept on conceptproperties (concept_ref, property_ref)"),
        QStringLiteral("create table lang (\n"
                       "  id integer primary key,\n"
                       "  name text collate nocase not null)"),
        QStringLiteral("create table datatypepropertyvalues (\n"
                       "  id integer primary key,\n"
                       "  concept_property_ref integer not null,\n"
                       "  lang_ref integer not null,\n"
                       "  value text collate nocase not null)"),
        QStringLiteral("create index datatypepropertyvalues_cp on datatypepropertyvalues (concept_property_ref)"),
        QStringLiteral("create table objectpropertyvalues (\n"
                       "  id integer primary key,\n"
                       "  concept_property_ref integer not null,\n"
                       "  concept_ref integer not null)"),
        QStringLiteral("create index objectpropertyvalues_cp on objectpropertyvalues (concept_property_ref)"),
        QStringLiteral("create index objectpropertyvalues_concept on objectpropertyvalues (concept_ref)"),
        QStringLiteral("create table mappingprojects (\n"
                       "  id integer primary key,\n"
                       "  name text collate nocase,\n"
                       "  left_model_ref integer not null default 3,\n"
                       "  right_model_ref integer not null)"),
        QStringLiteral("create table mappingrelations (\n"
                       "  id integer primary key,\n"
                       "  project_ref integer not null,\n"
                       "  left_concept_ref integer not null,\n"
                       "  right_concept_ref integer not null,\n"
                       "  property_ref integer not null,\n"
                       "  notes text)"),
        QStringLiteral("create index mappingrelations_project on mappingrelations (project_ref)"),
    };
}

QStringList Schema::viewStatements(bool temporary)
{
    const QString create = temporary ? QStringLiteral("create temp view ") : QStringLiteral("create view ");
    return {
        create
            + QStringLiteral(
                "qObjectPropertyValues as\n"
                "select concepts.id as concept_id, concepts.dex as Cdex, properties.id as property_id,\n"
                "       properties.dex as Pdex, properties.is_mapping_rel as is_mapping_rel,\n"
                "       concepts_1.id as Rid, concepts_1.dex as Rdex\n"
                "from concepts\n"
                "  inner join conceptproperties on conceptproperties.concept_ref = concepts.id\n"
                "  inner join properties on properties.id = conceptproperties.property_ref\n"
                "  inner join objectpropertyvalues on objectpropertyvalues.concept_property_ref = conceptproperties.id\n"
                "  inner join concepts as concepts_1 on concepts_1.id = objectpropertyvalues.concept_ref"),
        create
            + QStringLiteral(
                "qDataTypePropertyValues as\n"
                "select concepts.id as concept_id, concepts.dex as Cdex, properties.id as property_id,\n"
                "       properties.dex as Pdex, properties.is_mapping_rel as is_mapping_rel,\n"
                "       lang.name as lang_name, datatypepropertyvalues.value as Pvalue\n"
                "from concepts\n"
                "  inner join conceptproperties on conceptproperties.concept_ref = concepts.id\n"
                "  inner join properties on properties.id = conceptproperties.property_ref\n"
                "  inner join datatypepropertyvalues on datatypepropertyvalues.concept_property_ref = conceptproperties.id\n"
                "  inner join lang on lang.id = datatypepropertyvalues.lang_ref"),
    };
}

void Schema::insertFixedRows(cConnessione &c)
{
    const QString model = QStringLiteral("insert into models (id, name, dex, uri) values (?, ?, ?, ?)");
    c.EseguiIstruzione(model, QStringLiteral("128"), {Ids::ECLAS, QStringLiteral("ECLAS"), QStringLiteral("eclas"), QStringLiteral("http://ec.europa.eu/eclas")});
    c.EseguiIstruzione(model, QStringLiteral("128"), {Ids::ETT, QStringLiteral("ETT"), QStringLiteral("ett"), QStringLiteral("http://www.cedefop.europa.eu/ett")});
    c.EseguiIstruzione(model, QStringLiteral("128"), {Ids::EUROVOC, QStringLiteral("EUROVOC"), QStringLiteral("eurovoc"), QStringLiteral("http://eurovoc.europa.eu")});
    c.EseguiIstruzione(model, QStringLiteral("128"), {Ids::UNESCO, QStringLiteral("UNESCO"), QStringLiteral("unesco"), QStringLiteral("http://vocabularies.unesco.org/thesaurus")});
    c.EseguiIstruzione(model, QStringLiteral("128"), {Ids::GEMET, QStringLiteral("GEMET"), QStringLiteral("gemet"), QStringLiteral("http://www.eionet.europa.eu/gemet")});

    const QString skos = QStringLiteral("http://www.w3.org/2004/02/skos/core#");
    const QString property = QStringLiteral("insert into properties (id, dex, uri, is_mapping_rel) values (?, ?, ?, ?)");
    const struct {
        int id;
        const char *name;
        int mapping;
    } properties[] = {{Ids::AltLabel, "altLabel", 0},   {Ids::Broader, "broader", 0},
                      {Ids::Narrower, "narrower", 0},   {Ids::PrefLabel, "prefLabel", 0},
                      {Ids::Related, "related", 0},     {Ids::ScopeNote, "scopeNote", 0},
                      {Ids::BroadMatch, "broadMatch", 1}, {Ids::ExactMatch, "exactMatch", 1},
                      {Ids::NarrowMatch, "narrowMatch", 1}};
    for (const auto &p : properties) {
        const QString name = QString::fromLatin1(p.name);
        c.EseguiIstruzione(property, QStringLiteral("128"), {p.id, name, skos + name, p.mapping});
    }

    c.EseguiIstruzione(QStringLiteral("insert into lang (id, name) values (?, ?)"), QStringLiteral("128"),
                       {Ids::LangEnglish, QStringLiteral("EN")});

    const QString project = QStringLiteral(
        "insert into mappingprojects (id, name, left_model_ref, right_model_ref) values (?, ?, ?, ?)");
    for (int target : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        c.EseguiIstruzione(project, QStringLiteral("128"),
                           {Ids::projectForModel(target),
                            QStringLiteral("EUROVOC-") + Ids::modelName(target).toUpper(), Ids::EUROVOC,
                            target});
}

QStringList Schema::sideTableNames()
{
    return {QStringLiteral("suggestiondecisions"), QStringLiteral("vospan_settings"),
            QLatin1String(ChangeLog::Table)};
}

QStringList Schema::sideTableStatements(const QString &table, const cConnessione &c)
{
    if (table == QLatin1String("suggestiondecisions"))
        return {QStringLiteral("create table suggestiondecisions (\n"
                               "  id integer primary key,\n"
                               "  project_ref integer not null,\n"
                               "  left_concept_ref integer not null,\n"
                               "  right_concept_ref integer not null,\n"
                               "  property_ref integer not null,\n"
                               "  score real,\n"
                               "  evidence text,\n"
                               "  decision text not null,\n"
                               "  decided_by text,\n"
                               "  decided_at text,\n"
                               "  relation_ref integer)"),
                QStringLiteral("create index suggestiondecisions_pair on suggestiondecisions "
                               "(project_ref, left_concept_ref, right_concept_ref)")};
    if (table == QLatin1String("vospan_settings"))
        return {QStringLiteral("create table vospan_settings (name varchar(100) not null primary key, value text)")};
    if (table == QLatin1String(ChangeLog::Table))
        return ChangeLog::tableStatements(c.engine());
    return {};
}

void Schema::createServerPrelude(cConnessione &c)
{
    if (!c.isServer())
        return;
    // Equal without regard to letter case, accents not (as NOCASE on a
    // file), and sorted with accented letters beside their base letter.
    if (c.scalar(QStringLiteral("select count(*) from pg_catalog.pg_collation where collname = 'vospan_nocase' "
                                "and collnamespace = (select oid from pg_catalog.pg_namespace "
                                "where nspname = current_schema())"))
            .toInt()
        == 0)
        c.EseguiIstruzione(QStringLiteral("create collation vospan_nocase "
                                          "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)"));
    // The folding of the word search: lower case in every alphabet (final
    // sigma as sigma, like the case folding of the file's search).
    c.EseguiIstruzione(QStringLiteral("create or replace function vospan_fold(text) returns text language sql "
                                      "immutable strict parallel safe as "
                                      "$vospan$ select translate(lower($1 collate \"und-x-icu\"), 'ς', 'σ') $vospan$"));
    // A savepoint, as a server without the extension would otherwise spoil
    // the whole transaction.
    c.EseguiIstruzione(QStringLiteral("savepoint vospan_trgm"));
    try {
        c.EseguiIstruzione(QStringLiteral("create extension if not exists pg_trgm"));
        c.EseguiIstruzione(QStringLiteral("release savepoint vospan_trgm"));
    } catch (const DbError &e) {
        qCInfo(lcDb).noquote() << "no trigram index for the word search:" << e.description();
        c.EseguiIstruzione(QStringLiteral("rollback to savepoint vospan_trgm"));
        c.EseguiIstruzione(QStringLiteral("release savepoint vospan_trgm"));
    }
}

void Schema::createSearchIndexes(cConnessione &c)
{
    if (!c.isServer()
        || c.scalar(QStringLiteral("select count(*) from pg_catalog.pg_extension where extname = 'pg_trgm'")).toInt() == 0)
        return;
    c.EseguiIstruzione(QStringLiteral("create index if not exists datatypepropertyvalues_fold on datatypepropertyvalues "
                                      "using gin ((vospan_fold(value)) collate \"C\" gin_trgm_ops)"));
    c.EseguiIstruzione(QStringLiteral("create index if not exists concepts_fold on concepts "
                                      "using gin ((vospan_fold(dex)) collate \"C\" gin_trgm_ops)"));
}

void Schema::create(cConnessione &c)
{
    cConnessione::Transaction transaction(c);
    createServerPrelude(c);
    for (const QString &sql : tableStatements())
        c.EseguiIstruzione(sql);
    for (const QString &sql : viewStatements())
        c.EseguiIstruzione(sql);
    insertFixedRows(c);
    for (const QString &sql : ChangeLog::tableStatements(c.engine()))
        c.EseguiIstruzione(sql);
    if (c.isServer()) {
        ChangeLog::createServerTriggers(c);
        createSearchIndexes(c);
    }
    transaction.commit();
    // A file's connection signs its changes from now on, as when it is opened.
    ChangeLog::prepare(c);
}

void Schema::ensureViews(cConnessione &c)
{
    const QStringList needed = {QStringLiteral("concepts"), QStringLiteral("conceptproperties"),
                                QStringLiteral("properties"), QStringLiteral("objectpropertyvalues"),
                                QStringLiteral("datatypepropertyvalues"), QStringLiteral("lang")};
    for (const QString &t : needed)
        if (!c.hasTable(t))
            return; // not a thesaurus database: leave it exactly as it is

    const QStringList views = {QStringLiteral("qObjectPropertyValues"), QStringLiteral("qDataTypePropertyValues")};
    const QStringList statements = viewStatements(c.isReadOnly());
    for (int i = 0; i < views.size(); ++i) {
        if (c.hasTable(views.at(i)))
            continue;
        if (c.isReadOnly() && c.isServer())
            continue; // a server takes nothing from a read-only session; the grid says what is missing
        if (c.isReadOnly()) {
            // Temporary views live in memory only; the file stays untouched.
            QSqlQuery q = c.prepare(statements.at(i));
            c.exec(q);
        } else {
            c.EseguiIstruzione(statements.at(i));
        }
    }
}
