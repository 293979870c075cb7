// Draws the program's own pictures into its folder:
//
//   drawpictures <program folder>
//
// writes pictures/<name>.png for every name the program asks for (logo, tree
// node images, button pictures), the row mark freccia4.ico, the two pointers
// IDC_SELECTROW.ico and IDC_SELECTCOL.ico, and icons/vospan.png, the icon of
// the desktop entry.  Everything is drawn with plain shapes (no fonts), so the
// result is the same on every machine.

#include "widgets/ui/pictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>
#include <functional>

namespace {

const QColor Ink(40, 48, 64);
const QColor Blue(38, 99, 180);
const QColor Green(46, 140, 70);
const QColor Red(196, 44, 44);
const QColor Orange(232, 140, 20);
const QColor Paper(250, 250, 246);
// Tree node images keep this grey as their background: the tree treats it as
// transparent.
const QColor NodeMask(192, 192, 192);

using Draw = std::function<void(QPainter &)>;

QImage canvas(int w, int h, const QColor &fill = Qt::transparent)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

void paint(QImage &img, const Draw &draw)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
}

QPen pen(const QColor &c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A small tree of three nodes: used by the logo and the relation picture.
void tree(QPainter &p, const QPointF &top, qreal size, const QColor &colour)
{
    const qreal r = size * 0.12;
    const QPointF a = top;
    const QPointF b = top + QPointF(-size * 0.3, size * 0.45);
    const QPointF c = top + QPointF(size * 0.3, size * 0.45);
    const QPointF d = top + QPointF(size * 0.3, size * 0.9);
    p.setPen(pen(colour, size * 0.05));
    p.drawLine(a, b);
    p.drawLine(a, c);
    p.drawLine(c, d);
    p.setBrush(colour);
    for (const QPointF &pt : {a, b, c, d})
        p.drawEllipse(pt, r, r);
}

void drawLogo(QPainter &p, qreal s)
{
    p.setPen(pen(Ink, s * 0.02));
    p.setBrush(Paper);
    p.drawEllipse(QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94));
    tree(p, QPointF(s * 0.33, s * 0.22), s * 0.5, Blue);
    tree(p, QPointF(s * 0.67, s * 0.22), s * 0.5, Green);
    // the alignment links between the two trees
    QPen link(Orange, s * 0.025, Qt::DashLine, Qt::RoundCap);
    p.setPen(link);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(s * 0.33, s * 0.22), QPointF(s * 0.67, s * 0.22));
    p.drawLine(QPointF(s * 0.18, s * 0.445), QPointF(s * 0.52, s * 0.445));
    p.drawLine(QPointF(s * 0.48, s * 0.67), QPointF(s * 0.82, s * 0.67));
}

// Tree node images, 14 by 14 on the mask grey.
QImage node(bool box, int sign, bool pref)
{
    QImage img = canvas(14, 14, NodeMask);
    QPainter p(&img);
    if (box) {
        p.setPen(Ink);
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 9, 9);
        p.setPen(QPen(Ink, 1));
        if (sign != 0)
            p.drawLine(4, 6, 9, 6);
        if (sign > 0)
            p.drawLine(6, 4, 6, 9);
    } else {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Ink);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(3.5, 3.5, 6, 6));
    }
    if (pref) {
        // A mapped node must stand out at a glance beside "Plus" and "Empty":
        // a large filled disc in a strong colour, dark rim, white tick.  The
        // expanded one keeps its minus box, with the disc at its corner.
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = box ? QRectF(6.5, 6.5, 7, 7) : QRectF(1, 1, 12, 12);
        p.setPen(QPen(QColor(120, 40, 0), 1));
        p.setBrush(QColor(235, 90, 0));
        p.drawEllipse(disc);
        p.setPen(QPen(Qt::white, box ? 1.3 : 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const qreal x = disc.left(), y = disc.top(), w = disc.width();
        p.drawPolyline(QPolygonF({QPointF(x + w * 0.24, y + w * 0.52), QPointF(x + w * 0.43, y + w * 0.72),
                                  QPointF(x + w * 0.77, y + w * 0.30)}));
    }
    return img;
}

QImage button(const Draw &draw)
{
    QImage img = canvas(32, 32);
    paint(img, draw);
    return img;
}

QPolygonF arrowRight(qreal x, qreal y, qreal len, qreal half)
{
    return QPolygonF({QPointF(x, y - half * 0.45), QPointF(x + len - half * 1.2, y - half * 0.45),
                      QPointF(x + len - half * 1.2, y - half), QPointF(x + len, y),
                      QPointF(x + len - half * 1.2, y + half), QPointF(x + len - half * 1.2, y + half * 0.45),
                      QPointF(x, y + half * 0.45)});
}

QImage rotated(const QImage &img, int degrees)
{
    QTransform t;
    t.rotate(degrees);
    return img.transformed(t);
}

// The logo and the concept tree's node images; a null image for other names.
QImage treePicture(const QString &name)
{
    if (name == QLatin1String("logo")) {
        QImage img = canvas(200, 200);
        paint(img, [](QPainter &p) { drawLogo(p, 200); });
        return img;
    }
    if (name == QLatin1String("node_plus"))
        return node(true, 1, false);
    if (name == QLatin1String("node_minus"))
        return node(true, -1, false);
    if (name == QLatin1String("node_pref"))
        return node(false, 0, true);
    if (name == QLatin1String("node_empty"))
        return node(false, 0, false);
    if (name == QLatin1String("node_prefminus"))
        return node(true, -1, true);
    return {};
}

// The buttons of an alignment window; a null image for other names.
QImage alignmentButton(const QString &name)
{
    if (name == QLatin1String("expand") || name == QLatin1String("collapse")) {
        const bool expand = name == QLatin1String("expand");
        return button([expand](QPainter &p) {
            p.setPen(pen(Ink, 1.5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4, 4, 12, 12));
            p.drawLine(QPointF(7, 10), QPointF(13, 10));
            if (expand)
                p.drawLine(QPointF(10, 7), QPointF(10, 13));
            p.setPen(pen(Blue, 2));
            p.drawLine(QPointF(10, 16), QPointF(10, 26));
            p.drawLine(QPointF(10, 21), QPointF(18, 21));
            p.drawLine(QPointF(10, 26), QPointF(18, 26));
            if (expand) {
                p.drawLine(QPointF(18, 21), QPointF(27, 21));
                p.drawLine(QPointF(18, 26), QPointF(27, 26));
            }
        });
    }
    if (name == QLatin1String("clearselection"))
        return button([](QPainter &p) {
            p.translate(16, 16);
            p.rotate(-35);
            p.setPen(pen(Ink, 1.5));
            p.setBrush(QColor(240, 150, 160));
            p.drawRect(QRectF(-11, -6, 13, 12));
            p.setBrush(QColor(120, 160, 220));
            p.drawRect(QRectF(2, -6, 10, 12));
            p.resetTransform();
            p.setPen(pen(Ink, 1.5));
            p.drawLine(QPointF(4, 29), QPointF(28, 29));
        });
    if (name == QLatin1String("markmapped"))
        return button([](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 226, 60));
            p.drawRect(QRectF(3, 11, 26, 10));
            p.setPen(pen(Green, 3.5));
            p.drawPolyline(QPolygonF({QPointF(7, 16), QPointF(13, 23), QPointF(26, 7)}));
        });
    if (name == QLatin1String("close"))
        return button([](QPainter &p) {
            p.setPen(pen(Ink, 1.2));
            p.setBrush(Red);
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setPen(pen(Qt::white, 3.5));
            p.drawLine(QPointF(11, 11), QPointF(21, 21));
            p.drawLine(QPointF(21, 11), QPointF(11, 21));
        });
    if (name == QLatin1String("tomapping"))
        return button([](QPainter &p) {
            p.setPen(pen(Ink, 1.5));
            p.setBrush(Paper);
            p.drawRect(QRectF(15, 5, 14, 22));
            p.setPen(pen(Ink, 1));
            p.setBrush(Blue);
            p.drawPolygon(arrowRight(2, 16, 20, 7));
        });
    if (name == QLatin1String("relations"))
        return button([](QPainter &p) {
            tree(p, QPointF(8, 4), 18, Blue);
            tree(p, QPointF(24, 4), 18, Green);
            p.setPen(QPen(Orange, 1.5, Qt::DashLine));
            p.drawLine(QPointF(8, 4), QPointF(24, 4));
            p.drawLine(QPointF(13.4, 12.1), QPointF(18.6, 12.1));
        });
    if (name == QLatin1String("search"))
        return button([](QPainter &p) {
            p.setPen(pen(Ink, 3));
            p.setBrush(QColor(200, 225, 250));
            p.drawEllipse(QRectF(4, 4, 16, 16));
            p.setPen(pen(Ink, 5));
            p.drawLine(QPointF(18, 18), QPointF(27, 27));
        });
    return {};
}

// The buttons of the mapping editor, the report window and the help windows;
// a null image for other names.
QImage otherButton(const QString &name)
{
    if (name == QLatin1String("save"))
        return button([](QPainter &p) {
            p.setPen(pen(Ink, 1.5));
            p.setBrush(Blue);
            p.drawPolygon(QPolygonF({QPointF(4, 4), QPointF(24, 4), QPointF(28, 8), QPointF(28, 28), QPointF(4, 28)}));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(8, 4, 14, 9));
            p.setBrush(QColor(220, 220, 220));
            p.drawRect(QRectF(8, 18, 16, 10));
            p.setBrush(Ink);
            p.drawRect(QRectF(17, 6, 3, 5));
        });
    if (name == QLatin1String("hide"))
        return button([](QPainter &p) {
            QPainterPath eye;
            eye.moveTo(3, 16);
            eye.quadTo(16, 3, 29, 16);
            eye.quadTo(16, 29, 3, 16);
            p.setPen(pen(Ink, 1.8));
            p.setBrush(Qt::white);
            p.drawPath(eye);
            p.setBrush(Blue);
            p.drawEllipse(QPointF(16, 16), 4.5, 4.5);
            p.setPen(pen(Red, 3));
            p.drawLine(QPointF(5, 27), QPointF(27, 5));
        });
    if (name == QLatin1String("deleterecord") || name == QLatin1String("addrecord")
        || name == QLatin1String("modifyrecord")) {
        const QString which = name;
        return button([which](QPainter &p) {
            // a grid of three rows
            p.setPen(pen(Ink, 1.2));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2, 6, 22, 18));
            p.drawLine(QPointF(2, 12), QPointF(24, 12));
            p.drawLine(QPointF(2, 18), QPointF(24, 18));
            p.drawLine(QPointF(9, 6), QPointF(9, 24));
            if (which == QLatin1String("deleterecord")) {
                p.setPen(pen(Red, 4));
                p.drawLine(QPointF(17, 25), QPointF(29, 25));
            } else if (which == QLatin1String("addrecord")) {
                p.setPen(pen(Green, 4));
                p.drawLine(QPointF(17, 25), QPointF(29, 25));
                p.drawLine(QPointF(23, 19), QPointF(23, 31));
            } else {
                p.translate(22, 22);
                p.rotate(45);
                p.setPen(pen(Ink, 1));
                p.setBrush(Orange);
                p.drawRect(QRectF(-14, -3, 16, 6));
                p.setBrush(Ink);
                p.drawPolygon(QPolygonF({QPointF(2, -3), QPointF(7, 0), QPointF(2, 3)}));
            }
        });
    }
    if (name == QLatin1String("reload"))
        return button([](QPainter &p) {
            p.setPen(pen(Blue, 3.5));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(5, 5, 22, 22), 90 * 16, 280 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(Blue);
            p.drawPolygon(QPolygonF({QPointF(13, 0), QPointF(22, 6), QPointF(13, 11)}));
        });
    if (name == QLatin1String("ok"))
        return button([](QPainter &p) {
            p.setPen(pen(Ink, 1.2));
            p.setBrush(Green);
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setPen(pen(Qt::white, 3.5));
            p.drawPolyline(QPolygonF({QPointF(9, 16), QPointF(14, 21), QPointF(23, 11)}));
        });
    return {};
}

QImage picture(const QString &name)
{
    QImage img = treePicture(name);
    if (img.isNull())
        img = alignmentButton(name);
    if (img.isNull())
        img = otherButton(name);
    return img;
}

// A pointer or mark: a solid arrow with a white rim, pointing right.
QImage arrow(int size)
{
    QImage img = canvas(size, size);
    paint(img, [size](QPainter &p) {
        const qreal s = size;
        p.setPen(QPen(Qt::white, s / 16.0));
        p.setBrush(Qt::black);
        p.drawPolygon(arrowRight(s * 0.12, s * 0.5, s * 0.76, s * 0.34));
    });
    return img;
}

bool save(const QImage &img, const QString &path, const char *format)
{
    if (img.isNull() || !img.save(path, format)) {
        std::fprintf(stderr, "drawpictures: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: drawpictures <program folder>\n");
        return 1;
    }
    const QDir out(args.at(1));
    if (!out.mkpath(QStringLiteral("pictures")) || !out.mkpath(QStringLiteral("icons")))
        return 1;
    bool ok = true;
    for (const QString &name : Pictures::names()) {
        const QImage img = picture(name);
        if (img.isNull()) {
            std::fprintf(stderr, "drawpictures: no drawing for \"%s\"\n", name.toLocal8Bit().constData());
            ok = false;
            continue;
        }
        ok &= save(img, out.filePath(QStringLiteral("pictures/") + name + QStringLiteral(".png")), "PNG");
    }
    ok &= save(arrow(16), out.filePath(QStringLiteral("freccia4.ico")), "ICO");
    ok &= save(arrow(32), out.filePath(QStringLiteral("IDC_SELECTROW.ico")), "ICO");
    ok &= save(rotated(arrow(32), 90), out.filePath(QStringLiteral("IDC_SELECTCOL.ico")), "ICO");

    QImage icon = canvas(256, 256);
    paint(icon, [](QPainter &p) { drawLogo(p, 256); });
    ok &= save(icon, out.filePath(QStringLiteral("icons/vospan.png")), "PNG");
    return ok ? 0 : 1;
}
