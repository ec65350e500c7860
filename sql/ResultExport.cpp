#include "sql/ResultExport.h"

#include "platform/Errors.h"
#include "platform/excel/Workbook.h"

namespace resexport {

using tv::db::FieldKind;

namespace {

constexpr int kProgressStep = 256;

bool NeedsQuotes(const QString &v, QChar sep)
{
    for (const QChar c : v)
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'"' || c == sep)
            return true;
    return false;
}

QString HexOf(const QString &serverText)
{
    const tv::excel::Cell c = tv::excel::MapResultCell(
        [] {
            tv::db::FieldDesc f;
            f.kind = FieldKind::Bytea;
            return f;
        }(),
        false, serverText);
    return c.text;
}

} // namespace

QString QuoteValue(const QString &value, QChar separator)
{
    if (!NeedsQuotes(value, separator))
        return value;
    QString v = value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    v.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    v.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

QString CellText(const tv::db::DataSet &ds, int row, int field)
{
    if (ds.IsNull(row, field))
        return QString();
    if (ds.FieldDef(field).kind == FieldKind::Bytea)
        return HexOf(ds.Text(row, field));
    return ds.DisplayText(row, field);
}

QString ClipboardText(const tv::db::DataSet &ds, const QStringList *titles, QChar separator, const TProgress &progress)
{
    const int fields = ds.FieldCount();
    const int records = ds.RecordCount();
    QString out;
    out.reserve(qsizetype(records + 1) * fields * 8);
    if (titles) {
        for (int f = 0; f < titles->size(); ++f) {
            if (f > 0)
                out.append(separator);
            out.append(titles->at(f));
        }
        out.append(QLatin1String("\r\n"));
    }
    std::vector<bool> bytea(fields);
    for (int f = 0; f < fields; ++f)
        bytea[f] = ds.FieldDef(f).kind == FieldKind::Bytea;
    for (int r = 0; r < records; ++r) {
        if (progress && r % kProgressStep == 0 && !progress(r, records))
            break;
        for (int f = 0; f < fields; ++f) {
            if (f > 0)
                out.append(separator);
            // The display text is empty for NULL.
            out.append(QuoteValue(bytea[f] ? CellText(ds, r, f) : ds.DisplayText(r, f), separator));
        }
        out.append(QLatin1String("\r\n"));
    }
    if (progress)
        progress(records, records);
    return out;
}

int FieldDisplayWidth(const tv::db::FieldDesc &field)
{
    int w = 20;
    switch (field.kind) {
    case FieldKind::Int2: w = 6; break;
    case FieldKind::Int4: w = 11; break;
    case FieldKind::Int8: w = 20; break;
    case FieldKind::Oid: w = 10; break;
    case FieldKind::Bool: w = 5; break;
    case FieldKind::Date: w = 10; break;
    case FieldKind::Time: w = 8; break;
    case FieldKind::Timestamp: w = 19; break;
    case FieldKind::TimestampTz: w = 22; break;
    case FieldKind::Float: w = 16; break;
    case FieldKind::Numeric: w = field.precision > 0 ? field.precision + 2 : 20; break;
    case FieldKind::Varchar:
    case FieldKind::Char: w = field.size > 0 ? int(std::min<qint64>(field.size, 255)) : 20; break;
    default: w = 20; break;
    }
    return std::clamp(w, 1, 255);
}

QString CheckFits(int fieldCount, int recordCount, const TXlsLayout &layout)
{
    const qint64 r = layout.top + 1, c = layout.left + 1;
    const qint64 title = layout.titles.isEmpty() ? 0 : 1;
    qint64 lastRow, lastCol;
    if (layout.horizontal) {
        lastRow = r + fieldCount - 1;
        lastCol = c + title + recordCount - 1;
    } else {
        lastRow = r + title + recordCount - 1;
        lastCol = c + fieldCount - 1;
    }
    if (lastCol > tv::excel::kMaxCols)
        return QStringLiteral("Excelの最大列数を超えているため、出力できません。");
    if (lastRow > tv::excel::kMaxRows)
        return QStringLiteral("Excelの最大行数を超えているため、出力できません。");
    return QString();
}

int WriteWorkbook(const tv::db::DataSet &ds, const TXlsLayout &layout, const TProgress &progress)
{
    using tv::excel::Cell;
    const int fields = ds.FieldCount();
    const int records = ds.RecordCount();
    const QString fits = CheckFits(fields, records, layout);
    if (!fits.isEmpty())
        throw tv::Error(fits);
    const int R = layout.top + 1, C = layout.left + 1;
    const bool titled = !layout.titles.isEmpty();
    // Vertical output streams its rows; a horizontal one writes across
    // columns and holds at most one sheet's columns.
    tv::excel::Workbook book(layout.fileName, layout.horizontal ? tv::excel::Workbook::Mode::RandomAccess
                                                                : tv::excel::Workbook::Mode::Streaming);
    tv::excel::Sheet &sheet = book.AddSheet(layout.sheetName);
    std::vector<bool> textField(fields);
    for (int f = 0; f < fields; ++f)
        textField[f] = tv::excel::IsTextField(ds.FieldDef(f));

    int done = 0;
    if (!layout.horizontal) {
        for (int f = 0; f < fields; ++f) {
            sheet.SetColumnWidth(C + f, FieldDisplayWidth(ds.FieldDef(f)));
            if (textField[f])
                sheet.SetColumnText(C + f);
        }
        if (titled)
            for (int f = 0; f < fields && f < layout.titles.size(); ++f)
                sheet.SetText(R, C + f, layout.titles.at(f));
        const int first = R + (titled ? 1 : 0);
        for (int r = 0; r < records; ++r, ++done) {
            if (progress && r % kProgressStep == 0 && !progress(r, records))
                break;
            for (int f = 0; f < fields; ++f)
                sheet.SetCell(first + r, C + f,
                              tv::excel::MapResultCell(ds.FieldDef(f), ds.IsNull(r, f), ds.Text(r, f)));
        }
    } else {
        sheet.SetColumnWidth(1, 20);
        for (int f = 0; f < fields; ++f)
            if (textField[f])
                sheet.SetRowText(R + f);
        if (titled)
            for (int f = 0; f < fields && f < layout.titles.size(); ++f)
                sheet.SetText(R + f, C, layout.titles.at(f));
        const int first = C + (titled ? 1 : 0);
        for (int r = 0; r < records; ++r, ++done) {
            if (progress && r % kProgressStep == 0 && !progress(r, records))
                break;
            for (int f = 0; f < fields; ++f)
                sheet.SetCell(R + f, first + r,
                              tv::excel::MapResultCell(ds.FieldDef(f), ds.IsNull(r, f), ds.Text(r, f)));
        }
    }
    if (progress)
        progress(done, records);
    book.Save();
    return done;
}

} // namespace resexport
