#include "help/rtfreader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cctype>
#include <climits>

namespace {

// Windows code page 1252: the bytes 0x80-0x9F differ from Latin-1.
QChar fromCp1252(uchar byte)
{
    static const char16_t high[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(high[byte - 0x80]);
    return QChar(byte);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Destinations whose content is not part of the visible text.
bool isSkippedDestination(const QByteArray &word)
{
    static const QList<QByteArray> skipped = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "header", "footer", "headerl", "headerr",
        "headerf", "footerl", "footerr", "footerf", "footnote", "listtable", "listoverridetable",
        "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
        "datastore", "object", "field", "fldinst", "bkmkstart", "bkmkend", "pn", "filetbl", "template"};
    return skipped.contains(word);
}

struct CharState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
};

struct GroupState
{
    CharState chars;
    int unicodeSkip = 1; // \uc: characters that follow \uN as its fallback
    bool skip = false;   // inside a destination that is not shown
    bool bulletText = false; // inside {\pntext ...}: the bullet's own text
};

class Parser
{
public:
    explicit Parser(const QByteArray &in) : m_in(in) {}

    Rtf::Result run()
    {
        Rtf::Result result;
        int start = 0;
        while (start < m_in.size() && isspace(uchar(m_in.at(start))))
            ++start;
        if (!m_in.mid(start, 5).startsWith("{\\rtf")) {
            result.error = QStringLiteral("it is not a rich text (RTF) document");
            return result;
        }
        m_pos = start;
        parse();
        flushParagraph(false);
        result.ok = true;
        result.document = m_doc;
        return result;
    }

private:
    void parse()
    {
        while (m_pos < m_in.size()) {
            const char c = m_in.at(m_pos);
            if (c == '{') {
                ++m_pos;
                m_stack.append(m_state);
                m_groupStart = true;
                continue;
            }
            if (c == '}') {
                ++m_pos;
                if (m_stack.isEmpty())
                    return; // the document's closing brace
                m_state = m_stack.takeLast();
                m_groupStart = false;
                if (m_stack.isEmpty())
                    return;
                continue;
            }
            if (c == '\\') {
                controlSequence();
                continue;
            }
            ++m_pos;
            if (c == '\r' || c == '\n')
                continue; // line breaks in the file are not part of the text
            m_groupStart = false;
            text(fromCp1252(uchar(c)));
        }
    }

    void controlSequence()
    {
        ++m_pos; // the backslash
        if (m_pos >= m_in.size())
            return;
        const char c = m_in.at(m_pos);
        if (!isalpha(uchar(c))) {
            ++m_pos;
            controlSymbol(c);
            m_groupStart = false;
            return;
        }
        QByteArray word;
        while (m_pos < m_in.size() && isalpha(uchar(m_in.at(m_pos))) && word.size() < 32)
            word += m_in.at(m_pos++);
        bool hasParam = false;
        int param = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in.at(m_pos) == '-') {
            negative = true;
            ++m_pos;
        }
        qint64 value = 0;
        while (m_pos < m_in.size() && isdigit(uchar(m_in.at(m_pos)))) {
            hasParam = true;
            value = qMin<qint64>(value * 10 + (m_in.at(m_pos++) - '0'), INT_MAX); // out of range: held at the limit
        }
        param = int(negative ? -value : value);
        if (m_pos < m_in.size() && m_in.at(m_pos) == ' ')
            ++m_pos; // the delimiter belongs to the control word
        const bool first = m_groupStart;
        m_groupStart = false;
        controlWord(word, hasParam, param, first);
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            text(QChar(QLatin1Char(c)));
            break;
        case '~':
            text(QChar(0x00A0));
            break;
        case '_':
            text(QChar(0x2011));
            break;
        case '-':
            break; // optional hyphen: only shown where a line breaks
        case '*':
            m_state.skip = true; // an optional destination this reader does not know
            break;
        case '\'': {
            if (m_pos + 1 < m_in.size()) {
                const int hi = hexValue(m_in.at(m_pos));
                const int lo = hexValue(m_in.at(m_pos + 1));
                m_pos += 2;
                if (hi >= 0 && lo >= 0)
                    text(fromCp1252(uchar(hi * 16 + lo)));
            }
            break;
        }
        case '\r':
        case '\n':
            newParagraph(); // a backslash before a line break is a \par
            break;
        default:
            break;
        }
    }

    void controlWord(const QByteArray &w, bool hasParam, int param, bool firstInGroup)
    {
        if (firstInGroup && isSkippedDestination(w)) {
            m_state.skip = true;
            return;
        }
        if (m_state.skip || m_state.bulletText)
            return; // nothing inside a hidden destination or a bullet's text changes the document
        if (w == "pntext" || w == "listtext") {
            m_state.bulletText = true;
            m_paragraph.bullet = true;
            return;
        }
        if (const QChar c = specialCharacter(w); !c.isNull()) {
            text(c);
            return;
        }
        // Each acts on its own words only.
        paragraphWord(w, param);
        characterWord(w, hasParam, param);
        unicodeWord(w, hasParam, param);
    }

    // The character a control word stands for; a null QChar for other words.
    static QChar specialCharacter(const QByteArray &w)
    {
        static const struct {
            const char *word;
            char16_t character;
        } characters[] = {{"line", u'\n'},       {"tab", u'\t'},         {"bullet", 0x2022},    {"emdash", 0x2014},
                          {"endash", 0x2013},    {"lquote", 0x2018},     {"rquote", 0x2019},    {"ldblquote", 0x201C},
                          {"rdblquote", 0x201D}, {"emspace", u' '},      {"enspace", u' '}};
        for (const auto &c : characters)
            if (w == c.word)
                return QChar(c.character);
        return {};
    }

    // \par, \pard and the paragraph's indent, spacing and alignment.
    void paragraphWord(const QByteArray &w, int param)
    {
        if (w == "par") {
            newParagraph();
        } else if (w == "pard") {
            m_paragraph.bullet = false;
            m_paragraph.leftIndent = 0;
            m_paragraph.spaceBefore = 0;
            m_paragraph.spaceAfter = 0;
            m_paragraph.align = Rtf::Align::Left;
        } else if (w == "li") {
            m_paragraph.leftIndent = qMax(0, param);
        } else if (w == "sb") {
            m_paragraph.spaceBefore = qMax(0, param);
        } else if (w == "sa") {
            m_paragraph.spaceAfter = qMax(0, param);
        } else if (w == "ql") {
            m_paragraph.align = Rtf::Align::Left;
        } else if (w == "qc") {
            m_paragraph.align = Rtf::Align::Centre;
        } else if (w == "qr") {
            m_paragraph.align = Rtf::Align::Right;
        } else if (w == "qj") {
            m_paragraph.align = Rtf::Align::Justify;
        }
    }

    // Bold, italic, underline and size; \plain resets them.
    void characterWord(const QByteArray &w, bool hasParam, int param)
    {
        const bool on = !hasParam || param != 0;
        if (w == "plain") {
            m_state.chars = CharState();
        } else if (w == "b") {
            m_state.chars.bold = on;
        } else if (w == "i") {
            m_state.chars.italic = on;
        } else if (w == "ul") {
            m_state.chars.underline = on;
        } else if (w == "ulnone") {
            m_state.chars.underline = false;
        } else if (w == "fs" && hasParam && param > 0) {
            m_state.chars.halfPoints = param;
        }
    }

    // \u, a character by its code, and \uc, how many fallback characters follow it.
    void unicodeWord(const QByteArray &w, bool hasParam, int param)
    {
        if (!hasParam)
            return;
        if (w == "uc" && param >= 0) {
            m_state.unicodeSkip = param;
        } else if (w == "u") {
            // \u takes a signed 16-bit value; characters above U+7FFF come negative.
            const char16_t unit = char16_t(param < 0 ? param + 65536 : param);
            text(QChar(unit));
            skipFallback(m_state.unicodeSkip);
        }
    }

    // After \uN the writer puts N characters for readers without Unicode; a
    // \'hh escape counts as one, a group or a brace ends the fallback.
    void skipFallback(int count)
    {
        while (count > 0 && m_pos < m_in.size()) {
            const char c = m_in.at(m_pos);
            if (c == '{' || c == '}')
                return;
            if (c == '\\') {
                if (m_pos + 1 < m_in.size() && m_in.at(m_pos + 1) == '\'') {
                    m_pos += 4;
                } else if (m_pos + 1 < m_in.size() && !isalpha(uchar(m_in.at(m_pos + 1)))) {
                    m_pos += 2;
                } else {
                    return; // a control word is never a fallback character
                }
            } else if (c == '\r' || c == '\n') {
                ++m_pos;
                continue;
            } else {
                ++m_pos;
            }
            --count;
        }
    }

    void text(QChar c)
    {
        if (m_state.skip || m_state.bulletText)
            return;
        const Rtf::Run format{QString(), m_state.chars.bold, m_state.chars.italic, m_state.chars.underline,
                              m_state.chars.halfPoints};
        if (m_paragraph.runs.isEmpty() || !m_paragraph.runs.last().sameFormat(format))
            m_paragraph.runs.append(format);
        m_paragraph.runs.last().text += c;
    }

    void newParagraph()
    {
        if (m_state.skip || m_state.bulletText)
            return;
        flushParagraph(true);
    }

    // Ends the paragraph being read.  Its properties carry over to the next
    // one until \pard, as in RTF; the bullet belongs to one paragraph only.
    void flushParagraph(bool evenIfEmpty)
    {
        if (!evenIfEmpty && m_paragraph.runs.isEmpty())
            return;
        m_doc.paragraphs.append(m_paragraph);
        m_paragraph.runs.clear();
        m_paragraph.bullet = false;
    }

    const QByteArray &m_in;
    int m_pos = 0;
    bool m_groupStart = false;
    GroupState m_state;
    QList<GroupState> m_stack;
    Rtf::Paragraph m_paragraph;
    Rtf::Document m_doc;
};

QString escaped(const QString &s)
{
    QString out = s.toHtmlEscaped();
    out.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
    return out;
}

QString runHtml(const Rtf::Run &run)
{
    QStringList style;
    if (run.bold)
        style << QStringLiteral("font-weight:bold");
    if (run.italic)
        style << QStringLiteral("font-style:italic");
    if (run.underline)
        style << QStringLiteral("text-decoration:underline");
    style << QStringLiteral("font-size:%1pt").arg(run.halfPoints / 2.0);
    return QStringLiteral("<span style=\"%1\">%2</span>").arg(style.join(QLatin1Char(';')), escaped(run.text));
}

QString paragraphStyle(const Rtf::Paragraph &p, bool inList)
{
    QStringList style;
    style << QStringLiteral("white-space:pre-wrap");
    style << QStringLiteral("margin-top:%1px").arg(p.spaceBefore / 15);
    style << QStringLiteral("margin-bottom:%1px").arg(p.spaceAfter / 15);
    if (!inList)
        style << QStringLiteral("margin-left:%1px").arg(p.leftIndent / 15);
    switch (p.align) {
    case Rtf::Align::Left:
        break;
    case Rtf::Align::Centre:
        style << QStringLiteral("text-align:center");
        break;
    case Rtf::Align::Right:
        style << QStringLiteral("text-align:right");
        break;
    case Rtf::Align::Justify:
        style << QStringLiteral("text-align:justify");
        break;
    }
    return style.join(QLatin1Char(';'));
}

} // namespace

QString Rtf::Paragraph::text() const
{
    QString out;
    for (const Run &r : runs)
        out += r.text;
    return out;
}

QString Rtf::Document::plainText() const
{
    QStringList lines;
    for (const Paragraph &p : paragraphs)
        lines << p.text();
    return lines.join(QLatin1Char('\n'));
}

Rtf::Result Rtf::parse(const QByteArray &rtf)
{
    return Parser(rtf).run();
}

Rtf::Result Rtf::readFile(const QString &path)
{
    Result result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("the file %1 does not exist").arg(path);
        return result;
    }
    if (!info.isFile()) {
        result.error = QStringLiteral("%1 is not a file").arg(path);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("the file %1 cannot be opened: %2").arg(path, file.errorString());
        return result;
    }
    result = parse(file.readAll());
    if (!result.ok)
        result.error = QStringLiteral("the file %1 cannot be read: %2").arg(path, result.error);
    return result;
}

QString Rtf::toHtml(const Document &document)
{
    QString html = QStringLiteral("<html><body>");
    bool inList = false;
    for (const Paragraph &p : document.paragraphs) {
        if (p.bullet && !inList) {
            html += QStringLiteral("<ul>");
            inList = true;
        } else if (!p.bullet && inList) {
            html += QStringLiteral("</ul>");
            inList = false;
        }
        QString body;
        for (const Run &r : p.runs)
            body += runHtml(r);
        if (body.isEmpty())
            body = QStringLiteral("&nbsp;");
        const QString tag = p.bullet ? QStringLiteral("li") : QStringLiteral("p");
        html += QStringLiteral("<%1 style=\"%2\">%3</%1>").arg(tag, paragraphStyle(p, p.bullet), body);
    }
    if (inList)
        html += QStringLiteral("</ul>");
    html += QStringLiteral("</body></html>");
    return html;
}
