#include "objects/other/OtherWindows.h"

#include "common/ObjectType.h"
#include "objects/other/frmAggregate.h"
#include "objects/other/frmComment.h"
#include "objects/other/frmDBLinkList.h"
#include "objects/other/frmGrant.h"
#include "objects/other/frmRole.h"
#include "objects/other/frmRule.h"
#include "objects/other/frmSchema.h"
#include "objects/other/frmSeq.h"
#include "objects/other/frmSource.h"
#include "objects/other/frmSynonym.h"
#include "objects/other/frmTBS.h"
#include "objects/other/frmUser.h"
#include "platform/db/Connection.h"
#include "shell/ObjectDispatcher.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

void RegisterOtherWindows()
{
    // Roles, users, schemas and the grant dialog.
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmUser"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmUser::Open(&Owner, a.ObjectName, a.OpenMode));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmUser"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmUser::GetScript(&Owner, a.ObjectName, Stream);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmRole"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmRole::Open(&Owner, a.ObjectName, a.OpenMode));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmRole"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmRole::GetScript(&Owner, a.ObjectName, Stream);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmSchema"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmSchema::Open(&Owner, a.ObjectName, a.OpenMode));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSchema"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmSchema::GetScript(&Owner, a.ObjectName, Stream);
                                      });
    TfrmGrant::RegisterLauncher();

    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmSeq"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmSeq::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSeq"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmSeq::GetScript(&Owner, a.Schema, a.ObjectName, Stream);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmRule"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmRule::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode, a.TableName));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmRule"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmRule::GetScript(&Owner, a.Schema, a.ObjectName, Stream, a.TableName);
                                      });

    // Programs, types and aggregates: edited and compiled as text.
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmSource"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(
            TfrmSource::Open(&Owner, a.Schema, a.ObjectName, a.ObjectType, a.OpenMode, a.OID));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSource"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmSource::GetScript(&Owner, a.Schema, a.ObjectName, a.ObjectType, Stream,
                                                                a.OID);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmAggregate"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmAggregate::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode, a.OID));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmAggregate"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmAggregate::GetScript(&Owner, a.Schema, a.ObjectName, Stream, a.OID);
                                      });
    // Tablespace, comment check, synonym, database links.
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmTBS"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmTBS::Open(&Owner, a.ObjectName, a.OpenMode));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTBS"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmTBS::GetScript(&Owner, a.ObjectName, Stream);
                                      });
    RegisterLauncher(QStringLiteral("actComment"), [](const TLaunchContext &c) {
        return static_cast<QWidget *>(TfrmComment::Open(c.Connection));
    });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmSynonym"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmSynonym::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSynonym"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmSynonym::GetScript(&Owner, a.Schema, a.ObjectName, Stream);
                                      });
    // A new synonym for the selected object.
    RegisterLauncher(QStringLiteral("actSynonym"), [](const TLaunchContext &c) -> QWidget * {
        if (!c.Connection)
            return nullptr;
        return TfrmSynonym::Open(c.Connection, c.Connection->dbsMain().Params().MetaDefSchema, QString(), omDefine,
                                 c.Schema, c.ObjectName, ObjectTypeName(c.ObjectType));
    });
    for (const char *action : {"actDBLink", "actAdminDBLink"})
        RegisterLauncher(QString::fromLatin1(action), [](const TLaunchContext &c) {
            return static_cast<QWidget *>(TfrmDBLinkList::Open(c.Connection));
        });
}
