#pragma once
// The output of a result list shared by the list windows (the object
// comparison, the SQL capture, the table-access matrix): the tool button
// "出力(&P)" drops down "Excel出力" (a new workbook saved to a file) and
// "クリップボード出力" (the rows as separated text, no heading, no quoting).
// The three actions are enabled exactly when the list holds a row.
//
// A window attaches it once to its tool bar and list:
//
//     new TListOutput(this, tolCmd, lstTrace, QStringLiteral("SQLCATCH"), -1, false);
//
// Columns: how many columns are written from the first (the caption and
// the first Columns - 1 sub-items); -1 writes all. RememberFolder: after an
// Excel output the folder of the chosen file becomes the next default
// (ExcelDir).
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TtvListView;

class TListOutput : public QObject {
    Q_OBJECT
public:
    TListOutput(QWidget *Window, QToolBar *Bar, TtvListView *List, const QString &BaseName, int Columns,
                bool RememberFolder);

    // The save question, then the workbook.
    void ExcelExecute();
    // The copy question (when PasteDialog is on), then the clipboard text.
    void CopyExecute();
    // Enables the three actions by the list's row count.
    void UpdateActions();

    // The texts as they are written: the column captions, and the cells of
    // a row with every line break replaced by one blank.
    QStringList Captions() const { return Captions(FList, FColumns); }
    QStringList RowTexts(int Row) const { return RowTexts(FList, FColumns, Row); }
    // The clipboard text of the rows: one line per row (CR LF), the cells
    // joined by Separator. Stop, asked before each row, ends it early.
    QString ClipboardText(const QString &Separator, const std::function<bool()> &Stop = {}) const;

    // The same for any list (Columns as above), for windows that write
    // several lists without the drop-down.
    static QStringList Captions(const TtvListView *List, int Columns);
    static QStringList RowTexts(const TtvListView *List, int Columns, int Row);
    // Writes the workbook: row 1 the captions, then a row per list row.
    static void WriteWorkbook(const TtvListView *List, int Columns, const QString &Path);
    // The save question (default name BaseName in ExcelDir), the workbook,
    // "ファイルに出力しました。"; false when the user cancelled.
    static bool ExcelOutput(const TtvListView *List, const QString &BaseName, int Columns, bool RememberFolder);

    QAction *actOutput = nullptr;
    QAction *actExcel = nullptr;
    QAction *actCopy = nullptr;
    QToolButton *btnOutput = nullptr;
    QMenu *popOutput = nullptr;

private:

    QWidget *FWindow;
    TtvListView *FList;
    QString FBaseName;
    int FColumns;
    bool FRememberFolder;
};
