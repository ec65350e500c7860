#pragma once
// Passwords kept in the settings are not stored in plain: ScrambleText turns
// bytes into a text of characters from a fixed 16-character alphabet, with
// random characters mixed in so that the same password is stored differently
// each time; UnscrambleText restores the bytes. This hides a password from
// casual reading; it is not encryption.
//
// Neither function throws; text that was never scrambled unscrambles to bytes
// without meaning.
#include <QByteArray>
#include <QString>

// Texts shorter than 64 bytes are padded with blanks to 64; the result has
// 2n + 4 characters for n bytes after padding. Empty in, empty out.
QByteArray ScrambleText(const QByteArray &plain);
// Leading and trailing blanks and control characters are removed from the
// result (the padding goes with them).
QByteArray UnscrambleText(const QByteArray &scrambled);

// A password in and out of its stored form, through UTF-8 so that no
// character is lost.
QString ScramblePassword(const QString &password);
QString UnscramblePassword(const QString &stored);
