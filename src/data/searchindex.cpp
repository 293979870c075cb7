#include "data/searchindex.h"

#include "data/cConnessione.h"
#include "data/sqlitefunctions.h"

#include <QStringList>

namespace {

// Statements that build the index; run in order inside one transaction.
QStringList buildStatements()
{
    return {
        QStringLiteral("create virtual table temp.vospan_fts_values using fts5(v, content='', columnsize=0, "
                       "tokenize='trigram case_sensitive 1')"),
        QStringLiteral("create virtual table temp.vospan_fts_dex using fts5(v, content='', columnsize=0, "
                       "tokenize='trigram case_sensitive 1')"),
        QStringLiteral("insert into temp.vospan_fts_values (rowid, v) "
                       "select rowid, vospan_fold(value) from main.datatypepropertyvalues where value is not null"),
        QStringLiteral("insert into temp.vospan_fts_dex (rowid, v) "
                       "select rowid, vospan_fold(dex) from main.concepts where dex is not null"),
        // This connection's own writes keep the index current.
        QStringLiteral("create temp trigger vospan_fts_values_ins after insert on main.datatypepropertyvalues "
                       "when new.value is not null begin "
                       "insert into vospan_fts_values (rowid, v) values (new.rowid, vospan_fold(new.value)); end"),
        QStringLiteral("create temp trigger vospan_fts_values_del after delete on main.datatypepropertyvalues "
                       "when old.value is not null begin "
                       "insert into vospan_fts_values (vospan_fts_values, rowid, v) "
                       "values ('delete', old.rowid, vospan_fold(old.value)); end"),
        QStringLiteral("create temp trigger vospan_fts_values_upd after update on main.datatypepropertyvalues begin "
                       "insert into vospan_fts_values (vospan_fts_values, rowid, v) "
                       "select 'delete', old.rowid, vospan_fold(old.value) where old.value is not null; "
                       "insert into vospan_fts_values (rowid, v) "
                       "select new.rowid, vospan_fold(new.value) where new.value is not null; end"),
        QStringLiteral("create temp trigger vospan_fts_dex_ins after insert on main.concepts "
                       "when new.dex is not null begin "
                       "insert into vospan_fts_dex (rowid, v) values (new.rowid, vospan_fold(new.dex)); end"),
        QStringLiteral("create temp trigger vospan_fts_dex_del after delete on main.concepts "
                       "when old.dex is not null begin "
                       "insert into vospan_fts_dex (vospan_fts_dex, rowid, v) "
                       "values ('delete', old.rowid, vospan_fold(old.dex)); end"),
        QStringLiteral("create temp trigger vospan_fts_dex_upd after update on main.concepts begin "
                       "insert into vospan_fts_dex (vospan_fts_dex, rowid, v) "
                       "select 'delete', old.rowid, vospan_fold(old.dex) where old.dex is not null; "
                       "insert into vospan_fts_dex (rowid, v) "
                       "select new.rowid, vospan_fold(new.dex) where new.dex is not null; end"),
        // What the file looked like when the index was built.
        QStringLiteral("create temp table vospan_fts_state (data_version integer)"),
    };
}

qint64 dataVersion(cConnessione &c)
{
    return c.scalar(QStringLiteral("pragma data_version")).toLongLong();
}

} // namespace

bool SearchIndex::exists(cConnessione &c)
{
    try {
        return c.isOpen()
            && c.scalar(QStringLiteral("select count(*) from temp.sqlite_master where name in "
                                       "('vospan_fts_values', 'vospan_fts_dex', 'vospan_fts_state')"))
                       .toInt()
            == 3;
    } catch (const DbError &) {
        return false;
    }
}

void SearchIndex::drop(cConnessione &c)
{
    if (!c.isOpen())
        return;
    // Temporary objects only: allowed even on a file opened read-only.
    auto run = [&c](const QString &sql) {
        QSqlQuery q = c.prepare(sql);
        c.exec(q);
    };
    for (const char *trigger : {"vospan_fts_values_ins", "vospan_fts_values_del", "vospan_fts_values_upd",
                                "vospan_fts_dex_ins", "vospan_fts_dex_del", "vospan_fts_dex_upd"}) {
        try {
            run(QStringLiteral("drop trigger if exists temp.") + QLatin1String(trigger));
        } catch (const DbError &) {
        }
    }
    for (const char *table : {"vospan_fts_values", "vospan_fts_dex", "vospan_fts_state"}) {
        try {
            run(QStringLiteral("drop table if exists temp.") + QLatin1String(table));
        } catch (const DbError &) {
        }
    }
}

bool SearchIndex::ensure(cConnessione &c)
{
    if (!c.isOpen())
        return false;
    try {
        if (exists(c)) {
            // Another connection (another program, a second connection of
            // this one) may have changed the file: then the index is rebuilt.
            const QVariant built = c.scalar(QStringLiteral("select data_version from temp.vospan_fts_state"));
            if (!built.isNull() && built.toLongLong() == dataVersion(c))
                return true;
            drop(c);
        }
        // Temporary objects can be made even on a read-only file.
        QSqlQuery begin = c.prepare(QStringLiteral("savepoint vospan_fts"));
        c.exec(begin);
        try {
            for (const QString &sql : buildStatements()) {
                QSqlQuery q = c.prepare(sql);
                c.exec(q);
            }
            QSqlQuery state = c.prepare(QStringLiteral("insert into temp.vospan_fts_state (data_version) values (?)"));
            c.exec(state, {dataVersion(c)});
            QSqlQuery release = c.prepare(QStringLiteral("release vospan_fts"));
            c.exec(release);
        } catch (const DbError &) {
            QSqlQuery rollback = c.prepare(QStringLiteral("rollback to vospan_fts"));
            c.exec(rollback);
            QSqlQuery release = c.prepare(QStringLiteral("release vospan_fts"));
            c.exec(release);
            return false;
        }
        return true;
    } catch (const DbError &) {
        return false;
    }
}

QString SearchIndex::matchText(const QString &word)
{
    if (word.contains(QLatin1Char('%')) || word.contains(QLatin1Char('_')))
        return {};
    const QString folded = SqliteFunctions::foldCase(word);
    if (folded.toUcs4().size() < 3)
        return {};
    QString phrase = folded;
    phrase.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + phrase + QLatin1Char('"');
}
