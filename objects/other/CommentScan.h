#pragma once
// The comment check's scanner: which lines of a program's DDL hold a
// comment. A line is listed when a comment starts or ends on it or when it
// lies wholly inside a block comment. Quotes ('...' strings, "..." names)
// hide comment markers; dollar quoting is not recognised, so comments inside
// a function body are found.
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

enum class TCommentState { Code, Block, Line, String, Name };

// Scans one line from State and leaves the state at its end in State; true
// when the line holds a comment.
bool LineHasComment(const QString &Line, TCommentState &State);

// The blanks from the display width of Text up to the next tab stop
// (2 columns for a wide character, tab stops for TABs).
int TabFill(const QString &Text, int TabWidth);

// One program the check reads.
struct TCommentProgram {
    qint64 Oid = 0;
    QString Name;
    QString Schema;
    int ObjType = 0;
    QString UniqueInfo;   // the argument list of routines and aggregates
};

// One row of the check's list.
struct TCommentRow {
    qint64 Oid = 0;
    QString Name;         // shown on the program's first row only
    QString TypeName;     // "
    QString Args;         // "
    QString LineNo;       // "-" for a program without comments
    QString Text;
    // Kept with every row.
    QString ObjectName;
    QString Schema;
    int ObjType = 0;
    TCommentState StartState = TCommentState::Code;
};

inline const QString NoComment = QStringLiteral("（コメントはありません）");

// The rows of one program's DDL; each program starts in the code state.
QList<TCommentRow> ScanProgramComments(const TCommentProgram &Program, const QStringList &DdlLines);

// Spans of one row's comment column: [start, end) in comment colour.
struct TCommentSpan {
    int Start = 0;
    int End = 0;
};
QList<TCommentSpan> CommentSpans(const QString &Line, TCommentState StartState);
