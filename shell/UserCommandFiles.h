#pragma once
// The files behind the main window's user-command and report menus: which
// files there are, in which order they are listed, and what their first
// element says about the menu entry (key binding, order key, report kind).
//
// Both formats are XML with the root "TVDOC" and the attribute
// "TVDOC-VERSION" (a number; files above 2 are of a newer version and are not
// read). A file that cannot be read still gets its menu entry, with key 0.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct TUserCommandFile {
    QString Name;  // file name without folder and extension
    QString Path;  // full path
    int Key = 0;   // order key ("SEQ"), 0 when unreadable
};

struct TUserCommandInfo {
    int ShortCut = 0; // "SHORTCUT", 0 when none or unreadable
    int Seq = 0;      // "SEQ", 0 when missing or unreadable
};

// The files of `folder` whose names end in `ext` (".cmd", ".def"; letter case
// ignored), as names without extension in case-insensitive text order.
QList<TUserCommandFile> ListMenuFiles(const QString &folder, const QString &ext);

// The user-command files of `folder` in menu order: sorted by name, then by
// their "SEQ" keys with the menu's exchange ordering (an entry is exchanged
// at once with every later one whose key is smaller).
QList<TUserCommandFile> ListUserCommandFiles(const QString &folder);
// The exchange ordering alone.
void OrderByKey(QList<TUserCommandFile> &files);

// The first "USERCMD" element of a user-command file; zeros when the file is
// unreadable, has another root or a version above 2.
TUserCommandInfo ReadUserCommandInfo(const QString &path);

// The report menu's tag of a report-definition file: "OUTPUTTYPE" + 1 when
// the first "XLSDEF" element's "TYPE" names a report item other than the
// first (`itemIndex` gives the index of a type key, -1 when unknown);
// otherwise, and for a file without "TVDOC-VERSION" or above 2, 0.
int ReadReportTag(const QString &path, const std::function<int(const QString &)> &itemIndex);
