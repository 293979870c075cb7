#include "tools/jet_command.h"

#include "base/dialogs.h"
#include "tools/jet_convert.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

JetConversionCommand::JetConversionCommand(const QString &jetPath) : m_jet(jetPath), m_out(Jet::convertedPath(jetPath))
{
}

bool JetConversionCommand::check()
{
    QStringList tables;
    QString error;
    if (!Jet::tableNames(m_jet, tables, &error)) {
        dialogs().message(error, {}, Dialogs::Icon::Critical);
        return false;
    }
    const QStringList missing = Jet::missingThesaurusTables(tables);
    if (!missing.isEmpty()) {
        dialogs().message(QStringLiteral("The Access database %1 is not a thesaurus database: these tables are missing: %2.")
                              .arg(QFileInfo(m_jet).fileName(), missing.join(QStringLiteral(", "))),
                          {}, Dialogs::Icon::Warning);
        return false;
    }
    return true;
}

bool JetConversionCommand::confirm()
{
    QString question = QStringLiteral("The file %1 is an Access (Jet) database.\n"
                                      "Convert it into a database of this program, %2, and open that?")
                           .arg(QFileInfo(m_jet).fileName(), QDir::toNativeSeparators(m_out));
    const bool replaces = QFileInfo::exists(m_out);
    if (replaces)
        question += QStringLiteral("\nThe file %1 already exists: it will be replaced.").arg(QFileInfo(m_out).fileName());
    return dialogs().question(question, {}, Dialogs::Icon::Question,
                              replaces ? Dialogs::Answer::No : Dialogs::Answer::Yes);
}

bool JetConversionCommand::convert()
{
    Jet::Result r;
    {
        const auto progress = dialogs().progress(QStringLiteral("Convert Access database"),
                                                 QStringLiteral("Converting %1").arg(QFileInfo(m_jet).fileName()));
        r = Jet::convertThesaurus(m_jet, m_out, [&](int percent, const QString &table) {
            if (!table.isEmpty())
                progress->setText(QStringLiteral("Copying %1").arg(table));
            progress->setValue(percent);
            return !progress->cancelled();
        });
    }
    if (r.status == Jet::Result::Status::Converted)
        return true;
    dialogs().message(r.message, {}, r.status == Jet::Result::Status::Cancelled ? Dialogs::Icon::None
                                                                                 : Dialogs::Icon::Critical);
    return false;
}

QString JetConversionCommand::run()
{
    return check() && confirm() && convert() ? m_out : QString();
}
