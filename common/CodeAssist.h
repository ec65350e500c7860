#pragma once
// The completion driver: answers a completion request of a SQL editor.
//
// It takes the dotted token left of the caret, resolves each part against
// the connected database's catalogs (and the first part also against the
// table aliases of the statement in the editor), and fills the editor's
// completion popup with the objects of a schema (with the reserved words and,
// in the source window of an existing routine, the routine's arguments) or
// with the columns of a table, view or materialized view. A single candidate
// goes into the text at once, without a list.
//
// The lookups run on the caller's query. Inside an open transaction block
// they run under a savepoint, so a failing lookup leaves the user's
// transaction usable. A failing lookup closes any popup the request opened
// and is raised to the caller (whose event guard shows it once).
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;
class TtvMemo;

namespace tv::db {
class Query;
}

// What kind of thing a dotted part of the token names.
enum TCodeAssistPartKind : int {
    cpkSchema = 0,
    cpkTable = 1, // a table, view or materialized view
    cpkAlias = 2, // an alias of a table of the statement in the editor
    cpkIndex = 3,
    cpkFunction = 4,
    cpkType = 5,
    cpkTrigger = 6,
    cpkSequence = 7,
    cpkConstraint = 8,
    cpkRule = 9,
    cpkAggregate = 11,
    cpkProcedure = 12,
    cpkPackage = 13,
    cpkSynonym = 14,
    cpkDBLink = 15,
    cpkPrefix = 16, // the partial name being typed
};

// The token split into its dotted parts.
struct TCodeAssistToken {
    bool Valid = false;     // false: nothing is to be shown (only dots, five parts or more)
    bool HasPrefix = false; // the last part is a partial name (the token did not end with ".")
    QStringList Parts;      // 1 to 4 parts; empty parts are kept
};

// Splits a token as GetCodeAssistToken gives it.
TCodeAssistToken SplitCodeAssistToken(const QString &Token);

// Which list a resolved token asks for.
struct TCodeAssistDecision {
    bool Show = false;        // false: the combination asks for nothing
    bool ListColumns = false; // columns of Schema.Object, else the objects of Schema
    QString Schema;
    QString Object;
    QString Prefix;           // the partial name as typed (empty: no filter)
    bool WithKeywords = false;
};

// The decision for parts with their kinds. For an alias part, Parts[0] holds
// the table name as written in the statement.
TCodeAssistDecision DecideCodeAssist(const QStringList &Parts, const QList<int> &Kinds,
                                     const QString &DefaultSchema);

// Searches the tables of the statement in Lines (cleaned of comments and
// parsed leniently; parse failures are ignored) from the first for one whose
// alias equals Alias without regard to case (an empty alias matches the first
// table without one). True with the table name as written when found.
bool FindAliasTable(const QStringList &Lines, const QString &Alias, QString &TableName);

// Answers a completion request of Memo. Form owns and parents the popup;
// Query is bound to the window's connection (the driver closes it, sets its
// text and parameters and opens it as often as it needs); DefaultSchema is
// the schema of unqualified names; ServerVersion and IsEdb describe the
// server; DBAMode is not read; X, Y the caret in Memo's client pixels.
// Nothing happens while the option CodeAssist is off or Memo has a popup.
void ShowCodeAssist(TtvMemo *Memo, QWidget *Form, tv::db::Query &Query, const QString &DefaultSchema,
                    int ServerVersion, bool IsEdb, bool DBAMode, int X, int Y);
