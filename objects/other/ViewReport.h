#pragma once
// Excel reports of tables, views and materialized views from a report
// definition: the items of one object gathered without a window, and the
// writer that places them into a sheet (header cells one by one, the body
// records in one block). The table's items are gathered in TableReport.h.
#include "shell/ReportDefinition.h"
#include "platform/excel/Workbook.h"

#include <QHash>
#include <QList>
#include <QString>

class IConnectionWindow;
struct TCrossNode;

// One object's report values by item (TtvRepData): header texts, one record
// per column, and for tables the constraint and index groups.
struct TReportData {
    QHash<int, QString> Header;
    using Record = QHash<int, tv::excel::Cell>;
    QList<Record> Records;
    QList<QList<Record>> Groups; // written after the columns, an empty record before each
};

namespace ObjectReport {

// The definition of a report name from the data folder's "xlsdef" folder.
// Raises tv::Error with the reader's message, and with a message of its own
// when BODYTOP or BODYCOUNT is missing, not a number or below 1.
TReportDefinition Read(const QString &ReportName);
// Which sections the gathering must fill.
bool Uses(const TReportDefinition &Def, int Item);
// The dependency trees as a cell: one line per node below the root, each
// indented by two ideographic spaces per level below the first.
QString CrossText(const TCrossNode &Root);
// Both dependency trees of an object (left: what it uses; right: what uses it).
void CrossTexts(IConnectionWindow *Owner, int Code, const QString &Schema, const QString &Name, QString &Uses,
                QString &UsedBy);
// Places the values into Sheet. BODY2 lines are written only WithBody2.
void Write(const TReportDefinition &Def, const TReportData &Data, bool WithBody2, tv::excel::Sheet &Sheet);
// A new workbook FileName (the unique name of Folder + the object's name +
// the Excel extension) with one sheet.
QString FileFor(const QString &Folder, const QString &ObjectName);
void WriteFile(const TReportDefinition &Def, const TReportData &Data, bool WithBody2, const QString &FileName);

// The values of a view or materialized view; raises tv::Error
// "定義情報を読み込めませんでした。" when it does not exist.
TReportData ViewData(IConnectionWindow *Owner, const TReportDefinition &Def, const QString &Schema,
                     const QString &Name, bool Materialized);
// The report writers of the view and materialized-view windows; they end
// with tv::SilentAbort as their window's constructors do.
[[noreturn]] void ViewFile(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                           const QString &Name, const QString &Folder, bool Materialized);
[[noreturn]] void ViewSheet(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                            const QString &Name, tv::excel::Sheet &Sheet);

} // namespace ObjectReport
