#include "tools/promptprogetto.h"

#include "base/dialogs.h"

QString PromptProgetto::titoloEsportazione()
{
    return QStringLiteral("Project for export");
}

QString PromptProgetto::titoloCancellazione()
{
    return QStringLiteral("Delete mapping relations");
}

QString PromptProgetto::testo()
{
    const QString lineStart = QStringLiteral("\r\n\t");
    return QStringLiteral("Choose the project: ") + lineStart + QStringLiteral("0 for all projects, ") + lineStart
           + QStringLiteral("1 for EUROVOC-ECLAS, ") + lineStart + QStringLiteral("2 for EUROVOC-ETT, ") + lineStart
           + QStringLiteral("3 for EUROVOC-UNESCO, ") + lineStart + QStringLiteral("4 for EUROVOC-GEMET");
}

PromptProgetto::Risposta PromptProgetto::interpreta(const std::optional<QString> &answer)
{
    Risposta r;
    if (!answer)
        return r;
    r.testo = *answer;
    const QString t = answer->trimmed();
    if (t.isEmpty())
        return r;

    // Only a sign and plain decimal digits: "1e2", "0x3", "2.0" or "3 4" are
    // not project numbers, whatever a looser conversion would make of them.
    int start = (t.front() == QLatin1Char('+') || t.front() == QLatin1Char('-')) ? 1 : 0;
    bool digits = start < t.size();
    for (int i = start; i < t.size() && digits; ++i)
        digits = t.at(i) >= QLatin1Char('0') && t.at(i) <= QLatin1Char('9');
    bool ok = false;
    const qint32 n = digits ? t.toInt(&ok, 10) : 0;
    if (!ok) {
        r.esito = Esito::Rifiutato;
        return r;
    }
    r.esito = Esito::Scelto;
    r.progetto = n;
    return r;
}

QString PromptProgetto::messaggioRifiuto(const QString &answer)
{
    return QStringLiteral("\"%1\" is not a project number.\n"
                          "Type 0 for all projects, or the number of one project (1 to 4).")
        .arg(answer);
}

PromptProgetto::Risposta PromptProgetto::chiedi(const QString &titolo)
{
    const Risposta r = interpreta(dialogs().input(testo(), titolo, QStringLiteral("0")));
    if (r.esito == Esito::Rifiutato)
        dialogs().message(messaggioRifiuto(r.testo), titolo, Dialogs::Icon::Warning);
    return r;
}
