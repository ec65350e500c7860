#pragma once
// The dispatch tables behind the connection window's OpenObject and
// OutputScript: which definition window serves an object-type code, and which
// parts of an object's address its constructor (opening) or its script
// constructor GetScript (scripting) receives.
//
// The definition windows live in higher layers than the shell, so each kind
// registers its two entry points here under its window class name
// ("TfrmTable", "TfrmSource" ...); a code whose window has not registered is
// dispatched like a code without a window: opening gives null and scripting
// writes nothing.
#include "common/tvOption.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;
namespace tv::excel {
class Sheet;
}
class QWidget;
class TfrmObject;

// An object as the dispatchers pass it on. Fields a window's entry point does
// not take are neutral: empty texts, 0 rows, oid -1, no index.
struct TObjectAddress {
    int ObjectType = -1;
    QString Schema;
    QString ObjectName;
    TOpenMode OpenMode = omDefine;
    int DefTopRecord = 0;      // row limit of a data page (0: the default)
    qint64 OID = -1;           // function, procedure or aggregate (-1: none)
    QString TableName;         // trigger, constraint or rule ("" for an index)
    QString NewSchema;         // table, view and materialized-view scripts: both
    QString NewObjectName;     // given, the object is written under these
    bool Index = false;        // table script: with its indexes

    bool operator==(const TObjectAddress &) const = default;
};

// A window's constructor: opens the window and returns it. Raises on failure,
// and tv::SilentAbort when it brought an open twin forward instead.
using TOpenObjectProc = std::function<QWidget *(TfrmObject &Owner, const TObjectAddress &Address)>;
// A window's script constructor: writes the object's DDL as a DDL script
// into Stream (UTF-16 into a memory buffer, the file encoding of the option
// Encoding into any other device); may end with tv::SilentAbort.
using TScriptObjectProc =
    std::function<void(TfrmObject &Owner, const TObjectAddress &Address, QIODevice &Stream)>;
// The report writers of the table, view and materialized-view windows
// (GetExcelFile, GetExcelSheet): one object's report of a definition into a
// new file in Folder (ending in "/"), or into a given sheet. Each may end
// with tv::SilentAbort.
using TReportFileProc = std::function<void(TfrmObject &Owner, const QString &ReportName, const QString &Schema,
                                           const QString &ObjectName, const QString &Folder)>;
using TReportSheetProc = std::function<void(TfrmObject &Owner, const QString &ReportName, const QString &Schema,
                                            const QString &ObjectName, tv::excel::Sheet &Sheet)>;

class TObjectDispatcher {
public:
    // The window class that opens (scripts) objects of a code; empty when
    // the code has none.
    static QString OpenWindowClass(int ObjectType);
    static QString ScriptWindowClass(int ObjectType);

    // The address as the code's window receives it: only the parts its entry
    // point takes, with the fixed values of the tables (an index opens with
    // an empty table name, packages and types with oid -1, a table script
    // takes the script option Index). New names pass only when both are
    // given. False when the code has no window.
    static bool OpenArguments(const TObjectAddress &Address, TObjectAddress &Out);
    static bool ScriptArguments(const TObjectAddress &Address, TObjectAddress &Out);

    // Registration by the window classes (an empty function removes one).
    static void RegisterOpen(const QString &WindowClass, TOpenObjectProc Proc);
    static void RegisterScript(const QString &WindowClass, TScriptObjectProc Proc);
    static TOpenObjectProc OpenProc(int ObjectType);
    static TScriptObjectProc ScriptProc(int ObjectType);

    // The report writers by window class: files for tables (45, "TfrmTable"),
    // views (47, "TfrmView") and materialized views (61, "TfrmMView"), sheets
    // for tables and views. Empty for other codes and until registered.
    static QString ReportWindowClass(int ObjectType, bool Sheet);
    static void RegisterReportFile(const QString &WindowClass, TReportFileProc Proc);
    static void RegisterReportSheet(const QString &WindowClass, TReportSheetProc Proc);
    static TReportFileProc ReportFileProc(int ObjectType);
    static TReportSheetProc ReportSheetProc(int ObjectType);
};
