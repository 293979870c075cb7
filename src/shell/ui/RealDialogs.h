#pragma once

#include "base/dialogs.h"

class QWidget;

// The dialogs a user sees: QMessageBox, QInputDialog, QProgressDialog and QFileDialog.
class RealDialogs : public Dialogs
{
public:
    void message(const QString &text, const QString &title, Icon icon) override;
    bool question(const QString &text, const QString &title, Icon icon, Answer defaultAnswer) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    std::optional<QString> chooseItem(const QString &prompt, const QString &title, const QStringList &items,
                                      int current) override;
    std::unique_ptr<Progress> progress(const QString &title, const QString &text, int maximum) override;
    std::optional<ServerForm> serverForm(const QString &title, const ServerForm &initial) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &proposedPath, const QString &filter) override;
    void endProgram(int exitCode) override;

private:
    static QWidget *parent();
};
