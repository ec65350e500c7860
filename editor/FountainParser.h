#pragma once
// TFountainParser: cuts one display row into tokens and carries tokens that
// do not end with the row (block comments, strings and words cut by word
// wrap) into the next row through TRowAttributeData.
//
// Use: NewData(row, start state), then NextToken until it returns tokEof,
// reading SourcePos, TokenLength, TokenString and TokenToFountainColor after
// each call. LastTokenBracket computes the start state of the next row from
// the start state of a row. A parser is created by TFountain::CreateParser for
// one use; the fountain must outlive it. The row text is referenced, not
// copied (implicit sharing), while the parser works on it.
//
// The row ends at the end of the text or at a CR or LF unit; NUL is an
// ordinary character.
#include "editor/RowAttributeStringList.h"
#include <QString>
#include <QStringView>
#include <bitset>

class TFountain;
class TFountainColor;

// Token kinds.
using TTokenKind = char16_t;
constexpr TTokenKind tokEof = 0;            // end of the row, or no token could be formed
constexpr TTokenKind tokSymbol = 1;         // one unit not claimed by another rule
constexpr TTokenKind tokInteger = 3;        // decimal digits
constexpr TTokenKind tokFloat = 4;          // number with a fraction or an exponent
constexpr TTokenKind tokBracket = 6;        // element between a bracket pair, or its part in this row
constexpr TTokenKind tokComment = 7;        // line comment up to the row end
constexpr TTokenKind tokReserve = 8;        // reserved word carried from the row before
constexpr TTokenKind tokTab = 9;            // one TAB
constexpr TTokenKind tokAnk = 11;           // ASCII letters, digits, "_" with trailing combining marks
constexpr TTokenKind tokWide = 12;          // a unit of 255 or above and every unit of 256 and above after it
constexpr TTokenKind tokDoubleByte = 18;
constexpr TTokenKind tokHalfKanaSymbol = 19;
constexpr TTokenKind tokHalfKana = 20;
constexpr TTokenKind tokUrl = 21;
constexpr TTokenKind tokMail = 22;
constexpr TTokenKind tokHex = 23;           // hex digits after a hex prefix
constexpr TTokenKind tokSingleQuote = 24;
constexpr TTokenKind tokDoubleQuote = 25;

using TTokenKinds = std::bitset<256>;

class TFountainParser {
public:
    // Raises "TFountainParser.Create need instance of TFountain" without one.
    explicit TFountainParser(TFountain *Fountain);
    virtual ~TFountainParser() = default;
    TFountainParser(const TFountainParser &) = delete;
    TFountainParser &operator=(const TFountainParser &) = delete;

    // Starts the row S in the state Data.
    void NewData(const QString &S, const TRowAttributeData &Data);
    // The kind of the next token; tokEof at the row end.
    TTokenKind NextToken();

    TTokenKind Token() const { return FToken; }
    // 0-based start of the current token, its length and text.
    int SourcePos() const { return int(FTokenPtr - FBuffer); }
    int TokenLength() const { return int(FSourcePtr - FTokenPtr); }
    QStringView TokenView() const { return QStringView(FTokenPtr, FSourcePtr - FTokenPtr); }
    QString TokenString() const { return TokenView().toString(); }
    // The row from its start up to the end of the current token and the
    // phrase after it (the marker-word lookup key).
    QString TokenStringStatsPack() const;
    // The current token continues a token of the row before.
    bool IsStartToken() const { return FIsStartToken; }
    // Open bracket pair (-1 none, -2 unknown) and the pair whose colour the
    // current tokBracket token takes.
    int BracketIndex() const { return FBracketIndex; }
    int DrawBracketIndex() const { return FDrawBracketIndex; }
    TFountain *Fountain() const { return FFountain; }

    // Whether the current token is a reserved word of the fountain's list.
    virtual bool IsReserveWord();
    // Kind := tokReserve when IsReserveWord; returns the test's result.
    virtual bool ReserveWordToken(TTokenKind &Kind);
    // Data holds the start state of row Index of Strings and receives the
    // start state of row Index + 1.
    virtual void LastTokenBracket(int Index, const TRowAttributeStringList &Strings, TRowAttributeData &Data);
    // The colour of the current token, or null for the editor's colours.
    virtual TFountainColor *TokenToFountainColor() = 0;

    // Kinds whose continuation in the next row is found by scanning again.
    virtual TTokenKinds RescanTokenKinds() const;
    // Kinds that run to the end of the logical line.
    virtual TTokenKinds LineEndTokenKinds() const;

protected:
    using TProc = void (TFountainParser::*)();

    virtual void InitMethodTable();
    virtual void SkipBlanks();
    virtual bool IsBracketStart();
    virtual void BracketProc();
    virtual bool IsMailStart();
    virtual void MailProc();
    virtual bool IsUrlStart();
    virtual void UrlProc();
    virtual void ReserveProc();
    virtual void EofProc();
    virtual void TabProc();
    virtual void LfProc();
    virtual void CrProc();
    virtual void CommentProc();
    virtual void HexProc();
    virtual void NumberProc();
    virtual void AnkProc();
    virtual void WideContinueProc();
    virtual void WideProc();
    virtual void DoubleByteProc();
    virtual void HalfKanaSymbolProc();
    virtual void HalfKanaProc();
    virtual void SymbolProc();
    virtual void SingleQuoteProc();
    virtual void DoubleQuoteProc();
    virtual void WrappedTokenProc();
    virtual void TokenProc();

    // The procedure for a token starting with unit C / continuing kind K.
    void CallCharMethod(char16_t C) { (this->*FMethodTable[C < 255 ? C : 255])(); }
    void CallTokenMethod(TTokenKind K) { (this->*FTokenMethodTable[K < 255 ? K : 255])(); }
    bool AtRowEnd(const char16_t *P) const { return P >= FEnd || *P == u'\r' || *P == u'\n'; }
    // The text at P starts with S (case matters).
    bool MatchAt(const char16_t *P, QStringView S) const;
    void QuoteProc(char16_t Quote, TTokenKind Kind);

    TProc FMethodTable[256];
    TProc FTokenMethodTable[256];

    QString FText;
    const char16_t *FBuffer = nullptr;
    const char16_t *FEnd = nullptr;
    const char16_t *FP = nullptr;
    const char16_t *FTokenPtr = nullptr;
    const char16_t *FSourcePtr = nullptr;
    int FBracketIndex = -1;
    QString FDataStr;
    int FDrawBracketIndex = -2;
    int FElementIndex = 0;
    TFountain *FFountain;
    bool FIsStartToken = false;
    TRowAttribute FPrevRowAttribute = raCrlf;
    TTokenKind FPrevToken = 0;
    int FRemain = 0;
    TRowAttribute FRowAttribute = raCrlf;
    TTokenKind FStartToken = 0;
    TTokenKind FToken = tokEof;
    int FWrappedByte = 0;
    bool FMarkerWordMode = false; // the word list starts with the marker word
};
