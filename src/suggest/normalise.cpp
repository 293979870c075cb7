#include "suggest/normalise.h"

#include <QSet>
#include <algorithm>
#include <vector>

namespace Normalise {

namespace {

bool endsWith(const QString &w, const char *suffix)
{
    return w.endsWith(QLatin1String(suffix));
}

bool isVowel(QChar c)
{
    return QStringView(u"aeiouy").contains(c);
}

// Takes a suffix off when at least `keep` letters remain.
bool strip(QString &w, const char *suffix, int keep, const char *replacement = "")
{
    const auto n = static_cast<int>(qstrlen(suffix));
    if (!endsWith(w, suffix) || w.size() - n < keep)
        return false;
    w.chop(n);
    w += QLatin1String(replacement);
    return true;
}

// English: Harman's "S" stemmer (ies -> y, es -> e, s -> nothing, with its
// exceptions), then a final e, so that "boxes", "box", "cave" and "caves" meet.
void stemEnglish(QString &w)
{
    if (endsWith(w, "ies") && !endsWith(w, "eies") && !endsWith(w, "aies"))
        strip(w, "ies", 2, "y");
    else if (endsWith(w, "s") && !endsWith(w, "us") && !endsWith(w, "ss") && !endsWith(w, "is"))
        strip(w, "s", 3); // "es -> e" and "s -> nothing" both take the final s off
    strip(w, "isation", 2, "ization");
    strip(w, "e", 3);
}

void stemFrench(QString &w)
{
    if (endsWith(w, "eaux"))
        w.chop(1);
    else if (!strip(w, "aux", 3, "al") && (endsWith(w, "s") || endsWith(w, "x")))
        strip(w, endsWith(w, "s") ? "s" : "x", 3);
    strip(w, "e", 3); // the feminine and mute e
}

// Spanish and Portuguese: the plural, then the final vowel of gender.
void stemIberian(QString &w, bool portuguese)
{
    if (portuguese && (strip(w, "oes", 2, "ao") || strip(w, "aes", 2, "ao") || strip(w, "ais", 2, "al")))
        return;
    if (endsWith(w, "es") && w.size() > 4 && !isVowel(w.at(w.size() - 3)))
        w.chop(2);
    else
        strip(w, "s", 3);
    if (w.size() > 4 && QStringView(u"aeo").contains(w.back()))
        w.chop(1);
}

void stemItalian(QString &w)
{
    if (strip(w, "che", 3, "c") || strip(w, "chi", 3, "c") || strip(w, "ghe", 3, "g") || strip(w, "ghi", 3, "g"))
        return;
    if (w.size() > 4 && QStringView(u"aeio").contains(w.back()))
        w.chop(1);
}

void stemGerman(QString &w)
{
    for (const char *suffix : {"ern", "en", "er", "es", "em", "e", "s", "n"})
        if (strip(w, suffix, 4))
            return;
}

void stemDutch(QString &w)
{
    if (!strip(w, "en", 4))
        strip(w, "s", 4);
}

const QSet<QString> &stopWords(QStringView lang)
{
    auto make = [](const char *words) {
        QSet<QString> set;
        for (const QString &w : QString::fromLatin1(words).split(QLatin1Char(' ')))
            set.insert(w);
        return set;
    };
    static const QSet<QString> en = make("a an and as at by for from in into of on or the to with");
    static const QSet<QString> fr = make("a au aux d dans de des du en et l la le les ou par pour sur un une");
    static const QSet<QString> de =
        make("am an auf aus bei das dem den der des die durch ein eine einem einen einer eines fur im in mit "
             "oder und vom von zu zum zur");
    static const QSet<QString> es = make("a al con de del el en la las los o para por un una y");
    static const QSet<QString> pt = make("a ao as com da das de do dos e em na nas no nos o os para por um uma");
    static const QSet<QString> it =
        make("a ad al alla alle con da dal dei del della delle di e gli i il in la le lo nel nella o per su un una");
    static const QSet<QString> nl = make("de den der een en het in met of op te van voor");
    static const QSet<QString> none;
    if (lang == u"en")
        return en;
    if (lang == u"fr")
        return fr;
    if (lang == u"de")
        return de;
    if (lang == u"es")
        return es;
    if (lang == u"pt")
        return pt;
    if (lang == u"it")
        return it;
    if (lang == u"nl")
        return nl;
    return none;
}

// Splits folded text into words: runs of letters and digits.
void splitWords(const QString &text, QStringList &out)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool inWord = i < text.size() && text.at(i).isLetterOrNumber();
        if (inWord && start < 0)
            start = i;
        else if (!inWord && start >= 0) {
            out << text.mid(start, i - start);
            start = -1;
        }
    }
}

const QSet<QString> &prepositions(QStringView lang)
{
    static const QSet<QString> en = {QStringLiteral("of"), QStringLiteral("for"), QStringLiteral("in"),
                                     QStringLiteral("on"), QStringLiteral("from"), QStringLiteral("with"),
                                     QStringLiteral("to"), QStringLiteral("by"), QStringLiteral("at"),
                                     QStringLiteral("into")};
    static const QSet<QString> de = {QStringLiteral("von"), QStringLiteral("vom"), QStringLiteral("fur"),
                                     QStringLiteral("mit"), QStringLiteral("aus"), QStringLiteral("zu"),
                                     QStringLiteral("zum"), QStringLiteral("zur"), QStringLiteral("im"),
                                     QStringLiteral("in"), QStringLiteral("bei"), QStringLiteral("auf"),
                                     QStringLiteral("durch")};
    static const QSet<QString> nl = {QStringLiteral("van"), QStringLiteral("voor"), QStringLiteral("met"),
                                     QStringLiteral("in"), QStringLiteral("op"), QStringLiteral("uit")};
    static const QSet<QString> none;
    return lang == u"en" ? en : lang == u"de" ? de : lang == u"nl" ? nl : none;
}

} // namespace

HeadPosition headPosition(QStringView lang)
{
    static const QSet<QString> last = {QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("nl"),
                                       QStringLiteral("sv"), QStringLiteral("da"), QStringLiteral("no"),
                                       QStringLiteral("nb"), QStringLiteral("nn"), QStringLiteral("is"),
                                       QStringLiteral("fi"), QStringLiteral("et"), QStringLiteral("hu")};
    static const QSet<QString> first = {QStringLiteral("fr"), QStringLiteral("es"), QStringLiteral("it"),
                                        QStringLiteral("pt"), QStringLiteral("ro"), QStringLiteral("ca"),
                                        QStringLiteral("gl")};
    const QString code = lang.toString();
    return last.contains(code) ? HeadPosition::Last : first.contains(code) ? HeadPosition::First : HeadPosition::Unknown;
}

bool isPreposition(QStringView word, QStringView lang)
{
    return prepositions(lang).contains(word.toString());
}

QString language(QStringView tag)
{
    const qsizetype dash = tag.indexOf(QLatin1Char('-'));
    return (dash >= 0 ? tag.left(dash) : tag).toString().toLower();
}

QString fold(QStringView text)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            continue;
        default:
            break;
        }
        switch (c.unicode()) {
        case 0x00DF: case 0x1E9E: out += QLatin1String("ss"); break; // ß, capital ß
        case 0x00C6: case 0x00E6: out += QLatin1String("ae"); break;
        case 0x0152: case 0x0153: out += QLatin1String("oe"); break;
        case 0x00D8: case 0x00F8: out += QLatin1Char('o'); break;
        case 0x0141: case 0x0142: out += QLatin1Char('l'); break;
        case 0x0110: case 0x0111: out += QLatin1Char('d'); break;
        case 0x00DE: case 0x00FE: out += QLatin1String("th"); break;
        case 0x0131: out += QLatin1Char('i'); break; // dotless i
        default: out += c; break;
        }
    }
    return out.toCaseFolded();
}

QString stem(const QString &word, QStringView lang)
{
    if (word.size() <= 3)
        return word;
    for (const QChar c : word)
        if (c.isDigit())
            return word; // codes and years stay as they are
    QString w = word;
    if (lang == u"en")
        stemEnglish(w);
    else if (lang == u"fr")
        stemFrench(w);
    else if (lang == u"es")
        stemIberian(w, false);
    else if (lang == u"pt")
        stemIberian(w, true);
    else if (lang == u"it")
        stemItalian(w);
    else if (lang == u"de")
        stemGerman(w);
    else if (lang == u"nl")
        stemDutch(w);
    else if (lang.isEmpty() && endsWith(w, "s") && !endsWith(w, "ss") && !endsWith(w, "us") && !endsWith(w, "is"))
        w.chop(1); // no language: only the plural s most Latin-script languages share
    return w;
}

bool isStopWord(QStringView word, QStringView lang)
{
    return stopWords(lang).contains(word.toString());
}

namespace {

// A label parted into its main text and its bracketed qualifiers:
// "Publication (process)", "Hallstattzeit (Mitteleuropa)".
void splitQualifier(const QString &label, QString &main, QString &qualifier)
{
    int depth = 0;
    for (const QChar c : label) {
        if (c == QLatin1Char('(') || c == QLatin1Char('[')) {
            if (depth++ == 0 && !qualifier.isEmpty())
                qualifier += QLatin1Char(' ');
            continue;
        }
        if ((c == QLatin1Char(')') || c == QLatin1Char(']')) && depth > 0) {
            --depth;
            continue;
        }
        (depth > 0 ? qualifier : main) += c;
    }
}

// German writes an umlaut as the vowel and e where the letter is missing
// (Paläolithikum, Palaeolithikum): fold it that way, which also brings German
// words nearer to their cognates.
void foldUmlauts(QString &text)
{
    for (const auto &[from, to] : {std::pair{u'ä', "ae"}, {u'ö', "oe"}, {u'ü', "ue"}, {u'Ä', "Ae"}, {u'Ö', "Oe"}, {u'Ü', "Ue"}})
        text.replace(QChar(from), QLatin1String(to));
}

// The position of a phrase's head among its `count` content words, by the
// language's word order; `unknown` when that order is not known.
int headIndex(QStringView lang, int count, int beforePreposition, int unknown)
{
    switch (headPosition(lang)) {
    case HeadPosition::Last:
        // "hazardous waste": waste; "incineration of waste": incineration.
        return beforePreposition > 0 ? beforePreposition - 1 : count - 1;
    case HeadPosition::First:
        return 0; // "déchets dangereux", "organisation de communication"
    case HeadPosition::Unknown:
        break;
    }
    return unknown;
}

} // namespace

Analysis analyse(const QString &label, QStringView lang)
{
    Analysis a;
    QString main;
    QString qualifier;
    splitQualifier(label, main, qualifier);
    QStringList raw;
    if (lang == u"de")
        foldUmlauts(main);
    splitWords(fold(main), raw);
    a.qualifier = fold(qualifier).simplified();
    if (raw.isEmpty())
        splitWords(a.qualifier, raw); // the whole label was in brackets
    QStringList content;
    int beforePreposition = -1; // content words before the first preposition
    for (const QString &w : raw) {
        if (!isStopWord(w, lang))
            content << w;
        else if (beforePreposition < 0 && isPreposition(w, lang))
            beforePreposition = static_cast<int>(content.size());
    }
    const QStringList &kept = content.isEmpty() ? raw : content;
    a.words.reserve(kept.size());
    for (const QString &w : kept)
        a.words << stem(w, lang);
    a.surface = kept;
    if (!content.isEmpty())
        a.head = headIndex(lang, static_cast<int>(content.size()), beforePreposition, a.head);
    return a;
}

QString key(QStringList words)
{
    std::sort(words.begin(), words.end());
    return words.join(QLatin1Char(' '));
}

QString compact(const QStringList &words)
{
    return words.join(QString());
}

double editSimilarity(QStringView a, QStringView b)
{
    if (a == b)
        return 1.0;
    const qsizetype n = a.size(), m = b.size();
    if (n == 0 || m == 0)
        return 0.0;
    std::vector<int> prev(static_cast<std::size_t>(m) + 1), cur(static_cast<std::size_t>(m) + 1);
    for (qsizetype j = 0; j <= m; ++j)
        prev[static_cast<std::size_t>(j)] = static_cast<int>(j);
    for (qsizetype i = 1; i <= n; ++i) {
        cur[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= m; ++j) {
            const auto J = static_cast<std::size_t>(j);
            const int sub = prev[J - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            cur[J] = std::min({prev[J] + 1, cur[J - 1] + 1, sub});
        }
        std::swap(prev, cur);
    }
    return 1.0 - static_cast<double>(prev[static_cast<std::size_t>(m)]) / static_cast<double>(std::max(n, m));
}

} // namespace Normalise
