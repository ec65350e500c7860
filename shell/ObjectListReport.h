#pragma once
// The object-list report: the objects selected in a connection window listed
// in one workbook, one sheet per object type and schema, following a report
// definition of the object-list type. Plain code over the workbook writer;
// the connection window gathers the objects and asks for the file.
#include "shell/ReportDefinition.h"

#include <QList>
#include <QString>
#include <QStringList>

struct TListReportObject {
    QString Type;    // the list's type text ("TABLE")
    QString Schema;
    QString Name;
    QString Owner;
    QString Comment;
};

// The text that joins the parts of one object's line for sorting.
QString ListReportSeparator();

// The objects ordered by type, schema and name as texts without regard to
// letter case (the joined lines are compared).
QList<TListReportObject> SortListReportObjects(const QList<TListReportObject> &objects);

// The sheet of an object: SanitizeFileName of type "." schema, cut to 31
// characters.
QString ListReportSheetName(const TListReportObject &object);

struct TListReportGroup {
    QString SheetName;
    QList<TListReportObject> Objects;
};
// The sorted objects grouped by sheet name (letter case ignored), groups in
// the order of their first object, then put into the workbook's order: the
// first group's sheet last.
QList<TListReportGroup> ListReportSheets(const QList<TListReportObject> &sorted);

// Writes the workbook of the objects to `outputFile` (creating its folder)
// by the definition; `itemIndex` finds a report item by key. Raises tv::Error
// when the file cannot be written (an old file then stays as it was). Cells
// already filled when a later step fails are still saved.
void WriteListReport(const TReportDefinition &def, const QList<TListReportObject> &objects,
                     const std::function<int(const QString &)> &itemIndex, const QString &outputFile);
