#include "help/ui/helpwindows.h"

#include "base/mdlUtil.h"
#include "base/twips.h"
#include "help/rtfreader.h"
#include "widgets/ui/pictures.h"
#include "widgets/ui/widgets.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

namespace {

QFrame *line(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *l = new QFrame(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Plain);
    l->setGeometry(geometry);
    return l;
}

} // namespace

frmHelp::frmHelp(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Online help"));
    setFixedSize(Twips::toPixels(13245), Twips::toPixels(7590));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(120, 120, 11000, 375));

    cmdChiudiFinestra = Widgets::pictureButton(this, "cmdChiudiFinestra", "close", QStringLiteral("Exit help"),
                                               QStringLiteral("Close"), Twips::rect(12600, 45, 525, 480));
    connect(cmdChiudiFinestra, &QPushButton::clicked, this, &frmHelp::cmdChiudiFinestra_Click);

    RichTextBox1 = new QTextBrowser(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setOpenLinks(false);
    RichTextBox1->setGeometry(Twips::rect(120, 600, 13005, 6870));

    Form_Load();
    RichTextBox1->setFocus();
    Widgets::centreOnScreen(this);
}

QString frmHelp::guidePath()
{
    return mdlUtil::CartellaApplicazione() + QStringLiteral("mdb/VOSPAN-EN.1.1.rtf");
}

void frmHelp::Form_Load()
{
    // The guide is read afresh each time the window is made, so a guide
    // changed on disk shows at the next Help > Help.
    const Rtf::Result guide = Rtf::readFile(guidePath());
    m_loaded = guide.ok;
    if (guide.ok)
        RichTextBox1->setHtml(Rtf::toHtml(guide.document));
    else
        RichTextBox1->setPlainText(QStringLiteral("The user guide cannot be shown: ") + guide.error + QLatin1Char('.'));
    Label1->setText(QStringLiteral(" *** Printing version is VOSPAN-EN.pdf in application folder ***"));
}

void frmHelp::cmdChiudiFinestra_Click()
{
    accept();
}

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vospan"));
    setFixedSize(Twips::toPixels(9285), Twips::toPixels(5790));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(Pictures::pixmap(QStringLiteral("logo")));
    logo->setScaledContents(true);
    logo->setGeometry(Twips::rect(240, 240, 1920, 1920));

    Widgets::arialLabel(this, "lblProductName", QStringLiteral("Vospan - Quendral"), 20, true,
                        Twips::rect(2520, 300, 6480, 600));
    Widgets::arialLabel(this, "Label2", QStringLiteral("A tool for editorial activity thesauri alignment"), 11, false,
                        Twips::rect(2520, 960, 6480, 360));
    line(this, "Line1", Twips::rect(2520, 1440, 6525, 15));
    Widgets::arialLabel(this, "lblVersion", QStringLiteral("Version 1.1"), 10, false, Twips::rect(2520, 1620, 4000, 300));
    Widgets::arialLabel(this, "lblPlatform", QStringLiteral("Windows 2000/XP"), 10, false,
                        Twips::rect(2520, 1950, 4000, 300));
    line(this, "Line2", Twips::rect(240, 2400, 8805, 15));
    Widgets::arialLabel(this, "Label1",
                        QStringLiteral("Vospan - Quendral helps an editor map the concepts of EUROVOC onto those of "
                                       "ECLAS, ETT, UNESCO or GEMET with the SKOS relations exactMatch, broadMatch "
                                       "and narrowMatch, review them, and export them as XML or HTML.\n\n"
                                       "The thesauri named here belong to their publishers. The sample database, "
                                       "the user guide and the pictures were written for this program."),
                        9, false, Twips::rect(240, 2580, 8805, 1860));

    auto *ok = Widgets::pictureButton(this, "cmdOK", "ok", QStringLiteral("Exit about"), QStringLiteral("OK"),
                                      Twips::rect(8280, 4800, 765, 720));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Form_Load();
    Widgets::centreOnScreen(this);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About Vospan - Quendral"));
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void showHelpWindow(QWidget *parent)
{
    frmHelp window(parent);
    window.exec();
}

void showAboutWindow(QWidget *parent)
{
    frmAbout window(parent);
    window.exec();
}
