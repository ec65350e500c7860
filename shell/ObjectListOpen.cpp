#include "shell/ObjectListOpen.h"

#include "common/ObjectType.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QKeyEvent>

namespace {

void OpenItem(TfrmObject *form, TtvListItem *item)
{
    if (!item)
        return;
    const QString kind = item->SubItem(1);
    const int code = ObjectTypeFromName(kind);
    qint64 oid = -1;
    QString table;
    if (kind == QLatin1String("FUNCTION") || kind == QLatin1String("AGGREGATE") || kind == QLatin1String("PROCEDURE"))
        oid = item->SubItem(8).toLongLong();
    else if (kind == QLatin1String("TRIGGER") || kind == QLatin1String("RULE") || kind == QLatin1String("CONSTRAINT"))
        table = item->SubItem(11);
    form->OpenObject(code, item->SubItem(0), item->Caption(), tvOption.OpenMode, false, 0, oid, table);
}

class EnterOpens : public QObject {
public:
    EnterOpens(TfrmObject *form) : QObject(form), FForm(form) {}

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter)) {
                tv::ui::Guard([this] { OpenItem(FForm, FForm->lstObject->Selected()); });
                return true;
            }
        }
        return QObject::eventFilter(o, e);
    }

private:
    TfrmObject *FForm;
};

} // namespace

void ConnectObjectListOpen(TfrmObject *form)
{
    if (!form || !form->lstObject)
        return;
    QObject::connect(form->lstObject, &QTreeWidget::itemDoubleClicked, form,
                     tv::ui::Guarded([form](QTreeWidgetItem *item, int) {
                         OpenItem(form, static_cast<TtvListItem *>(item));
                     }));
    form->lstObject->installEventFilter(new EnterOpens(form));
    if (!HasLauncher(QStringLiteral("actNew")))
        RegisterLauncher(QStringLiteral("actNew"), [](const TLaunchContext &c) -> QWidget * {
            if (!c.Connection)
                return nullptr;
            return c.Connection->OpenObject(c.ObjectType, c.Connection->dbsMain().Params().MetaDefSchema, QString(),
                                            omDefine);
        });
}
