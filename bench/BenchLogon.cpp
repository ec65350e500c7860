#include "BenchLogon.h"

#include "BenchSupport.h"

namespace tvbench {

TfrmObject *Logon::start(const QString &database, QString &error, const std::function<void()> &options, bool show)
{
    const QStringList args = logonArgs(database);
    main = std::make_unique<TfrmMain>(args);
    if (options)
        options();
    main->FormPaint();
    if (show)
        main->show();
    const auto children = main->MdiChildren();
    form = children.isEmpty() ? nullptr : dynamic_cast<TfrmObject *>(children.first());
    if (!form)
        error = QStringLiteral("logon failed: ") + dialogs.texts().join(QLatin1Char(' '));
    return form;
}

} // namespace tvbench
