#include "widgets/ui/widgets.h"

#include "base/twips.h"
#include "widgets/ui/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <cmath>

QLabel *Widgets::arialLabel(QWidget *parent, const char *name, const QString &text, int pointSize, bool bold,
                            const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont f(QStringLiteral("Arial"), pointSize);
    f.setBold(bold);
    label->setFont(f);
    label->setWordWrap(true);
    label->setGeometry(geometry);
    return label;
}

void Widgets::centreOnScreen(QWidget *window)
{
    CentraForm(window, nullptr);
}

void Widgets::CentraForm(QWidget *f, QWidget *c)
{
    double top = 0, left = 0, height = 0, width = 0;
    if (c) {
        const QRect g = c->frameGeometry();
        top = Twips::fromPixels(g.top());
        left = Twips::fromPixels(g.left());
        height = Twips::fromPixels(g.height());
        width = Twips::fromPixels(g.width());
    } else {
        QScreen *screen = f->screen() ? f->screen() : QGuiApplication::primaryScreen();
        const QRect g = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        height = Twips::fromPixels(g.height());
        width = Twips::fromPixels(g.width());
    }
    const QRect own = f->frameGeometry();
    const CentredPosition p = centreIn(top, left, height, width, Twips::fromPixels(own.height()),
                                       Twips::fromPixels(own.width()));
    f->move(Twips::toPixels(p.left), Twips::toPixels(p.top));
}

QPushButton *Widgets::pictureButton(QWidget *parent, const char *name, const char *picture, const QString &tip,
                                    const QString &fallbackText, const QRect &geometry)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    const QIcon icon = Pictures::icon(QString::fromLatin1(picture));
    if (icon.isNull()) {
        b->setText(fallbackText); // still recognisable without its picture
    } else {
        b->setIcon(icon);
        b->setIconSize(geometry.size() - QSize(8, 8));
    }
    b->setAutoDefault(false);
    b->setGeometry(geometry);
    return b;
}
