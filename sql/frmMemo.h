#pragma once
// TfrmMemo: the long-text dialog. It edits one text in an SQL editor, with a
// NULL check box when the caller asks for it; the result grid frame uses it
// for text cells, and the column grids of the definition windows and the data
// tools for their long texts.
#include <QDialog>

class QCheckBox;
class QPushButton;
class TtvMemo;

class TfrmMemo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget *parent = nullptr);

    // Edits AComment modally. chkNull starts as io_bNull and is shown only
    // with i_bNullShow; with i_bReadOnly the OK button is disabled. On OK
    // AComment receives the editor's text (with the line breaks of the text
    // given: a text without CR gets LF alone) and io_bNull the check box; on
    // Cancel both stay. Returns QDialog::Accepted or QDialog::Rejected.
    static int ShowWindow(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly);

    TtvMemo *txtComment = nullptr;
    QCheckBox *chkNull = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void done(int r) override;

private:
    void LoadLayout();
    void SaveLayout();
};
