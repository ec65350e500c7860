#pragma once
// The SQL highlighting of the editor benchmarks: "--" comments, '' and ""
// quotes, "/*" "*/" block comments and the given reserved words.
#include "editor/EditorFountain.h"

#include <QStringList>
#include <initializer_list>
#include <memory>

namespace tvbench {

inline std::unique_ptr<TEditorFountain> sqlFountain(std::initializer_list<const char *> reserveWords)
{
    auto f = std::make_unique<TEditorFountain>();
    f->SetCommenter(QStringLiteral("--"));
    f->SetQuotation(QStringLiteral("'"));
    f->SetDoubleQuotation(QStringLiteral("\""));
    auto *b = f->Brackets()->Add();
    b->SetLeftBracket(QStringLiteral("/*"));
    b->SetRightBracket(QStringLiteral("*/"));
    QStringList words;
    for (const char *w : reserveWords)
        words << QString::fromLatin1(w);
    f->SetReserveWordList(words);
    return f;
}

} // namespace tvbench
