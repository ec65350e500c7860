#pragma once
// The plain parts of running a stored program: the catalog statements that
// list its arguments, the call statement built from the values typed for
// them, and the lines that report the values after the run. No widget and no
// server: the execution window hands its parameter tree over as a flat list
// of nodes in tree order.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// State of a run of a stored program (plain or under the debugger).
enum TExecStatus : unsigned char { esNone, esRunning, esComplete, esCancel, esError };

// Roles of the parameter-tree nodes, as their main-image index.
constexpr int kExecImgResult = 79;
constexpr int kExecImgIn = 80;
constexpr int kExecImgOut = 81;
constexpr int kExecImgInOut = 82;

// One node of the parameter tree.
struct TExecNode {
    QString Name;   // node text ("RESULT", argument or attribute name)
    QString Type;   // type name, "[]" appended for an array
    QString Value;  // as typed by the user (SQL text)
    bool Composite = false;
    bool Array = false;
    int Image = kExecImgIn;
    int Level = 0;  // 0 argument, 1 attribute of a composite argument
};

// The program a call is built for.
struct TExecTarget {
    QString Schema;
    QString Name;
    QString SubProgram;   // member of a package (ObjType 53)
    int ObjType = 52;     // 51 procedure, 52 function, 53 package, other codes as given
    int SubObjType = -1;  // for a package: kind of the member (51, 52)
    // Server facts that choose how a procedure with OUT arguments is called.
    int ServerVersion = 0;
    bool IsEdb = false;
};

// What the call statement is.
enum class TCallKind { Select, SelectArray, DoBlock, TopLevelCall };

namespace ExecProc {

// Mode text of a proargmodes letter ("i" IN, "o" OUT, "b" IN/OUT, "v"
// VARIADIC, "t" TABLE, anything else empty).
QString ModeOfLetter(const QString &letter);
// Image of an argument of that mode: OUT and TABLE columns are outputs.
int ImageOfMode(const QString &mode);
// Splits a text joined with CR LF (or LF); an empty text gives no item.
QStringList SplitLines(const QString &text);

bool IsProcedure(const TExecTarget &t);
bool IsFunction(const TExecTarget &t);
TCallKind CallKind(const TExecTarget &t, const std::vector<TExecNode> &nodes);
// Quoted schema + "." + quoted name (package member: package "." member).
QString QualifiedName(const TExecTarget &t);
// The argument list "(a, b)" of the call.
QString ArgumentList(const std::vector<TExecNode> &nodes);
// The lines of the call statement.
QStringList BuildCallStatement(const TExecTarget &t, const std::vector<TExecNode> &nodes);
// A dollar-quote tag that occurs in none of the texts ("$$", "$tv$", "$tv1$" ...).
QString DollarTag(const QStringList &texts);
// Path of a node: ancestors' texts joined by "." ("(i)" for an empty text),
// every ".(i)" then replaced by "(i)".
QString NodePath(const std::vector<TExecNode> &nodes, int index);

// The rows a run left behind, read as text.
struct TResultRows {
    QStringList Columns;
    QList<QStringList> Rows;
};
// The report lines after a run: "【 実行後パラメータ値 】" and one line per node.
QStringList OutputLines(const TExecTarget &t, const std::vector<TExecNode> &nodes, const TResultRows &rows);

// Catalog statements (":name" parameters).
QString ArgumentSQL();       // :OWNER, :FNCNM, :OIDNO
QString PackageArgumentSQL(int ServerVersion);  // by position: schema, package, member, key
QString SubProgramSQL(int ServerVersion);       // :PKG_NAME, :SCHEMA_NAME
QString TypeSQL();           // :OID
QString AttributeSQL(bool IsEdb, int ServerVersion);  // :OWNER, :TYPNM
QString TypeListSQL();       // :OID
QString TypeNameSQL();       // :OID
QString PackageOidSQL(int ServerVersion);  // :schema, :name
QString MemberOidSQL();      // :pkgoid, :proname, :proargtypes
QString ExtensionCheckSQL();

// The texts of the debugger protocol.
extern const char *const kDebugNotFound;   // three lines joined by CR LF
extern const char *const kDebugNoRight;
extern const char *const kDebugConnectFailed;
extern const char *const kDebugNoPackage;

// The id in a "PLDBGBREAK:<id>" notice; 0 when the text is no such notice.
int BreakIdOfNotice(const QString &notice);

} // namespace ExecProc
