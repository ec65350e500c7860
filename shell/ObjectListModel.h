#pragma once
// What the object list of the connection window shows, apart from the
// widget: the columns of each list, the scope a tree node stands for, the
// schema and name conditions of the listing statement, and the sub-items of
// one result row.
//
// A list is detailed (a kind's type text with TreeData on), simple (a kind's
// type text with TreeData off) or mixed (type text "%"). Every row of the
// listing statement has the kind name in field 0 and the object name in
// field 1; the row builder turns fields 2 .. last into the item's sub-items.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

struct TObjectListColumn {
    QString Caption;
    QString ValueName; // width value under "GUI\OBJECT"
    int Width = 100;   // default width
    Qt::Alignment Alignment = Qt::AlignLeft;
};

// The columns of a list, in order; the first shows the item caption.
QList<TObjectListColumn> ObjectListColumns(const QString &TypeText, bool TreeData);
// The sub-item that holds a routine's argument types ("int4,text") in a list
// of that type text: 2 in a kind's simple list, one further in a detailed
// list and one further in a mixed list.
int ObjectListArgumentsSubItem(const QString &TypeText, bool TreeData);
// The prefix under which the list's column widths are written back: the
// type text for a detailed list, "SOURCE" for simple and mixed lists.
QString ObjectListViewType(const QString &TypeText, bool TreeData);

// What a tree node stands for.
struct TObjectNodeScope {
    bool List = false; // false: the list stays empty
    QString TypeText;  // "%" or a kind name
    QString SchemaText;
};
// Level 0 is the database node. KindFirst: kinds above schemas in the tree.
TObjectNodeScope ObjectNodeScope(int Level, bool KindFirst, const QString &NodeText, const QString &ParentText,
                                 int Disp, const QString &LoginSchema, bool ShowLevel0, bool ShowLevel1);
// The text after the schema column: "IN (...)" for the configured schemas
// when the schema text is "%" and Disp is 2, else "LIKE '...'" (temporary
// schemas widened to every numbered one).
QString ObjectListSchemaCondition(const QString &SchemaText, int Disp, const QStringList &Configured);
// The LIKE pattern of the name column.
QString ObjectListNamePattern(bool Find, bool FindAuto, const QString &FindText, bool IsGrep);
// The find history after `Text` was used: moved to the top when present
// (exact match), else inserted there.
QStringList PushFindHistory(QStringList Items, const QString &Text);

// "%12.0n" of Bytes / 1024: kilobytes rounded, thousands separated by ",",
// right-aligned in 12 characters.
QString FormatSizeKB(qint64 Bytes);
// Timing ("BEFORE", "AFTER", "INSTEAD" or "") and events ("INSERT, UPDATE")
// of a trigger definition.
QString TriggerTiming(const QString &Definition);
QString TriggerEvents(const QString &Definition);

struct TTypeName {
    QString Name;
    QString Schema;
};
// Type oid -> name and schema.
using TTypeMap = QHash<qint64, TTypeName>;

// Turns result rows into sub-items by the rules of the list kind.
class TObjectListRowBuilder {
public:
    TObjectListRowBuilder(const QString &TypeText, bool TreeData, const QString &LoginSchema, const TTypeMap *Types);

    // Reads the six values of a sequence (last value, minimum, maximum,
    // increment, "YES"/"NO", cache); empty texts when the read fails.
    std::function<QStringList(const QString &Schema, const QString &Name)> SequenceValues;

    // Fields: the whole row, NULL as empty text.
    QStringList SubItems(const QStringList &Fields) const;

    // Argument type names of a routine ("int4,public.mytype").
    QString ArgumentTypes(const QString &Oids) const;
    // The input arguments of a routine for DROP (OUT and RETURNS TABLE
    // columns left out), each type quoted.
    QString DropArguments(const QString &Oids, const QString &Modes) const;

private:
    TTypeName Type(QStringView Oid) const;
    bool OwnSchema(const QString &Schema) const;

    QString FTypeText;
    bool FTreeData;
    bool FRoutineList;
    bool FMixed;
    QString FLoginSchema;
    const TTypeMap *FTypes;
    // The code of the last row's kind (rows come kind after kind).
    mutable QString FLastKind;
    mutable int FLastCode = -1;
};
