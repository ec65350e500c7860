#pragma once
// Helpers for the editor tests: a fountain configured as the SQL editors
// configure it, and token lists of a row.
#include "editor/EditorFountain.h"
#include "editor/EditorParser.h"
#include <QString>
#include <memory>
#include <utility>
#include <vector>

struct Tok {
    TTokenKind kind;
    QString text;
    bool operator==(const Tok &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const Tok &t)
{
    return os << "(" << int(t.kind) << " \"" << t.text.toStdString() << "\")";
}

inline std::unique_ptr<TEditorFountain> SqlFountain()
{
    auto f = std::make_unique<TEditorFountain>();
    f->SetCommenter(QStringLiteral("--"));
    f->SetQuotation(QStringLiteral("'"));
    f->SetDoubleQuotation(QStringLiteral("\""));
    TFountainBracketItem *b = f->Brackets()->Add();
    b->SetLeftBracket(QStringLiteral("/*"));
    b->SetRightBracket(QStringLiteral("*/"));
    f->SetReserveWordList(QStringList{QStringLiteral("SELECT"), QStringLiteral("FROM"), QStringLiteral("where"),
                                      QStringLiteral("(")});
    return f;
}

inline TRowAttributeData FreshState()
{
    TRowAttributeData d;
    d.BracketIndex = -1;
    return d;
}

// Every token of Row until tokEof (bounded, so a runaway parser fails).
inline std::vector<Tok> Tokens(TFountainParser &p, const QString &row, const TRowAttributeData &d = FreshState())
{
    std::vector<Tok> r;
    p.NewData(row, d);
    for (int guard = 0; guard < row.size() + 4; ++guard) {
        const TTokenKind k = p.NextToken();
        if (k == tokEof)
            return r;
        r.push_back({k, p.TokenString()});
    }
    r.push_back({0xFFFF, QStringLiteral("no end")});
    return r;
}

// Rows with their attributes; computes the chain of start states through
// LastTokenBracket and returns the start state of each row.
inline std::vector<TRowAttributeData> Chain(TFountainParser &p, TRowAttributeStringList &list,
                                            const std::vector<std::pair<QString, TRowAttribute>> &rows)
{
    list.Clear();
    for (const auto &[text, attr] : rows) {
        const int i = list.Add(text);
        list.SetRows(i, attr);
    }
    std::vector<TRowAttributeData> states;
    TRowAttributeData d = FreshState();
    for (int i = 0; i < list.Count(); ++i) {
        d.RowAttribute = list.Rows(i);
        d.PrevRowAttribute = i > 0 ? list.Rows(i - 1) : raCrlf;
        list.SetRowAttributeData(i, d);
        states.push_back(d);
        p.LastTokenBracket(i, list, d);
    }
    return states;
}
