#include "tools/mappingtable.h"

namespace {

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Moves past one line end (LF, CR LF or CR) at i; false when there is none.
bool skipLineEnd(QStringView text, qsizetype &i)
{
    if (i >= text.size() || !isLineEnd(text.at(i)))
        return false;
    if (text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
        ++i;
    ++i;
    return true;
}

class Reader
{
public:
    Reader(QStringView text, QChar separator, int firstLine, MappingTable::LooseQuotes looseQuotes)
        : m_text(text), m_separator(separator), m_line(firstLine), m_looseQuotes(looseQuotes)
    {
    }

    MappingTable::Reading run()
    {
        MappingTable::Reading r;
        while (m_i < m_text.size()) {
            MappingTable::Record record{m_line, {}};
            if (!readRecord(record.fields, r))
                return r;
            r.records.append(std::move(record));
        }
        r.ok = true;
        return r;
    }

private:
    bool fail(MappingTable::Reading &r, const QString &why, int line)
    {
        r.records.clear();
        r.error = why;
        r.errorLine = line;
        return false;
    }

    bool readRecord(QStringList &fields, MappingTable::Reading &r)
    {
        for (;;) {
            QString value;
            if (m_i < m_text.size() && m_text.at(m_i) == QLatin1Char('"')) {
                if (!readQuoted(value, r))
                    return false;
            } else if (!readPlain(value, r)) {
                return false;
            }
            fields << value;
            if (m_i < m_text.size() && m_text.at(m_i) == m_separator) {
                ++m_i;
                continue;
            }
            skipLineEnd(m_text, m_i);
            ++m_line;
            return true;
        }
    }

    bool readQuoted(QString &value, MappingTable::Reading &r)
    {
        const int startLine = m_line;
        ++m_i;
        for (;;) {
            if (m_i >= m_text.size())
                return fail(r, QStringLiteral("a quoted field that starts here is never closed"), startLine);
            const QChar c = m_text.at(m_i);
            if (c == QLatin1Char('"')) {
                if (m_i + 1 < m_text.size() && m_text.at(m_i + 1) == QLatin1Char('"')) {
                    value += c;
                    m_i += 2;
                    continue;
                }
                ++m_i;
                break;
            }
            // A line end inside quotes is kept as it is; only the count moves.
            if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && (m_i + 1 >= m_text.size()
                                                                       || m_text.at(m_i + 1) != QLatin1Char('\n'))))
                ++m_line;
            value += c;
            ++m_i;
        }
        if (m_i < m_text.size() && m_text.at(m_i) != m_separator && !isLineEnd(m_text.at(m_i)))
            return fail(r, QStringLiteral("text follows the closing quote of a field"), m_line);
        return true;
    }

    bool readPlain(QString &value, MappingTable::Reading &r)
    {
        const qsizetype start = m_i;
        while (m_i < m_text.size() && m_text.at(m_i) != m_separator && !isLineEnd(m_text.at(m_i))) {
            if (m_text.at(m_i) == QLatin1Char('"') && m_looseQuotes == MappingTable::LooseQuotes::Refused)
                return fail(r, QStringLiteral("a quote inside a field that is not quoted"), m_line);
            ++m_i;
        }
        value = m_text.mid(start, m_i - start).toString();
        return true;
    }

    QStringView m_text;
    QChar m_separator;
    int m_line;
    MappingTable::LooseQuotes m_looseQuotes;
    qsizetype m_i = 0;
};

} // namespace

QString MappingTable::field(QStringView text, QChar separator)
{
    bool quote = false;
    for (QChar c : text)
        if (c == separator || c == QLatin1Char('"') || isLineEnd(c)) {
            quote = true;
            break;
        }
    if (!quote)
        return text.toString();
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString MappingTable::line(const QStringList &fields, QChar separator)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i)
            out += separator;
        out += field(fields.at(i), separator);
    }
    return out;
}

MappingTable::Reading MappingTable::read(QStringView text, QChar separator, int firstLine, LooseQuotes looseQuotes)
{
    return Reader(text, separator, firstLine, looseQuotes).run();
}
