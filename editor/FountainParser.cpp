#include "editor/FountainParser.h"
#include "editor/EditorError.h"
#include "editor/EditorUtils.h"
#include "editor/Fountain.h"

#include <algorithm>

namespace {

inline bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool IsHexDigit(char16_t c)
{
    return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
inline bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
inline bool IsAnkChar(char16_t c) { return IsAsciiLetter(c) || IsDigit(c) || c == u'_'; }

bool IsUrlChar(char16_t c)
{
    return IsAnkChar(c) || c == u'#' || c == u'%' || c == u'&' || c == u'+' || c == u'-' || c == u'.' ||
           c == u'/' || c == u':' || c == u'=' || c == u'?' || c == u'~';
}

bool IsMailChar(char16_t c)
{
    return IsAnkChar(c) || c == u'!' || c == u'$' || c == u'%' || c == u'&' || c == u'*' || c == u',' ||
           c == u'-' || c == u'.' || c == u'/' || c == u';' || c == u'=' || c == u'?' || c == u'@' ||
           c == u'^' || c == u'~';
}

// Units that extend the marker-word key.
inline bool IsPackUnit(char16_t c)
{
    return c == u'(' || c == u')' || c == u'-' || (c >= u'1' && c <= u'9') || IsAsciiLetter(c);
}

const QString kMarkerWord = QStringLiteral("TVSTS");

} // namespace

TFountainParser::TFountainParser(TFountain *Fountain) : FFountain(Fountain)
{
    if (!Fountain)
        throw EEditorError(QStringLiteral("TFountainParser.Create need instance of TFountain"));
    TFountainParser::InitMethodTable();
}

void TFountainParser::InitMethodTable()
{
    for (TProc &p : FMethodTable)
        p = &TFountainParser::SymbolProc;
    // NUL is an ordinary character (a symbol), not the row end.
    FMethodTable[9] = &TFountainParser::TabProc;
    FMethodTable[10] = &TFountainParser::LfProc;
    FMethodTable[13] = &TFountainParser::CrProc;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        FMethodTable[c] = &TFountainParser::NumberProc;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        FMethodTable[c] = &TFountainParser::AnkProc;
    for (char16_t c = u'a'; c <= u'z'; ++c)
        FMethodTable[c] = &TFountainParser::AnkProc;
    FMethodTable[u'_'] = &TFountainParser::AnkProc;
    FMethodTable[255] = &TFountainParser::WideProc;

    for (TProc &p : FTokenMethodTable)
        p = &TFountainParser::SymbolProc;
    FTokenMethodTable[tokInteger] = &TFountainParser::NumberProc;
    FTokenMethodTable[tokFloat] = &TFountainParser::NumberProc;
    FTokenMethodTable[tokBracket] = &TFountainParser::BracketProc;
    FTokenMethodTable[tokComment] = &TFountainParser::CommentProc;
    FTokenMethodTable[tokReserve] = &TFountainParser::ReserveProc;
    FTokenMethodTable[tokAnk] = &TFountainParser::AnkProc;
    FTokenMethodTable[tokWide] = &TFountainParser::WideContinueProc;
    for (int k = 14; k <= 17; ++k)
        FTokenMethodTable[k] = &TFountainParser::WideProc;
    FTokenMethodTable[tokDoubleByte] = &TFountainParser::DoubleByteProc;
    FTokenMethodTable[tokHalfKanaSymbol] = &TFountainParser::HalfKanaSymbolProc;
    FTokenMethodTable[tokHalfKana] = &TFountainParser::HalfKanaProc;
    FTokenMethodTable[tokUrl] = &TFountainParser::UrlProc;
    FTokenMethodTable[tokMail] = &TFountainParser::MailProc;
    FTokenMethodTable[tokHex] = &TFountainParser::HexProc;
    FTokenMethodTable[tokSingleQuote] = &TFountainParser::SingleQuoteProc;
    FTokenMethodTable[tokDoubleQuote] = &TFountainParser::DoubleQuoteProc;
}

TTokenKinds TFountainParser::RescanTokenKinds() const
{
    TTokenKinds k;
    k.set(tokComment).set(tokSingleQuote).set(tokDoubleQuote);
    return k;
}

TTokenKinds TFountainParser::LineEndTokenKinds() const
{
    TTokenKinds k;
    k.set(tokComment);
    return k;
}

void TFountainParser::NewData(const QString &S, const TRowAttributeData &Data)
{
    FText = S;
    FBuffer = reinterpret_cast<const char16_t *>(FText.utf16());
    FEnd = FBuffer + FText.size();
    FP = FTokenPtr = FSourcePtr = FBuffer;
    FDrawBracketIndex = -2;
    FBracketIndex = Data.BracketIndex;
    FDataStr = Data.DataStr;
    FElementIndex = Data.ElementIndex;
    FPrevRowAttribute = Data.PrevRowAttribute;
    FPrevToken = Data.PrevToken;
    FRemain = Data.Remain;
    FRowAttribute = Data.RowAttribute;
    FStartToken = Data.StartToken;
    FWrappedByte = Data.WrappedByte;
    FToken = tokEof;
    FIsStartToken = false;
    const TSortedStringList &words = FFountain->ReserveWordList();
    FMarkerWordMode = !words.IsEmpty() && words[0].contains(kMarkerWord, Qt::CaseInsensitive);
}

bool TFountainParser::MatchAt(const char16_t *P, QStringView S) const
{
    if (S.isEmpty() || FEnd - P < S.size())
        return false;
    return std::equal(S.begin(), S.end(), P, [](QChar a, char16_t b) { return a.unicode() == b; });
}

TTokenKind TFountainParser::NextToken()
{
    SkipBlanks();
    FTokenPtr = FP;
    FIsStartToken = FStartToken != 0;
    if (FP >= FEnd || *FP == u'\r' || *FP == u'\n') {
        FToken = tokEof;
    } else if (FStartToken != 0) {
        WrappedTokenProc();
    } else {
        if (FBracketIndex < 0)
            TokenProc();
        else
            BracketProc();
        // Every token that is not carried from the row before takes at
        // least one unit, so a caller's loop always ends.
        if (FToken != tokEof && FP == FTokenPtr) {
            FToken = tokSymbol;
            ++FP;
        }
    }
    FSourcePtr = FP;
    return FToken;
}

void TFountainParser::SkipBlanks()
{
    while (FP < FEnd && ((*FP >= 1 && *FP <= 8) || (*FP >= 10 && *FP <= 32)))
        ++FP;
}

void TFountainParser::WrappedTokenProc()
{
    if (FWrappedByte <= 0) {
        CallTokenMethod(FStartToken);
    } else {
        FP += std::min<std::ptrdiff_t>(FWrappedByte, FEnd - FP);
        FToken = FStartToken;
        if (FToken == tokBracket) {
            FDrawBracketIndex = FBracketIndex;
            FBracketIndex = -1;
        }
    }
    FStartToken = 0;
    FWrappedByte = 0;
}

void TFountainParser::TokenProc()
{
    if (FBracketIndex == -1 && IsBracketStart())
        BracketProc();
    else
        CallCharMethod(*FP);
}

bool TFountainParser::IsBracketStart()
{
    const TFountainBracketCollection *brackets = FFountain->Brackets();
    const int n = brackets->Count();
    for (int i = 0; i < n; ++i) {
        const QString &left = brackets->GetBracketItem(i)->LeftBracket();
        if (!left.isEmpty() && left[0].unicode() == *FP && MatchAt(FP, left)) {
            FBracketIndex = i;
            FP += left.size();
            return true;
        }
    }
    return false;
}

void TFountainParser::BracketProc()
{
    const TFountainBracketCollection *brackets = FFountain->Brackets();
    if (FBracketIndex < 0 || FBracketIndex >= brackets->Count() ||
        brackets->GetBracketItem(FBracketIndex)->RightBracket().isEmpty()) {
        FToken = tokEof;
        return;
    }
    const QString &right = brackets->GetBracketItem(FBracketIndex)->RightBracket();
    FToken = tokBracket;
    FDrawBracketIndex = FBracketIndex;
    const char16_t first = right[0].unicode();
    while (!AtRowEnd(FP)) {
        if (*FP == first && MatchAt(FP, right)) {
            FP += right.size();
            FBracketIndex = -1;
            return;
        }
        ++FP;
    }
}

void TFountainParser::CommentProc()
{
    FToken = tokComment;
    while (!AtRowEnd(FP))
        ++FP;
}

void TFountainParser::NumberProc()
{
    FToken = tokInteger;
    while (FP < FEnd && IsDigit(*FP))
        ++FP;
    auto exponent = [this] {
        ++FP; // E or e
        if (FP < FEnd && (*FP == u'+' || *FP == u'-'))
            ++FP;
        while (FP < FEnd && IsDigit(*FP))
            ++FP;
    };
    if (FP < FEnd && *FP == u'.') {
        FToken = tokFloat;
        const char16_t next = FP + 1 < FEnd ? FP[1] : 0;
        if (IsDigit(next)) {
            ++FP;
            while (FP < FEnd && IsDigit(*FP))
                ++FP;
            if (FP < FEnd && (*FP == u'E' || *FP == u'e'))
                exponent();
        } else if (next == u'E' || next == u'e') {
            ++FP;
            exponent();
        }
    } else if (FP < FEnd && (*FP == u'E' || *FP == u'e')) {
        FToken = tokFloat;
        exponent();
    }
}

void TFountainParser::HexProc()
{
    FToken = tokHex;
    while (FP < FEnd && IsHexDigit(*FP))
        ++FP;
}

void TFountainParser::AnkProc()
{
    FToken = tokAnk;
    bool combined = false;
    while (FP < FEnd) {
        const char16_t c = *FP;
        if (IsAnkChar(c)) {
            if (combined)
                break;
            ++FP;
            continue;
        }
        if (c < 0x300)
            break;
        char32_t code = c;
        int len = 1;
        if (IsHighSurrogate(c) && FP + 1 < FEnd && IsLowSurrogate(FP[1])) {
            code = (char32_t(c & 0x3FF) << 10 | (FP[1] & 0x3FF)) + 0x10000;
            len = 2;
        }
        if (!IsCombiningChar(code))
            break;
        combined = true;
        FP += len;
    }
}

void TFountainParser::WideProc()
{
    FToken = tokWide;
    if (FP < FEnd)
        ++FP;
    while (FP < FEnd && *FP >= 256)
        ++FP;
}

void TFountainParser::WideContinueProc()
{
    FToken = tokWide;
    if (FEnd - FP >= 2 && FP[0] == 0x30FB) {
        const char16_t c = FP[1];
        if ((c >= 0x40 && c <= 0x4E) || (c >= 0x59 && c <= 0x5F) || (c >= 0x7A && c <= 0x80) ||
            (c >= 0x97 && c <= 0xF0) || (c >= 0xF2 && c <= 0xFF))
            FP += 2;
    }
}

void TFountainParser::DoubleByteProc()
{
    FToken = tokDoubleByte;
    while (FP < FEnd && ((*FP >= 0x88 && *FP <= 0x9F) || (*FP >= 0xE0 && *FP <= 0xFC))) {
        ++FP;
        if (FP < FEnd && *FP >= 0x40 && *FP <= 0xFF)
            ++FP;
    }
}

void TFountainParser::HalfKanaSymbolProc()
{
    FToken = tokHalfKanaSymbol;
    if (FP < FEnd && *FP >= 0xA1 && *FP <= 0xA5)
        ++FP;
}

void TFountainParser::HalfKanaProc()
{
    FToken = tokHalfKana;
    while (FP < FEnd && *FP >= 0xA6 && *FP <= 0xDF)
        ++FP;
}

void TFountainParser::TabProc()
{
    FToken = tokTab;
    if (FP < FEnd)
        ++FP;
}

void TFountainParser::EofProc()
{
    FToken = tokEof;
}

void TFountainParser::LfProc()
{
    FToken = tokEof;
    if (FP < FEnd && *FP == u'\n')
        ++FP;
}

void TFountainParser::CrProc()
{
    FToken = tokEof;
    if (FP < FEnd && *FP == u'\r')
        ++FP;
    if (FP < FEnd && *FP == u'\n')
        ++FP;
}

void TFountainParser::SymbolProc()
{
    FToken = tokSymbol;
    if (!AtRowEnd(FP))
        ++FP;
}

void TFountainParser::ReserveProc()
{
    if (FP < FEnd)
        CallCharMethod(*FP);
    FToken = tokReserve;
}

void TFountainParser::QuoteProc(char16_t Quote, TTokenKind Kind)
{
    FToken = Kind;
    if (!FIsStartToken && FP < FEnd)
        ++FP; // the opening quote
    while (!AtRowEnd(FP)) {
        if (*FP == Quote) {
            ++FP;
            if (FP < FEnd && *FP == Quote) {
                ++FP; // a doubled quote stands for one
                continue;
            }
            return;
        }
        ++FP;
    }
}

void TFountainParser::SingleQuoteProc()
{
    QuoteProc(u'\'', tokSingleQuote);
}

void TFountainParser::DoubleQuoteProc()
{
    QuoteProc(u'"', tokDoubleQuote);
}

bool TFountainParser::IsMailStart()
{
    const char16_t *p = FP;
    if (p >= FEnd || !IsMailChar(*p) || *p == u'@')
        return false;
    bool at = false;
    while (p < FEnd && IsMailChar(*p)) {
        if (*p == u'@') {
            at = true;
        } else if (*p == u'.' && at) {
            FP = p + 1;
            return true;
        }
        ++p;
    }
    return false;
}

void TFountainParser::MailProc()
{
    FToken = tokMail;
    while (FP < FEnd && IsMailChar(*FP))
        ++FP;
}

bool TFountainParser::IsUrlStart()
{
    auto pass = [this](QStringView prefix) {
        if (!MatchAt(FP, prefix))
            return false;
        FP += prefix.size();
        return true;
    };
    switch (*FP) {
    case u'f':
        return pass(u"ftp:");
    case u'h':
        return pass(u"http:") || pass(u"https:");
    case u'w':
        return pass(u"www.");
    default:
        return false;
    }
}

void TFountainParser::UrlProc()
{
    FToken = tokUrl;
    while (FP < FEnd && IsUrlChar(*FP))
        ++FP;
}

QString TFountainParser::TokenStringStatsPack() const
{
    const char16_t *e = FSourcePtr;
    for (;;) {
        if (e < FEnd && IsPackUnit(*e))
            ++e;
        else if (FEnd - e >= 2 && *e == u' ' && IsPackUnit(e[1]))
            e += 2;
        else
            break;
    }
    return QString(reinterpret_cast<const QChar *>(FBuffer), e - FBuffer);
}

bool TFountainParser::IsReserveWord()
{
    if (FIsStartToken || FToken == tokEof || FToken == tokBracket || FToken == tokComment)
        return false;
    const TSortedStringList &words = FFountain->ReserveWordList();
    if (words.IsEmpty())
        return false;
    if (!FMarkerWordMode)
        return words.IndexOf(TokenView()) >= 0;
    return words.IndexOf(QString(kMarkerWord + TokenStringStatsPack())) >= 0;
}

bool TFountainParser::ReserveWordToken(TTokenKind &Kind)
{
    const bool r = IsReserveWord();
    if (r)
        Kind = tokReserve;
    return r;
}

void TFountainParser::LastTokenBracket(int Index, const TRowAttributeStringList &Strings, TRowAttributeData &Data)
{
    if (Data.StartToken < 256 && LineEndTokenKinds().test(Data.StartToken)) {
        Data.WrappedByte = 0;
        if (Data.RowAttribute != raWrapped)
            Data.StartToken = 0;
        return;
    }
    const QString &row = Strings[Index];
    const int n = int(row.size());
    if (std::all_of(row.begin(), row.end(), [](QChar c) { return c == u' '; }))
        return; // also an empty row
    const bool lookAhead = Data.RowAttribute == raWrapped && Index + 1 < Strings.Count();
    NewData(lookAhead ? row + Strings[Index + 1] : row, Data);

    TTokenKind last = tokEof;
    int lastBracket = -1, lastStart = 0, lastEnd = 0;
    for (;;) {
        const TTokenKind kind = NextToken();
        Data.BracketIndex = FBracketIndex;
        last = kind;
        if (kind == tokBracket)
            lastBracket = FDrawBracketIndex;
        lastStart = SourcePos();
        lastEnd = lastStart + TokenLength();
        if (kind == tokEof || lastEnd > n)
            break;
        Data.ElementIndex = FElementIndex;
        Data.PrevToken = FPrevToken;
    }
    Data.WrappedByte = 0;
    Data.StartToken = 0;
    if (last != tokEof && lastStart >= n) {
        Data.BracketIndex = -1; // the last token lies wholly in the next row
        return;
    }
    if (lastStart >= n || lastEnd <= n)
        return;

    // The last token straddles the row end.
    Data.ElementIndex = FElementIndex;
    const int cut = lastEnd - n;
    if (last == tokBracket) {
        if (Data.BracketIndex == -1) {
            Data.BracketIndex = lastBracket;
            const TFountainBracketCollection *brackets = FFountain->Brackets();
            if (lastBracket >= 0 && lastBracket < brackets->Count() &&
                cut < brackets->GetBracketItem(lastBracket)->RightBracket().size()) {
                Data.StartToken = tokBracket;
                Data.WrappedByte = cut;
            }
        }
        return;
    }
    TTokenKind kind = last;
    ReserveWordToken(kind);
    Data.StartToken = kind;
    if (kind < 256 && RescanTokenKinds().test(kind))
        return;
    const bool reachesEnd = lastEnd == FText.size();
    const bool nextWrapped = Index + 1 < Strings.Count() && Strings.Rows(Index + 1) == raWrapped;
    // The row list keeps 8 bits for the count; a longer remainder is found by
    // scanning the next row again.
    if (!(reachesEnd && nextWrapped) && cut <= 255)
        Data.WrappedByte = cut;
}
