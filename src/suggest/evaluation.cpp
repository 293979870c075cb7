#include "suggest/evaluation.h"

#include "tools/mappingimport.h"

#include <QSet>

namespace Evaluation {

namespace {

const QString skos = QStringLiteral("http://www.w3.org/2004/02/skos/core#");

QString key(const Link &l)
{
    return l.subject + QLatin1Char('\t') + l.predicate + QLatin1Char('\t') + l.object;
}

QString fullPredicate(const QString &p)
{
    if (p.startsWith(QLatin1String("skos:")))
        return skos + p.mid(5);
    return p;
}

} // namespace

Figures compare(const QVector<Link> &candidates, const QVector<Link> &reference)
{
    QSet<QString> cand, ref;
    for (const Link &l : candidates)
        cand.insert(key(l));
    for (const Link &l : reference)
        ref.insert(key(l));
    Figures f;
    f.candidates = static_cast<int>(cand.size());
    f.reference = static_cast<int>(ref.size());
    for (const QString &k : std::as_const(cand))
        if (ref.contains(k))
            ++f.correct;
    f.precision = f.candidates ? static_cast<double>(f.correct) / f.candidates : 0.0;
    f.recall = f.reference ? static_cast<double>(f.correct) / f.reference : 0.0;
    f.f1 = f.precision + f.recall > 0 ? 2 * f.precision * f.recall / (f.precision + f.recall) : 0.0;
    return f;
}

QString report(const Figures &f)
{
    return QStringLiteral("Candidates: %1\nReference: %2\nCorrect: %3\nPrecision: %4\nRecall: %5\nF1: %6\n")
        .arg(f.candidates)
        .arg(f.reference)
        .arg(f.correct)
        .arg(QString::number(f.precision, 'f', 3), QString::number(f.recall, 'f', 3), QString::number(f.f1, 'f', 3));
}

Read readFile(const QString &path)
{
    // The mapping readers tell the formats apart by name and content; the
    // Alignment format's "<" and ">" come back as broadMatch and narrowMatch.
    const MappingImport::File f = MappingImport::leggiFile(path);
    Read r;
    if (!f.ok) {
        r.error = MappingImport::messaggioErrore(f, path);
        return r;
    }
    for (const MappingImport::Voce &v : f.voci)
        r.links.append({v.soggetto, fullPredicate(v.predicato), v.oggetto, v.confidence.value_or(1.0)});
    r.ok = true;
    return r;
}

} // namespace Evaluation
