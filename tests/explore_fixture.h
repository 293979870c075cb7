#pragma once

// A small pair of thesauri for the tests of exploring while aligning (search,
// information grid, marking, the mapping editor button), and the opening of
// both alignment windows on it.
//
// EUROVOC, field 52 (loaded) and field 48 (never loaded):
//   5200 "52 ENVIRONMENT"                     grouping
//     5210 "environmental policy"             descriptor with children
//       1234 "Agriculture"                    leaf; 2 links, 3 English texts, texts in FR
//       5211 "pollution policy"               leaf; its broader is 5210
//       5212 "clean technology"               leaf; altLabel only in French
//     5220 "natural environment"              leaf; altLabel "Éco-système"
//     5230 "WATER POLLUTION"                  leaf; label with quotes and a backslash
//   4800 "48 TRANSPORT" / 4810 "transport policy"
// GEMET, subset "WASTES" (loaded) and "ENERGY" (never loaded):
//   1300 "WASTES" / 1301 "agricultural waste", 1302 "policy instrument"
//   1400 "ENERGY" / 1401 "energy policy"
#include "data/cConnessione.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"
#include "support/testdb.h"
#include "workspace/treequeries.h"
#include "workspace/ui/frmAlbero.h"

#include <QStringList>
#include <QVariantList>

namespace ExploreFixture {

inline const QString &quotedLabel()
{
    static const QString s = QStringLiteral("water \"pollution\" O'Brien's C:\\basin");
    return s;
}

class Builder
{
public:
    void addConcept(int id, int model, int parent, const QString &dex, int leaf, const QString &uri = {})
    {
        sql << QStringLiteral("insert into concepts (id, model_ref, parent_ref, dex, is_leaf, uri) values (?, ?, ?, ?, ?, ?)");
        params << QVariantList{id, model, parent ? QVariant(parent) : QVariant(QMetaType(QMetaType::Int)), dex, leaf,
                               uri.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(uri)};
    }
    void text(int owner, int property, int lang, const QString &value)
    {
        ++m_cp;
        sql << QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (?, ?, ?)");
        params << QVariantList{m_cp, owner, property};
        sql << QStringLiteral("insert into datatypepropertyvalues (concept_property_ref, lang_ref, value) values (?, ?, ?)");
        params << QVariantList{m_cp, lang, value};
    }
    void link(int owner, int property, int other)
    {
        ++m_cp;
        sql << QStringLiteral("insert into conceptproperties (id, concept_ref, property_ref) values (?, ?, ?)");
        params << QVariantList{m_cp, owner, property};
        sql << QStringLiteral("insert into objectpropertyvalues (concept_property_ref, concept_ref) values (?, ?)");
        params << QVariantList{m_cp, other};
    }
    void relation(int id, int project, int left, int right, int property = Ids::ExactMatch)
    {
        sql << QStringLiteral("insert into mappingrelations (id, project_ref, left_concept_ref, right_concept_ref, "
                              "property_ref, notes) values (?, ?, ?, ?, ?, null)");
        params << QVariantList{id, project, left, right, property};
    }

    QStringList sql;
    QList<QVariantList> params;

private:
    int m_cp = 0;
};

constexpr int FR = 7;

// The database described above, with no mapping relations.
inline QString build(TestDb &db)
{
    const QString path = db.createThesaurus();
    Builder b;
    b.sql << QStringLiteral("insert into lang (id, name) values (7, 'FR')");
    b.params << QVariantList{};
    const QString ns = QString::fromLatin1(Ids::DomainNamespace);
    const int E = Ids::EUROVOC, G = Ids::GEMET, EN = Ids::LangEnglish;
    b.addConcept(5200, E, 0, QStringLiteral("52 ENVIRONMENT"), 0, ns + QStringLiteral("52"));
    b.addConcept(5210, E, 5200, QStringLiteral("environmental policy"), 1);
    b.addConcept(1234, E, 5210, QStringLiteral("Agriculture"), 1);
    b.addConcept(5211, E, 5210, QStringLiteral("pollution policy"), 1);
    b.addConcept(5212, E, 5210, QStringLiteral("clean technology"), 1);
    b.addConcept(5220, E, 5200, QStringLiteral("natural environment"), 1);
    b.addConcept(5230, E, 5200, QStringLiteral("WATER POLLUTION"), 1);
    b.addConcept(4800, E, 0, QStringLiteral("48 TRANSPORT"), 0, ns + QStringLiteral("48"));
    b.addConcept(4810, E, 4800, QStringLiteral("transport policy"), 1);
    b.addConcept(1300, G, 0, QStringLiteral("WASTES"), 0);
    b.addConcept(1301, G, 1300, QStringLiteral("agricultural waste"), 1);
    b.addConcept(1302, G, 1300, QStringLiteral("policy instrument"), 1);
    b.addConcept(1400, G, 0, QStringLiteral("ENERGY"), 0);
    b.addConcept(1401, G, 1400, QStringLiteral("energy policy"), 1);

    b.text(5210, Ids::PrefLabel, EN, QStringLiteral("environmental policy"));
    b.text(5211, Ids::PrefLabel, EN, QStringLiteral("pollution policy"));
    b.text(5212, Ids::PrefLabel, EN, QStringLiteral("clean technology"));
    b.text(5212, Ids::AltLabel, FR, QStringLiteral("technologie propre"));
    b.text(5220, Ids::PrefLabel, EN, QStringLiteral("natural environment"));
    b.text(5220, Ids::AltLabel, EN, QStringLiteral("\u00c9co-syst\u00e8me"));
    b.text(5230, Ids::PrefLabel, EN, QStringLiteral("WATER POLLUTION"));
    b.text(5230, Ids::ScopeNote, EN, quotedLabel());
    b.text(4810, Ids::PrefLabel, EN, QStringLiteral("transport policy"));
    b.text(1301, Ids::PrefLabel, EN, QStringLiteral("agricultural waste"));
    b.text(1302, Ids::PrefLabel, EN, QStringLiteral("policy instrument"));
    b.text(1401, Ids::PrefLabel, EN, QStringLiteral("energy policy"));
    // Agriculture: 2 links and 3 English texts, added out of order; texts in
    // French and a mapping relation that the grid leaves out.
    b.text(1234, Ids::ScopeNote, EN, QStringLiteral("Growing crops and raising livestock"));
    b.link(1234, Ids::Related, 5220);
    b.text(1234, Ids::PrefLabel, EN, QStringLiteral("Agriculture"));
    b.link(1234, Ids::Broader, 5210);
    b.text(1234, Ids::AltLabel, EN, QStringLiteral("farming"));
    b.text(1234, Ids::PrefLabel, FR, QStringLiteral("agriculture fran\u00e7aise"));
    b.link(1234, Ids::ExactMatch, 1301);
    // Links of the others.
    b.link(5210, Ids::Narrower, 1234);
    b.link(5210, Ids::Narrower, 5211);
    b.link(5210, Ids::Narrower, 5212);
    b.link(5211, Ids::Broader, 5210);
    b.link(5212, Ids::Broader, 5210);
    b.link(1301, Ids::Related, 1302);
    TestDb::run(path, b.sql, b.params);
    return path;
}

inline void addRelations(const QString &path, const QList<QVariantList> &rows)
{
    Builder b;
    for (const QVariantList &r : rows)
        b.relation(r.at(0).toInt(), r.at(1).toInt(), r.at(2).toInt(), r.at(3).toInt());
    TestDb::run(path, b.sql, b.params);
}

// Loads both alignment windows as Mapping > New does: EUROVOC field 52 on
// the left, the target's subset (empty: all of it) on the right.
inline void openWindows(int targetModel, const QString &subset = QStringLiteral("WASTES"))
{
    using namespace mdlGlobale;
    vTargetModel = targetModel;
    vTargetSubset = subset;
    frmAlbero::carica(TreeLoad::targetRequest(targetModel, subset));
    frmAlbero::carica(TreeLoad::sourceRequest(QStringLiteral("52")));
}

} // namespace ExploreFixture
