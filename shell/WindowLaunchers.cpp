#include "shell/WindowLaunchers.h"

#include <QHash>

namespace {
QHash<QString, TWindowLauncher> &Launchers()
{
    static QHash<QString, TWindowLauncher> map;
    return map;
}
QString Key(const QString &name) { return name.toLower(); }
} // namespace

bool RegisterLauncher(const QString &actionName, TWindowLauncher fn)
{
    if (fn)
        Launchers().insert(Key(actionName), std::move(fn));
    else
        Launchers().remove(Key(actionName));
    return true;
}

bool HasLauncher(const QString &actionName) { return Launchers().contains(Key(actionName)); }

QWidget *Launch(const QString &actionName, const TLaunchContext &context)
{
    auto it = Launchers().constFind(Key(actionName));
    if (it == Launchers().constEnd())
        return nullptr;
    // Copy: a launcher may re-register itself while it runs.
    TWindowLauncher fn = it.value();
    return fn(context);
}
