#pragma once
// Last settings of the loader (key "LOADER"): unloading to and loading from
// files with COPY. One instance, the global LoadOption.
#include <QString>

namespace tv::settings {
class TtvRegistry;
}

struct TLoadOption {
    QString SaveDir;          // output folder of unloads; default DocumentsDir
    QString DataFile;         // input file of loads
    int Output = 0;           // 0 a table, 1 given columns, 2 a query
    int FormatTo = 0;         // 0 TEXT, 1 CSV, 2 BINARY
    QString EncodingTo;
    QString DelimiterTo;
    QString NullTo;
    bool OidTo = false;
    bool HeaderTo = true;     // CSV header line written
    bool ForceQuote = true;   // non-null CSV values quoted
    QString QuoteTo;
    QString EscapeTo;
    int Input = 0;            // 0 a table, 1 given columns
    int FormatFrom = 0;       // 0 TEXT, 1 CSV, 2 BINARY
    QString EncodingFrom;
    QString DelimiterFrom;
    QString NullFrom;
    bool OidFrom = true;
    bool HeaderFrom = true;   // first CSV line skipped
    bool ForceNotNull = true; // empty CSV values read as empty texts
    QString QuoteFrom;
    QString EscapeFrom;

    void Load(tv::settings::TtvRegistry &reg);
    void Save(tv::settings::TtvRegistry &reg);
    template <class V>
    void Visit(V &v);
};

extern TLoadOption LoadOption;
