#include "suggest/matcher.h"

#include "data/cConnessione.h"
#include "data/ids.h"
#include "suggest/decisions.h"
#include "suggest/normalise.h"

#include <QSqlQuery>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace Suggest {

namespace {

enum Kind : quint8 { Pref = 0, Alt = 1, Hidden = 2 };
enum Rel : quint8 { RelExact = 0, RelBroad = 1, RelNarrow = 2 };

constexpr int ShortlistSize = 40;  // target concepts compared in full per source concept
constexpr int MaxLanguages = 64;   // languages told apart for agreement (a bit mask)
constexpr int CognatePrefix = 5;   // letters two cognates must at least begin with alike

quint64 pairKey(qint32 a, qint32 b)
{
    return (static_cast<quint64>(static_cast<quint32>(a)) << 32) | static_cast<quint32>(b);
}

quint64 mix(quint64 h, quint64 v)
{
    // FNV-1a over 64-bit values, then a final avalanche in finish().
    h ^= v + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    return h;
}

// Hashes are kept in 32 bits; an equality they suggest is checked on the words.
quint32 fold32(quint64 h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    return static_cast<quint32>(h);
}

quint64 hashText(QStringView s)
{
    quint64 h = 1469598103934665603ULL;
    for (const QChar c : s) {
        h ^= c.unicode();
        h *= 1099511628211ULL;
    }
    return h;
}

// Texts stored end to end, addressed by number.
struct Pool
{
    QString chars;
    QVector<int> start{0};

    int add(QStringView s)
    {
        chars += s;
        start.append(static_cast<int>(chars.size()));
        return static_cast<int>(start.size()) - 2;
    }
    QStringView at(int i) const { return QStringView(chars).mid(start.at(i), start.at(i + 1) - start.at(i)); }
    std::size_t bytes() const
    {
        return static_cast<std::size_t>(chars.capacity()) * 2 + static_cast<std::size_t>(start.capacity()) * 4;
    }
    void squeeze()
    {
        chars.squeeze();
        start.squeeze();
    }
};

// Texts only shown or compared now and then (names, URIs, labels as
// written), kept as UTF-8, which halves them for the scripts of Europe.
struct TextPool
{
    QByteArray chars;
    QVector<int> start{0};

    int add(const QString &s)
    {
        chars += s.toUtf8();
        start.append(static_cast<int>(chars.size()));
        return static_cast<int>(start.size()) - 2;
    }
    QByteArrayView bytesAt(int i) const
    {
        return QByteArrayView(chars).sliced(start.at(i), start.at(i + 1) - start.at(i));
    }
    QString at(int i) const { return QString::fromUtf8(bytesAt(i)); }
    std::size_t bytes() const
    {
        return static_cast<std::size_t>(chars.capacity()) + static_cast<std::size_t>(start.capacity()) * 4;
    }
    void squeeze()
    {
        chars.squeeze();
        start.squeeze();
    }
};

struct LabelRec
{
    int owner = 0;     // concept index on its side
    int firstWord = 0; // into Side::words
    int text = 0;      // into Side::texts
    float weight = 0;  // sum of the rarity weights of its words
    quint32 key = 0;   // hash of its sorted words
    quint32 compact = 0; // hash of its words joined
    quint16 lang = 0;  // into Data::langs
    quint8 wordCount = 0;
    quint8 kind = Pref;
    qint8 head = -1;   // position of the phrase's head among its words, -1 when unknown
};
static_assert(sizeof(LabelRec) <= 32, "one label record in half a cache line");

template<typename T>
std::size_t vbytes(const QVector<T> &v)
{
    return static_cast<std::size_t>(v.capacity()) * sizeof(T);
}

struct Side
{
    QVector<qint32> ids;
    QHash<qint32, int> index;
    QVector<quint8> leaf;
    QVector<int> parent; // tree parent's index, -1 for none or outside the scope
    TextPool dex, uri, texts;
    QVector<int> broaderStart{0}, broader; // per concept, indices on this side
    QVector<int> labelStart;               // per concept, into labels
    QVector<LabelRec> labels;
    QVector<int> words;
    QVector<quint64> langMask;             // languages of its labels (first 64 languages)
    QVector<int> postStart, post;          // per word id: labels that hold it
    std::vector<std::pair<quint32, int>> compacts; // sorted: compact form -> label
    // Words of five letters or more that this side uses, by their first and
    // last two letters (spelling variants keep both), shortest first.
    QHash<quint64, QVector<int>> byAffixes;
    // The same words by their first five letters (cognates across languages).
    QHash<quint64, QVector<int>> byPrefix;

    int count() const { return static_cast<int>(ids.size()); }
    int postings(int word) const { return postStart.at(word + 1) - postStart.at(word); }
    std::size_t bytes() const
    {
        return vbytes(ids) + static_cast<std::size_t>(index.capacity()) * 24 + vbytes(leaf) + vbytes(parent)
               + dex.bytes() + uri.bytes() + texts.bytes() + vbytes(broaderStart) + vbytes(broader)
               + vbytes(labelStart) + vbytes(labels) + vbytes(words) + vbytes(langMask) + vbytes(postStart)
               + vbytes(post) + compacts.capacity() * sizeof(compacts[0])
               + static_cast<std::size_t>(byAffixes.capacity() + byPrefix.capacity()) * 40
               + static_cast<std::size_t>(byAffixes.size() + byPrefix.size()) * 16;
    }
};

struct Near
{
    int word;
    float similarity;
    bool otherLanguageOnly; // a cognate by its beginning ("byzantinisch", "byzantine"): only across languages
};

// One label pair that shares words, found through the index.
struct Touch
{
    int a;        // label on the asking side
    int b;        // label on the other side
    float approx; // a quick estimate of their similarity
};

struct LabelMatch
{
    double sim = 0;
    Rel rel = RelExact;
    bool equal = false;
    bool spelling = false; // the labels are near spellings of each other, not word for word
    bool otherHead = false; // the labels share words but not the head of their phrases
};

struct PairScore
{
    int target = -1;      // index on the target side
    double lexical = 0;   // labels and languages
    double score = 0;     // after structure and the closer-match check
    Rel rel = RelExact;
    int bestA = -1, bestB = -1; // the best label pair
    LabelMatch best;
    quint64 agreeMask = 0, disagreeMask = 0;
};

struct ParentTarget
{
    int parent;  // source index of the broader concept
    int target;  // target index
    double confidence;
    bool stored; // a stored relation, not a candidate
};

QString kindName(quint8 kind)
{
    switch (kind) {
    case Alt: return QStringLiteral("altLabel");
    case Hidden: return QStringLiteral("hiddenLabel");
    default: return QStringLiteral("prefLabel");
    }
}

QString two(double v)
{
    return QString::number(v, 'f', 2);
}

QString quoted(QStringView s)
{
    return QLatin1Char('\'') + s.toString() + QLatin1Char('\'');
}

} // namespace

struct Matcher::Data
{
    Scope scope;
    Weights w;
    int project = 0;
    Side src, trg;
    QStringList langs; // lower-case codes; "" for labels without language
    QHash<QString, int> wordId;
    Pool wordText;
    QVector<float> idf;
    QSet<quint64> excluded;                 // rejected or already stored pairs (concept ids)
    QHash<int, QVector<int>> exactOfSource; // source index -> target indices it is mapped to exactly
    QHash<int, int> exactOfTarget;          // target index -> source index mapped to it exactly

    // Caches filled as suggestions are asked for (the matcher serves one thread).
    mutable QHash<int, QVector<Near>> nearOnTarget, nearOnSource;
    mutable QHash<int, std::pair<int, double>> bestSourceOfTarget; // target -> (source, lexical score)
    mutable QHash<int, std::pair<int, double>> bestTargetOfSource; // source -> (target, lexical score)
    mutable std::vector<float> accumulator;
    mutable std::vector<int> touched;

    float weightOf(int word) const { return idf.at(word); }
    int langBit(int lang) const { return lang < MaxLanguages && !langs.at(lang).isEmpty() ? lang : -1; }

    // ---- index building -------------------------------------------------

    int word(const QString &text)
    {
        auto it = wordId.constFind(text);
        if (it != wordId.constEnd())
            return *it;
        const int id = wordText.add(text);
        wordId.insert(text, id);
        return id;
    }

    int language(const QString &tag)
    {
        const QString code = Normalise::language(tag);
        qsizetype i = langs.indexOf(code);
        if (i < 0) {
            langs << code;
            i = langs.size() - 1;
        }
        return static_cast<int>(i);
    }

    void addLabel(Side &side, int conceptId, quint8 kind, int lang, const QString &text)
    {
        const Normalise::Analysis a = Normalise::analyse(text, langs.at(lang));
        if (a.words.isEmpty())
            return;
        LabelRec l;
        l.owner = conceptId;
        l.kind = kind;
        l.lang = static_cast<quint16>(lang);
        l.text = side.texts.add(text);
        l.firstWord = static_cast<int>(side.words.size());
        l.wordCount = static_cast<quint8>(std::min<qsizetype>(a.words.size(), 0xFF));
        l.head = static_cast<qint8>(a.head >= 0 && a.head < l.wordCount && a.head < 0x7F ? a.head : -1);
        QVector<int> ids;
        for (int i = 0; i < l.wordCount; ++i) {
            const int id = word(a.words.at(i));
            side.words.append(id);
            ids.append(id);
        }
        std::sort(ids.begin(), ids.end());
        quint64 h = 7;
        for (int id : ids)
            h = mix(h, static_cast<quint64>(id));
        l.key = fold32(h);
        l.compact = fold32(hashText(Normalise::compact(a.words)));
        side.labels.append(l);
        const int bit = langBit(lang);
        if (bit >= 0)
            side.langMask[conceptId] |= quint64(1) << bit;
    }

    void finishSide(Side &side)
    {
        // Labels were appended concept by concept in reading order; sort them by concept.
        std::stable_sort(side.labels.begin(), side.labels.end(),
                         [](const LabelRec &x, const LabelRec &y) { return x.owner < y.owner; });
        side.labelStart.fill(0, side.count() + 1);
        for (const LabelRec &l : side.labels)
            ++side.labelStart[l.owner + 1];
        for (int i = 0; i < side.count(); ++i)
            side.labelStart[i + 1] += side.labelStart[i];
    }

    void weighWords()
    {
        const int vocabulary = static_cast<int>(wordText.start.size()) - 1;
        QVector<int> df(vocabulary, 0);
        QVector<int> seenBy(vocabulary, -1);
        int stamp = 0;
        for (Side *side : {&src, &trg}) {
            for (int c = 0; c < side->count(); ++c, ++stamp)
                for (int l = side->labelStart.at(c); l < side->labelStart.at(c + 1); ++l) {
                    const LabelRec &r = side->labels.at(l);
                    for (int k = 0; k < r.wordCount; ++k) {
                        const int id = side->words.at(r.firstWord + k);
                        if (seenBy.at(id) != stamp) {
                            seenBy[id] = stamp;
                            ++df[id];
                        }
                    }
                }
        }
        const double n = src.count() + trg.count();
        idf.resize(vocabulary);
        for (int i = 0; i < vocabulary; ++i)
            idf[i] = static_cast<float>(std::log(1.0 + n / std::max(1, df.at(i))));
        for (Side *side : {&src, &trg})
            for (LabelRec &r : side->labels) {
                float total = 0;
                for (int k = 0; k < r.wordCount; ++k)
                    total += idf.at(side->words.at(r.firstWord + k));
                r.weight = total;
            }
    }

    void indexSide(Side &side)
    {
        const int vocabulary = static_cast<int>(wordText.start.size()) - 1;
        side.postStart.fill(0, vocabulary + 1);
        for (const LabelRec &r : side.labels)
            for (int k = 0; k < r.wordCount; ++k)
                ++side.postStart[side.words.at(r.firstWord + k) + 1];
        for (int i = 0; i < vocabulary; ++i)
            side.postStart[i + 1] += side.postStart[i];
        side.post.resize(side.postStart.back());
        QVector<int> fill = side.postStart;
        for (int l = 0; l < side.labels.size(); ++l) {
            const LabelRec &r = side.labels.at(l);
            int previous = -1;
            for (int k = 0; k < r.wordCount; ++k) {
                const int id = side.words.at(r.firstWord + k);
                if (id == previous)
                    continue;
                previous = id;
                side.post[fill[id]++] = l;
            }
        }
        // Repeated words in one label leave unused slots at the end of a list: close them up.
        QVector<int> packed;
        packed.reserve(side.post.size());
        QVector<int> starts(vocabulary + 1, 0);
        for (int i = 0; i < vocabulary; ++i) {
            starts[i] = static_cast<int>(packed.size());
            for (int p = side.postStart.at(i); p < fill.at(i); ++p)
                packed.append(side.post.at(p));
        }
        starts[vocabulary] = static_cast<int>(packed.size());
        side.post = std::move(packed);
        side.postStart = std::move(starts);

        side.compacts.reserve(static_cast<std::size_t>(side.labels.size()));
        for (int l = 0; l < side.labels.size(); ++l)
            side.compacts.emplace_back(side.labels.at(l).compact, l);
        std::sort(side.compacts.begin(), side.compacts.end());

        for (int id = 0; id < vocabulary; ++id) {
            const QStringView text = wordText.at(id);
            if (side.postings(id) == 0 || text.size() < CognatePrefix)
                continue;
            side.byAffixes[affixKey(text)].append(id);
            side.byPrefix[hashText(text.left(CognatePrefix))].append(id);
        }
        for (QVector<int> &words : side.byAffixes)
            std::stable_sort(words.begin(), words.end(),
                             [this](int x, int y) { return wordText.at(x).size() < wordText.at(y).size(); });
        side.byAffixes.squeeze();
        side.byPrefix.squeeze();
        squeeze(side);
    }

    // Growth leaves arrays up to twice the size they need: give it back.
    static void squeeze(Side &side)
    {
        side.ids.squeeze();
        side.leaf.squeeze();
        side.parent.squeeze();
        side.dex.squeeze();
        side.uri.squeeze();
        side.texts.squeeze();
        side.broaderStart.squeeze();
        side.broader.squeeze();
        side.labelStart.squeeze();
        side.labels.squeeze();
        side.words.squeeze();
        side.langMask.squeeze();
        side.postStart.squeeze();
        side.post.squeeze();
        side.compacts.shrink_to_fit();
    }

    // The first two and the last two letters of a word of four or more.
    static quint64 affixKey(QStringView w)
    {
        const qsizetype n = w.size();
        return (quint64(w[0].unicode()) << 48) | (quint64(w[1].unicode()) << 32) | (quint64(w[n - 2].unicode()) << 16)
               | w[n - 1].unicode();
    }

    // ---- matching -------------------------------------------------------

    // Words of the other side that are the word itself or a near spelling of it.
    const QVector<Near> &near(int word, const Side &other) const
    {
        auto &cache = &other == &trg ? nearOnTarget : nearOnSource;
        auto it = cache.constFind(word);
        if (it != cache.constEnd())
            return *it;
        QVector<Near> found;
        if (other.postings(word) > 0)
            found.append({word, 1.0f, false});
        if (wordText.at(word).size() >= 5) {
            addNearSpellings(word, other, found);
            addCognates(word, other, found);
        }
        return *cache.insert(word, found);
    }

    // Variants of one spelling keep their beginning and their ending
    // ("catalog(u)ing", "neolit(h)ic"); "finding" and "binding",
    // "descriptor" and "description" are other words.
    void addNearSpellings(int word, const Side &other, QVector<Near> &found) const
    {
        const QStringView text = wordText.at(word);
        const double maxDistance = (1.0 - w.wordSimilarity) * 2.0 * static_cast<double>(text.size());
        auto bucket = other.byAffixes.constFind(affixKey(text));
        if (bucket == other.byAffixes.constEnd())
            return;
        for (int candidate : *bucket) {
            const qsizetype length = wordText.at(candidate).size();
            if (length - text.size() > maxDistance)
                break; // shortest first: the rest are longer still
            if (candidate == word || text.size() - length > maxDistance)
                continue;
            const double sim = Normalise::editSimilarity(text, wordText.at(candidate));
            if (sim >= w.wordSimilarity)
                found.append({candidate, static_cast<float>(sim), false});
        }
    }

    // Cognates across languages share a long beginning and differ in their
    // endings: "archaisch" and "archaic", "mesolithikum" and "mesolithic".
    void addCognates(int word, const Side &other, QVector<Near> &found) const
    {
        const QStringView text = wordText.at(word);
        auto p5 = other.byPrefix.constFind(hashText(text.left(CognatePrefix)));
        if (p5 == other.byPrefix.constEnd())
            return;
        for (int candidate : *p5) {
            if (candidate == word)
                continue;
            const float sim = static_cast<float>(cognateSimilarity(text, wordText.at(candidate)));
            if (sim <= 0)
                continue;
            const auto known = std::find_if(found.begin(), found.end(), [candidate](const Near &n) { return n.word == candidate; });
            if (known == found.end())
                found.append({candidate, sim, true});
        }
    }

    float nearSimilarity(int a, int b, const Side &other, bool otherLanguage) const
    {
        if (a == b)
            return 1.0f;
        for (const Near &n : near(a, other))
            if (n.word == b)
                return n.otherLanguageOnly && !otherLanguage ? 0.0f : n.similarity;
        return 0.0f;
    }

    // The label pairs of concept c (on side `from`) and the other side that share words.
    void collect(const Side &from, int c, const Side &to, std::vector<Touch> &out) const
    {
        out.clear();
        if (accumulator.size() < static_cast<std::size_t>(to.labels.size()))
            accumulator.assign(static_cast<std::size_t>(std::max(src.labels.size(), trg.labels.size())), 0.0f);
        const int common = std::max(100, static_cast<int>(to.labels.size() / 100));
        for (int l = from.labelStart.at(c); l < from.labelStart.at(c + 1); ++l) {
            const LabelRec &a = from.labels.at(l);
            touched.clear();
            accumulateWords(from, a, to, common);
            accumulateCompact(a, to);
            for (int b : touched) {
                float &acc = accumulator[static_cast<std::size_t>(b)];
                const float approx = std::min(1.0f, 2.0f * acc / (a.weight + to.labels.at(b).weight));
                out.push_back({l, b, approx});
                acc = 0.0f;
            }
        }
    }

    // Adds to the accumulator of each label of `to` the weight of the words
    // of label a (on side `from`) it holds, or near spellings of them; words
    // more common than `common` count only in a label made of such words.
    void accumulateWords(const Side &from, const LabelRec &a, const Side &to, int common) const
    {
        bool allCommon = true;
        for (int k = 0; k < a.wordCount && allCommon; ++k)
            allCommon = to.postings(from.words.at(a.firstWord + k)) > common;
        for (int k = 0; k < a.wordCount; ++k) {
            const int u = from.words.at(a.firstWord + k);
            for (const Near &n : near(u, to)) {
                if (!allCommon && to.postings(n.word) > common)
                    continue;
                const float add = weightOf(u) * n.similarity;
                for (int p = to.postStart.at(n.word); p < to.postStart.at(n.word + 1); ++p) {
                    const int b = to.post.at(p);
                    float &acc = accumulator[static_cast<std::size_t>(b)];
                    if (acc == 0.0f)
                        touched.push_back(b);
                    acc += add;
                }
            }
        }
    }

    // The labels of `to` whose words joined are label a's words joined ("rock
    // shelter", "rockshelter") count as sharing all of it.
    void accumulateCompact(const LabelRec &a, const Side &to) const
    {
        auto range = std::equal_range(to.compacts.begin(), to.compacts.end(), std::make_pair(a.compact, -1),
                                      [](const auto &x, const auto &y) { return x.first < y.first; });
        for (auto it = range.first; it != range.second; ++it) {
            float &acc = accumulator[static_cast<std::size_t>(it->second)];
            if (acc == 0.0f)
                touched.push_back(it->second);
            acc = std::max(acc, a.weight);
        }
    }

    double kindFactor(quint8 kind) const { return kind == Pref ? 1.0 : w.altLabel; }

    bool sameLanguage(const LabelRec &a, const LabelRec &b) const
    {
        return a.lang == b.lang && !langs.at(a.lang).isEmpty();
    }

    QString compactText(const Side &side, const LabelRec &r) const
    {
        QString s;
        for (int k = 0; k < r.wordCount; ++k)
            s += wordText.at(side.words.at(r.firstWord + k));
        return s;
    }

    // Do the two labels hold the same words, in any order?
    bool sameWordSet(const LabelRec &a, const LabelRec &b) const
    {
        if (a.key != b.key || a.wordCount != b.wordCount)
            return false;
        const int *wa = src.words.constData() + a.firstWord;
        const int *wb = trg.words.constData() + b.firstWord;
        if (a.wordCount > 16)
            return std::is_permutation(wa, wa + a.wordCount, wb);
        std::array<int, 16> x{}, y{};
        std::copy(wa, wa + a.wordCount, x.begin());
        std::copy(wb, wb + b.wordCount, y.begin());
        std::sort(x.begin(), x.begin() + a.wordCount);
        std::sort(y.begin(), y.begin() + b.wordCount);
        return std::equal(x.begin(), x.begin() + a.wordCount, y.begin());
    }

    // The words of a source and a target label matched greedily in the order
    // of the source label: which words found a partner and the weights matched.
    struct WordMatch
    {
        std::array<bool, 64> usedA{}, usedB{};
        double matchedA = 0, matchedB = 0, unmatchedA = 0, unmatchedB = 0;
    };

    WordMatch matchWords(const LabelRec &a, const LabelRec &b, bool otherLanguage,
                         QVector<std::tuple<int, int, float>> *shared) const
    {
        WordMatch wm;
        const int *wa = src.words.constData() + a.firstWord;
        const int *wb = trg.words.constData() + b.firstWord;
        const int nb = std::min<int>(b.wordCount, 64);
        for (int i = 0; i < a.wordCount; ++i) {
            const int u = wa[i];
            int bestJ = -1;
            float bestSim = 0;
            for (int j = 0; j < nb; ++j) {
                if (wm.usedB[static_cast<std::size_t>(j)])
                    continue;
                const float s = nearSimilarity(u, wb[j], trg, otherLanguage);
                if (s > bestSim) {
                    bestSim = s;
                    bestJ = j;
                }
            }
            if (bestJ < 0) {
                wm.unmatchedA += weightOf(u);
                continue;
            }
            if (i < 64)
                wm.usedA[static_cast<std::size_t>(i)] = true;
            wm.usedB[static_cast<std::size_t>(bestJ)] = true;
            wm.matchedA += weightOf(u) * bestSim;
            wm.matchedB += weightOf(wb[bestJ]) * bestSim;
            if (shared)
                shared->append({u, wb[bestJ], bestSim});
        }
        for (int j = 0; j < nb; ++j)
            if (!wm.usedB[static_cast<std::size_t>(j)])
                wm.unmatchedB += weightOf(wb[j]);
        return wm;
    }

    // The relation the words left over tell, for labels that share some.
    void judgeExtraWords(const LabelRec &a, const LabelRec &b, const WordMatch &wm, LabelMatch &m) const
    {
        const double extraA = a.weight > 0 ? wm.unmatchedA / a.weight : 0;
        const double extraB = b.weight > 0 ? wm.unmatchedB / b.weight : 0;
        if (a.head >= 0 && b.head >= 0 && a.head < 64 && b.head < 64) {
            judgeHeads(a, b, wm, extraA, extraB, m);
        } else if (extraA < 0.05 && extraB >= w.extraWords) {
            m.rel = RelNarrow; // the target label says more: the target is narrower
        } else if (extraB < 0.05 && extraA >= w.extraWords) {
            m.rel = RelBroad;  // the source label says more: the target is broader
        }
    }

    // Noun phrases: words added to a shared head make a narrower concept
    // ("waste", "hazardous waste"); a label whose head the other lacks names
    // another thing ("social sciences", "social science information").
    void judgeHeads(const LabelRec &a, const LabelRec &b, const WordMatch &wm, double extraA, double extraB,
                    LabelMatch &m) const
    {
        const bool headA = wm.usedA[static_cast<std::size_t>(a.head)];
        const bool headB = wm.usedB[static_cast<std::size_t>(b.head)];
        const bool allA = wm.unmatchedA <= 0, allB = wm.unmatchedB <= 0;
        if (allA && !allB) {
            if (!headB)
                m.otherHead = true;
            else if (extraB >= w.modifier)
                m.rel = RelNarrow;
        } else if (allB && !allA) {
            if (!headA)
                m.otherHead = true;
            else if (extraA >= w.modifier)
                m.rel = RelBroad;
        } else if (!allA && !allB && !headA && !headB) {
            m.otherHead = true;
        }
        if (m.otherHead)
            m.sim *= w.otherHead;
    }

    // Near spellings of a one-word label: "rockshelter" and "rock shelter",
    // "Protogeometrisch" and "Protogeometric".  Labels of several words on
    // both sides are compared word by word only.
    void judgeSpelling(const LabelRec &a, const LabelRec &b, bool otherLanguage, LabelMatch &m) const
    {
        if (a.wordCount > 1 && b.wordCount > 1)
            return;
        const QString ca = compactText(src, a), cb = compactText(trg, b);
        // Within one language the same rule as for words: a variant keeps its
        // beginning and its ending.  Across languages endings differ.
        const bool keepsAffixes = ca.left(2) == cb.left(2) && ca.right(2) == cb.right(2);
        if (ca.size() >= 5 && cb.size() >= 5 && (otherLanguage || keepsAffixes)
            && std::min(ca.size(), cb.size()) >= w.spelling * static_cast<double>(std::max(ca.size(), cb.size()))) {
            const double cs = Normalise::editSimilarity(ca, cb);
            if (cs >= w.spelling && cs > m.sim) {
                m.sim = cs;
                m.rel = RelExact;
                m.spelling = true;
            }
        }
    }

    // Compares a source label with a target label.  `shared` receives the
    // matched word pairs and their similarity when asked for.
    LabelMatch compare(const LabelRec &a, const LabelRec &b,
                       QVector<std::tuple<int, int, float>> *shared = nullptr) const
    {
        LabelMatch m;
        const bool sameWords = sameWordSet(a, b);
        const bool otherLanguage = !sameLanguage(a, b);
        const WordMatch wm = matchWords(a, b, otherLanguage, shared);
        if (sameWords || (a.compact == b.compact && compactText(src, a) == compactText(trg, b))) {
            m.sim = 1.0;
            m.equal = true;
            return m;
        }
        const double total = a.weight + b.weight;
        m.sim = total > 0 ? (wm.matchedA + wm.matchedB) / total : 0;
        if (m.sim > 0)
            judgeExtraWords(a, b, wm, m);
        judgeSpelling(a, b, otherLanguage, m);
        return m;
    }

    // Two words of different languages beginning alike over most of the
    // shorter one: 0.5 + 0.5 * (letters in common at the start / length of the
    // longer); 0 when they do not.
    double cognateSimilarity(QStringView x, QStringView y) const
    {
        qsizetype common = 0;
        while (common < x.size() && common < y.size() && x[common] == y[common])
            ++common;
        const qsizetype shorter = std::min(x.size(), y.size()), longer = std::max(x.size(), y.size());
        if (common < CognatePrefix || common < w.cognate * static_cast<double>(shorter))
            return 0.0;
        return 0.5 + 0.5 * static_cast<double>(common) / static_cast<double>(longer);
    }

    // The lexical score of source concept s and target concept t from the
    // label pairs that share words.
    PairScore score(int s, int t, const Touch *begin, const Touch *end) const
    {
        PairScore r;
        r.target = t;
        std::array<float, MaxLanguages> perLanguage{};
        double top = 0;
        for (const Touch *p = begin; p != end; ++p) {
            const LabelRec &a = src.labels.at(p->a);
            const LabelRec &b = trg.labels.at(p->b);
            const LabelMatch m = compare(a, b);
            if (m.sim <= 0)
                continue;
            const bool same = sameLanguage(a, b);
            const double k = kindFactor(a.kind) * kindFactor(b.kind);
            const double q = m.sim * k * (same ? 1.0 : w.otherLanguage);
            if (same && langBit(a.lang) >= 0) {
                float &best = perLanguage[static_cast<std::size_t>(a.lang)];
                best = std::max(best, static_cast<float>(m.sim * k));
            }
            if (q > top + 1e-12 || (std::abs(q - top) <= 1e-12 && m.rel == RelExact && r.best.rel != RelExact)) {
                top = q;
                r.best = m;
                r.bestA = p->a;
                r.bestB = p->b;
            }
        }
        const quint64 shared = src.langMask.at(s) & trg.langMask.at(t);
        int agree = 0, disagree = 0;
        for (int bit = 0; bit < MaxLanguages; ++bit) {
            if (!(shared & (quint64(1) << bit)))
                continue;
            const float best = perLanguage[static_cast<std::size_t>(bit)];
            if (best >= w.agreeAt) {
                ++agree;
                r.agreeMask |= quint64(1) << bit;
            } else if (best < w.disagreeBelow) {
                ++disagree;
                r.disagreeMask |= quint64(1) << bit;
            }
        }
        double v = top * w.exactBase;
        if (agree >= 2)
            v = 1.0 - (1.0 - v) * std::pow(w.agreement, agree - 1);
        if (agree + disagree > 0)
            v *= 1.0 - w.disagreement * disagree / (agree + disagree);
        r.lexical = r.score = v;
        r.rel = r.best.rel;
        return r;
    }

    struct Group
    {
        int owner;
        std::size_t first, last; // the owner's touches
        double approx;
    };

    // Touches sorted by owner grouped per real concept of `side`, and the
    // ShortlistSize groups of the highest approximate similarity.
    template <typename Owner, typename Approx>
    std::vector<Group> shortlist(const std::vector<Touch> &touches, const Side &side, Owner owner, Approx approx) const
    {
        std::vector<Group> groups;
        for (std::size_t i = 0; i < touches.size();) {
            const int c = owner(touches[i]);
            std::size_t j = i;
            double best = 0;
            for (; j < touches.size() && owner(touches[j]) == c; ++j)
                best = std::max(best, approx(touches[j]));
            if (side.leaf.at(c))
                groups.push_back({c, i, j, best});
            i = j;
        }
        const std::size_t keep = std::min<std::size_t>(groups.size(), ShortlistSize);
        std::partial_sort(groups.begin(), groups.begin() + static_cast<std::ptrdiff_t>(keep), groups.end(),
                          [](const Group &x, const Group &y) { return x.approx > y.approx; });
        groups.resize(keep);
        return groups;
    }

    // Lexical scores of the shortlisted target concepts of source s, best first.
    QVector<PairScore> lexical(int s) const
    {
        std::vector<Touch> touches;
        collect(src, s, trg, touches);
        std::sort(touches.begin(), touches.end(), [this](const Touch &x, const Touch &y) {
            const int cx = trg.labels.at(x.b).owner, cy = trg.labels.at(y.b).owner;
            return cx != cy ? cx < cy : x.a < y.a;
        });
        const std::vector<Group> groups = shortlist(
            touches, trg, [this](const Touch &x) { return trg.labels.at(x.b).owner; },
            [this](const Touch &x) {
                const LabelRec &a = src.labels.at(x.a);
                const LabelRec &b = trg.labels.at(x.b);
                return x.approx * kindFactor(a.kind) * kindFactor(b.kind) * (sameLanguage(a, b) ? 1.0 : w.otherLanguage);
            });
        const std::size_t keep = groups.size();
        QVector<PairScore> out;
        out.reserve(static_cast<int>(keep));
        for (std::size_t g = 0; g < keep; ++g)
            out.append(score(s, groups[g].owner, touches.data() + groups[g].first, touches.data() + groups[g].last));
        std::sort(out.begin(), out.end(), [](const PairScore &x, const PairScore &y) { return x.score > y.score; });
        return out;
    }

    bool isExcluded(int s, int t) const { return excluded.contains(pairKey(src.ids.at(s), trg.ids.at(t))); }

    // The source concept that matches target t best, by the labels alone.
    std::pair<int, double> bestSourceOf(int t) const
    {
        auto it = bestSourceOfTarget.constFind(t);
        if (it != bestSourceOfTarget.constEnd())
            return *it;
        std::pair<int, double> best{-1, 0.0};
        auto stored = exactOfTarget.constFind(t);
        if (stored != exactOfTarget.constEnd())
            best = {*stored, 1.0};
        else {
            std::vector<Touch> touches;
            collect(trg, t, src, touches);
            // Turn the pairs around (source label first) and group them by source concept.
            for (Touch &x : touches)
                std::swap(x.a, x.b);
            std::sort(touches.begin(), touches.end(), [this](const Touch &x, const Touch &y) {
                return src.labels.at(x.a).owner < src.labels.at(y.a).owner;
            });
            const std::vector<Group> groups = shortlist(
                touches, src, [this](const Touch &x) { return src.labels.at(x.a).owner; },
                [](const Touch &x) { return static_cast<double>(x.approx); });
            const std::size_t keep = groups.size();
            for (std::size_t g = 0; g < keep; ++g) {
                if (isExcluded(groups[g].owner, t))
                    continue;
                const PairScore p = score(groups[g].owner, t, touches.data() + groups[g].first,
                                          touches.data() + groups[g].last);
                if (p.rel == RelExact && p.lexical > best.second)
                    best = {groups[g].owner, p.lexical};
            }
        }
        bestSourceOfTarget.insert(t, best);
        return best;
    }

    // The best exact target of source s by the labels alone (for its narrower concepts).
    std::pair<int, double> bestTargetOf(int s) const
    {
        auto it = bestTargetOfSource.constFind(s);
        if (it != bestTargetOfSource.constEnd())
            return *it;
        std::pair<int, double> best{-1, 0.0};
        for (const PairScore &p : lexical(s))
            if (p.rel == RelExact && !isExcluded(s, p.target)) {
                best = {p.target, p.lexical};
                break;
            }
        bestTargetOfSource.insert(s, best);
        return best;
    }

    // What the broader concepts of s are mapped to, or best matched by.
    QVector<ParentTarget> parentTargets(int s) const
    {
        QVector<ParentTarget> out;
        for (int k = src.broaderStart.at(s); k < src.broaderStart.at(s + 1); ++k) {
            const int p = src.broader.at(k);
            const auto stored = exactOfSource.value(p);
            if (!stored.isEmpty()) {
                for (int t : stored)
                    out.append({p, t, 1.0, true});
                continue;
            }
            const auto [t, conf] = bestTargetOf(p);
            if (t >= 0 && conf >= w.parentTargetAt)
                out.append({p, t, conf, false});
        }
        return out;
    }

    QString sentenceForParent(const ParentTarget &pt) const
    {
        const QString parent = quoted(src.dex.at(pt.parent));
        const QString target = quoted(trg.dex.at(pt.target));
        if (pt.stored)
            return QStringLiteral("the broader concept %1 is already mapped to %2").arg(parent, target);
        return QStringLiteral("the broader concept %1 is best matched by %2 (%3)").arg(parent, target, two(pt.confidence));
    }

    QString languageList(quint64 mask) const
    {
        QStringList names;
        for (int bit = 0; bit < MaxLanguages; ++bit)
            if (mask & (quint64(1) << bit))
                names << langs.at(bit);
        return names.join(QStringLiteral(", "));
    }

    QString labelText(const Side &side, const LabelRec &r) const
    {
        const QString lang = langs.at(r.lang);
        return kindName(r.kind) + (lang.isEmpty() ? QString() : QLatin1Char(' ') + lang) + QLatin1Char(' ')
               + quoted(side.texts.at(r.text));
    }

    // The sentences that explain a candidate.
    QStringList explain(const PairScore &p) const
    {
        QStringList out;
        if (p.bestA < 0)
            return out;
        const LabelRec &a = src.labels.at(p.bestA);
        const LabelRec &b = trg.labels.at(p.bestB);
        QVector<std::tuple<int, int, float>> shared;
        compare(a, b, &shared);
        if (p.best.equal)
            out << labelText(src, a) + QStringLiteral(" = ") + labelText(trg, b);
        else
            out << labelText(src, a) + QStringLiteral(" \u2248 ") + labelText(trg, b) + QStringLiteral(" (")
                       + two(p.best.sim) + QLatin1Char(')');
        // The words as written (folded), not their stems.
        const Normalise::Analysis wa = Normalise::analyse(src.texts.at(a.text), langs.at(a.lang));
        const Normalise::Analysis wb = Normalise::analyse(trg.texts.at(b.text), langs.at(b.lang));
        if (p.best.spelling) {
            out << QStringLiteral("spelt alike: %1 ~ %2").arg(quoted(wa.surface.join(QLatin1Char(' '))),
                                                              quoted(wb.surface.join(QLatin1Char(' '))));
        } else if (!shared.isEmpty()) {
            out << wordsShared(a, shared, wa, wb);
        }
        if (p.best.rel != RelExact)
            out << wordsAdded(p.best.rel, p.best.rel == RelNarrow ? b : a, shared, p.best.rel == RelNarrow ? wb : wa);
        const int agreeing = qPopulationCount(p.agreeMask);
        if (agreeing >= 2)
            out << QStringLiteral("labels agree in %1 languages (%2)").arg(agreeing).arg(languageList(p.agreeMask));
        if (p.disagreeMask)
            out << QStringLiteral("labels differ in ") + languageList(p.disagreeMask);
        return out;
    }

    // A word as the label wrote it (folded), from its stem.
    static QString surfaceOf(const Normalise::Analysis &an, const QString &stem)
    {
        const qsizetype i = an.words.indexOf(stem);
        return i >= 0 ? an.surface.at(i) : stem;
    }

    // "words shared: ...": the word pairs source label a shares with the
    // target label, with the weight of each in a.
    QString wordsShared(const LabelRec &a, const QVector<std::tuple<int, int, float>> &shared,
                        const Normalise::Analysis &wa, const Normalise::Analysis &wb) const
    {
        QStringList words;
        for (const auto &[u, v, sim] : shared) {
            const QString su = surfaceOf(wa, wordText.at(u).toString());
            const QString weight = two(a.weight > 0 ? weightOf(u) / a.weight : 0);
            if (u == v)
                words << QStringLiteral("%1 (weight %2)").arg(quoted(su), weight);
            else
                words << QStringLiteral("%1 ~ %2 (weight %3)")
                             .arg(quoted(su), quoted(surfaceOf(wb, wordText.at(v).toString())), weight);
        }
        return QStringLiteral("words shared: ") + words.join(QStringLiteral(", "));
    }

    // The words the longer label (the target's for a narrowMatch, else the
    // source's) has and the other lacks; an holds its words as written.
    QString wordsAdded(Rel rel, const LabelRec &longer, const QVector<std::tuple<int, int, float>> &shared,
                       const Normalise::Analysis &an) const
    {
        const Side &side = rel == RelNarrow ? trg : src;
        QStringList extra;
        double weight = 0;
        for (int k = 0; k < longer.wordCount; ++k) {
            const int id = side.words.at(longer.firstWord + k);
            const bool matched = std::any_of(shared.cbegin(), shared.cend(), [&](const auto &pair) {
                return (rel == RelNarrow ? std::get<1>(pair) : std::get<0>(pair)) == id;
            });
            if (!matched) {
                extra << quoted(surfaceOf(an, wordText.at(id).toString()));
                weight += weightOf(id);
            }
        }
        return QStringLiteral("the %1 label adds %2 (weight %3): %4")
            .arg(rel == RelNarrow ? QStringLiteral("target") : QStringLiteral("source"), extra.join(QStringLiteral(", ")),
                 two(longer.weight > 0 ? weight / longer.weight : 0),
                 rel == RelNarrow ? QStringLiteral("narrowMatch") : QStringLiteral("broadMatch"));
    }

    static int property(Rel rel)
    {
        return rel == RelBroad ? Ids::BroadMatch : rel == RelNarrow ? Ids::NarrowMatch : Ids::ExactMatch;
    }

    // The target concepts narrower than a parent's target: by the target's
    // hierarchy, or by their labels (a label that holds all the words of one of
    // its labels and more: "Late Bronze age" for "Bronze age").  Those that the
    // labels did not find already come in with a low score, the most general
    // (fewest extra words) first, since the concept is narrower than its parent.
    void addNarrowerOfParentTargets(int s, const QVector<ParentTarget> &parents, QVector<PairScore> &pairs,
                                    QHash<int, QStringList> &notes) const
    {
        for (const ParentTarget &pt : parents) {
            QHash<int, int> extraWords = childrenOf(pt.target); // target -> words beyond the parent target's label
            addNarrowerByLabels(pt.target, extraWords);
            const QString why = QStringLiteral("narrower than %1; ").arg(quoted(trg.dex.at(pt.target)))
                                + sentenceForParent(pt);
            for (auto it = extraWords.cbegin(); it != extraWords.cend(); ++it) {
                const int t = it.key();
                if (isExcluded(s, t) || hasPair(pairs, t))
                    continue;
                PairScore p;
                p.target = t;
                p.rel = RelExact;
                // Below any label match of note; one extra word ranks above two.
                p.score = w.structure * pt.confidence * (0.5 + 0.5 / it.value());
                pairs.append(p);
                notes[t] << why;
            }
        }
    }

    static bool hasPair(const QVector<PairScore> &pairs, int target)
    {
        return std::any_of(pairs.cbegin(), pairs.cend(), [target](const PairScore &p) { return p.target == target; });
    }

    // The leaf concepts directly below target concept `parent`, each with one extra word.
    QHash<int, int> childrenOf(int parent) const
    {
        QHash<int, int> children;
        for (int t = 0; t < trg.count(); ++t) {
            if (t == parent || !trg.leaf.at(t))
                continue;
            for (int k = trg.broaderStart.at(t); k < trg.broaderStart.at(t + 1); ++k)
                if (trg.broader.at(k) == parent)
                    children.insert(t, 1);
        }
        return children;
    }

    // The leaf target concepts with a label that holds all the words of a
    // label of `parent` and more, each with the fewest extra words found.
    void addNarrowerByLabels(int parent, QHash<int, int> &extraWords) const
    {
        for (int l = trg.labelStart.at(parent); l < trg.labelStart.at(parent + 1); ++l) {
            const LabelRec &base = trg.labels.at(l);
            const int rarest = rarestWord(base);
            if (rarest < 0 || trg.postings(rarest) > 200)
                continue;
            for (int p = trg.postStart.at(rarest); p < trg.postStart.at(rarest + 1); ++p) {
                const LabelRec &other = trg.labels.at(trg.post.at(p));
                if (other.owner == parent || other.wordCount <= base.wordCount || !trg.leaf.at(other.owner)
                    || !holdsAllWords(other, base))
                    continue;
                const int extra = other.wordCount - base.wordCount;
                auto it = extraWords.find(other.owner);
                if (it == extraWords.end() || *it > extra)
                    extraWords.insert(other.owner, extra);
            }
        }
    }

    // The word of a target label that the fewest target labels hold; -1 for a label without words.
    int rarestWord(const LabelRec &label) const
    {
        int rarest = -1;
        for (int k = 0; k < label.wordCount; ++k) {
            const int id = trg.words.at(label.firstWord + k);
            if (rarest < 0 || trg.postings(id) < trg.postings(rarest))
                rarest = id;
        }
        return rarest;
    }

    // Does target label `other` hold every word of target label `base`?
    bool holdsAllWords(const LabelRec &other, const LabelRec &base) const
    {
        const int *first = trg.words.constData() + other.firstWord;
        const int *last = first + other.wordCount;
        for (int k = 0; k < base.wordCount; ++k)
            if (std::find(first, last, trg.words.at(base.firstWord + k)) == last)
                return false;
        return true;
    }

    // A pair whose target is what the broader concept is mapped to: that is
    // broader than this concept.  False when the target is no parent's target.
    bool judgeParentTarget(PairScore &p, const QVector<ParentTarget> &parents, QHash<int, QStringList> &notes) const
    {
        for (const ParentTarget &pt : parents)
            if (pt.target == p.target) {
                p.rel = RelBroad;
                notes[p.target] << sentenceForParent(pt) + QStringLiteral(": broadMatch");
                return true;
            }
        return false;
    }

    // The first broader concept of the pair's target that tells something:
    // already mapped to source s (the target is narrower), or the target of a
    // parent of s (the pair gains).
    void judgeTargetBroader(int s, PairScore &p, const QVector<ParentTarget> &parents, const QVector<int> &ownTargets,
                            QHash<int, QStringList> &notes) const
    {
        const int t = p.target;
        for (int k = trg.broaderStart.at(t); k < trg.broaderStart.at(t + 1); ++k) {
            const int tb = trg.broader.at(k);
            if (ownTargets.contains(tb)) {
                p.rel = RelNarrow;
                notes[t] << QStringLiteral("its broader concept %1 is already mapped to %2: narrowMatch")
                                .arg(quoted(trg.dex.at(tb)), quoted(src.dex.at(s)));
                return;
            }
            for (const ParentTarget &pt : parents)
                if (pt.target == tb) {
                    p.score += (1.0 - p.score) * w.structure * pt.confidence;
                    notes[t] << sentenceForParent(pt);
                    return;
                }
        }
    }

    // An exact pair loses when another source concept matches its target better.
    void judgeCloserMatch(int s, PairScore &p, QHash<int, QStringList> &notes) const
    {
        const int t = p.target;
        const auto [other, otherScore] = bestSourceOf(t);
        if (other < 0 || other == s || otherScore <= p.lexical + 1e-9)
            return;
        p.score *= w.closerMatch;
        const bool stored = exactOfTarget.value(t, -1) == other;
        notes[t] << (stored ? QStringLiteral("%1 is already mapped to %2").arg(quoted(src.dex.at(other)), quoted(trg.dex.at(t)))
                            : QStringLiteral("%1 is a closer match for %2 (%3)")
                                  .arg(quoted(src.dex.at(other)), quoted(trg.dex.at(t)), two(otherScore)));
    }

    // No exact target: the broader concept's target is broader than this one.
    void addBroaderFallback(int s, const QVector<ParentTarget> &parents, QVector<PairScore> &pairs,
                            QHash<int, QStringList> &notes) const
    {
        const bool anyExact = std::any_of(pairs.begin(), pairs.end(), [&](const PairScore &p) {
            return p.rel == RelExact && p.score >= w.broaderFallback;
        });
        if (anyExact)
            return;
        for (const ParentTarget &pt : parents) {
            if (isExcluded(s, pt.target) || !trg.leaf.at(pt.target))
                continue;
            const double v = w.broaderFallback * pt.confidence;
            auto it = std::find_if(pairs.begin(), pairs.end(), [&](const PairScore &p) { return p.target == pt.target; });
            if (it == pairs.end()) {
                PairScore p;
                p.target = pt.target;
                p.rel = RelBroad;
                p.score = v;
                pairs.append(p);
                notes[pt.target] = QStringList{QStringLiteral("no exact target found; ") + sentenceForParent(pt)};
            } else if (it->score < v) {
                it->score = v;
            }
        }
    }

    QVector<Candidate> suggest(int s, int count) const
    {
        QVector<PairScore> pairs = lexical(s);
        QHash<int, QStringList> notes; // target -> sentences from structure and competition
        const QVector<ParentTarget> parents = parentTargets(s);
        const QVector<int> ownTargets = exactOfSource.value(s);

        for (PairScore &p : pairs) {
            if (judgeParentTarget(p, parents, notes))
                continue;
            judgeTargetBroader(s, p, parents, ownTargets, notes);
            if (p.rel == RelExact)
                judgeCloserMatch(s, p, notes);
        }
        pairs.erase(std::remove_if(pairs.begin(), pairs.end(), [&](const PairScore &p) { return isExcluded(s, p.target); }),
                    pairs.end());
        addNarrowerOfParentTargets(s, parents, pairs, notes);
        addBroaderFallback(s, parents, pairs, notes);

        std::sort(pairs.begin(), pairs.end(), [this](const PairScore &x, const PairScore &y) {
            if (std::abs(x.score - y.score) > 1e-12)
                return x.score > y.score;
            return trg.dex.bytesAt(x.target) < trg.dex.bytesAt(y.target);
        });
        QVector<Candidate> out;
        for (const PairScore &p : pairs) {
            if (out.size() >= count)
                break;
            Candidate c;
            c.source = src.ids.at(s);
            c.target = trg.ids.at(p.target);
            c.score = std::clamp(p.score, 0.0, 1.0);
            c.property = property(p.rel);
            c.evidence = explain(p) + notes.value(p.target);
            out.append(c);
        }
        return out;
    }
};

// ---- public interface ---------------------------------------------------

QString Candidate::relationName() const
{
    switch (property) {
    case Ids::BroadMatch: return QStringLiteral("broadMatch");
    case Ids::NarrowMatch: return QStringLiteral("narrowMatch");
    default: return QStringLiteral("exactMatch");
    }
}

QString Candidate::evidenceText() const
{
    return evidence.join(QStringLiteral("; "));
}

Matcher::Matcher()
    : d(std::make_unique<Data>())
{
}

Matcher::~Matcher() = default;

namespace {

struct Row
{
    qint32 id;
    QVariant parent;
    QString dex;
    int leaf;
    QString uri;
};

QVector<Row> readConcepts(cConnessione &c, int model)
{
    // In the order of their ids, here and below: ties between equal scores
    // are then broken alike whatever engine holds the database.
    QSqlQuery q = c.prepare(QStringLiteral("select id, parent_ref, dex, is_leaf, uri from concepts where model_ref = ? "
                                           "order by id"));
    c.exec(q, {model});
    QVector<Row> rows;
    while (q.next())
        rows.append({q.value(0).toInt(), q.value(1), q.value(2).toString(), q.value(3).toInt() != 0 ? 1 : 0,
                     q.value(4).toString()});
    return rows;
}

// The rows under (and including) the root, or all rows when root is 0.
QVector<Row> subtree(const QVector<Row> &rows, qint32 root)
{
    if (root == 0)
        return rows;
    QHash<qint32, QVector<int>> children;
    for (int i = 0; i < rows.size(); ++i)
        if (!rows.at(i).parent.isNull())
            children[rows.at(i).parent.toInt()].append(i);
    QVector<Row> out;
    QVector<qint32> stack{root};
    QSet<qint32> seen;
    QHash<qint32, int> byId;
    for (int i = 0; i < rows.size(); ++i)
        byId.insert(rows.at(i).id, i);
    while (!stack.isEmpty()) {
        const qint32 id = stack.takeLast();
        if (seen.contains(id) || !byId.contains(id))
            continue;
        seen.insert(id);
        out.append(rows.at(byId.value(id)));
        const QVector<int> kids = children.value(id);
        for (auto it = kids.crbegin(); it != kids.crend(); ++it)
            stack.append(rows.at(*it).id);
    }
    return out;
}

void fillSide(Side &side, const QVector<Row> &rows)
{
    side.ids.reserve(rows.size());
    for (const Row &r : rows) {
        side.index.insert(r.id, static_cast<int>(side.ids.size()));
        side.ids.append(r.id);
        side.leaf.append(static_cast<quint8>(r.leaf));
        side.dex.add(r.dex);
        side.uri.add(r.uri);
    }
    side.parent.fill(-1, side.count());
    for (int i = 0; i < rows.size(); ++i)
        if (!rows.at(i).parent.isNull())
            side.parent[i] = side.index.value(rows.at(i).parent.toInt(), -1);
    side.langMask.fill(0, side.count());
}

void readBroader(cConnessione &c, int model, Side &side)
{
    QSqlQuery q = c.prepare(QStringLiteral(
        "select conceptproperties.concept_ref, objectpropertyvalues.concept_ref "
        "from (concepts inner join conceptproperties on conceptproperties.concept_ref = concepts.id) "
        "inner join objectpropertyvalues on objectpropertyvalues.concept_property_ref = conceptproperties.id "
        "where concepts.model_ref = ? and conceptproperties.property_ref = ? "
        "order by conceptproperties.id, objectpropertyvalues.id"));
    c.exec(q, {model, static_cast<int>(Ids::Broader)});
    QVector<QVector<int>> broader(side.count());
    while (q.next()) {
        const int a = side.index.value(q.value(0).toInt(), -1);
        const int b = side.index.value(q.value(1).toInt(), -1);
        if (a >= 0 && b >= 0 && a != b && !broader[a].contains(b))
            broader[a].append(b);
    }
    // The tree parent counts as broader when it is a concept (not a grouping level).
    for (int i = 0; i < side.count(); ++i) {
        const int p = side.parent.at(i);
        if (p >= 0 && side.leaf.at(p) && !broader[i].contains(p))
            broader[i].append(p);
    }
    side.broaderStart.fill(0, side.count() + 1);
    for (int i = 0; i < side.count(); ++i) {
        side.broaderStart[i + 1] = side.broaderStart[i] + static_cast<int>(broader[i].size());
        side.broader += broader[i];
    }
}

// The top row of the EUROVOC field of the given code; 0 when there is none.
qint32 fieldRoot(const QVector<Row> &eurovoc, const QString &code)
{
    const QString uri = QString::fromLatin1(Ids::DomainNamespace) + code;
    qint32 root = 0;
    for (const Row &r : eurovoc)
        if (r.parent.isNull() && r.uri == uri)
            root = r.id;
    return root;
}

// The top row of the target subset of that name (case apart); 0 when there is none.
qint32 subsetRoot(const QVector<Row> &target, const QString &name)
{
    qint32 root = 0;
    for (const Row &r : target)
        if (r.parent.isNull() && !r.leaf && r.dex.compare(name, Qt::CaseInsensitive) == 0)
            root = r.id;
    return root;
}

// Labels of every kind and language, of both sides.
void readLabels(cConnessione &c, Matcher::Data &d, int targetModel)
{
    d.langs << QString(); // index 0: no language
    const QVariant hidden = c.scalar(
        QStringLiteral("select id from properties where uri = ? or dex = ? order by id"),
        {QStringLiteral("http://www.w3.org/2004/02/skos/core#hiddenLabel"), QStringLiteral("hiddenLabel")});
    const int hiddenId = hidden.isNull() ? -1 : hidden.toInt();
    QSqlQuery q = c.prepare(QStringLiteral(
        "select conceptproperties.concept_ref, conceptproperties.property_ref, lang.name, datatypepropertyvalues.value "
        "from ((concepts inner join conceptproperties on conceptproperties.concept_ref = concepts.id) "
        "inner join datatypepropertyvalues on datatypepropertyvalues.concept_property_ref = conceptproperties.id) "
        "inner join lang on lang.id = datatypepropertyvalues.lang_ref "
        "where concepts.model_ref = ? and conceptproperties.property_ref in (?, ?, ?) "
        "order by conceptproperties.id, datatypepropertyvalues.id"));
    QHash<QString, int> langOf;
    for (auto [model, side] : {std::pair<int, Side *>{Ids::EUROVOC, &d.src}, {targetModel, &d.trg}}) {
        c.exec(q, {model, static_cast<int>(Ids::PrefLabel), static_cast<int>(Ids::AltLabel), hiddenId});
        QVector<bool> labelled(side->count(), false);
        while (q.next()) {
            const int conceptId = side->index.value(q.value(0).toInt(), -1);
            if (conceptId < 0)
                continue;
            const int property = q.value(1).toInt();
            const quint8 kind = property == Ids::PrefLabel ? Pref : property == Ids::AltLabel ? Alt : Hidden;
            const QString tag = q.value(2).toString();
            auto it = langOf.constFind(tag);
            const int lang = it != langOf.constEnd() ? *it : *langOf.insert(tag, d.language(tag));
            d.addLabel(*side, conceptId, kind, lang, q.value(3).toString());
            labelled[conceptId] = true;
        }
        // A concept without labels is known by its name in the tree.
        for (int i = 0; i < side->count(); ++i)
            if (!labelled.at(i))
                d.addLabel(*side, i, Pref, 0, side->dex.at(i));
        d.finishSide(*side);
    }
}

} // namespace

std::unique_ptr<Matcher> Matcher::build(cConnessione &c, const Scope &scope, QString *error, const Weights &weights)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::unique_ptr<Matcher>();
    };
    if (scope.targetModel != Ids::ECLAS && scope.targetModel != Ids::ETT && scope.targetModel != Ids::UNESCO
        && scope.targetModel != Ids::GEMET)
        return fail(QStringLiteral("There is no target thesaurus with model %1.").arg(scope.targetModel));

    std::unique_ptr<Matcher> m(new Matcher);
    Data &d = *m->d;
    d.scope = scope;
    d.w = weights;
    d.project = Ids::projectForModel(scope.targetModel);

    const QVector<Row> eurovoc = readConcepts(c, Ids::EUROVOC);
    const qint32 sourceRoot = scope.field.isEmpty() ? 0 : fieldRoot(eurovoc, scope.field);
    if (!scope.field.isEmpty() && sourceRoot == 0)
        return fail(QStringLiteral("There is no EUROVOC field with the code \"%1\".").arg(scope.field));
    const QVector<Row> target = readConcepts(c, scope.targetModel);
    const qint32 targetRoot = scope.subset.isEmpty() ? 0 : subsetRoot(target, scope.subset);
    if (!scope.subset.isEmpty() && targetRoot == 0)
        return fail(QStringLiteral("The %1 thesaurus has no subset \"%2\".")
                        .arg(Ids::modelName(scope.targetModel), scope.subset));
    fillSide(d.src, subtree(eurovoc, sourceRoot));
    fillSide(d.trg, subtree(target, targetRoot));

    readLabels(c, d, scope.targetModel);
    readBroader(c, Ids::EUROVOC, d.src);
    readBroader(c, scope.targetModel, d.trg);
    d.weighWords();
    d.indexSide(d.src);
    d.indexSide(d.trg);
    // Words are looked up by their text only while labels are read.
    d.wordId = {};
    d.wordText.squeeze();

    // What the project holds already, and what was rejected.
    QSqlQuery rel = c.prepare(QStringLiteral(
        "select left_concept_ref, right_concept_ref, property_ref from mappingrelations where project_ref = ? "
        "order by id"));
    c.exec(rel, {d.project});
    while (rel.next())
        m->addRelation(rel.value(0).toInt(), rel.value(1).toInt(), rel.value(2).toInt());
    for (const auto &[left, right] : Decisions::rejectedPairs(c, d.project))
        d.excluded.insert(pairKey(left, right));
    return m;
}

const Scope &Matcher::scope() const
{
    return d->scope;
}

int Matcher::project() const
{
    return d->project;
}

QVector<Candidate> Matcher::suggest(qint32 source, int count) const
{
    const int s = d->src.index.value(source, -1);
    if (s < 0 || count <= 0)
        return {};
    return d->suggest(s, count);
}

QVector<qint32> Matcher::sources() const
{
    // Tree order: a concept before its children, siblings by name.
    QVector<QVector<int>> children(d->src.count());
    QVector<int> roots;
    for (int i = 0; i < d->src.count(); ++i)
        (d->src.parent.at(i) >= 0 ? children[d->src.parent.at(i)] : roots).append(i);
    auto byName = [this](int x, int y) { return d->src.dex.bytesAt(x) < d->src.dex.bytesAt(y); };
    std::sort(roots.begin(), roots.end(), byName);
    QVector<qint32> out;
    QVector<int> stack(roots.crbegin(), roots.crend());
    while (!stack.isEmpty()) {
        const int i = stack.takeLast();
        if (d->src.leaf.at(i))
            out.append(d->src.ids.at(i));
        QVector<int> kids = children.at(i);
        std::sort(kids.begin(), kids.end(), byName);
        for (auto it = kids.crbegin(); it != kids.crend(); ++it)
            stack.append(*it);
    }
    return out;
}

QVector<QVector<Candidate>> Matcher::suggestAll(int count, const Progress &progress, bool *cancelled) const
{
    const QVector<qint32> all = sources();
    QVector<QVector<Candidate>> out;
    out.reserve(all.size());
    if (cancelled)
        *cancelled = false;
    for (int i = 0; i < all.size(); ++i) {
        if (progress && !progress(i, static_cast<int>(all.size()))) {
            if (cancelled)
                *cancelled = true;
            return {};
        }
        out.append(suggest(all.at(i), count));
    }
    if (progress)
        progress(static_cast<int>(all.size()), static_cast<int>(all.size()));
    return out;
}

bool Matcher::hasSource(qint32 conceptId) const
{
    return d->src.index.contains(conceptId);
}

bool Matcher::hasTarget(qint32 conceptId) const
{
    return d->trg.index.contains(conceptId);
}

QString Matcher::sourceLabel(qint32 conceptId) const
{
    const int i = d->src.index.value(conceptId, -1);
    return i < 0 ? QString() : d->src.dex.at(i);
}

QString Matcher::targetLabel(qint32 conceptId) const
{
    const int i = d->trg.index.value(conceptId, -1);
    return i < 0 ? QString() : d->trg.dex.at(i);
}

QString Matcher::sourceUri(qint32 conceptId) const
{
    const int i = d->src.index.value(conceptId, -1);
    return i < 0 ? QString() : d->src.uri.at(i);
}

QString Matcher::targetUri(qint32 conceptId) const
{
    const int i = d->trg.index.value(conceptId, -1);
    return i < 0 ? QString() : d->trg.uri.at(i);
}

void Matcher::reject(qint32 source, qint32 target)
{
    d->excluded.insert(pairKey(source, target));
    d->bestSourceOfTarget.clear();
    d->bestTargetOfSource.clear();
}

void Matcher::addRelation(qint32 source, qint32 target, int property)
{
    d->excluded.insert(pairKey(source, target));
    const int s = d->src.index.value(source, -1);
    const int t = d->trg.index.value(target, -1);
    if (s >= 0 && t >= 0 && property == Ids::ExactMatch) {
        if (!d->exactOfSource[s].contains(t))
            d->exactOfSource[s].append(t);
        d->exactOfTarget.insert(t, s);
    }
    d->bestSourceOfTarget.clear();
    d->bestTargetOfSource.clear();
}

std::size_t Matcher::memoryBytes() const
{
    return d->src.bytes() + d->trg.bytes() + d->wordText.bytes() + static_cast<std::size_t>(d->wordId.capacity()) * 48
           + vbytes(d->idf) + d->accumulator.capacity() * sizeof(float);
}

int Matcher::sourceCount() const
{
    return d->src.count();
}

int Matcher::targetCount() const
{
    return d->trg.count();
}

} // namespace Suggest
