#include "workspace/ui/frmScegli.h"

#include "base/dialogs.h"
#include "base/twips.h"
#include "data/choices.h"
#include "data/ids.h"
#include "data/mdlGlobale.h"

#include <QButtonGroup>
#include <QAbstractItemView>
#include <QComboBox>
#include <QStyle>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kFieldPlaceholder = QStringLiteral("eurovoc field");

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

// The list of a combo box shows every entry whole: as wide as its longest
// entry, never cut in the middle.
void fitList(QComboBox *c)
{
    QAbstractItemView *view = c->view();
    view->setTextElideMode(Qt::ElideNone);
    int widest = 0;
    for (int i = 0; i < c->count(); ++i)
        widest = std::max(widest, view->fontMetrics().horizontalAdvance(c->itemText(i)));
    const int frame = 2 * view->frameWidth() + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    view->setMinimumWidth(std::max(c->width(), widest + frame));
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
    return Scelte::eurovocFields();
}

QStringList frmScegli::subsets(int model)
{
    return Scelte::subsets(model);
}

QString frmScegli::hint(int model)
{
    return Scelte::hint(model);
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
    fitList(cmbSource);
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
    fitList(cmbTarget);
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
