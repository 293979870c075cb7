#include "data/choices.h"

#include "data/ids.h"

namespace {

QStringList listOf(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *s : items)
        l.append(QString::fromUtf8(s));
    return l;
}

// ECLAS's first subset, whose name is longer than a line.
const char *const eclasFirstSubset = "001 International cooperation. International relations. International law. "
                                     "European Communities. European Union";

} // namespace

QStringList Scelte::eurovocFields()
{
    return listOf({"04 POLITICS", "08 INTERNATIONAL RELATIONS", "10 EUROPEAN COMMUNITIES", "12 LAW",
                   "16 ECONOMICS", "20 TRADE", "24 FINANCE", "28 SOCIAL QUESTIONS",
                   "32 EDUCATION AND COMMUNICATIONS", "36 SCIENCE", "40 BUSINESS AND COMPETITION",
                   "44 EMPLOYMENT AND WORKING CONDITIONS", "48 TRANSPORT", "52 ENVIRONMENT",
                   "56 AGRICULTURE, FORESTRY AND FISHERIES", "60 AGRI-FOODSTUFFS",
                   "64 PRODUCTION, TECHNOLOGY AND RESEARCH", "66 ENERGY", "68 INDUSTRY", "72 GEOGRAPHY",
                   "76 INTERNATIONAL ORGANISATIONS"});
}

QStringList Scelte::subsets(int model)
{
    switch (model) {
    case Ids::ECLAS:
        return listOf({eclasFirstSubset,
                       "002 Economic policy. Planning. Social policy. Social problems",
                       "003 Economics. Economic conditions. Economic doctrines and systems",
                       "004 Law. Public Administration. Politics", "005 Culture. Society",
                       "006 Education. Training", "007 Agriculture. Forestry. Fisheries", "008 Industry",
                       "009 Trade", "010 Transport", "011 Public finance. Banking. International monetary relations",
                       "012 Management. Productivity", "013 Labour", "014 Demography. Population",
                       "015 Biology. Food. Health", "016 Environment. Natural resources",
                       "017 Earth sciences. Space sciences", "018 Science. Research. Methodology",
                       "019 Information. Documentation. Computer Science. Terminology"});
    case Ids::ETT:
        return listOf({"1.1. Training", "1.2. Education", "1.3. Learning",
                       "1.4. Fields of training: sciences and technology",
                       "1.5. Information and communication technology", "2.1. Labour", "2.2. Enterprise",
                       "2.3. Occupations", "3.1. Economic activities", "3.2. Economy", "3.3. Administration",
                       "3.4. Society", "3.5. Population", "4.1. Countries and regions", "4.2. European Union",
                       "4.3. International organisations", "4.4. Document type", "4.5. Auxiliary terms"});
    case Ids::UNESCO:
        return listOf({"1. Education", "2. Science", "3. Culture", "4. Social and human sciences",
                       "5. Information and communication", "6. Politics, law and economics",
                       "7. Countries and country groupings"});
    case Ids::GEMET:
        return listOf({"ADMINISTRATION , MANAGEMENT, POLICY, POLITICS, INSTITUTIONS, PLANNING",
                       "AGRICULTURE, FORESTRY; ANIMAL HUSBANDRY; FISHERY",
                       "ANTHROPOSPHERE (built environment, human settlements, land setup)",
                       "ATMOSPHERE (air, climate)", "BIOSPHERE (organisms, ecosystems)",
                       "CHEMISTRY , SUBSTANCES, processes", "ECONOMICS , FINANCE", "EFFECTS , IMPACTS", "ENERGY",
                       "ENVIRONMENT (natural environment, anthropic environment)", "ENVIRONMENTAL POLICY",
                       "FUNCTIONAL TERMS", "General TERMS", "HEALTH , NUTRITION",
                       "HYDROSPHERE (freshwater, marine water, waters)", "INDUSTRY, CRAFTS; TECHNOLOGY; EQUIPMENTS",
                       "INFORMATION, EDUCATION, CULTURE, ENVIRONMENTAL AWARENESS", "LAND (landscape, geography)",
                       "LEGISLATION , NORMS, CONVENTIONS", "LITHOSPHERE (soil, geological processes)",
                       "PHYSICAL ASPECTS, NOISE, VIBRATIONS, RADIATIONS", "PRODUCTS , MATERIALS",
                       "RECREATION , TOURISM", "RESEARCH , SCIENCES", "RESOURCES (utilisation of resources)",
                       "RISKS , SAFETY", "SOCIETY", "Space", "Time (chronology)", "TRADE , SERVICES",
                       "TRAFFIC , TRANSPORTATION", "WASTES , POLLUTANTS, POLLUTION"});
    default:
        return {};
    }
}

QString Scelte::hint(int model)
{
    switch (model) {
    case Ids::ECLAS:
        return QStringLiteral("For an ECLAS subset choose the specific subset in combo below OR click on OK with no "
                              "further choice");
    case Ids::ETT:
        return QStringLiteral("For an ETT subset choose the specific subset in combo below OR click on OK with no "
                              "further choice");
    case Ids::UNESCO:
        return QStringLiteral("For an UNESCO subset choose the specific subset in combo below OR click on OK with no "
                              "further choice");
    case Ids::GEMET:
        return QStringLiteral("For a GEMET subset choose the specific subset in combo below OR click on OK with no "
                              "further choice");
    default:
        return {};
    }
}

