#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// Pictures the program reads from its own folder: "pictures/<name>.png" for
// buttons, node images and the logo, "<name>.ico" at the top for pointers and
// the row mark.  A missing file gives an empty picture (buttons keep their
// tool tips and still work); pictures are read once and kept.
namespace Pictures {

QPixmap pixmap(const QString &name);
QIcon icon(const QString &name);
// An ".ico" file of the program's folder ("freccia4", "IDC_SELECTROW", "IDC_SELECTCOL").
QPixmap ico(const QString &name);

// Every picture the build draws into pictures/, by the button or image that shows it.
inline QStringList names()
{
    return {
        QStringLiteral("logo"),
        // concept tree nodes, 14 by 14
        QStringLiteral("node_plus"), QStringLiteral("node_minus"), QStringLiteral("node_pref"),
        QStringLiteral("node_empty"), QStringLiteral("node_prefminus"),
        // alignment window
        QStringLiteral("expand"), QStringLiteral("collapse"), QStringLiteral("clearselection"),
        QStringLiteral("markmapped"), QStringLiteral("close"), QStringLiteral("tomapping"),
        QStringLiteral("relations"), QStringLiteral("search"),
        // mapping editor
        QStringLiteral("save"), QStringLiteral("hide"),
        // report window
        QStringLiteral("deleterecord"), QStringLiteral("addrecord"), QStringLiteral("modifyrecord"),
        QStringLiteral("reload"),
        // help and about
        QStringLiteral("ok"),
    };
}

// Forgets what was read (tests that change the program's folder).
void clearCache();

} // namespace Pictures
