// Speed and memory of the SKOS import: the real thesauri of the shared data
// folder (UNESCO, GEMET, STW), a generated 7,000-concept EUROVOC in the EU
// application profile, generated thesauri of 10,000 and 100,000 concepts,
// and hostile files (nesting 200,000 deep, 50,000 language tags, an
// 80,000-concept broader chain).  Also the Jet conversion of the Northwind
// sample.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_import [SHARED_DATA_FOLDER] [--runs N]
//
// Each import runs in a process of its own (the program calls itself with
// --one FILE MODEL DATABASE), so the memory it reports is that import's.
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/schema.h"
#include "tools/jet_convert.h"
#include "tools/skos_import.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

// A line of /proc/self/status in MiB ("VmHWM:", "VmRSS:").
double statusMiB(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

QString newDatabase(const QString &path)
{
    QFile::remove(path);
    cConnessione::createDatabaseFile(path);
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(path));
    Schema::create(c);
    return path;
}

// One import into a new database, in a process of its own so that its peak
// memory is its own: prints seconds, memory above the start, stored MiB,
// concepts, concepts in the tree, statements and the outcome.
int importOnce(const QString &file, int model, const QString &db)
{
    newDatabase(db);
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    const qint64 before = QFileInfo(db).size();
    const double base = statusMiB("VmRSS:");
    QElapsedTimer t;
    t.start();
    const SkosImport::Result r = SkosImport::run(c, file, model, {}, [](const QString &) { return true; });
    const double seconds = t.nsecsElapsed() / 1e9;
    const double growth = statusMiB("VmHWM:") - base;
    c.ChiudiConnessione();
    const double stored = (QFileInfo(db).size() - before) / 1048576.0;
    std::printf("%f %f %f %d %d %lld %s\n", seconds, growth, stored, r.summary.concepts, r.summary.inTree,
                static_cast<long long>(r.summary.statements),
                r.status == SkosImport::Result::Status::Imported ? "imported" : qPrintable(r.message.simplified()));
    return 0;
}

// What bench/run-all reports of one import: its key, and the target of its
// memory against the stored data ("-": a figure without target, nullptr: none).
struct Figures
{
    const char *key;
    const char *memoryTarget = "-";
};

// Imports a file several times, each in a new process and a new database,
// and prints the median time and the memory of the last run.
void measure(const QTemporaryDir &dir, const Figures &figures, const char *what, const QString &file, int model,
             int runs, double target)
{
    QList<double> seconds;
    QStringList last;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--one"), file, QString::number(model), dir.filePath(QStringLiteral("bench.sqlite"))});
        child.waitForFinished(-1);
        last = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        if (last.size() < 7)
            Bench::fail("bench_import", QStringLiteral("the import of %1 did not report: %2").arg(file, QString::fromUtf8(child.readAllStandardError())));
        seconds << last.at(0).toDouble();
    }
    const double growth = last.at(1).toDouble(), stored = last.at(2).toDouble();
    std::printf("%-48s %7.3f s median of %d (target %.0f s)  %s: %s concepts, %s in the tree; "
                "%s statements; memory +%.1f MiB for %.1f MiB stored (%.1fx)\n",
                what, Bench::median(seconds), runs, target, qPrintable(last.mid(6).join(QLatin1Char(' '))),
                qPrintable(last.at(3)), qPrintable(last.at(4)), qPrintable(last.at(5)), growth, stored,
                stored > 0 ? growth / stored : 0.0);
    std::fflush(stdout);
    const QByteArray key = QByteArray("import.") + figures.key;
    const QString name = QString::fromUtf8(what);
    Bench::figure(key, Bench::median(seconds), "s", QByteArray("<" + QByteArray::number(target)).constData(),
                  QStringLiteral("Import of %1 (median of %2)").arg(name).arg(runs));
    if (figures.memoryTarget && stored > 0)
        Bench::figure(key + ".memory", growth / stored, "x", figures.memoryTarget,
                      QStringLiteral("same, peak memory against the stored data (%1 / %2 MiB)")
                          .arg(growth, 0, 'f', 1)
                          .arg(stored, 0, 'f', 1));
}

// Group gi of field fi and its concepts, from number n on (at most
// perGroup, none beyond `concepts`): labels in two languages, a synonym, a
// note, broader and narrower links within the group and a related link.
void writeGroup(QTextStream &out, int fi, int gi, int perGroup, int concepts, int &n, QRandomGenerator &rng)
{
    out << "g:g" << fi << "_" << gi << " a isothes:ConceptGroup ; skos:notation \"" << fi << "." << gi
        << "\" ; skos:prefLabel \"Group " << fi << "." << gi << "\"@en ;\n  skos:member";
    const int first = n;
    for (int k = 0; k < perGroup; ++k)
        out << (k ? " ," : "") << " g:c" << (first + k);
    out << " .\n";
    for (int k = 0; k < perGroup && n < concepts; ++k, ++n) {
        out << "g:c" << n << " a skos:Concept ;\n"
            << "  skos:prefLabel \"concept number " << n << "\"@en , \"notion numéro " << n << "\"@fr ;\n"
            << "  skos:altLabel \"term " << n << "\"@en ;\n"
            << "  skos:scopeNote \"A generated concept used to measure the import.\"@en";
        if (k > 0) {
            const int parent = first + static_cast<int>(rng.bounded(k));
            out << " ;\n  skos:broader g:c" << parent;
        }
        if (n > 0)
            out << " ;\n  skos:related g:c" << rng.bounded(n);
        out << " .\n";
        if (k > 0)
            out << "g:c" << (first + static_cast<int>(rng.bounded(k))) << " skos:narrower g:c" << n << " .\n";
    }
}

// A SKOS thesaurus in Turtle: 20 fields of 10 groups; in each group a
// hierarchy of concepts with labels in two languages, a synonym, a note,
// broader/narrower and related links.
void writeThesaurus(const QString &path, int concepts)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QTextStream out(&f);
    out << "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n"
           "@prefix isothes: <http://purl.org/iso25964/skos-thes#> .\n"
           "@prefix g: <http://example.org/gen/> .\n\n";
    const int fields = 20, groups = 10;
    const int perGroup = std::max(1, concepts / (fields * groups));
    QRandomGenerator rng(42);
    int n = 0;
    for (int fi = 1; fi <= fields; ++fi) {
        out << "g:f" << fi << " a isothes:ConceptGroup ; skos:notation \"" << fi << "\" ; skos:prefLabel \"Field "
            << fi << "\"@en ;\n  isothes:subGroup";
        for (int gi = 1; gi <= groups; ++gi)
            out << (gi > 1 ? " ," : "") << " g:g" << fi << "_" << gi;
        out << " .\n";
        for (int gi = 1; gi <= groups; ++gi)
            writeGroup(out, fi, gi, perGroup, concepts, n, rng);
    }
}

// EUROVOC as the EU application profile gives it: 21 domains, 127
// micro-thesauri, descriptors in 24 languages, each preferred label also as
// a SKOS-XL label, alternative labels and a definition for one in seven.
void writeEurovoc(const QString &path, int descriptors)
{
    static const char *const langs[] = {"bg", "cs", "da", "de", "el", "en", "es", "et", "fi", "fr", "ga", "hr",
                                        "hu", "it", "lt", "lv", "mt", "nl", "pl", "pt", "ro", "sk", "sl", "sv"};
    static const int codes[] = {4, 8, 10, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60, 64, 66, 68, 72, 76};
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QTextStream out(&f);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
           "xmlns:skos=\"http://www.w3.org/2004/02/skos/core#\" xmlns:skosxl=\"http://www.w3.org/2008/05/skos-xl#\" "
           "xmlns:eu=\"http://publications.europa.eu/ontology/euvoc#\">\n";
    const QString e = QStringLiteral("http://eurovoc.europa.eu/");
    const int mts = 127;
    for (int d = 0; d < 21; ++d) {
        const QString code = QStringLiteral("%1").arg(codes[d], 2, 10, QLatin1Char('0'));
        out << "<rdf:Description rdf:about=\"" << e << (100142 + d) << "\"><rdf:type rdf:resource=\"http://publications.europa.eu/ontology/euvoc#Domain\"/>";
        for (const char *l : langs)
            out << "<skos:prefLabel xml:lang=\"" << l << "\">" << code << " DOMAIN " << l << "</skos:prefLabel>";
        out << "</rdf:Description>\n";
    }
    for (int m = 0; m < mts; ++m) {
        const int d = m % 21;
        out << "<rdf:Description rdf:about=\"" << e << (100200 + m) << "\"><rdf:type rdf:resource=\"http://publications.europa.eu/ontology/euvoc#MicroThesaurus\"/>"
            << "<rdf:type rdf:resource=\"http://www.w3.org/2004/02/skos/core#ConceptScheme\"/>"
            << "<eu:domain rdf:resource=\"" << e << (100142 + d) << "\"/>";
        for (const char *l : langs)
            out << "<skos:prefLabel xml:lang=\"" << l << "\">" << QStringLiteral("%1").arg(codes[d], 2, 10, QLatin1Char('0'))
                << QStringLiteral("%1").arg(m / 21 + 6, 2, 10, QLatin1Char('0')) << " micro-thesaurus " << m << " " << l
                << "</skos:prefLabel>";
        out << "</rdf:Description>\n";
    }
    QRandomGenerator rng(7);
    for (int c = 0; c < descriptors; ++c) {
        const int m = c % mts;
        const int id = 1000 + c;
        out << "<rdf:Description rdf:about=\"" << e << id << "\"><rdf:type rdf:resource=\"http://www.w3.org/2004/02/skos/core#Concept\"/>"
            << "<skos:inScheme rdf:resource=\"" << e << "100141\"/><skos:inScheme rdf:resource=\"" << e << (100200 + m) << "\"/>";
        if (c < mts * 4)
            out << "<skos:topConceptOf rdf:resource=\"" << e << (100200 + m) << "\"/>";
        else
            out << "<skos:broader rdf:resource=\"" << e << (1000 + c - mts * (1 + static_cast<int>(rng.bounded(3)))) << "\"/>";
        if (c > 0 && c % 3 == 0)
            out << "<skos:related rdf:resource=\"" << e << (1000 + static_cast<int>(rng.bounded(c))) << "\"/>";
        for (const char *l : langs) {
            out << "<skos:prefLabel xml:lang=\"" << l << "\">descriptor " << c << " " << l << "</skos:prefLabel>";
            out << "<skosxl:prefLabel rdf:resource=\"" << e << "xl_" << l << "_" << id << "\"/>";
            if (c % 2 == 0)
                out << "<skos:altLabel xml:lang=\"" << l << "\">synonym of " << c << " " << l << "</skos:altLabel>";
        }
        if (c % 7 == 0)
            out << "<skos:definition xml:lang=\"en\">The definition of descriptor " << c << ".</skos:definition>";
        out << "</rdf:Description>\n";
        for (const char *l : langs)
            out << "<rdf:Description rdf:about=\"" << e << "xl_" << l << "_" << id << "\"><rdf:type rdf:resource=\"http://www.w3.org/2008/05/skos-xl#Label\"/>"
                << "<skosxl:literalForm xml:lang=\"" << l << "\">descriptor " << c << " " << l << "</skosxl:literalForm></rdf:Description>\n";
    }
    out << "</rdf:RDF>\n";
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

void hostile(const QTemporaryDir &dir, int runs)
{
    const QByteArray prefix = "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n@prefix ex: <http://x.org/> .\n";
    QByteArray deep = "<?xml version=\"1.0\"?>\n<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                      "xmlns:skos=\"http://www.w3.org/2004/02/skos/core#\">\n<skos:Concept rdf:about=\"http://x.org/a\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<skos:broader><rdf:Description>";
    for (int i = 0; i < 100000; ++i)
        deep += "</rdf:Description></skos:broader>";
    deep += "</skos:Concept></rdf:RDF>\n";
    writeBytes(dir.filePath(QStringLiteral("deep.rdf")), deep);
    QByteArray langs = prefix + "ex:a a skos:Concept ; skos:prefLabel \"a\"@en";
    for (int i = 0; i < 50000; ++i)
        langs += " , \"a" + QByteArray::number(i) + "\"@x-l" + QByteArray::number(i);
    writeBytes(dir.filePath(QStringLiteral("langs.ttl")), langs + " .\n");
    QByteArray chain = prefix + "ex:c0 a skos:Concept ; skos:prefLabel \"c0\"@en .\n";
    for (int i = 1; i < 80000; ++i)
        chain += "ex:c" + QByteArray::number(i) + " a skos:Concept ; skos:prefLabel \"c" + QByteArray::number(i)
                 + "\"@en ; skos:broader ex:c" + QByteArray::number(i - 1) + " .\n";
    writeBytes(dir.filePath(QStringLiteral("chain.ttl")), chain);
    measure(dir, {"hostile.deep", nullptr}, "hostile: RDF/XML nested 200,000 deep (refused)",
            dir.filePath(QStringLiteral("deep.rdf")), Ids::ETT, runs, 1);
    measure(dir, {"hostile.langs"}, "hostile: 50,000 language tags", dir.filePath(QStringLiteral("langs.ttl")), Ids::ETT,
            runs, 2);
    measure(dir, {"hostile.chain", "<=3"}, "hostile: 80,000-concept broader chain",
            dir.filePath(QStringLiteral("chain.ttl")), Ids::ETT, runs, 10);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args.first() == QLatin1String("--one"))
        return importOnce(args.at(1), args.at(2).toInt(), args.at(3));
    QTemporaryDir dir;
    int runs = 5;
    const int at = static_cast<int>(args.indexOf(QStringLiteral("--runs")));
    if (at >= 0 && at + 1 < args.size()) {
        runs = std::max(1, args.at(at + 1).toInt());
        args.remove(at, 2);
    }
    const QString shared = !args.isEmpty() ? args.first()
                                           : QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../../shared/data"));

    const struct {
        const char *key;
        const char *what;
        const char *file;
        int model;
        double target;
    } real[] = {{"unesco", "UNESCO Thesaurus (Turtle)", "/skos/unesco-thesaurus.ttl", Ids::UNESCO, 5},
                {"gemet", "GEMET 4.0.1 (RDF/XML)", "/skos/gemet-en-4.0.1.rdf", Ids::GEMET, 2},
                {"stw", "STW 9.06 (Turtle)", "/skos/stw-9.06.ttl", Ids::ECLAS, 2}};
    for (const auto &r : real) {
        const QString file = shared + QLatin1String(r.file);
        if (QFileInfo::exists(file)) {
            measure(dir, {r.key}, r.what, file, r.model, runs, r.target);
        } else {
            std::printf("%s: %s not found, skipped\n", r.what, qPrintable(file));
            Bench::skipped(QByteArray("import.") + r.key, "s", QByteArray("<" + QByteArray::number(r.target)).constData(),
                           QStringLiteral("Import of %1").arg(QString::fromUtf8(r.what)));
        }
    }

    const QString northwind = shared + QStringLiteral("/jet/northwind-jet3.mdb");
    if (QFileInfo::exists(northwind)) {
        QList<double> times;
        for (int i = 0; i < runs; ++i) {
            const QString out = dir.filePath(QStringLiteral("northwind.sqlite"));
            QFile::remove(out);
            QElapsedTimer t;
            t.start();
            Jet::convert(northwind, out);
            times << t.nsecsElapsed() / 1e9;
        }
        std::printf("Jet 3 Northwind (9 tables, 4,032 rows): median %.3f s over %d runs\n", Bench::median(times), runs);
        Bench::figure("import.jet.northwind", Bench::median(times), "s", "-",
                      QStringLiteral("Access conversion of the Jet 3 Northwind sample, 9 tables, 4,032 rows (median of %1)")
                          .arg(runs));
    } else {
        Bench::skipped("import.jet.northwind", "s", "-",
                       QStringLiteral("Access conversion of the Jet 3 Northwind sample, 9 tables, 4,032 rows"));
    }

    const QString eurovoc = dir.filePath(QStringLiteral("eurovoc.rdf"));
    writeEurovoc(eurovoc, 7000);
    if (qEnvironmentVariableIsSet("BENCH_KEEP"))
        QFile::copy(eurovoc, qEnvironmentVariable("BENCH_KEEP") + QStringLiteral("/eurovoc7000.rdf"));
    measure(dir, {"eurovoc"}, "generated EUROVOC, 7,000 descriptors, 24 langs", eurovoc, Ids::EUROVOC, runs, 3);
    QFile::remove(eurovoc);

    for (int concepts : {10000, 100000}) {
        const QString file = dir.filePath(QStringLiteral("gen%1.ttl").arg(concepts));
        writeThesaurus(file, concepts);
        const QByteArray what = QStringLiteral("generated %1 concepts (%2 MiB of Turtle)")
                                    .arg(Bench::thousands(concepts))
                                    .arg(QFileInfo(file).size() / 1048576.0, 0, 'f', 1)
                                    .toUtf8();
        const QByteArray key = "generated." + QByteArray::number(concepts);
        measure(dir, {key.constData(), "<=3"}, what.constData(), file, Ids::GEMET,
                concepts > 10000 ? std::min(runs, 3) : runs, 10);
        QFile::remove(file);
    }
    hostile(dir, std::min(runs, 3));
    return 0;
}
