#pragma once
// TfrmFieldList: the column picker ("項目一覧"). The caller passes the
// column names its data page shows; the dialog offers the relation's
// columns split into chosen and available ones and, on "選択(&S)", hands
// the chosen names back in the order of the list.
#include <QDialog>
#include <QStringList>

class IConnectionWindow;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

class TfrmFieldList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFieldList(QWidget *parent = nullptr);

    // The catalog query of a relation's columns for a server version
    // (parameters :SCHEMA and :TBLNAME).
    static QString FieldListSQL(int serverVersion);

    // Shows the picker for Schema.TableName on the owner's main connection.
    // FieldList receives the chosen names (plain, in the list's order) on
    // "選択(&S)" with at least one chosen; otherwise it stays. Returns
    // whether it changed. Query errors are raised before the dialog shows.
    static bool ShowWindow(IConnectionWindow *AOwner, const QString &Schema, const QString &TableName,
                           QStringList &FieldList);

    // Fills both lists from the relation's columns and the caller's list.
    void Fill(const QStringList &columns, const QStringList &chosen);
    QStringList Chosen() const;

    void btnInsClick();
    void btnDelClick();
    void btnInsAllClick();
    void btnDelAllClick();

    QListWidget *lstSelect = nullptr;
    QListWidget *lstAll = nullptr;
    QLabel *lblAll = nullptr;
    QToolButton *btnInsAll = nullptr;
    QToolButton *btnIns = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnDelAll = nullptr;
    QPushButton *btnSelect = nullptr;
    QPushButton *btnExit = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void MoveItems(QListWidget *from, QListWidget *to, bool all);
    void LoadLayout();
    void SaveLayout();
};
