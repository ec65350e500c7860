#pragma once
// TfrmXLSSetup: the report-definition editor ("レポート定義"), opened from
// the main window's tool menu. One tab per definition file; the shown
// definition's type, name, form file, detail start and count, output type
// and its three item grids (header, detail 1, detail 2) are edited and
// saved back to its file. Closing rebuilds the main window's report menu.
#include <QDialog>

class QAction;
class QComboBox;
class QLineEdit;
class QTabBar;
class QToolBar;
class QToolButton;
class TtvRadioGroup;
class TtvStringGrid;

class TfrmXLSSetup : public QDialog {
    Q_OBJECT
public:
    explicit TfrmXLSSetup(QWidget *owner = nullptr);

    // Opens the editor modally; the report menu is rebuilt afterwards.
    static void ShowWindow();
    // Registers the launcher "actToolReportSetup" and the report items and
    // definition reader for the shell.
    static void RegisterLauncher();

    void LoadDefinitionList();
    void ShowDefinition();
    // Checks and writes the shown definition; false when a check failed
    // (its message was shown).
    bool SaveDefinition();
    bool ValidateDefinition();
    void LoadWindowLayout();
    void SaveWindowLayout();

    void actOkExecute();
    void actAddExecute();
    void actDeleteExecute();
    void actRefreshExecute();
    void actExitExecute();
    void btnXlsFileClick();
    // The type selection changed (by the user or by ShowDefinition).
    void cmbDataTypeChange();

    bool Changed() const { return FChanged; }
    // The definition type captions offered (object list, table, view).
    static QStringList TypeCaptions();

    QToolBar *tolMain = nullptr;
    QAction *actOk = nullptr, *actAdd = nullptr, *actDelete = nullptr, *actRefresh = nullptr, *actExit = nullptr;
    QTabBar *tabReport = nullptr;
    QComboBox *cmbDataType = nullptr;
    QLineEdit *txtName = nullptr;
    QLineEdit *txtXlsFile = nullptr;
    QToolButton *btnXlsFile = nullptr;
    QLineEdit *txtBodyTop = nullptr;
    QLineEdit *txtBodyCount = nullptr;
    TtvRadioGroup *rdoOutputType = nullptr;
    TtvStringGrid *grdHeaderCol = nullptr;
    TtvStringGrid *grdBodyCol1 = nullptr;
    TtvStringGrid *grdBodyCol2 = nullptr;
    // Each grid's tool buttons: add, delete, up, down.
    struct TGridTools {
        QToolButton *btnAdd = nullptr, *btnDel = nullptr, *btnUp = nullptr, *btnDown = nullptr;
    };
    TGridTools tolHeader, tolBody1, tolBody2;

public slots:
    // Closing asks about unsaved changes first.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    QWidget *MakeGridGroup(const QString &title, TtvStringGrid *&grid, TGridTools &tools, int itemWidth,
                           const char *name);
    void ClearGrid(TtvStringGrid *grid);
    void SetChanged(bool on);
    void UpdateActions();
    void UpdateGridTools(TtvStringGrid *grid, int row);
    TGridTools &ToolsOf(TtvStringGrid *grid);
    QStringList PartItems(TtvStringGrid *grid) const;
    void GridAdd(TtvStringGrid *grid);
    void GridDelete(TtvStringGrid *grid);
    void GridMove(TtvStringGrid *grid, int by);
    void TabChanged(int index);
    void SelectTab(int index);
    QStringList TabCaptions() const;
    // Asks whether to keep unsaved changes: true when the caller may go on.
    bool ConfirmLeave();

    bool FChanged = false;
    bool FLoading = false;
    int FLastType = -1;
    int FTab = -1;
    QString FSavedName;
};
