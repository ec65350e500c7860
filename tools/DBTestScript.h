#pragma once
// The command list files of the load test, apart from the window.
//
// Script format: commands separated by lines that, trimmed, are "/"; a
// command keeps its lines as they are (joined with CR LF, no final line
// break); blank commands are left out. Trace format: the statements of
// "PARSING IN CURSOR" entries up to "END OF STMT".
#include "platform/text/TextEncoding.h"

#include <QString>
#include <QStringList>

// The commands of script text (already decoded).
QStringList ParseScriptCommands(const QStringList &Lines);
// The statements of trace text (already decoded).
QStringList ParseTraceCommands(const QStringList &Lines);
// Reads a file and parses it; a file that cannot be read gives nothing.
QStringList LoadScriptCommands(const QString &FileName, tv::text::Encoding Encoding);
QStringList LoadTraceCommands(const QString &FileName);
// The text written for a command list: each command trimmed, one final ";"
// removed, then (unless empty or "/" alone) its lines and a line "/"; CR LF
// line ends.
QString ScriptText(const QStringList &Commands);
// The text a session sends for a command: a final line "/" removed.
QString SessionCommandText(const QString &Command);
