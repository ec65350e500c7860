#pragma once
// Excel report definitions as every report writer reads them, and the seam
// through which the layer that owns the report items and the ".def" reader
// (sql/) hands them to the shell and the windows above it.
//
// A definition places report items (by key) into cells: header lines at
// their row and column; detail entries one below the other, each taking as
// many rows as the largest detail "ROW". The form workbook's detail block
// repeats below itself for every further BodyCount entries.
#include <QList>
#include <QString>

#include <functional>

struct TReportLine {
    QString Name; // item key ("OBJECTNAME" ...)
    int Row = 0;
    int Col = 0;
};

struct TReportDefinition {
    QString XlsFile;
    int BodyTop = 0;
    int BodyCount = 0;
    int OutputType = 0; // 0 one file per object, 1 one sheet per object
    QString Type;       // "OBJECT", "TABLE", "VIEW"
    QList<TReportLine> Header;
    QList<TReportLine> Body;
    QList<TReportLine> Body2;

    // Rows one detail entry takes: the largest detail "ROW", at least 1.
    int EntryRows() const;
    // The sheet row of a detail line of entry `entry` (from 0).
    int EntryRow(int entry, int lineRow) const;
    // How often the form's detail block appears for `entries` entries, and
    // the first row of block `block` (from 0).
    int BlockCount(int entries) const;
    int BlockStart(int block) const;
};

// The form workbook of a definition for an output file with extension
// `outputExt` (".XLSX"): a bare name is looked up in the "xlsdef" folder,
// first with the output's extension, then as given; "" when neither exists
// (the report then starts from a new workbook).
QString ReportFormFile(const QString &xlsFile, const QString &outputExt);

// The registered report services.
struct TReportServices {
    // Index of a report item by key (-1: unknown).
    std::function<int(const QString &key)> ItemIndex;
    // Reads a definition file; raises tv::Error with the message to show.
    std::function<TReportDefinition(const QString &path)> Read;
};
void RegisterReportServices(const TReportServices &services);
const TReportServices &ReportServices();
