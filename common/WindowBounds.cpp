#include "common/WindowBounds.h"

#include "platform/settings/tvRegistry.h"

#include <QWidget>

#include <algorithm>

void LoadWindowBounds(QWidget &window, const QString &key, const TWindowBoundsRules &rules)
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(key))
        return;
    QRect g = window.geometry();
    {
        tv::settings::TRegistryKeyCloser closer(reg);
        if (!reg.OpenKeyReadOnly(key))
            return;
        if (rules.Position)
            g.moveTo(reg.GetInteger(QStringLiteral("Left"), g.left()), reg.GetInteger(QStringLiteral("Top"), g.top()));
        g.setWidth(std::max(rules.Minimum.width(), reg.GetInteger(QStringLiteral("Width"), g.width())));
        g.setHeight(std::max(rules.Minimum.height(), reg.GetInteger(QStringLiteral("Height"), g.height())));
    }
    if (rules.Position)
        window.setGeometry(g);
    else
        window.resize(g.size());
}

void SaveWindowBounds(const QWidget &window, const QString &key, const TWindowBoundsRules &rules)
{
    if (rules.NormalStateOnly && (window.isMaximized() || window.isMinimized()))
        return;
    auto &reg = tv::settings::tvRegistry();
    tv::settings::TRegistryKeyCloser closer(reg);
    if (!reg.OpenKey(key, true))
        return;
    const QRect g = window.geometry();
    if (rules.Position) {
        reg.WriteInteger(QStringLiteral("Left"), g.left());
        reg.WriteInteger(QStringLiteral("Top"), g.top());
    }
    reg.WriteInteger(QStringLiteral("Width"), g.width());
    reg.WriteInteger(QStringLiteral("Height"), g.height());
    reg.CloseKey();
}
