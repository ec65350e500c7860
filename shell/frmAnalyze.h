#pragma once
// TfrmAnalyze: gathers planner statistics with ANALYZE, for one table or
// materialized view (optionally for chosen columns) or for every table and
// materialized view selected in the connection window's object list.
#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QPushButton;
class TfrmObject;
class QListWidget;

namespace tv::db {
class Query;
}

class TfrmAnalyze : public QDialog {
    Q_OBJECT
public:
    // An empty schema and table: the several-objects mode.
    TfrmAnalyze(TfrmObject &owner, const QString &i_sSchema, const QString &i_sTable);
    ~TfrmAnalyze() override;
    static void ShowWindow(TfrmObject &owner, const QString &i_sSchema, const QString &i_sTable);

    // The statement of the one-table mode.
    static QString AnalyzeSQL(const QString &schema, const QString &table, const QStringList &columns);

    void btnOkClick();
    void btnCancelClick();
    void chkColumnClick();
    void cmbTableNameSelect();

    QComboBox *cmbTableName = nullptr;
    QCheckBox *chkColumn = nullptr;
    QListWidget *lstColumn = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    bool L_bOnly = false;
    QString L_sSchema;

private:
    void FillColumnNames();
    bool TableExists();
    void RunOne();
    void RunSelected();

    TfrmObject &FOwner;
    std::unique_ptr<tv::db::Query> qryAnalyze;
};
