#pragma once
// A connection window that runs its statements on a short-lived side
// connection of another's parameters, auto-commit on: the execution dialog
// runs through it the statements that cannot run in a transaction block
// (CREATE / DROP TABLESPACE) while the main connection is in one. Everything
// else is the main connection window's.
#include "common/IConnectionWindow.h"

#include <memory>

class TSideConnectionWindow : public IConnectionWindow {
public:
    explicit TSideConnectionWindow(IConnectionWindow *Main);
    ~TSideConnectionWindow() override;

    // Whether statements that need their own transaction must go to a side
    // connection: the main connection is inside a block.
    static bool Needed(IConnectionWindow *Main);

    QWidget *FormWidget() override;
    tv::db::Connection &dbsMain() override;
    QString ConnectionText() const override;
    QString DBName() const override;
    int DBVer() const override;
    bool g_bPostgresPlus() const override;
    bool g_Linux_Ver() const override;
    int MYSID() const override;
    bool DBAMODE() const override;
    void ExecuteSQL(const QString &SQLText) override;
    void ExecuteSQL(const QString &SQLText, const QStringList &ParamData) override;
    void ExecuteSQL(const QStringList &SQLText, bool IgnoreError) override;
    tv::db::Query &OpenSQL(const QString &SQLText) override;
    tv::db::Query &OpenSQL(const QString &SQLText, const QStringList &ParamData) override;
    int GetMySID() override;
    QString VerStr(int Version, const QString &S1, const QString &S2) const override;
    void GetSchemaInfo(QStringList &ListData, bool ObjList) override;

private:
    IConnectionWindow *FMain;
    std::unique_ptr<tv::db::Connection> FSide;
    std::unique_ptr<tv::db::Query> FQuery;
};
