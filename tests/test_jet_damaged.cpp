// Damaged Access files: the corpus of files that once crashed, hung or were
// converted in part, replayed through the child process the program uses; a
// reader that crashes or stops making progress; a truncated file read in this
// process; Project > Open on a damaged file.
#include "base/dialogs.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "shell/project.h"
#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"
#include "support/testdb.h"
#include "tools/jet_convert.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString corpusDir = QStringLiteral(VOSPAN_SOURCE_DIR "/tests/data/damaged-jet");

// Builds a corpus entry into folder: a file copied as it is, a recipe applied
// to a file of the shared data, or a file of the shared data itself.  Empty,
// with the reason, when the shared data is needed and absent.
QString materialise(const QString &entry, const QString &folder, QString &why)
{
    const QString shared = sharedDataPath();
    if (entry.startsWith(QLatin1String("shared:"))) {
        if (shared.isEmpty()) {
            why = QStringLiteral("../shared/data is absent");
            return {};
        }
        return shared + QLatin1Char('/') + entry.mid(7);
    }
    const QString out = folder + QLatin1Char('/') + QFileInfo(entry).completeBaseName() + QStringLiteral(".mdb");
    if (!entry.endsWith(QLatin1String(".recipe"))) {
        QFile::copy(corpusDir + QLatin1Char('/') + entry, out);
        return out;
    }
    QFile recipe(corpusDir + QLatin1Char('/') + entry);
    if (!recipe.open(QIODevice::ReadOnly | QIODevice::Text)) {
        why = QStringLiteral("cannot read the recipe");
        return {};
    }
    QByteArray bytes;
    for (const QByteArray &raw : recipe.readAll().split('\n')) {
        const QList<QByteArray> words = raw.simplified().split(' ');
        if (words.first() == "from") {
            if (shared.isEmpty()) {
                why = QStringLiteral("../shared/data is absent: the recipe needs its Access file");
                return {};
            }
            QFile source(shared + QLatin1Char('/') + QString::fromUtf8(words.value(1)));
            if (!source.open(QIODevice::ReadOnly)) {
                why = QStringLiteral("the recipe's Access file is missing");
                return {};
            }
            bytes = source.readAll();
        } else if (words.first() == "truncate") {
            bytes.truncate(words.value(1).toLongLong());
        } else if (words.first() == "set") {
            bytes[words.value(1).toLongLong()] = static_cast<char>(words.value(2).toUInt(nullptr, 0));
        }
    }
    QFile f(out);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return out;
}

// A stand-in for the program as the child process: a script that does what
// a reader crashing on a damaged file would do.
QString script(TestDb &t, const QString &name, const QByteArray &body)
{
    const QString path = t.writeFile(name, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class TestJetDamaged : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        mdlGlobale::AzzeraStato();
        Jet::setChildProgram(programPath());
        Jet::setStallTimeout(20000);
    }
    void cleanup() { Jet::setChildProgram({}); }

    void corpusReplayed_data();
    void corpusReplayed();
    void crashingOrStalledReaderIsARefusal();
    void truncatedFileReadInThisProcess();
    void projectOpenRefusesADamagedFile();
};

void TestJetDamaged::corpusReplayed_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("converted");
    QTest::addColumn<QString>("expected");
    QFile manifest(corpusDir + QStringLiteral("/manifest.txt"));
    QVERIFY(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
    for (const QString &line : QString::fromUtf8(manifest.readAll()).split(QLatin1Char('\n'))) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (line.startsWith(QLatin1Char('#')) || cells.size() != 3)
            continue;
        QTest::newRow(qPrintable(cells.at(0))) << cells.at(0) << (cells.at(1) == QLatin1String("converted")) << cells.at(2);
    }
}

void TestJetDamaged::corpusReplayed()
{
    QFETCH(QString, entry);
    QFETCH(bool, converted);
    QFETCH(QString, expected);
    if (programPath().isEmpty())
        QSKIP("the program's executable is needed: build the vospan target");
    TestDb t;
    QString why;
    const QString jet = materialise(entry, t.folder(), why);
    if (jet.isEmpty())
        QSKIP(qPrintable(why));
    const QString out = t.path(QStringLiteral("converted.sqlite"));
    const Jet::Result r = Jet::convert(jet, out);
    if (converted) {
        QCOMPARE(r.status, Jet::Result::Status::Converted);
        QVERIFY2(r.text().contains(expected), qPrintable(r.text()));
        QCOMPARE(cConnessione::probeFile(out), cConnessione::FileKind::SQLite);
    } else {
        QCOMPARE(r.status, Jet::Result::Status::Failed);
        QVERIFY2(r.message.contains(expected), qPrintable(r.message));
        QVERIFY(!QFile::exists(out));
    }
    QVERIFY(!QFile::exists(out + QStringLiteral(".converting")));
    QVERIFY(!QFile::exists(out + QStringLiteral(".converting-journal")));

    // The catalog alone (what Project > Open reads before it asks) is refused
    // when the conversion refuses it for its catalog.
    QStringList names;
    QString error;
    const bool read = Jet::tableNames(jet, names, &error);
    QCOMPARE(read, !r.message.contains(QStringLiteral("catalog")));
}

void TestJetDamaged::crashingOrStalledReaderIsARefusal()
{
    TestDb t;
    const QString jet = t.writeFile(QStringLiteral("any.mdb"), QByteArray(4096, 'x'));
    const QString out = t.path(QStringLiteral("any.sqlite"));

    // A reader that dies of a signal, having begun its file.
    Jet::setChildProgram(script(t, QStringLiteral("crash.sh"), "touch \"$4\"; kill -SEGV $$"));
    Jet::Result r = Jet::convert(jet, out);
    QCOMPARE(r.status, Jet::Result::Status::Failed);
    QCOMPARE(r.message, QStringLiteral("The Access file any.mdb cannot be read: it is damaged, and reading it stopped "
                                       "the reader. Nothing was converted."));
    QStringList names;
    QString error;
    QVERIFY(!Jet::tableNames(jet, names, &error));
    QCOMPARE(error, QStringLiteral("The Access file any.mdb cannot be read: it is damaged, and reading it stopped "
                                   "the reader."));

    // A reader that goes quiet is stopped.
    Jet::setChildProgram(script(t, QStringLiteral("stall.sh"), "touch \"$4\"; exec sleep 60"));
    Jet::setStallTimeout(300);
    r = Jet::convert(jet, out);
    QCOMPARE(r.status, Jet::Result::Status::Failed);
    QVERIFY2(r.message.contains(QStringLiteral("made no progress")), qPrintable(r.message));

    // Nothing is left behind by either.
    QCOMPARE(QDir(t.folder()).entryList({QStringLiteral("any*")}, QDir::Files), QStringList{QStringLiteral("any.mdb")});
}

void TestJetDamaged::truncatedFileReadInThisProcess()
{
    Jet::setChildProgram({});
    TestDb t;
    QString why;
    const QString jet = materialise(QStringLiteral("northwind-cut.recipe"), t.folder(), why);
    if (jet.isEmpty())
        QSKIP(qPrintable(why));
    const Jet::Result r = Jet::convert(jet, t.path(QStringLiteral("cut.sqlite")));
    QCOMPARE(r.status, Jet::Result::Status::Failed);
    QCOMPARE(r.message, QStringLiteral("The Access file northwind-cut.mdb is damaged or incomplete, so nothing was "
                                       "converted. What cannot be read:\n  Umsätze: 825 of 830 rows"));
    QCOMPARE(QDir(t.folder()).entryList(QDir::Files), QStringList{QStringLiteral("northwind-cut.mdb")});
}

void TestJetDamaged::projectOpenRefusesADamagedFile()
{
    if (programPath().isEmpty())
        QSKIP("the program's executable is needed: build the vospan target");
    TestDb t;
    QString why;
    const QString jet = materialise(QStringLiteral("datetest-catalog-damaged.mdb"), t.folder(), why);
    frmMain w;
    installRooms(w); // installs the Access converter
    ScopedScriptedDialogs d;
    QCOMPARE(Progetto::ApriFile(jet), Progetto::Esito::Interrotto);
    QCOMPARE(d.messages(), QStringList{QStringLiteral("The catalog of the Access file datetest-catalog-damaged.mdb "
                                                      "cannot be read: the file is damaged.")});
    QCOMPARE(d.shown.last().icon, Dialogs::Icon::Critical);
    QVERIFY(!mdlGlobale::vProjectOpen);
    QCOMPARE(QDir(t.folder()).entryList(QDir::Files), QStringList{QStringLiteral("datetest-catalog-damaged.mdb")});
}

QTEST_MAIN(TestJetDamaged)
#include "test_jet_damaged.moc"
