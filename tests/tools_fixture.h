#pragma once

// Thesaurus databases with concepts and mapping relations for the tests of the
// exports, the merge and the bulk delete, opened as Project > Open does.
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "shell/project.h"
#include "support/testdb.h"

#include <QFile>
#include <QStringList>
#include <QVariant>
#include <stdexcept>

namespace ToolsFixture {

struct Relation
{
    int id;
    int project;
    int left;
    int right;
    int property;
    QVariant notes;
};

// One concept of a model.
inline void addConcept(const QString &db, int id, int model, const QString &dex, const QVariant &uri)
{
    TestDb::run(db, {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                                    "values (?, ?, null, ?, 1, ?)")},
                {{id, model, dex, uri}});
}

inline void addRelations(const QString &db, const QList<Relation> &relations)
{
    cConnessione c;
    c.setRecordChanges(false); // put in place as another tool would: unsigned
    if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
        throw std::runtime_error("cannot open test database");
    c.beginTransaction();
    QSqlQuery q = c.prepare(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                           "right_concept_ref, property_ref, notes) values (?, ?, ?, ?, ?, ?)"));
    for (const Relation &r : relations)
        c.exec(q, {r.id, r.project, r.left, r.right, r.property, r.notes});
    q = QSqlQuery();
    c.commit();
    c.ChiudiConnessione();
}

// Source concepts 101.. ("src 01".. with URIs http://eurovoc.europa.eu/101..)
// and, for each target model m, concepts m*1000+1.. ("<model> 01"..).
inline QString thesaurus(TestDb &t, const QString &name = QStringLiteral("thesaurus.sqlite"), int perModel = 4)
{
    const QString db = t.createThesaurus(name);
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
        throw std::runtime_error("cannot open test database");
    c.beginTransaction();
    QSqlQuery q = c.prepare(QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                                           "values (?, ?, null, ?, 1, ?)"));
    for (int i = 1; i <= perModel; ++i)
        c.exec(q, {100 + i, int(Ids::EUROVOC), QStringLiteral("src %1").arg(i, 2, 10, QLatin1Char('0')),
                   QStringLiteral("http://eurovoc.europa.eu/%1").arg(100 + i)});
    for (int m : {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET})
        for (int i = 1; i <= perModel; ++i)
            c.exec(q, {m * 1000 + i, m, Ids::modelName(m) + QStringLiteral(" %1").arg(i, 2, 10, QLatin1Char('0')),
                       QStringLiteral("http://%1.example/%2").arg(Ids::modelName(m)).arg(i)});
    q = QSqlQuery();
    c.commit();
    c.ChiudiConnessione();
    return db;
}

// The database open in the shared connection for the life of the object, as
// Project > Open leaves it; closed again at the end.
class OpenDb
{
public:
    explicit OpenDb(const QString &path)
    {
        mdlGlobale::AzzeraStato();
        ScopedScriptedDialogs quiet;
        if (Progetto::ApriFile(path) != Progetto::Esito::Aperto)
            throw std::runtime_error("cannot open the database as the program does");
    }
    ~OpenDb() { mdlGlobale::vConnection.ChiudiConnessione(); }
    OpenDb(const OpenDb &) = delete;
    OpenDb &operator=(const OpenDb &) = delete;
};

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every relation row, ordered by id, as text (a snapshot to compare).
inline QStringList relationRows(const QString &db)
{
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(db)))
        throw std::runtime_error("cannot open test database");
    RecordSet rs;
    c.ApriRS(QStringLiteral("select id, project_ref, left_concept_ref, right_concept_ref, property_ref, notes, "
                            "notes is null as nullNotes from mappingrelations order by id"),
             rs);
    QStringList rows;
    for (; !rs.isEOF(); rs.MoveNext()) {
        QStringList cells;
        for (int i = 0; i < 6; ++i)
            cells << rs.value(i).toString();
        if (rs.value(6).toInt())
            cells.last() = QStringLiteral("<null>");
        rows << cells.join(QLatin1Char('|'));
    }
    c.ChiudiRS(rs);
    c.ChiudiConnessione();
    return rows;
}

} // namespace ToolsFixture
