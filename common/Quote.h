#pragma once
// Identifier quoting, literals, and the text of data types built from a type
// name and its catalog type modifier.
#include <QString>

// Placeholder for a blank inside a name while a name list is split;
// QuoteIdentifier treats it like a blank.
inline constexpr char16_t kBlankPlaceholder = 0xF8F3;

// Quotes a name for generated SQL. A name that does not begin with a double
// quote is quoted while tvOption.UseLowerName is on, and otherwise whenever
// it is not a plain lower-case identifier (letters, digits, "_", "$"), has
// blanks at either end or is a reserved key word. Any name is quoted when it
// holds "(", ")", their full-width forms, a blank, "@", "=" or the blank
// placeholder. Quoting encloses the whole name and doubles inner quotes.
QString QuoteIdentifier(const QString &Name);
// Quotes every name of a comma-separated list (UseComma) or of a list
// separated by Delimiter; without UseComma a text without Delimiter is
// returned unquoted.
QString QuoteIdentifierList(const QString &Text, bool UseComma, const QString &Delimiter);
// An SQL string literal: single quotes, inner ones doubled.
QString QuoteLiteral(const QString &Text);
// Removes a double quote at both ends when the text begins and ends with one.
QString StripDoubleQuotes(const QString &Text);
// True for the server's reserved key words (lower-case comparison).
bool IsReservedKeyword(const QString &Word);

// Splits an ACL item grantee=privileges/grantor; an empty grantee is "public".
void SplitAclItem(const QString &AclItem, const QString &Grantor, QString &Grantee, QString &Privileges);

// The modifier alone ("10,2", "20", "3"), for a length or precision box.
QString TypeModifierText(const QString &TypeName, int Typmod);
// An interval type name with its field qualifier ("interval SECOND[]").
QString IntervalFieldsText(const QString &TypeName, int Typmod);
// The full type text for display and DDL ("numeric(10,2)", "time(3) without
// time zone", "character varying(20)[]", "interval (2)").
QString FormatTypeWithModifier(const QString &TypeName, int Typmod);

// The name inside a leading quoted identifier, doubled quotes made single;
// a text not beginning with a double quote is returned unchanged.
QString DequoteIdentifier(const QString &Text);
// The name a statement's identifier stands for: a trailing ";" dropped, then
// dequoted when quoted, else lower-cased.
QString NormalizeIdentifier(const QString &Text);
