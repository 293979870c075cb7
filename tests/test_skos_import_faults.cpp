// SKOS import under hostile and broken input: a regression corpus of files
// that once cut, refused or stalled an import (byte-order marks, U+0000,
// noncharacters, nesting 200,000 deep, 50,000 language tags, an 80,000-long
// broader chain), a folder given as the file, and a new database on a full
// disk, which must leave nothing behind.
#include "base/commandline.h"
#include "data/ids.h"
#include "shell/commands.h"
#include "skos_fixture.h"
#include "support/smalldisk.h"
#include "tools/import_target.h"

#include <QDir>
#include <QtTest>


using namespace SkosFixture;

namespace {

QString corpusFile(const QString &name)
{
    return dataFile(QStringLiteral("skos-corpus/") + name);
}

const QByteArray kPrefix = "@prefix skos: <http://www.w3.org/2004/02/skos/core#> .\n@prefix ex: <http://x.org/> .\n";

// RDF/XML with one element nested inside the next, depth times.
QByteArray deepRdfXml(int depth)
{
    QByteArray out = "<?xml version=\"1.0\"?>\n<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                     "xmlns:skos=\"http://www.w3.org/2004/02/skos/core#\">\n<skos:Concept rdf:about=\"http://x.org/a\">";
    out.reserve(qsizetype{depth} * 70);
    for (int i = 0; i < depth; ++i)
        out += "<skos:broader><rdf:Description>";
    for (int i = 0; i < depth; ++i)
        out += "</rdf:Description></skos:broader>";
    return out + "</skos:Concept>\n</rdf:RDF>\n";
}

// One concept with a label in each of n made-up languages.
QByteArray manyLanguages(int n)
{
    QByteArray out = kPrefix + "ex:a a skos:Concept ; skos:prefLabel \"a\"@en";
    for (int i = 0; i < n; ++i)
        out += " , \"a" + QByteArray::number(i) + "\"@x-l" + QByteArray::number(i);
    return out + " .\n";
}

// A chain of n concepts, each the broader concept of the next.
QByteArray broaderChain(int n)
{
    QByteArray out = kPrefix + "ex:c0 a skos:Concept ; skos:prefLabel \"c0\"@en .\n";
    for (int i = 1; i < n; ++i)
        out += "ex:c" + QByteArray::number(i) + " a skos:Concept ; skos:prefLabel \"c" + QByteArray::number(i)
               + "\"@en ; skos:broader ex:c" + QByteArray::number(i - 1) + " .\n";
    return out;
}

// Reads the file and stores it into the target, which is left unfinished.
void readAndStore(SkosImport::Import &import, ImportTarget &into)
{
    QString error;
    QVERIFY(import.read().ok());
    QVERIFY2(into.open(&error), qPrintable(error));
    QVERIFY(import.analyse(into.db()).ok());
    QVERIFY(import.store(into.db()).ok());
}

} // namespace

class TestSkosImportFaults : public QObject
{
    Q_OBJECT

private slots:
    void corpusReplayed_data();
    void corpusReplayed();
    void hostileSizesImportInLinearTime();
    void folderGivenAsTheFile();
    void idsNeverBeyond32Bits();
    void newDatabaseOnAFullDiskLeavesNothing();
    void failedImportIntoANewFileLeavesNothing();
};

void TestSkosImportFaults::corpusReplayed_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("imported");
    QTest::addColumn<QString>("expected"); // the stored label, or a part of the refusal
    QTest::newRow("Turtle with a byte-order mark") << "bom.ttl" << true << "with a byte-order mark";
    QTest::newRow("RDF/XML with a byte-order mark") << "bom.rdf" << true << "with a byte-order mark";
    QTest::newRow("U+0000 written as an escape") << "nul-escape.nt" << false << "line 2: a text holds the character U+0000";
    QTest::newRow("U+0000 as a byte") << "nul-raw.ttl" << false << "line 3: a text holds the character U+0000";
    QTest::newRow("an escaped backslash before u0000") << "escaped-backslash.ttl" << true << "back\\u0000slash";
    QTest::newRow("noncharacters as bytes") << "noncharacters.ttl" << true << "61EFBFBE62EFBFBF63";
    QTest::newRow("noncharacter written as an escape") << "noncharacter-escape.ttl" << false << "line 3";
}

void TestSkosImportFaults::corpusReplayed()
{
    QFETCH(QString, file);
    QFETCH(bool, imported);
    QFETCH(QString, expected);
    TestDb t;
    const QString db = t.createThesaurus();
    const QByteArray before = bytesOf(db);
    const SkosImport::Result r = importFile(db, corpusFile(file), Ids::ETT);
    if (!imported) {
        // Refused with the line, never stored cut or changed.
        QCOMPARE(r.status, SkosImport::Result::Status::Failed);
        QVERIFY2(r.message.contains(expected), qPrintable(r.message));
        QCOMPARE(bytesOf(db), before);
        return;
    }
    QVERIFY2(r.ok(), qPrintable(r.message));
    // Compared as stored, byte for byte, where the text is not plain.
    const QString stored = TestDb::value(db, expected.startsWith(QLatin1String("61EF"))
                                                 ? QStringLiteral("select hex(value) from datatypepropertyvalues")
                                                 : QStringLiteral("select value from datatypepropertyvalues"))
                               .toString();
    QCOMPARE(stored, expected);
}

void TestSkosImportFaults::hostileSizesImportInLinearTime()
{
    TestDb t;
    // Nesting far beyond any thesaurus is refused before the RDF library
    // sees it (which would work on it for about an hour).
    const QString deep = t.writeFile(QStringLiteral("deep.rdf"), deepRdfXml(200000));
    const QString db = t.createThesaurus();
    SkosImport::Result r = importFile(db, deep, Ids::ETT);
    QCOMPARE(r.status, SkosImport::Result::Status::Failed);
    QVERIFY2(r.message.contains(QStringLiteral("nested more than 1000 deep")), qPrintable(r.message));
    // A thousand levels are still read.
    const QString fine = t.writeFile(QStringLiteral("fine.rdf"), deepRdfXml(Skos::kMaxXmlDepth / 2 - 2));
    QCOMPARE(importFile(db, fine, Ids::ETT, {}, yes).status, SkosImport::Result::Status::Imported);

    // 50,000 language tags: every label kept, each language a row of its own.
    const QString langs = t.writeFile(QStringLiteral("langs.ttl"), manyLanguages(50000));
    r = importFile(db, langs, Ids::UNESCO);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.summary.labels, 50001);
    QCOMPARE(count(db, QStringLiteral("select count(*) from lang")), 1 + 50000); // EN and the made-up tags
    QCOMPARE(count(db, QStringLiteral("select count(*) from lang where name = 'X-L49999'")), 1);

    // An 80,000-concept broader chain: every concept in the tree, each under
    // the one before.
    const QString chain = t.writeFile(QStringLiteral("chain.ttl"), broaderChain(80000));
    r = importFile(db, chain, Ids::GEMET);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.summary.inTree, 80000);
    QCOMPARE(r.summary.topConcepts, 1);
    QCOMPARE(parentUri(db, QStringLiteral("http://x.org/c79999")), QStringLiteral("http://x.org/c79998"));
}

void TestSkosImportFaults::folderGivenAsTheFile()
{
    TestDb t;
    const QString db = t.createThesaurus();
    const SkosImport::Result r = importFile(db, t.folder(), Ids::ETT);
    QCOMPARE(r.status, SkosImport::Result::Status::Failed);
    QCOMPARE(r.message, QDir::toNativeSeparators(t.folder()) + QStringLiteral(" is a folder, not a SKOS file."));

    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(programCommands().run({QStringLiteral("--import-skos"), t.folder(), QStringLiteral("--thesaurus"),
                                         QStringLiteral("ett"), QStringLiteral("--into"), db},
                                        out, err),
             1);
    err.flush();
    QCOMPARE(errText, QStringLiteral("The SKOS file %1 is a folder, not a file.\n").arg(t.folder()));
}

void TestSkosImportFaults::idsNeverBeyond32Bits()
{
    TestDb t;
    const QString db = t.createThesaurus();
    TestDb::run(db, {QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) "
                                    "values (2147483600, 3, null, 'last', 1, 'http://x.org/last')")});
    const QString file = t.writeFile(QStringLiteral("chain.ttl"), broaderChain(100));
    const QByteArray before = bytesOf(db);
    const SkosImport::Result r = importFile(db, file, Ids::GEMET);
    QCOMPARE(r.status, SkosImport::Result::Status::Failed);
    QVERIFY2(r.message.contains(QStringLiteral("beyond 2147483647")), qPrintable(r.message));
    QCOMPARE(bytesOf(db), before);
    // Up to the last id that fits, all goes.
    const QString fits = t.writeFile(QStringLiteral("fits.ttl"), broaderChain(47));
    QVERIFY(importFile(db, fits, Ids::GEMET).ok());
    QCOMPARE(count(db, QStringLiteral("select max(id) from concepts")), 2147483647);
}

void TestSkosImportFaults::newDatabaseOnAFullDiskLeavesNothing()
{
    TestDb t;
    SmallDisk small(160);
    if (!small.isMounted())
        QSKIP(qPrintable(small.whyNot()));
    const QString disk = small.path();
    const QString file = t.writeFile(QStringLiteral("chain.ttl"), broaderChain(3000));
    const QString target = small.path(QStringLiteral("new.sqlite"));

    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(programCommands().run({QStringLiteral("--import-skos"), file, QStringLiteral("--thesaurus"),
                                         QStringLiteral("gemet"), QStringLiteral("--into"), target},
                                        out, err),
             1);
    err.flush();
    QVERIFY2(errText.contains(QStringLiteral("full")), qPrintable(errText));
    // Neither the database, nor its journal, nor the temporary file.
    QCOMPARE(QDir(disk).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestSkosImportFaults::failedImportIntoANewFileLeavesNothing()
{
    TestDb t;
    const QString folder = t.path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/new.sqlite");
    const QString file = t.writeFile(QStringLiteral("small.ttl"), broaderChain(50));

    // Cancelled while storing: the new file is gone, no journal beside it.
    {
        SkosImport::Import import(file, Ids::GEMET);
        QVERIFY(import.read().ok());
        ImportTarget into(target);
        QVERIFY(into.isNew());
        QString error;
        QVERIFY(into.open(&error));
        QVERIFY(!QFileInfo::exists(target)); // made under another name until it is complete
        QVERIFY(import.analyse(into.db()).ok());
        QCOMPARE(import.store(into.db(), [](int percent, const QString &) { return percent < 60; }).status,
                 SkosImport::Result::Status::Cancelled);
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    // Completed: the file under its name, nothing else.
    {
        SkosImport::Import import(file, Ids::GEMET);
        ImportTarget into(target);
        QString error;
        readAndStore(import, into);
        QVERIFY(into.finish(&error));
    }
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("new.sqlite")}));
    QCOMPARE(count(target, QStringLiteral("select count(*) from concepts where model_ref = 5")), 50);

    // A file that appeared under the name meanwhile is never replaced.
    QFile::remove(target);
    {
        SkosImport::Import import(file, Ids::GEMET);
        ImportTarget into(target);
        QString error;
        readAndStore(import, into);
        QFile other(target);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("someone else's");
        other.close();
        QVERIFY(!into.finish(&error));
        QVERIFY2(error.contains(QStringLiteral("appeared")), qPrintable(error));
    }
    QCOMPARE(bytesOf(target), QByteArray("someone else's"));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("new.sqlite")}));
}

QTEST_MAIN(TestSkosImportFaults)
#include "test_skos_import_faults.moc"
