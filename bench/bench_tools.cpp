// Speed of the exports, the merge and the bulk delete on 100,000 mapping
// relations spread over the four projects.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_tools [runs]
#include "base/dialogs.h"
#include "benchutil.h"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "data/schema.h"
#include "shell/project.h"
#include "tools/cancellazione.h"
#include "tools/esportazione.h"
#include "tools/unione.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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
    Bench::fail("bench_tools", why);
}

// A thesaurus with ConceptsPerModel concepts in each of the five models and
// Relations relations, a quarter in each project; prepared inserts in one
// transaction.
void fill(const QString &path, int firstRelationId)
{
    cConnessione::createDatabaseFile(path);
    cConnessione c;
    if (!c.ApriConnessione(cConnessione::connectionStringFor(path)))
        fail(QStringLiteral("cannot open ") + path);
    Schema::create(c);
    c.beginTransaction();
    QSqlQuery conceptInsert = c.prepare(QStringLiteral(
        "insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, null, ?, 1, ?)"));
    for (int m : {Ids::ECLAS, Ids::ETT, Ids::EUROVOC, Ids::UNESCO, Ids::GEMET})
        for (int i = 1; i <= ConceptsPerModel; ++i)
            c.exec(conceptInsert, {m * 100000 + i, m, QStringLiteral("%1 concept %2").arg(Ids::modelName(m)).arg(i),
                             QStringLiteral("http://%1.example/concept/%2?a=1&b=2").arg(Ids::modelName(m)).arg(i)});
    conceptInsert = QSqlQuery();
    QSqlQuery relation = c.prepare(QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, "
                                                  "right_concept_ref, property_ref, notes) values (?, ?, ?, ?, ?, ?)"));
    const int targets[] = {Ids::ECLAS, Ids::ETT, Ids::UNESCO, Ids::GEMET};
    const int properties[] = {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch};
    for (int i = 0; i < Relations; ++i) {
        const int target = targets[i % 4];
        c.exec(relation, {firstRelationId + i, Ids::projectForModel(target),
                          Ids::EUROVOC * 100000 + 1 + (i * 7) % ConceptsPerModel,
                          target * 100000 + 1 + (i * 13) % ConceptsPerModel, properties[i % 3],
                          i % 5 ? QVariant(QStringLiteral("note <%1> \"checked\"").arg(i)) : QVariant()});
    }
    relation = QSqlQuery();
    c.commit();
    c.ChiudiConnessione();
}

void open(const QString &path)
{
    mdlGlobale::AzzeraStato();
    if (Progetto::ApriFile(path) != Progetto::Esito::Aperto)
        fail(QStringLiteral("cannot open ") + path);
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

    ScopedScriptedDialogs d;
    const QString main = dir.filePath(QStringLiteral("main.sqlite"));
    const QString other = dir.filePath(QStringLiteral("other.sqlite"));
    QElapsedTimer fillTimer;
    fillTimer.start();
    fill(main, 1);
    fill(other, 1);
    out << "filled two databases of " << Relations << " relations in " << fillTimer.elapsed() << " ms\n";

    // Each command's median, with its figure for bench/run-all.
    struct Figure
    {
        const char *key;
        const char *target;
        QString what;
    };
    auto measure = [&](const char *name, const Figure &figure, const std::function<void()> &prepare,
                       const std::function<void()> &work, const QString &expected) {
        QList<double> times;
        for (int r = 0; r < runs; ++r) {
            prepare();
            d.clear();
            QElapsedTimer t;
            t.start();
            work();
            times << t.nsecsElapsed() / 1e6;
            mdlGlobale::vConnection.ChiudiConnessione();
            if (d.messages().isEmpty() || !d.messages().last().startsWith(expected))
                fail(QStringLiteral("%1 ended with: %2").arg(QString::fromLatin1(name), d.texts().join(QLatin1Char('|'))));
        }
        out << QString::fromLatin1(name).leftJustified(30) << " median " << QString::number(Bench::median(times), 'f', 1)
            << " ms over " << runs << " runs\n";
        out.flush();
        Bench::figure(figure.key, Bench::median(times), "ms", figure.target,
                      figure.what + QStringLiteral(" (median of %1)").arg(runs));
    };

    measure("export XML, all projects",
            {"tools.export.xml", "<1000", QStringLiteral("XML export of 100,000 relations")}, [&] { open(main); },
            [&] {
                d.answerInput(QStringLiteral("0"));
                Esportazione::EsportaXML();
            },
            QStringLiteral("End of export: 100000 "));
    measure("export HTML, all projects",
            {"tools.export.html", "<1000", QStringLiteral("HTML export of 100,000 relations")}, [&] { open(main); },
            [&] {
                d.answerInput(QStringLiteral("0"));
                Esportazione::EsportaHTML();
            },
            QStringLiteral("End of export: 100000 "));

    // Merge and delete work on a fresh copy of the main database each run.
    const QString copy = dir.filePath(QStringLiteral("copy.sqlite"));
    auto freshCopy = [&] {
        QFile::remove(copy);
        if (!QFile::copy(main, copy))
            fail(QStringLiteral("cannot copy the database"));
        open(copy);
    };
    measure("merge 100000 into 100000",
            {"tools.merge", "<3000", QStringLiteral("Merge of 100,000 relations into a database of 100,000")},
            freshCopy,
            [&] {
                d.answerFile(other);
                Unione::UnisciDatabase();
            },
            QStringLiteral("100000 mapping relations appended"));
    measure("delete all 100000", {"tools.delete.all", "<1000", QStringLiteral("Delete of all 100,000 relations")},
            freshCopy,
            [&] {
                d.answerInput(QStringLiteral("0"));
                d.answerQuestion(true);
                Cancellazione::CancellaRelazioni();
            },
            QStringLiteral("100000 mapping relations deleted"));
    measure("delete one project (25000)",
            {"tools.delete.project", "<1000", QStringLiteral("Delete of one project's 25,000 relations")}, freshCopy,
            [&] {
                d.answerInput(QStringLiteral("3"));
                d.answerQuestion(true);
                Cancellazione::CancellaRelazioni();
            },
            QStringLiteral("25000 mapping relations deleted"));
    return 0;
}
