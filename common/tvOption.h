#pragma once
// General program options: how the object tree and lists look, how definition
// windows and data pages behave, where files go, fonts, formats and output
// defaults. Stored as the values of the root key "\Software\Quenzor\TVX19".
// One instance, the global tvOption; Load and Save move it to and from the
// settings store, everything else reads and writes the fields directly.
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tv::settings {
class TtvRegistry;
}

// The page a definition window shows first.
enum TOpenMode : std::uint8_t { omDefine, omSource, omData, omCross, omGrant };
// What heads the columns of copied or exported data.
enum TTitleMode : std::uint8_t { tmColumnName, tmComment, tmNone };
enum TPerformMode : std::uint8_t { pmSave, pmNone };

// Font family of the data grids, diagrams and printed text by default.
inline QString DefaultFontName() { return QStringLiteral("ＭＳ ゴシック"); }

struct TtvOption {
    int TreeSort = 0;            // object tree: 0 schema then type, 1 type then schema
    int TreeDisp = 0;            // not used
    bool ShowLevel0 = true;      // first level button of the connection window
    bool ShowLevel1 = true;      // second level button
    bool ShowTable = true;       // the object tree lists tables ("TypeTable")
    bool ShowIndex = true;
    bool ShowView = true;
    bool ShowFunc = true;
    bool ShowType = true;
    bool ShowTrigger = true;
    bool ShowRule = true;
    bool ShowSeq = true;
    bool ShowConst = true;
    bool ShowMView = true;
    bool ShowAgrg = true;
    bool ShowProc = true;
    bool ShowPack = true;
    bool ShowSynonym = true;
    bool ShowDBLink = true;      // stored and loaded only
    TOpenMode OpenMode = omDefine;
    bool UserFirst = false;      // the connection's own schema first in the tree
    bool TreeData = false;       // lists show object-specific detail columns
    bool Progress = true;        // lists show progress while they fill
    bool RowSelect = false;      // the object list selects whole rows
    bool DelErr = false;         // errors ignored while deleting several objects
    bool Find = true;            // the connection window shows its filter box
    bool FindAuto = true;        // the filter matches anywhere
    bool DefaultAutoQuote = false;
    bool ShowDDL = false;        // DDL shown for review before it runs
    bool CloseDDL = true;        // the DDL window closes itself without errors
    bool BackupData = true;      // rebuilding a table copies its data first
    bool PurgeTable = false;     // not used
    bool ShowStorageSource = true;
    bool ShowColumnSource = true;
    bool SaveBeforeSrc = false;  // "SaveBeforeSource"
    bool SaveBeforeSrcDialog = false;
    bool SaveBeforeSrcRenum = false;
    bool SaveBeforeSrcHead = false;
    QString SaveBeforeSrcDir;    // default DataDir
    bool SaveAfterSrc = false;   // "SaveAfterSource"
    bool SaveAfterSrcDialog = false;
    bool SaveAfterSrcRenum = false;
    bool SaveAfterSrcHead = false;
    QString SaveAfterSrcDir;     // default DataDir
    int DataFontSize = 10;
    QString DataFontName = DefaultFontName();
    int DataShowMode = 0;        // transposed grid alignment: 0 standard, 1 left, 2 right
    int DataColWidthV = 30;
    int DataColWidthH = 20;
    bool ShowWhereGrid = true;
    bool WhereAutoQuote = true;
    int DefTopRecord = 1000;
    QString DateFormat = QStringLiteral("yyyy/MM/dd");
    QString TimeDelphi = QStringLiteral("HH:mm:ss"); // "TimeFormat"
    QString TimeOracle = QStringLiteral("hh24:mi:ss"); // derived from TimeDelphi at load
    int NLSDateFormat = 0;       // not used
    bool AddStripe = true;
    int SQLBuf = 32;             // statements kept in the SQL history
    bool UsePartial = true;      // run only the selection when there is one
    int DiagramFontSize = 9;
    QString DiagramFontName = DefaultFontName();
    int GridFontSize = 9;
    QString GridFontName = DefaultFontName();
    TTitleMode PasteTitle = tmColumnName;
    int PasteColumn = 0;         // 0 TAB, 1 comma
    bool PasteDialog = false;
    QString FileDir;             // default DocumentsDir
    QString ExcelDir;            // default DocumentsDir
    QString ScrExecDir;
    QString ExcelSheet;
    QString ExcelForm;
    int ExcelTop = 0;
    int ExcelLeft = 0;
    QString ExcelFormMatrix;     // default DataDir + "xlsdef/tvmatrix.xls"
    int ExcelMatrixRow = 60;
    int ExcelMatrixCol = 30;
    TTitleMode ExcelTitle = tmColumnName;
    int ExcelMode = 0;           // 0 vertical, 1 horizontal
    bool ExcelRefresh = false;
    bool ExcelDialog = false;
    int CrossLevel = 3;
    int DataGenCommit = 50;
    int OutputBuf = 0;           // not used
    QString PlanTable;           // not used
    QString PlanTableID;         // not used
    QString OracleHome;          // not stored
    QString SQLPlus;             // not used
    QString SQLPlusOP;           // not used
    bool UpdateToCommit = true;  // every data change committed at once
    bool UpdateMode = true;      // data pages open editable
    bool ScriptErrStop = false;
    bool ScriptCompDel = false;
    bool UseLowerName = true;    // "UserUpperName": keep typed letter case, quote every identifier
    bool DebugDialog = false;    // not used
    bool DebugCompile = false;   // not used
    bool CodeAssist = true;
    QString TempDir;             // default DataDir + "temp/"
    TPerformMode PerformMode = pmSave; // not used
    int PerformDay = 0;          // not used
    bool PerformDialog = false;  // not used
    QString ExcelExt;            // loaded, never saved
    bool CLOB_TO_CHAR = false;   // loaded only
    QString CharacterSet = QStringLiteral("UTF8"); // loaded, never saved
    int Encoding = 2;            // text files: 0 ANSI, 1 UTF-7, 2 UTF-8, 3 UTF-16LE, 4 UTF-16BE
    bool flgCallFromTbl = false; // not stored
    QString NLS_LANG;
    QStringList AlertLogPas;     // stored as one text
    int IdxRebuild = 20;
    int SleepTime = 70;          // ms after each clipboard block of the Excel output
    int KeepAliveInterval = 0;   // seconds; 0 sends none

    // Reads the root key (creating it when missing); every missing or
    // unreadable value takes its default. TimeOracle is derived afterwards.
    void Load(tv::settings::TtvRegistry &reg);
    // Writes every stored field except "CharacterSet", "ExcelExt" and
    // "CLOB_TO_CHAR". Throws tv::Error when the store cannot be written.
    void Save(tv::settings::TtvRegistry &reg);

    // A time format in server notation: every "hh" becomes "hh24", then every
    // "mm" becomes "mi", both without regard to letter case.
    static QString MakeTimeOracle(const QString &timeDelphi);

    template <class V>
    void Visit(V &v); // the stored fields, for Load and Save
};

extern TtvOption tvOption;
