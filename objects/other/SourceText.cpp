#include "objects/other/SourceText.h"

#include "common/Quote.h"

#include <array>

namespace SourceText {

QString TypeWord(int ObjType)
{
    switch (ObjType) {
    case 51:
        return QStringLiteral("PROCEDURE");
    case 52:
        return QStringLiteral("FUNCTION");
    case 53:
        return QStringLiteral("PACKAGE");
    case 55:
        return QStringLiteral("TYPE");
    default:
        return QString();
    }
}

namespace {

bool IsSignatureBlank(QChar c)
{
    return c == u' ' || c == QChar(0x3000) || c == u'\t';
}

// The first occurrence of Pattern in Text that begins at or after From and
// was not visible before Text grew from OldLength (searches only the part
// an occurrence can newly cover).
qsizetype FindNew(const QString &Text, const QString &Pattern, qsizetype From, qsizetype OldLength)
{
    const qsizetype start = std::max(From, OldLength - Pattern.size() + 1);
    return Text.indexOf(Pattern, std::max<qsizetype>(start, 0));
}

} // namespace

QString Signature(const QStringList &Lines, const QString &TypeWord)
{
    const QString orReplace = QStringLiteral("CREATEORREPLACE") + TypeWord;
    const QString plain = QStringLiteral("CREATE") + TypeWord;
    QString acc;
    qsizetype start = -1;
    int i = 0;
    // Step 1: blanks removed, the header searched.
    qsizetype foundReplace = -1, foundPlain = -1;
    for (; i < Lines.size(); ++i) {
        const qsizetype old = acc.size();
        const QString upper = Lines[i].toUpper();
        acc.reserve(acc.size() + upper.size());
        for (QChar c : upper)
            if (!IsSignatureBlank(c))
                acc += c;
        if (foundReplace < 0)
            foundReplace = FindNew(acc, orReplace, 0, old);
        if (foundPlain < 0)
            foundPlain = FindNew(acc, plain, 0, old);
        if (foundReplace >= 0) {
            start = foundReplace + orReplace.size();
            break;
        }
        if (foundPlain >= 0) {
            start = foundPlain + plain.size();
            break;
        }
    }
    if (start < 0)
        return QString();

    // Step 2: the following lines as written, up to the first marker found
    // (markers in their order, not the leftmost).
    static const std::array<QString, 8> markers = {
        QStringLiteral("AS "),         QStringLiteral("IS "),         QStringLiteral("AS\u3000"),
        QStringLiteral("IS\u3000"),    QStringLiteral("AS\r\n"),      QStringLiteral("IS\r\n"),
        QStringLiteral("AS\t"),        QStringLiteral("IS\t")};
    acc += u' ';
    for (++i; i < Lines.size(); ++i) {
        const qsizetype old = acc.size();
        acc += Lines[i].toUpper();
        for (const QString &m : markers) {
            const qsizetype at = FindNew(acc, m, start, old);
            if (at >= 0)
                return acc.mid(start, at - start);
        }
    }
    return QString();
}

namespace {

QStringList LanguageBlock()
{
    return {QStringLiteral("-- 手続き言語の指定が【PL/pgSQL】の場合"),
            QStringLiteral("AS $$"),
            QStringLiteral("BEGIN"),
            QStringLiteral("  NULL;"),
            QStringLiteral("END ;"),
            QStringLiteral("$$ LANGUAGE plpgsql;"),
            QString(),
            QStringLiteral("-- 手続き言語の指定が【SQL】の場合"),
            QStringLiteral("--AS '"),
            QStringLiteral("--  NULL;"),
            QStringLiteral("--' LANGUAGE SQL;"),
            QString(),
            QStringLiteral("-- 手続き言語の指定が【internal】の場合"),
            QStringLiteral("--AS ''"),
            QStringLiteral("--LANGUAGE internal STRICT;"),
            QString(),
            QStringLiteral("-- 手続き言語の指定が【C】の場合"),
            QStringLiteral("--AS '', ''"),
            QStringLiteral("--LANGUAGE C STRICT;"),
            QString()};
}

} // namespace

QStringList Template(int ObjType, const QString &S, const QString &N)
{
    const QString sn = S + u'.' + N;
    switch (ObjType) {
    case 52:
        return QStringList{QStringLiteral("CREATE FUNCTION ") + sn + QStringLiteral("() /* (引数, 引数...) */"),
                           QStringLiteral("RETURNS -- 戻り値のデータ型")} +
               LanguageBlock();
    case 51:
        return QStringList{QStringLiteral("CREATE PROCEDURE ") + sn + QStringLiteral("() /* (引数, 引数...) */")} +
               LanguageBlock();
    case 53:
        return {QStringLiteral("CREATE PACKAGE ") + sn,
                QStringLiteral("IS"),
                QStringLiteral("  /* グローバル変数宣言 */"),
                QStringLiteral("  -- 変数名 データ型;"),
                QStringLiteral("  "),
                QStringLiteral("  /* プロシージャ、ファンクション宣言 */"),
                QStringLiteral("  -- PROCEDURE 名前(引数 データ型, 引数 データ型...);"),
                QStringLiteral("  -- FUNCTION  名前(引数 データ型, 引数 データ型...) RETURN データ型;"),
                QStringLiteral("  "),
                QStringLiteral("END ;"),
                QString(),
                QStringLiteral("CREATE PACKAGE BODY ") + sn,
                QStringLiteral("IS"),
                QStringLiteral("  "),
                QStringLiteral("  /* プロシージャ、ファンクション実装 */"),
                QStringLiteral("  -- PROCEDURE 名前(引数 データ型, 引数 データ型...)"),
                QStringLiteral("  -- IS"),
                QStringLiteral("  -- BEGIN"),
                QStringLiteral("  --   NULL;"),
                QStringLiteral("  -- END;"),
                QStringLiteral("  "),
                QStringLiteral("  -- FUNCTION  名前(引数 データ型, 引数 データ型...) RETURN データ型"),
                QStringLiteral("  -- IS"),
                QStringLiteral("  -- BEGIN"),
                QStringLiteral("  --   NULL;"),
                QStringLiteral("  -- END;"),
                QStringLiteral("  "),
                QStringLiteral("  "),
                QStringLiteral("END ;"),
                QString()};
    case 55:
        return {QStringLiteral("CREATE TYPE ") + sn,
                QStringLiteral("-- 複合型の場合"),
                QStringLiteral("AS ("),
                QStringLiteral("    [ attribute_name data_type [ COLLATE collation ] [, ... ] ]"),
                QStringLiteral(")"),
                QStringLiteral("-- 列挙型の場合"),
                QStringLiteral("AS ENUM ("),
                QStringLiteral("    [ 'label' [, ... ] ]"),
                QStringLiteral(")"),
                QStringLiteral("-- 範囲型の場合(Ver9.2から使用可)"),
                QStringLiteral("AS RANGE ("),
                QStringLiteral("    SUBTYPE = subtype"),
                QStringLiteral("    [ , SUBTYPE_OPCLASS = subtype_operator_class ]"),
                QStringLiteral("    [ , COLLATION = collation ]"),
                QStringLiteral("    [ , CANONICAL = canonical_function ]"),
                QStringLiteral("    [ , SUBTYPE_DIFF = subtype_diff_function ]"),
                QStringLiteral(")"),
                QStringLiteral("-- 基本型の場合"),
                QStringLiteral("("),
                QStringLiteral("    INPUT = input_function,"),
                QStringLiteral("    OUTPUT = output_function"),
                QStringLiteral("    [ , RECEIVE = receive_function ]"),
                QStringLiteral("    [ , SEND = send_function ]"),
                QStringLiteral("    [ , TYPMOD_IN = type_modifier_input_function ]"),
                QStringLiteral("    [ , TYPMOD_OUT = type_modifier_output_function ]"),
                QStringLiteral("    [ , ANALYZE = analyze_function ]"),
                QStringLiteral("    [ , INTERNALLENGTH = { internallength | VARIABLE } ]"),
                QStringLiteral("    [ , PASSEDBYVALUE ]"),
                QStringLiteral("    [ , ALIGNMENT = alignment ]"),
                QStringLiteral("    [ , STORAGE = storage ]"),
                QStringLiteral("    [ , LIKE = like_type ]"),
                QStringLiteral("    [ , CATEGORY = category ]"),
                QStringLiteral("    [ , PREFERRED = preferred ]"),
                QStringLiteral("    [ , DEFAULT = default ]"),
                QStringLiteral("    [ , ELEMENT = element ]"),
                QStringLiteral("    [ , DELIMITER = delimiter ]"),
                QStringLiteral("    [ , COLLATABLE = collatable ]"),
                QStringLiteral(")"),
                QStringLiteral("-- シェル型の場合"),
                QStringLiteral("CREATE TYPE name")};
    default:
        return {};
    }
}

bool RenameFirst(QStringList &Lines, const QString &OldText, const QString &NewText, bool Twice)
{
    if (OldText.isEmpty())
        return false;
    int done = 0;
    for (QString &line : Lines) {
        const qsizetype at = line.indexOf(OldText, 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        line.replace(at, OldText.size(), NewText);
        if (++done == (Twice ? 2 : 1))
            break;
    }
    return done > 0;
}

void ScriptRewrite(QStringList &Lines, const QString &Schema, const QString &Name, const QString &Prefix)
{
    const QString plain = Schema + u'.';
    const QString quoted = QuoteIdentifier(Schema) + u'.';
    for (QString &line : Lines) {
        if (!line.contains(Name, Qt::CaseInsensitive))
            continue;
        qsizetype at = line.indexOf(plain, 0, Qt::CaseInsensitive);
        if (at >= 0)
            line.replace(at, plain.size(), Prefix);
        at = line.indexOf(quoted);
        if (at >= 0)
            line.replace(at, quoted.size(), Prefix);
    }
}

} // namespace SourceText
