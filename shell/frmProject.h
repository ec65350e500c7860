#pragma once
// "表示スキーマ設定": chooses the schemas the object tree shows under the
// display choice "設定", stored per database as "Schema" (one name per line)
// under "\Software\Quenzor\TVX19\OBJECTTREE\<database>".
#include <QDialog>

class QListWidget;
class QPushButton;
class TfrmObject;

class TfrmProject : public QDialog {
    Q_OBJECT
public:
    // True when the user confirmed and the list was stored. ProjectName is
    // not used.
    static bool ShowWindow(TfrmObject *AOwner, const QString &ProjectName);

    TfrmProject(TfrmObject *owner, QWidget *parent);

    // Checks the configured schemas that the list holds.
    void LoadTreeSchemas();
    // Stores the checked schemas in list order.
    void SaveTreeSchemas();

    QListWidget *chkUserList = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

private:
    void btnOkClick();
    QString TreeKey() const;
    TfrmObject *FOwner;
};
