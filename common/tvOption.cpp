#include "common/tvOption.h"

#include "common/OptionIO.h"
#include "platform/settings/Folders.h"

using tv::settings::DataDir;
using tv::settings::DocumentsDir;

TtvOption tvOption;

QString TtvOption::MakeTimeOracle(const QString &timeDelphi)
{
    QString s = timeDelphi;
    s.replace(QStringLiteral("hh"), QStringLiteral("hh24"), Qt::CaseInsensitive);
    s.replace(QStringLiteral("mm"), QStringLiteral("mi"), Qt::CaseInsensitive);
    return s;
}

template <class V>
void TtvOption::Visit(V &v)
{
    const QString dataDir = DataDir();
    const QString docsDir = DocumentsDir();
    v.Int("TreeSort", TreeSort, 0);
    v.Bool("ShowLevel0", ShowLevel0, true);
    v.Bool("ShowLevel1", ShowLevel1, true);
    v.Bool("TypeTable", ShowTable, true);
    v.Bool("TypeIndex", ShowIndex, true);
    v.Bool("TypeView", ShowView, true);
    v.Bool("TypeFunc", ShowFunc, true);
    v.Bool("TypeType", ShowType, true);
    v.Bool("TypeTrigger", ShowTrigger, true);
    v.Bool("TypeRule", ShowRule, true);
    v.Bool("TypeSeq", ShowSeq, true);
    v.Bool("TypeConst", ShowConst, true);
    v.Bool("TypeMView", ShowMView, true);
    v.Bool("TypeAgrg", ShowAgrg, true);
    v.Bool("TypeProc", ShowProc, true);
    v.Bool("TypePack", ShowPack, true);
    v.Bool("TypeSynonym", ShowSynonym, true);
    v.Bool("TypeDBLink", ShowDBLink, true);
    v.Enum("OpenMode", OpenMode, omDefine, 5);
    v.Bool("UserFirst", UserFirst, false);
    v.Bool("TreeData", TreeData, false);
    v.Bool("Progress", Progress, true);
    v.Bool("RowSelect", RowSelect, false);
    v.Bool("DelErr", DelErr, false);
    v.Bool("Find", Find, true);
    v.Bool("FindAuto", FindAuto, true);
    v.Bool("DefaultAutoQuote", DefaultAutoQuote, false);
    v.Bool("ShowDDL", ShowDDL, false);
    v.Bool("CloseDDL", CloseDDL, true);
    v.Bool("BackupData", BackupData, true);
    v.Bool("ShowStorageSource", ShowStorageSource, true);
    v.Bool("ShowColumnSource", ShowColumnSource, true);
    v.Bool("SaveBeforeSource", SaveBeforeSrc, false);
    v.Bool("SaveBeforeSrcDialog", SaveBeforeSrcDialog, false);
    v.Bool("SaveBeforeSrcRenum", SaveBeforeSrcRenum, false);
    v.Bool("SaveBeforeSrcHead", SaveBeforeSrcHead, false);
    v.Text("SaveBeforeSrcDir", SaveBeforeSrcDir, dataDir);
    v.Bool("SaveAfterSource", SaveAfterSrc, false);
    v.Bool("SaveAfterSrcDialog", SaveAfterSrcDialog, false);
    v.Bool("SaveAfterSrcRenum", SaveAfterSrcRenum, false);
    v.Bool("SaveAfterSrcHead", SaveAfterSrcHead, false);
    v.Text("SaveAfterSrcDir", SaveAfterSrcDir, dataDir);
    v.Int("DataFontSize", DataFontSize, 10);
    v.Text("DataFontName", DataFontName, DefaultFontName());
    v.Int("DataShowMode", DataShowMode, 0);
    v.Int("DataColWidthV", DataColWidthV, 30);
    v.Int("DataColWidthH", DataColWidthH, 20);
    v.Bool("ShowWhereGrid", ShowWhereGrid, true);
    v.Bool("WhereAutoQuote", WhereAutoQuote, true);
    v.Int("DefTopRecord", DefTopRecord, 1000);
    v.Text("DateFormat", DateFormat, QStringLiteral("yyyy/MM/dd"));
    v.Text("TimeFormat", TimeDelphi, QStringLiteral("HH:mm:ss"));
    v.Bool("AddStripe", AddStripe, true);
    v.Int("SQLBuf", SQLBuf, 32);
    v.Bool("UsePartial", UsePartial, true);
    v.Int("DiagramFontSize", DiagramFontSize, 9);
    v.Text("DiagramFontName", DiagramFontName, DefaultFontName());
    v.Int("GridFontSize", GridFontSize, 9);
    v.Text("GridFontName", GridFontName, DefaultFontName());
    v.Enum("PasteTitle", PasteTitle, tmColumnName, 3);
    v.Int("PasteColumn", PasteColumn, 0);
    v.Bool("PasteDialog", PasteDialog, false);
    v.Text("FileDir", FileDir, docsDir);
    v.Text("ExcelDir", ExcelDir, docsDir);
    v.Text("ScrExecDir", ScrExecDir, QString());
    v.Text("ExcelSheet", ExcelSheet, QString());
    v.Text("ExcelForm", ExcelForm, QString());
    v.Int("ExcelTop", ExcelTop, 0);
    v.Int("ExcelLeft", ExcelLeft, 0);
    v.Text("ExcelFormMatrix", ExcelFormMatrix, dataDir + QStringLiteral("xlsdef/tvmatrix.xls"));
    v.Int("ExcelMatrixRow", ExcelMatrixRow, 60);
    v.Int("ExcelMatrixCol", ExcelMatrixCol, 30);
    v.Enum("ExcelTitle", ExcelTitle, tmColumnName, 3);
    v.Int("ExcelMode", ExcelMode, 0);
    v.Bool("ExcelRefresh", ExcelRefresh, false);
    v.Bool("ExcelDialog", ExcelDialog, false);
    v.Int("CrossLevel", CrossLevel, 3);
    v.Int("DataGenCommit", DataGenCommit, 50);
    v.Bool("UpdateToCommit", UpdateToCommit, true);
    v.Bool("UpdateMode", UpdateMode, true);
    v.Bool("ScriptErrStop", ScriptErrStop, false);
    v.Bool("ScriptCompDel", ScriptCompDel, false);
    v.Bool("UserUpperName", UseLowerName, true);
    v.Bool("CodeAssist", CodeAssist, true);
    v.Text("TempDir", TempDir, dataDir + QStringLiteral("temp/"));
    v.Text("ExcelExt", ExcelExt, QString(), /*loadOnly=*/true);
    v.Bool("CLOB_TO_CHAR", CLOB_TO_CHAR, false, /*loadOnly=*/true);
    v.Text("CharacterSet", CharacterSet, QStringLiteral("UTF8"), /*loadOnly=*/true);
    v.Int("Encoding", Encoding, 2);
    v.Text("NLS_LANG", NLS_LANG, QString());
    v.Lines("AlertLogPas", AlertLogPas);
    v.Int("IdxRebuild", IdxRebuild, 20);
    v.Int("SleepTime", SleepTime, 70);
    v.Int("KeepAliveInterval", KeepAliveInterval, 0);
}

void TtvOption::Load(tv::settings::TtvRegistry &reg)
{
    optionio::LoadRecord(*this, reg, QString());
    TimeOracle = MakeTimeOracle(TimeDelphi);
}

void TtvOption::Save(tv::settings::TtvRegistry &reg)
{
    optionio::SaveRecord(*this, reg, QString());
}
