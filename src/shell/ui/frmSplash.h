#pragma once

#include <QWidget>

class QFrame;

// The start-up window: logo, product name, version and credits.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QFrame *m_frame = nullptr;
};
