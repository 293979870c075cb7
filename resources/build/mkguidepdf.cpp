// Build-time tool: prints the user guide (RTF) into the printable PDF that the
// Help window points to.  Usage: vospan_mkguidepdf GUIDE.rtf OUT.pdf
#include "help/rtfreader.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vospan_mkguidepdf GUIDE.rtf OUT.pdf\n");
        return 2;
    }
    const QString in = QFile::decodeName(argv[1]);
    const QString out = QFile::decodeName(argv[2]);
    const Rtf::Result guide = Rtf::readFile(in);
    if (!guide.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(guide.error));
        return 1;
    }
    QTextDocument document;
    document.setHtml(Rtf::toHtml(guide.document));

    // Written beside the target first, so a failed run leaves no broken PDF.
    const QString part = out + QStringLiteral(".part");
    {
        QPdfWriter pdf(part);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Vospan - Quendral: user guide"));
        pdf.setCreator(QStringLiteral("Vospan - Quendral"));
        document.print(&pdf);
    }
    QFile::remove(out);
    if (!QFile::rename(part, out)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        QFile::remove(part);
        return 1;
    }
    return 0;
}
