#include "workspace/search.h"

#include "data/cConnessione.h"
#include "data/searchindex.h"

namespace {

QString joinOr(const QStringList &parts)
{
    return parts.join(QStringLiteral(" or "));
}

// The word test of a column, as the database answers it best: a file's
// LIKE, a server's test over its trigram index.
QString contains(const cConnessione *c, const QString &column)
{
    return c ? c->containsWord(column) : cConnessione::containsWord(cConnessione::Engine::SQLite, column);
}

QString dataTypeQuery(const cConnessione *c, int model, const QString &filter, const QString &extra)
{
    return QStringLiteral("SELECT distinct concepts.id "
                          "FROM (((concepts INNER JOIN (conceptproperties INNER JOIN properties "
                          "ON conceptproperties.property_ref = properties.id) "
                          "ON concepts.id = conceptproperties.concept_ref) "
                          "INNER JOIN datatypepropertyvalues ON conceptproperties.id = datatypepropertyvalues.concept_property_ref) "
                          "INNER JOIN lang ON datatypepropertyvalues.lang_ref = lang.id) "
                          "INNER JOIN models ON concepts.model_ref = models.id "
                          "WHERE lang.name='EN' and models.id = ")
        + QString::number(model) + QStringLiteral(" and (") + filter + QStringLiteral(")")
        + QStringLiteral(" and ") + contains(c, QStringLiteral("datatypepropertyvalues.value")) + extra;
}

QString objectQuery(const cConnessione *c, int model, const QString &filter, const QString &extra)
{
    return QStringLiteral("SELECT distinct concepts.id "
                          "FROM ((((models INNER JOIN concepts ON models.id = concepts.model_ref) "
                          "INNER JOIN conceptproperties ON concepts.id = conceptproperties.concept_ref) "
                          "INNER JOIN properties ON conceptproperties.property_ref = properties.id) "
                          "INNER JOIN objectpropertyvalues ON conceptproperties.id = objectpropertyvalues.concept_property_ref) "
                          "INNER JOIN concepts AS concepts_1 ON objectpropertyvalues.concept_ref = concepts_1.id "
                          "WHERE models.id = ")
        + QString::number(model) + QStringLiteral(" and (") + filter + QStringLiteral(")")
        + QStringLiteral(" and ") + contains(c, QStringLiteral("concepts_1.dex")) + extra;
}

Ricerca::Query build(const cConnessione *c, const Ricerca::Campi &campi, int model, const QString &word,
                     const QString &dataExtra,
                     const QString &objectExtra, const QVariantList &dataParams, const QVariantList &objectParams)
{
    const QString dt = Ricerca::filtroDataType(campi);
    const QString ob = Ricerca::filtroObject(campi);
    Ricerca::Query q;
    if (!dt.isEmpty()) {
        q.sql = dataTypeQuery(c, model, dt, dataExtra);
        q.params << word << dataParams;
    }
    if (!ob.isEmpty()) {
        if (!q.sql.isEmpty())
            q.sql += QStringLiteral(" UNION ");
        q.sql += objectQuery(c, model, ob, objectExtra);
        q.params << word << objectParams;
    }
    return q;
}

QVector<qint32> run(cConnessione &c, const Ricerca::Query &q)
{
    QVector<qint32> ids;
    if (q.sql.isEmpty())
        return ids;
    RecordSet rs;
    if (!c.ApriRS(q.sql, rs, q.params))
        return ids;
    while (!rs.isEOF()) {
        ids.append(rs.value(0).toInt());
        rs.MoveNext();
    }
    c.ChiudiRS(rs);
    return ids;
}

} // namespace

QString Ricerca::filtroDataType(const Campi &campi)
{
    QStringList parts;
    if (campi.altLabel)
        parts << QStringLiteral("properties.id = 1");
    if (campi.prefLabel)
        parts << QStringLiteral("properties.id = 4");
    if (campi.scopeNote)
        parts << QStringLiteral("properties.id = 6");
    return joinOr(parts);
}

QString Ricerca::filtroObject(const Campi &campi)
{
    QStringList parts;
    if (campi.related)
        parts << QStringLiteral("properties.id = 5");
    if (campi.broader)
        parts << QStringLiteral("properties.id = 2");
    if (campi.narrower)
        parts << QStringLiteral("properties.id = 3");
    return joinOr(parts);
}

Ricerca::Query Ricerca::costruisci(const Campi &campi, int model, const QString &word)
{
    return build(nullptr, campi, model, word, {}, {}, {}, {});
}

QVector<qint32> Ricerca::eseguiSenzaIndice(cConnessione &connection, const Campi &campi, int model, const QString &word)
{
    if (word.isEmpty())
        return {};
    return run(connection, build(&connection, campi, model, word, {}, {}, {}, {}));
}

QVector<qint32> Ricerca::esegui(cConnessione &connection, const Campi &campi, int model, const QString &word)
{
    if (word.isEmpty())
        return {};
    const QString match = SearchIndex::matchText(word);
    if (match.isEmpty() || !SearchIndex::ready(connection))
        return eseguiSenzaIndice(connection, campi, model, word);
    // The same statement, narrowed to the rows whose text the index says
    // contains the word; the Like test still decides, so the result is the
    // plain statement's.
    const QString dataExtra = QStringLiteral(" and datatypepropertyvalues.rowid in (select rowid from ")
        + SearchIndex::valuesTable() + QStringLiteral(" where v match ?)");
    const QString objectExtra = QStringLiteral(" and concepts_1.rowid in (select rowid from ")
        + SearchIndex::dexTable() + QStringLiteral(" where v match ?)");
    return run(connection, build(&connection, campi, model, word, dataExtra, objectExtra, {match}, {match}));
}
