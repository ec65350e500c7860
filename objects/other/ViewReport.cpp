#include "objects/other/ViewReport.h"

#include "common/IConnectionWindow.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvForm.h"
#include "common/tvOption.h"
#include "objects/other/ViewDefinition.h"
#include "objects/table/CrossReference.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/settings/Folders.h"
#include "sql/RepData.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

void AddCross(const TCrossNode &Node, int Level, QStringList &Lines)
{
    for (const TCrossNode &c : Node.Children) {
        Lines << QString((Level * 2 - 2), QChar(0x3000)) + c.Text;
        AddCross(c, Level + 1, Lines);
    }
}

} // namespace

TReportDefinition ObjectReport::Read(const QString &ReportName)
{
    const auto &read = ReportServices().Read;
    if (!read)
        throw tv::Error(QStringLiteral("指定されたファイルの形式を認識できません。"));
    TReportDefinition def = read(tv::settings::DataDir() + QStringLiteral("xlsdef/") + ReportName +
                                 QStringLiteral(".def"));
    // A block of no rows, or one that starts nowhere, cannot be placed.
    if (def.BodyTop < 1 || def.BodyCount < 1)
        throw tv::Error(QStringLiteral("帳票定義の BODYTOP または BODYCOUNT が正しくありません。"));
    return def;
}

bool ObjectReport::Uses(const TReportDefinition &Def, int Item)
{
    for (const QList<TReportLine> *part : {&Def.Header, &Def.Body, &Def.Body2})
        for (const TReportLine &l : *part)
            if (FindRepData(l.Name, 1) == Item)
                return true;
    return false;
}

QString ObjectReport::CrossText(const TCrossNode &Root)
{
    QStringList lines;
    AddCross(Root, 1, lines);
    return lines.join(u'\n');
}

void ObjectReport::CrossTexts(IConnectionWindow *Owner, int Code, const QString &Schema, const QString &Name,
                              QString &Uses, QString &UsedBy)
{
    TCrossReader reader(Owner->dbsMain(), Owner->DBVer(), false);
    reader.CrossLevel = tvOption.CrossLevel;
    TCrossNode uses, usedBy;
    reader.Fill(Code, Schema, Name, QString(), QString(), uses, usedBy);
    Uses = CrossText(uses);
    UsedBy = CrossText(usedBy);
}

void ObjectReport::Write(const TReportDefinition &Def, const TReportData &Data, bool WithBody2,
                         tv::excel::Sheet &Sheet)
{
    int maxCol = 1, recRows = 1;
    for (const TReportLine &l : Def.Header)
        maxCol = std::max(maxCol, l.Col);
    const QList<TReportLine> body2 = WithBody2 ? Def.Body2 : QList<TReportLine>();
    for (const QList<TReportLine> *part : {&Def.Body, &body2})
        for (const TReportLine &l : *part) {
            maxCol = std::max(maxCol, l.Col);
            recRows = std::max(recRows, l.Row);
        }
    const int colCount = Def.Body.isEmpty() ? 0 : int(Data.Records.size());
    int entryCount = 0;
    if (!body2.isEmpty())
        for (const auto &g : Data.Groups)
            if (!g.isEmpty())
                entryCount += int(g.size()) + 1;

    for (const TReportLine &l : Def.Header) {
        if (l.Row < 1 || l.Col < 1)
            continue;
        const int item = FindRepData(l.Name, 1);
        if (Data.Header.contains(item))
            Sheet.SetText(l.Row, l.Col, Data.Header.value(item));
    }
    const int rows = (colCount + entryCount) * recRows;
    if (rows == 0)
        return;
    std::vector<tv::excel::Row> block(size_t(rows), tv::excel::Row(static_cast<size_t>(maxCol)));
    auto put = [&](int row, int col, const tv::excel::Cell &v) {
        if (row >= 0 && row < rows && col >= 0 && col < maxCol)
            block[size_t(row)][size_t(col)] = v;
    };
    for (const TReportLine &l : Def.Body) {
        const int item = FindRepData(l.Name, 1);
        for (int k = 0; k < colCount; ++k)
            put(k * recRows + l.Row - 1, l.Col - 1, Data.Records[k].value(item));
    }
    for (const TReportLine &l : body2) {
        const int item = FindRepData(l.Name, 1);
        int rec = colCount;
        for (const auto &g : Data.Groups) {
            if (g.isEmpty())
                continue;
            ++rec; // the empty record before each group
            for (const TReportData::Record &r : g) {
                put(rec * recRows + l.Row - 1, l.Col - 1, r.value(item));
                ++rec;
            }
        }
    }
    Sheet.WriteBlock(Def.BodyTop, 1, block);
}

QString ObjectReport::FileFor(const QString &Folder, const QString &ObjectName)
{
    QString folder = Folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const QString ext = tvOption.ExcelExt.isEmpty() ? QStringLiteral(".xlsx") : tvOption.ExcelExt.toLower();
    return MakeUniqueFileName(folder + SanitizeFileName(ObjectName) + ext);
}

void ObjectReport::WriteFile(const TReportDefinition &Def, const TReportData &Data, bool WithBody2,
                             const QString &FileName)
{
    QDir().mkpath(QFileInfo(FileName).absolutePath());
    tv::excel::Workbook book(FileName);
    tv::excel::Sheet &sheet = book.AddSheet(QString());
    Write(Def, Data, WithBody2, sheet);
    book.Save();
}

TReportData ObjectReport::ViewData(IConnectionWindow *Owner, const TReportDefinition &Def, const QString &Schema,
                                   const QString &Name, bool Materialized)
{
    tv::db::Connection &conn = Owner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TViewDefinition> def = LoadViewDefinition(q, Schema, Name, Materialized, Owner->DBVer());
    if (!def)
        throw tv::Error(QStringLiteral("定義情報を読み込めませんでした。"));
    TReportData data;
    data.Header.insert(rtSchema, Schema);
    data.Header.insert(rtComment, def->Comment);
    data.Header.insert(rtViewName, Name);
    if (Uses(Def, rtDDL)) {
        QStringList lines;
        const QString prefix = TtvForm::SchemaPrefix(smText, Schema, conn.Params().MetaDefSchema);
        if (Materialized)
            ViewDDL::CreateMView(*def, prefix, ScriptOption.ViewCol, {}, lines);
        else
            ViewDDL::CreateView(*def, prefix, ScriptOption.ViewCol, lines);
        data.Header.insert(rtDDL, lines.join(QStringLiteral("\r\n")));
    }
    if (Uses(Def, rtCross) || Uses(Def, rtCoverCross)) {
        QString uses, usedBy;
        CrossTexts(Owner, Materialized ? 61 : 47, Schema, Name, uses, usedBy);
        data.Header.insert(rtCross, uses);
        data.Header.insert(rtCoverCross, usedBy);
    }
    int seq = 0;
    for (const TViewColumn &c : def->Columns) {
        TReportData::Record r;
        r.insert(rtSeq, tv::excel::Cell::ofNumber(++seq));
        r.insert(rtComment, tv::excel::Cell::ofText(c.Comment));
        r.insert(rtColumnName, tv::excel::Cell::ofText(c.Name));
        r.insert(rtDataType, tv::excel::Cell::ofText(c.Type));
        const qsizetype comma = c.Length.indexOf(u',');
        r.insert(rtDataLength, tv::excel::Cell::ofText(comma < 0 ? c.Length : c.Length.left(comma)));
        r.insert(rtDataScale, tv::excel::Cell::ofText(comma < 0 ? QString() : c.Length.mid(comma + 1)));
        data.Records.append(r);
    }
    return data;
}

void ObjectReport::ViewFile(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                            const QString &Name, const QString &Folder, bool Materialized)
{
    const TReportDefinition def = Read(ReportName);
    const TReportData data = ViewData(Owner, def, Schema, Name, Materialized);
    WriteFile(def, data, false, FileFor(Folder, Name));
    throw tv::SilentAbort();
}

void ObjectReport::ViewSheet(IConnectionWindow *Owner, const QString &ReportName, const QString &Schema,
                             const QString &Name, tv::excel::Sheet &Sheet)
{
    const TReportDefinition def = Read(ReportName);
    Write(def, ViewData(Owner, def, Schema, Name, false), false, Sheet);
    throw tv::SilentAbort();
}
