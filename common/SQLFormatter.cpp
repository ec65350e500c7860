#include "common/SQLFormatter.h"

#include "common/FormatOption.h"
#include "common/KeywordList.h"

#include <QStringList>

#include <unordered_set>

namespace {

// A set of upper-case words looked up by view, so that a word is found
// without building a string for it.
class WordSet {
public:
    explicit WordSet(const QStringList &Words)
    {
        for (const QString &w : Words)
            store.append(w.toUpper());
        for (const QString &w : std::as_const(store))
            set.insert(QStringView(w));
    }
    bool contains(QStringView Word) const { return set.find(Word) != set.end(); }

private:
    struct Hash {
        size_t operator()(QStringView v) const noexcept
        {
            size_t h = 14695981039346656037ull; // FNV-1a
            for (QChar c : v)
                h = (h ^ c.unicode()) * 1099511628211ull;
            return h;
        }
    };
    QStringList store; // owns the text the views point at
    std::unordered_set<QStringView, Hash> set;
};

const WordSet &keywordSet()
{
    static const WordSet set = [] {
        QStringList list;
        FillKeywordList(list);
        return WordSet(list);
    }();
    return set;
}

// Word == Keyword for an upper-case word against an upper-case ASCII
// keyword; most words differ in length and are told apart at once.
inline bool is(const QString &Word, QLatin1String Keyword)
{
    const qsizetype len = Keyword.size();
    if (Word.size() != len)
        return false;
    const QChar *w = Word.constData();
    const char *k = Keyword.data();
    for (qsizetype i = 0; i < len; ++i)
        if (w[i].unicode() != char16_t(uchar(k[i])))
            return false;
    return true;
}

bool isDelimiter(QChar c)
{
    switch (c.unicode()) {
    case '\t': case '\n': case '\r': case ' ': case '"': case '\'': case '(': case ')': case '*':
    case ',': case '-': case '/': case ';': case '<': case '=': case '>':
        return true;
    default:
        return false;
    }
}

bool isWhite(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// A qualifier's "." binds the names on both sides of it: a."id", "t".c,
// "s"."t"."c". Tail: the last character written; Next: the first one to come.
bool QualifierJoint(QStringView Tail, QChar Next)
{
    return (Tail == QLatin1String(".") && Next == QLatin1Char('"'))
           || (Tail == QLatin1String("\"") && Next == QLatin1Char('.'));
}

bool isWordChar(QChar c)
{
    return !isDelimiter(c);
}

// Out = Text.toUpper(), written into Out's own buffer: a plain ASCII word is
// converted in place without allocating; any other text takes the full
// Unicode mapping (which may change the length, "ß" -> "SS").
void upperInto(QStringView Text, QString &Out)
{
    const qsizetype len = Text.size();
    Out.resize(len);
    QChar *dst = Out.data();
    const QChar *src = Text.data();
    for (qsizetype i = 0; i < len; ++i) {
        const char16_t c = src[i].unicode();
        if (c >= 0x80) {
            Out = Text.toString().toUpper();
            return;
        }
        dst[i] = QChar(c >= 'a' && c <= 'z' ? char16_t(c - ('a' - 'A')) : c);
    }
}

// True when the text, without trailing whitespace, ends with the whole word
// Word (compared without regard to case). Looks only at the tail.
bool tailWordIs(const QString &Text, QLatin1String Word)
{
    qsizetype end = Text.size();
    while (end > 0 && isWhite(Text[end - 1]))
        --end;
    const qsizetype start = end - Word.size();
    if (start < 0)
        return false;
    if (start > 0 && isWordChar(Text[start - 1]))
        return false;
    return QStringView(Text).mid(start, Word.size()).compare(Word, Qt::CaseInsensitive) == 0;
}

class Formatter {
public:
    Formatter(const QString &Text, const TFormatOption &Option) : S(Text), opt(Option)
    {
        for (int c = 0; c < ClauseCount; ++c)
            LineIndents[c] = makeLineIndent(c);
        OtherIndent = makeLineIndent(ClauseCount);
    }
    QString run();

private:
    // ---- input helpers
    qsizetype n() const { return S.size(); }
    QChar at(qsizetype i) const { return i >= 0 && i < S.size() ? S.at(i) : QChar(); }
    // The end of the whitespace run at q. Runs already measured are
    // remembered, so a long run of blanks is walked once, not once per blank.
    qsizetype skipWhite(qsizetype q) const
    {
        if (q > whiteFrom && q <= whiteEnd)
            return whiteEnd;
        const qsizetype from = q;
        while (q < n() && isWhite(S[q]))
            ++q;
        whiteFrom = from;
        whiteEnd = q;
        return q;
    }
    qsizetype skipBlanks(qsizetype q) const
    {
        if (q > blankFrom && q <= blankEnd)
            return blankEnd;
        const qsizetype from = q;
        while (q < n() && (S[q] == QLatin1Char(' ') || S[q] == QLatin1Char('\t')))
            ++q;
        blankFrom = from;
        blankEnd = q;
        return q;
    }
    QStringView wordAt(qsizetype q) const
    {
        qsizetype e = q;
        while (e < n() && !isWhite(S.at(e)))
            ++e;
        return QStringView(S).mid(q, e - q);
    }

    // ---- look-aheads (from position Q)
    bool clauseKeywordAhead(qsizetype Q);
    bool nextWordIs(qsizetype Q, QLatin1String T) const;
    bool commentAhead(qsizetype Q) const;
    bool lineEndsAhead(qsizetype Q) const;
    bool commaAhead(qsizetype Q) const;

    // ---- output helpers
    bool atLineStart() const { return O.isEmpty() || O.endsWith(QLatin1Char('\n')); }
    bool anyQuoteOrComment() const { return InBlockComment || InLineComment || InSingleQuote || InDoubleQuote; }
    void put(const QString &T)
    {
        if (!T.isEmpty()) {
            O += T;
            IndentDone = false;
        }
    }
    // Ends the output line; blanks at its end are dropped (only the tail is
    // looked at).
    void lineBreak()
    {
        qsizetype e = O.size();
        while (e > 0 && O[e - 1] == QLatin1Char(' '))
            --e;
        if (e < O.size() && !(InSingleQuote || InDoubleQuote))
            O.truncate(e);
        O += QLatin1String("\r\n");
        IndentDone = false;
    }
    void indentation()
    {
        addIndent();
        IndentDone = true;
    }
    // Writes the block indentation.
    void addIndent()
    {
        if (BlockIndent > 0)
            O.resize(O.size() + BlockIndent, QLatin1Char(' '));
    }
    QString caseOf(const QString &T, int Trans) const
    {
        switch (Trans) {
        case 0: return T.toUpper();
        case 1: return T.toLower();
        default: return T;
        }
    }
    QString keywordCase(const QString &T) const { return caseOf(T, opt.ReserveTrans); }
    QString convertCase(const QString &T) const
    {
        if (T.isEmpty() || anyQuoteOrComment())
            return T;
        upperInto(T, CU);
        switch (keywordSet().contains(CU) ? opt.ReserveTrans : opt.ItemTrans) {
        case 0: return CU == T ? T : QString(CU.constData(), CU.size());
        case 1: return T.toLower();
        default: return T;
        }
    }
    QString padKeyword(const QString &T, int C) const;
    QString padKeyword(const QString &T) const { return padKeyword(T, Clause); }
    // The start of a continued line in clause C (fixed for the run).
    const QString &lineIndent(int C) const { return C >= 0 && C < ClauseCount ? LineIndents[C] : OtherIndent; }
    QString makeLineIndent(int C) const;
    void flushPending()
    {
        if (!X.isEmpty()) {
            put(X);
            X.truncate(0);
        }
    }
    void newLine()
    {
        if (!atLineStart())
            lineBreak();
        addIndent();
        IndentDone = false;
    }
    void keywordLine(const QString &K)
    {
        flushPending();
        newLine();
        put(padKeyword(keywordCase(K)));
    }
    void breakUnlessEnd(qsizetype Q)
    {
        if (!lineEndsAhead(Q))
            lineBreak();
    }
    void resetBlockState()
    {
        InException = InDeclare = ForOpen = WhileOpen = CursorOpen = false;
        FirstBlock = FirstWhen = true;
    }
    bool copyComment(qsizetype Q, const QString *GivenWord);

    // ---- steps
    void step(QChar D);
    void insideQuoteOrComment(QChar D);
    bool procedural(QChar &D);
    void statementKeywords();
    void listClause(QChar D);
    void commaInList();
    void pendingList(QChar D);
    void condition(QChar D);
    void plainOutput(QChar D);
    void track(QChar D);
    void addWordToPending(const QString &Word, bool AfterCloseParen);

    QString S;
    const TFormatOption opt;
    qsizetype P = 0;
    QString O, W, X;
    bool IndentDone = false;
    int Kind = 0, Clause = 0;
    bool InBlockComment = false, InLineComment = false, InSingleQuote = false, InDoubleQuote = false;
    qsizetype BlockCommentStar = -1; // position of the "*" that opened the block comment
    bool InParens = false, InInsertParens = false, JoinOpen = false, BetweenOpen = false;
    int BlockIndent = 0;
    bool InDeclare = false, FirstBlock = true, InException = false, FirstWhen = true, ForOpen = false,
         WhileOpen = false, CursorOpen = false;
    // The step consumed its delimiter itself (the comment copier, END IF;).
    bool DConsumed = false;
    mutable qsizetype whiteFrom = -1, whiteEnd = -1, blankFrom = -1, blankEnd = -1;
    // U: W in upper case, set once per word by the step; CU, CK: work
    // buffers of the case conversion and the clause look-ahead.
    QString U;
    mutable QString CU, CK;
    static constexpr int ClauseCount = 10;
    QString LineIndents[ClauseCount], OtherIndent;
};

// ---------------------------------------------------------------------------

bool Formatter::clauseKeywordAhead(qsizetype Q)
{
    const qsizetype q = skipWhite(Q);
    if (q >= n())
        return false;
    const QStringView word = wordAt(q);
    upperInto(word, CK);
    const QString &w = CK;
    static const WordSet clauseWords({
        QStringLiteral("SELECT"), QStringLiteral("FROM"),   QStringLiteral("WHERE"),  QStringLiteral("GROUP"),
        QStringLiteral("ORDER"),  QStringLiteral("HAVING"), QStringLiteral("RIGHT"),  QStringLiteral("LEFT"),
        QStringLiteral("INNER"),  QStringLiteral("OUTER"),  QStringLiteral("JOIN"),   QStringLiteral("INSERT"),
        QStringLiteral("VALUES"), QStringLiteral("UPDATE"), QStringLiteral("SET"),    QStringLiteral("DELETE"),
        QStringLiteral("UNION"),  QStringLiteral("FOR")});
    bool found = clauseWords.contains(w);
    if (!found && (is(w, QLatin1String("AND")) || is(w, QLatin1String("OR"))))
        found = opt.AndPos == 0 && opt.ItemReturn == 0;
    if (!found && Clause == 3 && word.startsWith(QLatin1Char('(')))
        found = true;
    // A clause keyword ends an open join, except the words that continue it.
    if (found && !is(w, QLatin1String("JOIN")) && !is(w, QLatin1String("OUTER")))
        JoinOpen = false;
    return found;
}

bool Formatter::nextWordIs(qsizetype Q, QLatin1String T) const
{
    qsizetype q = Q;
    while (q < n() && (isWhite(S[q]) || S[q] == QLatin1Char(';')))
        ++q;
    qsizetype e = q;
    while (e < n() && !isWhite(S[e]) && S[e] != QLatin1Char(';'))
        ++e;
    return QStringView(S).mid(q, e - q).compare(T, Qt::CaseInsensitive) == 0;
}

bool Formatter::commentAhead(qsizetype Q) const
{
    const qsizetype q = skipWhite(Q);
    return (at(q) == QLatin1Char('-') && at(q + 1) == QLatin1Char('-'))
           || (at(q) == QLatin1Char('/') && at(q + 1) == QLatin1Char('*'));
}

bool Formatter::lineEndsAhead(qsizetype Q) const
{
    const qsizetype q = skipBlanks(Q);
    return q < n() && (S[q] == QLatin1Char('\r') || S[q] == QLatin1Char('\n'));
}

bool Formatter::commaAhead(qsizetype Q) const
{
    return at(skipWhite(Q)) == QLatin1Char(',');
}

QString Formatter::padKeyword(const QString &T, int C) const
{
    const bool blank = T.trimmed().isEmpty();
    QString r = T;
    if (r.size() <= 6) {
        const QString pad(6 - r.size(), QLatin1Char(' '));
        r = opt.ReservePos == 0 ? pad + r : r + pad;
    }
    if ((C == 7 || C == 9) && (opt.ReservePos == 0 || blank))
        r.prepend(QLatin1Char(' '));
    if (!blank)
        r += QLatin1Char(' ');
    return r;
}

QString Formatter::makeLineIndent(int C) const
{
    QString r;
    if (C == 3 || C == 4 || C == 7 || C == 9)
        r = padKeyword(QString(7, QLatin1Char(' ')), C);
    else
        r = padKeyword(QString(6, QLatin1Char(' ')), C);
    if (opt.CommaPos == 1 || ((C == 6 || C == 8) && opt.AndPos == 1))
        r += QLatin1Char(' ');
    return r;
}

// Copies a comment that starts at Q (after blanks) into the output, moving P
// along. Returns whether it wrote (or left to the caller's next keyword) a
// line break.
bool Formatter::copyComment(qsizetype Q, const QString *GivenWord)
{
    qsizetype q = Q;
    while (q < n() && (S[q] == QLatin1Char(' ') || S[q] == QLatin1Char('\t')))
        ++q;
    const bool lineComment = at(q) == QLatin1Char('-') && at(q + 1) == QLatin1Char('-');
    const bool blockComment = at(q) == QLatin1Char('/') && at(q + 1) == QLatin1Char('*');
    if (!lineComment && !blockComment)
        return false;
    if (!O.isEmpty() && !O.endsWith(QLatin1Char(' ')) && !O.endsWith(QLatin1Char('\n')))
        O += QLatin1Char(' ');
    IndentDone = false;

    auto continuation = [&]() {
        lineBreak();
        addIndent();
        if (GivenWord)
            put(padKeyword(convertCase(*GivenWord)));
        else
            put((opt.CommaPos == 0 ? QStringLiteral(" ") : QString()) + lineIndent(Clause));
    };

    if (lineComment) {
        qsizetype e = q;
        while (e < n() && S[e] != QLatin1Char('\r') && S[e] != QLatin1Char('\n'))
            ++e;
        O += QStringView(S).mid(q, e - q);
        // e: the line end (or the end of the text).
        if (e >= n()) {
            P = n() - 1;
            return false;
        }
        qsizetype lf = e;
        if (S[lf] == QLatin1Char('\r') && at(lf + 1) == QLatin1Char('\n'))
            ++lf;
        // Before a clause keyword or a leading comma the comment ends its line
        // and the keyword or comma makes the break; a given word (AND, OR)
        // always follows on the next line.
        if (!GivenWord
            && (clauseKeywordAhead(lf + 1) || (commaAhead(lf + 1) && opt.CommaPos == 0 && opt.ItemReturn == 0))) {
            P = e - 1; // the line end is handled by the scan
            return true;
        }
        continuation();
        P = lf;
        return true;
    }

    // Block comment: copied to its end, each line of it continued at the
    // clause's indentation.
    qsizetype e = q + 2;
    bool wroteBreak = false;
    O += QLatin1String("/*");
    while (e < n() && !(S[e] == QLatin1Char('*') && at(e + 1) == QLatin1Char('/'))) {
        const QChar c = S[e];
        if (c == QLatin1Char('\r')) {
            ++e;
            continue;
        }
        if (c == QLatin1Char('\n')) {
            lineBreak();
            addIndent();
            O += lineIndent(Clause);
            wroteBreak = true;
        } else {
            O += c;
        }
        ++e;
    }
    if (e >= n()) {
        P = n() - 1;
        return wroteBreak;
    }
    O += QLatin1String("*/");
    P = e + 1;
    qsizetype t = P + 1;
    while (t < n() && (S[t] == QLatin1Char(' ') || S[t] == QLatin1Char('\t')))
        ++t;
    if (t < n() && (S[t] == QLatin1Char('\r') || S[t] == QLatin1Char('\n'))) {
        if (!clauseKeywordAhead(t) && !commentAhead(t) && !(commaAhead(t) && opt.CommaPos == 0)) {
            lineBreak();
            addIndent();
            O += lineIndent(Clause);
            P = t;
            if (S[t] == QLatin1Char('\r') && at(t + 1) == QLatin1Char('\n'))
                P = t + 1;
            return true;
        }
        return true;
    }
    return wroteBreak;
}

// ---------------------------------------------------------------------------

QString Formatter::run()
{
    if (S.isEmpty())
        return QString();
    P = 0;
    for (;;) {
        if (P >= n()) {
            if (W.isEmpty())
                break;
            // Process the last word once more, ended by a line end.
            P = n() - 1;
            S[P] = QLatin1Char('\r');
            whiteFrom = blankFrom = -1;
        }
        QChar c = S.at(P);
        if (!isDelimiter(c)) {
            // The rest of the word in one piece.
            qsizetype e = P + 1;
            while (e < n() && !isDelimiter(S.at(e)))
                ++e;
            W.append(S.constData() + P, e - P);
            P = e;
            continue;
        }
        if (c == QLatin1Char('\t') && !InSingleQuote && !InDoubleQuote) {
            S[P] = QLatin1Char(' ');
            c = QLatin1Char(' ');
        }
        DConsumed = false;
        const qsizetype before = P;
        step(c);
        if (!DConsumed && P == before)
            track(c);
        W.truncate(0);
        ++P;
    }
    flushPending();
    return O;
}

void Formatter::step(QChar D)
{
    if (anyQuoteOrComment()) {
        if (Kind != 0)
            insideQuoteOrComment(D);
        else
            plainOutput(D);
        return;
    }
    if (!W.isEmpty())
        upperInto(W, U);
    if (Kind == 0 && !W.isEmpty())
        procedural(D);
    if (!W.isEmpty())
        statementKeywords();
    if (DConsumed)
        return;
    if (Kind != 0) {
        if (Clause == 2)
            pendingList(D);
        else if (Clause == 6 || Clause == 8)
            condition(D);
        else
            listClause(D);
    } else {
        plainOutput(D);
    }
}

void Formatter::insideQuoteOrComment(QChar D)
{
    flushPending();
    put(W);
    if (InSingleQuote || InDoubleQuote) {
        // Quoted text keeps every character, line ends included.
        O += D;
        IndentDone = false;
        return;
    }
    if (D == QLatin1Char('\r') && at(P + 1) == QLatin1Char('\n'))
        return;
    if (D == QLatin1Char('\n') || D == QLatin1Char('\r')) {
        if (InLineComment) {
            InLineComment = false;
            if (!clauseKeywordAhead(P + 1)) {
                lineBreak();
                addIndent();
                put((opt.CommaPos == 0 ? QStringLiteral(" ") : QString()) + lineIndent(Clause));
            }
        } else {
            lineBreak();
            addIndent();
            put(lineIndent(Clause));
        }
        DConsumed = true; // the line end is not tracked again
        return;
    }
    O += D;
    IndentDone = false;
}

// Step 3: procedural keywords. May clear W, may write the delimiter itself.
bool Formatter::procedural(QChar &D)
{
    const QString &u = U;
    auto breakUnlessAtStart = [&]() {
        if (!atLineStart())
            lineBreak();
    };
    if (is(u, QLatin1String("CREATE"))) {
        breakUnlessAtStart();
        BlockIndent = 0;
        resetBlockState();
        return false;
    }
    if (is(u, QLatin1String("DECLARE"))) {
        InDeclare = true;
        breakUnlessAtStart();
        if (!FirstBlock) {
            indentation();
            BlockIndent += opt.Indent;
        }
        put(keywordCase(W));
        W.truncate(0);
        breakUnlessEnd(P);
        return true;
    }
    if (is(u, QLatin1String("IS")) && BlockIndent == 0 && CursorOpen) {
        CursorOpen = false;
        if (atLineStart())
            indentation();
        return false;
    }
    if (is(u, QLatin1String("BEGIN")) || (is(u, QLatin1String("IS")) && BlockIndent == 0 && !CursorOpen)) {
        breakUnlessAtStart();
        if (FirstBlock) {
            BlockIndent = 0;
            if (is(u, QLatin1String("BEGIN")))
                FirstBlock = false;
        } else if (InDeclare) {
            BlockIndent -= opt.Indent;
        }
        indentation();
        InDeclare = false;
        put(keywordCase(W));
        W.truncate(0);
        breakUnlessEnd(P);
        BlockIndent += opt.Indent;
        return true;
    }
    if (is(u, QLatin1String("EXCEPTION"))) {
        InException = FirstWhen = true;
        breakUnlessAtStart();
        BlockIndent -= opt.Indent;
        if (!IndentDone)
            indentation();
        put(keywordCase(W));
        W.truncate(0);
        breakUnlessEnd(P);
        BlockIndent += opt.Indent;
        return true;
    }
    if (is(u, QLatin1String("END"))) {
        breakUnlessAtStart();
        BlockIndent -= opt.Indent;
        if (InException && !FirstWhen && !nextWordIs(P, QLatin1String("IF")) && !nextWordIs(P, QLatin1String("LOOP"))) {
            // The last handler's body closes with the block.
            BlockIndent -= opt.Indent;
            InException = false;
        }
        indentation();
        put(keywordCase(W));
        W.truncate(0);
        return true;
    }
    if ((is(u, QLatin1String("IF")) || is(u, QLatin1String("LOOP"))) && tailWordIs(O, QLatin1String("END"))) {
        if (O.endsWith(QLatin1Char('\n')) || (!O.isEmpty() && !O.endsWith(QLatin1Char(' '))))
            O += QLatin1Char(' ');
        put(keywordCase(W));
        W.truncate(0);
        qsizetype q = P;
        while (q < n() && (S[q] == QLatin1Char(' ') || S[q] == QLatin1Char('\t')))
            ++q;
        if (at(q) == QLatin1Char(';')) {
            O += QLatin1Char(';');
            S[q] = QLatin1Char(' ');
            whiteFrom = blankFrom = -1;
            if (q == P)
                D = QLatin1Char(' ');
        }
        breakUnlessEnd(P);
        return true;
    }
    if (is(u, QLatin1String("IF")) || is(u, QLatin1String("LOOP"))) {
        if (is(u, QLatin1String("LOOP")) && (ForOpen || WhileOpen)) {
            ForOpen = WhileOpen = false;
            if (atLineStart())
                indentation();
        } else {
            breakUnlessAtStart();
            indentation();
        }
        W = convertCase(W);
        if (!is(u, QLatin1String("IF"))) {
            BlockIndent += opt.Indent;
            if (!lineEndsAhead(P)) {
                put(W);
                W.truncate(0);
                lineBreak();
                indentation();
            }
        }
        return false;
    }
    if (is(u, QLatin1String("ELSE")) || is(u, QLatin1String("ELSIF"))) {
        breakUnlessAtStart();
        BlockIndent -= opt.Indent;
        if (!IndentDone)
            indentation();
        put(keywordCase(W));
        W.truncate(0);
        if (is(u, QLatin1String("ELSE"))) {
            breakUnlessEnd(P);
            BlockIndent += opt.Indent;
        }
        return true;
    }
    if (is(u, QLatin1String("FOR"))) {
        ForOpen = true;
        return false;
    }
    if (is(u, QLatin1String("WHILE"))) {
        WhileOpen = true;
        return false;
    }
    if (is(u, QLatin1String("THEN"))) {
        if (atLineStart())
            indentation();
        put(keywordCase(W));
        W.truncate(0);
        BlockIndent += opt.Indent;
        breakUnlessEnd(P);
        return true;
    }
    if (is(u, QLatin1String("CURSOR"))) {
        CursorOpen = true;
        return false;
    }
    if (is(u, QLatin1String("WHEN")) && InException) {
        if (FirstWhen)
            FirstWhen = false;
        else
            BlockIndent -= opt.Indent;
        return false;
    }
    return false;
}

// Step 4: statement and clause keywords.
void Formatter::statementKeywords()
{
    const QString &u = U;
    auto asValues = [&](const QString &K) {
        flushPending();
        if (!atLineStart())
            lineBreak();
        addIndent();
        put(padKeyword(keywordCase(K)));
        InInsertParens = false;
        W.truncate(0);
    };
    if (is(u, QLatin1String("SELECT"))) {
        flushPending();
        Clause = 1;
        if (!O.isEmpty()) {
            if (!atLineStart())
                lineBreak();
            if (!IndentDone)
                addIndent();
        }
        put(padKeyword(keywordCase(W)));
        InParens = false;
        Kind = 1;
        W.truncate(0);
    } else if (is(u, QLatin1String("FROM")) && (Kind == 1 || Kind == 4)) {
        Clause = 5;
        keywordLine(W);
        W.truncate(0);
    } else if (is(u, QLatin1String("WHERE"))) {
        Clause = 6;
        keywordLine(W);
        BetweenOpen = false;
        X.truncate(0);
        W.truncate(0);
    } else if (is(u, QLatin1String("AND"))) {
        Clause = 6;
    } else if (is(u, QLatin1String("OR")) && (Kind == 1 || Kind == 3 || Kind == 4)) {
        Clause = 6;
    } else if (is(u, QLatin1String("GROUP")) && Kind == 1) {
        Clause = 7;
        keywordLine(QStringLiteral("GROUP BY"));
        W.truncate(0);
    } else if (is(u, QLatin1String("ORDER")) && Kind == 1) {
        Clause = 9;
        keywordLine(QStringLiteral("ORDER BY"));
        W.truncate(0);
    } else if (is(u, QLatin1String("BY")) && (Kind == 1 || Kind == 3) && (Clause == 7 || Clause == 9)) {
        W.truncate(0);
    } else if (is(u, QLatin1String("HAVING")) && Kind == 1) {
        Clause = 8;
        keywordLine(W);
        W.truncate(0);
    } else if ((is(u, QLatin1String("RIGHT")) || is(u, QLatin1String("LEFT")) || is(u, QLatin1String("INNER"))
                || is(u, QLatin1String("OUTER")))
               && Kind == 1) {
        flushPending();
        if (JoinOpen) {
            if (!O.endsWith(QLatin1Char(' ')))
                O += QLatin1Char(' ');
            put(keywordCase(W));
        } else {
            keywordLine(W);
        }
        JoinOpen = true;
        W.truncate(0);
    } else if (is(u, QLatin1String("JOIN")) && Kind == 1) {
        flushPending();
        if (JoinOpen) {
            if (!O.endsWith(QLatin1Char(' ')))
                O += QLatin1Char(' ');
            put(keywordCase(W) + QLatin1Char(' '));
        } else {
            keywordLine(W);
        }
        JoinOpen = false;
        W.truncate(0);
    } else if (is(u, QLatin1String("ON")) && JoinOpen) {
        Clause = 6;
        keywordLine(W);
        W.truncate(0);
    } else if (is(u, QLatin1String("INSERT")) && nextWordIs(P, QLatin1String("INTO"))) {
        flushPending();
        Clause = 3;
        if (!atLineStart())
            lineBreak();
        if (!IndentDone)
            addIndent();
        put(padKeyword(keywordCase(QStringLiteral("INSERT INTO"))));
        InInsertParens = false;
        Kind = 2;
        W.truncate(0);
    } else if (is(u, QLatin1String("INTO")) && Kind == 2) {
        W.truncate(0);
    } else if (is(u, QLatin1String("VALUES")) && Kind == 2) {
        Clause = 4;
        asValues(W);
    } else if (is(u, QLatin1String("UPDATE")) && !tailWordIs(O, QLatin1String("FOR"))) {
        Clause = 5;
        asValues(W);
        Kind = 3;
    } else if (is(u, QLatin1String("SET")) && Kind == 3) {
        Clause = 2;
        asValues(W);
        X.truncate(0);
    } else if (is(u, QLatin1String("DELETE"))) {
        Clause = 5;
        asValues(W);
        Kind = 4;
    } else if (is(u, QLatin1String("UNION"))) {
        Clause = 1;
        keywordLine(W);
        Kind = 1;
        W.truncate(0);
    } else if (is(u, QLatin1String("FOR")) && (Kind == 1 || Kind == 3)) {
        asValues(W);
    }
}

// Step 5: select list, INSERT lists, FROM, GROUP BY, ORDER BY.
void Formatter::listClause(QChar D)
{
    if (!W.isEmpty()) {
        if (O.endsWith(QLatin1Char(')')) && W[0] != QLatin1Char(':') && W[0] != QLatin1Char('.')
            && W[0] != QLatin1Char('['))
            O += QLatin1Char(' ');
        put(convertCase(W));
    }
    const bool inParens = (Clause == 3 || Clause == 4) ? InInsertParens : InParens;
    switch (D.unicode()) {
    case ',':
        if (inParens || opt.ItemReturn == 1) {
            put(QStringLiteral(", "));
        } else {
            commaInList();
        }
        return;
    case '(':
        if (Clause == 3 && !copyComment(P + 1, nullptr)) {
            if (!atLineStart())
                lineBreak();
            addIndent();
            put(padKeyword(QString(7, QLatin1Char(' '))));
        }
        put(QStringLiteral("("));
        return;
    case ')':
        if (Clause == 3) {
            put(QStringLiteral(")"));
            InParens = false;
            if (!copyComment(P + 1, nullptr))
                breakUnlessEnd(P + 1);
            return;
        }
        put(QStringLiteral(")"));
        return;
    case ' ':
        if (O.endsWith(QLatin1Char(' ')) || O.endsWith(QLatin1Char(',')) || atLineStart())
            return;
        if (InParens || (!clauseKeywordAhead(P + 1) && !commaAhead(P + 1)))
            put(QStringLiteral(" "));
        return;
    case '\n':
        if (commentAhead(P + 1) && !atLineStart()) {
            lineBreak();
            addIndent();
            put((opt.CommaPos == 0 ? QStringLiteral(" ") : QString()) + lineIndent(Clause));
            return;
        }
        if (O.endsWith(QLatin1Char(' ')) || O.endsWith(QLatin1Char(',')) || atLineStart())
            return;
        if (commaAhead(P + 1) || clauseKeywordAhead(P + 1))
            return;
        put(QStringLiteral(" "));
        return;
    case '\r':
        return;
    case '*':
        put(QStringLiteral("*"));
        return;
    case '-':
    case '/': {
        const qsizetype before = P;
        copyComment(P, nullptr);
        if (P != before) {
            DConsumed = true;
            return;
        }
        break;
    }
    default:
        break;
    }
    if (D == QLatin1Char(';') && at(P - 1) == QLatin1Char('\n')
        && (P + 1 >= n() || at(P + 1) == QLatin1Char('\r') || at(P + 1) == QLatin1Char('\n')))
        return; // a ";" alone on its line: written by the tracking step
    if (D == QLatin1Char('\'') || D == QLatin1Char('"')) {
        if (O.endsWith(QLatin1Char(')')))
            O += QLatin1Char(' ');
    }
    O += D;
    IndentDone = false;
}

// The comma of a list that puts one item per line.
void Formatter::commaInList()
{
    if (opt.CommaPos == 1) {
        // The comma ends the line; a comment after it stays on that line.
        put(QStringLiteral(","));
        const qsizetype before = P;
        const bool broke = copyComment(P + 1, nullptr);
        if (P != before)
            DConsumed = true;
        if (!broke) {
            lineBreak();
            addIndent();
            put(lineIndent(Clause));
        }
        return;
    }
    if (!atLineStart())
        lineBreak();
    addIndent();
    put(lineIndent(Clause) + QLatin1Char(','));
    const qsizetype before = P;
    copyComment(P + 1, nullptr);
    if (P != before)
        DConsumed = true;
}

// Step 6, Clause 2: the SET list collects each assignment.
void Formatter::pendingList(QChar D)
{
    if (!W.isEmpty()) {
        const QString w = convertCase(W);
        const QChar last = X.isEmpty() ? QChar() : X.back();
        if (!X.isEmpty() && last != QLatin1Char(' ') && last != QLatin1Char('(') && last != QLatin1Char('-')
            && last != QLatin1Char('/') && last != QLatin1Char('<') && last != QLatin1Char('>')
            && !QualifierJoint(QStringView(X).right(1), w[0]))
            X += QLatin1Char(' ');
        X += w;
    }
    if (D == QLatin1Char(',')) {
        if (InParens) {
            X += QStringLiteral(", ");
            return;
        }
        flushPending();
        if (opt.ItemReturn == 1)
            put(QStringLiteral(", "));
        else
            commaInList();
        return;
    }
    if (isWhite(D) || D == QLatin1Char(';'))
        return;
    if (D == QLatin1Char('-') || D == QLatin1Char('/')) {
        const qsizetype before = P;
        if (commentAhead(P)) {
            flushPending();
            copyComment(P, nullptr);
            if (P != before)
                DConsumed = true;
            return;
        }
    }
    const bool paren = D == QLatin1Char('(') || D == QLatin1Char(')');
    if (!X.isEmpty() && !X.endsWith(QLatin1Char(' ')) && !paren && !QualifierJoint(QStringView(X).right(1), D))
        X += QLatin1Char(' ');
    // An operator after a quoted name or literal, which went out already.
    if (X.isEmpty() && !paren && (O.endsWith(QLatin1Char('"')) || O.endsWith(QLatin1Char('\'')))
        && !QualifierJoint(QStringView(O).right(1), D))
        X += QLatin1Char(' ');
    X += D;
}

void Formatter::addWordToPending(const QString &Word, bool)
{
    if (Word.isEmpty())
        return;
    const QStringView tail = X.isEmpty() ? QStringView(O).right(1) : QStringView(X).right(1);
    bool blank = !tail.isEmpty() && tail != QLatin1String(" ") && tail != QLatin1String("(")
                 && tail != QLatin1String("\n");
    // "(a)::int", "(a).b", "f(x)[1]" stay together.
    if (tail == QLatin1String(")")
        && (Word[0] == QLatin1Char(':') || Word[0] == QLatin1Char('.') || Word[0] == QLatin1Char('[')))
        blank = false;
    if (QualifierJoint(tail, Word[0]))
        blank = false;
    if (blank)
        X += QLatin1Char(' ');
    X += Word;
}

// Step 6, Clauses 6 and 8: conditions collect in X; AND and OR place them.
void Formatter::condition(QChar D)
{
    if (!W.isEmpty()) {
        const QString &u = U;
        if ((is(u, QLatin1String("AND")) || is(u, QLatin1String("OR"))) && BetweenOpen) {
            BetweenOpen = false;
            addWordToPending(convertCase(W), false);
        } else if (is(u, QLatin1String("AND")) || is(u, QLatin1String("OR"))) {
            flushPending();
            const QString w = convertCase(W);
            if (InParens || opt.ItemReturn == 1) {
                if (!O.endsWith(QLatin1Char(' ')))
                    O += QLatin1Char(' ');
                put(w + QLatin1Char(' '));
            } else if (opt.AndPos == 1) {
                if (!O.endsWith(QLatin1Char(' ')))
                    O += QLatin1Char(' ');
                put(w);
                const qsizetype before = P;
                const bool broke = copyComment(P, nullptr);
                if (P != before)
                    DConsumed = true;
                if (!broke && !commentAhead(P + 1)) {
                    lineBreak();
                    addIndent();
                    put(lineIndent(Clause));
                }
            } else {
                const qsizetype before = P;
                const bool broke = copyComment(P, &W);
                if (P != before)
                    DConsumed = true;
                if (!broke) {
                    lineBreak();
                    addIndent();
                    put(padKeyword(w));
                }
            }
            X.truncate(0);
            W.truncate(0);
            return;
        } else if (is(u, QLatin1String("BETWEEN"))) {
            BetweenOpen = true;
            if (!X.isEmpty() && !X.endsWith(QLatin1Char('(')) && !X.endsWith(QLatin1Char(' ')))
                X += QLatin1Char(' ');
            X += convertCase(W);
        } else {
            addWordToPending(convertCase(W), false);
        }
    }
    if (DConsumed)
        return;
    if (D == QLatin1Char('\n')) {
        if (commentAhead(P + 1)) {
            flushPending();
            lineBreak();
            addIndent();
            put((opt.CommaPos == 0 ? QStringLiteral(" ") : QString()) + lineIndent(Clause));
        }
        return;
    }
    if (isWhite(D))
        return;
    if (D == QLatin1Char(';') && at(P - 1) == QLatin1Char('\n')
        && (P + 1 >= n() || at(P + 1) == QLatin1Char('\r') || at(P + 1) == QLatin1Char('\n')))
        return;
    const QStringView tail = X.isEmpty() ? QStringView(O).right(1) : QStringView(X).right(1);
    bool blank = !tail.isEmpty() && tail != QLatin1String(" ") && tail != QLatin1String("!")
                 && tail != QLatin1String("(") && tail != QLatin1String("-") && tail != QLatin1String("/")
                 && tail != QLatin1String("<") && tail != QLatin1String(">") && tail != QLatin1String("\n");
    if (D == QLatin1Char(')') || D == QLatin1Char(',') || D == QLatin1Char(';'))
        blank = false;
    if (D == QLatin1Char('(')) {
        // A call keeps its parenthesis; a list after a key word or an
        // operator gets a blank.
        blank = false;
        const QString &src = X.isEmpty() ? O : X;
        qsizetype e = src.size();
        qsizetype b = e;
        while (b > 0 && isWordChar(src[b - 1]))
            --b;
        if (b < e) {
            if (keywordSet().contains(src.mid(b, e - b).toUpper()))
                blank = true;
        } else if (e > 0 && (src[e - 1] == QLatin1Char('=') || src[e - 1] == QLatin1Char('<')
                             || src[e - 1] == QLatin1Char('>') || src[e - 1] == QLatin1Char(','))) {
            blank = true;
        }
    }
    if ((D == QLatin1Char('\'') || D == QLatin1Char('"')) && !tail.isEmpty() && tail != QLatin1String(" ")
        && tail != QLatin1String("(") && tail != QLatin1String("\n"))
        blank = true;
    if (QualifierJoint(tail, D))
        blank = false;
    if (D == QLatin1Char('=') && (tail == QLatin1String("<") || tail == QLatin1String(">") || tail == QLatin1String("!")))
        blank = false;
    if (D == QLatin1Char('>') && tail == QLatin1String("<"))
        blank = false;
    if ((D == QLatin1Char('-') && tail == QLatin1String("-")) || (D == QLatin1Char('*') && tail == QLatin1String("/")))
        blank = false;
    if (blank)
        X += QLatin1Char(' ');
    X += D;
}

// Step 7: procedural text and text outside any statement.
void Formatter::plainOutput(QChar D)
{
    const bool quoted = InSingleQuote || InDoubleQuote;
    if (quoted) {
        O += W;
        O += D;
        IndentDone = false;
        return;
    }
    const bool lineEnd = D == QLatin1Char('\r') || D == QLatin1Char('\n');
    if (!O.isEmpty() && atLineStart()) {
        if (W.isEmpty() && D == QLatin1Char(' '))
            return; // leading blanks of a line
        if (!IndentDone && !(W.isEmpty() && lineEnd))
            indentation();
    }
    if (!W.isEmpty()) {
        O += convertCase(W);
        IndentDone = false;
    }
    if (D == QLatin1Char(' ')) {
        if (IndentDone || O.isEmpty() || O.endsWith(QLatin1Char(' ')) || lineEndsAhead(P + 1) || P + 1 >= n())
            return;
        O += D;
        return;
    }
    if (lineEnd) {
        if (O.isEmpty())
            return;
        // Line ends are written as CR LF whatever the input used.
        if (D == QLatin1Char('\r')) {
            if (at(P + 1) != QLatin1Char('\n'))
                lineBreak();
            return;
        }
        lineBreak();
        return;
    }
    O += D;
    IndentDone = false;
}

// Step 9: comments, quotes, parentheses and the end of a statement.
void Formatter::track(QChar D)
{
    if (InLineComment) {
        if (D == QLatin1Char('\n') || (D == QLatin1Char('\r') && at(P + 1) != QLatin1Char('\n')))
            InLineComment = false;
        return;
    }
    if (InBlockComment) {
        if (D == QLatin1Char('/') && at(P - 1) == QLatin1Char('*') && P - 1 > BlockCommentStar)
            InBlockComment = false;
        return;
    }
    if (InSingleQuote) {
        if (D == QLatin1Char('\''))
            InSingleQuote = false;
        return;
    }
    if (InDoubleQuote) {
        if (D == QLatin1Char('"'))
            InDoubleQuote = false;
        return;
    }
    switch (D.unicode()) {
    case '-':
        if (at(P - 1) == QLatin1Char('-') && at(P - 2) != QLatin1Char('-'))
            InLineComment = true;
        else if (at(P + 1) == QLatin1Char('-'))
            break;
        break;
    case '*':
        if (at(P - 1) == QLatin1Char('/')) {
            InBlockComment = true;
            BlockCommentStar = P;
        }
        break;
    case '(':
        if ((Clause == 3 || Clause == 4) && !InInsertParens && Kind == 2)
            InInsertParens = true;
        else
            InParens = true;
        break;
    case ')':
        InParens = false;
        break;
    case '\'':
        InSingleQuote = true;
        break;
    case '"':
        InDoubleQuote = true;
        break;
    case ';':
        if (Kind != 0) {
            flushPending();
            IndentDone = false;
            CursorOpen = false;
            Kind = 0;
            JoinOpen = BetweenOpen = InParens = InInsertParens = false;
            const bool alone = at(P - 1) == QLatin1Char('\n')
                               && (P + 1 >= n() || at(P + 1) == QLatin1Char('\r') || at(P + 1) == QLatin1Char('\n'));
            if (alone) {
                while (!O.isEmpty() && isWhite(O.back()))
                    O.chop(1);
                lineBreak();
                O += QLatin1Char(';');
            }
        }
        break;
    default:
        break;
    }
}

} // namespace

QString FormatSQLText(const QString &Text, const TFormatOption &Option)
{
    Formatter f(Text, Option);
    return f.run();
}

void FormatSQLText(const QString &Text, QString &Result)
{
    Result = FormatSQLText(Text, FormatOption);
}
