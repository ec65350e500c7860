#pragma once
// What the lower layers use of a connection window (one logged-on database
// session with its object list). The shell's connection window implements it;
// windows of the shared base class reach their connection window only through
// this interface, and tests of the lower layers use a small fake of it.
//
// ExecuteSQL and OpenSQL share one query on the main connection: the query
// OpenSQL returns stays valid only until the next ExecuteSQL or OpenSQL of
// the same window, whoever calls it. A caller that reads rows while calling
// back into the window copies the rows first.
#include <QString>
#include <QStringList>

class QWidget;

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

class IConnectionWindow {
public:
    virtual ~IConnectionWindow();

    // The window itself (an MDI child of the main window).
    virtual QWidget *FormWidget() = 0;

    // The main connection: every query of this window and of every window
    // it owns runs on it. Its parameters Server, Database, MetaDefSchema,
    // Port, User_Name and Password describe the connection.
    virtual tv::db::Connection &dbsMain() = 0;
    // The kind-0 descriptor text of the main connection ("user @ db/host:port"),
    // built from its current parameters: the connection's text in the
    // connection list, in workspace entries and in the main window's lookups.
    virtual QString ConnectionText() const = 0;

    virtual QString DBName() const = 0;
    // Server version, major * 10000 + minor * 100 + patch; 999999 when the
    // version text could not be read, 0 when the version query failed.
    virtual int DBVer() const = 0;
    // The server is an EnterpriseDB server (packages, synonyms, database links).
    virtual bool g_bPostgresPlus() const = 0;
    // The server's version text names "linux".
    virtual bool g_Linux_Ver() const = 0;
    // Server process id of the main connection; -1 when it could not be read.
    virtual int MYSID() const = 0;
    // Passed to the completion driver, which does not read it.
    virtual bool DBAMODE() const = 0;

    // One statement, every ":" sent as written; no result survives the call.
    // Raises the database error on failure.
    virtual void ExecuteSQL(const QString &SQLText) = 0;
    // The same with ":name" parameters bound by position as texts.
    virtual void ExecuteSQL(const QString &SQLText, const QStringList &ParamData) = 0;
    // A DDL script: a line holding only ";" (blanks around allowed) ends a
    // statement; the last statement needs none. With IgnoreError a failing
    // statement is skipped, otherwise it ends the script.
    virtual void ExecuteSQL(const QStringList &SQLText, bool IgnoreError) = 0;
    // The shared query, open on its first row (see above).
    virtual tv::db::Query &OpenSQL(const QString &SQLText) = 0;
    virtual tv::db::Query &OpenSQL(const QString &SQLText, const QStringList &ParamData) = 0;

    // "SELECT pg_backend_pid()": 0 when no row, -1 on any failure.
    virtual int GetMySID() = 0;
    // S2 when DBVer < Version, else S1.
    virtual QString VerStr(int Version, const QString &S1, const QString &S2) const = 0;

    // Schema names in name order; with ObjList the temporary schemas fold
    // into "pg_temp" and "pg_toast_temp" and "pg_toast" is listed too.
    virtual void GetSchemaInfo(QStringList &ListData, bool ObjList) = 0;

    // Keep an object's DDL in a file just before and just after a change is
    // applied, when the options ask for it (the connection window does; the
    // default keeps nothing). Failures raise to the applying window.
    virtual void SaveBeforeSource(const QString &Schema, const QString &ObjectName, int ObjectType,
                                  qint64 p_intOID = -1, const QString &p_strTblNm = QString())
    {
        (void)Schema, (void)ObjectName, (void)ObjectType, (void)p_intOID, (void)p_strTblNm;
    }
    virtual void SaveAfterSource(const QString &Schema, const QString &ObjectName, int ObjectType,
                                 qint64 p_intOID = -1, const QString &p_strTblNm = QString())
    {
        (void)Schema, (void)ObjectName, (void)ObjectType, (void)p_intOID, (void)p_strTblNm;
    }
};
