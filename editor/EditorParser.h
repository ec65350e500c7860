#pragma once
// TEditorParser: the parser of TEditorFountain. Before the character table it
// tries, in order: a bracket pair, a mail address (Mail on), a URL (Url on),
// the line-comment prefix (Commenter), a quotation character, "#$" and "#"
// control codes (ControlCode on) and the hex prefix (HexPrefix, any case).
// Token colours come from the fountain's Colors.
#include "editor/FountainParser.h"

class TEditorFountain;

constexpr TTokenKind tokQuotation = 26;      // string between quotation characters
constexpr TTokenKind tokControlCode = 27;    // "#" followed by decimal digits
constexpr TTokenKind tokControlCodeHex = 28; // "#$" followed by hex digits

class TEditorParser : public TFountainParser {
public:
    explicit TEditorParser(TEditorFountain *Fountain);

    TFountainColor *TokenToFountainColor() override;
    TTokenKinds RescanTokenKinds() const override;

protected:
    void InitMethodTable() override;
    void TokenProc() override;

    virtual bool IsQuotationStart();
    // A string up to the closing quotation character (either one closes; a
    // doubled one stands for one quote) or the row end.
    virtual void QuotationProc();
    virtual bool IsCommenterStart();
    virtual bool IsHexPrefixStart();
    virtual bool IsControlCodeHexStart();
    virtual void ControlCodeHexProc();
    virtual bool IsControlCodeStart();
    virtual void ControlCodeProc();

private:
    bool IsQuote(char16_t C) const;

    TEditorFountain *FEditorFountain;
};
