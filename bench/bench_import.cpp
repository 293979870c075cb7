// Speed and memory of the SKOS import: the UNESCO Thesaurus (when the shared
// data folder is there) and generated SKOS Turtle files of 10,000 and 100,000
// concepts.  Also the Jet conversion of the Northwind sample.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_import [SHARED_DATA_FOLDER]
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
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

// Peak resident memory of the process so far, in MiB.
double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

QString newDatabase(const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    cConnessione::createDatabaseFile(path);
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(path));
    Schema::create(c);
    return path;
}

double importSeconds(const QString &db, const QString &file, int model, int *concepts = nullptr)
{
    cConnessione c;
    c.ApriConnessione(cConnessione::connectionStringFor(db));
    QElapsedTimer t;
    t.start();
    const SkosImport::Result r = SkosImport::run(c, file, model);
    const double s = t.nsecsElapsed() / 1e9;
    if (r.status != SkosImport::Result::Status::Imported) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(r.message));
        return -1;
    }
    if (concepts)
        *concepts = r.summary.concepts;
    return s;
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
        for (int gi = 1; gi <= groups; ++gi) {
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
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString shared = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../../shared/data"));

    const QString unesco = shared + QStringLiteral("/skos/unesco-thesaurus.ttl");
    if (QFileInfo::exists(unesco)) {
        QList<double> runs;
        int concepts = 0;
        for (int i = 0; i < 5; ++i)
            runs << importSeconds(newDatabase(dir, QStringLiteral("unesco.sqlite")), unesco, Ids::UNESCO, &concepts);
        std::printf("UNESCO Thesaurus (%d concepts): median %.3f s over 5 runs\n", concepts, Bench::median(runs));
    } else {
        std::printf("UNESCO Thesaurus: %s not found, skipped\n", qPrintable(unesco));
    }

    const QString northwind = shared + QStringLiteral("/jet/northwind-jet3.mdb");
    if (QFileInfo::exists(northwind)) {
        QList<double> runs;
        for (int i = 0; i < 5; ++i) {
            const QString out = dir.filePath(QStringLiteral("northwind.sqlite"));
            QElapsedTimer t;
            t.start();
            Jet::convert(northwind, out);
            runs << t.nsecsElapsed() / 1e9;
        }
        std::printf("Jet 3 Northwind (9 tables, 4,032 rows): median %.3f s over 5 runs\n", Bench::median(runs));
    }

    const double base = peakMiB();
    std::printf("peak memory before the generated files: %.1f MiB\n", base);
    for (int concepts : {10000, 100000}) {
        const QString file = dir.filePath(QStringLiteral("gen%1.ttl").arg(concepts));
        writeThesaurus(file, concepts);
        const double mb = QFileInfo(file).size() / 1048576.0;
        int stored = 0;
        const double s = importSeconds(newDatabase(dir, QStringLiteral("gen%1.sqlite").arg(concepts)), file,
                                       Ids::GEMET, &stored);
        std::printf("generated %d concepts (%.1f MiB of Turtle): %.2f s, peak memory %.1f MiB\n", stored, mb, s,
                    peakMiB());
        QFile::remove(file);
    }
    return 0;
}
