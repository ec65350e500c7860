#pragma once
// The writers behind the result frame's clipboard and workbook exports:
// delimited text of every record of a data set, and the sheet layout of a
// workbook export (vertical: one record per row; horizontal: one record per
// column). Plain code over a data set, testable without a widget.
#include "platform/db/DataSet.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace resexport {

// A value as it goes into delimited text: a value holding TAB, LF, CR, a
// double quote or the separator has its CR LF pairs and then its remaining
// CRs turned into LF and is put in double quotes with inner quotes doubled.
QString QuoteValue(const QString &value, QChar separator);
// The text of a cell as the grid shows it: "" for NULL, bytea as its
// upper-case hexadecimal, Booleans as "True"/"False".
QString CellText(const tv::db::DataSet &ds, int row, int field);

// Called every few records with the number done and the total; false stops
// the walk (what was read so far is still written).
using TProgress = std::function<bool(int done, int total)>;

// The whole data set as delimited text: the title line (when `titles` is
// given) and one line per record, each ended by CR LF.
QString ClipboardText(const tv::db::DataSet &ds, const QStringList *titles, QChar separator,
                      const TProgress &progress = {});

// The width in characters a field's values take (1 ... 255).
int FieldDisplayWidth(const tv::db::FieldDesc &field);

struct TXlsLayout {
    QString fileName;
    QString sheetName;   // empty: the default sheet name
    int top = 0;         // start row minus 1
    int left = 0;        // start column index (0 = A)
    bool horizontal = false;
    QStringList titles;  // empty: no title row (column)
};

// The message when the result does not fit a sheet at the layout's start
// ("Excelの最大列数..." or "Excelの最大行数..."); empty when it fits.
QString CheckFits(int fieldCount, int recordCount, const TXlsLayout &layout);

// Writes the data set into a new workbook at layout.fileName (replacing it
// only when the whole book was written). Raises tv::Error when it does not
// fit or cannot be written. Returns the number of records written.
int WriteWorkbook(const tv::db::DataSet &ds, const TXlsLayout &layout, const TProgress &progress = {});

} // namespace resexport
