#include "editor/EditorWrapOption.h"

TEditorWrapOption::TEditorWrapOption()
    : FFollowStr(DefaultFollowStr()), FLeadStr(DefaultLeadStr()), FPunctuationStr(DefaultPunctuationStr())
{
}

QString TEditorWrapOption::DefaultFollowStr()
{
    return QStringLiteral("、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ");
}

QString TEditorWrapOption::DefaultLeadStr()
{
    return QStringLiteral("（［｛「『([{｢");
}

QString TEditorWrapOption::DefaultPunctuationStr()
{
    return QStringLiteral("、。，．,.｡､");
}

void TEditorWrapOption::Assign(const TPersistent &Source)
{
    if (const auto *s = dynamic_cast<const TEditorWrapOption *>(&Source)) {
        FFollowRetMark = s->FFollowRetMark;
        FFollowPunctuation = s->FFollowPunctuation;
        FFollowStr = s->FFollowStr;
        FLeading = s->FLeading;
        FLeadStr = s->FLeadStr;
        FPunctuationStr = s->FPunctuationStr;
        FWordBreak = s->FWordBreak;
        FWrapByte = s->FWrapByte;
        Changed();
        return;
    }
    TNotifyPersistent::Assign(Source);
}
