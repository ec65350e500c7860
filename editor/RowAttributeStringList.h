#pragma once
// TRowAttributeStringList: the display-row list of the editor. Each row
// carries, besides its text, how it ends, the colouring state at its start
// (TRowAttributeData, read and produced by the fountain parser) and its row
// marks, packed into the two attribute words of TheStringList:
//
//   FItem  bits 0-1 Rows, 2-3 PrevRows, 4-7 Brackets + 2, 8-15 Elements,
//          16-23 WrappedBytes, 24-31 Remains
//   FItem2 bits 0-7 Tokens, 8-15 PrevTokens, 16-31 RowMarks
//
// A new row reads raCrlf, Brackets -2 (not computed), every other field 0 and
// no marks. Setters change only their own bits; values are kept in range by
// the owner (Brackets -2 .. 13, the byte fields 0 .. 255, tokens below 256).
#include "editor/heStringList.h"
#include <cstdint>

enum TRowAttribute : std::uint8_t {
    raCrlf = 0,    // the row ends a logical line
    raWrapped = 1, // the logical line continues in the next row
    raEof = 2,     // the last row, without a line end
    raInvalid = 3  // no attribute (undo records)
};

enum TRowMark : std::uint8_t {
    rm0, rm1, rm2, rm3, rm4, rm5, rm6, rm7, rm8, rm9, rm10, rm11, rm12, rm13, rm14, rm15
};
// Set of row marks: bit n for rmn.
using TRowMarks = std::uint16_t;
constexpr TRowMarks RowMarkBit(TRowMark m) { return TRowMarks(1u << m); }

// The parser state at the start of a row.
struct TRowAttributeData {
    TRowAttribute RowAttribute = raCrlf;     // how this row ends
    TRowAttribute PrevRowAttribute = raCrlf; // how the row before ends
    std::int32_t BracketIndex = -2;          // -2 not computed, -1 none open, 0..13 open pair
    std::int32_t ElementIndex = 0;           // carried unchanged
    std::int32_t WrappedByte = 0;            // units at the row start that end a token cut by wrap
    std::int32_t Remain = 0;                 // carried unchanged
    char16_t StartToken = 0;                 // token kind continuing into this row; 0 none
    char16_t PrevToken = 0;                  // carried unchanged
    QString DataStr;                         // carried unchanged

    bool operator==(const TRowAttributeData &) const = default;
};

class TRowAttributeStringList : public TheStringList {
public:
    const char *ClassName() const override { return "TRowAttributeStringList"; }

    TRowAttribute Rows(int Index) const { return TRowAttribute(GetItem(Index) & 3u); }
    void SetRows(int Index, TRowAttribute Value) { SetBits1(Index, 0, 2, Value); }
    TRowAttribute PrevRows(int Index) const { return TRowAttribute((GetItem(Index) >> 2) & 3u); }
    void SetPrevRows(int Index, TRowAttribute Value) { SetBits1(Index, 2, 2, Value); }
    int Brackets(int Index) const { return int((GetItem(Index) >> 4) & 0xFu) - 2; }
    void SetBrackets(int Index, int Value) { SetBits1(Index, 4, 4, std::uint32_t(Value + 2)); }
    int Elements(int Index) const { return int((GetItem(Index) >> 8) & 0xFFu); }
    void SetElements(int Index, int Value) { SetBits1(Index, 8, 8, std::uint32_t(Value)); }
    int WrappedBytes(int Index) const { return int((GetItem(Index) >> 16) & 0xFFu); }
    void SetWrappedBytes(int Index, int Value) { SetBits1(Index, 16, 8, std::uint32_t(Value)); }
    int Remains(int Index) const { return int(GetItem(Index) >> 24); }
    void SetRemains(int Index, int Value) { SetBits1(Index, 24, 8, std::uint32_t(Value)); }

    char16_t Tokens(int Index) const { return char16_t(GetItem2(Index) & 0xFFu); }
    void SetTokens(int Index, char16_t Value) { SetBits2(Index, 0, 8, Value); }
    char16_t PrevTokens(int Index) const { return char16_t((GetItem2(Index) >> 8) & 0xFFu); }
    void SetPrevTokens(int Index, char16_t Value) { SetBits2(Index, 8, 8, Value); }
    TRowMarks RowMarks(int Index) const { return TRowMarks(GetItem2(Index) >> 16); }
    void SetRowMarks(int Index, TRowMarks Value) { SetBits2(Index, 16, 16, Value); }

    const QString &DataStrings(int Index) const { return GetDataStr(Index); }
    void SetDataStrings(int Index, const QString &Value) { PutDataStr(Index, Value); }

    // The whole start state of a row, read and written in one go.
    TRowAttributeData RowAttributeData(int Index) const;
    void SetRowAttributeData(int Index, const TRowAttributeData &Data);

private:
    static std::uint32_t Replace(std::uint32_t Word, int Shift, int Bits, std::uint32_t Value)
    {
        const std::uint32_t mask = (Bits == 32 ? 0xFFFFFFFFu : ((1u << Bits) - 1u)) << Shift;
        return (Word & ~mask) | ((Value << Shift) & mask);
    }
    void SetBits1(int Index, int Shift, int Bits, std::uint32_t Value)
    {
        PutItem(Index, Replace(GetItem(Index), Shift, Bits, Value));
    }
    void SetBits2(int Index, int Shift, int Bits, std::uint32_t Value)
    {
        PutItem2(Index, Replace(GetItem2(Index), Shift, Bits, Value));
    }
};
