#pragma once
// Last settings of the restore window (key "IMPORT"), the server's restore
// program. One instance, the global ImpOption.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TImpOption {
    QString ImpFile;          // "FileName"; default DocumentsDir + "bkupdat.dmp"
    QString UserID;
    int Format = 0;           // 0 custom or tar, 1 directory
    int Mode = 0;             // 0 the connected database, 1 given schemas, 2 given tables
    QString JobNo;            // parallel jobs
    QString RoleName;
    bool PreData = false;
    bool SecData = false;
    bool PostData = false;
    bool Data = false;
    bool Schema = false;
    bool Owner = false;
    bool Grants = false;
    bool Tablespaces = false;
    bool Securitylbl = false;
    bool CreateDataBase = false;
    bool Clean = false;       // drop objects before restoring them
    bool Transaction = false; // one single transaction
    bool Trigger = false;
    bool NoData = false;      // no data for tables whose creation failed
    bool Authorization = false;
    bool Error = false;       // stop at the first error
    QString ImpPgm;           // path of the restore program
    QString LogFile;          // default DocumentsDir + "psql_res.log"
    QString SchemaList;
    QString TableList;
    bool Ifexists = false;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TImpOption ImpOption;
