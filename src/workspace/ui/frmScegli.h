#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

// The choice of a mapping: which EUROVOC field is the source and which target
// thesaurus (optionally one of its top-level subsets) it is mapped onto.
// Shown modally by Mapping > New; OK leaves the choice in vEurovocField,
// vTargetModel and vTargetSubset and sets vScegliOK.  Cancel, Esc and the
// close box leave every global as it was.
class frmScegli : public QDialog
{
    Q_OBJECT
public:
    explicit frmScegli(QWidget *parent = nullptr);

    // True after OK with a valid choice, false otherwise.
    bool vScegliOK = false;

    // The target model of the selected option (written to vTargetModel by OK).
    int targetModel() const { return m_targetModel; }

    // The fixed lists of the dialog.
    static QStringList eurovocFields();
    static QStringList subsets(int model);
    static QString hint(int model);

public slots:
    void cmdOk_Click();
    void cmdCancella_Click();
    void reject() override;

private:
    void option_Click(int model, bool checked);

    int m_targetModel = 0;
    QComboBox *cmbSource;
    QComboBox *cmbTarget;
    QLabel *Label3;
    QRadioButton *optECLAS;
    QRadioButton *optETT;
    QRadioButton *optUnesco;
    QRadioButton *optGEMET;
    QPushButton *cmdOk;
    QPushButton *cmdCancella;
};
