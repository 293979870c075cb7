#pragma once

// Helpers shared by the SKOS import tests: files, imports, and questions
// asked of the database the import wrote.
#include "data/cConnessione.h"
#include "support/testdb.h"
#include "tools/skos_import.h"

#include <QFile>
#include <QStringList>

namespace SkosFixture {

inline QString dataFile(const QString &name)
{
    return QStringLiteral(VOSPAN_SOURCE_DIR "/tests/data/") + name;
}

// A file of ../shared/data/skos, empty when the shared folder is absent.
inline QString sharedSkos(const QString &name)
{
    const QString shared = sharedDataPath();
    return shared.isEmpty() ? QString() : shared + QStringLiteral("/skos/") + name;
}

inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline qint64 count(const QString &db, const QString &sql, const QVariantList &params = {})
{
    return TestDb::value(db, sql, params).toLongLong();
}

inline qint64 idOfUri(const QString &db, const QString &uri)
{
    return count(db, QStringLiteral("select id from concepts where uri = ?"), {uri});
}

inline QString dexOfUri(const QString &db, const QString &uri)
{
    return TestDb::value(db, QStringLiteral("select dex from concepts where uri = ?"), {uri}).toString();
}

// The URI of the parent row of the row with this URI.
inline QString parentUri(const QString &db, const QString &uri)
{
    return TestDb::value(db, QStringLiteral("select p.uri from concepts c join concepts p on p.id = c.parent_ref where c.uri = ?"),
                         {uri})
        .toString();
}

// Rows of a query, each row's columns joined by "|".
inline QStringList rows(const QString &db, const QString &sql, const QVariantList &params = {})
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    RecordSet rs;
    c.ApriRS(sql, rs, params);
    QStringList out;
    while (!rs.isEOF()) {
        QStringList cols;
        for (int i = 0; i < rs.columnCount(); ++i)
            cols << rs.value(i).toString();
        out << cols.join(QLatin1Char('|'));
        rs.MoveNext();
    }
    return out;
}

// Text values of one property of a concept, as "LANG:value", sorted.
inline QStringList textsOf(const QString &db, qint64 conceptId, int property)
{
    QStringList out = rows(db,
                           QStringLiteral("select lang.name || ':' || datatypepropertyvalues.value from conceptproperties "
                                          "join datatypepropertyvalues on datatypepropertyvalues.concept_property_ref = conceptproperties.id "
                                          "join lang on lang.id = datatypepropertyvalues.lang_ref "
                                          "where conceptproperties.concept_ref = ? and conceptproperties.property_ref = ?"),
                           {conceptId, property});
    out.sort();
    return out;
}

// The property id of a SKOS property by its URI, 0 when the database has none.
inline int propertyId(const QString &db, const QString &skosName)
{
    return static_cast<int>(count(db, QStringLiteral("select id from properties where uri = ?"),
                                  {QStringLiteral("http://www.w3.org/2004/02/skos/core#") + skosName}));
}

// Link values of one property, in all.
inline qint64 linkCount(const QString &db, int property)
{
    return count(db, QStringLiteral("select count(*) from objectpropertyvalues o join conceptproperties cp "
                                    "on cp.id = o.concept_property_ref where cp.property_ref = ?"),
                 {property});
}

inline SkosImport::Result importFile(const QString &db, const QString &file, int model,
                                     const SkosImport::Progress &progress = {}, const SkosImport::Confirm &confirm = {})
{
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
        return {SkosImport::Result::Status::Failed, c.lastOpenError(), 0, {}};
    return SkosImport::run(c, file, model, progress, confirm);
}

inline bool yes(const QString &)
{
    return true;
}

} // namespace SkosFixture
