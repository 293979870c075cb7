#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextBrowser;

// The user guide, read from mdb/VOSPAN-EN.1.1.rtf in the program's folder
// each time the window is made.  A missing or unreadable guide leaves one
// line in the view saying so.
class frmHelp : public QDialog
{
    Q_OBJECT
public:
    explicit frmHelp(QWidget *parent = nullptr);

    // Where the guide is read from.
    static QString guidePath();
    // True when the guide was read and is shown.
    bool guideLoaded() const { return m_loaded; }

private:
    void Form_Load();
    void cmdChiudiFinestra_Click();

    QTextBrowser *RichTextBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *cmdChiudiFinestra = nullptr;
    bool m_loaded = false;
};

// The product's name, purpose, version and platform.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

private:
    void Form_Load();
    void cmdOK_Click();
};

// Help > Help and Help > About: each window is made afresh and shown modally.
void showHelpWindow(QWidget *parent);
void showAboutWindow(QWidget *parent);
