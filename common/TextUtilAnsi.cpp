// Kept apart from TextUtil.cpp: this is the one text helper that needs the
// platform's code-page conversion, so programs that use only the other
// helpers do not link the encoding layer.
#include "common/TextUtil.h"

bool IsDbcsLeadChar(const QString &Text, int Index)
{
    if (Index < 1 || Index > Text.size())
        return false;
    QString ch = Text.mid(Index - 1, 1);
    if (ch[0].isHighSurrogate() && Index < Text.size())
        ch = Text.mid(Index - 1, 2);
    if (ch[0].unicode() < 0x80)
        return false;
    // A character the code page cannot hold becomes a single '?'.
    return tv::text::Encode(ch, tv::text::Encoding::Ansi).size() >= 2;
}
