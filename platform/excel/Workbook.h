#pragma once
// The workbook writer every report and export uses: new .xlsx files only,
// written through libxlsxwriter.
//
// A Workbook is written to a temporary file beside its target and renamed
// over the target by Save(); a failure raises tv::Error with the library's
// text and leaves the old file as it was. Sheets keep the order in which they
// are added; a sheet name Excel refuses, or one repeated (letter case
// ignored), raises before anything is written.
//
// Cells are addressed from 1, as Excel's Cells(row, col). Texts are never
// formulas; a text longer than 32,767 characters is cut and the cut counted.
// In random access the cells may be written in any order; streaming keeps
// memory constant and takes rows in ascending order only (a write to a row
// above the last one written raises). Rows beyond 1,048,576 and columns
// beyond 16,384 raise.
#include "platform/db/ResultSet.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace tv::excel {

constexpr int kMaxRows = 1048576;
constexpr int kMaxCols = 16384;
constexpr int kMaxText = 32767;

// One cell value.
struct Cell {
    enum class Kind { Empty, Number, DateTime, Date, Time, Text };
    Kind kind = Kind::Empty;
    double number = 0;
    QDateTime dateTime; // DateTime, Date (its date part), Time (its time part)
    QString text;

    static Cell empty() { return {}; }
    static Cell ofNumber(double v);
    static Cell ofText(const QString &v);
    static Cell ofDateTime(const QDateTime &v);
    static Cell ofDate(const QDate &v);
    static Cell ofTime(const QTime &v);
    bool operator==(const Cell &o) const;
};
using Row = std::vector<Cell>;

// How a cell looks besides its number format: its text turned by an angle
// in degrees (-90 to 90, counter-clockwise; 90 reads upwards) and a thin
// border on its four sides.
struct CellStyle {
    int rotation = 0;
    bool border = false;
    bool operator<(const CellStyle &o) const
    {
        return rotation != o.rotation ? rotation < o.rotation : border < o.border;
    }
};

// How a result cell goes into a sheet: integers, oids, floats and numerics
// that keep every digit in a double (at most 15 significant digits) are
// numbers; dates, times and timestamps are date-times; bytea is its
// upper-case hexadecimal, as the grid shows it; NULL is empty; everything
// else (also infinities, NaN and numbers too long for a double) is its text.
Cell MapResultCell(const tv::db::FieldDesc &field, bool isNull, const QString &serverText);
Cell MapResultCell(const tv::db::ResultSet &rows, int row, int field);
// Whether a field's column is formatted as text ("@") in an export.
bool IsTextField(const tv::db::FieldDesc &field);

// Checks a sheet name as Excel would; raises tv::Error naming the fault.
void CheckSheetName(const QString &name);
// The column letters of a column index from 1 ("A", "Z", "AA" ... "XFD").
QString ColumnLetters(int col);

class Workbook;

class Sheet {
public:
    const QString &Name() const { return m_name; }

    void SetNumber(int row, int col, double value);
    void SetDateTime(int row, int col, const QDateTime &value);
    void SetDate(int row, int col, const QDate &value);
    void SetTime(int row, int col, const QTime &value);
    void SetText(int row, int col, const QString &value);
    // Any cell value (an empty cell writes nothing, but keeps a "@" format).
    void SetCell(int row, int col, const Cell &value);
    // A text cell in a style; an empty text writes an empty cell in it.
    void SetText(int row, int col, const QString &value, const CellStyle &style);
    // Writes rows of cells with the first at (row, col), as Range.Value does.
    void WriteBlock(int row, int col, const std::vector<Row> &rows);

    // The width of a column in characters (Excel's ColumnWidth).
    void SetColumnWidth(int col, double width);
    // Number format "@" for every cell of a column, or of a row.
    void SetColumnText(int col);
    void SetRowText(int row);

private:
    friend class Workbook;
    Sheet(Workbook *book, lxw_worksheet *ws, QString name) : m_book(book), m_ws(ws), m_name(std::move(name)) {}
    void check(int row, int col);
    lxw_format *formatFor(int row, int col, lxw_format *valueFormat) const;
    void writeText(int row, int col, const QString &value, lxw_format *f);
    bool textAt(int row, int col) const;

    Workbook *m_book;
    lxw_worksheet *m_ws;
    QString m_name;
    int m_lastRow = 0; // streaming: the last row written
    std::vector<int> m_textCols; // sorted
    std::vector<int> m_textRows; // sorted
    std::map<int, double> m_widths;
};

class Workbook {
public:
    enum class Mode { RandomAccess, Streaming };
    explicit Workbook(const QString &target, Mode mode = Mode::RandomAccess);
    // Drops the temporary file when Save() was not reached.
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    const QString &Target() const { return m_target; }
    Mode GetMode() const { return m_mode; }

    // Adds a sheet at the end; an empty name takes "Sheet" + its number.
    Sheet &AddSheet(const QString &name = QString());
    int SheetCount() const { return int(m_sheets.size()); }
    Sheet &SheetAt(int index) { return *m_sheets.at(index); }

    // How many texts were cut to 32,767 characters.
    int Cuts() const { return m_cuts; }

    // Writes the workbook and renames it over the target (a book without a
    // sheet gets one empty sheet). Raises tv::Error on failure; the target
    // is then left as it was.
    void Save();

private:
    friend class Sheet;
    QString cut(const QString &text);
    void raise(int error) const;
    // The format of a style, with the text number format "@" or without.
    lxw_format *styleFormat(const CellStyle &style, bool text);

    QString m_target;
    QString m_temp;
    Mode m_mode;
    lxw_workbook *m_wb = nullptr;
    lxw_format *m_textFormat = nullptr;
    lxw_format *m_dateTimeFormat = nullptr;
    lxw_format *m_dateFormat = nullptr;
    lxw_format *m_timeFormat = nullptr;
    std::map<std::pair<CellStyle, bool>, lxw_format *> m_styles;
    std::vector<std::unique_ptr<Sheet>> m_sheets;
    int m_cuts = 0;
    bool m_saved = false;
};

} // namespace tv::excel
