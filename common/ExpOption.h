#pragma once
// Last settings of the backup window (key "EXPORT"), the server's dump
// program. One instance, the global ExpOption.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TExpOption {
    QString ExpFile;          // "FileName"; default DocumentsDir + "bkupdat.dmp"
    QString UserID;           // user the dump program connects as
    QString Pass;             // not used
    int BufSize = 0;          // not used
    int RecSize = 0;          // not used
    bool Grants = false;      // privileges left out
    bool Indexes = false;     // not used
    bool Rows = false;        // not used
    bool Constraints = false; // not used
    bool Compress = false;    // not used
    int IncType = 0;          // not used
    bool Records = false;     // not used
    bool Consistent = false;  // not used
    int Statics = 0;          // not used
    QString ExpPgm;           // path of the dump program
    bool Background = false;  // stored and loaded only
    QString LogFile;          // default DocumentsDir + "psql_bkup.log"
    int Format = 0;           // 0 plain, 1 custom, 2 tar, 3 directory
    QString Compres;          // compression level
    QString Encoding;
    QString RoleName;
    bool PreData = false;
    bool SecData = false;
    bool PostData = false;
    bool Data = false;        // data only
    bool Schema = false;      // schema only
    bool Blobs = false;
    bool Owner = false;       // ownership left out
    bool Tablespaces = false; // tablespaces left out
    bool UnlogTbl = false;    // unlogged table data left out
    bool Securitylbl = false; // security labels left out
    bool CreateDataBase = false;
    bool DropDataBase = false;
    bool ColumnInserts = false;
    bool Inserts = false;
    bool Trigger = false;     // triggers disabled while loading data
    bool DollarQuoting = false; // dollar quoting disabled
    bool Authorization = false; // SET SESSION AUTHORIZATION
    bool Oid = false;
    bool Quote = false;       // all identifiers quoted
    bool Serializable = false;
    QString TimeOutMil;       // lock wait time-out
    bool Ifexists = false;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TExpOption ExpOption;
