#include "tools/DataGenRule.h"

#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <cmath>

namespace {

const QStringList &KindNames()
{
    static const QStringList names{
        QStringLiteral("未指定"),       QStringLiteral("連番"),         QStringLiteral("連番(日付)"),
        QStringLiteral("連番(時間)"),   QStringLiteral("連番(日時)"),   QStringLiteral("乱数値(数値)"),
        QStringLiteral("乱数値(文字)"), QStringLiteral("乱数値(日付)"), QStringLiteral("乱数値(時間)"),
        QStringLiteral("乱数値(日時)"), QStringLiteral("選択値"),       QStringLiteral("固定値"),
        QStringLiteral("テンプレート"), QStringLiteral("リンクテーブル値"), QStringLiteral("親テーブル値")};
    return names;
}

QString TrimBlanks(const QString &s)
{
    int b = 0, e = int(s.size());
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    while (b < e && blank(s.at(b)))
        ++b;
    while (e > b && blank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

// "(" .. "," / "(" .. ")" / "," .. ")" of a type text with modifier.
void ParseModifier(const QString &TypeText, QString &Len, QString &Scale)
{
    Len.clear();
    Scale.clear();
    const int open = int(TypeText.indexOf(u'('));
    if (open < 0)
        return;
    const int comma = int(TypeText.indexOf(u',', open));
    const int close = int(TypeText.indexOf(u')', open));
    if (comma >= 0) {
        Len = TypeText.mid(open + 1, comma - open - 1).trimmed();
        Scale = TypeText.mid(comma + 1, close < 0 ? -1 : close - comma - 1).trimmed();
    } else {
        Len = TypeText.mid(open + 1, close < 0 ? -1 : close - open - 1).trimmed();
    }
}

bool IsModifierType(const QString &T)
{
    static const QStringList base{QStringLiteral("character"), QStringLiteral("char"),
                                  QStringLiteral("character varying"), QStringLiteral("varchar"),
                                  QStringLiteral("bit"), QStringLiteral("bit varying"), QStringLiteral("numeric"),
                                  QStringLiteral("interval"), QStringLiteral("interval SECOND"),
                                  QStringLiteral("interval DAY TO SECOND"), QStringLiteral("interval HOUR TO SECOND"),
                                  QStringLiteral("interval MINUTE TO SECOND")};
    QString t = T;
    if (t.endsWith(QStringLiteral("[]")))
        t.chop(2);
    return base.contains(t);
}

QDateTime DayOf(const QDateTime &v, const QDate &today)
{
    return QDateTime(v.isValid() ? v.date() : today, QTime(0, 0));
}

QDateTime Seconds(const QDateTime &v, const QDate &today, const QTime &fallback)
{
    if (!v.isValid())
        return QDateTime(today, fallback);
    const QTime t = v.time();
    return QDateTime(v.date(), QTime(t.hour(), t.minute(), t.second()));
}

} // namespace

QString SetTypeName(TSetType Type)
{
    const int i = int(Type);
    return i >= 0 && i < kSetTypeCount ? KindNames().at(i) : QString();
}

TSetType SetTypeFromName(const QString &Name)
{
    const int i = int(KindNames().indexOf(Name));
    return i < 0 ? stNone : TSetType(i);
}

const QStringList &StrTypeNames()
{
    static const QStringList names{QStringLiteral("英字のみ"),   QStringLiteral("数字のみ"),
                                   QStringLiteral("英数字"),     QStringLiteral("全角文字"),
                                   QStringLiteral("URL"),        QStringLiteral("メールアドレス"),
                                   QStringLiteral("電話番号"),   QStringLiteral("郵便番号")};
    return names;
}

void TColParams::ClearRule()
{
    SetType = stNone;
    NullPar = 0;
    NumFrom = NumTo = Marume = 0;
    StrType = 0;
    StrFull = false;
    StrDigit.clear();
    StrPrefix.clear();
    FlgPrefix = false;
    DateFrom = DateTo = QDateTime();
    Variable.clear();
    TemplateName1.clear();
    Template1.clear();
    TemplateName2.clear();
    Template2.clear();
    TemplateSep.clear();
    LinkOwner.clear();
    LinkTable.clear();
    LinkColumn.clear();
}

namespace DataGenType {

bool IsSupported(const QString &T)
{
    static const QStringList types{
        QStringLiteral("smallint"), QStringLiteral("integer"), QStringLiteral("bigint"), QStringLiteral("real"),
        QStringLiteral("double precision"), QStringLiteral("numeric"), QStringLiteral("decimal"),
        QStringLiteral("character"), QStringLiteral("char"), QStringLiteral("character varying"),
        QStringLiteral("varchar"), QStringLiteral("national character"), QStringLiteral("nchar"),
        QStringLiteral("national character varying"), QStringLiteral("nvarchar"), QStringLiteral("text"),
        QStringLiteral("date"), QStringLiteral("time without time zone"),
        QStringLiteral("timestamp without time zone")};
    return types.contains(T);
}

bool IsChar(const QString &T)
{
    static const QStringList types{QStringLiteral("character"), QStringLiteral("char"),
                                   QStringLiteral("character varying"), QStringLiteral("varchar"),
                                   QStringLiteral("text"), QStringLiteral("national character"),
                                   QStringLiteral("nchar"), QStringLiteral("national character varying"),
                                   QStringLiteral("nvarchar")};
    return types.contains(T);
}

bool IsNumeric(const QString &T)
{
    static const QStringList types{QStringLiteral("bigint"), QStringLiteral("bigserial"),
                                   QStringLiteral("double precision"), QStringLiteral("integer"),
                                   QStringLiteral("numeric"), QStringLiteral("real"), QStringLiteral("smallint"),
                                   QStringLiteral("serial")};
    QString t = T;
    if (t.endsWith(QStringLiteral("[]")))
        t.chop(2);
    return types.contains(t);
}

bool IsDecimal(const QString &T)
{
    return T == u"numeric" || T == u"numeric[]";
}

bool IsDate(const QString &T)
{
    return T == u"date";
}

bool IsTimestamp(const QString &T)
{
    return T.startsWith(QStringLiteral("timestamp"));
}

bool IsTimeType(const QString &T)
{
    return T.startsWith(QStringLiteral("time"));
}

bool IsDateTime(const QString &T)
{
    return IsDate(T) || IsTimeType(T);
}

} // namespace DataGenType

int TDataGenJob::IndexOf(const QString &Column) const
{
    for (int i = 0; i < Cols.size(); ++i)
        if (Cols.at(i).ColumnName == Column)
            return i;
    return -1;
}

bool TDataGenJob::InStatement(int Index) const
{
    const TColParams &c = Cols.at(Index);
    if (c.SetType == stNone)
        return false;
    return !(Mode == dgmUpdate && IsPrimary(c.ColumnName));
}

bool TDataGenJob::Binds(int Index) const
{
    return InStatement(Index) && Cols.at(Index).SetType != stVar;
}

QList<TSetType> OfferedKinds(const TDataGenJob &Job, const TColParams &Col)
{
    using namespace DataGenType;
    const QString &t = Col.DataType;
    if (!IsSupported(t))
        return {stNone};
    QList<TSetType> l;
    if (!Col.NotNull)
        l << stNone;
    if (IsDate(t))
        l << stSeqDate;
    else if (IsTimestamp(t))
        l << stSeqDtTm;
    else if (IsTimeType(t))
        l << stSeqTime;
    else
        l << stSeqNum;
    l << stVar;
    if (!Job.IsKey(Col.ColumnName)) {
        if (IsNumeric(t))
            l << stRandNum;
        else if (!IsDateTime(t))
            l << stRandStr;
        if (IsDate(t))
            l << stRandDate;
        else if (IsTimestamp(t))
            l << stRandDtTm;
        else if (IsTimeType(t))
            l << stRandTime;
        l << stIn << stTemplate;
    }
    l << stLink;
    if (Job.Mode == dgmMaster)
        l << stMaster;
    return l;
}

bool NullRatioAllowed(const TDataGenJob &Job, const TColParams &Col)
{
    return Col.SetType != stNone && Col.SetType != stVar && !Col.NotNull && !Job.Unique.contains(Col.ColumnName);
}

QString GeneralText(double Value)
{
    if (Value == 0)
        return QStringLiteral("0");
    if (std::fabs(Value) < 1e15 && std::fabs(Value) >= 1e-5) {
        QString s = QString::number(Value, 'f', 15 - std::max(0, int(std::floor(std::log10(std::fabs(Value)))) + 1));
        if (s.contains(u'.')) {
            while (s.endsWith(u'0'))
                s.chop(1);
            if (s.endsWith(u'.'))
                s.chop(1);
        }
        return s;
    }
    return QString::number(Value, 'g', 15);
}

QString DateText(const QDateTime &Value)
{
    return Value.isValid() ? Value.toString(QStringLiteral("yyyy/MM/dd")) : QString();
}

QString TimeText(const QDateTime &Value)
{
    return Value.isValid() ? Value.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QString ParameterText(const TColParams &Col)
{
    QString s;
    switch (Col.SetType) {
    case stNone:
        return QString();
    case stSeqNum:
    case stRandNum:
        if (Col.FlgPrefix && !Col.StrPrefix.isEmpty())
            s = Col.StrPrefix + QStringLiteral(" + ");
        if (Col.NumFrom != 0 || Col.NumTo != 0)
            s += (Col.NumFrom != 0 ? GeneralText(Col.NumFrom) : QString()) + QStringLiteral("～") +
                 (Col.NumTo != 0 ? GeneralText(Col.NumTo) : QString());
        if (Col.Marume != 0)
            s += QStringLiteral("(") + GeneralText(Col.Marume) + QStringLiteral(")");
        break;
    case stRandStr:
        s = Col.StrType >= 0 && Col.StrType < StrTypeNames().size() ? StrTypeNames().at(Col.StrType) : QString();
        break;
    case stSeqDate:
        s = DateText(Col.DateFrom) + QStringLiteral("～");
        break;
    case stSeqTime:
        s = TimeText(Col.DateFrom) + QStringLiteral("～");
        break;
    case stSeqDtTm:
        s = DateText(Col.DateFrom) + u' ' + TimeText(Col.DateFrom) + QStringLiteral("～");
        break;
    case stRandDate:
        s = DateText(Col.DateFrom) + QStringLiteral("～") + DateText(Col.DateTo);
        break;
    case stRandTime:
        s = TimeText(Col.DateFrom) + QStringLiteral("～") + TimeText(Col.DateTo);
        break;
    case stRandDtTm:
        s = DateText(Col.DateFrom) + u' ' + TimeText(Col.DateFrom) + QStringLiteral("～") + DateText(Col.DateTo) +
            u' ' + TimeText(Col.DateTo);
        break;
    case stIn: {
        s = TrimBlanks(Col.Variable.join(u','));
        while (s.endsWith(u','))
            s.chop(1);
        break;
    }
    case stVar:
        s = TrimBlanks(Col.Variable.join(u' '));
        if (s.endsWith(u','))
            s.chop(1);
        break;
    case stTemplate:
        s = Col.TemplateName1 + u' ' + Col.TemplateName2;
        break;
    case stLink:
        if (!Col.LinkOwner.isEmpty())
            s += Col.LinkOwner + u'.';
        if (!Col.LinkTable.isEmpty())
            s += Col.LinkTable + u'.';
        s += Col.LinkColumn;
        break;
    case stMaster:
        s = Col.LinkColumn;
        break;
    }
    if (Col.NullPar != 0)
        s += QStringLiteral(" NULL") + QString::number(Col.NullPar) + u'%';
    return s;
}

// ---------------------------------------------------------------------------
// Catalog

namespace {

const char *const kColumnSQL =
    "SELECT ColInf.attname, format_type(DatTyp.oid, null) AS typname,"
    " format_type(ColInf.atttypid, ColInf.atttypmod) AS typtext,"
    " CASE WHEN ColInf.attnotnull THEN '1' ELSE '' END AS attnotnull,"
    " pg_get_expr(ColDef.adbin, ColDef.adrelid) adsrc"
    " FROM pg_attribute ColInf"
    " JOIN pg_class TblInf ON TblInf.oid = ColInf.attrelid"
    " JOIN pg_namespace TblNsp ON TblNsp.oid = TblInf.relnamespace"
    " LEFT JOIN pg_type DatTyp ON DatTyp.oid = ColInf.atttypid"
    " LEFT JOIN pg_attrdef ColDef ON ColDef.adrelid = ColInf.attrelid AND ColDef.adnum = ColInf.attnum"
    " WHERE ColInf.attnum > 0 AND ColInf.attisdropped = false"
    " AND TblNsp.nspname = :SCHEMA AND TblInf.relname = :TBLNAME"
    " ORDER BY ColInf.attnum";

// The columns of a constraint's key, in key order.
const char *const kConstraintSQL =
    "SELECT C.conname, C.contype, PN.nspname AS refschema, PC.relname AS reftable,"
    " (SELECT string_agg(A.attname, E'\\n' ORDER BY K.ord) FROM unnest(C.conkey) WITH ORDINALITY K(num, ord)"
    "   JOIN pg_attribute A ON A.attrelid = C.conrelid AND A.attnum = K.num) AS cols,"
    " (SELECT string_agg(A.attname, E'\\n' ORDER BY K.ord) FROM unnest(C.confkey) WITH ORDINALITY K(num, ord)"
    "   JOIN pg_attribute A ON A.attrelid = C.confrelid AND A.attnum = K.num) AS refcols"
    " FROM pg_constraint C"
    " JOIN pg_class CL2 ON CL2.oid = C.conrelid"
    " JOIN pg_namespace N ON N.oid = CL2.relnamespace"
    " LEFT JOIN pg_class PC ON PC.oid = C.confrelid"
    " LEFT JOIN pg_namespace PN ON PN.oid = PC.relnamespace"
    " WHERE N.nspname = :SCHEMA AND CL2.relname = :TBLNAME AND C.contype IN ('p', 'u', 'f')"
    " ORDER BY C.conname";

QStringList Lines(const QString &s)
{
    return s.isEmpty() ? QStringList() : s.split(u'\n');
}

} // namespace

QStringList ReadColumnNames(tv::db::Connection &Conn, const QString &Schema, const QString &Table)
{
    tv::db::Query q(&Conn);
    q.SetSQL(QString::fromUtf8(kColumnSQL));
    q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Table);
    q.Open();
    QStringList names;
    for (; !q.Eof(); q.Next())
        names << q.Fields(0).AsString();
    return names;
}

void ReadTable(tv::db::Connection &Conn, TDataGenJob &Job)
{
    using namespace DataGenType;
    Job.Cols.clear();
    Job.Primary.clear();
    Job.Unique.clear();
    Job.Foreign1.clear();
    Job.Foreign2.clear();
    {
        tv::db::Query q(&Conn);
        q.SetSQL(QString::fromUtf8(kColumnSQL));
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Job.Schema);
        q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Job.Table);
        q.Open();
        for (; !q.Eof(); q.Next()) {
            TColParams c;
            c.ColumnName = q.Fields(0).AsString();
            c.DataType = q.Fields(1).AsString();
            c.TypeText = q.Fields(2).AsString();
            QString len, scale;
            ParseModifier(c.TypeText, len, scale);
            if (IsChar(c.DataType)) {
                c.Length = len.toInt();
                c.CharUsed = true;
            } else if (IsModifierType(c.DataType)) {
                c.Length = len.toInt();
                c.Scale = scale.toInt();
            } else {
                c.Length = len.toInt();
            }
            c.NotNull = q.Fields(3).AsString() == u"1";
            c.Default = q.Fields(4).AsString();
            Job.Cols << c;
        }
    }
    tv::db::Query q(&Conn);
    q.SetSQL(QString::fromUtf8(kConstraintSQL));
    q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Job.Schema);
    q.ParamByName(QStringLiteral("TBLNAME")).setAsString(Job.Table);
    q.Open();
    struct Fk {
        QString schema, table;
        QStringList cols, refcols;
    };
    QList<Fk> fks;
    for (; !q.Eof(); q.Next()) {
        const QString type = q.FieldByName(QStringLiteral("contype")).AsString();
        const QStringList cols = Lines(q.FieldByName(QStringLiteral("cols")).AsString());
        if (type == u"p")
            Job.Primary = cols;
        else if (type == u"u")
            Job.Unique = cols;
        else
            fks << Fk{q.FieldByName(QStringLiteral("refschema")).AsString(),
                      q.FieldByName(QStringLiteral("reftable")).AsString(), cols,
                      Lines(q.FieldByName(QStringLiteral("refcols")).AsString())};
    }
    q.Close();
    if (Job.Mode == dgmMaster)
        return;
    for (const Fk &fk : fks) {
        Job.MastOwner = fk.schema;
        Job.MastTable = fk.table;
        if (fk.cols.size() == 1 && fk.refcols.size() == 1) {
            Job.Foreign1 = fk.cols;
            Job.Foreign2 = fk.refcols;
            Job.Mode = dgmMaster;
            Job.MastColumns = ReadColumnNames(Conn, Job.MastOwner, Job.MastTable);
            return;
        }
    }
}

void SetDefaultRules(TDataGenJob &Job, const QDateTime &Now)
{
    using namespace DataGenType;
    for (TColParams &c : Job.Cols) {
        c.ClearRule();
        const QString &t = c.DataType;
        if (!IsSupported(t))
            continue;
        if (Job.Mode == dgmMaster) {
            const int f = int(Job.Foreign1.indexOf(c.ColumnName));
            if (f >= 0 && f < Job.Foreign2.size()) {
                c.SetType = stMaster;
                c.LinkColumn = Job.Foreign2.at(f);
                continue;
            }
            if (Job.MastColumns.contains(c.ColumnName)) {
                c.SetType = stMaster;
                c.LinkColumn = c.ColumnName;
                continue;
            }
        }
        if (!TrimBlanks(c.Default).isEmpty()) {
            c.SetType = stVar;
            c.Variable = QStringList{c.Default};
            continue;
        }
        if (!Job.IsKey(c.ColumnName)) {
            if (c.NotNull) {
                if (IsNumeric(t))
                    c.SetType = stRandNum;
                else if (IsDate(t))
                    c.SetType = stRandDate;
                else if (IsTimestamp(t))
                    c.SetType = stRandDtTm;
                else if (IsTimeType(t))
                    c.SetType = stRandTime;
                else
                    c.SetType = stRandStr;
            } else if (IsChar(t)) {
                c.SetType = stRandStr;
            }
            continue;
        }
        if (IsDateTime(t)) {
            c.SetType = IsDate(t) ? stSeqDate : IsTimestamp(t) ? stSeqDtTm : stSeqTime;
            c.DateFrom = Now;
        } else {
            c.SetType = stSeqNum;
            c.NumFrom = 1;
            c.Marume = 1;
            c.StrFull = !IsNumeric(t);
        }
    }
}

void NormaliseRule(const TDataGenJob &Job, TColParams &Col, const QDate &Today)
{
    if (!OfferedKinds(Job, Col).contains(Col.SetType)) {
        Col.ClearRule();
        return;
    }
    if (!NullRatioAllowed(Job, Col))
        Col.NullPar = 0;
    Col.NullPar = std::clamp(Col.NullPar, 0, 100);
    switch (Col.SetType) {
    case stSeqDate:
    case stRandDate:
        Col.DateFrom = DayOf(Col.DateFrom, Today);
        Col.DateTo = DayOf(Col.DateTo, Today);
        break;
    case stSeqTime:
    case stSeqDtTm:
    case stRandTime:
    case stRandDtTm:
        Col.DateFrom = Seconds(Col.DateFrom, Today, QTime(0, 0));
        Col.DateTo = Seconds(Col.DateTo, Today, QTime(23, 59, 59));
        break;
    case stRandStr:
        if (Col.StrType < 0 || Col.StrType >= StrTypeNames().size())
            Col.StrType = 0;
        if (Col.DataType == u"text" && Col.StrDigit.trimmed().isEmpty())
            Col.StrDigit = QStringLiteral("100");
        if (Col.StrFull)
            Col.StrDigit.clear();
        break;
    case stSeqNum:
        Col.NumTo = 0;
        if (DataGenType::IsNumeric(Col.DataType))
            Col.StrFull = false;
        break;
    default:
        break;
    }
    if (!(Col.SetType == stSeqNum || Col.SetType == stRandNum) || !DataGenType::IsChar(Col.DataType))
        Col.FlgPrefix = false;
    if (!Col.FlgPrefix)
        Col.StrPrefix.clear();
}

void NormaliseRules(TDataGenJob &Job, const QDate &Today)
{
    for (TColParams &c : Job.Cols)
        NormaliseRule(Job, c, Today);
}
