#include "tools/DataGenValue.h"

#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/PgResultSet.h"
#include "platform/db/ResultSet.h"
#include "platform/db/StatementSavepoint.h"

#include <QDateTime>
#include <QRegularExpression>

#include <atomic>
#include <cmath>
#include <limits>

using namespace DataGenType;

TDataGenRandom::~TDataGenRandom() = default;

TSeededRandom::TSeededRandom() : FGen(QRandomGenerator64::securelySeeded()) {}

TSeededRandom::TSeededRandom(quint64 Seed) : FGen(Seed) {}

qint64 TSeededRandom::Random(qint64 n)
{
    if (n <= 0)
        return 0;
    return qint64(FGen.bounded(quint64(n)));
}

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();

qint64 Pow10(int e)
{
    qint64 p = 1;
    for (int i = 0; i < e && i < 18; ++i)
        p *= 10;
    return p;
}

qint64 TruncClamp(long double v)
{
    if (v >= (long double)kMax)
        return kMax;
    if (v <= -(long double)kMax)
        return -kMax;
    return qint64(v);
}

qint64 MulSat(qint64 a, qint64 b)
{
    if (a <= 0 || b <= 0)
        return 0; // no positive range: Random gives 0
    if (a > kMax / b)
        return kMax;
    return a * b;
}

// Digits after "." in the general text of a number.
int Decimals(double v)
{
    const QString s = GeneralText(v);
    if (s.contains(u'e') || s.contains(u'E'))
        return 0;
    const int dot = int(s.indexOf(u'.'));
    return dot < 0 ? 0 : int(s.size()) - dot - 1;
}

// A scaled integer as decimal text with d decimals.
QString ScaledText(__int128 v, int d)
{
    const bool neg = v < 0;
    unsigned __int128 u = neg ? (unsigned __int128)(-v) : (unsigned __int128)v;
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(u % 10)));
        u /= 10;
    } while (u);
    if (d > 0) {
        while (digits.size() <= d)
            digits.prepend(u'0');
        digits.insert(digits.size() - d, u'.');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.endsWith(u'.'))
            digits.chop(1);
    }
    return neg && digits != u"0" ? u'-' + digits : digits;
}

__int128 Scaled(double v, int d)
{
    long double x = (long double)v;
    for (int i = 0; i < d; ++i)
        x *= 10;
    return (__int128)std::llroundl(x);
}

bool IsIntegerType(const QString &T)
{
    return IsNumeric(T) && !IsDecimal(T) && !T.startsWith(QStringLiteral("real")) &&
           !T.startsWith(QStringLiteral("double precision"));
}

[[noreturn]] void ConversionError(const QString &Text, const TColParams &Col)
{
    throw tv::Error(QStringLiteral("'%1' は列 %2 (%3) の値に変換できません。")
                        .arg(Text, Col.ColumnName, Col.TypeText.isEmpty() ? Col.DataType : Col.TypeText));
}

QString DateTimeText(const TColParams &Col, const QDateTime &v)
{
    if (IsDate(Col.DataType))
        return v.toString(QStringLiteral("yyyy-MM-dd"));
    if (IsTimeType(Col.DataType) && !IsTimestamp(Col.DataType))
        return v.toString(QStringLiteral("HH:mm:ss"));
    return v.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::atomic<int> g_cursorCounter{0};

} // namespace

// ---------------------------------------------------------------------------
// Cursor

TDataGenCursor::TDataGenCursor(tv::db::Connection &Conn, const QString &Select, int Batch)
    : FConn(Conn), FSelect(Select), FBatch(std::max(1, Batch))
{
    FName = QStringLiteral("tv_dg_cur_%1").arg(++g_cursorCounter);
}

TDataGenCursor::~TDataGenCursor()
{
    Close();
}

void TDataGenCursor::Open()
{
    Close();
    tv::db::StatementSavepoint sp(FConn);
    FConn.Exec(QStringLiteral("DECLARE ") + FName + QStringLiteral(" SCROLL CURSOR WITH HOLD FOR ") + FSelect);
    sp.release();
    FOpen = true;
    Fetch(QStringLiteral("FETCH FORWARD %1 FROM ").arg(FBatch));
}

void TDataGenCursor::Fetch(const QString &How)
{
    FRows = FConn.Exec(How + FName);
    FRow = 0;
    FLastBatch = FRows->rowCount() < FBatch;
}

void TDataGenCursor::Rewind()
{
    if (!FOpen) {
        Open();
        return;
    }
    FConn.Exec(QStringLiteral("MOVE ABSOLUTE 0 IN ") + FName);
    Fetch(QStringLiteral("FETCH FORWARD %1 FROM ").arg(FBatch));
}

bool TDataGenCursor::Eof() const
{
    return !FOpen || !FRows || FRow >= FRows->rowCount();
}

void TDataGenCursor::Next()
{
    if (Eof())
        return;
    ++FRow;
    if (FRow >= FRows->rowCount() && !FLastBatch)
        Fetch(QStringLiteral("FETCH FORWARD %1 FROM ").arg(FBatch));
}

int TDataGenCursor::FieldCount() const
{
    return FRows ? FRows->fieldCount() : 0;
}

QString TDataGenCursor::Text(int Field) const
{
    return Eof() ? QString() : FRows->text(FRow, Field);
}

bool TDataGenCursor::IsNull(int Field) const
{
    return Eof() || FRows->isNull(FRow, Field);
}

void TDataGenCursor::Close()
{
    if (!FOpen)
        return;
    FOpen = false;
    FRows.reset();
    try {
        // The cursor may be gone with a rolled-back block (Esc): a failing
        // CLOSE must not abort the block that follows.
        if (FConn.Connected() && FConn.transactionState() != tv::db::TransactionState::Aborted) {
            tv::db::StatementSavepoint sp(FConn);
            FConn.Exec(QStringLiteral("CLOSE ") + FName);
            sp.release();
        }
    } catch (...) {
        // Gone with the block or with the connection.
    }
}

// ---------------------------------------------------------------------------
// Values

TDataGenValues::TDataGenValues(TDataGenJob &Job, TDataGenRandom &Rnd, tv::db::Connection *Conn)
    : FJob(Job), FRnd(Rnd), FConn(Conn)
{
}

TDataGenValues::~TDataGenValues()
{
    FreeLinkQueries();
}

void TDataGenValues::FreeLinkQueries()
{
    FLinks.clear();
    FLinkPos.clear();
}

QStringList TDataGenValues::LinkSelects() const
{
    QStringList l;
    for (const Link &k : FLinks)
        l << k.select;
    return l;
}

void TDataGenValues::PrepareLinkQueries()
{
    FreeLinkQueries();
    FLinkPos.assign(size_t(FJob.Cols.size()), {-1, -1});
    for (int i = 0; i < FJob.Cols.size(); ++i) {
        const TColParams &c = FJob.Cols.at(i);
        if (c.SetType != stLink)
            continue;
        const QString key = c.LinkOwner.trimmed().isEmpty()
                                ? QuoteIdentifier(c.LinkTable)
                                : QuoteIdentifier(c.LinkOwner) + u'.' + QuoteIdentifier(c.LinkTable);
        int at = -1;
        for (size_t k = 0; k < FLinks.size(); ++k)
            if (FLinks[k].key == key)
                at = int(k);
        if (at < 0) {
            Link l;
            l.key = key;
            l.select = QStringLiteral("SELECT ") + QuoteIdentifier(c.LinkColumn);
            FLinks.push_back(std::move(l));
            at = int(FLinks.size()) - 1;
        } else {
            FLinks[size_t(at)].select += QStringLiteral(", ") + QuoteIdentifier(c.LinkColumn);
            ++FLinks[size_t(at)].count;
        }
        FLinkPos[size_t(i)] = {at, FLinks[size_t(at)].count};
    }
    for (Link &l : FLinks) {
        l.select += QStringLiteral(" FROM ") + l.key;
        if (FConn)
            l.cursor = std::make_unique<TDataGenCursor>(*FConn, l.select);
    }
}

void TDataGenValues::AdvanceLinkQueries()
{
    for (Link &l : FLinks) {
        if (l.empty || !l.cursor)
            continue;
        TDataGenCursor &c = *l.cursor;
        if (c.IsOpen()) {
            while (!c.Eof()) {
                const qint64 r = FRnd.Random(20);
                if (r == 0)
                    break;
                c.Next();
                if (r != 1)
                    break;
            }
        }
        if (!c.IsOpen() || c.Eof()) {
            c.Rewind();
            if (c.Eof())
                l.empty = true;
        }
    }
}

std::vector<TGenValue> TDataGenValues::RowValues(qint64 RowNo, const std::vector<TGenValue> *ParentRow)
{
    AdvanceLinkQueries();
    std::vector<TGenValue> out;
    for (int i = 0; i < FJob.Cols.size(); ++i) {
        if (!FJob.Binds(i))
            continue;
        const TColParams &c = FJob.Cols.at(i);
        const qint64 d = FRnd.Random(100);
        if (d >= c.NullPar) {
            if (c.SetType == stLink) {
                const auto [li, fi] = i < int(FLinkPos.size()) ? FLinkPos[size_t(i)] : std::pair<int, int>{-1, -1};
                if (li < 0 || FLinks[size_t(li)].empty || !FLinks[size_t(li)].cursor ||
                    FLinks[size_t(li)].cursor->IsNull(fi))
                    out.push_back(TypedNull(c));
                else
                    out.push_back(TypedText(c, FLinks[size_t(li)].cursor->Text(fi)));
            } else {
                out.push_back(ColumnValue(c, RowNo, ParentRow));
            }
        } else {
            out.push_back(TypedNull(c));
        }
    }
    return out;
}

TGenValue TDataGenValues::TypedNull(const TColParams &Col)
{
    if (IsNumeric(Col.DataType) || IsDateTime(Col.DataType))
        return std::nullopt;
    return QString();
}

QString TDataGenValues::TypedText(const TColParams &Col, const QString &Text)
{
    const QString t = Text.trimmed();
    if (IsNumeric(Col.DataType)) {
        static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
        static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
        if (!(IsIntegerType(Col.DataType) ? integer : number).match(t).hasMatch())
            ConversionError(Text, Col);
        return t;
    }
    if (IsDateTime(Col.DataType)) {
        QDateTime v;
        if (const QDateTime ts = tv::db::ParseTimestamp(t); ts.isValid())
            v = ts;
        else if (const QDate d = tv::db::ParseDate(t); d.isValid())
            v = QDateTime(d, QTime(0, 0));
        else if (const QTime tm = tv::db::ParseTime(t); tm.isValid())
            v = QDateTime(QDate::currentDate(), tm);
        else {
            for (const char *f : {"yyyy/M/d H:m:s", "yyyy/M/d H:m", "yyyy/M/d"}) {
                v = QDateTime::fromString(t, QString::fromLatin1(f));
                if (v.isValid())
                    break;
            }
        }
        if (!v.isValid())
            ConversionError(Text, Col);
        return DateTimeText(Col, v);
    }
    return Text;
}

TGenValue TDataGenValues::ColumnValue(const TColParams &Col, qint64 RowNo, const std::vector<TGenValue> *ParentRow)
{
    const QString &t = Col.DataType;
    switch (Col.SetType) {
    case stNone:
    case stVar:
        return std::nullopt;
    case stSeqNum: {
        const long double v = (long double)Col.NumFrom + (long double)RowNo * (long double)Col.Marume;
        const QString s = GeneralText(double(v));
        const int p = IsChar(t) ? int(Col.StrPrefix.size()) : 0;
        if (Col.StrFull) {
            const int zeros = Col.Length - int(s.size()) - (Col.FlgPrefix ? p : 0);
            return (Col.FlgPrefix ? Col.StrPrefix : QString()) + QString(std::max(0, zeros), u'0') + s;
        }
        if (Col.FlgPrefix)
            return Col.StrPrefix + s;
        if (IsNumeric(t) && !s.contains(u'.') && IsIntegerType(t) && (s.contains(u'e') || s.contains(u'E')))
            ConversionError(s, Col);
        return s;
    }
    case stSeqDate:
        return DateTimeText(Col, Col.DateFrom.addDays(RowNo));
    case stSeqTime:
    case stSeqDtTm:
        return DateTimeText(Col, Col.DateFrom.addSecs(RowNo));
    case stRandNum:
        return RandomNumber(Col);
    case stRandStr:
        return RandomString(Col);
    case stRandDate:
        return DateTimeText(Col, RandomDateTime(FRnd, QStringLiteral("DATE"), Col.DateFrom, Col.DateTo));
    case stRandTime:
        return DateTimeText(Col, RandomDateTime(FRnd, QStringLiteral("TIME"), Col.DateFrom, Col.DateTo));
    case stRandDtTm:
        return DateTimeText(Col, RandomDateTime(FRnd, QStringLiteral("DATETIME"), Col.DateFrom, Col.DateTo));
    case stIn: {
        const qint64 j = FRnd.Random(Col.Variable.size());
        return TypedText(Col, j < Col.Variable.size() ? Col.Variable.at(int(j)) : QString());
    }
    case stTemplate: {
        QString s;
        const qint64 n = FRnd.Random(Col.Template1.size());
        if (n < Col.Template1.size())
            s = Col.Template1.at(int(n));
        const qint64 l = FRnd.Random(Col.Template2.size());
        if (l < Col.Template2.size())
            s += (s.isEmpty() ? QString() : Col.TemplateSep) + Col.Template2.at(int(l));
        if (t != u"text" && Col.Length > 0 && s.size() > Col.Length)
            s.truncate(Col.Length);
        return s;
    }
    case stLink:
        return TypedNull(Col); // served by RowValues
    case stMaster: {
        const int at = int(FJob.MastColumns.indexOf(Col.LinkColumn));
        if (!ParentRow || at < 0 || at >= int(ParentRow->size()) || !(*ParentRow)[size_t(at)])
            return TypedNull(Col);
        return TypedText(Col, *(*ParentRow)[size_t(at)]);
    }
    }
    return std::nullopt;
}

TGenValue TDataGenValues::RandomNumber(const TColParams &Col)
{
    qint64 R;
    if (Col.NumTo != 0 && Col.Scale > 0)
        R = FRnd.Random(MulSat(Pow10(std::min(Col.Scale, 18)), TruncClamp((long double)Col.NumTo - Col.NumFrom)));
    else if (Col.NumTo != 0)
        R = FRnd.Random(TruncClamp((long double)Col.NumTo - Col.NumFrom));
    else if (Col.Length > 0)
        R = FRnd.Random(Pow10(std::min(Col.Length, 18)));
    else
        R = FRnd.Random(2147483647);

    int b = 0;        // decimals of the drawn part
    __int128 v = R;   // the drawn part scaled by 10^b
    if (Col.Marume != 0) {
        b = std::max(Col.Scale, Decimals(Col.Marume));
        b = std::min(b, 18);
        qint64 unit = b != 0 ? TruncClamp((long double)Pow10(b) * Col.Marume) : TruncClamp(Col.Marume);
        if (unit <= 0)
            unit = 1; // a unit below the precision rounds nothing
        v = (R / unit) * unit;
    } else if (Col.Scale > 0) {
        b = std::min(Col.Scale, 18);
    } else if (IsDecimal(Col.DataType)) {
        b = int(FRnd.Random(5));
    } else {
        b = 0;
    }
    const int d = std::max(b, Decimals(Col.NumFrom));
    __int128 scaled = v;
    for (int i = b; i < d; ++i)
        scaled *= 10;
    scaled += Scaled(Col.NumFrom, d);
    QString s = ScaledText(scaled, d);
    if (IsIntegerType(Col.DataType) && s.contains(u'.')) {
        if (Col.Marume == 0 && Col.Scale == 0)
            ConversionError(s, Col); // an integer sum with a fractional start
        // A floating value into an integer column: the server's rounding.
        s = QString::number(std::llround(s.toDouble()));
    }
    return s;
}

QString TDataGenValues::RandomString(const TColParams &Col)
{
    auto R = [this](qint64 n) { return FRnd.Random(n); };
    auto pad = [](qint64 v, int w) { return QStringLiteral("%1").arg(v, w, 10, QLatin1Char('0')); };
    const QString &t = Col.DataType;
    switch (Col.StrType) {
    case 6:
        switch (R(5)) {
        case 0: return QStringLiteral("03-") + pad(R(9999) + 1, 4) + u'-' + pad(R(9999) + 1, 4);
        case 1: return QStringLiteral("04-") + pad(R(9999) + 1, 4) + u'-' + pad(R(9999) + 1, 4);
        case 2: return QStringLiteral("06-") + pad(R(9999) + 1, 4) + u'-' + pad(R(9999) + 1, 4);
        case 3: return u'0' + pad(R(99) + 1, 2) + u'-' + pad(R(999) + 1, 3) + u'-' + pad(R(9999) + 1, 4);
        default: return u'0' + pad(R(999) + 1, 3) + u'-' + pad(R(99) + 1, 2) + u'-' + pad(R(9999) + 1, 4);
        }
    case 7:
        return pad(R(999) + 1, 3) + u'-' + pad(R(9999) + 1, 4);
    default:
        break;
    }
    const int type = Col.StrType;
    qint64 n;
    bool ok = false;
    const qint64 digit = Col.StrDigit.trimmed().toLongLong(&ok);
    if (Col.StrFull)
        n = Col.Length;
    else if (ok && digit > 0 && type >= 0 && type <= 3)
        n = R(digit) + 1;
    else if (t == u"text")
        n = R(ok ? digit : 0) + 1;
    else
        n = R(Col.Length) + 1;
    if (type == 3)
        n = std::max<qint64>(n, 1);
    else if (type == 4)
        n = std::max<qint64>(n - 10, 3);
    else if (type == 5)
        n = std::max<qint64>(n - 10, 4);
    n = std::min<qint64>(n, 1024 * 2);

    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    static const QString alnum = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    static const QString wide = QStringLiteral("０１２３４５６７８９あいうえおかきくけこさしすせそたちつてとなにぬねのはまやらわ"
                                               "アイウエオカキクケコサシスセソタチツテトナニヌネノハマヤラワ") +
                                QChar(0x3000);
    QString s;
    s.reserve(int(n));
    for (qint64 i = 0; i < n; ++i) {
        switch (type) {
        case 1: s += QChar(u'0' + int(R(10))); break;
        case 2: s += alnum.at(int(R(36))); break;
        case 3: s += wide.at(int(R(71))); break;
        default: s += letters.at(int(R(26))); break;
        }
    }
    static const QStringList endings{QStringLiteral(".com"),   QStringLiteral(".co.jp"), QStringLiteral(".ne.jp"),
                                     QStringLiteral(".ac.jp"), QStringLiteral(".jp"),    QStringLiteral(".net")};
    if (type == 4) {
        s = QStringLiteral("www.") + s.toLower() + endings.at(int(R(6)));
    } else if (type == 5) {
        const int k = int(R(n - 1) + 2); // 1-based
        s = s.left(k).toLower() + u'@' + s.mid(k - 1) + endings.at(int(R(6)));
    }
    if (type == 3 && t != u"text" && s.size() > 2 * Col.Length)
        s.truncate(2 * Col.Length);
    else if (s.size() > 1024)
        s.truncate(1024);
    return s;
}

QDateTime TDataGenValues::RandomDateTime(TDataGenRandom &Rnd, const QString &Kind, const QDateTime &From,
                                         const QDateTime &To)
{
    const QDateTime f = From.isValid() ? From : QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    const QDateTime t = To.isValid() ? To : QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    const int fy = f.date().year(), fm = f.date().month(), fd = f.date().day();
    const int ty = t.date().year(), tm = t.date().month(), td = t.date().day();
    auto R = [&Rnd](qint64 n) { return int(Rnd.Random(n)); };

    int y = fy + R(qint64(ty) - fy + 1);
    int m;
    if (y == fy && y == ty)
        m = fm + R(tm - fm + 1);
    else if (y == fy)
        m = fm + R(12 - fm + 1);
    else if (y == ty)
        m = 1 + R(tm);
    else
        m = 1 + R(12);
    const int last = m == 12 ? 31 : QDate(y, m + 1, 1).addDays(-1).day();
    const bool atFromM = y == fy && m == fm, atToM = y == ty && m == tm;
    int d;
    if (atFromM && atToM)
        d = fd + R(td - fd + 1);
    else if (atFromM)
        d = fd + R(last - fd + 1);
    else if (atToM)
        d = 1 + R(td);
    else
        d = 1 + R(last);

    int hh = f.time().hour(), mi = f.time().minute(), ss = f.time().second();
    if (Kind != u"DATE") {
        bool lo = atFromM && d == fd, hi = atToM && d == td;
        if (Kind == u"TIME") {
            // The date stays that of the lower bound: only the time is drawn.
            y = fy, m = fm, d = fd;
            lo = true;
            hi = f.date() == t.date();
        }
        auto part = [&](int fromPart, int toPart, int top, bool &l, bool &h) {
            const int a = l ? fromPart : 0;
            const int b = h ? toPart : top;
            const int v = a + R(qint64(b) - a + 1);
            l = l && v == fromPart;
            h = h && v == toPart;
            return v;
        };
        hh = part(f.time().hour(), t.time().hour(), 23, lo, hi);
        mi = part(f.time().minute(), t.time().minute(), 59, lo, hi);
        ss = part(f.time().second(), t.time().second(), 59, lo, hi);
    }
    const QDate date(y, m, d);
    const QTime time(hh, mi, ss);
    if (!date.isValid() || !time.isValid())
        return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    return QDateTime(date, time);
}
