#pragma once
// Import of connection profiles saved by other versions of the program
// (their own stores "\Software\Quenzor\TVX" .. "TVX19R", read without
// writing) into the current version's profile list.
#include <QDialog>
#include <QStringList>

class QAction;
class TtvListView;

class TfrmConnection : public QDialog {
    Q_OBJECT
public:
    // True when profiles were imported into AList (the logon dialog's
    // profile list) and the store; the caller then reloads its list. With
    // nothing to import the user is told so and tv::SilentAbort is raised.
    static bool ShowWindow(TtvListView *AList);

    explicit TfrmConnection(QWidget *owner);

    // The version key names, oldest first.
    static const QStringList &FGuidList();
    // The number of a version key name: what is left after "TVX" and "R"
    // (1 when that is no number).
    static int VersionOfKey(const QString &name);

    // Lists the profiles of every older or parallel version; the number found.
    int LoadOtherVersionProfiles();
    // Copies the selected profiles that AList does not hold yet into AList and
    // the store, each under the lowest free "DBnnn" that "Sort" does not name.
    void ImportSelectedProfiles(TtvListView *AList);

    // Caption version key; sub-items 0 user ID, 1 server, 2 database,
    // 3 schema, 4 port, 5 password (not shown).
    TtvListView *lstUserID = nullptr;
    QAction *actImport = nullptr;
    QAction *actExit = nullptr;

private:
    void LoadLayout();
    void SaveLayout();
};
