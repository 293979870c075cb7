// Quality and speed of the suggested targets.
//
// Quality: the five OAEI Digital Humanities cases of the shared data folder.
// Each case's source.rdf is imported as EUROVOC and its target.rdf as GEMET
// through the SKOS import, the matcher proposes targets for every source
// concept, and its top-1 exactMatch candidates (score at least the threshold)
// are compared with the hand-made reference: precision, recall, F1 per case
// and micro-averaged, and the share of the reference's source concepts whose
// right target is among the first 5 candidates.  A sweep over thresholds
// shows how the default threshold was chosen.
//
// Speed and memory: generated thesauri of 7,000 EUROVOC and 5,500 GEMET
// concepts (index build, one concept's top 10, a whole field), and of
// 100,000 + 100,000 concepts (index memory).
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_suggest [SHARED_DATA_FOLDER] [--quality] [--speed] [--memory]
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/generator.h"
#include "data/ids.h"
#include "data/schema.h"
#include "suggest/evaluation.h"
#include "suggest/matcher.h"
#include "tools/skos_import.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

const char *const Program = "bench_suggest";

double residentMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void open(cConnessione &c, const QString &path)
{
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        Bench::fail(Program, QStringLiteral("cannot open %1: %2").arg(path, c.lastOpenError()));
}

QString newDatabase(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    cConnessione::createDatabaseFile(path);
    cConnessione c;
    open(c, path);
    Schema::create(c);
    return path;
}

void import(cConnessione &c, const QString &file, int model)
{
    const SkosImport::Result r = SkosImport::run(c, file, model, {}, [](const QString &) { return true; });
    if (r.status != SkosImport::Result::Status::Imported)
        Bench::fail(Program, QStringLiteral("import of %1 failed (%2): %3").arg(file).arg(int(r.status)).arg(r.message));
}

struct CaseResult
{
    QString name;
    // Per source URI: its candidates (target URI, relation, score), best first.
    QHash<QString, QVector<std::tuple<QString, int, double>>> candidates;
    QVector<Evaluation::Link> reference;
};

struct Counts
{
    int tp = 0, fp = 0, fn = 0;
    int sources = 0, top5 = 0;
};

Counts count(const CaseResult &r, double threshold)
{
    const QString exact = QStringLiteral("http://www.w3.org/2004/02/skos/core#exactMatch");
    // Each source concept's first candidate, when it is an exactMatch at or above the threshold.
    QVector<Evaluation::Link> top1;
    for (auto it = r.candidates.cbegin(); it != r.candidates.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        const auto &[target, property, score] = it.value().first();
        if (property == Ids::ExactMatch && score >= threshold)
            top1.append({it.key(), exact, target, score});
    }
    const Evaluation::Figures f = Evaluation::compare(top1, r.reference);
    Counts c;
    c.tp = f.correct;
    c.fp = f.candidates - f.correct;
    c.fn = f.reference - f.correct;
    QHash<QString, QSet<QString>> right;
    for (const Evaluation::Link &l : r.reference)
        right[l.subject].insert(l.object);
    c.sources = static_cast<int>(right.size());
    for (auto it = right.cbegin(); it != right.cend(); ++it) {
        const auto list = r.candidates.value(it.key());
        for (int i = 0; i < std::min<int>(5, static_cast<int>(list.size())); ++i)
            if (it.value().contains(std::get<0>(list.at(i)))) {
                ++c.top5;
                break;
            }
    }
    return c;
}

double f1(const Counts &c)
{
    const double p = c.tp + c.fp ? double(c.tp) / (c.tp + c.fp) : 0;
    const double r = c.tp + c.fn ? double(c.tp) / (c.tp + c.fn) : 0;
    return p + r > 0 ? 2 * p * r / (p + r) : 0;
}

void quality(const QString &shared)
{
    const QDir base(shared + QStringLiteral("/alignment/dh-benchmark"));
    const QStringList cases = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    const QString f1What = QStringLiteral("Suggestions: F1 of the top-1 exactMatch, five OAEI DH cases, threshold %1")
                               .arg(Suggest::DefaultMinScore, 0, 'f', 2);
    const QString top5What = QStringLiteral("same, reference source concepts with the right target in the top 5");
    if (cases.isEmpty()) {
        std::printf("quality: no cases in %s, skipped\n", qPrintable(base.path()));
        Bench::skipped("suggest.f1", "F1", ">=0.6", f1What);
        Bench::skipped("suggest.top5", "%", ">=70", top5What);
        return;
    }
    QTemporaryDir dir;
    QVector<CaseResult> results;
    for (const QString &name : cases) {
        const QString folder = base.filePath(name);
        const QString db = newDatabase(dir, name + QStringLiteral(".sqlite"));
        cConnessione c;
        open(c, db);
        import(c, folder + QStringLiteral("/source.rdf"), Ids::EUROVOC);
        import(c, folder + QStringLiteral("/target.rdf"), Ids::GEMET);
        QString why;
        const auto m = Suggest::Matcher::build(c, {Ids::GEMET, {}, {}}, &why);
        if (!m)
            Bench::fail(Program, why);
        CaseResult r;
        r.name = name;
        const QVector<qint32> sources = m->sources();
        const auto all = m->suggestAll(10);
        for (int i = 0; i < sources.size(); ++i) {
            auto &list = r.candidates[m->sourceUri(sources.at(i))];
            for (const Suggest::Candidate &cand : all.at(i))
                list.append({m->targetUri(cand.target), cand.property, cand.score});
        }
        const Evaluation::Read ref = Evaluation::readFile(folder + QStringLiteral("/reference.rdf"));
        if (!ref.ok)
            Bench::fail(Program, ref.error);
        r.reference = ref.links;
        results.append(r);
    }

    std::printf("threshold sweep (micro-averaged over the %d cases):\n", static_cast<int>(results.size()));
    double bestF1 = -1, bestAt = 0;
    for (int step = 30; step <= 95; ++step) {
        const double th = step / 100.0;
        Counts total;
        for (const CaseResult &r : results) {
            const Counts c = count(r, th);
            total.tp += c.tp;
            total.fp += c.fp;
            total.fn += c.fn;
        }
        const double f = f1(total);
        if (step % 5 == 0)
            std::printf("  %.2f  TP %3d FP %3d FN %3d  F1 %.3f\n", th, total.tp, total.fp, total.fn, f);
        if (f > bestF1 + 1e-12) {
            bestF1 = f;
            bestAt = th;
        }
    }
    std::printf("best threshold of the sweep: %.2f (F1 %.3f)\n\n", bestAt, bestF1);

    const double th = Suggest::DefaultMinScore;
    std::printf("at the default threshold %.2f:\n", th);
    std::printf("  %-30s %4s %4s %4s %6s %6s %6s %8s\n", "case", "TP", "FP", "FN", "P", "R", "F1", "top-5");
    Counts total;
    for (const CaseResult &r : results) {
        const Counts c = count(r, th);
        const double p = c.tp + c.fp ? double(c.tp) / (c.tp + c.fp) : 0;
        const double rc = c.tp + c.fn ? double(c.tp) / (c.tp + c.fn) : 0;
        std::printf("  %-30s %4d %4d %4d %6.3f %6.3f %6.3f %3d/%-3d\n", qPrintable(r.name), c.tp, c.fp, c.fn, p, rc,
                    f1(c), c.top5, c.sources);
        total.tp += c.tp;
        total.fp += c.fp;
        total.fn += c.fn;
        total.sources += c.sources;
        total.top5 += c.top5;
    }
    const double p = double(total.tp) / std::max(1, total.tp + total.fp);
    const double rc = double(total.tp) / std::max(1, total.tp + total.fn);
    std::printf("  %-30s %4d %4d %4d %6.3f %6.3f %6.3f %3d/%-3d\n", "micro-averaged", total.tp, total.fp, total.fn,
                p, rc, f1(total), total.top5, total.sources);
    std::printf("  F1 of top-1 exactMatch: %.3f (bar 0.60); right target in the top 5: %.1f%% (bar 70%%)\n\n",
                f1(total), 100.0 * total.top5 / std::max(1, total.sources));
    Bench::figure("suggest.f1", f1(total), "F1", ">=0.6", f1What);
    Bench::figure("suggest.top5", 100.0 * total.top5 / std::max(1, total.sources), "%", ">=70", top5What);
}

// Builds a database of generated thesauri: EUROVOC and GEMET of the given sizes.
QString generated(const QTemporaryDir &dir, const QString &name, int eurovoc, int gemet)
{
    const QString path = newDatabase(dir, name);
    cConnessione c;
    open(c, path);
    Generator::GeneratorOptions o;
    o.models = {Ids::EUROVOC};
    o.concepts = eurovoc;
    Generator::generate(c, o);
    o.models = {Ids::GEMET};
    o.concepts = gemet;
    o.seed = 2;
    Generator::generate(c, o);
    return path;
}

void speed()
{
    QTemporaryDir dir;
    const QString db = generated(dir, QStringLiteral("speed.sqlite"), 7000, 5500);
    cConnessione c;
    open(c, db);

    std::vector<double> builds;
    std::unique_ptr<Suggest::Matcher> m;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        m = Suggest::Matcher::build(c, {Ids::GEMET, {}, {}});
        builds.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("index of %d EUROVOC x %d GEMET concepts (read from the database and built): median %.0f ms of 3 "
                "(bar 2000 ms)\n",
                m->sourceCount(), m->targetCount(), Bench::median(builds));
    Bench::figure("suggest.index", Bench::median(builds), "ms", "<2000",
                  QStringLiteral("Suggestion index of %1 x %2 generated concepts, read and built (median of 3)")
                      .arg(Bench::thousands(m->sourceCount()), Bench::thousands(m->targetCount())));

    // One concept's top 10, each concept asked for the first time.
    const QVector<qint32> sources = m->sources();
    std::vector<double> singles;
    for (int i = 0; i < 200 && i < sources.size(); ++i) {
        QElapsedTimer t;
        t.start();
        const auto list = m->suggest(sources.at((qsizetype{i} * 7919) % sources.size()), 10);
        singles.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(singles.begin(), singles.end());
    std::printf("top 10 for one concept: median %.2f ms, slowest %.2f ms of %d (bar 50 ms)\n", Bench::median(singles),
                singles.back(), static_cast<int>(singles.size()));
    Bench::figure("suggest.one", singles.back(), "ms", "<50",
                  QStringLiteral("same, one concept's top 10, slowest of %1 (median %2 ms)")
                      .arg(singles.size())
                      .arg(Bench::median(singles), 0, 'f', 2));

    // The largest field in batch, on a fresh index.
    QString largest;
    int most = 0;
    QSqlQuery q = c.prepare(QStringLiteral("select uri from concepts where model_ref = 3 and parent_ref is null"));
    c.exec(q);
    QStringList fields;
    while (q.next())
        fields << q.value(0).toString().section(QLatin1Char('#'), -1);
    for (const QString &f : fields) {
        const auto fm = Suggest::Matcher::build(c, {Ids::GEMET, f, {}});
        if (fm && fm->sources().size() > most) {
            most = static_cast<int>(fm->sources().size());
            largest = f;
        }
    }
    std::vector<double> batches;
    for (int i = 0; i < 3; ++i) {
        const auto fm = Suggest::Matcher::build(c, {Ids::GEMET, largest, {}});
        QElapsedTimer t;
        t.start();
        const auto all = fm->suggestAll(10);
        batches.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("field %s in batch (%d concepts, top 10 each, index already built): median %.0f ms of 3 (bar 5000 ms)\n",
                qPrintable(largest), most, Bench::median(batches));
    Bench::figure("suggest.field", Bench::median(batches), "ms", "<5000",
                  QStringLiteral("same, a field of %1 concepts in batch, top 10 each (median of 3)").arg(Bench::thousands(most)));
    {
        QElapsedTimer t;
        t.start();
        const auto all = m->suggestAll(10);
        std::printf("every EUROVOC concept in batch (%d): %.0f ms\n", static_cast<int>(all.size()), t.nsecsElapsed() / 1e6);
    }
}

void memory()
{
    QTemporaryDir dir;
    const QString db = generated(dir, QStringLiteral("memory.sqlite"), 100000, 100000);
    cConnessione c;
    open(c, db);
    const double before = residentMiB();
    QElapsedTimer t;
    t.start();
    const auto m = Suggest::Matcher::build(c, {Ids::GEMET, {}, {}});
    const double ms = t.nsecsElapsed() / 1e6;
    const double after = residentMiB();
    std::printf("index of %d + %d concepts: %.0f MiB by its arrays, resident memory grew by %.0f MiB (bar 200 MB); "
                "built in %.0f ms\n",
                m->sourceCount(), m->targetCount(), m->memoryBytes() / 1048576.0, after - before, ms);
    Bench::figure("suggest.memory", (after - before) * 1.048576, "MB", "<200",
                  QStringLiteral("Suggestion index of %1 + %2 concepts, resident memory growth")
                      .arg(Bench::thousands(m->sourceCount()), Bench::thousands(m->targetCount())));
    QElapsedTimer s;
    s.start();
    const auto list = m->suggest(m->sources().at(m->sources().size() / 2), 10);
    std::printf("top 10 for one concept on that index: %.1f ms\n", s.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Default: the shared data folder beside the worktree (build/bench/ -> ../../../shared/data).
    QString shared = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../../shared/data"));
    // Parts to run: --quality, --speed, --memory (all when none is named).
    QSet<QString> parts;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a.startsWith(QLatin1String("--")))
            parts.insert(a.mid(2));
        else
            shared = a;
    }
    const bool all = parts.isEmpty();
    std::printf("(the machine may be shared with other work: figures are medians where repeated)\n\n");
    if (all || parts.contains(QStringLiteral("quality")))
        quality(shared);
    if (all || parts.contains(QStringLiteral("speed")))
        speed();
    if (all || parts.contains(QStringLiteral("memory")))
        memory();
    return 0;
}
