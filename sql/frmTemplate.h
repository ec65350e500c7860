#pragma once
// TfrmTemplate: the SQL reference browser, a stay-on-top window that needs
// no connection. The reference files (".tpl") of the program folder are
// offered by name (the last one in name order first); the left tree holds
// the chosen file's categories and entries, filtered by the find text, the
// right side the selected entry's text followed by the texts of the
// entries it refers to. Every request opens a new window.
#include "sql/TemplateFile.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSplitter;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TtvMemo;

class TfrmTemplate : public QWidget {
    Q_OBJECT
public:
    // Opens a new reference window looking up SelectWord (upper-cased and
    // trimmed). Raises the file error, and shows no window, when the folder
    // holds no reference file.
    static TfrmTemplate *ShowWindow(const QString &SelectWord);
    // Registers the main window's launcher "actViewTemplate".
    static void RegisterLauncher();
    // The folder of the reference files: the program folder unless set.
    static QString TemplateFolder();
    static void SetTemplateFolder(const QString &folder);

    ~TfrmTemplate() override;

    void LoadTemplateFile();
    void BuildTemplateTree();
    // The text shown for a node: nothing for a top-level node.
    QStringList GetEntryText(QTreeWidgetItem *node) const;
    void lstTemplateChange();
    // The names of the entries left in the tree (for tests and readers).
    QStringList EntryNames() const;
    QString ShownText() const;

    QComboBox *cmbVersion = nullptr;
    QLineEdit *txtFind = nullptr;
    QTreeWidget *lstTemplate = nullptr;
    QSplitter *splTemplate = nullptr;
    TtvMemo *txtSQL = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TfrmTemplate(QWidget *owner);
    void LoadWindowLayout();
    void SaveWindowLayout();

    TTemplateFile FFile;
    QTimer *FChangeDelay = nullptr;
    QString FFindOnEnter;
};
