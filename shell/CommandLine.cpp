#include "shell/CommandLine.h"

TCommandLine ParseCommandLine(const QStringList &args)
{
    TCommandLine cl;
    // "/PS=" before "/P=": the shorter prefix would take the password for a port.
    const struct {
        QLatin1StringView prefix;
        QString TCommandLine::*field;
    } switches[] = {
        {QLatin1StringView("/U="), &TCommandLine::UserID},  {QLatin1StringView("/PS="), &TCommandLine::Password},
        {QLatin1StringView("/D="), &TCommandLine::Database}, {QLatin1StringView("/H="), &TCommandLine::Host},
        {QLatin1StringView("/P="), &TCommandLine::Port},    {QLatin1StringView("/S="), &TCommandLine::Schema},
    };
    for (const QString &arg : args) {
        for (const auto &sw : switches) {
            if (arg.startsWith(sw.prefix, Qt::CaseInsensitive)) {
                cl.*sw.field = arg.mid(sw.prefix.size());
                break;
            }
        }
    }
    return cl;
}
