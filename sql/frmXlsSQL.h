#pragma once
// TfrmXlsSQL: the options dialog of a result export into a workbook
// ("EXCEL出力(SQL結果)"): target file, sheet, form file, direction, titles,
// refresh and start cell. It loads the Excel options; only "開始" writes them
// back, after checking the start row, the form file and an existing target.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TtvRadioGroup;

class TfrmXlsSQL : public QDialog {
    Q_OBJECT
public:
    explicit TfrmXlsSQL(QWidget *owner = nullptr);

    void btnOkClick();
    void btnCancelClick();
    void btnSaveFileClick();
    void btnFormFileClick();

    QLineEdit *txtSaveFile = nullptr;
    QToolButton *btnSaveFile = nullptr;
    QLineEdit *txtSheet = nullptr;
    QLineEdit *txtFormFile = nullptr;
    QToolButton *btnFormFile = nullptr;
    TtvRadioGroup *rdoExcel = nullptr;
    TtvRadioGroup *rdoExcelTitle = nullptr;
    QCheckBox *chkRefresh = nullptr;
    QLineEdit *txtRow = nullptr;
    QComboBox *cmbColumn = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
};
