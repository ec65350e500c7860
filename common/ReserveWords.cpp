#include "common/ReserveWords.h"

#include "common/KeywordList.h"
#include "common/OptionIO.h"

#include <algorithm>

QStringList ReserveWordList;

namespace {
const QString kReserveKey = QStringLiteral("RESERVE");
}

void SortReserveWords(QStringList &words)
{
    std::stable_sort(words.begin(), words.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
}

void LoadReserveWords(tv::settings::TtvRegistry &reg)
{
    ReserveWordList.clear();
    const bool open = reg.OpenKey(optionio::OptionKey(kReserveKey), true);
    if (open)
        ReserveWordList = reg.GetValueNames();
    ReserveWordList.removeAll(QString());
    if (ReserveWordList.isEmpty())
        FillKeywordList(ReserveWordList);
    SortReserveWords(ReserveWordList);
    if (open) {
        try {
            reg.CloseKey();
        } catch (...) {
            // Only a pending write of an earlier save can fail here; it is
            // reported by the next save.
        }
    }
}

void SaveReserveWords(tv::settings::TtvRegistry &reg)
{
    {
        optionio::OptionSaver root(reg, QString());
        reg.DeleteKey(kReserveKey);
        root.Close();
    }
    optionio::OptionSaver saver(reg, kReserveKey);
    for (const QString &word : ReserveWordList) {
        if (!word.isEmpty()) // an empty name would be the key's default value
            reg.WriteString(word, QString());
    }
    saver.Close();
}
