#pragma once
// The logon switches of the program's command line.
//
// Each argument is tested, upper-cased, for the prefixes "/U=" (user),
// "/PS=" (password), "/D=" (database), "/H=" (host), "/P=" (port) and "/S="
// (schema); the value is the rest of the argument as typed. A later switch of
// the same kind replaces the earlier one; any other argument is ignored.
#include <QString>
#include <QStringList>

struct TCommandLine {
    QString UserID;
    QString Password;
    QString Database;
    QString Host;
    QString Port;
    QString Schema;

    // A user was given: the program logs on at once without the dialog.
    bool HasUser() const { return !UserID.isEmpty(); }
};

// `args` are the arguments after the program name.
TCommandLine ParseCommandLine(const QStringList &args);
