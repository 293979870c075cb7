#pragma once

// Data the search benchmarks (bench_explore, bench_workday) prepare alike.
#include "data/cConnessione.h"
#include "data/ids.h"
#include "workspace/search.h"

#include <QStringList>

namespace BenchData {

// Gives every concept an English altLabel for each of its texts in another
// language, which brings the generator's English texts to about three per
// concept.  Runs inside the caller's transaction.
inline void addEnglishAltLabels(cConnessione &c)
{
    c.EseguiIstruzione(QStringLiteral("create temp table extra as select d.id as src, cp.concept_ref as concept, "
                                      "d.value as value from datatypepropertyvalues d join conceptproperties cp "
                                      "on cp.id = d.concept_property_ref where d.lang_ref <> 6"));
    const qint32 base = c.scalar(QStringLiteral("select max(id) from conceptproperties")).toInt();
    c.EseguiIstruzione(QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) "
                                      "select ? + src, concept, 1 from extra"),
                       QStringLiteral("128"), {base});
    c.EseguiIstruzione(QStringLiteral("insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) "
                                      "select ? + src, 6, value from extra"),
                       QStringLiteral("128"), {base});
    c.EseguiIstruzione(QStringLiteral("drop table extra"));
}

// A five-letter piece of a GEMET label that finds a few hundred concepts
// (200 to 700), tried in the order met until one fits; found is how many it
// finds.  Empty when none does.
inline QString wordFindingAFewHundred(cConnessione &c, int &found)
{
    RecordSet rs;
    c.ApriRS(QStringLiteral("select dex from concepts where model_ref = 5 order by id limit 400"), rs);
    QStringList candidates;
    for (; !rs.isEOF(); rs.MoveNext())
        for (const QString &wd : rs.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (wd.size() >= 6)
                candidates << wd.mid(1, 5);
    c.ChiudiRS(rs);
    for (const QString &candidate : std::as_const(candidates)) {
        const int n = static_cast<int>(Ricerca::eseguiSenzaIndice(c, Ricerca::Campi{}, Ids::GEMET, candidate).size());
        if (n >= 200 && n <= 700) {
            found = n;
            return candidate;
        }
    }
    return {};
}

} // namespace BenchData
