#include "suggest/candidateset.h"

#include "base/clock.h"
#include "base/dialogs.h"
#include "data/ids.h"
#include "suggest/decisions.h"
#include "base/safesave.h"
#include "tools/mappingsssom.h"

#include <QSaveFile>
#include <QUuid>

namespace CandidateSet {

namespace {

QString propertyIri(int property)
{
    const char *name = property == Ids::BroadMatch ? "broadMatch" : property == Ids::NarrowMatch ? "narrowMatch" : "exactMatch";
    return QString::fromLatin1(Skos) + QLatin1String(name);
}

} // namespace

Set collect(cConnessione &connection, const Suggest::Matcher &m, const Options &options, const Suggest::Progress &progress)
{
    Set set;
    const QVector<qint32> sources = m.sources();
    set.concepts = static_cast<int>(sources.size());
    const QString lexical = QString::fromLatin1(Sssom::SemapvNamespace) + QStringLiteral("LexicalMatching");
    for (int i = 0; i < sources.size(); ++i) {
        if (progress && !progress(i, set.concepts))
            return {};
        for (const Suggest::Candidate &c : m.suggest(sources.at(i), options.top)) {
            if (c.score < options.minScore)
                break; // best first: the rest score lower still
            Statement s;
            s.subject = m.sourceUri(c.source);
            s.subjectLabel = m.sourceLabel(c.source);
            s.predicate = propertyIri(c.property);
            s.object = m.targetUri(c.target);
            s.objectLabel = m.targetLabel(c.target);
            s.justification = lexical;
            s.confidence = c.score;
            s.comment = c.evidenceText();
            set.statements.append(s);
            ++set.candidates;
        }
    }
    const QString curation = QString::fromLatin1(Sssom::SemapvNamespace) + QStringLiteral("ManualMappingCuration");
    for (const Decisions::Record &r : Decisions::all(connection, m.project())) {
        if (r.decision != Decisions::Decision::Rejected || !m.hasSource(r.left) || !m.hasTarget(r.right))
            continue;
        Statement s;
        s.subject = m.sourceUri(r.left);
        s.subjectLabel = m.sourceLabel(r.left);
        s.predicate = propertyIri(r.property);
        s.object = m.targetUri(r.right);
        s.objectLabel = m.targetLabel(r.right);
        s.negated = true;
        s.justification = curation;
        s.confidence = r.score;
        s.comment = r.evidence;
        s.author = r.who;
        s.date = r.when.toUTC().date().toString(Qt::ISODate);
        set.statements.append(s);
        ++set.rejected;
    }
    if (progress)
        progress(set.concepts, set.concepts);
    return set;
}

bool writeSssom(const Set &set, const Suggest::Matcher &m, const QString &path, QString &error)
{
    const QString source = Ids::modelName(Ids::EUROVOC);
    const QString target = Ids::modelName(m.scope().targetModel);
    Sssom::MappingSet out;
    // skos: and semapv: are prefixes every SSSOM file has; the writer names the thesauri's namespaces.
    auto meta = [&out](const char *slot, const QString &value) { out.metadata.insert(QLatin1String(slot), {value}); };
    meta("mapping_set_id", QUuid::createUuid().toString(QUuid::WithoutBraces).prepend(QStringLiteral("urn:uuid:")));
    meta("mapping_set_description",
         QStringLiteral("Candidate targets proposed for %1 concepts of %2 in %3").arg(set.concepts).arg(source, target));
    meta("license", QString::fromLatin1(Sssom::UnspecifiedLicense));
    meta("mapping_tool", programTitle());
    meta("mapping_date", programClock().now().date().toString(Qt::ISODate));
    for (const Statement &s : set.statements) {
        Sssom::Mapping row;
        row.set(QStringLiteral("subject_id"), s.subject);
        row.set(QStringLiteral("subject_label"), s.subjectLabel);
        row.set(QStringLiteral("predicate_id"), s.predicate);
        if (s.negated)
            row.set(QStringLiteral("predicate_modifier"), QStringLiteral("Not"));
        row.set(QStringLiteral("object_id"), s.object);
        row.set(QStringLiteral("object_label"), s.objectLabel);
        row.set(QStringLiteral("mapping_justification"), s.justification);
        row.set(QStringLiteral("confidence"), QString::number(s.confidence, 'f', 3));
        if (!s.comment.isEmpty())
            row.set(QStringLiteral("comment"), s.comment);
        if (!s.author.isEmpty())
            row.set(QStringLiteral("author_label"), s.author);
        if (!s.date.isEmpty())
            row.set(QStringLiteral("mapping_date"), s.date);
        out.mappings.append(row);
    }
    const Sssom::Written written = Sssom::write(out);
    if (!written.ok) {
        error = written.error;
        return false;
    }
    QSaveFile file(path);
    return SafeSave::open(file, &error) && SafeSave::write(file, written.bytes, &error)
           && SafeSave::commit(file, &error);
}

} // namespace CandidateSet
