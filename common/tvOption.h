#pragma once
// General program options (root key of the settings store).
//
// Placeholder: only the fields other layers already use; the full record
// with every field, its stored name and default replaces this.
#include <QString>

struct TtvOption {
    bool UseLowerName = true; // quote every identifier in generated SQL
    int Encoding = 2;         // text files: 0 ANSI, 1 UTF-7, 2 UTF-8, 3 UTF-16LE, 4 UTF-16BE
    QString TempDir;          // work folder (WHERE history, temp files)
    bool UpdateToCommit = true; // every data change is committed at once
};

extern TtvOption tvOption;
