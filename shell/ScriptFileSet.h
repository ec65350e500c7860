#pragma once
// The files one script-output run writes into. Several objects of a run can
// map to one path (the overloads of a function share their name, a name
// table can give two objects one script name, all objects go into the one
// file, privileges into a common grant file): the first time the run meets
// a path it opens the file with the user's choice (emptied with "上書きする",
// else appended to), and every later object of the same run appends to what
// the run already wrote there, so no object's script replaces another's.
#include <QSet>
#include <QString>

class QFile;

class TScriptFileSet {
public:
    // Replace: an existing file is emptied when the run first opens it.
    explicit TScriptFileSet(bool Replace) : FReplace(Replace) {}

    // Opens Path for reading and writing, positioned at its end; missing
    // folders are created. Raises tv::Error when the folder or the file
    // cannot be made.
    void Open(QFile &File, const QString &Path);

private:
    bool FReplace;
    QSet<QString> FOpened;
};
