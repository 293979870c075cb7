// The rich-text reader, the shipped user guide, and the Help and About windows.
#include "base/mdlUtil.h"
#include "help/rtfreader.h"
#include "help/ui/helpwindows.h"
#include "support/testdb.h"
#include "widgets/ui/pictures.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextList>
#include <QTimer>
#include <QtTest>

namespace {

Rtf::Document read(const QByteArray &rtf)
{
    const Rtf::Result r = Rtf::parse(rtf);
    if (!r.ok)
        qWarning("not read: %s", qPrintable(r.error));
    return r.document;
}

QString guideText(const QWidget &window)
{
    const auto *view = window.findChild<QTextBrowser *>(QStringLiteral("RichTextBox1"));
    return view ? view->toPlainText() : QStringLiteral("<no RichTextBox1>");
}

void writeGuide(const QString &folder, const QByteArray &bytes)
{
    QDir().mkpath(folder + QStringLiteral("/mdb"));
    QFile f(folder + QStringLiteral("/mdb/VOSPAN-EN.1.1.rtf"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs fn on the modal window once it is up, then returns.
void whenModal(const std::function<void(QWidget *)> &fn)
{
    QTimer::singleShot(0, [fn] {
        QWidget *w = QApplication::activeModalWidget();
        fn(w);
        if (w && w->isVisible())
            w->close(); // never leave a test hanging on a window
    });
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void characterFormattingAndGroups();
    void tablesAndHiddenDestinationsAreSkipped();
    void escapesAndCodePage();
    void unicodeAndFallbackCharacters();
    void paragraphsBulletsAndParagraphProperties();
    void notRtfAndDamagedInput();
    void readFileFailures();
    void htmlKeepsFormattingAndEscapesText();

    void shippedGuideIsARealGuide();

    void helpWindowShowsTheGuideAfreshEachTime();
    void helpWindowSaysWhenTheGuideIsMissingOrBroken();
    void helpWindowIsModalAndClosesWithItsButton();
    void aboutWindowTexts();
    void aboutWindowIsModalAndClosesWithOK();
};

void TestHelp::cleanup()
{
    mdlUtil::setCartellaApplicazione(QString());
    Pictures::clearCache();
}

void TestHelp::characterFormattingAndGroups()
{
    const Rtf::Document d = read("{\\rtf1\\ansi plain {\\b bold {\\i both} bold}\\i  italic\\i0  "
                                 "\\ul under\\ulnone  off \\b1 B\\b0  \\fs36 big {\\fs20 small} big\\plain  reset}");
    QCOMPARE(d.paragraphs.size(), 1);
    const QList<Rtf::Run> &runs = d.paragraphs.at(0).runs;
    QCOMPARE(d.paragraphs.at(0).text(), QStringLiteral("plain bold both bold italic under off B big small big reset"));

    auto runOf = [&](const QString &piece) -> Rtf::Run {
        for (const Rtf::Run &r : runs)
            if (r.text.contains(piece))
                return r;
        return Rtf::Run{QStringLiteral("<missing>")};
    };
    QVERIFY(!runOf(QStringLiteral("plain")).bold);
    QVERIFY(runOf(QStringLiteral("bold ")).bold);
    QVERIFY(runOf(QStringLiteral("both")).bold && runOf(QStringLiteral("both")).italic);
    // leaving the group gives back the format it started with
    QVERIFY(!runOf(QStringLiteral("italic")).bold);
    QVERIFY(runOf(QStringLiteral("italic")).italic);
    QVERIFY(runOf(QStringLiteral("under")).underline);
    QVERIFY(!runOf(QStringLiteral("off")).underline);
    QVERIFY(runOf(QStringLiteral("B")).bold);
    QCOMPARE(runOf(QStringLiteral("small")).halfPoints, 20);
    QCOMPARE(runOf(QStringLiteral("big")).halfPoints, 36);
    const Rtf::Run reset = runOf(QStringLiteral("reset"));
    QVERIFY(!reset.bold && !reset.italic && !reset.underline);
    QCOMPARE(reset.halfPoints, 24);
    // neighbouring text of one format is one run
    for (int i = 1; i < runs.size(); ++i)
        QVERIFY(!runs.at(i).sameFormat(runs.at(i - 1)));
}

void TestHelp::tablesAndHiddenDestinationsAreSkipped()
{
    const Rtf::Document d = read(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Symbol;}}{\\colortbl ;\\red255\\green0\\blue0;}"
        "{\\stylesheet{\\s1 Heading 1;}}{\\info{\\title Secret title}{\\author Nobody}}"
        "{\\*\\generator Some writer 1.0;}{\\*\\unknowndest with text}"
        "Visible{\\*\\bkmkstart mark} text{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt}}.\\par}");
    QCOMPARE(d.plainText(), QStringLiteral("Visible text."));
}

void TestHelp::escapesAndCodePage()
{
    const Rtf::Document d = read("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\'93q\\'94 \\{x\\} a\\\\b "
                                 "no\\~break opt\\-ional \\lquote s\\rquote\\emdash\\endash\\bullet}");
    QCOMPARE(d.plainText(), QString::fromUtf8("café € “q” {x} a\\b no\u00a0break optional ‘s’—–•"));
}

void TestHelp::unicodeAndFallbackCharacters()
{
    // \uN replaces the N fallback characters that follow (one by default)
    QCOMPARE(read("{\\rtf1 \\u8364?5}").plainText(), QString::fromUtf8("€5"));
    QCOMPARE(read("{\\rtf1 \\uc0\\u233 e}").plainText(), QString::fromUtf8("ée"));
    QCOMPARE(read("{\\rtf1 \\uc2\\u8364 xyz}").plainText(), QString::fromUtf8("€z"));
    // a \'hh fallback counts as one character
    QCOMPARE(read("{\\rtf1 \\u233\\'e9!}").plainText(), QString::fromUtf8("é!"));
    // negative values stand for code units above 32767; two make a surrogate pair
    QCOMPARE(read("{\\rtf1 \\u-10179?\\u-8704?}").plainText(), QString::fromUtf8("\U0001F600"));
    // \uc is scoped to its group
    QCOMPARE(read("{\\rtf1 {\\uc2 \\u233 ab}\\u233 ab}").plainText(), QString::fromUtf8("ééb"));
    // a fallback never eats a brace
    QCOMPARE(read("{\\rtf1 {\\u233}x}").plainText(), QString::fromUtf8("éx"));
}

void TestHelp::paragraphsBulletsAndParagraphProperties()
{
    const Rtf::Document d = read("{\\rtf1\\pard\\qc\\sb120\\sa240 Title\\par"
                                 "\\par"
                                 "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\li720 first\\par"
                                 "{\\listtext\\pard\\plain \\bullet\\tab}second\\line line\\par"
                                 "\\pard after\\tab tab\\par\r\n"
                                 "tail without par}");
    QCOMPARE(d.paragraphs.size(), 6);
    QCOMPARE(d.paragraphs.at(0).text(), QStringLiteral("Title"));
    QCOMPARE(d.paragraphs.at(0).align, Rtf::Align::Centre);
    QCOMPARE(d.paragraphs.at(0).spaceBefore, 120);
    QCOMPARE(d.paragraphs.at(0).spaceAfter, 240);
    QVERIFY(d.paragraphs.at(1).runs.isEmpty()); // an empty paragraph keeps its place
    QCOMPARE(d.paragraphs.at(1).align, Rtf::Align::Centre); // paragraph properties last until \pard

    // the bullet's own text is not part of the paragraph; \pard inside it changes nothing
    QVERIFY(d.paragraphs.at(2).bullet);
    QCOMPARE(d.paragraphs.at(2).text(), QStringLiteral("first"));
    QCOMPARE(d.paragraphs.at(2).leftIndent, 720);
    QCOMPARE(d.paragraphs.at(2).align, Rtf::Align::Left);
    QVERIFY(d.paragraphs.at(3).bullet);
    QCOMPARE(d.paragraphs.at(3).text(), QStringLiteral("second\nline"));
    QCOMPARE(d.paragraphs.at(3).leftIndent, 720);

    QVERIFY(!d.paragraphs.at(4).bullet);
    QCOMPARE(d.paragraphs.at(4).leftIndent, 0);
    QCOMPARE(d.paragraphs.at(4).text(), QStringLiteral("after\ttab"));
    QCOMPARE(d.paragraphs.at(5).text(), QStringLiteral("tail without par"));
}

void TestHelp::notRtfAndDamagedInput()
{
    for (const QByteArray &bad : {QByteArray(), QByteArray("plain words"), QByteArray("{\\rt"),
                                  QByteArray("<html><body>x</body></html>")}) {
        const Rtf::Result r = Rtf::parse(bad);
        QVERIFY2(!r.ok, bad.constData());
        QVERIFY(r.error.contains(QStringLiteral("not a rich text")));
        QVERIFY(r.document.paragraphs.isEmpty());
    }
    // leading blanks are allowed; a cut-off document keeps what was read
    QCOMPARE(read("  \r\n{\\rtf1 one\\par two {\\b three").plainText(), QStringLiteral("one\ntwo three"));
    // text after the document's closing brace is not part of it
    QCOMPARE(read("{\\rtf1 inside}outside").plainText(), QStringLiteral("inside"));
    // a control word cut off at the end, stray backslash, overlong numbers
    QCOMPARE(read("{\\rtf1 a\\fs99999999999999 b\\").plainText(), QStringLiteral("ab"));
}

void TestHelp::readFileFailures()
{
    TestDb db;
    Rtf::Result r = Rtf::readFile(db.path(QStringLiteral("absent.rtf")));
    QVERIFY(!r.ok);
    QVERIFY(r.error.contains(QStringLiteral("does not exist")));
    QVERIFY(r.error.contains(db.path(QStringLiteral("absent.rtf"))));

    r = Rtf::readFile(db.folder());
    QVERIFY(!r.ok);
    QVERIFY(r.error.contains(QStringLiteral("is not a file")));

    const QString text = db.writeFile(QStringLiteral("notes.rtf"), "Dear reader, this is not RTF.");
    r = Rtf::readFile(text);
    QVERIFY(!r.ok);
    QVERIFY(r.error.contains(QStringLiteral("cannot be read")));
    QVERIFY(r.error.contains(QStringLiteral("not a rich text")));

    const QString good = db.writeFile(QStringLiteral("good.rtf"), "{\\rtf1 Fine.\\par}");
    r = Rtf::readFile(good);
    QVERIFY(r.ok);
    QCOMPARE(r.document.plainText(), QStringLiteral("Fine."));
}

void TestHelp::htmlKeepsFormattingAndEscapesText()
{
    const Rtf::Document d = read("{\\rtf1\\pard\\fs40\\b Heading <1> & co\\par"
                                 "\\pard\\plain plain {\\i ital}\\par"
                                 "\\pard{\\pntext\\bullet\\tab}one\\par"
                                 "\\pard{\\pntext\\bullet\\tab}two\\par"
                                 "\\pard end\\par}");
    QTextDocument doc;
    doc.setHtml(Rtf::toHtml(d));
    QCOMPARE(doc.blockCount(), 5);
    const QTextBlock heading = doc.firstBlock();
    QCOMPARE(heading.text(), QStringLiteral("Heading <1> & co"));
    const QTextCharFormat hf = heading.begin().fragment().charFormat();
    QCOMPARE(hf.fontWeight(), int(QFont::Bold));
    QCOMPARE(hf.fontPointSize(), 20.0);

    const QTextBlock plain = heading.next();
    QCOMPARE(plain.text(), QStringLiteral("plain ital"));
    bool sawItalic = false;
    for (auto it = plain.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        QCOMPARE(f.charFormat().fontItalic(), f.text() == QStringLiteral("ital"));
        QVERIFY(f.charFormat().fontWeight() != int(QFont::Bold));
        sawItalic |= f.text() == QStringLiteral("ital");
    }
    QVERIFY(sawItalic);

    // the two bulleted paragraphs are items of one list, the others are not in a list
    const QTextBlock one = plain.next();
    const QTextBlock two = one.next();
    QCOMPARE(one.text(), QStringLiteral("one"));
    QVERIFY(one.textList() != nullptr);
    QCOMPARE(one.textList(), two.textList());
    QCOMPARE(one.textList()->count(), 2);
    QVERIFY(heading.textList() == nullptr);
    QVERIFY(two.next().textList() == nullptr);
}

void TestHelp::shippedGuideIsARealGuide()
{
    const QString path = QStringLiteral(VOSPAN_BUILD_DIR "/mdb/VOSPAN-EN.1.1.rtf");
    const Rtf::Result r = Rtf::readFile(path);
    QVERIFY2(r.ok, qPrintable(r.error));
    const QString text = r.document.plainText();
    for (const char *topic : {"Opening a database", "Choosing the thesauri", "Aligning concepts", "Searching",
                              "Reviewing relations", "Exporting", "Merging", "Deleting", "exactMatch", "broadMatch",
                              "narrowMatch", "Keyboard shortcuts", "Ctrl+O"})
        QVERIFY2(text.contains(QLatin1String(topic)), topic);
    // nothing of the font or colour tables leaks into the text, and no markup is left
    QVERIFY(!text.contains(QStringLiteral("Arial")));
    QVERIFY(!text.contains(QLatin1Char('\\')));
    QVERIFY(!text.contains(QLatin1Char('{')));

    int headings = 0, bullets = 0, boldInBody = 0;
    for (const Rtf::Paragraph &p : r.document.paragraphs) {
        if (p.bullet)
            ++bullets;
        if (!p.runs.isEmpty() && p.runs.first().bold && p.runs.first().halfPoints >= 28)
            ++headings;
        for (const Rtf::Run &run : p.runs)
            if (run.bold && run.halfPoints < 28)
                ++boldInBody;
    }
    QVERIFY(headings >= 10);
    QVERIFY(bullets >= 10);
    QVERIFY(boldInBody >= 10);
}

void TestHelp::helpWindowShowsTheGuideAfreshEachTime()
{
    TestDb folder;
    mdlUtil::setCartellaApplicazione(folder.folder());
    writeGuide(folder.folder(), "{\\rtf1 First edition of the guide.\\par}");
    {
        frmHelp help;
        QCOMPARE(help.windowTitle(), QStringLiteral("Online help"));
        QVERIFY(help.guideLoaded());
        QCOMPARE(guideText(help), QStringLiteral("First edition of the guide."));
        const auto *label = help.findChild<QLabel *>(QStringLiteral("Label1"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral(" *** Printing version is VOSPAN-EN.pdf in application folder ***"));
        const auto *close = help.findChild<QPushButton *>(QStringLiteral("cmdChiudiFinestra"));
        QVERIFY(close);
        QCOMPARE(close->toolTip(), QStringLiteral("Exit help"));
        QVERIFY(help.findChild<QTextBrowser *>(QStringLiteral("RichTextBox1"))->isReadOnly());
        QCOMPARE(help.size(), QSize(883, 506));
        QCOMPARE(help.minimumSize(), help.maximumSize());
    }
    writeGuide(folder.folder(), "{\\rtf1 Second edition.\\par}");
    frmHelp again;
    QCOMPARE(guideText(again), QStringLiteral("Second edition."));
    QCOMPARE(frmHelp::guidePath(), folder.folder() + QStringLiteral("/mdb/VOSPAN-EN.1.1.rtf"));
}

void TestHelp::helpWindowSaysWhenTheGuideIsMissingOrBroken()
{
    TestDb folder;
    mdlUtil::setCartellaApplicazione(folder.folder());
    {
        frmHelp help;
        QVERIFY(!help.guideLoaded());
        const QString shown = guideText(help);
        QCOMPARE(shown.count(QLatin1Char('\n')), 0);
        QVERIFY(shown.startsWith(QStringLiteral("The user guide cannot be shown: ")));
        QVERIFY(shown.contains(frmHelp::guidePath()));
        QVERIFY(shown.contains(QStringLiteral("does not exist")));
    }
    writeGuide(folder.folder(), QByteArray("\x89PNG\r\n\x1a\n garbage", 17));
    frmHelp broken;
    QVERIFY(!broken.guideLoaded());
    QVERIFY(guideText(broken).contains(QStringLiteral("cannot be read")));
}

void TestHelp::helpWindowIsModalAndClosesWithItsButton()
{
    mdlUtil::setCartellaApplicazione(QStringLiteral(VOSPAN_BUILD_DIR));
    for (int round = 0; round < 2; ++round) {
        QString seenName;
        QString seenText;
        bool seenModal = false;
        whenModal([&](QWidget *w) {
            if (!w)
                return;
            seenName = w->objectName();
            seenModal = w->isModal();
            seenText = guideText(*w);
            if (auto *b = w->findChild<QPushButton *>(QStringLiteral("cmdChiudiFinestra")))
                b->click();
        });
        showHelpWindow(nullptr);
        QCOMPARE(seenName, QStringLiteral("frmHelp"));
        QVERIFY(seenModal);
        QVERIFY(seenText.contains(QStringLiteral("narrowMatch")));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
}

void TestHelp::aboutWindowTexts()
{
    mdlUtil::setCartellaApplicazione(QStringLiteral(VOSPAN_BUILD_DIR));
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Vospan - Quendral"));
    QCOMPARE(about.size(), QSize(619, 386));
    QCOMPARE(about.palette().color(QPalette::Window), QColor(Qt::white));
    const QList<QPair<const char *, const char *>> labels = {
        {"lblProductName", "Vospan - Quendral"},
        {"Label2", "A tool for editorial activity thesauri alignment"},
        {"lblVersion", "Version 1.1"},
        {"lblPlatform", "Windows 2000/XP"}};
    for (const auto &[name, text] : labels) {
        const auto *l = about.findChild<QLabel *>(QLatin1String(name));
        QVERIFY2(l, name);
        QCOMPARE(l->text(), QLatin1String(text));
        QCOMPARE(l->font().family(), QStringLiteral("Arial"));
    }
    const auto *credits = about.findChild<QLabel *>(QStringLiteral("Label1"));
    QVERIFY(credits && !credits->text().isEmpty());
    for (const char *name : {"Line1", "Line2"}) {
        const auto *line = about.findChild<QFrame *>(QLatin1String(name));
        QVERIFY2(line, name);
        QCOMPARE(line->frameShape(), QFrame::HLine);
    }
    const auto *logo = about.findChild<QLabel *>(QStringLiteral("imgLogo"));
    QVERIFY(logo);
    QVERIFY(!logo->pixmap().isNull()); // the build draws the logo
    const auto *ok = about.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QVERIFY(ok);
    QCOMPARE(ok->toolTip(), QStringLiteral("Exit about"));
    QVERIFY(!ok->icon().isNull());
}

void TestHelp::aboutWindowIsModalAndClosesWithOK()
{
    TestDb empty; // a folder without pictures: the window still works
    mdlUtil::setCartellaApplicazione(empty.folder());
    QString seenTitle;
    QString okText;
    whenModal([&](QWidget *w) {
        if (!w)
            return;
        seenTitle = w->windowTitle();
        if (auto *b = w->findChild<QPushButton *>(QStringLiteral("cmdOK"))) {
            okText = b->text();
            b->click();
        }
    });
    showAboutWindow(nullptr);
    QCOMPARE(seenTitle, QStringLiteral("About Vospan - Quendral"));
    QCOMPARE(okText, QStringLiteral("OK")); // without its picture the button says what it does
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
