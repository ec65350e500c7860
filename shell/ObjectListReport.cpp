#include "shell/ObjectListReport.h"

#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/excel/Workbook.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {
// Report-item numbers the object list fills.
constexpr int rtObjectType = 4;
constexpr int rtSeq = 5;
constexpr int rtObjectName = 6;
constexpr int rtSchema = 7;
constexpr int rtMaker = 10;
constexpr int rtComment = 11;
} // namespace

QString ListReportSeparator()
{
    return QStringLiteral("0!\"#$%&0");
}

QList<TListReportObject> SortListReportObjects(const QList<TListReportObject> &objects)
{
    const QString sep = ListReportSeparator();
    struct Line {
        QString text;
        int index;
    };
    std::vector<Line> lines;
    lines.reserve(size_t(objects.size()));
    for (int i = 0; i < objects.size(); ++i) {
        const TListReportObject &o = objects.at(i);
        lines.push_back({o.Type + sep + o.Schema + sep + o.Name + sep + o.Owner + sep + o.Comment + sep, i});
    }
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        return QString::compare(a.text, b.text, Qt::CaseInsensitive) < 0;
    });
    QList<TListReportObject> out;
    out.reserve(objects.size());
    for (const Line &l : lines)
        out.append(objects.at(l.index));
    return out;
}

QString ListReportSheetName(const TListReportObject &object)
{
    return SanitizeFileName(object.Type + QLatin1Char('.') + object.Schema).left(31);
}

QList<TListReportGroup> ListReportSheets(const QList<TListReportObject> &sorted)
{
    QList<TListReportGroup> groups;
    QHash<QString, int> byName;
    for (const TListReportObject &o : sorted) {
        const QString name = ListReportSheetName(o);
        const QString key = name.toLower();
        auto it = byName.constFind(key);
        if (it == byName.cend()) {
            it = byName.insert(key, int(groups.size()));
            groups.append({name, {}});
        }
        groups[*it].Objects.append(o);
    }
    // The form sheet takes the first group; every further group's copy goes
    // before the form sheet, so the first group ends up last.
    if (groups.size() > 1)
        groups.append(groups.takeFirst());
    return groups;
}

void WriteListReport(const TReportDefinition &def, const QList<TListReportObject> &objects,
                     const std::function<int(const QString &)> &itemIndex, const QString &outputFile)
{
    struct Placed {
        int item;
        int row;
        int col;
    };
    auto placed = [&itemIndex](const QList<TReportLine> &lines) {
        std::vector<Placed> out;
        for (const TReportLine &l : lines)
            out.push_back({itemIndex ? itemIndex(l.Name) : -1, l.Row, l.Col});
        return out;
    };
    const std::vector<Placed> header = placed(def.Header), body = placed(def.Body);
    int L = 1, C = 1;
    for (const Placed &p : body)
        L = std::max(L, p.row);
    for (const auto *part : {&header, &body})
        for (const Placed &p : *part)
            C = std::max(C, p.col);

    QDir().mkpath(QFileInfo(outputFile).absolutePath());
    tv::excel::Workbook book(outputFile);
    std::exception_ptr failure;
    try {
        for (const TListReportGroup &g : ListReportSheets(SortListReportObjects(objects))) {
            tv::excel::Sheet &sheet = book.AddSheet(g.SheetName);
            std::vector<tv::excel::Row> block(size_t(g.Objects.size()) * size_t(L), tv::excel::Row(size_t(C)));
            for (int n = 0; n < g.Objects.size(); ++n) {
                const TListReportObject &o = g.Objects.at(n);
                for (const Placed &p : body) {
                    if (p.row < 1 || p.col < 1)
                        continue;
                    tv::excel::Cell cell;
                    switch (p.item) {
                    case rtSeq: cell = tv::excel::Cell::ofNumber(n + 1); break;
                    case rtObjectName: cell = tv::excel::Cell::ofText(o.Name); break;
                    case rtSchema: cell = tv::excel::Cell::ofText(o.Schema); break;
                    case rtMaker: cell = tv::excel::Cell::ofText(o.Owner); break;
                    case rtComment: cell = tv::excel::Cell::ofText(o.Comment); break;
                    default: continue;
                    }
                    block[size_t(n) * size_t(L) + size_t(p.row - 1)][size_t(p.col - 1)] = cell;
                }
            }
            if (!block.empty() && def.BodyTop >= 1)
                sheet.WriteBlock(def.BodyTop, 1, block);
            const TListReportObject &first = g.Objects.first();
            for (const Placed &p : header) {
                if (p.row < 1 || p.col < 1)
                    continue;
                if (p.item == rtObjectType)
                    sheet.SetText(p.row, p.col, first.Type);
                else if (p.item == rtSchema)
                    sheet.SetText(p.row, p.col, first.Schema);
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // What was filled is saved, also after a failure.
    book.Save();
    if (failure)
        std::rethrow_exception(failure);
}
