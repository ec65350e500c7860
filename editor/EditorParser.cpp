#include "editor/EditorParser.h"
#include "editor/EditorFountain.h"

namespace {
inline char16_t AsciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}
} // namespace

TEditorParser::TEditorParser(TEditorFountain *Fountain)
    : TFountainParser(Fountain), FEditorFountain(Fountain)
{
    TEditorParser::InitMethodTable();
}

void TEditorParser::InitMethodTable()
{
    TFountainParser::InitMethodTable();
    FTokenMethodTable[tokQuotation] = static_cast<TProc>(&TEditorParser::QuotationProc);
    FTokenMethodTable[tokControlCode] = static_cast<TProc>(&TEditorParser::ControlCodeProc);
    FTokenMethodTable[tokControlCodeHex] = static_cast<TProc>(&TEditorParser::ControlCodeHexProc);
}

TTokenKinds TEditorParser::RescanTokenKinds() const
{
    return TFountainParser::RescanTokenKinds().set(tokQuotation);
}

void TEditorParser::TokenProc()
{
    if (FBracketIndex == -1 && IsBracketStart())
        BracketProc();
    else if (FEditorFountain->Mail() && IsMailStart())
        MailProc();
    else if (FEditorFountain->Url() && IsUrlStart())
        UrlProc();
    else if (IsCommenterStart())
        CommentProc();
    else if (IsQuotationStart())
        QuotationProc();
    else if (IsControlCodeHexStart())
        ControlCodeHexProc();
    else if (IsControlCodeStart())
        ControlCodeProc();
    else if (IsHexPrefixStart())
        HexProc();
    else
        CallCharMethod(*FP);
}

bool TEditorParser::IsCommenterStart()
{
    const QString &c = FEditorFountain->Commenter();
    if (c.isEmpty() || c[0].unicode() != *FP || !MatchAt(FP, c))
        return false;
    FP += c.size();
    return true;
}

bool TEditorParser::IsQuote(char16_t C) const
{
    const QString &q = FEditorFountain->Quotation();
    const QString &d = FEditorFountain->DoubleQuotation();
    return (!q.isEmpty() && q[0].unicode() == C) || (!d.isEmpty() && d[0].unicode() == C);
}

bool TEditorParser::IsQuotationStart()
{
    if (!IsQuote(*FP))
        return false;
    ++FP;
    return true;
}

void TEditorParser::QuotationProc()
{
    // Either quotation character alone makes strings; with both empty there
    // is no string rule.
    if (FEditorFountain->Quotation().isEmpty() && FEditorFountain->DoubleQuotation().isEmpty()) {
        FToken = tokEof;
        return;
    }
    FToken = tokQuotation;
    while (!AtRowEnd(FP)) {
        if (IsQuote(*FP)) {
            ++FP;
            if (FP < FEnd && IsQuote(*FP)) {
                ++FP; // a doubled quote stands for one
                continue;
            }
            return;
        }
        ++FP;
    }
}

bool TEditorParser::IsControlCodeHexStart()
{
    if (!FEditorFountain->ControlCode() || FEnd - FP < 2 || FP[0] != u'#' || FP[1] != u'$')
        return false;
    FP += 2;
    return true;
}

void TEditorParser::ControlCodeHexProc()
{
    FToken = tokControlCodeHex;
    while (FP < FEnd && ((*FP >= u'0' && *FP <= u'9') || (*FP >= u'A' && *FP <= u'F') ||
                         (*FP >= u'a' && *FP <= u'f')))
        ++FP;
}

bool TEditorParser::IsControlCodeStart()
{
    if (!FEditorFountain->ControlCode() || *FP != u'#')
        return false;
    ++FP;
    return true;
}

void TEditorParser::ControlCodeProc()
{
    FToken = tokControlCode;
    while (FP < FEnd && *FP >= u'0' && *FP <= u'9')
        ++FP;
}

bool TEditorParser::IsHexPrefixStart()
{
    const QString &prefix = FEditorFountain->HexPrefix();
    if (prefix.isEmpty() || FEnd - FP < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(FP[i]) != AsciiUpper(prefix[i].unicode()))
            return false;
    FP += prefix.size();
    return true;
}

TFountainColor *TEditorParser::TokenToFountainColor()
{
    TEditorColors *colors = FEditorFountain->Colors();
    if (IsReserveWord())
        return FEditorFountain->Reserve();
    switch (FToken) {
    case tokSymbol:
        return colors->Symbol();
    case tokInteger:
    case tokFloat:
    case tokHex:
        return colors->Int();
    case tokBracket: {
        const TFountainBracketCollection *brackets = FEditorFountain->Brackets();
        if (FDrawBracketIndex >= 0 && FDrawBracketIndex < brackets->Count())
            return brackets->GetBracketItem(FDrawBracketIndex)->ItemColor();
        return nullptr;
    }
    case tokComment:
        return colors->Comment();
    case tokReserve:
        return FEditorFountain->Reserve();
    case tokAnk:
        return colors->Ank();
    case tokWide:
    case 14:
    case 15:
    case 16:
    case 17:
    case tokDoubleByte:
    case tokHalfKanaSymbol:
    case tokHalfKana:
        return colors->DBCS();
    case tokUrl:
        return colors->Url();
    case tokMail:
        return colors->Mail();
    case tokQuotation:
    case tokControlCode:
    case tokControlCodeHex:
        return colors->Str();
    default:
        return nullptr;
    }
}
