#include "common/CodeAssist.h"

#include "common/CatalogSQL.h"
#include "common/IMainWindow.h"
#include "common/ISourceWindow.h"
#include "common/ObjectLookupSQL.h"
#include "common/Quote.h"
#include "common/SQLParser.h"
#include "common/ScriptClean.h"
#include "common/WhereHistory.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvCodeAssist.h"
#include "editor/tvMemo.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"

#include <QPixmap>
#include <QTreeWidget>

#include <optional>

namespace {

// Popup images (indexes into the main window's image list).
constexpr int ImgKeyword = 10;
constexpr int ImgKey = 46;
constexpr int ImgArgIn = 80;
constexpr int ImgArgOut = 81;
constexpr int ImgArgInOut = 82;

// Lookup kinds of the catalog queries.
constexpr int LkSchema = 2;
constexpr int LkObjects = 16;
constexpr int LkColumns = 17;
constexpr int LkPrimaryKey = 18;

// The main window's images as pixmaps for the popup rows, or null without a
// main window. One list serves every popup; it is refreshed per request.
const QList<QPixmap> *MainImages()
{
    static QList<QPixmap> images;
    IMainWindow *main = MainWindow();
    if (!main)
        return nullptr;
    images.clear();
    for (int i = 0; i <= 130; ++i)
        images.append(main->MainImage(i).pixmap(16, 16));
    return &images;
}

int ObjectImage(const QString &TypeWord)
{
    static const QList<QPair<QString, int>> images{
        {QStringLiteral("TABLE"), 45},     {QStringLiteral("VIEW"), 47},
        {QStringLiteral("INDEX"), 46},     {QStringLiteral("FUNCTION"), 52},
        {QStringLiteral("TYPE"), 55},      {QStringLiteral("TRIGGER"), 57},
        {QStringLiteral("SEQUENCE"), 58},  {QStringLiteral("CONSTRAINT"), 66},
        {QStringLiteral("RULE"), 127},     {QStringLiteral("MATERIALIZED VIEW"), 61},
        {QStringLiteral("AGGREGATE"), 128}, {QStringLiteral("PROCEDURE"), 51},
        {QStringLiteral("PACKAGE"), 53},   {QStringLiteral("SYNONYM"), 60},
        {QStringLiteral("DBLINK"), 64},
    };
    for (const auto &p : images)
        if (p.first == TypeWord)
            return p.second;
    return -1;
}

int ArgumentImage(const QString &Mode)
{
    if (Mode == QLatin1String("i"))
        return ImgArgIn;
    if (Mode == QLatin1String("o"))
        return ImgArgOut;
    if (Mode == QLatin1String("b"))
        return ImgArgInOut;
    return -1;
}

// Sets the query to a lookup kind; the parameters by position (the first
// distinct marker is the schema, the second the name).
void SetLookup(tv::db::Query &Query, int Kind, bool IsEdb, int ServerVersion, const QStringList &Values)
{
    Query.Close();
    Query.SetSQL(BuildObjectLookupSQL(Kind, IsEdb, ServerVersion));
    tv::db::Params &params = Query.Params();
    for (int i = 0; i < Values.size() && i < params.count(); ++i)
        params[i].setAsString(Values[i]);
}

// Whether an existence test finds the name.
bool Exists(tv::db::Query &Query, int Kind, bool IsEdb, int ServerVersion, const QString &Schema,
            const QString &Name)
{
    if (BuildObjectLookupSQL(Kind, IsEdb, ServerVersion).isEmpty())
        return false;
    SetLookup(Query, Kind, IsEdb, ServerVersion, Kind == LkSchema ? QStringList{Name} : QStringList{Schema, Name});
    Query.Open();
    return !Query.IsEmpty();
}

// The kind of part Index, or -1 when nothing of that name exists. The first
// part may be replaced by the table an alias stands for.
int ResolvePart(TtvMemo *Memo, tv::db::Query &Query, QStringList &Parts, int Index, const QString &DefaultSchema,
                int ServerVersion, bool IsEdb)
{
    const QString schema = Index == 0 ? DefaultSchema : Parts[0];
    const QString name = Parts[Index];
    auto test = [&](int kind) { return Exists(Query, kind, IsEdb, ServerVersion, schema, name); };

    if (test(0) || test(1))
        return cpkTable;
    if (Index == 0) {
        QString table;
        if (FindAliasTable(Memo->Lines()->ToStringList(), name, table)) {
            Parts[0] = table;
            return cpkAlias;
        }
        if (test(LkSchema))
            return cpkSchema;
    }
    if (test(3))
        return cpkIndex;
    if (test(4))
        return cpkFunction;
    if (IsEdb) {
        if (test(12))
            return cpkProcedure;
        if (test(13))
            return cpkPackage;
    }
    if (test(5))
        return cpkType;
    if (test(6))
        return cpkTrigger;
    if (test(7))
        return cpkSequence;
    if (test(8))
        return cpkConstraint;
    if (test(9))
        return cpkRule;
    if (ServerVersion >= 90300 && test(10))
        return cpkTable;
    if (ServerVersion >= 90400 && test(11))
        return cpkAggregate;
    if (IsEdb) {
        if (test(14))
            return cpkSynonym;
        if (test(15))
            return cpkDBLink;
    }
    return -1;
}

// The caret's row as a request found it, to tell what was typed at the
// caret while the request's lookups ran.
class TTypedSince {
public:
    explicit TTypedSince(const TtvMemo *Memo)
        : FMemo(Memo), FRow(Memo->Row()), FText(Memo->RowString(FRow)), FCaret(Memo->CaretCharIndex())
    {
    }
    // True when the row is as it was but for name characters typed at the
    // caret (in More); false when anything else changed.
    bool Continued(QString &More) const
    {
        More.clear();
        if (FMemo->Row() != FRow)
            return false;
        const QString text = FMemo->RowString(FRow);
        const int caret = FMemo->CaretCharIndex();
        const int added = caret - FCaret;
        if (added < 0 || text.size() - FText.size() != added || QStringView(text).left(FCaret) != QStringView(FText).left(FCaret) ||
            QStringView(text).mid(caret) != QStringView(FText).mid(FCaret))
            return false;
        More = text.mid(FCaret, added);
        for (QChar c : std::as_const(More))
            if (!c.isLetterOrNumber() && c != u'_' && c != u'$')
                return false;
        return true;
    }

private:
    const TtvMemo *FMemo;
    int FRow;
    QString FText;
    int FCaret;
};

// The popup of one request, created on first need.
class PopupBuilder {
public:
    PopupBuilder(TtvMemo *Memo, QWidget *Form, bool Columns, int X, int Y)
        : FMemo(Memo), FForm(Form), FColumns(Columns), FX(X), FY(Y)
    {
    }

    TtvCodeAssist *Popup() const { return FMemo->CodeAssist; }

    TtvCodeAssist *Get()
    {
        if (FMemo->CodeAssist)
            return FMemo->CodeAssist;
        auto *ca = new TtvCodeAssist(FMemo, FForm, FX, FY);
        FMemo->CodeAssist = ca;
        ca->SetSmallImages(MainImages());
        const QList<int> &widths = FMemo->CASize.ColumnWidth;
        ca->AddColumn(FColumns ? QStringLiteral("列名") : QStringLiteral("オブジェクト名"), widths.value(0, 125));
        ca->AddColumn(FColumns ? QStringLiteral("データ型") : QStringLiteral("タイプ"), widths.value(1, 90));
        return ca;
    }

    void Add(const QString &Caption, const QString &SubItem, int Image)
    {
        TtvCodeAssist *ca = Get();
        ca->CaptionList.append(Caption);
        ca->SubItemList.append(SubItem);
        ca->ImageList.append(Image);
    }

private:
    TtvMemo *FMemo;
    QWidget *FForm;
    bool FColumns;
    int FX, FY;
};

// The routine arguments, the objects of the schema and the reserved words.
void FillObjects(TtvMemo *Memo, PopupBuilder &Popup, tv::db::Query &Query, const TCodeAssistDecision &D,
                 int ServerVersion, bool IsEdb)
{
    if (D.WithKeywords) {
        const auto *source = dynamic_cast<const ISourceWindow *>(Memo->OwnerWindow());
        if (source && !source->IsNew() &&
            (source->ObjType() == 51 || source->ObjType() == 52 || source->ObjType() == 54)) {
            Query.Close();
            FncArgArray args;
            if (LoadFunctionArguments(source->L_intOID(), Query, args, ServerVersion)) {
                Popup.Get();
                for (const TFuncArgument &a : args)
                    Popup.Add(a.strArgName, a.strTypeNaCon, ArgumentImage(a.strMode));
            }
        }
    }

    SetLookup(Query, LkObjects, IsEdb, ServerVersion, {D.Schema});
    Query.Open();
    for (Query.First(); !Query.Eof(); Query.Next()) {
        const QString type = Query.Fields(1).AsString();
        Popup.Add(Query.Fields(0).AsString(), type, ObjectImage(type));
    }

    if (D.WithKeywords) {
        Popup.Get();
        for (const QString &word : Memo->ReserveWordList().ToStringList())
            Popup.Add(word, QStringLiteral("KEYWORD"), ImgKeyword);
    }
}

// The columns of the table with its primary-key columns marked. False when
// the table has no column to list.
bool FillColumns(PopupBuilder &Popup, tv::db::Query &Query, const TCodeAssistDecision &D, int ServerVersion,
                 bool IsEdb)
{
    SetLookup(Query, LkColumns, IsEdb, ServerVersion, {D.Schema, D.Object});
    Query.Open();
    if (Query.IsEmpty())
        return false;
    Popup.Get();

    QStringList keys;
    {
        // a second query on the same connection: the column rows stay open
        tv::db::Query key(Query.GetConnection());
        SetLookup(key, LkPrimaryKey, IsEdb, ServerVersion, {D.Schema, D.Object});
        key.Open();
        for (key.First(); !key.Eof(); key.Next())
            keys.append(key.Fields(0).AsString());
        key.Close();
    }

    Popup.Add(QStringLiteral("*"), QString(), -1);
    for (Query.First(); !Query.Eof(); Query.Next()) {
        const QString name = Query.Fields(0).AsString();
        QString type = Query.Fields(1).AsString();
        const QString size =
            ColumnSizeText(type, Query.Fields(2).Value(), Query.Fields(3).Value(), Query.Fields(4).Value());
        if (!size.isEmpty())
            type += u'(' + size + u')';
        Popup.Add(name, type, keys.contains(name, Qt::CaseInsensitive) ? ImgKey : -1);
    }
    return true;
}

} // namespace

TCodeAssistToken SplitCodeAssistToken(const QString &Token)
{
    TCodeAssistToken r;
    QString t = Token;
    r.HasPrefix = !t.endsWith(u'.');
    if (!r.HasPrefix)
        t.chop(1);
    if (!t.isEmpty() && t.count(u'.') == t.size())
        return r;
    while (t.contains(u'.') && r.Parts.size() < 3) {
        const int dot = int(t.indexOf(u'.'));
        r.Parts.append(t.left(dot));
        t = t.mid(dot + 1);
    }
    if (r.Parts.size() == 3 && t.contains(u'.')) {
        r.Parts.clear();
        return r;
    }
    r.Parts.append(t);
    r.Valid = true;
    return r;
}

TCodeAssistDecision DecideCodeAssist(const QStringList &Parts, const QList<int> &Kinds,
                                     const QString &DefaultSchema)
{
    TCodeAssistDecision d;
    if (Parts.isEmpty() || Kinds.size() != Parts.size())
        return d;
    // schema and object of the table an alias stands for
    auto fromTable = [&](const QString &name) {
        const int dot = int(name.indexOf(u'.'));
        if (dot < 0) {
            d.Schema = DefaultSchema;
            d.Object = NormalizeIdentifier(name);
        } else {
            d.Schema = NormalizeIdentifier(name.left(dot));
            d.Object = NormalizeIdentifier(name.mid(dot + 1));
        }
    };
    auto objects = [&](const QString &schema, const QString &prefix, bool keywords) {
        d.Show = true;
        d.ListColumns = false;
        d.Schema = schema;
        d.Prefix = prefix;
        d.WithKeywords = keywords;
    };
    auto columns = [&](const QString &schema, const QString &object, const QString &prefix) {
        d.Show = true;
        d.ListColumns = true;
        d.Schema = schema;
        d.Object = object;
        d.Prefix = prefix;
    };

    switch (Parts.size()) {
    case 1:
        switch (Kinds[0]) {
        case cpkSchema:
            objects(Parts[0], QString(), false);
            break;
        case cpkPrefix:
            objects(DefaultSchema, Parts[0], true);
            break;
        case cpkTable:
            columns(DefaultSchema, Parts[0], QString());
            break;
        case cpkAlias:
            columns(QString(), QString(), QString());
            fromTable(Parts[0]);
            break;
        default:
            break;
        }
        break;
    case 2:
        if (Kinds[1] == cpkPrefix && Kinds[0] == cpkSchema) {
            objects(Parts[0], Parts[1], false);
        } else if (Kinds[0] == cpkSchema && Kinds[1] == cpkTable) {
            columns(Parts[0], Parts[1], QString());
        } else if (Kinds[0] == cpkTable && Kinds[1] == cpkPrefix) {
            columns(DefaultSchema, Parts[0], Parts[1]);
        } else if (Kinds[0] == cpkAlias && Kinds[1] == cpkPrefix) {
            columns(QString(), QString(), Parts[1]);
            fromTable(Parts[0]);
        }
        break;
    case 3:
        if (Kinds[0] == cpkSchema && Kinds[1] == cpkTable && Kinds[2] == cpkPrefix)
            columns(Parts[0], Parts[1], Parts[2]);
        break;
    default:
        break;
    }
    return d;
}

bool FindAliasTable(const QStringList &Lines, const QString &Alias, QString &TableName)
{
    QStringList lines = Lines;
    CleanScriptLines(lines, false);
    TtvParseList columns, tables, orderBy;
    QStringList where, groupBy, having;
    QString viewName;
    try {
        ParseSQLStatement(lines.join(QStringLiteral("\r\n")), columns, tables, orderBy, where, groupBy, having,
                          QString(), viewName);
    } catch (const std::exception &) {
        // what the parse found up to the failure is used
    }
    for (int i = 0; i < tables.Count(); ++i) {
        if (tables.Alias(i).compare(Alias, Qt::CaseInsensitive) == 0) {
            TableName = tables.ObjectName(i);
            return true;
        }
    }
    return false;
}

void ShowCodeAssist(TtvMemo *Memo, QWidget *Form, tv::db::Query &Query, const QString &DefaultSchema,
                    int ServerVersion, bool IsEdb, bool DBAMode, int X, int Y)
{
    Q_UNUSED(DBAMode);
    if (!Memo || !tvOption.CodeAssist || Memo->CodeAssist)
        return;
    const TTypedSince typed(Memo);
    TCodeAssistToken token = SplitCodeAssistToken(Memo->GetCodeAssistToken());
    // four parts name nothing that has a list
    if (!token.Valid || token.Parts.size() > 3)
        return;

    try {
        // Inside a transaction block every lookup runs under a savepoint: a
        // failing one must not abort the user's transaction.
        std::optional<tv::db::StatementSavepoint> savepoint;
        if (tv::db::Connection *conn = Query.GetConnection())
            savepoint.emplace(*conn);

        Query.SetParamParsing(true);
        QList<int> kinds;
        for (int i = 0; i < token.Parts.size(); ++i) {
            if (i == token.Parts.size() - 1 && token.HasPrefix) {
                kinds.append(cpkPrefix);
                break;
            }
            const int kind = ResolvePart(Memo, Query, token.Parts, i, DefaultSchema, ServerVersion, IsEdb);
            if (kind < 0)
                return;
            kinds.append(kind);
        }

        const TCodeAssistDecision d = DecideCodeAssist(token.Parts, kinds, DefaultSchema);
        if (!d.Show)
            return;

        PopupBuilder popup(Memo, Form, d.ListColumns, X, Y);
        if (d.ListColumns) {
            if (!FillColumns(popup, Query, d, ServerVersion, IsEdb))
                return;
        } else {
            FillObjects(Memo, popup, Query, d, ServerVersion, IsEdb);
        }
        if (savepoint)
            savepoint->release();

        TtvCodeAssist *ca = popup.Popup();
        if (!ca)
            return;
        // The buffer holds the prefix as typed, so that an accepted name
        // replaces exactly the typed characters (filtering ignores case).
        // Text that reached the editor while the lookups ran (an input
        // method's commit is not held back) continues the prefix; anything
        // else there means the request is out of date.
        QString more;
        if (!typed.Continued(more)) {
            Memo->CloseCodeAssist();
            return;
        }
        ca->SetBuffer((token.HasPrefix ? d.Prefix : QString()) + more);
        ca->ShowItems();

        QTreeWidget *list = ca->ListView();
        if (list->topLevelItemCount() == 1) {
            // a single candidate goes in at once; the popup never shows
            list->setCurrentItem(list->topLevelItem(0));
            ca->Accept();
            return;
        }
        ca->show();
        ca->raise();
        if (list->topLevelItemCount() > 0) {
            list->setCurrentItem(list->topLevelItem(0));
            list->topLevelItem(0)->setSelected(true);
        }
    } catch (...) {
        // the popup goes before the caller shows the failure
        Memo->CloseCodeAssist();
        throw;
    }
}
