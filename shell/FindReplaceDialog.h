#pragma once
// The main window's modeless find and replace dialogs. The find form offers
// the text and a match-case box and searches downwards; the replace form adds
// the replacement and the replace and replace-all buttons. Neither offers a
// whole-word or direction choice.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TFindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindReplaceDialog(bool replace, QWidget *parent = nullptr);

    bool IsReplace() const { return FReplace; }
    QString FindText() const;
    void SetFindText(const QString &text);
    QString ReplaceText() const;
    void SetReplaceText(const QString &text);
    bool MatchCase() const;
    void SetMatchCase(bool on);

    QLineEdit *edtFind = nullptr;
    QLineEdit *edtReplace = nullptr; // null in the find form
    QCheckBox *chkMatchCase = nullptr;
    QPushButton *btnFindNext = nullptr;
    QPushButton *btnReplace = nullptr;    // null in the find form
    QPushButton *btnReplaceAll = nullptr; // null in the find form
    QPushButton *btnCancel = nullptr;

signals:
    // "次を検索"
    void Find();
    // "置換" (all = false) and "すべて置換" (all = true).
    void Replace(bool all);

private:
    bool FReplace;
};
