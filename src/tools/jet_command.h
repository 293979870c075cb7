#pragma once

#include <QString>

// Project > Open on an Access (Jet) file, step by step through the dialog
// seam: look at its tables, ask whether to convert it beside itself, convert
// it with a progress display.  Each step returns false when the command ends
// there, after telling the user why.
class JetConversionCommand
{
public:
    explicit JetConversionCommand(const QString &jetPath);

    // Refuses a file that cannot be read or is not a thesaurus database.
    bool check();
    // Asks before converting; No is the default when a file would be replaced.
    bool confirm();
    bool convert();

    // All the steps; the path of the converted database, or an empty string.
    QString run();

    QString outPath() const { return m_out; }

private:
    QString m_jet;
    QString m_out;
};
