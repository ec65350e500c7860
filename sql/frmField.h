#pragma once
// TfrmField: the tables-and-columns browser, a small stay-on-top window
// beside the SQL editors. It lists the tables, views, materialized views and
// synonyms of one schema of a connection, shows the columns of the selected
// tables (name, primary-key mark, type; the comment as the tooltip) and puts
// names or generated SELECT, INSERT and UPDATE statements on the clipboard.
// One browser per connection window (its FieldWindow), created on first use,
// hidden by "終了(&X)" and freed with the connection window.
#include <QStringList>
#include <QWidget>

#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QSplitter;
class QToolButton;
class TfrmObject;
class TtvListView;

namespace tv::db {
class Query;
}

class TfrmField : public QWidget {
    Q_OBJECT
public:
    // Creates or reuses the connection's browser, selects the schema and
    // table (either may be empty; names are matched without regard to case),
    // shows the window and lists the selected table's columns.
    static TfrmField *ShowWindow(TfrmObject *AOwner, const QString &TableSchema, const QString &TableName);
    // Registers the main window's launcher "actViewField".
    static void RegisterLauncher();

    ~TfrmField() override;

    void LoadTableList();
    void LoadColumnList();
    // The copy commands (the clipboard is left alone when a question is
    // cancelled or there is nothing to copy).
    void mnuCopyClick();
    void mnuCopySelectClick();
    void mnuCopyInsertClick();
    void mnuCopyUpdateClick();
    // A kind button was clicked: the last pressed one stays down.
    void chkButtonClick(QToolButton *button);

    // The chosen schema's real name.
    QString SelectedSchema() const;
    QStringList SelectedTables() const;

    // Components.
    QComboBox *cmbOwner = nullptr;
    QToolButton *btnTable = nullptr, *btnView = nullptr, *btnMView = nullptr, *btnSynonym = nullptr;
    QLineEdit *txtFindTable = nullptr, *txtFindColumn = nullptr;
    QSplitter *splField = nullptr;
    QListWidget *lstTable = nullptr;
    TtvListView *lstColumn = nullptr;
    QToolButton *btnCopy = nullptr, *btnExit = nullptr;
    QMenu *popField = nullptr;
    QAction *mnuCopy = nullptr, *mnuCopySelect = nullptr, *mnuCopyInsert = nullptr, *mnuCopyUpdate = nullptr;

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *e) override;

private:
    explicit TfrmField(TfrmObject *AOwner);
    void FillOwner(const QString &TableSchema);
    bool SelectOwner(const QString &name);
    bool SelectTable(const QString &name);
    // Asks an alias for each selected table; false when one was cancelled.
    bool AskAliases(const QStringList &tables, QStringList &aliases);
    QString SchemaPrefix() const;
    void UpdateMenu();
    void LoadSettings();
    void SaveSettings();

    TfrmObject *FOwner;
    std::unique_ptr<tv::db::Query> qryTable, qryColumn, qryIndex, qrySynonym;
    QWidget *FLastList = nullptr;
};
