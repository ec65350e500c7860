#include "objects/table/TableWindows.h"

#include "objects/table/frmConst.h"
#include "objects/table/frmIndex.h"
#include "objects/table/frmPolicy.h"
#include "objects/table/frmTable.h"
#include "objects/table/frmTrigger.h"
#include "shell/ObjectDispatcher.h"
#include "shell/frmObject.h"

void RegisterTableWindows()
{
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmIndex"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmIndex::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode, a.TableName));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmIndex"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmIndex::GetScript(&Owner, a.Schema, a.ObjectName, Stream);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmTrigger"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmTrigger::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode, a.TableName));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTrigger"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmTrigger::GetScript(&Owner, a.Schema, a.ObjectName, Stream, a.TableName);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmTable"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmTable::Open(&Owner, a.Schema, a.ObjectName, a.OpenMode, a.DefTopRecord));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmTable::GetScript(&Owner, a.Schema, a.ObjectName, Stream, a.NewSchema,
                                                               a.NewObjectName, a.Index);
                                      });
    TObjectDispatcher::RegisterOpen(QStringLiteral("TfrmConst"), [](TfrmObject &Owner, const TObjectAddress &a) {
        return static_cast<QWidget *>(TfrmConst::Open(&Owner, a.Schema, a.ObjectName, a.TableName));
    });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmConst"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmConst::GetScript(&Owner, a.Schema, a.ObjectName, Stream, a.TableName);
                                      });
    // A policy opens from its table's policy page only; the script service
    // writes it.
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmPolicy"),
                                      [](TfrmObject &Owner, const TObjectAddress &a, QIODevice &Stream) {
                                          TfrmPolicy::GetScript(&Owner, a.Schema, a.ObjectName, Stream, a.TableName);
                                      });
}
