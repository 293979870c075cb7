// Builds the sample thesaurus database from the CSV files in resources/sample.
//
//   mksample <folder of the CSV files> <database file to write>
//
// The database is written to a temporary file beside the target and renamed
// over it only when everything went in, so a failed build never leaves a half
// made sample behind.  Any inconsistency in the CSV files (a parent or link to
// an unknown concept, a dex column that does not match the concept, an unknown
// property or language) stops the build with the file and line at fault.

#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>

namespace {

struct Field
{
    QString text;
    bool quoted = false;
};

struct Row
{
    int line = 0;
    QList<Field> fields;
    QString at(int i) const { return fields.value(i).text; }
};

class InputError : public std::runtime_error
{
public:
    InputError(const QString &where, const QString &what)
        : std::runtime_error((where + QStringLiteral(": ") + what).toStdString())
    {
    }
};

// A quoted field of a CSV line, from its opening quote at i: a doubled quote
// stands for one, the closing quote must end the field.  Leaves i after it.
Field quotedField(const QString &line, int &i, const QString &where)
{
    Field f;
    f.quoted = true;
    const int n = line.size();
    ++i; // the opening quote
    while (true) {
        if (i >= n)
            throw InputError(where, QStringLiteral("unterminated quoted field"));
        if (line.at(i) != QLatin1Char('"')) {
            f.text += line.at(i++);
        } else if (i + 1 < n && line.at(i + 1) == QLatin1Char('"')) {
            f.text += QLatin1Char('"');
            i += 2;
        } else {
            ++i;
            break;
        }
    }
    if (i < n && line.at(i) != QLatin1Char(','))
        throw InputError(where, QStringLiteral("text after a closing quote"));
    return f;
}

// One CSV line: fields separated by commas, a field may be quoted with double
// quotes and then holds commas and doubled quotes ("").  Lines starting with
// '#' are comments; the first other line is the header.
QList<Field> splitLine(const QString &line, const QString &where)
{
    QList<Field> out;
    int i = 0;
    const int n = line.size();
    while (true) {
        if (i < n && line.at(i) == QLatin1Char('"')) {
            out.append(quotedField(line, i, where));
        } else {
            Field f;
            while (i < n && line.at(i) != QLatin1Char(','))
                f.text += line.at(i++);
            out.append(f);
        }
        if (i >= n)
            break;
        ++i; // the comma
    }
    return out;
}

QList<Row> readCsv(const QString &path, const QStringList &header)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw InputError(path, QStringLiteral("cannot be read: ") + file.errorString());
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QList<Row> rows;
    bool headerSeen = false;
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = path + QLatin1Char(':') + QString::number(lineNo);
        const QList<Field> fields = splitLine(line, where);
        if (!headerSeen) {
            QStringList names;
            for (const Field &f : fields)
                names << f.text;
            if (names != header)
                throw InputError(where, QStringLiteral("expected the header ") + header.join(QLatin1Char(',')));
            headerSeen = true;
            continue;
        }
        if (fields.size() != header.size())
            throw InputError(where, QStringLiteral("%1 fields instead of %2").arg(fields.size()).arg(header.size()));
        rows.append(Row{lineNo, fields});
    }
    if (!headerSeen)
        throw InputError(path, QStringLiteral("has no header line"));
    return rows;
}

int toInt(const QString &text, const QString &where, const char *what)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        throw InputError(where, QStringLiteral("%1 is not a whole number: \"%2\"").arg(QLatin1String(what), text));
    return v;
}

struct Concept
{
    int model = 0;
    QVariant parent;
    QString dex;
};

class SampleBuilder
{
public:
    SampleBuilder(cConnessione &c, const QString &folder) : m_c(c), m_folder(folder) {}

    void build()
    {
        readNames();
        languages();
        concepts();
        labels();
        links();
        relations();
    }

private:
    QString file(const char *name) const { return m_folder + QLatin1Char('/') + QLatin1String(name); }
    QString where(const char *name, const Row &r) const { return file(name) + QLatin1Char(':') + QString::number(r.line); }

    void readNames()
    {
        RecordSet rs;
        m_c.ApriRS(QStringLiteral("select id, dex from properties"), rs);
        for (; !rs.isEOF(); rs.MoveNext())
            m_properties.insert(rs.value(QStringLiteral("dex")).toString(), rs.value(QStringLiteral("id")).toInt());
        m_c.ChiudiRS(rs);
        m_c.ApriRS(QStringLiteral("select id, name from lang"), rs);
        for (; !rs.isEOF(); rs.MoveNext())
            m_languages.insert(rs.value(QStringLiteral("name")).toString(), rs.value(QStringLiteral("id")).toInt());
        m_c.ChiudiRS(rs);
        m_c.ApriRS(QStringLiteral("select id, right_model_ref from mappingprojects"), rs);
        for (; !rs.isEOF(); rs.MoveNext())
            m_projectTargets.insert(rs.value(QStringLiteral("id")).toInt(), rs.value(QStringLiteral("right_model_ref")).toInt());
        m_c.ChiudiRS(rs);
    }

    void languages()
    {
        QSqlQuery insert = m_c.prepare(QStringLiteral("insert into lang (id, name) values (?, ?)"));
        for (const Row &r : readCsv(file("languages.csv"), {QStringLiteral("id"), QStringLiteral("name")})) {
            const int id = toInt(r.at(0), where("languages.csv", r), "id");
            if (m_languages.contains(r.at(1)))
                throw InputError(where("languages.csv", r), QStringLiteral("language %1 is already there").arg(r.at(1)));
            m_c.exec(insert, {id, r.at(1)});
            m_languages.insert(r.at(1), id);
        }
    }

    void concepts()
    {
        const QList<Row> rows = readCsv(file("concepts.csv"),
                                        {QStringLiteral("id"), QStringLiteral("model"), QStringLiteral("parent"),
                                         QStringLiteral("is_leaf"), QStringLiteral("uri"), QStringLiteral("dex")});
        QSqlQuery insert = m_c.prepare(
            QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, ?, ?, ?, ?)"));
        QSet<QString> uris;
        for (const Row &r : rows) {
            const QString at = where("concepts.csv", r);
            const int id = toInt(r.at(0), at, "id");
            const int model = toInt(r.at(1), at, "model");
            if (Ids::modelName(model).isEmpty())
                throw InputError(at, QStringLiteral("unknown model %1").arg(model));
            QVariant parent;
            if (!r.at(2).isEmpty())
                parent = toInt(r.at(2), at, "parent");
            const int leaf = toInt(r.at(3), at, "is_leaf");
            if (leaf != 0 && leaf != 1)
                throw InputError(at, QStringLiteral("is_leaf must be 0 or 1"));
            const QString uri = r.at(4);
            const QString dex = r.at(5);
            if (uri.isEmpty() || dex.isEmpty())
                throw InputError(at, QStringLiteral("a concept needs a uri and a dex"));
            if (m_concepts.contains(id))
                throw InputError(at, QStringLiteral("concept %1 appears twice").arg(id));
            if (uris.contains(uri))
                throw InputError(at, QStringLiteral("uri %1 appears twice").arg(uri));
            uris.insert(uri);
            m_concepts.insert(id, Concept{model, parent, dex});
            m_c.exec(insert, {id, model, parent, dex, leaf, uri});
        }
        // Parents are checked once every concept is known, so the file may list
        // a child before its parent.
        for (const Row &r : rows) {
            const Concept &c = m_concepts[r.at(0).toInt()];
            if (c.parent.isNull())
                continue;
            const auto p = m_concepts.constFind(c.parent.toInt());
            if (p == m_concepts.constEnd())
                throw InputError(where("concepts.csv", r), QStringLiteral("unknown parent %1").arg(c.parent.toInt()));
            if (p->model != c.model)
                throw InputError(where("concepts.csv", r), QStringLiteral("the parent belongs to another thesaurus"));
        }
        // Every concept's English preferred label is its dex; broader and
        // narrower follow the tree.
        for (auto it = m_concepts.constBegin(); it != m_concepts.constEnd(); ++it) {
            addText(it.key(), Ids::PrefLabel, Ids::LangEnglish, it->dex);
            if (!it->parent.isNull()) {
                addLink(it.key(), Ids::Broader, it->parent.toInt());
                addLink(it->parent.toInt(), Ids::Narrower, it.key());
            }
        }
    }

    int conceptOf(const QString &idText, const QString &dex, const QString &at)
    {
        const int id = toInt(idText, at, "concept");
        const auto c = m_concepts.constFind(id);
        if (c == m_concepts.constEnd())
            throw InputError(at, QStringLiteral("unknown concept %1").arg(id));
        if (c->dex != dex)
            throw InputError(at, QStringLiteral("concept %1 is \"%2\", not \"%3\"").arg(id).arg(c->dex, dex));
        return id;
    }

    int propertyOf(const QString &name, const QList<int> &allowed, const QString &at)
    {
        const int id = m_properties.value(name, -1);
        if (!allowed.contains(id))
            throw InputError(at, QStringLiteral("property \"%1\" cannot be used here").arg(name));
        return id;
    }

    void labels()
    {
        for (const Row &r : readCsv(file("labels.csv"), {QStringLiteral("concept"), QStringLiteral("dex"),
                                                         QStringLiteral("property"), QStringLiteral("lang"),
                                                         QStringLiteral("value")})) {
            const QString at = where("labels.csv", r);
            const int conceptId = conceptOf(r.at(0), r.at(1), at);
            const int property = propertyOf(r.at(2), {Ids::AltLabel, Ids::PrefLabel, Ids::ScopeNote}, at);
            const int lang = m_languages.value(r.at(3), -1);
            if (lang < 0)
                throw InputError(at, QStringLiteral("unknown language \"%1\"").arg(r.at(3)));
            if (property == Ids::PrefLabel && lang == Ids::LangEnglish)
                throw InputError(at, QStringLiteral("the English prefLabel is the concept's dex"));
            if (r.at(4).isEmpty())
                throw InputError(at, QStringLiteral("empty value"));
            addText(conceptId, property, lang, r.at(4));
        }
    }

    void links()
    {
        for (const Row &r : readCsv(file("links.csv"), {QStringLiteral("concept"), QStringLiteral("dex"),
                                                        QStringLiteral("property"), QStringLiteral("target"),
                                                        QStringLiteral("target_dex")})) {
            const QString at = where("links.csv", r);
            const int conceptId = conceptOf(r.at(0), r.at(1), at);
            const int property = propertyOf(r.at(2), {Ids::Broader, Ids::Narrower, Ids::Related}, at);
            const int target = conceptOf(r.at(3), r.at(4), at);
            if (m_concepts[conceptId].model != m_concepts[target].model)
                throw InputError(at, QStringLiteral("a link must stay inside one thesaurus"));
            addLink(conceptId, property, target);
        }
    }

    void relations()
    {
        QSqlQuery insert = m_c.prepare(QStringLiteral(
            "insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, property_ref, notes) "
            "values (?, ?, ?, ?, ?, ?)"));
        QSet<int> ids;
        for (const Row &r : readCsv(file("relations.csv"),
                                    {QStringLiteral("id"), QStringLiteral("project"), QStringLiteral("left"),
                                     QStringLiteral("left_dex"), QStringLiteral("right"), QStringLiteral("right_dex"),
                                     QStringLiteral("relation"), QStringLiteral("notes")})) {
            const QString at = where("relations.csv", r);
            const int id = toInt(r.at(0), at, "id");
            if (ids.contains(id))
                throw InputError(at, QStringLiteral("relation %1 appears twice").arg(id));
            ids.insert(id);
            const int project = toInt(r.at(1), at, "project");
            if (!m_projectTargets.contains(project))
                throw InputError(at, QStringLiteral("unknown project %1").arg(project));
            const int left = conceptOf(r.at(2), r.at(3), at);
            const int right = conceptOf(r.at(4), r.at(5), at);
            if (m_concepts[left].model != Ids::EUROVOC)
                throw InputError(at, QStringLiteral("the left concept must be a EUROVOC concept"));
            if (m_concepts[right].model != m_projectTargets.value(project))
                throw InputError(at, QStringLiteral("the right concept is not in the project's target thesaurus"));
            const int property =
                propertyOf(r.at(6), {Ids::ExactMatch, Ids::BroadMatch, Ids::NarrowMatch}, at);
            // An unquoted empty note is no note at all (null); "" is an empty one.
            const Field &notes = r.fields.at(7);
            // (An empty QString would be bound as null, so the empty note is made explicitly.)
            QVariant note;
            if (notes.quoted || !notes.text.isEmpty())
                note = notes.text.isEmpty() ? QStringLiteral("") : notes.text;
            m_c.exec(insert, {id, project, left, right, property, note});
        }
    }

    int conceptProperty(int conceptId, int property)
    {
        const quint64 key = (quint64(quint32(conceptId)) << 32) | quint32(property);
        auto it = m_rows.constFind(key);
        if (it != m_rows.constEnd())
            return *it;
        if (!m_insertRow)
            m_insertRow = std::make_unique<QSqlQuery>(m_c.prepare(
                QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (?, ?, ?)")));
        const int id = ++m_lastRow;
        m_c.exec(*m_insertRow, {id, conceptId, property});
        m_rows.insert(key, id);
        return id;
    }

    void addText(int conceptId, int property, int lang, const QString &value)
    {
        const int row = conceptProperty(conceptId, property);
        if (!m_insertText)
            m_insertText = std::make_unique<QSqlQuery>(m_c.prepare(QStringLiteral(
                "insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) values (?, ?, ?)")));
        m_c.exec(*m_insertText, {row, lang, value});
    }

    void addLink(int conceptId, int property, int target)
    {
        const quint64 key = (quint64(quint32(conceptId)) << 32) | quint32(target);
        if (m_linked[property].contains(key))
            return; // the same link given twice (derived and listed) is stored once
        m_linked[property].insert(key);
        const int row = conceptProperty(conceptId, property);
        if (!m_insertLink)
            m_insertLink = std::make_unique<QSqlQuery>(m_c.prepare(QStringLiteral(
                "insert into objectpropertyvalues (concept_property_ref, concept_ref) values (?, ?)")));
        m_c.exec(*m_insertLink, {row, target});
    }

    cConnessione &m_c;
    QString m_folder;
    QHash<QString, int> m_properties;
    QHash<QString, int> m_languages;
    QHash<int, int> m_projectTargets;
    QHash<int, Concept> m_concepts;
    QHash<quint64, int> m_rows;
    QHash<int, QSet<quint64>> m_linked;
    int m_lastRow = 0;
    std::unique_ptr<QSqlQuery> m_insertRow, m_insertText, m_insertLink;
};

int fail(const QString &message)
{
    std::fprintf(stderr, "mksample: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: mksample <csv folder> <database file>"));
    const QString folder = args.at(1);
    const QString target = args.at(2);
    const QString temporary = target + QStringLiteral(".part");
    QFile::remove(temporary);
    try {
        cConnessione::createDatabaseFile(temporary);
        {
            cConnessione c;
            c.setRecordChanges(false); // the sample's relations are nobody's changes
            if (!c.ApriConnessione(cConnessione::connectionStringFor(temporary)))
                throw std::runtime_error(c.lastOpenError().toStdString());
            Schema::create(c);
            c.beginTransaction();
            try {
                SampleBuilder(c, folder).build();
                c.commit();
            } catch (...) {
                c.rollback();
                throw;
            }
            c.ChiudiConnessione();
        }
        QFile::remove(target);
        if (!QFile::rename(temporary, target))
            throw std::runtime_error(("cannot write " + target).toStdString());
    } catch (const DbError &e) {
        QFile::remove(temporary);
        return fail(QStringLiteral("database error %1: %2").arg(e.number()).arg(e.description()));
    } catch (const std::exception &e) {
        QFile::remove(temporary);
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
