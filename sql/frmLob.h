#pragma once
// TfrmLob: the viewer of a binary cell value. It shows the value as text, as
// a hexadecimal dump or as a picture, loads it from a file, saves it to one
// and empties it. The caller passes a working copy of the value and gets the
// new value back when the user ends with OK (or empties the value).
#include <QByteArray>
#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QToolButton;
class TtvMemo;

namespace tv::db {
class DataSet;
}

class TfrmLob : public QDialog {
    Q_OBJECT
public:
    // The dialog works on *AStream (owned by the caller).
    TfrmLob(QWidget *AOwner, QByteArray *AStream);
    ~TfrmLob() override;

    // Shows the value of `field` of the data set's current record modally.
    // True when the user ended with OK (or emptied the value); AStream then
    // holds the new value. A value that cannot be read is reported and no
    // dialog is shown.
    static bool ShowWindow(QWidget *AOwner, const tv::db::DataSet &AField, int field, QByteArray &AStream,
                           bool ReadOnly);

    // Reads the field's value into the stream and fills the dialog; false
    // (after the message) when the value cannot be read.
    bool LoadField(const tv::db::DataSet &ds, int field, bool readOnly);
    void SetReadOnly(bool readOnly);

    // The format name of an image value ("BMP", "PNG", "JPG", "GIF", "TIF",
    // "WMPHOTO", "OTHER"), "UNKNOWN" when it is no picture this program reads.
    static QString GetImageFormat(const QByteArray &data);
    // One line per 16 bytes: two upper-case hexadecimal digits a byte,
    // separated by single blanks.
    static QStringList HexDump(const QByteArray &data);
    // The value as text: UTF-8, else (while the text is blank) the ANSI code
    // page, UTF-16BE, ASCII and UTF-16LE in this order.
    static QString DecodeText(const QByteArray &data);
    // The file name to write: "." + the lower-case format name appended when
    // the name has no extension, unless that would be ".unknown".
    static QString SaveFileName(const QString &name, const QString &format);

    void SelectPage();
    void ShowLobData();
    void StoreText();
    void LoadDataFile();
    void LoadFile(const QString &path);
    void SaveDataFile();
    void btnClipCopyClick();
    void btnDataDeleteClick();
    void btnHelpClick();

    QTabWidget *pagData = nullptr;
    QWidget *tabText = nullptr;
    QWidget *tabImage = nullptr;
    QWidget *tabBinary = nullptr;
    QWidget *tabOther = nullptr;
    TtvMemo *txtData = nullptr;
    TtvMemo *txtBinary = nullptr;
    QToolButton *btnImageOpen = nullptr;
    QToolButton *btnClipCopy = nullptr;
    QToolButton *btnImageSave = nullptr;
    QScrollArea *scrImage = nullptr;
    QLabel *ImgBytes = nullptr;
    QPushButton *btnSaveToFile = nullptr;
    QPushButton *btnLoadFromFile = nullptr;
    QPushButton *btnDataDelete = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    QByteArray *FStream;

protected:
    void accept() override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    void LoadLayout();
    void SaveLayout();

    QString m_loadedText; // the text page as loaded (for its line breaks)
    bool m_deleted = false;
};
