#pragma once
// TEditorWrapOption: the word-wrap settings of a row store: the wrap width
// (WrapByte, 20..250 columns), breaking at word boundaries, hanging
// punctuation and the Japanese line-break rules (FollowStr: characters that
// must not begin a row; LeadStr: characters that must not end one). Setters
// notify only when the value changes; Assign copies all eight values and
// notifies once.
#include "editor/NotifyPersistent.h"
#include <QString>

class TEditorWrapOption : public TNotifyPersistent {
public:
    TEditorWrapOption();
    const char *ClassName() const override { return "TEditorWrapOption"; }

    static QString DefaultFollowStr();
    static QString DefaultLeadStr();
    static QString DefaultPunctuationStr();

    bool FollowRetMark() const { return FFollowRetMark; }
    void SetFollowRetMark(bool V) { SetNotify(FFollowRetMark, V); }
    bool FollowPunctuation() const { return FFollowPunctuation; }
    void SetFollowPunctuation(bool V) { SetNotify(FFollowPunctuation, V); }
    const QString &FollowStr() const { return FFollowStr; }
    void SetFollowStr(const QString &V) { SetNotify(FFollowStr, V); }
    bool Leading() const { return FLeading; }
    void SetLeading(bool V) { SetNotify(FLeading, V); }
    const QString &LeadStr() const { return FLeadStr; }
    void SetLeadStr(const QString &V) { SetNotify(FLeadStr, V); }
    const QString &PunctuationStr() const { return FPunctuationStr; }
    void SetPunctuationStr(const QString &V) { SetNotify(FPunctuationStr, V); }
    bool WordBreak() const { return FWordBreak; }
    void SetWordBreak(bool V) { SetNotify(FWordBreak, V); }
    int WrapByte() const { return FWrapByte; }
    void SetWrapByte(int V) { SetNotify(FWrapByte, V < 20 ? 20 : V > 250 ? 250 : V); }

    void Assign(const TPersistent &Source) override;

private:
    bool FFollowRetMark = false;
    bool FFollowPunctuation = false;
    QString FFollowStr;
    bool FLeading = false;
    QString FLeadStr;
    QString FPunctuationStr;
    bool FWordBreak = false;
    int FWrapByte = 80;
};
