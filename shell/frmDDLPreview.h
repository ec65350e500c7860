#pragma once
// The preview of a DDL script: shows the script read-only before it runs, so
// the user can start it, cancel, or save it to a file.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QPushButton;
class TtvMemo;

class TfrmDDLPreview : public QDialog {
    Q_OBJECT
public:
    // True at once, without a dialog, while the option ShowDDL is off.
    // Otherwise modal: true on "開始(&E)", with the lines shown copied back
    // into ASQL; false on "キャンセル" or when the dialog is closed.
    static bool ShowWindow(QStringList &ASQL, const QString &Schema, const QString &ObjName);

    // The caption for a schema and an object name, and the name the saved
    // file is proposed under ("script" for the index defragmentation).
    static QString CaptionFor(const QString &Schema, const QString &ObjName);
    static QString FileObjectName(const QString &ObjName);
    // The file name the save dialog proposes.
    QString SaveFileName() const;

    TtvMemo *txtLog = nullptr;
    QCheckBox *chkEdit = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnSave = nullptr;

    QString FSchema;
    QString FObjName;

private:
    TfrmDDLPreview(const QString &Schema, const QString &ObjName, QWidget *parent);
    void btnSaveClick();
    void LoadPosition();
    void SavePosition();
};
