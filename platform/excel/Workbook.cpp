#include "platform/excel/Workbook.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <xlsxwriter.h>
#include <libpq-fe.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tv::excel {

using tv::db::FieldKind;

// ---- cells --------------------------------------------------------------------------

Cell Cell::ofNumber(double v)
{
    Cell c;
    c.kind = Kind::Number;
    c.number = v;
    return c;
}

Cell Cell::ofText(const QString &v)
{
    Cell c;
    c.kind = Kind::Text;
    c.text = v;
    return c;
}

Cell Cell::ofDateTime(const QDateTime &v)
{
    Cell c;
    c.kind = Kind::DateTime;
    // Wall-clock parts only: a UTC value needs no time-zone lookups.
    c.dateTime = v.timeSpec() == Qt::UTC ? v : QDateTime(v.date(), v.time(), Qt::UTC);
    return c;
}

Cell Cell::ofDate(const QDate &v)
{
    Cell c;
    c.kind = Kind::Date;
    c.dateTime = QDateTime(v, QTime(0, 0), Qt::UTC);
    return c;
}

Cell Cell::ofTime(const QTime &v)
{
    Cell c;
    c.kind = Kind::Time;
    c.dateTime = QDateTime(QDate(1900, 1, 1), v, Qt::UTC);
    return c;
}

bool Cell::operator==(const Cell &o) const
{
    if (kind != o.kind)
        return false;
    switch (kind) {
    case Kind::Empty: return true;
    case Kind::Number: return number == o.number;
    case Kind::Text: return text == o.text;
    default: return dateTime == o.dateTime;
    }
}

namespace {

// Whether a decimal text keeps all its digits in a double: a plain number
// (sign, digits, one point, an optional exponent) with at most 15
// significant digits.
bool SurvivesDouble(const QString &s, double *out)
{
    int i = 0;
    const int n = int(s.size());
    const QChar *p = s.constData();
    auto digit = [](QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; };
    if (i < n && (p[i] == u'-' || p[i] == u'+'))
        ++i;
    // Significant digits: from the first non-zero digit to the last one.
    int first = -1, lastNonZero = -1, count = 0;
    bool point = false, any = false;
    for (; i < n; ++i) {
        const QChar c = p[i];
        if (digit(c)) {
            any = true;
            if (c != u'0') {
                if (first < 0)
                    first = count;
                lastNonZero = count;
            }
            ++count;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any)
        return false;
    if (i < n) {
        if (p[i] != u'e' && p[i] != u'E')
            return false;
        ++i;
        if (i < n && (p[i] == u'-' || p[i] == u'+'))
            ++i;
        if (i >= n)
            return false;
        for (; i < n; ++i)
            if (!digit(p[i]))
                return false;
    }
    if (first >= 0 && lastNonZero - first + 1 > 15)
        return false;
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// Reads `count` digits at `at`; -1 when they are not all digits.
int Digits(const QString &s, int at, int count)
{
    if (at + count > s.size())
        return -1;
    int v = 0;
    for (int i = at; i < at + count; ++i) {
        const char16_t c = s.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "YYYY-MM-DD" at the start of the text (the server's ISO output).
QDate IsoDate(const QString &s)
{
    const int y = Digits(s, 0, 4), m = Digits(s, 5, 2), d = Digits(s, 8, 2);
    if (y < 0 || m < 0 || d < 0 || s.at(4) != u'-' || s.at(7) != u'-')
        return {};
    return QDate(y, m, d);
}

// "HH:MM:SS[.ffffff]" at `at`; the rest (an offset) is not read: the cell
// shows the wall-clock time as the grid does.
QTime IsoTime(const QString &s, int at)
{
    const int h = Digits(s, at, 2), mi = Digits(s, at + 3, 2), se = Digits(s, at + 6, 2);
    if (h < 0 || mi < 0 || se < 0 || s.at(at + 2) != u':' || s.at(at + 5) != u':')
        return {};
    int ms = 0;
    if (at + 8 < s.size() && s.at(at + 8) == u'.') {
        int scale = 100;
        for (int i = at + 9; i < s.size() && s.at(i).isDigit() && s.at(i).unicode() < 128; ++i, scale /= 10)
            if (scale > 0)
                ms += (s.at(i).unicode() - '0') * scale;
    }
    return QTime(h, mi, se, ms);
}

bool InExcelRange(const QDate &d)
{
    return d.isValid() && d.year() >= 1900 && d.year() <= 9999;
}

lxw_datetime ToLxw(const QDateTime &v, bool date, bool time)
{
    lxw_datetime dt{};
    if (date) {
        dt.year = v.date().year();
        dt.month = v.date().month();
        dt.day = v.date().day();
    }
    if (time) {
        const QTime t = v.time();
        dt.hour = t.hour();
        dt.min = t.minute();
        dt.sec = t.second() + t.msec() / 1000.0;
    }
    return dt;
}

} // namespace

bool IsTextField(const tv::db::FieldDesc &field)
{
    switch (field.kind) {
    case FieldKind::Text:
    case FieldKind::Varchar:
    case FieldKind::Char:
    case FieldKind::Bytea:
        return true;
    default:
        return false;
    }
}

Cell MapResultCell(const tv::db::FieldDesc &field, bool isNull, const QString &text)
{
    if (isNull)
        return Cell::empty();
    double number = 0;
    switch (field.kind) {
    case FieldKind::Int2:
    case FieldKind::Int4:
    case FieldKind::Int8:
    case FieldKind::Oid:
    case FieldKind::Numeric:
        if (SurvivesDouble(text, &number))
            return Cell::ofNumber(number);
        return Cell::ofText(text);
    case FieldKind::Float: {
        bool ok = false;
        number = text.toDouble(&ok);
        if (ok && std::isfinite(number))
            return Cell::ofNumber(number);
        return Cell::ofText(text);
    }
    case FieldKind::Date: {
        const QDate d = text.size() == 10 ? IsoDate(text) : QDate();
        return InExcelRange(d) ? Cell::ofDate(d) : Cell::ofText(text);
    }
    case FieldKind::Time: {
        const QTime t = IsoTime(text, 0);
        return t.isValid() ? Cell::ofTime(t) : Cell::ofText(text);
    }
    case FieldKind::Timestamp:
    case FieldKind::TimestampTz: {
        // "YYYY-MM-DD HH:MM:SS[.f][+offset]"; BC dates and infinities stay texts.
        const QDate d = text.size() >= 19 && text.at(10) == u' ' ? IsoDate(text) : QDate();
        const QTime t = d.isValid() ? IsoTime(text, 11) : QTime();
        if (!InExcelRange(d) || !t.isValid() || text.endsWith(QLatin1String(" BC")))
            return Cell::ofText(text);
        return Cell::ofDateTime(QDateTime(d, t, Qt::UTC));
    }
    case FieldKind::Bytea: {
        const QByteArray escaped = text.toLatin1();
        size_t len = 0;
        unsigned char *data = PQunescapeBytea(reinterpret_cast<const unsigned char *>(escaped.constData()), &len);
        if (!data)
            return Cell::ofText(text);
        const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(len));
        PQfreemem(data);
        return Cell::ofText(QString::fromLatin1(bytes.toHex()).toUpper());
    }
    default:
        return Cell::ofText(text);
    }
}

Cell MapResultCell(const tv::db::ResultSet &rows, int row, int field)
{
    return MapResultCell(rows.field(field), rows.isNull(row, field), rows.text(row, field));
}

void CheckSheetName(const QString &name)
{
    if (name.isEmpty())
        throw tv::Error(QStringLiteral("シート名が空です。"));
    if (name.size() > 31)
        throw tv::Error(QStringLiteral("シート名は31文字以内で指定して下さい: ") + name);
    static const QString bad = QStringLiteral("[]:*?/\\");
    for (const QChar c : name)
        if (bad.contains(c))
            throw tv::Error(QStringLiteral("シート名に使用できない文字が含まれています: ") + name);
    if (name.startsWith(u'\'') || name.endsWith(u'\''))
        throw tv::Error(QStringLiteral("シート名の先頭と末尾に ' は使用できません: ") + name);
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        throw tv::Error(QStringLiteral("シート名 History は使用できません。"));
}

QString ColumnLetters(int col)
{
    QString s;
    for (int c = col; c > 0; c = (c - 1) / 26)
        s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}

// ---- sheet --------------------------------------------------------------------------

void Sheet::check(int row, int col)
{
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols)
        throw tv::Error(QStringLiteral("セルの位置がワークシートの範囲を超えています。(行 %1, 列 %2)").arg(row).arg(col));
    if (m_book->m_saved)
        throw tv::Error(QStringLiteral("保存済みのブックには書き込めません。"));
    if (m_book->m_mode == Workbook::Mode::Streaming) {
        if (row < m_lastRow)
            throw tv::Error(
                QStringLiteral("行 %1 は書き込み済みの行 %2 より前のため、書き込めません。").arg(row).arg(m_lastRow));
        m_lastRow = row;
    }
}

bool Sheet::textAt(int row, int col) const
{
    return std::binary_search(m_textCols.begin(), m_textCols.end(), col) ||
           std::binary_search(m_textRows.begin(), m_textRows.end(), row);
}

lxw_format *Sheet::formatFor(int row, int col, lxw_format *valueFormat) const
{
    if (valueFormat)
        return valueFormat;
    return textAt(row, col) ? m_book->m_textFormat : nullptr;
}

void Sheet::SetNumber(int row, int col, double value)
{
    check(row, col);
    m_book->raise(worksheet_write_number(m_ws, row - 1, lxw_col_t(col - 1), value, formatFor(row, col, nullptr)));
}

void Sheet::SetDateTime(int row, int col, const QDateTime &value)
{
    check(row, col);
    lxw_datetime dt = ToLxw(value, true, true);
    m_book->raise(worksheet_write_datetime(m_ws, row - 1, lxw_col_t(col - 1), &dt, m_book->m_dateTimeFormat));
}

void Sheet::SetDate(int row, int col, const QDate &value)
{
    check(row, col);
    lxw_datetime dt = ToLxw(QDateTime(value, QTime(0, 0), Qt::UTC), true, false);
    m_book->raise(worksheet_write_datetime(m_ws, row - 1, lxw_col_t(col - 1), &dt, m_book->m_dateFormat));
}

void Sheet::SetTime(int row, int col, const QTime &value)
{
    check(row, col);
    lxw_datetime dt = ToLxw(QDateTime(QDate(1900, 1, 1), value, Qt::UTC), false, true);
    m_book->raise(worksheet_write_datetime(m_ws, row - 1, lxw_col_t(col - 1), &dt, m_book->m_timeFormat));
}

void Sheet::SetText(int row, int col, const QString &value)
{
    check(row, col);
    writeText(row, col, value, formatFor(row, col, nullptr));
}

void Sheet::SetText(int row, int col, const QString &value, const CellStyle &style)
{
    check(row, col);
    writeText(row, col, value, m_book->styleFormat(style, textAt(row, col)));
}

void Sheet::writeText(int row, int col, const QString &value, lxw_format *f)
{
    const QByteArray utf8 = m_book->cut(value).toUtf8();
    if (utf8.isEmpty()) {
        // An empty text is an empty cell; a "@" cell keeps its format.
        if (f)
            m_book->raise(worksheet_write_blank(m_ws, row - 1, lxw_col_t(col - 1), f));
        return;
    }
    m_book->raise(worksheet_write_string(m_ws, row - 1, lxw_col_t(col - 1), utf8.constData(), f));
}

void Sheet::SetCell(int row, int col, const Cell &value)
{
    switch (value.kind) {
    case Cell::Kind::Empty:
        check(row, col);
        if (lxw_format *f = formatFor(row, col, nullptr))
            m_book->raise(worksheet_write_blank(m_ws, row - 1, lxw_col_t(col - 1), f));
        break;
    case Cell::Kind::Number: SetNumber(row, col, value.number); break;
    case Cell::Kind::DateTime: SetDateTime(row, col, value.dateTime); break;
    case Cell::Kind::Date: SetDate(row, col, value.dateTime.date()); break;
    case Cell::Kind::Time: SetTime(row, col, value.dateTime.time()); break;
    case Cell::Kind::Text: SetText(row, col, value.text); break;
    }
}

void Sheet::WriteBlock(int row, int col, const std::vector<Row> &rows)
{
    for (size_t r = 0; r < rows.size(); ++r) {
        const Row &cells = rows[r];
        if (row + qint64(r) > kMaxRows || (!cells.empty() && col + qint64(cells.size()) - 1 > kMaxCols))
            check(int(std::min<qint64>(row + qint64(r), kMaxRows + 1)), kMaxCols + 1);
        for (size_t c = 0; c < cells.size(); ++c)
            SetCell(row + int(r), col + int(c), cells[c]);
    }
}

void Sheet::SetColumnWidth(int col, double width)
{
    if (col < 1 || col > kMaxCols)
        throw tv::Error(QStringLiteral("列 %1 はワークシートの範囲を超えています。").arg(col));
    m_widths[col] = width;
    const bool text = std::binary_search(m_textCols.begin(), m_textCols.end(), col);
    m_book->raise(worksheet_set_column(m_ws, lxw_col_t(col - 1), lxw_col_t(col - 1), width,
                                       text ? m_book->m_textFormat : nullptr));
}

void Sheet::SetColumnText(int col)
{
    if (col < 1 || col > kMaxCols)
        throw tv::Error(QStringLiteral("列 %1 はワークシートの範囲を超えています。").arg(col));
    auto it = std::lower_bound(m_textCols.begin(), m_textCols.end(), col);
    if (it == m_textCols.end() || *it != col)
        m_textCols.insert(it, col);
    const auto w = m_widths.find(col);
    m_book->raise(worksheet_set_column(m_ws, lxw_col_t(col - 1), lxw_col_t(col - 1),
                                       w == m_widths.end() ? LXW_DEF_COL_WIDTH : w->second, m_book->m_textFormat));
}

void Sheet::SetRowText(int row)
{
    if (row < 1 || row > kMaxRows)
        throw tv::Error(QStringLiteral("行 %1 はワークシートの範囲を超えています。").arg(row));
    auto it = std::lower_bound(m_textRows.begin(), m_textRows.end(), row);
    if (it == m_textRows.end() || *it != row)
        m_textRows.insert(it, row);
    m_book->raise(worksheet_set_row(m_ws, lxw_row_t(row - 1), LXW_DEF_ROW_HEIGHT, m_book->m_textFormat));
}

// ---- workbook -----------------------------------------------------------------------

Workbook::Workbook(const QString &target, Mode mode) : m_target(QFileInfo(target).absoluteFilePath()), m_mode(mode)
{
    const QFileInfo fi(m_target);
    m_temp = fi.absolutePath() + QStringLiteral("/.") + fi.fileName() +
             QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    lxw_workbook_options options{};
    options.constant_memory = mode == Mode::Streaming ? 1 : 0;
    options.use_zip64 = 1;
    const QByteArray name = QFile::encodeName(m_temp);
    m_wb = workbook_new_opt(name.constData(), &options);
    if (!m_wb)
        throw tv::Error(QStringLiteral("ワークブックを作成できません。\r\nファイル: ") + m_target);
    m_textFormat = workbook_add_format(m_wb);
    format_set_num_format(m_textFormat, "@");
    m_dateTimeFormat = workbook_add_format(m_wb);
    format_set_num_format(m_dateTimeFormat, "yyyy/mm/dd hh:mm:ss");
    m_dateFormat = workbook_add_format(m_wb);
    format_set_num_format(m_dateFormat, "yyyy/mm/dd");
    m_timeFormat = workbook_add_format(m_wb);
    format_set_num_format(m_timeFormat, "hh:mm:ss");
}

Workbook::~Workbook()
{
    if (m_wb)
        lxw_workbook_free(m_wb);
    if (!m_saved)
        QFile::remove(m_temp);
}

Sheet &Workbook::AddSheet(const QString &name)
{
    if (m_saved || !m_wb)
        throw tv::Error(QStringLiteral("保存済みのブックには書き込めません。"));
    QString n = name;
    if (n.isEmpty()) {
        for (int k = int(m_sheets.size()) + 1;; ++k) {
            n = QStringLiteral("Sheet%1").arg(k);
            const bool taken = std::any_of(m_sheets.begin(), m_sheets.end(), [&](const auto &s) {
                return s->Name().compare(n, Qt::CaseInsensitive) == 0;
            });
            if (!taken)
                break;
        }
    }
    CheckSheetName(n);
    for (const auto &s : m_sheets)
        if (s->Name().compare(n, Qt::CaseInsensitive) == 0)
            throw tv::Error(QStringLiteral("シート名が重複しています: ") + n);
    const QByteArray utf8 = n.toUtf8();
    lxw_worksheet *ws = workbook_add_worksheet(m_wb, utf8.constData());
    if (!ws)
        throw tv::Error(QStringLiteral("シートを追加できません: ") + n);
    m_sheets.push_back(std::unique_ptr<Sheet>(new Sheet(this, ws, n)));
    return *m_sheets.back();
}

QString Workbook::cut(const QString &text)
{
    if (text.size() <= kMaxText)
        return text;
    ++m_cuts;
    int n = kMaxText;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

namespace {

// The user's text for a failure the spreadsheet library reports while the
// workbook of `target` is built or written.
QString LibraryErrorText(lxw_error error, const QString &target)
{
    const QString file = QStringLiteral("\r\nファイル: ") + target;
    switch (error) {
    case LXW_ERROR_CREATING_XLSX_FILE:
        return QStringLiteral("ファイルを作成できませんでした。出力先のフォルダと書き込み権限を確認して下さい。") + file;
    case LXW_ERROR_CREATING_TMPFILE:
        return QStringLiteral("一時ファイルを作成できませんでした。") + file;
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("一時ファイルを読み込めませんでした。") + file;
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("メモリが不足しているため、ファイルを出力できませんでした。") + file;
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("ファイルの書き込みに失敗しました。空き容量と書き込み権限を確認して下さい。") + file;
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("セルに書き込める文字数を超えています。") + file;
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("セルの位置がワークシートの範囲を超えています。") + file;
    default:
        return QStringLiteral("ファイルを出力できませんでした。(エラー番号 %1)").arg(int(error)) + file;
    }
}

} // namespace

void Workbook::raise(int error) const
{
    if (error != LXW_NO_ERROR)
        throw tv::Error(LibraryErrorText(lxw_error(error), m_target));
}

lxw_format *Workbook::styleFormat(const CellStyle &style, bool text)
{
    if (style.rotation < -90 || style.rotation > 90)
        throw tv::Error(QStringLiteral("文字の回転角度は -90 から 90 の間で指定して下さい: %1").arg(style.rotation));
    if (!m_wb)
        throw tv::Error(QStringLiteral("保存済みのブックには書き込めません。"));
    if (style.rotation == 0 && !style.border)
        return text ? m_textFormat : nullptr;
    const auto key = std::make_pair(style, text);
    auto it = m_styles.find(key);
    if (it != m_styles.end())
        return it->second;
    lxw_format *f = workbook_add_format(m_wb);
    if (!f)
        throw tv::Error(QStringLiteral("書式を作成できません。"));
    if (text)
        format_set_num_format(f, "@");
    if (style.rotation != 0)
        format_set_rotation(f, int16_t(style.rotation));
    if (style.border)
        format_set_border(f, LXW_BORDER_THIN);
    m_styles.emplace(key, f);
    return f;
}

void Workbook::Save()
{
    if (m_saved || !m_wb)
        throw tv::Error(QStringLiteral("ワークブックは保存済みです。"));
    if (m_sheets.empty())
        AddSheet();
    const QFileInfo fi(m_target);
    QDir().mkpath(fi.absolutePath());
    lxw_workbook *wb = m_wb;
    m_wb = nullptr; // workbook_close frees it whatever its outcome
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        QFile::remove(m_temp);
        throw tv::Error(LibraryErrorText(err, m_target));
    }
    if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(m_temp);
        throw tv::Error(QStringLiteral("ファイルを保存できません: ") + m_target + QStringLiteral(" (") + why + u')');
    }
    m_saved = true;
}

} // namespace tv::excel
