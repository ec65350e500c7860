#include "objects/table/TableWindows.h"

#include "objects/table/frmIndex.h"
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
}
