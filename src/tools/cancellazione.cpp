#include "tools/cancellazione.h"

#include "base/attesa.h"
#include "base/dialogs.h"
#include "base/mdlUtil.h"
#include "data/cConnessione.h"
#include "data/mdlGlobale.h"
#include "tools/promptprogetto.h"

using namespace mdlGlobale;

namespace {

// The same selection for the count and the delete.
QString clause(qint32 progetto)
{
    return progetto == 0 ? QString() : QStringLiteral(" where project_ref = ?");
}

QVariantList params(qint32 progetto)
{
    return progetto == 0 ? QVariantList{} : QVariantList{progetto};
}

} // namespace

qint32 Cancellazione::conta(cConnessione &connection, qint32 progetto)
{
    RecordSet rs;
    connection.ApriRS(QStringLiteral("select count(id) as T from mappingrelations") + clause(progetto), rs,
                      params(progetto));
    const qint32 t = rs.isEOF() ? 0 : rs.value(QStringLiteral("T")).toInt();
    connection.ChiudiRS(rs);
    return t;
}

qint32 Cancellazione::cancella(cConnessione &connection, qint32 progetto)
{
    return connection.EseguiIstruzione(QStringLiteral("delete from mappingrelations") + clause(progetto),
                                       QStringLiteral("128"), params(progetto));
}

void Cancellazione::CancellaRelazioni()
{
    const PromptProgetto::Risposta r = PromptProgetto::chiedi(PromptProgetto::titoloCancellazione());
    if (r.esito == PromptProgetto::Esito::Annullato) {
        dialogs().message(QStringLiteral("Delete cancelled"));
        return;
    }
    if (r.esito == PromptProgetto::Esito::Rifiutato)
        return;

    try {
        qint32 t = 0;
        {
            Attesa::Clessidra hourglass;
            t = conta(vConnection, r.progetto);
        }
        if (t < 1) {
            dialogs().message(QStringLiteral("No mapping relation selected for deleting"));
            return;
        }
        if (!dialogs().question(QStringLiteral("Delete ") + QString::number(t)
                                    + QStringLiteral(" mapping relations from database?"),
                                QStringLiteral("Delete"), Dialogs::Icon::None, Dialogs::Answer::No)) {
            dialogs().message(QStringLiteral("Delete cancelled"));
            return;
        }
        qint32 deleted = 0;
        {
            Attesa::Clessidra hourglass;
            deleted = cancella(vConnection, r.progetto);
        }
        dialogs().message(QString::number(deleted) + QStringLiteral(" mapping relations deleted"));
    } catch (const DbError &error) {
        mdlUtil::MostraErrore(error);
    }
}
