#pragma once
// Text files in the encodings the program reads and writes: the ANSI code
// page (CP932, as on a Japanese desktop), UTF-7, UTF-8, UTF-16LE and UTF-16BE.
// Conversion goes through iconv; a byte-order mark, when present, decides the
// encoding over the one asked for.
#include <QByteArray>
#include <QString>

namespace tv::text {

// Ordinals are those of the "Encoding" option (0..4).
enum class Encoding { Ansi = 0, Utf7 = 1, Utf8 = 2, Utf16LE = 3, Utf16BE = 4 };

// The encoding named by a byte-order mark at the start of data (UTF-8,
// UTF-16LE/BE, UTF-7 "+/v"), and the mark's length in bytes; false when none.
bool DetectBom(const QByteArray &data, Encoding *enc, int *bomLength);

// Decodes bytes. A BOM at the start wins over `fallback` and is not part of
// the text. Undecodable bytes become U+FFFD; the function never throws.
QString Decode(const QByteArray &data, Encoding fallback, Encoding *used = nullptr);

// Encodes text; writeBom prefixes the encoding's mark (none for Ansi).
// Characters the target cannot hold become '?'.
QByteArray Encode(const QString &text, Encoding enc, bool writeBom = false);

// Whole-file helpers. ReadTextFile returns false (and sets *error to the
// system's reason) when the file cannot be read. WriteTextFile writes to a
// temporary file beside the target and renames it over the target, so a
// failed write leaves the old file as it was.
bool ReadTextFile(const QString &path, Encoding fallback, QString *text,
                  Encoding *used = nullptr, QString *error = nullptr);
bool WriteTextFile(const QString &path, const QString &text, Encoding enc, bool writeBom = false,
                   QString *error = nullptr);

} // namespace tv::text
