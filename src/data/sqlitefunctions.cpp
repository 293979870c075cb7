#include "data/sqlitefunctions.h"

#include <QString>
#include <sqlite3.h>

namespace {

bool isAscii(const char *s, int n)
{
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    return true;
}

int asciiNoCase(const char *a, int na, const char *b, int nb)
{
    const int n = na < nb ? na : nb;
    for (int i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

// Case folded and stripped of diacritics: the primary sort key.
QString baseLetters(const QString &folded)
{
    const QString decomposed = folded.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar ch : decomposed)
        if (ch.category() != QChar::Mark_NonSpacing)
            out.append(ch);
    return out;
}

int collate(void *, int na, const void *a, int nb, const void *b)
{
    return SqliteFunctions::compareNoCase(static_cast<const char *>(a), na, static_cast<const char *>(b), nb);
}

} // namespace

int SqliteFunctions::compareNoCase(const char *a, int na, const char *b, int nb)
{
    if (isAscii(a, na) && isAscii(b, nb))
        return asciiNoCase(a, na, b, nb);
    const QString fa = QString::fromUtf8(a, na).toCaseFolded();
    const QString fb = QString::fromUtf8(b, nb).toCaseFolded();
    const int primary = baseLetters(fa).compare(baseLetters(fb));
    if (primary != 0)
        return primary < 0 ? -1 : 1;
    const int secondary = fa.compare(fb);
    return secondary < 0 ? -1 : (secondary > 0 ? 1 : 0);
}

void SqliteFunctions::install(sqlite3 *db)
{
    if (!db)
        return;
    sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, collate);
}
