#pragma once
// TfrmSQLBldConnect: the join dialog of the query builder ("結合"): the two
// columns of a join line, its comparison, and which side keeps all rows;
// or the line's removal.
#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class TSQLDesign;
class TtvSQLBuildConnect;

class TfrmSQLBldConnect : public QDialog {
    Q_OBJECT
public:
    TfrmSQLBldConnect(TSQLDesign *design, TtvSQLBuildConnect *connect, QWidget *parent = nullptr);

    // True when closed with OK (the line holds the new values) or with
    // "削除" (the line is gone from the design).
    static bool ShowWindow(TSQLDesign &design, TtvSQLBuildConnect *AConnect, QWidget *parent = nullptr);

    void btnOkClick();
    void btnDeleteClick();
    void btnHelpClick();

    QGroupBox *grpTable1 = nullptr, *grpTable2 = nullptr;
    QComboBox *cmbColumn1 = nullptr, *cmbColumn2 = nullptr;
    QCheckBox *chkLeftFull = nullptr, *chkRightFull = nullptr;
    QGroupBox *rdoConnectType = nullptr;
    QButtonGroup *grpConnectType = nullptr;
    QPushButton *btnOk = nullptr, *btnCancel = nullptr, *btnDelete = nullptr, *btnHelp = nullptr;

private:
    TSQLDesign *FDesign;
    TtvSQLBuildConnect *FConnect;
};
