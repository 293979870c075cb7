#include "data/sqlitefunctions.h"

#include "base/clock.h"
#include "base/mdlUtil.h"

#include <QList>
#include <QString>
#include <QVarLengthArray>
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


// A unit of a folded pattern or text as a code: a byte as its unsigned
// value (never a negative char widened), a code point as it is.
uint codeOf(char c)
{
    return static_cast<unsigned char>(c);
}

uint codeOf(uint c)
{
    return c;
}

// The first place at or after i that is not a '%' of the pattern.
template<typename C>
qsizetype afterAnyRun(const C *p, qsizetype np, qsizetype i)
{
    while (i < np && codeOf(p[i]) == '%')
        ++i;
    return i;
}

// How many units of the pattern, from pi, match the text's unit tc: 2 for an
// escaped character, 1 for '_' or the same character, 0 when they differ.
template<typename C>
int matchOne(const C *p, qsizetype np, qsizetype pi, C tc, uint escape)
{
    const uint pc = codeOf(p[pi]);
    if (escape && pc == escape && pi + 1 < np)
        return p[pi + 1] == tc ? 2 : 0;
    return pc == '_' || p[pi] == tc ? 1 : 0;
}

// Matches a folded pattern against a folded text, character by character:
// '%' any run, '_' one character, escape the next one literally.  Walks once
// and backs up only to the last '%', so the cost stays near linear.
template<typename C>
bool matchFolded(const C *p, qsizetype np, const C *t, qsizetype nt, uint escape)
{
    qsizetype pi = 0, ti = 0;
    qsizetype starP = -1, starT = 0;
    while (ti < nt) {
        if (pi < np && codeOf(p[pi]) == '%') {
            pi = afterAnyRun(p, np, pi);
            if (pi == np)
                return true;
            starP = pi;
            starT = ti;
            continue;
        }
        const int taken = pi < np ? matchOne(p, np, pi, t[ti], escape) : 0;
        if (taken > 0) {
            pi += taken;
            ++ti;
            continue;
        }
        if (starP < 0)
            return false;
        pi = starP;
        ti = ++starT;
    }
    return afterAnyRun(p, np, pi) == np;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool likeAscii(const char *p, int np, const char *t, int nt, uint escape)
{
    // Short texts fold on the stack; SQLite's own LIKE folds ASCII the same way.
    QVarLengthArray<char, 256> fp(np), ft(nt);
    for (int i = 0; i < np; ++i)
        fp[i] = asciiLower(p[i]);
    for (int i = 0; i < nt; ++i)
        ft[i] = asciiLower(t[i]);
    if (escape >= 'A' && escape <= 'Z')
        escape += 32;
    return matchFolded(fp.constData(), np, ft.constData(), nt, escape);
}

void foldFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const unsigned char *t = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    if (!t) {
        sqlite3_result_null(ctx);
        return;
    }
    const char *s = reinterpret_cast<const char *>(t);
    if (isAscii(s, n)) {
        QVarLengthArray<char, 256> out(n);
        for (int i = 0; i < n; ++i)
            out[i] = s[i] == 0 ? char(1) : asciiLower(s[i]);
        sqlite3_result_text(ctx, out.constData(), n, SQLITE_TRANSIENT);
        return;
    }
    const QByteArray folded = SqliteFunctions::indexText(QString::fromUtf8(s, n)).toUtf8();
    sqlite3_result_text(ctx, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    const unsigned char *p = sqlite3_value_text(argv[0]);
    const int np = sqlite3_value_bytes(argv[0]);
    const unsigned char *t = sqlite3_value_text(argv[1]);
    const int nt = sqlite3_value_bytes(argv[1]);
    if (!p || !t) {
        sqlite3_result_null(ctx);
        return;
    }
    uint escape = 0;
    if (argc == 3) {
        const unsigned char *e = sqlite3_value_text(argv[2]);
        if (!e) {
            sqlite3_result_null(ctx);
            return;
        }
        const QList<uint> codes = QString::fromUtf8(reinterpret_cast<const char *>(e), sqlite3_value_bytes(argv[2])).toUcs4();
        if (codes.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = codes.first();
    }
    sqlite3_result_int(ctx, SqliteFunctions::likeUtf8(reinterpret_cast<const char *>(p), np,
                                                       reinterpret_cast<const char *>(t), nt, escape));
}

void resultText(sqlite3_context *ctx, const QByteArray &text)
{
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void userFunction(sqlite3_context *ctx, int, sqlite3_value **)
{
    static const QByteArray user = mdlUtil::accountName().toUtf8();
    resultText(ctx, user);
}

void nowFunction(sqlite3_context *ctx, int, sqlite3_value **)
{
    // A statement that changes many relations asks once a row: the text of
    // the last millisecond asked for is kept.
    thread_local qint64 lastMs = -1;
    thread_local QByteArray lastText;
    const qint64 ms = programClock().nowUtc().toMSecsSinceEpoch();
    if (ms != lastMs) {
        lastText = SqliteFunctions::timeText(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)).toUtf8();
        lastMs = ms;
    }
    resultText(ctx, lastText);
}

void sessionFunction(sqlite3_context *ctx, int, sqlite3_value **)
{
    resultText(ctx, *static_cast<const QByteArray *>(sqlite3_user_data(ctx)));
}

} // namespace

void SqliteFunctions::installChangeLogFunctions(sqlite3 *db, const QByteArray *session)
{
    if (!db)
        return;
    const int flags = SQLITE_UTF8;
    sqlite3_create_function(db, "vospan_user", 0, flags, nullptr, userFunction, nullptr, nullptr);
    sqlite3_create_function(db, "vospan_now", 0, flags, nullptr, nowFunction, nullptr, nullptr);
    sqlite3_create_function(db, "vospan_session", 0, flags, const_cast<QByteArray *>(session), sessionFunction,
                            nullptr, nullptr);
}

QString SqliteFunctions::timeText(const QDateTime &time)
{
    const QDateTime utc = time.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second(), t.msec());
}

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

SqliteFunctions::CollationKey SqliteFunctions::collationKey(const QString &text)
{
    // ASCII text: folding is lowering A-Z and there are no accents, so both
    // parts are the lowered text, which orders as compareNoCase's ASCII path.
    bool ascii = true;
    for (const QChar ch : text)
        if (ch.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        QString lower = text;
        for (QChar &ch : lower)
            if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z'))
                ch = QChar(ch.unicode() + 32);
        return {lower, lower};
    }
    const QString folded = text.toCaseFolded();
    return {baseLetters(folded), folded};
}

int SqliteFunctions::compare(const CollationKey &a, const CollationKey &b)
{
    const int primary = a.primary.compare(b.primary);
    if (primary != 0)
        return primary;
    return a.secondary.compare(b.secondary);
}

void SqliteFunctions::install(sqlite3 *db)
{
    if (!db)
        return;
    sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, collate);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "vospan_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr);
}

QString SqliteFunctions::foldCase(const QString &text)
{
    return text.toCaseFolded();
}

QString SqliteFunctions::indexText(const QString &text)
{
    QString folded = foldCase(text);
    folded.replace(QChar(0), QChar(1));
    return folded;
}

bool SqliteFunctions::likeUtf8(const char *p, int np, const char *t, int nt, uint escape)
{
    if (escape < 0x80 && isAscii(p, np) && isAscii(t, nt))
        return likeAscii(p, np, t, nt, escape);
    const QList<uint> fp = foldCase(QString::fromUtf8(p, np)).toUcs4();
    const QList<uint> ft = foldCase(QString::fromUtf8(t, nt)).toUcs4();
    if (escape) {
        const QList<uint> fe = foldCase(QString::fromUcs4(reinterpret_cast<const char32_t *>(&escape), 1)).toUcs4();
        escape = fe.size() == 1 ? fe.first() : escape;
    }
    return matchFolded(fp.constData(), fp.size(), ft.constData(), ft.size(), escape);
}

bool SqliteFunctions::like(const QString &pattern, const QString &text, QChar escape)
{
    const QByteArray p = pattern.toUtf8();
    const QByteArray t = text.toUtf8();
    return likeUtf8(p.constData(), int(p.size()), t.constData(), int(t.size()), escape.unicode());
}
