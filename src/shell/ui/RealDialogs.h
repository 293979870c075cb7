#pragma once

#include "base/dialogs.h"

class QWidget;

// The dialogs a user sees: QMessageBox, QInputDialog and QFileDialog.
class RealDialogs : public Dialogs
{
public:
    void message(const QString &text, const QString &title, Icon icon) override;
    bool question(const QString &text, const QString &title, Icon icon) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &proposedPath, const QString &filter) override;
    void endProgram(int exitCode) override;

private:
    static QWidget *parent();
};
