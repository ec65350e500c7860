#include "sql/TemplateFile.h"

#include "platform/text/TextEncoding.h"
#include "sql/SQLRunner.h"

#include <QFile>
#include <QSet>

bool TTemplateFile::LoadFromFile(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("ファイル \"") + path + QStringLiteral("\" を開けません。") + f.errorString();
        return false;
    }
    QStringList lines = sqlrun::SplitLines(tv::text::Decode(f.readAll(), tv::text::Encoding::Ansi));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    SetLines(lines);
    return true;
}

QString TTemplateFile::HeaderName(const QString &line)
{
    const qsizetype end = line.indexOf(QStringLiteral(" 】"), 2);
    return end < 0 ? QString() : line.mid(2, end - 2);
}

void TTemplateFile::SetLines(const QStringList &lines)
{
    FTplData = lines;
    FIndex.clear();
    FBodyEnd.fill(-1, lines.size());
    const int n = int(lines.size());
    int open = -1; // the header whose body runs now
    for (int i = 0; i < n; ++i) {
        const QString &l = lines.at(i);
        const bool header = IsHeaderLine(l);
        if (header || IsCategoryLine(l)) {
            if (open >= 0)
                FBodyEnd[open] = i;
            open = -1;
        }
        if (header) {
            open = i;
            const QString key = HeaderName(l).toLower();
            if (!FIndex.contains(key))
                FIndex.insert(key, i);
        }
    }
    if (open >= 0)
        FBodyEnd[open] = n;
}

int TTemplateFile::IndexOf(const QString &name) const
{
    return FIndex.value(name.toLower(), -1);
}

int TTemplateFile::BodyEnd(int line) const
{
    return line >= 0 && line < FBodyEnd.size() ? FBodyEnd.at(line) : line + 1;
}

QList<TTemplateFile::TNode> TTemplateFile::BuildTree() const
{
    QList<TNode> top;
    TNode *category = nullptr;
    for (int i = 0; i < FTplData.size(); ++i) {
        const QString &l = FTplData.at(i);
        if (IsCategoryLine(l)) {
            top.append(TNode{l.mid(3), i, true, {}});
            category = &top.last();
        } else if (IsHeaderLine(l)) {
            TNode entry{HeaderName(l), i, false, {}};
            if (category)
                category->Children.append(entry);
            else
                top.append(entry);
        }
    }
    return top;
}

QList<int> TTemplateFile::CollectEntry(int line) const
{
    QList<int> result;
    if (line < 0 || line >= FTplData.size())
        return result;
    QSet<int> seen;
    // One frame per entry being scanned: its next body line and the part of
    // that line not yet scanned.
    struct Frame {
        int line;   // the body line being scanned
        int end;    // the end of the body
        QString rest;
        bool started;
    };
    QList<Frame> stack;
    auto enter = [&](int header) {
        result.append(header);
        seen.insert(header);
        stack.append(Frame{header + 1, BodyEnd(header), QString(), false});
    };
    enter(line);
    while (!stack.isEmpty()) {
        Frame &f = stack.last();
        if (!f.started) {
            if (f.line >= f.end) {
                stack.removeLast();
                continue;
            }
            f.rest = FTplData.at(f.line);
            f.started = true;
        }
        const qsizetype lt = f.rest.indexOf(QLatin1Char('<'));
        if (lt < 0) {
            ++f.line;
            f.started = false;
            continue;
        }
        f.rest = f.rest.mid(lt + 1);
        const qsizetype gt = f.rest.indexOf(QLatin1Char('>'));
        const QString name = gt < 0 ? QString() : f.rest.left(gt);
        const int target = IndexOf(name);
        if (target >= 0 && !seen.contains(target))
            enter(target); // `f` may dangle from here on; the loop takes the new top
    }
    return result;
}

QStringList TTemplateFile::GetEntryText(const QString &name) const
{
    QStringList lines;
    for (int header : CollectEntry(IndexOf(name))) {
        const int end = BodyEnd(header);
        for (int i = header; i < end; ++i)
            lines << FTplData.at(i);
    }
    return lines;
}
