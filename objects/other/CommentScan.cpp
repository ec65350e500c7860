#include "objects/other/CommentScan.h"

#include "common/ObjectType.h"
#include "common/TextUtil.h"

namespace {

// Walks a line as the scanner does, telling for every character whether it
// is comment text (the opener and closer included).
template <class Visit>
bool Walk(const QString &Line, TCommentState &State, Visit visit)
{
    bool found = false;
    const int n = int(Line.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = Line[i];
        const QChar next = i + 1 < n ? Line[i + 1] : QChar();
        const bool inComment = State == TCommentState::Block || State == TCommentState::Line;
        if (c == u'"') {
            if (State == TCommentState::Code)
                State = TCommentState::Name;
            else if (State == TCommentState::Name)
                State = TCommentState::Code;
        } else if (c == u'\'') {
            if (State == TCommentState::Code)
                State = TCommentState::String;
            else if (State == TCommentState::String)
                State = TCommentState::Code;
        } else if (c == u'*' && State == TCommentState::Block && next == u'/') {
            visit(i, true);
            visit(i + 1, true);
            ++i;
            State = TCommentState::Code;
            found = true;
            continue;
        } else if (c == u'-' && State == TCommentState::Code && next == u'-') {
            visit(i, true);
            visit(i + 1, true);
            ++i;
            State = TCommentState::Line;
            found = true;
            continue;
        } else if (c == u'/' && State == TCommentState::Code && next == u'*') {
            visit(i, true);
            visit(i + 1, true);
            ++i;
            State = TCommentState::Block;
            found = true;
            continue;
        }
        visit(i, inComment);
    }
    return found || State == TCommentState::Block;
}

} // namespace

bool LineHasComment(const QString &Line, TCommentState &State)
{
    return Walk(Line, State, [](int, bool) {});
}

int TabFill(const QString &Text, int TabWidth)
{
    if (TabWidth <= 0)
        TabWidth = 8;
    int width = 0;
    for (const QChar c : Text) {
        if (c == u'\t')
            width += TabWidth - width % TabWidth;
        else
            width += DisplayWidth(QString(c));
    }
    return TabWidth - width % TabWidth;
}

QList<TCommentRow> ScanProgramComments(const TCommentProgram &Program, const QStringList &DdlLines)
{
    QList<TCommentRow> rows;
    TCommentState state = TCommentState::Code;
    auto row = [&Program, &rows](const QString &lineNo, const QString &text, TCommentState start) {
        TCommentRow r;
        r.Oid = Program.Oid;
        if (rows.isEmpty()) {
            r.Name = Program.Name;
            r.TypeName = ObjectTypeName(Program.ObjType);
            r.Args = Program.UniqueInfo;
        }
        r.LineNo = lineNo;
        r.Text = text;
        r.ObjectName = Program.Name;
        r.Schema = Program.Schema;
        r.ObjType = Program.ObjType;
        r.StartState = start;
        rows << r;
    };
    for (int i = 0; i < DdlLines.size(); ++i) {
        const TCommentState start = state;
        if (state == TCommentState::Line)
            state = TCommentState::Code;
        if (LineHasComment(DdlLines[i], state))
            row(QString::number(i + 1), DdlLines[i], start == TCommentState::Line ? TCommentState::Code : start);
    }
    if (rows.isEmpty())
        row(QStringLiteral("-"), NoComment, TCommentState::Code);
    return rows;
}

QList<TCommentSpan> CommentSpans(const QString &Line, TCommentState StartState)
{
    QList<TCommentSpan> spans;
    TCommentState state = StartState == TCommentState::Line ? TCommentState::Code : StartState;
    Walk(Line, state, [&spans](int i, bool comment) {
        if (!comment)
            return;
        if (!spans.isEmpty() && spans.last().End == i)
            spans.last().End = i + 1;
        else
            spans << TCommentSpan{i, i + 1};
    });
    return spans;
}
