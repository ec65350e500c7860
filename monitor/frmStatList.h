#pragma once
// TfrmStatList: the picker of the statistics window's snapshots to delete
// ("データベース統計履歴の削除"): one check box per snapshot, titled with its
// date, none ticked; "削除(&D)" returns the ticked ones.
#include <QDialog>
#include <QStringList>

#include <functional>

class QListWidget;
class QPushButton;

class TfrmStatList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatList(QWidget *Owner);

    // Shows the dialog modally over the names (titled by Title). True when
    // the user chose "削除(&D)"; Marked then holds the ticked names.
    static bool ShowWindow(QWidget *Owner, const QStringList &Names,
                           const std::function<QString(const QString &)> &Title, QStringList &Marked);

    QListWidget *lstLog = nullptr;
    QPushButton *btnDelete = nullptr;
    QPushButton *btnExit = nullptr;
};
