#include "editor/RowAttributeStringList.h"

TRowAttributeData TRowAttributeStringList::RowAttributeData(int Index) const
{
    TRowAttributeData d;
    d.RowAttribute = Rows(Index);
    d.PrevRowAttribute = PrevRows(Index);
    d.BracketIndex = Brackets(Index);
    d.ElementIndex = Elements(Index);
    d.WrappedByte = WrappedBytes(Index);
    d.Remain = Remains(Index);
    d.StartToken = Tokens(Index);
    d.PrevToken = PrevTokens(Index);
    d.DataStr = GetDataStr(Index);
    return d;
}

void TRowAttributeStringList::SetRowAttributeData(int Index, const TRowAttributeData &Data)
{
    std::uint32_t item = 0;
    item = (item & ~0x3u) | (Data.RowAttribute & 3u);
    item |= std::uint32_t(Data.PrevRowAttribute & 3u) << 2;
    item |= std::uint32_t((Data.BracketIndex + 2) & 0xF) << 4;
    item |= std::uint32_t(Data.ElementIndex & 0xFF) << 8;
    item |= std::uint32_t(Data.WrappedByte & 0xFF) << 16;
    item |= std::uint32_t(Data.Remain & 0xFF) << 24;
    PutItem(Index, item);
    std::uint32_t item2 = GetItem2(Index) & 0xFFFF0000u; // keep the row marks
    item2 |= std::uint32_t(Data.StartToken & 0xFF) | std::uint32_t(Data.PrevToken & 0xFF) << 8;
    PutItem2(Index, item2);
    PutDataStr(Index, Data.DataStr);
}
