#include "tools/mappingcsv.h"

#include "tools/mappingtable.h"

const QStringList &MappingCsv::columns()
{
    static const QStringList names = {QStringLiteral("id"),           QStringLiteral("source label"),
                                      QStringLiteral("source URI"),   QStringLiteral("relation"),
                                      QStringLiteral("target label"), QStringLiteral("target URI"),
                                      QStringLiteral("target thesaurus"), QStringLiteral("notes")};
    return names;
}

QByteArray MappingCsv::write(const QVector<QStringList> &rows)
{
    // UTF-8 with a byte order mark, so that spreadsheets read it as UTF-8.
    QByteArray out("\xEF\xBB\xBF");
    out += MappingTable::line(columns(), QLatin1Char(',')).toUtf8() + "\r\n";
    for (const QStringList &row : rows)
        out += MappingTable::line(row, QLatin1Char(',')).toUtf8() + "\r\n";
    return out;
}

void MappingCsv::read(const QString &text, MappingImport::File &f)
{
    const MappingTable::Reading reading = MappingTable::read(text, QLatin1Char(','), 1, MappingTable::LooseQuotes::Refused);
    if (!reading.ok) {
        f.errore = reading.error;
        f.rigaErrore = reading.errorLine;
        return;
    }
    if (reading.records.isEmpty()) {
        f.errore = QStringLiteral("the file has no header row");
        return;
    }
    const QStringList &header = reading.records.first().fields;
    auto column = [&header](const QString &name) {
        for (int c = 0; c < header.size(); ++c)
            if (header.at(c).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return c;
        return -1;
    };
    const QStringList &names = columns();
    const int src = column(names.at(2));
    const int rel = column(names.at(3));
    const int trg = column(names.at(5));
    const int notes = column(names.at(7));
    if (src < 0 || rel < 0 || trg < 0) {
        f.errore = QStringLiteral("the header row lacks the columns source URI, relation or target URI");
        f.rigaErrore = reading.records.first().line;
        return;
    }
    for (qsizetype r = 1; r < reading.records.size(); ++r) {
        const MappingTable::Record &rec = reading.records.at(r);
        if (rec.fields.size() == 1 && rec.fields.first().isEmpty())
            continue; // an empty line
        if (rec.fields.size() != header.size()) {
            f.voci.clear();
            f.errore = QStringLiteral("the row has %1 fields where the header has %2")
                           .arg(rec.fields.size())
                           .arg(header.size());
            f.rigaErrore = rec.line;
            return;
        }
        MappingImport::Voce v;
        v.riga = rec.line;
        v.soggetto = rec.fields.at(src);
        v.predicato = rec.fields.at(rel);
        v.oggetto = rec.fields.at(trg);
        if (notes >= 0)
            v.note = rec.fields.at(notes);
        f.voci.append(std::move(v));
    }
    f.ok = true;
}
