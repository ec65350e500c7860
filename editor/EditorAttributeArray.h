#pragma once
// TEditorAttributeArray: a cursor over the display columns of one row.
//
// Attributes is the row's column-kind string, one code per display column:
// "1" single-width character, "2" single-width delimiter, "3" tab fill, "4"
// and "5" the first and second half of a double-width character; "0" is
// appended as end mark. Position is the 1-based column; SourcePos the 1-based
// index into the row text of the unit that occupies it (tab fill and second
// halves hold no unit of their own).
#include <QString>

class TEditorAttributeArray {
public:
    TEditorAttributeArray() = default;
    TEditorAttributeArray(const QString &Source, const QString &Attributes) { NewData(Source, Attributes); }

    // Keeps the row and its kinds, then moves to the first column.
    void NewData(const QString &Source, const QString &Attributes);
    // One column on; nothing at the end mark.
    void Next();
    // One column back; nothing at column 1.
    void Prior();
    // Moves with Next / Prior until Position is Value (or an end is reached).
    void SetPosition(int Value);

    int Position() const { return FPosition; }
    int SourcePos() const { return FSourcePos; }
    QChar Attribute() const { return FAttribute; }
    // Number of columns (without the end mark).
    int GetSize() const { return int(FAttributes.size()) - 1; }
    // The character under the cursor: empty at the end mark; the double-width
    // character on both of its halves, the tab on its fill columns.
    QString PositionString() const;
    // PositionString of the next column (the cursor does not move).
    QString NextPositionString();

private:
    QChar FAttribute;
    QString FAttributes;
    int FPosition = 0;
    QString FSource;
    int FSourcePos = 0;
};
