#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// How labels are brought to a form in which two thesauri can be compared:
// case and accents folded, punctuation and bracketed qualifiers set aside,
// function words dropped and plural endings taken off by light, per-language
// rules (English, French, German, Spanish, Portuguese, Italian, Dutch; other
// languages are only folded).
namespace Normalise {

// The language code of a label in the form the rules use: "EN", "en-GB" and
// "en" all give "en"; an empty tag gives "".
QString language(QStringView tag);

// Case folded, accents and other combining marks removed, and the letters
// that do not decompose written out (ß ss, æ ae, œ oe, ø o, ł l, đ d, þ th).
QString fold(QStringView text);

// A word without its inflectional ending: plural "s"/"es"/"ies" (English,
// French "x", Spanish and Portuguese "es"/"ões"), final vowels (Italian),
// German and Dutch plural and case endings.  English "-isation" is spelt
// "-ization".  Words of three letters or fewer stay as they are.
QString stem(const QString &word, QStringView lang);

// True for the articles, prepositions and conjunctions of a language.
bool isStopWord(QStringView word, QStringView lang);

// Where the head of a noun phrase stands: last in English, German, Dutch,
// the Nordic languages, Finnish, Estonian and Hungarian ("hazardous waste"),
// first in the Romance languages ("déchets dangereux").
enum class HeadPosition { Last, First, Unknown };
HeadPosition headPosition(QStringView lang);

// The prepositions after which English, German and Dutch put a noun's
// complement ("incineration of waste").
bool isPreposition(QStringView word, QStringView lang);

struct Analysis
{
    QStringList words;   // folded, stemmed, function words left out (all kept when all are function words)
    QStringList surface; // the same words folded but not stemmed, for showing them
    QString qualifier;  // text of bracketed qualifiers, folded ("process" in "Publication (process)")
    int head = -1;      // position in words of the phrase's head; -1 when the language does not tell
};

// The words of a label in a language.
Analysis analyse(const QString &label, QStringView lang);
inline QStringList words(const QString &label, QStringView lang) { return analyse(label, lang).words; }

// The normal form of a label: its words sorted and joined by blanks, so that
// word order does not count ("waste incineration" = "incineration of waste").
QString key(QStringList words);
// The words joined with nothing between them ("rock shelter" = "rock-shelter" = "rockshelter").
QString compact(const QStringList &words);

// 1 - edit distance / length of the longer text; 1 for equal texts.
double editSimilarity(QStringView a, QStringView b);

} // namespace Normalise
