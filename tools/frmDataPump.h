#pragma once
// TfrmDataPump: what the data-pump export and import windows have in common.
// Both carry the tool bar's "実行(&E)", a page control with "選択",
// "オプション" and "結果ログ", and on the option page the same first rows:
// the objects taken along, the connecting user, background running, the
// tool program, NLS_LANG, the log switch and the log file with its
// directory object. A window builds its own select page and the rest of
// its option page around them, and keeps the member names its settings and
// tests know (the program box, the log directory box, the page control).
#include "tools/DataPumpFiles.h"
#include "tools/tvToolForm.h"

#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"

#include <QCheckBox>

class QGridLayout;
class QLabel;
class QTabWidget;
class QToolButton;
class QWidget;
class TtvComboBox;
class TtvMemo;

class TfrmDataPump : public TtvToolForm {
    Q_OBJECT
public:
    TfrmDataPump(QObject *AOwner, const QString &ClassName);

    void rdoUserIDClick();
    virtual void chkLogClick() = 0;
    // Checks the input and runs the tool.
    virtual void btnExecClick() = 0;
    // The command the run starts.
    virtual TDataPumpCommand Command() const = 0;

    QAction *btnExec = nullptr;
    QWidget *tabSelect = nullptr, *tabOption = nullptr, *tabLog = nullptr;
    TtvRadioGroup *rdoMode = nullptr;
    QCheckBox *chkGrants = nullptr, *chkIndexes = nullptr, *chkRows = nullptr, *chkConstraints = nullptr;
    TtvRadioGroup *rdoUserID = nullptr;
    QLabel *lblUserID = nullptr, *lblPass = nullptr;
    TtvStrEdit *txtUserID = nullptr, *txtPass = nullptr;
    QCheckBox *chkBackground = nullptr;
    TtvStrEdit *txtNLSLANG = nullptr;
    QCheckBox *chkLog = nullptr;
    TtvStrEdit *txtLogFile = nullptr;
    TtvMemo *txtLog = nullptr;

protected:
    // The tool bar and the page control with its empty "選択" and
    // "オプション" pages; PagesName names the control.
    QTabWidget *BuildPages(const char *PagesName);
    // Rows 0 to 6 of the option page's grid. Tool ("Expdp", "Impdp") names
    // the program box and its button, txt<Tool>Pgm and btn<Tool>Pgm, and the
    // log directory box cmb<Tool>LogDirObj.
    void AddOptionRows(QGridLayout *Grid, const QString &ObjectsCaption, const QString &LogCaption,
                       const QString &Tool, TtvStrEdit *&txtPgm, QToolButton *&btnPgm, TtvComboBox *&cmbLogDirObj);
    // The "結果ログ" page and the connections of the common widgets; the
    // log is read again when the user turns to its page.
    void FinishPages();

    // The connecting user and the objects taken along, from and to the
    // window's stored options.
    template <class Option> void LoadCommon(const Option &o)
    {
        const bool own = !o.UserID.trimmed().isEmpty();
        rdoUserID->SetItemIndex(own ? 1 : 0);
        rdoUserIDClick();
        if (own) {
            txtUserID->SetText(o.UserID);
            txtPass->SetText(o.Pass);
        }
        chkGrants->setChecked(o.Grants);
        chkIndexes->setChecked(o.Indexes);
        chkRows->setChecked(o.Rows);
        chkConstraints->setChecked(o.Constraints);
    }
    template <class Option> void StoreCommon(Option &o)
    {
        o.UserID = txtUserID->Text();
        o.Pass = txtPass->Text();
        o.Grants = chkGrants->isChecked();
        o.Indexes = chkIndexes->isChecked();
        o.Rows = chkRows->isChecked();
        o.Constraints = chkConstraints->isChecked();
        o.Background = chkBackground->isChecked();
        o.LogFile = txtLogFile->Text().trimmed();
        StoreNlsLang();
    }
    void StoreNlsLang();
    // The choices both windows share: mode, log, objects taken along.
    void CommonChoices(TDataPumpChoices &c, const TtvComboBox *cmbLogDirObj) const;
    // The tool's connect text and password (the user given on the option
    // page, else the connection's own), the parameter file argument and the
    // display line. TrimUser trims the typed user, TrimDatabase the
    // connection's database name.
    TDataPumpCommand ToolCommand(const QString &Program, const QString &ParFile, bool TrimUser,
                                 bool TrimDatabase) const;
    // Writes the parameter file into the work folder and runs the tool,
    // turning to the log page unless it runs in the background. Title:
    // "エクスポート" or "インポート".
    void RunTool(const QString &ParFile, const QStringList &Lines, const QString &Title);

    // Shows an input error on its page and control.
    void Fail(const QString &Text, QWidget *Page, QWidget *Focus);

    QTabWidget *FPages = nullptr;
    QToolButton *FProgramButton = nullptr;
    TtvStrEdit *FProgram = nullptr;
    bool FOpened = false;
    bool FFromCode = false;
};
