#pragma once

#include <QChar>
#include <QStringView>

// Walking a text by Unicode code points rather than by UTF-16 units.
namespace CodePoints {

// What codePointAt() gives for half of a surrogate pair: no character at all
// (above the last code point, so it never equals a real one).
inline constexpr char32_t HalfPair = 0x110000;

// The code point that starts at text[i].  For a surrogate pair i is moved to
// its second unit, so that a loop's ++i goes past the whole character:
//
//     for (qsizetype i = 0; i < text.size(); ++i) {
//         const char32_t c = CodePoints::codePointAt(text, i);
//         ...
//     }
inline char32_t codePointAt(QStringView text, qsizetype &i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        ++i;
        return QChar::surrogateToUcs4(c, text.at(i));
    }
    return c.isSurrogate() ? HalfPair : char32_t(c.unicode());
}

// "U+FFFE": how a message names a code point.
inline QString name(char32_t code)
{
    return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace CodePoints
