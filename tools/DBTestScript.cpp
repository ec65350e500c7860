#include "tools/DBTestScript.h"

#include <QFile>

namespace {

QStringList SplitLines(const QString &Text)
{
    QString t = Text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QStringList ParseScriptCommands(const QStringList &Lines)
{
    QStringList commands, collected;
    auto flush = [&] {
        const QString cmd = collected.join(QStringLiteral("\r\n"));
        if (!cmd.trimmed().isEmpty())
            commands << cmd;
        collected.clear();
    };
    for (const QString &line : Lines) {
        if (line.trimmed() == QLatin1String("/"))
            flush();
        else
            collected << line;
    }
    flush();
    return commands;
}

QStringList ParseTraceCommands(const QStringList &Lines)
{
    static const QString sep(21, QLatin1Char('='));
    QStringList commands;
    int i = 0;
    while (i < Lines.size()) {
        if (Lines[i] != sep) {
            ++i;
            continue;
        }
        if (i + 1 >= Lines.size() || !Lines[i + 1].startsWith(QLatin1String("PARSING IN CURSOR "))) {
            i += 2;
            continue;
        }
        QStringList stmt;
        int j = i + 2;
        while (j < Lines.size() && Lines[j] != QLatin1String("END OF STMT"))
            stmt << Lines[j++];
        commands << stmt.join(QStringLiteral("\r\n"));
        i = j + 1;
    }
    return commands;
}

QStringList LoadScriptCommands(const QString &FileName, tv::text::Encoding Encoding)
{
    QString text;
    if (!tv::text::ReadTextFile(FileName, Encoding, &text))
        return {};
    return ParseScriptCommands(SplitLines(text));
}

QStringList LoadTraceCommands(const QString &FileName)
{
    QString text;
    if (!tv::text::ReadTextFile(FileName, tv::text::Encoding::Ansi, &text))
        return {};
    return ParseTraceCommands(SplitLines(text));
}

QString ScriptText(const QStringList &Commands)
{
    QString out;
    for (const QString &c : Commands) {
        QString cmd = c.trimmed();
        if (cmd.endsWith(QLatin1Char(';')))
            cmd.chop(1);
        if (cmd.isEmpty() || cmd == QLatin1String("/"))
            continue;
        out += cmd + QStringLiteral("\r\n/\r\n");
    }
    return out;
}

QString SessionCommandText(const QString &Command)
{
    // As lines ending in line breaks: a last line "/" goes with its break.
    QString text = Command;
    if (!text.endsWith(QLatin1Char('\n')))
        text += QStringLiteral("\r\n");
    if (text.endsWith(QStringLiteral("\r\n/\r\n")) || text == QLatin1String("/\r\n"))
        text.chop(3);
    else if (text.endsWith(QStringLiteral("\n/\n")))
        text.chop(2);
    return text;
}
