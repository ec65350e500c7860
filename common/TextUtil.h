#pragma once
// Small text, value and file helpers shared by almost every window: trimming
// and searching with exact rules, nullable values with defaults, names of
// saved files and the encoding of SQL files.
#include "platform/text/TextEncoding.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

// ---- Text -------------------------------------------------------------------

// Removes TAB, LF, CR and blank (no other character) from both ends.
QString TrimBlanks(const QString &Text);
// True when Text equals one of Values exactly (case-sensitive, whole text).
bool MatchesAny(const QString &Text, const QStringList &Values);
// Index of the first item equal to Text (case-sensitive), -1 when none.
int IndexOfText(const QStringList &List, const QString &Text);
// Characters From..To inclusive, 1-based; To may be huge to mean the end.
QString CopyRange(const QString &Text, qint64 From, qint64 To);
// 1-based position of SubText in Text. Start <= 0: from the beginning;
// otherwise from character Start + 1 (Start + 2 when Start holds the first
// half of a surrogate pair). 0 when not found or beyond the text.
int PosFrom(const QString &SubText, const QString &Text, int Start);
// 1-based position of SubText in an 8-bit text at or after Start (>= 1);
// 0 when not found or when Start exceeds the length.
int PosFromAnsi(const QByteArray &SubText, const QByteArray &Text, int Start);
// 1 per printable ASCII or half-width katakana character, 2 for any other.
int DisplayWidth(const QString &Text);
// The UTF-16LE bytes of Text as upper-case hex digits; N >= 0 cuts or pads
// with zero bytes to N bytes, N < 0 takes every byte.
QString TextToHex(const QString &Text, int N);
// True when the character at Index (1-based), in the ANSI code page (CP932),
// is a double-byte character. Goes through the platform's encoding layer.
bool IsDbcsLeadChar(const QString &Text, int Index);

// ---- Values -----------------------------------------------------------------

QVariant ChooseVariant(bool Flag, const QVariant &A, const QVariant &B);
// Default when V is null or not a number, else V as a float.
double VarToFloatDef(const QVariant &V, double Default);
// Default when V is null, not a number or outside the 32-bit range; else V
// rounded to the nearest integer, halves to even.
int VarToValueDef(const QVariant &V, int Default);
// Default when V is null or not a date-time (ISO text is read).
QDateTime VarToDateTimeDef(const QVariant &V, const QDateTime &Default);

// ---- Files ------------------------------------------------------------------

// Removes "/", "*", "?", "\", ":", "<", ">", double quote, "|" and NUL. A
// result of exactly "." or ".." (which would name the folder itself or its
// parent) has each dot replaced by "_".
QString SanitizeFileName(const QString &Text);
// The name itself when no such file exists; else the first free name of
// Base + "01" + Ext, Base + "02" + Ext, ... (two digits at least, counting
// past 99 as long as names are taken).
QString MakeUniqueFileName(const QString &FileName);
// Encoding of SQL and DDL files by the option Encoding: 1 UTF-7, 2 UTF-8,
// 3 UTF-16LE, 4 UTF-16BE, anything else the ANSI code page.
tv::text::Encoding GetFileEncoding();
// With NullLine (the script option "do not output blank lines") on, deletes
// every item that is exactly empty; with it off, does nothing.
void RemoveEmptyLines(QStringList &List, bool NullLine);

// Installation folder of a local PostgreSQL (the folder above its "bin");
// empty until FindPostgreSQLLocation has found it.
extern QString PostgreSQLLocation;
// Fills PostgreSQLLocation once: from `pg_config --bindir`, else from the
// folder of pg_dump on PATH. Nothing is reported when neither is found.
void FindPostgreSQLLocation();
