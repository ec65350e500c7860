#pragma once
// The Excel report of a table without a window: its columns, then its
// constraints (the primary key first) and the indexes that back none of
// them, read from the catalog.
#include "objects/other/ViewReport.h"

namespace ObjectReport {

// The values of a table; raises tv::Error "定義情報を読み込めませんでした。"
// when it does not exist.
TReportData TableData(IConnectionWindow *Owner, const TReportDefinition &Def, const QString &Schema,
                      const QString &Name);
[[noreturn]] void TableFile(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                            const QString &Name, const QString &Folder);
[[noreturn]] void TableSheet(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                             const QString &Name, tv::excel::Sheet &Sheet);

} // namespace ObjectReport
