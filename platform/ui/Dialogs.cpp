#include "platform/ui/Dialogs.h"
#include "platform/ui/QtDialogs.h"

#include <QGuiApplication>
#include <QStringList>

namespace tv::ui {

Dialogs::~Dialogs() = default;

QList<int> MessageButtons(unsigned flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int DefaultMessageButton(unsigned flags)
{
    const QList<int> buttons = MessageButtons(flags);
    const int index = static_cast<int>((flags & MB_DEFMASK) >> 8);
    return index < buttons.size() ? buttons[index] : buttons.first();
}

namespace {

Dialogs *g_dialogs = nullptr;

Dialogs &QtInstance()
{
    static QtDialogs instance;
    return instance;
}

} // namespace

Dialogs &CurrentDialogs()
{
    return g_dialogs ? *g_dialogs : QtInstance();
}

Dialogs *SetDialogs(Dialogs *dialogs)
{
    Dialogs *previous = g_dialogs;
    g_dialogs = dialogs;
    return previous;
}

QString ApplicationTitle()
{
    return QGuiApplication::applicationDisplayName();
}

QString FilterToQt(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString mask = parts[i + 1].trimmed();
        QString spaced = mask;
        spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QLatin1Char('(') + mask + QLatin1Char(')');
        if (description.endsWith(shown))
            description.chop(shown.size()); // "SQLファイル(*.sql)": keep its look
        else if (!description.endsWith(QLatin1Char(' ')))
            description += QLatin1Char(' ');
        out << description + QLatin1Char('(') + spaced + QLatin1Char(')');
    }
    return out.join(QLatin1String(";;"));
}

} // namespace tv::ui
