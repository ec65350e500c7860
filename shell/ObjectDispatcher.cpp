#include "shell/ObjectDispatcher.h"

#include "common/ScriptOption.h"

#include <QHash>

namespace {

// The parts of an address an entry point takes.
enum : unsigned {
    aSchema = 1u << 0,
    aName = 1u << 1,
    aMode = 1u << 2,
    aTop = 1u << 3,
    aOID = 1u << 4,
    aTable = 1u << 5,
    aNew = 1u << 6,
    aIndex = 1u << 7,
};

struct Row {
    int code;
    const char *window;
    unsigned args;
};

// OpenObject: the window and the constructor's arguments after the owner.
const Row OpenRows[] = {
    {2, "TfrmUser", aName | aMode},
    {3, "TfrmUser", aName | aMode},
    {4, "TfrmSchema", aName | aMode},
    {126, "TfrmSchema", aName | aMode},
    {45, "TfrmTable", aSchema | aName | aMode | aTop},
    {46, "TfrmIndex", aSchema | aName | aMode}, // with an empty table name
    {47, "TfrmView", aSchema | aName | aMode | aTop},
    {51, "TfrmSource", aSchema | aName | aMode | aOID},
    {52, "TfrmSource", aSchema | aName | aMode | aOID},
    {53, "TfrmSource", aSchema | aName | aMode}, // oid -1
    {55, "TfrmSource", aSchema | aName | aMode},
    {57, "TfrmTrigger", aSchema | aName | aMode | aTable},
    {58, "TfrmSeq", aSchema | aName | aMode},
    {60, "TfrmSynonym", aSchema | aName | aMode}, // with an empty target
    {61, "TfrmMView", aSchema | aName | aMode | aTop},
    {66, "TfrmConst", aSchema | aName | aTable}, // no open mode
    {68, "TfrmRole", aName | aMode},
    {69, "TfrmTBS", aName | aMode},
    {127, "TfrmRule", aSchema | aName | aMode | aTable},
    {128, "TfrmAggregate", aSchema | aName | aMode | aOID},
};

// OutputScript: the script source and GetScript's arguments after the owner
// (the stream aside).
const Row ScriptRows[] = {
    {2, "TfrmUser", aName},
    {3, "TfrmUser", aName},
    {4, "TfrmSchema", aName},
    {45, "TfrmTable", aSchema | aName | aNew | aIndex},
    {46, "TfrmIndex", aSchema | aName},
    {47, "TfrmView", aSchema | aName | aNew},
    {51, "TfrmSource", aSchema | aName | aOID},
    {52, "TfrmSource", aSchema | aName | aOID},
    {53, "TfrmSource", aSchema | aName},
    {55, "TfrmSource", aSchema | aName},
    {57, "TfrmTrigger", aSchema | aName | aTable},
    {58, "TfrmSeq", aSchema | aName},
    {60, "TfrmSynonym", aSchema | aName},
    {61, "TfrmMView", aSchema | aName | aNew},
    {66, "TfrmConst", aSchema | aName | aTable},
    {68, "TfrmRole", aName},
    {69, "TfrmTBS", aName},
    {127, "TfrmRule", aSchema | aName | aTable},
    {128, "TfrmAggregate", aSchema | aName | aOID},
    {129, "TfrmPolicy", aSchema | aName | aTable},
};

template <std::size_t N>
const Row *Find(const Row (&rows)[N], int code)
{
    for (const Row &r : rows)
        if (r.code == code)
            return &r;
    return nullptr;
}

TObjectAddress Cut(const TObjectAddress &a, unsigned args)
{
    TObjectAddress out;
    out.ObjectType = a.ObjectType;
    if (args & aSchema)
        out.Schema = a.Schema;
    if (args & aName)
        out.ObjectName = a.ObjectName;
    if (args & aMode)
        out.OpenMode = a.OpenMode;
    if (args & aTop)
        out.DefTopRecord = a.DefTopRecord;
    if (args & aOID)
        out.OID = a.OID;
    if (args & aTable)
        out.TableName = a.TableName;
    if ((args & aNew) && !a.NewSchema.isEmpty() && !a.NewObjectName.isEmpty()) {
        out.NewSchema = a.NewSchema;
        out.NewObjectName = a.NewObjectName;
    }
    if (args & aIndex)
        out.Index = ScriptOption.Index;
    return out;
}

QHash<QString, TOpenObjectProc> &OpenProcs()
{
    static QHash<QString, TOpenObjectProc> procs;
    return procs;
}

QHash<QString, TScriptObjectProc> &ScriptProcs()
{
    static QHash<QString, TScriptObjectProc> procs;
    return procs;
}

} // namespace

QString TObjectDispatcher::OpenWindowClass(int ObjectType)
{
    const Row *r = Find(OpenRows, ObjectType);
    return r ? QString::fromLatin1(r->window) : QString();
}

QString TObjectDispatcher::ScriptWindowClass(int ObjectType)
{
    const Row *r = Find(ScriptRows, ObjectType);
    return r ? QString::fromLatin1(r->window) : QString();
}

bool TObjectDispatcher::OpenArguments(const TObjectAddress &Address, TObjectAddress &Out)
{
    const Row *r = Find(OpenRows, Address.ObjectType);
    if (!r)
        return false;
    Out = Cut(Address, r->args);
    return true;
}

bool TObjectDispatcher::ScriptArguments(const TObjectAddress &Address, TObjectAddress &Out)
{
    const Row *r = Find(ScriptRows, Address.ObjectType);
    if (!r)
        return false;
    Out = Cut(Address, r->args);
    return true;
}

void TObjectDispatcher::RegisterOpen(const QString &WindowClass, TOpenObjectProc Proc)
{
    if (Proc)
        OpenProcs().insert(WindowClass, std::move(Proc));
    else
        OpenProcs().remove(WindowClass);
}

void TObjectDispatcher::RegisterScript(const QString &WindowClass, TScriptObjectProc Proc)
{
    if (Proc)
        ScriptProcs().insert(WindowClass, std::move(Proc));
    else
        ScriptProcs().remove(WindowClass);
}

TOpenObjectProc TObjectDispatcher::OpenProc(int ObjectType)
{
    const QString window = OpenWindowClass(ObjectType);
    return window.isEmpty() ? TOpenObjectProc() : OpenProcs().value(window);
}

TScriptObjectProc TObjectDispatcher::ScriptProc(int ObjectType)
{
    const QString window = ScriptWindowClass(ObjectType);
    return window.isEmpty() ? TScriptObjectProc() : ScriptProcs().value(window);
}

// ---------------------------------------------------------------------------
// Report writers

namespace {
QHash<QString, TReportFileProc> &ReportFileProcs()
{
    static QHash<QString, TReportFileProc> procs;
    return procs;
}
QHash<QString, TReportSheetProc> &ReportSheetProcs()
{
    static QHash<QString, TReportSheetProc> procs;
    return procs;
}
} // namespace

QString TObjectDispatcher::ReportWindowClass(int ObjectType, bool Sheet)
{
    switch (ObjectType) {
    case 45: return QStringLiteral("TfrmTable");
    case 47: return QStringLiteral("TfrmView");
    case 61: return Sheet ? QString() : QStringLiteral("TfrmMView");
    default: return QString();
    }
}

void TObjectDispatcher::RegisterReportFile(const QString &WindowClass, TReportFileProc Proc)
{
    if (Proc)
        ReportFileProcs().insert(WindowClass, std::move(Proc));
    else
        ReportFileProcs().remove(WindowClass);
}

void TObjectDispatcher::RegisterReportSheet(const QString &WindowClass, TReportSheetProc Proc)
{
    if (Proc)
        ReportSheetProcs().insert(WindowClass, std::move(Proc));
    else
        ReportSheetProcs().remove(WindowClass);
}

TReportFileProc TObjectDispatcher::ReportFileProc(int ObjectType)
{
    const QString window = ReportWindowClass(ObjectType, false);
    return window.isEmpty() ? TReportFileProc() : ReportFileProcs().value(window);
}

TReportSheetProc TObjectDispatcher::ReportSheetProc(int ObjectType)
{
    const QString window = ReportWindowClass(ObjectType, true);
    return window.isEmpty() ? TReportSheetProc() : ReportSheetProcs().value(window);
}
