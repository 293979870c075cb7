// The project prompt and the two exports: file contents line by line, groups,
// escaping read back by an XML parser, refused and cancelled answers, files
// that cannot be written, and counts beyond 16 bits.
#include "base/dialogs.h"
#include "data/mdlGlobale.h"
#include "tools/esportazione.h"
#include "tools/mappingformats.h"
#include "tools/promptprogetto.h"
#include "support/smalldisk.h"
#include "tools_fixture.h"

#include "shell/ui/app.h"
#include "shell/ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <QtTest>

using namespace ToolsFixture;

namespace {

const QString skos = QStringLiteral("http://www.w3.org/2004/02/skos/core#");

QStringList lines(const QByteArray &bytes)
{
    // Every line must end in CR LF: split on it and demand nothing is left over.
    QStringList out;
    const QList<QByteArray> parts = bytes.split('\n');
    for (int i = 0; i < parts.size(); ++i) {
        if (i == parts.size() - 1) {
            if (!parts.at(i).isEmpty())
                out << QStringLiteral("<unterminated:%1>").arg(QString::fromLatin1(parts.at(i)));
            break;
        }
        if (!parts.at(i).endsWith('\r'))
            out << QStringLiteral("<bare LF>");
        out << QString::fromLatin1(parts.at(i).chopped(parts.at(i).endsWith('\r') ? 1 : 0));
    }
    return out;
}

QStringList relationXml(const QString &src, const QString &rel, const QString &trg)
{
    return {QStringLiteral("<relation>"), QStringLiteral("<src>") + src + QStringLiteral("</src>"),
            QStringLiteral("<rel>") + skos + rel + QStringLiteral("</rel>"),
            QStringLiteral("<trg>") + trg + QStringLiteral("</trg>"), QStringLiteral("</relation>")};
}

QStringList groupHeader(const QString &th)
{
    return {QStringLiteral("<src_th>eurovoc</src_th>"), QStringLiteral("<trg_th>") + th + QStringLiteral("</trg_th>"),
            QStringLiteral("<relations>")};
}

const QString xmlHead = QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");

QString endOfExport(int n, const QString &file)
{
    return QStringLiteral("End of export: %1 mapping relations exported in ").arg(n) + mdlGlobale::vDatabaseFolder
           + file;
}

// Texts of the named elements of an XML file, in document order, as a parser
// reads them; fails the test when the file is not well-formed.
QStringList parsedTexts(const QByteArray &bytes, const QStringList &names)
{
    QXmlStreamReader xml(bytes);
    QStringList out;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && names.contains(xml.name().toString()))
            out << xml.readElementText();
    }
    if (xml.hasError())
        out << QStringLiteral("<parse error: %1>").arg(xml.errorString());
    return out;
}

// A line of the corpus with its escapes (\uXXXX, \UXXXXXXXX, \r, \n, \t, \\) undone.
QString unescape(const QString &line)
{
    QString out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) != QLatin1Char('\\') || i + 1 >= line.size()) {
            out += line.at(i);
            continue;
        }
        const QChar kind = line.at(++i);
        if (kind == QLatin1Char('u') || kind == QLatin1Char('U')) {
            const int digits = kind == QLatin1Char('u') ? 4 : 8;
            const char32_t code = line.mid(i + 1, digits).toUInt(nullptr, 16);
            out += QChar::fromUcs4(code);
            i += digits;
        } else {
            out += kind == QLatin1Char('r') ? QChar(u'\r') : kind == QLatin1Char('n') ? QChar(u'\n')
                   : kind == QLatin1Char('t')                   ? QChar(u'\t')
                                                                : kind;
        }
    }
    return out;
}

// A cell of the page read back: ISO-8859-1 bytes, numeric references and the
// four named ones.
QString htmlCell(const QByteArray &cell)
{
    const QString text = QString::fromLatin1(cell);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&')) {
            out += text.at(i);
            continue;
        }
        const qsizetype end = text.indexOf(QLatin1Char(';'), i);
        const QString name = text.mid(i + 1, end - i - 1);
        if (name.startsWith(QLatin1Char('#'))) {
            const char32_t code = name.mid(1).toUInt();
            out += QChar::fromUcs4(code);
        } else {
            out += name == QLatin1String("amp") ? QStringLiteral("&") : name == QLatin1String("lt") ? QStringLiteral("<")
                   : name == QLatin1String("gt")                       ? QStringLiteral(">")
                                                                        : QStringLiteral("\"");
        }
        i = end;
    }
    return out;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void init() { mdlGlobale::AzzeraStato(); }

    void promptAnswers_data();
    void promptAnswers();
    void promptTextTitleAndDefault();
    void allProjectsGroupedByTargetThesaurus();
    void oneProjectAndProjectWithoutRelations();
    void escapedValuesReadBackExactly();
    void refusedOrCancelledAnswerLeavesFileAlone_data();
    void refusedOrCancelledAnswerLeavesFileAlone();
    void unwritableFolderAndFailingQueryReported();
    void htmlTableOfTwoRelations();
    void htmlWithoutRelationsAndEscapedLabels();
    void charactersTheFormatCannotHoldAreReported();
    void corpusOfHostileValuesReplayed();
    void moreThan32767Relations();
    void fullDiskKeepsTheEarlierFile();
    void menuItemsRunTheCommands();
};

void TestExport::promptAnswers_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("esito");
    QTest::addColumn<int>("progetto");
    using E = PromptProgetto::Esito;
    QTest::newRow("cancel") << std::optional<QString>() << int(E::Annullato) << 0;
    QTest::newRow("empty") << std::optional<QString>(QString()) << int(E::Annullato) << 0;
    QTest::newRow("blanks") << std::optional<QString>(QStringLiteral("  \t")) << int(E::Annullato) << 0;
    QTest::newRow("all") << std::optional<QString>(QStringLiteral("0")) << int(E::Scelto) << 0;
    QTest::newRow("padded") << std::optional<QString>(QStringLiteral(" 3 ")) << int(E::Scelto) << 3;
    QTest::newRow("leading zero") << std::optional<QString>(QStringLiteral("04")) << int(E::Scelto) << 4;
    QTest::newRow("no such project") << std::optional<QString>(QStringLiteral("7")) << int(E::Scelto) << 7;
    QTest::newRow("negative") << std::optional<QString>(QStringLiteral("-1")) << int(E::Scelto) << -1;
    QTest::newRow("word") << std::optional<QString>(QStringLiteral("abc")) << int(E::Rifiutato) << 0;
    QTest::newRow("decimal") << std::optional<QString>(QStringLiteral("1.5")) << int(E::Rifiutato) << 0;
    QTest::newRow("exponent") << std::optional<QString>(QStringLiteral("2e1")) << int(E::Rifiutato) << 0;
    QTest::newRow("hex") << std::optional<QString>(QStringLiteral("0x2")) << int(E::Rifiutato) << 0;
    QTest::newRow("two numbers") << std::optional<QString>(QStringLiteral("1 2")) << int(E::Rifiutato) << 0;
    QTest::newRow("sql") << std::optional<QString>(QStringLiteral("1 or 1=1")) << int(E::Rifiutato) << 0;
    QTest::newRow("sign only") << std::optional<QString>(QStringLiteral("-")) << int(E::Rifiutato) << 0;
    QTest::newRow("beyond 32 bits") << std::optional<QString>(QStringLiteral("4294967297")) << int(E::Rifiutato)
                                    << 0;
}

void TestExport::promptAnswers()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, esito);
    QFETCH(int, progetto);
    const PromptProgetto::Risposta r = PromptProgetto::interpreta(answer);
    QCOMPARE(int(r.esito), esito);
    if (r.esito == PromptProgetto::Esito::Scelto)
        QCOMPARE(r.progetto, progetto);
}

void TestExport::promptTextTitleAndDefault()
{
    TestDb t;
    const QString db = thesaurus(t);
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("0"));
    Esportazione::EsportaXML();
    QVERIFY(!d.shown.isEmpty());
    const auto &box = d.shown.first();
    QCOMPARE(box.kind, QStringLiteral("input"));
    QCOMPARE(box.text, QStringLiteral("Choose the project: \r\n\t0 for all projects, \r\n\t1 for EUROVOC-ECLAS, "
                                      "\r\n\t2 for EUROVOC-ETT, \r\n\t3 for EUROVOC-UNESCO, \r\n\t4 for EUROVOC-GEMET"));
    QCOMPARE(box.title, QStringLiteral("Project for export"));
    QCOMPARE(box.extra, QStringLiteral("0"));

    d.clear();
    d.answerInput(QStringLiteral("0"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.shown.first().title, QStringLiteral("Project for export"));
    QCOMPARE(d.shown.first().extra, QStringLiteral("0"));
}

void TestExport::allProjectsGroupedByTargetThesaurus()
{
    TestDb t;
    const QString db = thesaurus(t);
    // Stored out of order: GEMET first, relations unsorted within projects.
    addRelations(db, {{1, 4, 101, 5001, 9, QStringLiteral("g exact")},
                      {2, 1, 102, 1002, 10, QString()},
                      {3, 1, 101, 1001, 8, QVariant()},
                      {4, 4, 103, 5003, 8, QStringLiteral("g broad")}});
    OpenDb open(db);
    const QString file = mdlGlobale::vDatabaseFolder + QStringLiteral("export.xml");
    QCOMPARE(file, t.folder() + QStringLiteral("/export.xml"));

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("0"));
    Esportazione::EsportaXML();
    QCOMPARE(d.messages(), QStringList{endOfExport(4, QStringLiteral("export.xml"))});
    QCOMPARE(d.messages().first(), QStringLiteral("End of export: 4 mapping relations exported in ") + file);

    QStringList expected{xmlHead, QStringLiteral("<mappings>")};
    expected << groupHeader(QStringLiteral("eclas"))
             << relationXml(QStringLiteral("http://eurovoc.europa.eu/101"), QStringLiteral("broadMatch"),
                            QStringLiteral("http://eclas.example/1"))
             << relationXml(QStringLiteral("http://eurovoc.europa.eu/102"), QStringLiteral("narrowMatch"),
                            QStringLiteral("http://eclas.example/2"))
             << QStringLiteral("</relations>") << groupHeader(QStringLiteral("gemet"))
             << relationXml(QStringLiteral("http://eurovoc.europa.eu/103"), QStringLiteral("broadMatch"),
                            QStringLiteral("http://gemet.example/3"))
             << relationXml(QStringLiteral("http://eurovoc.europa.eu/101"), QStringLiteral("exactMatch"),
                            QStringLiteral("http://gemet.example/1"))
             << QStringLiteral("</relations>") << QStringLiteral("</mappings>");
    QCOMPARE(lines(readFile(file)), expected);
    // No temporary file is left beside it.
    QCOMPARE(QDir(t.folder()).entryList({QStringLiteral("export*")}, QDir::Files),
             QStringList{QStringLiteral("export.xml")});
}

void TestExport::oneProjectAndProjectWithoutRelations()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 2, 101, 2001, 9, QVariant()},
                      {2, 1, 102, 1002, 10, QVariant()},
                      {3, 2, 102, 2002, 9, QVariant()}});
    OpenDb open(db);
    const QString file = mdlGlobale::vDatabaseFolder + QStringLiteral("export.xml");

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaXML();
    QCOMPARE(d.messages(), QStringList{endOfExport(2, QStringLiteral("export.xml"))});
    QStringList expected{xmlHead, QStringLiteral("<mappings>")};
    expected << groupHeader(QStringLiteral("ett"))
             << relationXml(QStringLiteral("http://eurovoc.europa.eu/101"), QStringLiteral("exactMatch"),
                            QStringLiteral("http://ett.example/1"))
             << relationXml(QStringLiteral("http://eurovoc.europa.eu/102"), QStringLiteral("exactMatch"),
                            QStringLiteral("http://ett.example/2"))
             << QStringLiteral("</relations>") << QStringLiteral("</mappings>");
    QCOMPARE(lines(readFile(file)), expected);

    // A target thesaurus without a name still opens its own group.
    mdlGlobale::vConnection.EseguiIstruzione(QStringLiteral("update models set dex = '' where id = 2"));
    d.clear();
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaXML();
    const QStringList unnamed = lines(readFile(file));
    QCOMPARE(unnamed.mid(2, 3), groupHeader(QString()));
    QCOMPARE(unnamed.count(QStringLiteral("</relations>")), 1);
    QCOMPARE(parsedTexts(readFile(file), {QStringLiteral("trg_th")}), QStringList{QString()});

    for (const QString &answer : {QStringLiteral("3"), QStringLiteral("7")}) {
        d.clear();
        d.answerInput(answer);
        Esportazione::EsportaXML();
        QCOMPARE(d.messages(), QStringList{endOfExport(0, QStringLiteral("export.xml"))});
        QCOMPARE(lines(readFile(file)), (QStringList{xmlHead, QStringLiteral("<mappings>"),
                                                     QStringLiteral("</mappings>")}));
    }
}

void TestExport::escapedValuesReadBackExactly()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString ampersand = QStringLiteral("http://eurovoc.europa.eu/q?a=1&b=<2>");
    const QString latin = QStringLiteral("http://ett.example/caf\u00e9 \"cr\u00e8me\"\r\n\tend");
    const QString greek = QStringLiteral("http://ett.example/\u0395\u03bb\u03bb\u03ac\u03b4\u03b1-\u20ac-\U0001F30D");
    const QString label = QStringLiteral("et<t> & co");
    addConcept(db, 900, Ids::EUROVOC, QStringLiteral("amp"), ampersand);
    addConcept(db, 901, Ids::ETT, QStringLiteral("latin"), latin);
    addConcept(db, 902, Ids::ETT, QStringLiteral("greek"), greek);
    TestDb::run(db, {QStringLiteral("update models set dex = ? where id = 2")}, {{label}});
    addRelations(db, {{1, 2, 900, 901, 9, QVariant()}, {2, 2, 900, 902, 10, QVariant()}});
    OpenDb open(db);

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaXML();
    QCOMPARE(d.messages(), QStringList{endOfExport(2, QStringLiteral("export.xml"))});
    const QByteArray bytes = readFile(mdlGlobale::vDatabaseFolder + QStringLiteral("export.xml"));

    QCOMPARE(parsedTexts(bytes, {QStringLiteral("trg_th"), QStringLiteral("src"), QStringLiteral("trg")}),
             (QStringList{label, ampersand, latin, ampersand, greek}));
    // Latin-1 letters are single bytes; the rest are character references.
    QVERIFY(bytes.contains("caf\xe9 \"cr\xe8me\"&#13;\n\tend"));
    QVERIFY(bytes.contains("<trg_th>et&lt;t&gt; &amp; co</trg_th>"));
    QVERIFY(bytes.contains("&#917;&#955;&#955;&#940;&#948;&#945;-&#8364;-&#127757;"));
}

void TestExport::refusedOrCancelledAnswerLeavesFileAlone_data()
{
    QTest::addColumn<bool>("xml");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QStringList>("messages");
    const QString refused = PromptProgetto::messaggioRifiuto(QStringLiteral("2; drop"));
    QTest::newRow("xml cancel") << true << std::optional<QString>() << QStringList{QStringLiteral("Export cancelled")};
    QTest::newRow("xml empty") << true << std::optional<QString>(QString())
                               << QStringList{QStringLiteral("Export cancelled")};
    QTest::newRow("xml refused") << true << std::optional<QString>(QStringLiteral("2; drop")) << QStringList{refused};
    QTest::newRow("html cancel") << false << std::optional<QString>() << QStringList();
    QTest::newRow("html refused") << false << std::optional<QString>(QStringLiteral("2; drop"))
                                  << QStringList{refused};
}

void TestExport::refusedOrCancelledAnswerLeavesFileAlone()
{
    QFETCH(bool, xml);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QStringList, messages);
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 2, 101, 2001, 9, QVariant()}});
    OpenDb open(db);
    const QString file = mdlGlobale::vDatabaseFolder + (xml ? QStringLiteral("export.xml") : QStringLiteral("export.html"));
    const QByteArray before("earlier export\r\n\xff\x00 kept", 24);
    t.writeFile(QFileInfo(file).fileName(), before);

    ScopedScriptedDialogs d;
    d.answerInput(answer);
    xml ? Esportazione::EsportaXML() : Esportazione::EsportaHTML();
    QCOMPARE(d.messages(), messages);
    if (!messages.isEmpty() && messages.first() != QStringLiteral("Export cancelled")) {
        QCOMPARE(d.shown.last().title, QStringLiteral("Project for export"));
        QCOMPARE(messages.first(), QStringLiteral("\"2; drop\" is not a project number.\n"
                                                  "Type 0 for all projects, or the number of one project (1 to 4)."));
    }
    QCOMPARE(readFile(file), before);
    QCOMPARE(relationRows(db).size(), 1);
}

void TestExport::unwritableFolderAndFailingQueryReported()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 2, 101, 2001, 9, QVariant()}});
    OpenDb open(db);

    // A folder that does not exist cannot take the file.
    const QString database = mdlGlobale::vDatabaseFolder;
    mdlGlobale::vDatabaseFolder = t.folder() + QStringLiteral("/gone/");
    {
        ScopedScriptedDialogs d;
        d.answerInput(QStringLiteral("0"));
        Esportazione::EsportaXML();
        QCOMPARE(d.messages().size(), 1);
        QVERIFY2(d.messages().first().startsWith(QStringLiteral("The export file ") + t.folder()
                                                 + QStringLiteral("/gone/export.xml cannot be written: ")),
                 qPrintable(d.messages().first()));
        QCOMPARE(d.shown.last().icon, Dialogs::Icon::Critical);
        QVERIFY(!QFileInfo::exists(mdlGlobale::vDatabaseFolder));
    }
    mdlGlobale::vDatabaseFolder = database;

    // A query that fails leaves the earlier file and no temporary beside it.
    const QByteArray before("earlier");
    t.writeFile(QStringLiteral("export.html"), before);
    mdlGlobale::vConnection.EseguiIstruzione(QStringLiteral("alter table models rename to models_old"));
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("0"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY2(d.messages().first().startsWith(QStringLiteral("Error ")), qPrintable(d.messages().first()));
    QVERIFY(d.messages().first().contains(QStringLiteral("models")));
    QCOMPARE(readFile(database + QStringLiteral("export.html")), before);
    QCOMPARE(QDir(t.folder()).entryList({QStringLiteral("export*")}, QDir::Files),
             QStringList{QStringLiteral("export.html")});
}

void TestExport::htmlTableOfTwoRelations()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{7, 1, 102, 1002, 9, QVariant()},
                      {3, 1, 101, 1001, 9, QStringLiteral("checked \"twice\"")},
                      {5, 3, 101, 4001, 8, QStringLiteral("other project")}});
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("1"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages(), QStringList{QStringLiteral("End of export: 2 mapping relations exported in ")
                                       + t.folder() + QStringLiteral("/export.html")});

    auto row = [](const QString &src, const QString &rel, const QString &trg, const QString &th,
                  const QString &notes) {
        return QStringList{QStringLiteral("<tr>"),
                           QStringLiteral("<td width=\"25%\" align=\"left\">") + src + QStringLiteral("</td>"),
                           QStringLiteral("<td width=\"10%\" align=\"left\">") + rel + QStringLiteral("</td>"),
                           QStringLiteral("<td width=\"25%\" align=\"left\">") + trg + QStringLiteral("</td>"),
                           QStringLiteral("<td width=\"10%\" align=\"left\">") + th + QStringLiteral("</td>"),
                           QStringLiteral("<td width=\"30%\" align=\"left\">") + notes + QStringLiteral("</td>"),
                           QStringLiteral("</tr>")};
    };
    QStringList expected{QStringLiteral("<html>"), QStringLiteral("<title>MAPPING</title>"), QStringLiteral("<body>"),
                         QStringLiteral("<h1>Risultato mapping</h1>"), QStringLiteral("<table border=\"1\">"),
                         QStringLiteral("<tr><th align=\"left\">src prefLabel</th><th align=\"left\">relation</th>"
                                        "<th align=\"left\">trg prefLabel</th><th align=\"left\">trg thesaurus</th>"
                                        "<th align=\"left\">notes</th></tr>")};
    expected << row(QStringLiteral("src 01"), QStringLiteral("exactMatch"), QStringLiteral("eclas 01"),
                    QStringLiteral("eclas"), QStringLiteral("checked &quot;twice&quot;"))
             << row(QStringLiteral("src 02"), QStringLiteral("exactMatch"), QStringLiteral("eclas 02"),
                    QStringLiteral("eclas"), QString())
             << QStringLiteral("</table>") << QStringLiteral("</body>") << QStringLiteral("</html>");
    QCOMPARE(lines(readFile(mdlGlobale::vDatabaseFolder + QStringLiteral("export.html"))), expected);
}

void TestExport::htmlWithoutRelationsAndEscapedLabels()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString odd = QStringLiteral("a<b> & \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u00e9t\u00e9");
    addConcept(db, 900, Ids::EUROVOC, odd, QStringLiteral("http://eurovoc.europa.eu/900"));
    addRelations(db, {{1, 4, 900, 5001, 10, QStringLiteral("<i>not markup</i>")}});
    OpenDb open(db);
    const QString file = mdlGlobale::vDatabaseFolder + QStringLiteral("export.html");

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages(), QStringList{endOfExport(0, QStringLiteral("export.html"))});
    QCOMPARE(lines(readFile(file)), (QStringList{QStringLiteral("<html>"), QStringLiteral("<title>MAPPING</title>"),
                                                 QStringLiteral("<body>"), QStringLiteral("</body>"),
                                                 QStringLiteral("</html>")}));

    d.clear();
    d.answerInput(QStringLiteral("4"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages(), QStringList{endOfExport(1, QStringLiteral("export.html"))});
    const QByteArray bytes = readFile(file);
    QVERIFY(bytes.contains("a&lt;b&gt; &amp; &#917;&#955;&#955;&#940;&#948;&#945; \xe9t\xe9"));
    // A browser shows the texts as written.
    QTextDocument page;
    page.setHtml(QString::fromLatin1(bytes));
    const QString shown = page.toPlainText();
    QVERIFY2(shown.contains(odd), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("<i>not markup</i>")), qPrintable(shown));
}

void TestExport::charactersTheFormatCannotHoldAreReported()
{
    TestDb t;
    const QString db = thesaurus(t);
    const QString nonChars = QStringLiteral("http://ett.example/a") + QChar(0xFFFE) + QStringLiteral("b") + QChar(0xFFFF)
                             + QStringLiteral("\U0010FFFE");
    const QString controls = QStringLiteral("x") + QChar(0) + QStringLiteral("y") + QChar(0x80) + QChar(0x81)
                             + QStringLiteral("\r\n");
    addConcept(db, 900, Ids::EUROVOC, controls, QStringLiteral("http://eurovoc.europa.eu/900"));
    addConcept(db, 901, Ids::ETT, nonChars, nonChars);
    addRelations(db, {{1, 2, 900, 901, 9, QVariant()}});
    OpenDb open(db);

    // XML 1.0 cannot hold U+FFFE and U+FFFF, even as references: the file
    // stays well-formed and the user is told which value changed, and how.
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaXML();
    const QString warning = Esportazione::avvisoCaratteri(
        Esportazione::Formato::XML, {QStringLiteral("trg: http://ett.example/a{U+FFFE}b{U+FFFF}\U0010FFFE")}, 1);
    QCOMPARE(d.messages(), (QStringList{endOfExport(1, QStringLiteral("export.xml")), warning}));
    QCOMPARE(d.shown.last().icon, Dialogs::Icon::Warning);
    QVERIFY(warning.contains(QStringLiteral("an XML 1.0 file cannot hold: in export.xml")));
    QByteArray bytes = readFile(mdlGlobale::vDatabaseFolder + QStringLiteral("export.xml"));
    QString replaced = nonChars;
    replaced.replace(QChar(0xFFFE), QChar(0xFFFD)).replace(QChar(0xFFFF), QChar(0xFFFD));
    QCOMPARE(parsedTexts(bytes, {QStringLiteral("trg")}), QStringList{replaced});

    // An HTML page keeps the non-characters as references; U+0000 and U+0080
    // (read as "\u20ac" by a browser) it cannot hold, U+0081 it can.
    d.clear();
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages(),
             (QStringList{endOfExport(1, QStringLiteral("export.html")),
                          Esportazione::avvisoCaratteri(Esportazione::Formato::HTML,
                                                        {QStringLiteral("src prefLabel: x{U+0000}y{U+0080}\u0081\r\n")},
                                                        1)}));
    bytes = readFile(mdlGlobale::vDatabaseFolder + QStringLiteral("export.html"));
    QVERIFY(bytes.contains("a&#65534;b&#65535;&#1114110;</td>"));
    QVERIFY(bytes.contains("x&#65533;y&#65533;\x81&#13;\n</td>"));

    // Without such characters nothing more is said.
    TestDb::run(db, {QStringLiteral("update concepts set dex = 'plain' where id = 900")});
    d.clear();
    d.answerInput(QStringLiteral("2"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages(), QStringList{endOfExport(1, QStringLiteral("export.html"))});

    // Many such values: the first twenty are named, the rest counted.
    QStringList shown;
    for (int i = 0; i < 20; ++i)
        shown << QStringLiteral("v%1").arg(i);
    QVERIFY(Esportazione::avvisoCaratteri(Esportazione::Formato::XML, shown, 25)
                .endsWith(QStringLiteral("\nv19\n... and 5 more")));
}

void TestExport::corpusOfHostileValuesReplayed()
{
    QFile corpus(QStringLiteral(VOSPAN_SOURCE_DIR "/tests/data/export-corpus/values.txt"));
    QVERIFY(corpus.open(QIODevice::ReadOnly));
    TestDb t;
    const QString db = thesaurus(t);
    addConcept(db, 900, Ids::EUROVOC, QStringLiteral("source"), QStringLiteral("http://eurovoc.europa.eu/900"));
    addConcept(db, 901, Ids::ETT, QStringLiteral("target"), QStringLiteral("target"));
    addRelations(db, {{1, 2, 900, 901, 9, QVariant()}});
    int replayed = 0;
    for (const QString &line : QString::fromUtf8(corpus.readAll()).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        QCOMPARE(f.size(), 3);
        const QString value = unescape(f.at(2));
        // Stored as its UTF-8 bytes: a text bound as UTF-16 loses a leading
        // U+FFFE (taken for a byte-order mark).
        TestDb::run(db, {QStringLiteral("update concepts set dex = cast(? as text), uri = cast(? as text) where id = 901")},
                    {{value.toUtf8(), value.toUtf8()}});
        OpenDb open(db);
        for (const auto format : {Esportazione::Formato::XML, Esportazione::Formato::HTML}) {
            const bool xml = format == Esportazione::Formato::XML;
            const bool kept = f.at(xml ? 0 : 1) == QLatin1String("kept");
            ScopedScriptedDialogs d;
            d.answerInput(QStringLiteral("2"));
            xml ? Esportazione::EsportaXML() : Esportazione::EsportaHTML();
            // Reported exactly when the value does not come back.
            QVERIFY2(d.messages().size() == (kept ? 1 : 2), qPrintable(line + d.messages().join(QLatin1Char('|'))));
            const QByteArray bytes = readFile(mdlGlobale::vDatabaseFolder + Esportazione::nomeFile(format));
            QString back;
            if (xml) {
                const QStringList texts = parsedTexts(bytes, {QStringLiteral("trg")});
                QCOMPARE(texts.size(), 1); // no parse error either
                back = texts.first();
            } else {
                const QByteArray cellStart = "<td width=\"25%\" align=\"left\">";
                const qsizetype at = bytes.indexOf(cellStart, bytes.indexOf(cellStart) + 1) + cellStart.size();
                back = htmlCell(bytes.mid(at, bytes.indexOf("</td>\r\n", at) - at));
            }
            QVERIFY2((back == value) == kept, qPrintable(line));
            if (!kept)
                QVERIFY(back.contains(QChar(0xFFFD)));
        }
        ++replayed;
    }
    QCOMPARE(replayed, 11);
}

void TestExport::moreThan32767Relations()
{
    TestDb t;
    const QString db = thesaurus(t, QStringLiteral("thesaurus.sqlite"), 1);
    QList<Relation> many;
    for (int i = 1; i <= 40000; ++i)
        many.append({i, 1 + i % 4, 101, (i % 4 < 2 ? 1 + i % 4 : 2 + i % 4) * 1000 + 1, 9, QVariant()});
    addRelations(db, many);
    OpenDb open(db);
    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("0"));
    Esportazione::EsportaXML();
    QCOMPARE(d.messages(), QStringList{endOfExport(40000, QStringLiteral("export.xml"))});
    const QStringList xml = lines(readFile(mdlGlobale::vDatabaseFolder + QStringLiteral("export.xml")));
    QCOMPARE(xml.count(QStringLiteral("<relation>")), 40000);
    QCOMPARE(xml.count(QStringLiteral("<relations>")), 4);
    QCOMPARE(xml.count(QStringLiteral("</relations>")), 4);

    d.clear();
    d.answerInput(QStringLiteral("0"));
    Esportazione::EsportaHTML();
    QCOMPARE(d.messages(), QStringList{endOfExport(40000, QStringLiteral("export.html"))});
    QCOMPARE(lines(readFile(mdlGlobale::vDatabaseFolder + QStringLiteral("export.html"))).count(QStringLiteral("<tr>")),
             40000);
}

void TestExport::fullDiskKeepsTheEarlierFile()
{
    SmallDisk disk(64);
    if (!disk.isMounted())
        QSKIP(qPrintable(disk.whyNot()));
    TestDb t;
    const QString db = thesaurus(t, QStringLiteral("thesaurus.sqlite"), 50);
    QList<Relation> many;
    for (int i = 0; i < 2500; ++i)
        many.append({i + 1, 1, 101 + i / 50, 1001 + i % 50, 9,
                     QStringLiteral("a note long enough to fill the small disk quickly")});
    addRelations(db, many);
    OpenDb open(db);
    mdlGlobale::vDatabaseFolder = disk.path() + QLatin1Char('/');
    const QByteArray earlier("earlier export, to be kept byte for byte\r\n");

    // The menu items: the user hears that the disk is full, the earlier file stays.
    for (const QString &name : {QStringLiteral("export.xml"), QStringLiteral("export.html")}) {
        const QString path = disk.path(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(earlier);
        f.close();
        ScopedScriptedDialogs d;
        d.answerInput(QStringLiteral("0"));
        if (name.endsWith(QLatin1String("xml")))
            Esportazione::EsportaXML();
        else
            Esportazione::EsportaHTML();
        QCOMPARE(d.messages(), QStringList{QStringLiteral("The export file %1 cannot be written: the disk is full\n"
                                                          "Nothing was exported; an earlier file of that name is "
                                                          "unchanged.")
                                               .arg(path)});
        QCOMPARE(readFile(path), earlier);
    }

    // The other formats, through the same saving.
    for (auto formato : {MappingFormats::Formato::Sssom, MappingFormats::Formato::Csv,
                         MappingFormats::Formato::SkosTurtle, MappingFormats::Formato::SkosRdfXml}) {
        const QString path = disk.path(QStringLiteral("mappings.out"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(earlier);
        f.close();
        const MappingFormats::Esito e = MappingFormats::scrivi(mdlGlobale::vConnection, formato, 0, path);
        QVERIFY(!e.scritto);
        QCOMPARE(e.errore, QStringLiteral("the disk is full"));
        QCOMPARE(readFile(path), earlier);
    }
    // No temporary file is left behind.
    QCOMPARE(QDir(disk.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("export.html"), QStringLiteral("export.xml"), QStringLiteral("mappings.out")}));
}

void TestExport::menuItemsRunTheCommands()
{
    TestDb t;
    const QString db = thesaurus(t);
    addRelations(db, {{1, 2, 101, 2001, 9, QVariant()}});
    OpenDb open(db);
    frmMain main;
    installRooms(main);
    main.setDatabaseMenus(true);

    ScopedScriptedDialogs d;
    d.answerInput(QStringLiteral("0"));
    d.answerInput(QStringLiteral("0"));
    d.answerInput(QStringLiteral("0"));
    d.answerQuestion(false);
    for (const char *name : {"mnuToolsEsportazioneSKOS", "mnuToolsEsportazioneHTML", "mnuUtilityDelete",
                             "mnuUtilityMergeDatabase"}) {
        QAction *a = main.action(QString::fromLatin1(name));
        QVERIFY2(a && a->isEnabled(), name);
        a->trigger();
        // The hourglass never outlives a command.
        QVERIFY(!QApplication::overrideCursor());
    }
    QCOMPARE(d.messages(), (QStringList{endOfExport(1, QStringLiteral("export.xml")),
                                        endOfExport(1, QStringLiteral("export.html")),
                                        QStringLiteral("Delete cancelled"), QStringLiteral("User cancel")}));
    QCOMPARE(d.shown.at(5).text, QStringLiteral("Delete 1 mapping relations from database?"));
    QCOMPARE(d.shown.at(d.shown.size() - 2).title, QStringLiteral("Open appending database"));
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
