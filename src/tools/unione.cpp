#include "tools/unione.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "data/mdlGlobale.h"
#include "data/relationstore.h"

#include <QDir>
#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <limits>
#include <optional>

using namespace mdlGlobale;

namespace {

// A reference column as a 32-bit id, or the reason it is not one.
std::optional<qint32> reference(const QVariant &v, const char *column, QString &why)
{
    const QString name = QString::fromLatin1(column);
    if (v.isNull()) {
        why = QStringLiteral("its %1 is Null").arg(name);
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    // Whole numbers only: 2.5 converts to a number but is no id.
    if (!ok || v.toString() != QString::number(n) || n < std::numeric_limits<qint32>::min()
        || n > std::numeric_limits<qint32>::max()) {
        why = QStringLiteral("its %1 \"%2\" is not an id").arg(name, v.toString());
        return std::nullopt;
    }
    return static_cast<qint32>(n);
}

// The four references of a relation as ids.
struct Riferimenti
{
    qint32 project = 0;
    qint32 left = 0;
    qint32 right = 0;
    qint32 property = 0;
};

std::optional<Riferimenti> riferimenti(const Unione::Riga &row, QString &why)
{
    const auto project = reference(row.projectRef, "project_ref", why);
    const auto left = project ? reference(row.leftConceptRef, "left_concept_ref", why) : std::nullopt;
    const auto right = left ? reference(row.rightConceptRef, "right_concept_ref", why) : std::nullopt;
    const auto property = right ? reference(row.propertyRef, "property_ref", why) : std::nullopt;
    if (!property)
        return std::nullopt;
    return Riferimenti{*project, *left, *right, *property};
}

// Whether the target database holds what relations refer to: the two
// concepts, the project with its target model and the property, as the
// exports and the report join them.  Each id is looked up once.
class Catalogo
{
public:
    explicit Catalogo(cConnessione &c)
        : m_c(c),
          m_concept(c.prepare(QStringLiteral("select count(*) from concepts where id = ?"))),
          m_project(c.prepare(QStringLiteral("select count(*) from mappingprojects inner join models on "
                                             "mappingprojects.right_model_ref = models.id "
                                             "where mappingprojects.id = ?"))),
          m_property(c.prepare(QStringLiteral("select count(*) from properties where id = ?")))
    {
    }

    // What the database lacks, in words; empty when it holds everything.
    QStringList mancanti(const Riferimenti &r)
    {
        QStringList out;
        if (!has(m_project, m_projects, r.project))
            out << QStringLiteral("no project %1").arg(r.project);
        if (!has(m_concept, m_concepts, r.left))
            out << QStringLiteral("no source concept %1").arg(r.left);
        if (!has(m_concept, m_concepts, r.right))
            out << QStringLiteral("no target concept %1").arg(r.right);
        if (!has(m_property, m_properties, r.property))
            out << QStringLiteral("no property %1").arg(r.property);
        return out;
    }

private:
    bool has(QSqlQuery &query, QHash<qint32, bool> &known, qint32 id)
    {
        const auto it = known.constFind(id);
        if (it != known.cend())
            return *it;
        m_c.exec(query, {id});
        const bool found = query.next() && query.value(0).toLongLong() > 0;
        query.finish();
        known.insert(id, found);
        return found;
    }

    cConnessione &m_c;
    QSqlQuery m_concept, m_project, m_property;
    QHash<qint32, bool> m_concepts, m_projects, m_properties;
};

// The rows to append, in order, with their references; the rows left out go
// into e.ignote.  Empty, with e.rigaFallita and e.motivo set, when a row is
// malformed.
std::optional<QVector<std::pair<int, Riferimenti>>> scegli(cConnessione &target, const QVector<Unione::Riga> &rows,
                                                           Unione::Esito &e)
{
    Catalogo catalogo(target);
    QVector<std::pair<int, Riferimenti>> chosen;
    chosen.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QString why;
        const std::optional<Riferimenti> r = riferimenti(rows.at(i), why);
        if (!r) {
            e.rigaFallita = i;
            e.motivo = why;
            return std::nullopt;
        }
        const QStringList missing = catalogo.mancanti(*r);
        if (missing.isEmpty())
            chosen.append({i, *r});
        else
            e.ignote << Unione::descrivi(rows.at(i), i) + QStringLiteral(": ") + missing.join(QStringLiteral(", "));
    }
    return chosen;
}

} // namespace

QVector<Unione::Riga> Unione::leggi(cConnessione &source)
{
    QVector<Riga> rows;
    RecordSet rs;
    source.ApriRS(QStringLiteral("select * from mappingrelations order by id"), rs);
    try {
        const QStringList names = {QStringLiteral("id"), QStringLiteral("project_ref"),
                                   QStringLiteral("left_concept_ref"), QStringLiteral("right_concept_ref"),
                                   QStringLiteral("property_ref"), QStringLiteral("notes")};
        int col[6];
        for (int i = 0; i < 6; ++i) {
            col[i] = rs.columnIndex(names.at(i));
            if (col[i] < 0)
                throw DbError(3265, QStringLiteral("The table mappingrelations of the appending database has "
                                                   "no column %1.")
                                        .arg(names.at(i)));
        }
        for (; !rs.isEOF(); rs.MoveNext())
            rows.append({rs.value(col[0]), rs.value(col[1]), rs.value(col[2]), rs.value(col[3]), rs.value(col[4]),
                         rs.value(col[5])});
    } catch (...) {
        source.ChiudiRS(rs);
        throw;
    }
    source.ChiudiRS(rs);
    return rows;
}

QString Unione::descrivi(const Riga &row, int index)
{
    if (row.id.isNull())
        return QStringLiteral("The mapping relation number %1 (it has no id)").arg(index + 1);
    return QStringLiteral("The mapping relation with id %1").arg(row.id.toString());
}

Unione::Esito Unione::accoda(cConnessione &target, const QVector<Riga> &rows)
{
    Esito e;
    // Inside the store's write transaction: the highest id read below stays
    // the highest until the rows are in, whoever else is waiting to write;
    // should another writer have taken one of the ids all the same, the
    // merge is undone and done again from a fresh read.
    RelationStore(target).write([&](RelationStore::Batch &batch) {
        e = Esito();
        const auto chosen = scegli(target, rows, e);
        if (!chosen)
            return false;

        constexpr qint64 top = std::numeric_limits<qint32>::max();
        const qint64 base = batch.highestId();
        if (base + chosen->size() > top) {
            e.motivo = QStringLiteral("the highest mapping relation id in this database is %1, and an id is a "
                                      "32-bit number (at most %2): there are no ids left for %3 more relations")
                           .arg(base)
                           .arg(top)
                           .arg(chosen->size());
            return false;
        }

        const QString empty = QStringLiteral("");
        qint32 k = 0;
        for (const auto &[i, r] : *chosen) {
            const Riga &row = rows.at(i);
            const QVariant notes = row.notes.isNull() ? QVariant(empty) : QVariant(row.notes.toString());
            try {
                batch.insert(static_cast<qint32>(base + k + 1), {r.project, r.left, r.right, r.property, notes});
            } catch (const DbError &error) {
                if (cConnessione::isLocked(error))
                    throw; // the database's fault, not the row's
                e.rigaFallita = i;
                e.motivo = mdlUtil::testoErrore(error);
                e.ignote.clear();
                return false;
            }
            ++k;
        }
        e.unito = true;
        e.aggiunte = k;
        e.primoId = static_cast<qint32>(base + 1);
        return true;
    });
    return e;
}

QString Unione::messaggio(const Esito &esito, const QVector<Riga> &rows, const QString &path, int limite)
{
    const QString file = QDir::toNativeSeparators(path);
    if (!esito.unito) {
        const QString which = esito.rigaFallita >= 0
                                  ? descrivi(rows.at(esito.rigaFallita), esito.rigaFallita) + QStringLiteral(" of ")
                                        + file
                                  : QStringLiteral("The mapping relations of ") + file;
        return which + QStringLiteral(" cannot be appended: %1.\nThe merge was undone: no mapping relation was "
                                      "appended.")
                           .arg(esito.motivo);
    }
    QString text = esito.aggiunte > 0 ? QString::number(esito.aggiunte) + QStringLiteral(" mapping relations appended")
                                      : QStringLiteral("No mapping relation appended");
    if (esito.ignote.isEmpty())
        return text;
    text += QStringLiteral("\n\n%1 mapping relations of %2 were not appended: this database does not hold the "
                           "concepts, projects or properties they refer to, so no export and no report would show "
                           "them.")
                .arg(esito.ignote.size())
                .arg(file);
    const qsizetype shown = limite > 0 ? std::min<qsizetype>(limite, esito.ignote.size()) : esito.ignote.size();
    for (qsizetype i = 0; i < shown; ++i)
        text += QStringLiteral("\n    ") + esito.ignote.at(i);
    if (esito.ignote.size() > shown)
        text += QStringLiteral("\n    ... and %1 more").arg(esito.ignote.size() - shown);
    return text;
}

void Unione::UnisciDatabase()
{
    const QString file = dialogs().openFile(QStringLiteral("Open appending database"),
                                            mdlUtil::CartellaApplicazione(), Progetto::filtroDatabase());
    if (file.isEmpty()) {
        dialogs().message(QStringLiteral("User cancel"));
        return;
    }
    const QString path = Progetto::fileDaAprire(file);
    if (path.isEmpty())
        return; // an Access file the user chose not to convert

    QVector<Riga> rows;
    {
        // The second connection lives only while the rows are read, so it
        // holds no lock on the file while the open database is written.
        cConnessione second;
        if (!mdlUtil::ApriDatabase(second, cConnessione::connectionStringFor(path))) {
            dialogs().message(QStringLiteral("No connection"));
            return;
        }
        try {
            Attesa::Clessidra hourglass;
            rows = leggi(second);
        } catch (const DbError &error) {
            second.ChiudiConnessione();
            mdlUtil::MostraErrore(error);
            return;
        }
        second.ChiudiConnessione();
    }
    if (rows.isEmpty()) {
        dialogs().message(QStringLiteral("No mapping relation appended"));
        return;
    }

    Esito e;
    try {
        Attesa::Clessidra hourglass;
        e = accoda(vConnection, rows);
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
        return;
    }
    const Dialogs::Icon icon = !e.unito              ? Dialogs::Icon::Critical
                               : e.ignote.isEmpty() ? Dialogs::Icon::None
                                                    : Dialogs::Icon::Warning;
    dialogs().message(messaggio(e, rows, path, 20), {}, icon);
}
