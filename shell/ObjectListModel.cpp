#include "shell/ObjectListModel.h"

#include "common/ObjectType.h"
#include "common/Quote.h"

#include <cmath>

namespace {

// "caption/value/width[/R|C]" separated by ";".
QList<TObjectListColumn> Parse(const char *spec, const QString &readPrefix = QString())
{
    QList<TObjectListColumn> cols;
    const QStringList parts = QString::fromUtf8(spec).split(QLatin1Char(';'));
    for (const QString &p : parts) {
        const QStringList f = p.split(QLatin1Char('/'));
        TObjectListColumn c;
        c.Caption = f.value(0);
        c.ValueName = f.value(1);
        c.Width = f.value(2).toInt();
        const QString a = f.value(3);
        c.Alignment = a == QLatin1String("R") ? Qt::AlignRight : a == QLatin1String("C") ? Qt::AlignHCenter : Qt::AlignLeft;
        cols << c;
    }
    if (!readPrefix.isEmpty())
        for (int i = 0; i < cols.size(); ++i)
            cols[i].ValueName = readPrefix + QString::number(i);
    return cols;
}

const char *const Head = "オブジェクト名/%1/200;スキーマ/%2/100;タイプ/%3/140;OID/%4/100/R";

QList<TObjectListColumn> Detailed(const QString &prefix, const char *rest)
{
    // The first four columns are the same for every kind.
    const QString spec = QString::fromUtf8(Head)
                             .arg(prefix + QLatin1Char('0'), prefix + QLatin1Char('1'), prefix + QLatin1Char('2'),
                                  prefix + QLatin1Char('3')) +
                         QLatin1Char(';') + QString::fromUtf8(rest).replace(QLatin1String("@"), prefix);
    return Parse(spec.toUtf8().constData());
}

const QString Pct = QStringLiteral("%");

bool IsRoutine(const QString &kind)
{
    return kind == QLatin1String("FUNCTION") || kind == QLatin1String("AGGREGATE") ||
           kind == QLatin1String("PROCEDURE");
}

} // namespace

QList<TObjectListColumn> ObjectListColumns(const QString &TypeText, bool TreeData)
{
    if (TypeText == Pct) {
        if (TreeData)
            return Parse("オブジェクト名/SOURCE0/200;スキーマ/SOURCE1/100;タイプ/SOURCE2/140;OID/SOURCE6/100;"
                         "テーブル名/SOURCE3/140;引数/SOURCE3/140;戻り値/SOURCE4/140;作成者/SOURCE7/100;コメント/SOURCE5/200");
        return Parse("オブジェクト名/SOURCE0/200;スキーマ/SOURCE1/100;タイプ/SOURCE2/140;"
                     "テーブル名/SOURCE3/140;引数/SOURCE3/140;戻り値/SOURCE4/140;作成者/SOURCE7/100;コメント/SOURCE5/200");
    }
    if (!TreeData) {
        const char *common = "オブジェクト名/SOURCE0/200;スキーマ/SOURCE1/100;タイプ/SOURCE2/140;";
        QString tail;
        if (TypeText == QLatin1String("SYNONYM"))
            tail = QStringLiteral("参照名/SOURCE2/140;");
        else if (TypeText == QLatin1String("CONSTRAINT"))
            tail = QStringLiteral("タイプ/SOURCE2/140;テーブル名/SOURCE3/200;");
        else if (TypeText == QLatin1String("TRIGGER") || TypeText == QLatin1String("RULE"))
            tail = QStringLiteral("テーブル名/SOURCE3/200;");
        else if (IsRoutine(TypeText))
            tail = QStringLiteral("引数/SOURCE3/140;戻り値/SOURCE4/140;");
        return Parse((QString::fromUtf8(common) + tail + QStringLiteral("作成者/SOURCE7/100;コメント/SOURCE5/200"))
                         .toUtf8()
                         .constData());
    }
    if (TypeText == QLatin1String("TABLE"))
        return Detailed(TypeText, "テーブルスペース/@4/140;サイズ(KB)/@5/140/R;インデックス/@6/100/C;トリガー/@7/80/C;"
                                  "ルール/@8/80/C;継承/@9/80/C;作成者/@10/100;コメント/@11/200");
    if (TypeText == QLatin1String("INDEX"))
        return Detailed(TypeText, "テーブルスペース/@4/140;サイズ(KB)/@5/120/R;テーブル名/@6/140;テーブルスキーマ/@7/140;"
                                  "作成者/@8/100;コメント/@9/200");
    if (TypeText == QLatin1String("VIEW") || TypeText == QLatin1String("MATERIALIZED VIEW"))
        return Detailed(QStringLiteral("VIEW"), "作成者/@4/100;コメント/@5/200");
    if (IsRoutine(TypeText))
        return Detailed(TypeText == QLatin1String("PROCEDURE") ? TypeText : QStringLiteral("FUNCTION"),
                        "引数/@4/100;戻り値/@5/100;作成者/@6/100;コメント/@7/200");
    if (TypeText == QLatin1String("TYPE"))
        return Detailed(TypeText, "タイプ種別/@4/100;作成者/@5/100;コメント/@6/200");
    if (TypeText == QLatin1String("TRIGGER"))
        return Detailed(TypeText, "テーブル名/@4/140;テーブルスキーマ/@5/140;タイミング/@6/100;イベント/@7/100;"
                                  "ﾌｧﾝｸｼｮﾝｽｷｰﾏ/@8/140;使用ファンクション/@9/140;作成者/@10/100;コメント/@11/200");
    if (TypeText == QLatin1String("RULE"))
        return Detailed(TypeText, "テーブル名/@4/140;テーブルスキーマ/@5/140;イベント/@6/100;動作種別/@7/100;制御/@8/100;"
                                  "作成者/@9/100;コメント/@10/140");
    if (TypeText == QLatin1String("SEQUENCE"))
        return Detailed(TypeText, "現在値/@4/100/R;最小値/@5/100/R;最大値/@6/100/R;増分/@7/100/R;サイクル/@8/100/R;"
                                  "キャッシュ/@9/100/R;作成者/@10/100;コメント/@11/200");
    if (TypeText == QLatin1String("CONSTRAINT"))
        return Detailed(TypeText, "制約種別/@4/100;テーブル名/@5/140;テーブルスキーマ/@6/140;作成者/@7/100;コメント/@8/200");
    if (TypeText == QLatin1String("PACKAGE"))
        return Detailed(TypeText, "作成者/@4/100;コメント/@5/200");
    if (TypeText == QLatin1String("SYNONYM"))
        return Detailed(TypeText, "参照名/@4/100;参照スキーマ/@5/200;参照DBリンク/@6/100;作成者/@7/100;コメント/@8/200");
    return {};
}

int ObjectListArgumentsSubItem(const QString &TypeText, bool TreeData)
{
    return 2 + (TreeData ? 1 : 0) + (TypeText == Pct ? 1 : 0);
}

QString ObjectListViewType(const QString &TypeText, bool TreeData)
{
    return TreeData && TypeText != Pct ? TypeText : QStringLiteral("SOURCE");
}

TObjectNodeScope ObjectNodeScope(int Level, bool KindFirst, const QString &NodeText, const QString &ParentText,
                                 int Disp, const QString &LoginSchema, bool ShowLevel0, bool ShowLevel1)
{
    TObjectNodeScope s;
    const QString login = Disp == 1 ? LoginSchema : Pct;
    switch (Level) {
    case 0:
        s.List = ShowLevel0;
        s.TypeText = Pct;
        s.SchemaText = login;
        break;
    case 1:
        s.List = ShowLevel1;
        s.TypeText = KindFirst ? NodeText : Pct;
        s.SchemaText = KindFirst ? login : NodeText;
        break;
    case 2:
        s.List = true;
        s.TypeText = KindFirst ? ParentText : NodeText;
        s.SchemaText = KindFirst ? NodeText : ParentText;
        break;
    default:
        break;
    }
    return s;
}

QString ObjectListSchemaCondition(const QString &SchemaText, int Disp, const QStringList &Configured)
{
    if (SchemaText == Pct && Disp == 2 && !Configured.isEmpty()) {
        QStringList q;
        for (const QString &s : Configured)
            q << QuoteLiteral(s);
        return QStringLiteral("IN (") + q.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    QString s = SchemaText;
    if (s == QLatin1String("pg_temp") || s == QLatin1String("pg_toast_temp"))
        s += Pct;
    return QStringLiteral("LIKE ") + QuoteLiteral(s);
}

QString ObjectListNamePattern(bool Find, bool FindAuto, const QString &FindText, bool IsGrep)
{
    if (!Find || IsGrep || FindText.isEmpty())
        return Pct;
    const QString t = FindText.trimmed();
    if (FindAuto && !t.contains(Pct))
        return Pct + t + Pct;
    return t;
}

QStringList PushFindHistory(QStringList Items, const QString &Text)
{
    const qsizetype i = Items.indexOf(Text);
    if (i >= 0)
        Items.removeAt(i);
    Items.prepend(Text);
    return Items;
}

QString FormatSizeKB(qint64 Bytes)
{
    const qint64 kb = std::llround(double(Bytes) / 1024.0);
    QString digits = QString::number(kb < 0 ? -kb : kb);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    if (kb < 0)
        digits.prepend(QLatin1Char('-'));
    return digits.rightJustified(12, QLatin1Char(' '));
}

QString TriggerTiming(const QString &Definition)
{
    const QString d = Definition.toUpper();
    if (d.contains(QLatin1String("BEFORE")))
        return QStringLiteral("BEFORE");
    if (d.contains(QLatin1String("AFTER")))
        return QStringLiteral("AFTER");
    if (d.contains(QLatin1String("INSTEAD OF")))
        return QStringLiteral("INSTEAD");
    return QString();
}

QString TriggerEvents(const QString &Definition)
{
    const QString d = Definition.toUpper();
    QStringList e;
    for (const char *n : {"INSERT", "UPDATE", "DELETE", "TRUNCATE"})
        if (d.contains(QLatin1String(n)))
            e << QString::fromLatin1(n);
    return e.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------------------

TObjectListRowBuilder::TObjectListRowBuilder(const QString &TypeText, bool TreeData, const QString &LoginSchema,
                                             const TTypeMap *Types)
    : FTypeText(TypeText), FTreeData(TreeData), FRoutineList(IsRoutine(TypeText)), FMixed(TypeText == Pct),
      FLoginSchema(LoginSchema), FTypes(Types)
{
}

TTypeName TObjectListRowBuilder::Type(QStringView Oid) const
{
    bool ok = false;
    const qint64 oid = Oid.trimmed().toLongLong(&ok);
    if (ok && FTypes) {
        const auto it = FTypes->constFind(oid);
        if (it != FTypes->constEnd())
            return *it;
    }
    // A type the map does not know shows its oid.
    return {Oid.trimmed().toString(), QStringLiteral("pg_catalog")};
}

bool TObjectListRowBuilder::OwnSchema(const QString &Schema) const
{
    return Schema == QLatin1String("pg_catalog") || Schema == FLoginSchema;
}

namespace {
QList<QStringView> Lines(const QString &text)
{
    QList<QStringView> out;
    if (text.isEmpty())
        return out;
    for (QStringView l : QStringView(text).split(QLatin1Char('\n'))) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        out << l;
    }
    return out;
}
} // namespace

QString TObjectListRowBuilder::ArgumentTypes(const QString &Oids) const
{
    QStringList names;
    for (QStringView o : Lines(Oids)) {
        const TTypeName t = Type(o);
        names << (OwnSchema(t.Schema) ? t.Name : t.Schema + QLatin1Char('.') + t.Name);
    }
    return names.join(QLatin1Char(','));
}

QString TObjectListRowBuilder::DropArguments(const QString &Oids, const QString &Modes) const
{
    const QList<QStringView> oids = Lines(Oids);
    const QList<QStringView> modes = Lines(Modes);
    QStringList args;
    for (int i = 0; i < oids.size(); ++i) {
        const QStringView m = i < modes.size() ? modes[i].trimmed() : QStringView();
        // OUT arguments and the columns of RETURNS TABLE are no part of the
        // routine's signature.
        if (m == QLatin1String("o") || m == QLatin1String("t"))
            continue;
        const TTypeName t = Type(oids[i]);
        args << (OwnSchema(t.Schema) ? QuoteIdentifier(t.Name)
                                     : QuoteIdentifier(t.Schema) + QLatin1Char('.') + QuoteIdentifier(t.Name));
    }
    return args.join(QLatin1Char(','));
}

QStringList TObjectListRowBuilder::SubItems(const QStringList &Fields) const
{
    QStringList out;
    out.reserve(Fields.size());
    const QString kind = Fields.value(0);
    if (kind != FLastKind) {
        FLastKind = kind;
        FLastCode = ObjectTypeFromName(kind);
    }
    const int code = FLastCode;
    const bool routineRow = IsRoutine(kind);
    const bool sizeList = FTreeData && (FTypeText == QLatin1String("TABLE") || FTypeText == QLatin1String("INDEX"));
    int argPos = -1;
    if (routineRow) {
        if (FMixed)
            argPos = 6;
        else if (FRoutineList)
            argPos = FTreeData ? 5 : 4;
    }
    for (int i = 2; i < Fields.size(); ++i) {
        const QString &f = Fields[i];
        if (sizeList && i == 6) {
            bool ok = false;
            const qint64 bytes = f.toLongLong(&ok);
            out << FormatSizeKB(ok ? bytes : 0);
        } else if (i == argPos) {
            out << ArgumentTypes(f);
        } else if (routineRow && i == 14 && (FRoutineList || FMixed)) {
            out << DropArguments(argPos >= 0 ? Fields.value(argPos) : QString(), f);
        } else if (!FMixed && FTreeData && kind == QLatin1String("TRIGGER") && (i == 7 || i == 8)) {
            out << (i == 7 ? TriggerTiming(f) : TriggerEvents(f));
        } else if (!FMixed && FTreeData && kind == QLatin1String("SEQUENCE") && i >= 5 && i <= 10) {
            if (i == 5) {
                QStringList v = SequenceValues ? SequenceValues(Fields.value(2), Fields.value(1)) : QStringList();
                while (v.size() < 6)
                    v << QString();
                out << v.mid(0, 6);
            }
        } else if (FMixed && !FTreeData && (i == 4 || i == 10 || i == 13)) {
            if (i == 4)
                continue;
            if ((i == 10 && (code == 51 || code == 52 || code == 55 || code == 128)) ||
                (i == 13 && (code == 57 || code == 66 || code == 127)))
                out << QString();
            out << f;
        } else {
            out << f;
        }
    }
    return out;
}
