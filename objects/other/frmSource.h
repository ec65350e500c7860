#pragma once
// TfrmSource: the window of a stored program or a type: procedures (51),
// functions (52), packages (53) and types (55). Its first page is the
// object's DDL as text; the user edits that text and compiles it as
// written, statement by statement in one transaction, without preview. The
// "権限" and "相関" pages embed the shared frames; "サンプル" shows a sample
// text of the kind beside it; "実行(&E)" runs a program in the execution
// window.
#include "common/CatalogSQL.h"
#include "common/ISourceWindow.h"
#include "objects/table/frmDefinition.h"

#include <QPointer>

#include <optional>

class QIODevice;
class TfraCross;
class TfraGrant;
class TfrmSample;

// What one load of a program or type gives.
struct TSourceLoad {
    QStringList Lines;       // the DDL, ending in ";"
    qint64 Oid = -1;
    bool PlPgSql = false;    // plpgsql or edbspl (always for a package)
    QString DataType;        // a type's typtype letter
    QString IdentityArgs;    // a routine's pg_get_function_identity_arguments
};

class TfrmSource : public TfrmDefinition, public ISourceWindow {
    Q_OBJECT
public:
    static const TDefinitionKind &SourceKind(int ObjType);

    // Opens the window of a program or type (an empty name: a new one);
    // oid for procedures and functions, -1 otherwise. An open twin is
    // brought forward and the call ends with tv::SilentAbort, as it does
    // when the object cannot be read.
    static TfrmSource *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            int ObjectType, TOpenMode OpenMode, qint64 p_intOID);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       int ObjectType, QIODevice &Stream, qint64 p_intOID);

    // The definition query of a kind (:OID for 51 and 52, :SCHEMA and
    // :OBJNAME for 53 and 55).
    static QString SourceSQL(int ObjType, int ServerVersion);
    // Reads the object's DDL; nothing when it does not exist. Prefix: the
    // schema prefix of a type's or package's name; Script: the routine's
    // lines are rewritten to Prefix (see SourceText::ScriptRewrite).
    static std::optional<TSourceLoad> LoadSource(tv::db::Query &Query, int ObjType, const QString &Schema,
                                                 const QString &Name, qint64 Oid, int ServerVersion,
                                                 const QString &Prefix, bool Script);
    // The caption's argument text: the argument types as the server prints them.
    static QString CaptionArguments(const FncArgArray &Args);

    // ISourceWindow
    bool IsNew() const override { return TfrmDefinition::IsNew(); }
    int ObjType() const override { return TfrmDefinition::ObjType(); }
    qint64 L_intOID() const override { return FOid; }

    bool PlPgSql() const { return L_bPLPGSQL; }
    QString TypeList() const { return L_strTypLst; }
    QString PreSignature() const { return L_sPreSignature; }
    // The signature of the editor's current text.
    QString getSignature() const;

    void actExecExecute();
    void actSampleExecute();
    void txtNameExit(QWidget *Box) override;

    QAction *actExec;
    QAction *actSample;
    QToolButton *btnSample;
    QWidget *tabGrant;
    TfraGrant *fraGrant;
    QWidget *tabCross;
    TfraCross *fraCross;
    QPointer<TfrmSample> SampleWindow;

    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void UpdateActions() override;
    // The editor's lines (output, print and save).
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override { GetSourceCreate(List); }
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    TfrmSource(IConnectionWindow *AOwner, int ObjectType, qint64 Oid, const FncArgArray &Args);

    void ShowDefine() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override { return {tabGrant, tabCross}; }

private:
    QString Caption() const;

    qint64 FOid = -1;
    bool L_bPLPGSQL = false;
    QString L_strTypLst;
    QString FCaptionArgs;
    QString L_strDataType;
    QString L_sPreSignature;
    QString FIdentityArgs;
    bool FGrantLoaded = false;
    tv::db::Query *qrySource;
};
