#include "common/ScriptClean.h"

#include "common/TextUtil.h"

namespace {

bool isBlankChar(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
           || c == QLatin1Char('\r');
}

// An empty line, or a script remark: REM or REMARK alone or followed by a
// blank (any letter case).
bool isRemovableEdgeLine(const QString &line)
{
    const QString t = TrimBlanks(line).toUpper();
    if (t.isEmpty())
        return true;
    if (t.startsWith(QLatin1String("REMARK")) && (t.size() == 6 || isBlankChar(t[6])))
        return true;
    return t.startsWith(QLatin1String("REM")) && (t.size() == 3 || isBlankChar(t[3]));
}

} // namespace

void CleanScriptLines(QStringList &Lines, bool CutAtSemicolon)
{
    qsizetype first = 0;
    while (first < Lines.size() && isRemovableEdgeLine(Lines[first]))
        ++first;
    Lines.remove(0, first);
    qsizetype last = Lines.size();
    while (last > 0 && isRemovableEdgeLine(Lines[last - 1]))
        --last;
    Lines.remove(last, Lines.size() - last);

    bool inSingle = false;
    bool inDouble = false;
    bool commentOpen = false; // a block comment continues from an earlier line

    for (qsizetype li = 0; li < Lines.size(); ++li) {
        const QString line = TrimBlanks(Lines[li]);
        const qsizetype n = line.size();
        // The surviving text is built in `out`; a block comment's characters
        // are kept there from `blockStart` on until it closes (then dropped)
        // or the line ends (then cut). Removing a closed comment joins the
        // text before and after it; the joined pair is looked at again, as
        // a fresh scan of the shortened line would.
        QString out;
        out.reserve(n);
        qsizetype blockStart = commentOpen ? 0 : -1;
        qsizetype j = 0;
        bool stop = false;
        auto rejoin = [&]() {
            if (out.isEmpty() || j >= n)
                return;
            const QChar prev = out.back();
            const QChar next = line[j];
            if (prev == QLatin1Char('-') && next == QLatin1Char('-')) {
                out.chop(1);
                j = n; // a line comment: the rest of the line goes
            } else if (prev == QLatin1Char('/') && next == QLatin1Char('*')) {
                blockStart = out.size() - 1;
                out.append(next);
                ++j;
            }
        };
        while (j < n) {
            const QChar c = line[j];
            const QChar next = j + 1 < n ? line[j + 1] : QChar();
            if (blockStart >= 0) {
                if (c == QLatin1Char('*') && next == QLatin1Char('/')) {
                    out.truncate(blockStart);
                    blockStart = -1;
                    j += 2;
                    rejoin();
                    continue;
                }
                out.append(c);
                ++j;
                continue;
            }
            if (c == QLatin1Char('\'') && !inDouble) {
                inSingle = !inSingle;
            } else if (c == QLatin1Char('"') && !inSingle) {
                inDouble = !inDouble;
            } else if (!inSingle && !inDouble) {
                if (c == QLatin1Char('-') && next == QLatin1Char('-'))
                    break;
                if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
                    blockStart = out.size();
                    out.append(c);
                    out.append(next);
                    j += 2;
                    continue;
                }
                if (c == QLatin1Char(';') && CutAtSemicolon) {
                    stop = true;
                    break;
                }
            }
            out.append(c);
            ++j;
        }
        commentOpen = blockStart >= 0;
        if (commentOpen)
            out.truncate(blockStart);
        Lines[li] = out;
        if (stop) {
            Lines.remove(li + 1, Lines.size() - li - 1);
            return;
        }
    }
}
