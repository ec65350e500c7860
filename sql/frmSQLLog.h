#pragma once
// The SQL history: one file per executed text in the work folder
// ("SQLLOG" + n + ".SQL", n from 1 to the SQLBuf option) and the index file
// "SQLLOG.IDX" listing them newest first, kept in memory as SQLLogList.
// TfrmSQLLog is the history list window: preview, choose, reorder, remove
// and search the entries.
#include <QDialog>
#include <QString>

class QLineEdit;
class QListWidget;
class QToolBar;
class QToolButton;
class TtvMemo;

namespace sqllog {

// The work folder + name.
QString EntryPath(const QString &name);
// Writes SQLLogList to "SQLLOG.IDX" (CR LF after each name) in the Encoding
// option's encoding; false (with the reason in *error) when it fails.
bool WriteIndex(QString *error = nullptr);
// Saves a text as the newest entry: drops the oldest name when the list is
// full, takes the lowest free number, writes the entry file and the index.
// Nothing happens when SQLBuf <= 0 or no number is free. False when the
// folder or a file could not be written.
bool SaveEntry(const QString &text);
// Reads the entry at `index` of SQLLogList; false (text empty) when the
// index is outside the list or the file cannot be read.
bool ReadEntry(int index, QString *text);

} // namespace sqllog

class TfrmSQLLog : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSQLLog(QWidget *AOwner = nullptr);
    ~TfrmSQLLog() override;

    // Shows the list modally for the window AOwner; the chosen index into
    // SQLLogList, -1 when nothing was chosen.
    static int ShowWindow(QWidget *AOwner);

    // One item per entry: its file's last-write time, four blanks and its
    // first five lines joined by a blank; empty when unreadable.
    void FillList();
    bool IsMarked(int index) const;

    // Handlers.
    void lstSQLClick();
    void SelectClick();
    void btnUpClick();
    void btnDownClick();
    void btnDelClick();
    void btnFindClick();

    QListWidget *lstSQL = nullptr;
    TtvMemo *txtSQL = nullptr;
    QToolBar *tolCmd = nullptr;
    QToolButton *btnSelect = nullptr;
    QToolButton *btnExit = nullptr;
    QToolButton *btnUp = nullptr;
    QToolButton *btnDown = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnFind = nullptr;
    QLineEdit *txtFind = nullptr;
    bool FIsSelect = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Move(int delta);
    void LoadLayout();
    void SaveLayout();
};
