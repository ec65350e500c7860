#pragma once
// TfrmGrep: asks for the word of the full-text search of object definitions,
// the objects to search and whether letter case counts.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TtvRadioGroup;

class TfrmGrep : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGrep(QWidget *parent = nullptr);
    // True on "開始" with GrepWord (upper-cased unless case counts), Mode and
    // CharCase; false on cancel, leaving them unchanged.
    static bool ShowWindow(QString &GrepWord, int &Mode, bool &CharCase);

    void btnOkClick();
    void btnCancelClick();

    QLineEdit *txtGrepWord = nullptr;
    TtvRadioGroup *rdoObject = nullptr;
    QCheckBox *chkCharCase = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
};
