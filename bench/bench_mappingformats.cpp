// Speed of the exchange-format exports and of reading each file back into an
// empty copy of the database, on 100,000 mapping relations over four projects;
// then of reading and summarising a real curated SSSOM set (biomappings'
// positive.sssom.tsv, 11,719 rows) against that database, which must take
// under a second.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_mappingformats [runs] [--real-set]
//
// --real-set measures the real set only.
//
// The real set is looked for in $VOSPAN_SHARED_DATA_DIR, else in the
// shared/data folder beside the project's folder.
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/schema.h"
#include "tools/mappingformats.h"
#include "tools/mappingimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Relations = 100000;
constexpr int ConceptsPerModel = 10000;

void fail(const QString &why)
{
    Bench::fail("bench_mappingformats", why);
}

void openOrFail(cConnessione &c, const QString &path)
{
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        fail(QStringLiteral("cannot open ") + path);
}

// ConceptsPerModel concepts in each model; Relations distinct relations, a
// quarter per project, notes with quotes, tabs, new lines and non-Latin text.
void fill(const QString &path)
{
    cConnessione::createDatabaseFile(path);
    cConnessione c;
    openOrFail(c, path);
    Schema::create(c);
    c.beginTransaction();
    QSqlQuery conceptInsert = c.prepare(QStringLiteral(
        "insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, null, ?, 1, ?)"));
    for (int m : {Ids::ECLAS, Ids::ETT, Ids::EUROVOC, Ids::UNESCO, Ids::GEMET})
        for (int i = 0; i < ConceptsPerModel; ++i)
            c.exec(conceptInsert, {m * 100000 + i, m, QStringLiteral("%1 concept, \"%2\"").arg(Ids::modelName(m)).arg(i),
                             QStringLiteral("http://%1.example/concept/%2?a=1&b=2").arg(Ids::modelName(m)).arg(i)});
    conceptInsert = QSqlQuery();
    QSqlQuery relation = c.prepare(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                                  "right_concept_ref, property_ref, notes) values (?, ?, ?, ?, ?, ?)"));
    const int targets[] = {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET};
    const int properties[] = {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};
    for (int i = 0; i < Relations; ++i) {
        const int left = i % ConceptsPerModel;
        const int right = (left + (i / ConceptsPerModel) * 1000) % ConceptsPerModel;
        const int target = targets[i % 4];
        c.exec(relation, {i + 1, Ids::projectForModel(target), Ids::EUROVOC * 100000 + left, target * 100000 + right,
                          properties[i % 3],
                          i % 5 ? QVariant(QStringLiteral("note \"%1\"\tchecked\n\u6d2a\u6c34 & <b>").arg(i)) : QVariant()});
    }
    relation = QSqlQuery();
    c.commit();
    c.ChiudiConnessione();
}

// Reads and summarises biomappings' positive set; fails above one second.
int realSet(const QString &db, int runs, QTextStream &out)
{
    QString folder = qEnvironmentVariable("VOSPAN_SHARED_DATA_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/../../../shared/data");
    const QString path = folder + QStringLiteral("/sssom/biomappings/positive.sssom.tsv");
    const QString what = QStringLiteral("Curated SSSOM set (biomappings, 11,719 rows) read and summarised");
    if (!QFileInfo::exists(path)) {
        out << "SSSOM biomappings positive set: skipped, " << path << " is absent\n";
        out.flush();
        Bench::skipped("formats.sssom.real", "ms", "<1000", what);
        return 0;
    }
    QList<double> times, readTimes;
    cConnessione c;
    openOrFail(c, db);
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const MappingImport::File file = MappingImport::leggiFile(path);
        readTimes << t.nsecsElapsed() / 1e6;
        const MappingImport::Analisi a = MappingImport::analizza(c, file);
        const QString summary = MappingImport::riepilogo(a, path);
        times << t.nsecsElapsed() / 1e6;
        if (!file.ok || file.statements() != 11719 || summary.isEmpty())
            fail(QStringLiteral("the biomappings set read as %1 statements: %2").arg(file.statements()).arg(file.errore));
    }
    const double median = Bench::median(times);
    out << "SSSOM biomappings positive set (11,719 rows) read and summarised: median "
        << QString::number(median, 'f', 1) << " ms, of which reading " << QString::number(Bench::median(readTimes), 'f', 1)
        << " ms (" << runs << " runs; target under 1000 ms)\n";
    out.flush();
    Bench::figure("formats.sssom.real", median, "ms", "<1000", what + QStringLiteral(" (median of %1)").arg(runs));
    if (median >= 1000)
        fail(QStringLiteral("reading and summarising the biomappings set took %1 ms").arg(median));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder"));
    QTextStream out(stdout);
    const QString db = dir.filePath(QStringLiteral("main.sqlite"));
    const QString empty = dir.filePath(QStringLiteral("empty.sqlite"));
    fill(db);
    {
        QFile::copy(db, empty);
        cConnessione c;
        openOrFail(c, empty);
        c.EseguiIstruzione(QStringLiteral("delete from mappingrelations"));
        c.ChiudiConnessione();
    }
    const QString copy = dir.filePath(QStringLiteral("copy.sqlite"));
    if (app.arguments().contains(QStringLiteral("--real-set")))
        return realSet(db, runs, out);

    using MappingFormats::Formato;
    const struct {
        Formato formato;
        const char *file;
        const char *key;
    } formats[] = {{Formato::SkosTurtle, "m.ttl", "formats.skos.ttl"}, {Formato::SkosRdfXml, "m.rdf", "formats.skos.rdf"},
                   {Formato::Sssom, "m.sssom.tsv", "formats.sssom"}, {Formato::Csv, "m.csv", "formats.csv"}};
    for (const auto &f : formats) {
        const QString path = dir.filePath(QString::fromLatin1(f.file));
        QList<double> exportTimes, importTimes;
        for (int r = 0; r < runs; ++r) {
            cConnessione c;
            openOrFail(c, db);
            QElapsedTimer t;
            t.start();
            const MappingFormats::Esito e = MappingFormats::scrivi(c, f.formato, 0, path);
            exportTimes << t.nsecsElapsed() / 1e6;
            if (!e.scritto || e.relazioni != Relations)
                fail(QStringLiteral("export wrote %1: %2").arg(e.relazioni).arg(e.errore));
            c.ChiudiConnessione();

            QFile::remove(copy);
            QFile::copy(empty, copy);
            cConnessione target;
            openOrFail(target, copy);
            t.restart();
            const MappingImport::File file = MappingImport::leggiFile(path);
            const MappingImport::Analisi a = MappingImport::analizza(target, file);
            const MappingImport::Registrazione stored = MappingImport::registra(target, a);
            importTimes << t.nsecsElapsed() / 1e6;
            if (!stored.registrato || stored.aggiunte != Relations)
                fail(QStringLiteral("import stored %1").arg(stored.aggiunte));
        }
        out << MappingFormats::nome(f.formato).leftJustified(16) << " export median "
            << QString::number(Bench::median(exportTimes), 'f', 1) << " ms, read back and store median "
            << QString::number(Bench::median(importTimes), 'f', 1) << " ms (" << QFileInfo(path).size() / 1024
            << " KiB, " << runs << " runs)\n";
        out.flush();
        const QByteArray key(f.key);
        Bench::figure(key + ".export", Bench::median(exportTimes), "ms", "-",
                      QStringLiteral("%1 export of 100,000 relations (median of %2)").arg(MappingFormats::nome(f.formato)).arg(runs));
        Bench::figure(key + ".read", Bench::median(importTimes), "ms", "-",
                      QStringLiteral("same, read back and stored into an empty copy"));
    }
    return realSet(db, runs, out);
}
