#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A reader for the rich text (RTF) the user guide is written in.  It keeps
// what a reader of the guide sees: paragraphs (plain or bulleted, indented,
// aligned, with space before and after) made of runs of text in bold,
// italic, underline and a size.  Font, colour and style tables, pictures and
// every "\*" destination are skipped.
//
// Understood: groups, \par \line \tab \pard \plain, \b \i \ul \ulnone \fs,
// \li \sb \sa \ql \qc \qr \qj, \'hh (Windows code page 1252), \uN with the
// \ucN fallback count, \{ \} \\ \~ \- \_, \bullet \emdash \endash \lquote
// \rquote \ldblquote \rdblquote, and bullets written as {\pntext ...} or
// {\listtext ...} groups.  Other control words are ignored.
namespace Rtf {

struct Run
{
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24; // \fs: font size in half points

    bool sameFormat(const Run &o) const
    {
        return bold == o.bold && italic == o.italic && underline == o.underline && halfPoints == o.halfPoints;
    }
};

enum class Align { Left, Centre, Right, Justify };

struct Paragraph
{
    QList<Run> runs;
    bool bullet = false;
    int leftIndent = 0;  // twips
    int spaceBefore = 0; // twips
    int spaceAfter = 0;  // twips
    Align align = Align::Left;

    QString text() const;
};

struct Document
{
    QList<Paragraph> paragraphs;

    // The text of every paragraph, one a line.
    QString plainText() const;
};

struct Result
{
    bool ok = false;
    QString error; // why the text could not be read (when not ok)
    Document document;
};

// Reads RTF text.  Fails only when the text is not RTF at all.
Result parse(const QByteArray &rtf);

// Reads an RTF file; a missing, unreadable or non-RTF file gives a result
// that is not ok, with a sentence saying which.
Result readFile(const QString &path);

// HTML for a rich-text view: paragraphs keep their formatting, bulleted
// paragraphs become list items.
QString toHtml(const Document &document);

} // namespace Rtf
