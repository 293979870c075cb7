#include "workspace/ui/frmScegli.h"

#include "data/ids.h"
#include "shell/dialogs.h"
#include "shell/mdlGlobale.h"
#include "shell/twips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kFieldPlaceholder = QStringLiteral("eurovoc field");

QStringList listOf(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *s : items)
        l.append(QString::fromUtf8(s));
    return l;
}

QFrame *frame(QWidget *parent, const char *name, const QRect &r)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(r);
    return f;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &r)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(r);
    return l;
}

QComboBox *combo(QWidget *parent, const char *name, const QRect &r)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    // Typed text is a choice of its own, never added to the list.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(20);
    c->setGeometry(r);
    return c;
}

} // namespace

QStringList frmScegli::eurovocFields()
{
    return listOf({"04 POLITICS", "08 INTERNATIONAL RELATIONS", "10 EUROPEAN COMMUNITIES", "12 LAW",
                   "16 ECONOMICS", "20 TRADE", "24 FINANCE", "28 SOCIAL QUESTIONS",
                   "32 EDUCATION AND COMMUNICATIONS", "36 SCIENCE", "40 BUSINESS AND COMPETITION",
                   "44 EMPLOYMENT AND WORKING CONDITIONS", "48 TRANSPORT", "52 ENVIRONMENT",
                   "56 AGRICULTURE, FORESTRY AND FISHERIES", "60 AGRI-FOODSTUFFS",
                   "64 PRODUCTION, TECHNOLOGY AND RESEARCH", "66 ENERGY", "68 INDUSTRY", "72 GEOGRAPHY",
                   "76 INTERNATIONAL ORGANISATIONS"});
}

QStringList frmScegli::subsets(int model)
{
    switch (model) {
    case Ids::ECLAS:
        return listOf({"001 International cooperation. International relations. International law. European "
                       "Communities. European Union",
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

QString frmScegli::hint(int model)
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

frmScegli::frmScegli(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScegli"));
    setWindowTitle(QStringLiteral("Thesauri choice"));
    setModal(true);
    setFixedSize(Twips::toPixels(7860), Twips::toPixels(4200));

    QFrame *Frame1 = frame(this, "Frame1", Twips::rect(120, 120, 6135, 1095));
    label(Frame1, "Label1", QStringLiteral("Choose an eurovoc field:"), Twips::rect(120, 120, 5800, 255));
    cmbSource = combo(Frame1, "cmbSource", Twips::rect(120, 480, 5800, 315));

    QFrame *Frame2 = frame(this, "Frame2", Twips::rect(120, 1320, 6135, 2640));
    label(Frame2, "Label2", QStringLiteral("Choose the target thesaurus:"), Twips::rect(120, 120, 5800, 255));
    auto radio = [Frame2](const char *name, const QString &text, int left) {
        auto *r = new QRadioButton(text, Frame2);
        r->setObjectName(QString::fromLatin1(name));
        r->setGeometry(Twips::rect(left, 480, 1335, 315));
        return r;
    };
    optECLAS = radio("optECLAS", QStringLiteral("ECLAS"), 120);
    optETT = radio("optETT", QStringLiteral("ETT"), 1560);
    optUnesco = radio("optUnesco", QStringLiteral("UNESCO"), 3000);
    optGEMET = radio("optGEMET", QStringLiteral("GEMET"), 4440);
    auto *group = new QButtonGroup(this);
    group->setObjectName(QStringLiteral("grpTarget"));
    for (QRadioButton *r : {optECLAS, optETT, optUnesco, optGEMET})
        group->addButton(r);
    Label3 = label(Frame2, "Label3", QString(), Twips::rect(120, 960, 5800, 735));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmbTarget = combo(Frame2, "cmbTarget", Twips::rect(120, 1800, 5800, 315));

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setGeometry(Twips::rect(6420, 240, 1215, 375));
    cmdOk->setDefault(true);
    cmdOk->setAutoDefault(true);
    cmdCancella = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancella->setObjectName(QStringLiteral("cmdCancella"));
    cmdCancella->setGeometry(Twips::rect(6420, 720, 1215, 375));
    cmdCancella->setAutoDefault(false);

    // The two buttons come first in the tab order, then the choices.
    setTabOrder(cmdOk, cmdCancella);
    setTabOrder(cmdCancella, cmbSource);
    setTabOrder(cmbSource, optECLAS);
    setTabOrder(optECLAS, optETT);
    setTabOrder(optETT, optUnesco);
    setTabOrder(optUnesco, optGEMET);
    setTabOrder(optGEMET, cmbTarget);

    connect(cmdOk, &QPushButton::clicked, this, &frmScegli::cmdOk_Click);
    connect(cmdCancella, &QPushButton::clicked, this, &frmScegli::cmdCancella_Click);
    connect(optECLAS, &QRadioButton::toggled, this, [this](bool on) { option_Click(Ids::ECLAS, on); });
    connect(optETT, &QRadioButton::toggled, this, [this](bool on) { option_Click(Ids::ETT, on); });
    connect(optUnesco, &QRadioButton::toggled, this, [this](bool on) { option_Click(Ids::UNESCO, on); });
    connect(optGEMET, &QRadioButton::toggled, this, [this](bool on) { option_Click(Ids::GEMET, on); });

    // Load.
    cmbSource->addItems(eurovocFields());
    cmbSource->setCurrentIndex(-1);
    cmbSource->setEditText(kFieldPlaceholder);
    optECLAS->setChecked(true);
    cmbTarget->setEditText(QStringLiteral("ECLAS"));
    m_targetModel = Ids::ECLAS;
    cmdOk->setFocus();
}

void frmScegli::option_Click(int model, bool checked)
{
    if (!checked)
        return;
    cmbTarget->clear();
    cmbTarget->addItems(subsets(model));
    cmbTarget->setCurrentIndex(-1);
    cmbTarget->setEditText(Ids::modelName(model).toUpper());
    m_targetModel = model;
    Label3->setText(hint(model));
}

void frmScegli::cmdOk_Click()
{
    using namespace mdlGlobale;
    const QString source = cmbSource->currentText();
    if (source == kFieldPlaceholder) {
        dialogs().message(QStringLiteral("Choice in combo above"));
        return;
    }
    vScegliOK = true;
    vEurovocField = source.left(2);
    const QString target = cmbTarget->currentText();
    if (target.isEmpty() || target == QLatin1String("GEMET") || target == QLatin1String("UNESCO")
        || target == QLatin1String("ECLAS") || target == QLatin1String("ETT"))
        vTargetSubset.clear();
    else
        vTargetSubset = target;
    // The target model becomes the mapping's only now: a cancelled choice
    // leaves an open mapping's model (and so its project) as it was.
    vTargetModel = m_targetModel;
    accept();
}

void frmScegli::cmdCancella_Click()
{
    reject();
}

void frmScegli::reject()
{
    vScegliOK = false;
    QDialog::reject();
}
