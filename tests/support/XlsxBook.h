#pragma once
// Reads back a written .xlsx in tests: the zip's parts are inflated with
// zlib and the sheet XML is read for cell values, types, number formats and
// column widths.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <utility>

namespace tvtest {

struct XlsxCell {
    bool exists = false;
    QString type;   // "n" number (also dates), "s" shared string, "inlineStr", "str", "b"
    QString value;  // the text of a string cell, the raw number of a number cell
    QString format; // the cell's number format code ("General", "@", "yyyy/mm/dd" ...)
    int rotation = 0;   // the style's text rotation in degrees (0 when none)
    QString border;     // the style of all four borders ("thin" ...); "" when a side has none
    bool isNumber() const { return exists && (type.isEmpty() || type == QLatin1String("n")) && !value.isEmpty(); }
    bool isText() const { return exists && (type == QLatin1String("s") || type == QLatin1String("inlineStr") ||
                                            type == QLatin1String("str")); }
    double number() const { return value.toDouble(); }
};

class XlsxBook {
public:
    // Reads the file; false with `error` set when it is no readable workbook.
    bool open(const QString &path, QString *error = nullptr);

    QStringList sheetNames() const { return m_names; }
    // Cell by 1-based row and column on the sheet of that index (from 0).
    XlsxCell cell(int sheet, int row, int col) const;
    XlsxCell cell(int row, int col) const { return cell(0, row, col); }
    // The highest row and column holding a cell.
    std::pair<int, int> extent(int sheet = 0) const;
    // Column width as written (0: default).
    double columnWidth(int sheet, int col) const;
    // The format of a column ("" when none).
    QString columnFormat(int sheet, int col) const;
    // The format of a row ("" when none).
    QString rowFormat(int sheet, int row) const;
    // Raw part of the package ("xl/workbook.xml" ...); empty when missing.
    QByteArray part(const QString &name) const { return m_parts.value(name); }

private:
    struct Sheet {
        QMap<qint64, XlsxCell> cells; // key row << 20 | col
        QMap<int, double> widths;
        QMap<int, QString> colFormats;
        QMap<int, QString> rowFormats;
    };
    QString formatOf(int style) const;

    QMap<QString, QByteArray> m_parts;
    QStringList m_names;
    QList<Sheet> m_sheets;
    QStringList m_shared;
    QList<int> m_xfNumFmt;
    QList<int> m_xfRotation;
    QList<int> m_xfBorder;
    QStringList m_borders; // per border entry: the style of all four sides, or ""

    QMap<int, QString> m_numFmts;
};

} // namespace tvtest
