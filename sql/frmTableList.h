#pragma once
// TfrmTableList: the table picker of the query builder ("表の選択"). Lists
// the tables, views, materialized views and (EnterpriseDB) synonyms of one
// schema, filtered by a part of the name, and hands the chosen names back.
#include <QDialog>
#include <QStringList>

class IConnectionWindow;
class QComboBox;
class QLineEdit;
class QListWidget;
class QToolButton;

class TfrmTableList : public QDialog {
    Q_OBJECT
public:
    TfrmTableList(IConnectionWindow *AOwner, QWidget *parent = nullptr);
    ~TfrmTableList() override;

    // Shows the picker for AOwner; on "選択(&O)" (or a double click) appends
    // one text per chosen item, schema + "." + name when a schema is chosen.
    // Returns whether the user confirmed.
    static bool ShowWindow(IConnectionWindow *AOwner, QStringList &TableList);

    // The catalog text of the list (parameter :OWNER).
    static QString TableListSQL(bool tables, bool views, bool mviews, bool synonyms, int serverVersion);

    // Fills the list from the catalog.
    void FillList();
    // The chosen texts in list order.
    QStringList Chosen() const;

    QToolButton *btnOk = nullptr, *btnExit = nullptr;
    QToolButton *btnTable = nullptr, *btnView = nullptr, *btnMView = nullptr, *btnSynonym = nullptr;
    QComboBox *cmbSchema = nullptr;
    QLineEdit *txtFindTable = nullptr;
    QListWidget *lstTable = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ToggleClick(QToolButton *clicked);
    void LoadSettings();
    void SaveSettings();

    IConnectionWindow *FOwner;
    int FVersion = 0;
};
