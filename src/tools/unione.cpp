#include "tools/unione.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/databasefile.h"
#include "data/mdlGlobale.h"

#include <QDir>
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
    target.beginTransaction();
    try {
        const qint32 base = LeggiUltimoId(target);
        QSqlQuery insert = target.prepare(QStringLiteral(
            "insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref, notes) "
            "values (?, ?, ?, ?, ?, ?)"));
        const QString empty = QStringLiteral("");
        qint32 k = 0;
        for (int i = 0; i < rows.size(); ++i) {
            const Riga &row = rows.at(i);
            QString why;
            const auto project = reference(row.projectRef, "project_ref", why);
            const auto left = project ? reference(row.leftConceptRef, "left_concept_ref", why) : std::nullopt;
            const auto right = left ? reference(row.rightConceptRef, "right_concept_ref", why) : std::nullopt;
            const auto property = right ? reference(row.propertyRef, "property_ref", why) : std::nullopt;
            if (property && base > std::numeric_limits<qint32>::max() - k - 1)
                why = QStringLiteral("no new id is left above %1").arg(base + k);
            if (!why.isEmpty()) {
                insert = QSqlQuery();
                target.rollback();
                e.rigaFallita = i;
                e.motivo = why;
                return e;
            }
            const QVariant notes = row.notes.isNull() ? QVariant(empty) : QVariant(row.notes.toString());
            try {
                target.exec(insert, {base + k + 1, *project, *left, *right, *property, notes});
            } catch (const DbError &error) {
                insert = QSqlQuery();
                target.rollback();
                e.rigaFallita = i;
                e.motivo = mdlUtil::testoErrore(error);
                return e;
            }
            ++k;
        }
        insert = QSqlQuery();
        target.commit();
        e.unito = true;
        e.aggiunte = k;
        e.primoId = base + 1;
    } catch (...) {
        target.rollback();
        throw;
    }
    return e;
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
    if (!e.unito) {
        dialogs().message(QStringLiteral("%1 of %2 cannot be appended: %3.\n"
                                         "The merge was undone: no mapping relation was appended.")
                              .arg(descrivi(rows.at(e.rigaFallita), e.rigaFallita),
                                   QDir::toNativeSeparators(path), e.motivo),
                          {}, Dialogs::Icon::Critical);
        return;
    }
    dialogs().message(QString::number(e.aggiunte) + QStringLiteral(" mapping relations appended"));
}
