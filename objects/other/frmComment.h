#pragma once
// TfrmComment: the comment check. Lists every line that holds a comment in
// the DDL of the stored programs selected in a connection window's object
// list (procedures, functions, packages and aggregates), read through the
// connection window's script service; opens a program's source at a line;
// writes the list to an .xlsx workbook or the clipboard. Several may be open.
#include "common/tvForm.h"
#include "objects/other/CommentScan.h"

class QAction;
class QMenu;
class QTableWidget;
class TtvToolBar;
class QToolButton;
class TfrmObject;

class TfrmComment : public TtvForm {
    Q_OBJECT
public:
    // The programs of the owner's object-list selection, in selection order.
    static QList<TCommentProgram> SelectedPrograms(TfrmObject *Owner);
    // A new window on the selected programs of Owner's list.
    static TfrmComment *Open(TfrmObject *Owner);

    TfrmComment(TfrmObject *AOwner, const QList<TCommentProgram> &Programs);

    const QList<TCommentRow> &Rows() const { return FRows; }

    TtvToolBar *tolCmd;
    QTableWidget *grdComment;
    QAction *actRefresh;
    QAction *actOutput;
    QAction *actExcel;
    QAction *actCopy;
    QAction *actExit;
    QToolButton *btnOutput;
    QMenu *popOutput;
    QMenu *popComment;
    QAction *mnuSource;

    void ShowComments();
    // The grid row's program (and its line); the window that resulted, or null.
    QWidget *ShowSource(int Row);
    void mnuSourceClick();
    void actExcelExecute();
    // Writes the list (header included, no OID column) to an .xlsx file.
    void WriteExcel(const QString &Path) const;
    void actCopyExecute();
    // The clipboard text: data rows from the OID column on, Sep between cells.
    QString ClipboardText(const QString &Sep) const;

    void Reload(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void FormResize();

    TfrmObject *FOwner;
    QList<TCommentProgram> L_wProgramList;
    QList<TCommentRow> FRows;
    tv::db::Query *qrySource;
};
