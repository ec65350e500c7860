#include "shell/frmAnalyze.h"

#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "controls/tvListView.h"
#include "platform/Errors.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Dialogs.h"
#include "shell/ListItemImage.h"
#include "shell/SelectionWalk.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TfrmAnalyze::TfrmAnalyze(TfrmObject &owner, const QString &i_sSchema, const QString &i_sTable)
    : QDialog(&owner), FOwner(owner), qryAnalyze(std::make_unique<tv::db::Query>(&owner.dbsMain()))
{
    setObjectName(QStringLiteral("TfrmAnalyze"));
    setWindowTitle(QStringLiteral("統計情報"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("統計情報を集計しますか。"), this));
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("テーブル"), this));
    cmbTableName = new QComboBox(this);
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setEditable(true);
    cmbTableName->setInsertPolicy(QComboBox::NoInsert);
    row->addWidget(cmbTableName, 1);
    v->addLayout(row);
    chkColumn = new QCheckBox(QStringLiteral("列を指定する"), this);
    chkColumn->setObjectName(QStringLiteral("chkColumn"));
    v->addWidget(chkColumn);
    lstColumn = new QListWidget(this);
    lstColumn->setObjectName(QStringLiteral("lstColumn"));
    lstColumn->setEnabled(false);
    v->addWidget(lstColumn, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    v->addLayout(buttons);

    L_sSchema = i_sSchema;
    if (!i_sSchema.isEmpty() || !i_sTable.isEmpty()) {
        L_bOnly = true;
        QStringList names, views;
        owner.GetObject(names, i_sSchema, QStringLiteral("TABLE"));
        if (owner.DBVer() > 90299) {
            owner.GetObject(views, i_sSchema, QStringLiteral("MATERIALIZED VIEW"));
            names += views;
        }
        cmbTableName->addItems(names);
        cmbTableName->setCurrentIndex(-1);
        const TtvListItem *sel = owner.lstObject->Selected();
        const int code = sel ? ItemImageIndex(sel) : -1;
        if (code == 45 || code == 61)
            cmbTableName->setCurrentIndex(cmbTableName->findText(i_sTable, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        if (cmbTableName->currentIndex() < 0)
            cmbTableName->setEditText(QString());
    } else {
        L_bOnly = false;
        cmbTableName->addItem(QStringLiteral("(複数選択)"));
        cmbTableName->setCurrentIndex(0);
        cmbTableName->setEnabled(false);
        chkColumn->setEnabled(false);
    }
    connect(btnOk, &QPushButton::clicked, this, [this] {
        try {
            btnOkClick();
        } catch (const tv::SilentAbort &) {
        }
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(chkColumn, &QCheckBox::clicked, this, [this] { chkColumnClick(); });
    connect(cmbTableName, &QComboBox::activated, this, [this] { cmbTableNameSelect(); });
}

TfrmAnalyze::~TfrmAnalyze() = default;

void TfrmAnalyze::ShowWindow(TfrmObject &owner, const QString &i_sSchema, const QString &i_sTable)
{
    TfrmAnalyze dlg(owner, i_sSchema, i_sTable);
    dlg.exec();
}

QString TfrmAnalyze::AnalyzeSQL(const QString &schema, const QString &table, const QStringList &columns)
{
    QString s = QStringLiteral("ANALYZE ") + QuoteIdentifier(schema) + QLatin1Char('.') + QuoteIdentifier(table);
    if (!columns.isEmpty()) {
        QStringList q;
        for (const QString &c : columns)
            q << QuoteIdentifier(c);
        s += QStringLiteral(" (") + q.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return s;
}

void TfrmAnalyze::chkColumnClick()
{
    lstColumn->setEnabled(chkColumn->isChecked());
    FillColumnNames();
}

void TfrmAnalyze::cmbTableNameSelect()
{
    FillColumnNames();
}

void TfrmAnalyze::FillColumnNames()
{
    lstColumn->clear();
    if (!chkColumn->isChecked())
        return;
    Hourglass cursor;
    qryAnalyze->Close();
    qryAnalyze->SetParamParsing(true);
    qryAnalyze->SetSQL(QStringLiteral("SELECT A.attname, T.typname, A.atttypmod, "
                                      "CASE WHEN A.atttypmod > 4 THEN A.atttypmod - 4 ELSE NULL END AS len1, "
                                      "CASE WHEN A.atttypmod > 4 THEN (A.atttypmod - 4) & 65535 ELSE NULL END AS len2 "
                                      "FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid "
                                      "LEFT JOIN pg_attribute A ON C.oid = A.attrelid "
                                      "LEFT JOIN pg_type T ON A.atttypid = T.oid "
                                      "LEFT JOIN pg_description D ON A.attrelid = D.objoid AND A.attnum = D.objsubid "
                                      "WHERE (C.relkind = 'r' OR C.relkind = 'v'") +
                       FOwner.VerStr(90300, QStringLiteral(" OR C.relkind = 'm'"), QString()) +
                       FOwner.VerStr(100000, QStringLiteral(" OR C.relkind = 'p'"), QString()) +
                       QStringLiteral(") AND N.nspname = :SCHEMA AND C.relname = :TBLNAME AND A.attnum > 0 "
                                      "AND NOT A.attisdropped ORDER BY A.attnum"));
    qryAnalyze->ParamByName(QStringLiteral("SCHEMA")).setAsString(L_sSchema);
    qryAnalyze->ParamByName(QStringLiteral("TBLNAME")).setAsString(cmbTableName->currentText());
    qryAnalyze->Open();
    for (; !qryAnalyze->Eof(); qryAnalyze->Next()) {
        auto *item = new QListWidgetItem(qryAnalyze->Fields(0).AsString(), lstColumn);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    qryAnalyze->Close();
}

bool TfrmAnalyze::TableExists()
{
    qryAnalyze->Close();
    qryAnalyze->SetParamParsing(true);
    qryAnalyze->SetSQL(QStringLiteral("  SELECT relname, nspname FROM pg_class c LEFT OUTER JOIN pg_namespace ns "
                                      "ON ns.oid = c.relnamespace WHERE 0 = 0 AND (c.relkind = 'r'") +
                       FOwner.VerStr(90300, QStringLiteral(" OR c.relkind = 'm'"), QString()) +
                       FOwner.VerStr(100000, QStringLiteral(" OR c.relkind = 'p'"), QString()) +
                       QStringLiteral(") AND nspname = :SCHEMA_NAME AND relname = :TBL_NAME"));
    qryAnalyze->ParamByName(QStringLiteral("SCHEMA_NAME")).setAsString(L_sSchema);
    qryAnalyze->ParamByName(QStringLiteral("TBL_NAME")).setAsString(cmbTableName->currentText());
    qryAnalyze->Open();
    bool found = false;
    for (; !qryAnalyze->Eof() && !found; qryAnalyze->Next())
        found = qryAnalyze->Fields(0).AsString().compare(cmbTableName->currentText(), Qt::CaseInsensitive) == 0;
    qryAnalyze->Close();
    return found;
}

void TfrmAnalyze::btnCancelClick()
{
    reject();
}

void TfrmAnalyze::btnOkClick()
{
    Hourglass cursor;
    if (L_bOnly)
        RunOne();
    else
        RunSelected();
}

void TfrmAnalyze::RunOne()
{
    const QString table = cmbTableName->currentText();
    if (table.isEmpty()) {
        ShowMessageBox(QStringLiteral("テーブルを指定してください。"), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
    if (!TableExists()) {
        ShowMessageBox(QStringLiteral("指定したテーブルは存在しません。"), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
    QStringList columns;
    if (chkColumn->isChecked()) {
        for (int i = 0; i < lstColumn->count(); ++i)
            if (lstColumn->item(i)->checkState() == Qt::Checked)
                columns << lstColumn->item(i)->text();
        if (columns.isEmpty()) {
            ShowMessageBox(QStringLiteral("列を指定してください。"), tv::ui::MB_ICONEXCLAMATION);
            throw tv::SilentAbort();
        }
    }
    try {
        // A failure must not abort the session's open transaction block.
        tv::db::StatementSavepoint sp(FOwner.dbsMain());
        qryAnalyze->Close();
        qryAnalyze->SetParamParsing(false);
        qryAnalyze->SetSQL(AnalyzeSQL(L_sSchema, table, columns));
        qryAnalyze->ExecSQL();
        sp.release();
    } catch (const tv::db::DbError &e) {
        qryAnalyze->Close();
        if (e.connectionLost())
            throw;
        ShowMessageBox(QStringLiteral("統計情報の集計に失敗しました。\r\n") + e.text(), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
    qryAnalyze->Close();
    ShowMessageBox(QStringLiteral("統計情報の収集が完了しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmAnalyze::RunSelected()
{
    int count = 0;
    {
        TSelectionWalk walk(FOwner.lstObject, true);
        while (TtvListItem *item = walk.Next()) {
            const int code = ItemImageIndex(item);
            if (code == 45 || code == 61) {
                const QString sql = QStringLiteral("ANALYZE ") + QuoteIdentifier(item->SubItem(0)) +
                                    QLatin1Char('.') + QuoteIdentifier(item->Caption());
                try {
                    tv::db::StatementSavepoint sp(FOwner.dbsMain());
                    FOwner.ExecuteSQL(sql);
                    sp.release();
                } catch (const tv::db::DbError &e) {
                    if (e.connectionLost())
                        throw;
                    walk.Keep();
                    ShowMessageBox(QStringLiteral("統計情報の集計に失敗しました。\r\n") + e.text(),
                                   tv::ui::MB_ICONEXCLAMATION);
                    throw tv::SilentAbort();
                }
                ++count;
            }
            walk.Deselect();
        }
    }
    if (count == 0)
        ShowMessageBox(QStringLiteral("テーブルを指定してください。"), tv::ui::MB_ICONEXCLAMATION);
    else
        ShowMessageBox(QStringLiteral("統計情報の収集が完了しました。"), tv::ui::MB_ICONINFORMATION);
    accept();
}
