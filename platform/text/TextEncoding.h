#pragma once
// Text files in the encodings the program reads and writes: the ANSI code
// page (CP932, as on a Japanese desktop), UTF-7, UTF-8, UTF-16LE and UTF-16BE.
// Conversion goes through iconv; a byte-order mark, when present, decides the
// encoding over the one asked for.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <mutex>

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

// Text in a PostgreSQL client encoding, named as the server names it
// ("UTF8", "SJIS", "EUC_JP", "LATIN1" ...). UTF8 and SQL_ASCII take the
// bytes as UTF-8 without any conversion; the rest convert through iconv
// (SJIS as CP932, whose table the server's SJIS follows). An encoding iconv
// does not know holds ASCII only. A codec may be shared between threads.
class ClientCodec {
public:
    // The codec of that encoding, made once and shared.
    static std::shared_ptr<const ClientCodec> ForName(const QByteArray &pgName);

    explicit ClientCodec(const QByteArray &pgName);
    ~ClientCodec();
    ClientCodec(const ClientCodec &) = delete;
    ClientCodec &operator=(const ClientCodec &) = delete;

    const QByteArray &Name() const { return m_name; }
    // True when bytes are UTF-8 as they are: no conversion either way.
    bool IsUtf8() const { return m_utf8; }

    // Bytes from the server to text; bytes that are no character of the
    // encoding become U+FFFD.
    QString Decode(QByteArrayView bytes) const;
    // Text to bytes of the encoding. Fails (returns false) when a character
    // has no code of its own in the encoding (one the encoding would only
    // give as another character, such as U+00A5 as a backslash, included);
    // *bad then is that character's code point.
    bool Encode(QStringView text, QByteArray *out, char32_t *bad = nullptr) const;
    // The same for UTF-8 bytes (which are given back unchanged when they are
    // not valid UTF-8: they are no text).
    bool FromUtf8(QByteArrayView utf8, QByteArray *out, char32_t *bad = nullptr) const;

private:
    bool encodeStrict(QStringView text, QByteArray *out) const;

    QByteArray m_name;
    const char *m_iconvName = nullptr; // nullptr: ASCII only (or UTF-8)
    bool m_utf8 = false;
    mutable std::mutex m_lock;
    mutable void *m_decoder = nullptr; // iconv_t, opened on first use
    mutable void *m_encoder = nullptr;
};

} // namespace tv::text
