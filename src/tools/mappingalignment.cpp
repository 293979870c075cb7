#include "tools/mappingalignment.h"

#include "tools/mappingrdf.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

const QString rdfNs = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");

// Deeper than this no alignment goes; a file that does is refused before it
// can cost anything.
constexpr int maxDepth = 256;

// Matchers write the namespace with and without its closing "#".
bool inAlignmentNamespace(QStringView ns)
{
    const QString full = QString::fromLatin1(MappingAlignment::Namespace);
    return ns.isEmpty() || ns == full || ns == QStringView(full).chopped(1);
}

struct Cell
{
    int line = 0;
    QString entity1, entity2, relation, measure;
    bool hasMeasure = false;
};

// The predicate of a relation.  The Alignment format reads "e1 < e2" as e1
// being subsumed by e2: e1 is the narrower one.  SKOS reads "A broadMatch B"
// as B being broader than A.  So "<" is e1 skos:broadMatch e2, and ">" (e1
// subsumes e2) is e1 skos:narrowMatch e2.
QString predicateOf(const QString &relation)
{
    const QString skos = QString::fromLatin1(MappingRdf::SkosNamespace);
    if (relation == QLatin1String("="))
        return skos + QStringLiteral("exactMatch");
    if (relation == QLatin1String("<"))
        return skos + QStringLiteral("broadMatch");
    if (relation == QLatin1String(">"))
        return skos + QStringLiteral("narrowMatch");
    return QStringLiteral("align:") + relation;
}

class Reader
{
public:
    Reader(const QByteArray &bytes, MappingImport::File &f) : m_xml(bytes), m_f(f) {}

    void run()
    {
        int depth = 0;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement()) {
                if (++depth > maxDepth)
                    return fail(QStringLiteral("the XML is nested more than %1 elements deep").arg(maxDepth));
                if (m_xml.name() == QLatin1String("Cell") && inAlignmentNamespace(m_xml.namespaceUri())) {
                    if (!cell())
                        return;
                    --depth; // cell() read up to the end of the Cell
                }
            } else if (m_xml.isEndElement()) {
                --depth;
            }
        }
        if (m_xml.hasError())
            return fail(QStringLiteral("the XML is not well-formed: ") + m_xml.errorString());
        m_f.ok = true;
    }

private:
    void fail(const QString &why, int line = -1)
    {
        m_f.voci.clear();
        m_f.errore = why;
        m_f.rigaErrore = line > 0 ? line : static_cast<int>(m_xml.lineNumber());
    }

    // The entity of entity1 / entity2: rdf:resource, else the rdf:about of
    // an element inside, else the text.
    QString entity()
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        QString iri = attributes.value(rdfNs, QStringLiteral("resource")).toString();
        if (iri.isEmpty())
            iri = attributes.value(QStringLiteral("resource")).toString();
        QString text;
        int depth = 1;
        while (depth > 0 && !m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement()) {
                ++depth;
                if (iri.isEmpty())
                    iri = m_xml.attributes().value(rdfNs, QStringLiteral("about")).toString();
            } else if (m_xml.isEndElement()) {
                --depth;
            } else if (m_xml.isCharacters()) {
                text += m_xml.text();
            }
        }
        return iri.isEmpty() ? text.trimmed() : iri;
    }

    bool cell()
    {
        Cell c;
        c.line = static_cast<int>(m_xml.lineNumber());
        int depth = 1;
        while (depth > 0 && !m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isEndElement()) {
                --depth;
                continue;
            }
            if (!m_xml.isStartElement())
                continue;
            if (depth > 1 || !inAlignmentNamespace(m_xml.namespaceUri())) {
                ++depth;
                continue;
            }
            const QStringView name = m_xml.name();
            if (name == QLatin1String("entity1")) {
                c.entity1 = entity();
            } else if (name == QLatin1String("entity2")) {
                c.entity2 = entity();
            } else if (name == QLatin1String("measure")) {
                c.measure = m_xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                c.hasMeasure = true;
            } else if (name == QLatin1String("relation")) {
                c.relation = m_xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            } else {
                ++depth;
            }
        }
        if (m_xml.hasError()) {
            fail(QStringLiteral("the XML is not well-formed: ") + m_xml.errorString());
            return false;
        }
        return store(c);
    }

    bool store(const Cell &c)
    {
        if (c.entity1.isEmpty() || c.entity2.isEmpty()) {
            fail(QStringLiteral("the Cell has no %1").arg(c.entity1.isEmpty() ? QStringLiteral("entity1")
                                                                              : QStringLiteral("entity2")),
                 c.line);
            return false;
        }
        MappingImport::Voce v;
        v.riga = c.line;
        v.soggetto = c.entity1;
        v.oggetto = c.entity2;
        // A cell without a relation means equivalence, the format's default.
        v.predicato = predicateOf(c.relation.isEmpty() ? QStringLiteral("=") : c.relation);
        if (c.hasMeasure) {
            bool ok = false;
            const double m = c.measure.toDouble(&ok);
            if (!ok || !(m >= 0 && m <= 1)) {
                fail(QStringLiteral("the measure \"%1\" is not a number between 0 and 1").arg(c.measure), c.line);
                return false;
            }
            v.confidence = m;
        }
        m_f.voci.append(std::move(v));
        return true;
    }

    QXmlStreamReader m_xml;
    MappingImport::File &m_f;
};

} // namespace

bool MappingAlignment::recognise(const QByteArray &head)
{
    static const QRegularExpression element(QStringLiteral("<([A-Za-z_][\\w.-]*:)?Alignment[\\s>/]"));
    return head.contains("knowledgeweb.semanticweb.org/heterogeneity/alignment")
           && element.match(QString::fromUtf8(head)).hasMatch();
}

void MappingAlignment::read(const QByteArray &bytes, MappingImport::File &file)
{
    Reader(bytes, file).run();
}
