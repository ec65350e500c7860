#pragma once
// The editor's text search engine: finds the next or previous occurrence of
// a text in one buffer (rows gathered by the editor), starting from the
// current selection.
//
// Case-blind search folds the buffer and the pattern the same way, one UTF-16
// unit at a time (so "ä" finds "Ä" and "ä"). Whole-word matches start at a
// word start and end before a word delimiter or the buffer end. NUL is an
// ordinary (delimiter) unit; the buffer is given with its length.
#include <QString>
#include <QStringView>
#include <cstdint>

enum TSearchOption : std::uint8_t {
    sfrDown,           // forward from the end of the selection; else backward from its start
    sfrMatchCase,      // compare exactly
    sfrWholeWord,      // whole words only
    sfrNoMatchZenkaku, // not interpreted (no width conversion takes place)
    sfrReplace,        // not interpreted
    sfrReplaceAll,     // not interpreted
    sfrReplaceConfirm, // not interpreted
    sfrIncludeCRLF,    // CR and LF in the buffer are passed over inside a match
    sfrIncludeSpace,   // TAB, U+0020 and U+3000 in the buffer are passed over inside a match
    sfrWholeFile       // not interpreted
};
using TSearchOptions = std::uint16_t; // bit n for the option of ordinal n
constexpr TSearchOptions SearchOptionBit(TSearchOption o) { return TSearchOptions(1u << o); }

// The selection in and the match out: 0-based start and length in the buffer.
struct TSearchPos {
    int SelStart = 0;
    int SelLength = 0;
};

// True when found: Pos is the match (its length may exceed the search text's
// when line ends or blanks were passed over). False for an empty text or
// buffer, a start outside the buffer, or no match; Pos.SelStart may then have
// moved, so callers set Pos before every call.
bool SearchBuffer(QStringView Buf, TSearchPos &Pos, const QString &SearchValue, TSearchOptions Options);
// The same, returning the position of the match in Buf or -1.
int FindInBuffer(QStringView Buf, TSearchPos &Pos, const QString &SearchValue, TSearchOptions Options);

// Word delimiters: 0x00..0x2F, ":" .. ">", "@" and "[" .. "`".
bool IsWordDelimiter(char16_t C);
// The case-blind form of one unit (its simple upper case when that is one unit).
char16_t SearchFold(char16_t C);
