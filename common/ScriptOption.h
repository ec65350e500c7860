#pragma once
// Object script output (key "TEXTOUT"): how object scripts are written to
// files. One instance, the global ScriptOption.
#include <QString>
#include <QStringList>

namespace tv::settings {
class TtvRegistry;
}

struct TScriptOption {
    bool OneScript = false;  // scripts output together go into one file
    bool Dir = false;        // "SubDir": a subfolder per object type
    bool SameName = true;    // an existing file of the same name is overwritten
    QString Path;            // output folder; default DocumentsDir
    QStringList NameTable;   // per-database name-table entries, stored as one text
    int Owner = 1;           // "Schema": 0 always, 1 when the schema differs, 2 never
    bool Index = false;      // a table script also holds its indexes
    bool Insert = false;     // ... and its data as INSERT statements
    int InsertMode = 0;      // 0 own script, 1 separate folder, 2 separate file
    bool Storage = true;     // ... storage clauses
    bool ViewCol = true;     // a view script names the view's columns
    bool Grant = false;      // scripts contain the object privileges
    int GrantMode = 0;       // 0 own script, 1 separate folder, 2 separate file
    bool NullLine = false;   // blank lines are left out of scripts

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TScriptOption ScriptOption;
