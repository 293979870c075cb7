#include "shell/ui/frmSplash.h"

#include "base/twips.h"
#include "widgets/ui/pictures.h"
#include "widgets/ui/widgets.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPixmap>

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QString());
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setFixedSize(Twips::toPixels(9615), Twips::toPixels(6480));

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setFrameShape(QFrame::Box);
    m_frame->setGeometry(Twips::rect(120, 60, 9375, 6300));
    m_frame->installEventFilter(this);

    auto *logo = new QLabel(m_frame);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(Pictures::pixmap(QStringLiteral("logo")));
    logo->setGeometry(Twips::rect(240, 600, 3000, 3000));
    logo->setScaledContents(true);

    Widgets::arialLabel(m_frame, "lblProductName", QStringLiteral("Vospan - Quendral"), 24, true,
                        Twips::rect(3600, 900, 5500, 600));
    Widgets::arialLabel(m_frame, "lblVersion", QStringLiteral("Version 1.1"), 12, false,
                        Twips::rect(3600, 1700, 5500, 360));
    Widgets::arialLabel(m_frame, "lblPlatform", QStringLiteral("Windows 2000/XP"), 12, false,
                        Twips::rect(3600, 2150, 5500, 360));
    Widgets::arialLabel(m_frame, "Label1",
                        QStringLiteral("A workbench for aligning thesauri: EUROVOC with ECLAS, ETT, UNESCO and GEMET.\n"
                                       "Free software, written by the Vospan developers."),
                        9, false, Twips::rect(240, 4800, 8900, 900));

    Widgets::centreOnScreen(this);
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_frame && event->type() == QEvent::MouseButtonPress)
        hide();
    return QWidget::eventFilter(watched, event);
}
