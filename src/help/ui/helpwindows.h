#pragma once

class QWidget;

// Help > Help and Help > About: each window is made afresh and shown modally.
void showHelpWindow(QWidget *parent);
void showAboutWindow(QWidget *parent);
