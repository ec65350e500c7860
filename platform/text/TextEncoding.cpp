#include "platform/text/TextEncoding.h"

#include <QSaveFile>
#include <QFile>

#include <cerrno>
#include <iconv.h>
#include <map>

namespace tv::text {

namespace {

const char *CharsetName(Encoding enc)
{
    switch (enc) {
    case Encoding::Ansi: return "CP932";
    case Encoding::Utf7: return "UTF-7";
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16LE: return "UTF-16LE";
    case Encoding::Utf16BE: return "UTF-16BE";
    }
    return "UTF-8";
}

// One iconv conversion descriptor, closed on every path out.
class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Runs `cd` over [in, in + inLen) and appends the output to `out`. On an
// input sequence iconv cannot take, `onBad` is called with the remaining
// input; it returns how many input bytes to skip (0 stops) after it has
// appended its replacement to `out`.
template <typename OnBad>
void Convert(iconv_t cd, const char *in, size_t inLen, QByteArray &out, OnBad onBad)
{
    char buffer[16384];
    auto *src = const_cast<char *>(in);
    size_t left = inLen;
    while (left > 0) {
        char *dst = buffer;
        size_t room = sizeof buffer;
        const size_t rc = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<qsizetype>(dst - buffer));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ (invalid or unmappable) or EINVAL (cut short at the end).
        const size_t skip = onBad(src, left, errno == EINVAL);
        if (skip == 0 || skip > left)
            break;
        src += skip;
        left -= skip;
    }
    // Return to the initial shift state (UTF-7 closes an open base64 run).
    char *dst = buffer;
    size_t room = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buffer, static_cast<qsizetype>(dst - buffer));
}

QString FromUtf16LE(const QByteArray &bytes)
{
    QString s(bytes.size() / 2, Qt::Uninitialized);
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = QChar(static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
    return s;
}

QByteArray ToUtf16LE(const QString &text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        bytes[2 * i] = static_cast<char>(u & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(u >> 8);
    }
    return bytes;
}

QString DecodeWith(const QByteArray &data, Encoding enc)
{
    if (data.isEmpty())
        return {};
    Converter conv("UTF-16LE", CharsetName(enc));
    if (!conv.ok())
        return QString::fromUtf8(data); // cannot happen with glibc; still never fail hard
    static const char replacement[] = {'\xFD', '\xFF'}; // U+FFFD little-endian
    QByteArray out;
    out.reserve(data.size() * 2);
    const size_t unit = (enc == Encoding::Utf16LE || enc == Encoding::Utf16BE) ? 2 : 1;
    Convert(conv.cd(), data.constData(), static_cast<size_t>(data.size()), out,
            [&](const char *, size_t left, bool truncated) -> size_t {
                out.append(replacement, 2);
                if (truncated)
                    return 0;
                // Reset the decoder's state (UTF-7 inside a base64 run) and skip one unit.
                iconv(conv.cd(), nullptr, nullptr, nullptr, nullptr);
                return left < unit ? left : unit;
            });
    return FromUtf16LE(out);
}

} // namespace

bool DetectBom(const QByteArray &data, Encoding *enc, int *bomLength)
{
    Encoding e = Encoding::Utf8;
    int len = 0;
    if (data.startsWith("\xEF\xBB\xBF")) {
        e = Encoding::Utf8;
        len = 3;
    } else if (data.startsWith("\xFF\xFE")) {
        e = Encoding::Utf16LE;
        len = 2;
    } else if (data.startsWith("\xFE\xFF")) {
        e = Encoding::Utf16BE;
        len = 2;
    } else if (data.size() >= 4 && data.startsWith("+/v") &&
               (data[3] == '8' || data[3] == '9' || data[3] == '+' || data[3] == '/')) {
        // The mark is "+/v" and one of four characters; "+/v8-" ends the
        // base64 run right after it.
        e = Encoding::Utf7;
        len = (data[3] == '8' && data.size() >= 5 && data[4] == '-') ? 5 : 4;
    } else {
        return false;
    }
    if (enc)
        *enc = e;
    if (bomLength)
        *bomLength = len;
    return true;
}

QString Decode(const QByteArray &data, Encoding fallback, Encoding *used)
{
    Encoding enc = fallback;
    int bomLength = 0;
    const bool hasBom = DetectBom(data, &enc, &bomLength);
    if (used)
        *used = enc;
    if (!hasBom)
        return DecodeWith(data, enc);
    if (enc == Encoding::Utf7) {
        // A UTF-7 mark shares its last base64 character with the text that
        // follows, so decode the whole and drop the decoded U+FEFF.
        QString text = DecodeWith(data, enc);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    return DecodeWith(data.mid(bomLength), enc);
}

QByteArray Encode(const QString &text, Encoding enc, bool writeBom)
{
    QString source = text;
    if (writeBom && enc != Encoding::Ansi)
        source.prepend(QChar(0xFEFF));
    if (source.isEmpty())
        return {};
    Converter conv(CharsetName(enc), "UTF-16LE");
    if (!conv.ok())
        return text.toUtf8();
    const QByteArray input = ToUtf16LE(source);
    const QByteArray question = ToUtf16LE(QStringLiteral("?"));
    QByteArray out;
    out.reserve(input.size());
    Convert(conv.cd(), input.constData(), static_cast<size_t>(input.size()), out,
            [&](const char *src, size_t left, bool) -> size_t {
                // A character the target cannot hold (or an unpaired
                // surrogate): close any shift state, write '?', skip it.
                char buffer[16];
                char *dst = buffer;
                size_t room = sizeof buffer;
                iconv(conv.cd(), nullptr, nullptr, &dst, &room);
                auto *q = const_cast<char *>(question.constData());
                size_t qLeft = static_cast<size_t>(question.size());
                iconv(conv.cd(), &q, &qLeft, &dst, &room);
                out.append(buffer, static_cast<qsizetype>(dst - buffer));
                size_t skip = 2;
                if (left >= 4) {
                    const auto *p = reinterpret_cast<const uchar *>(src);
                    const char16_t first = static_cast<char16_t>(p[0] | (p[1] << 8));
                    const char16_t second = static_cast<char16_t>(p[2] | (p[3] << 8));
                    if (QChar::isHighSurrogate(first) && QChar::isLowSurrogate(second))
                        skip = 4;
                }
                return left < skip ? left : skip;
            });
    return out;
}

bool ReadTextFile(const QString &path, Encoding fallback, QString *text, Encoding *used, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QString decoded = Decode(data, fallback, used);
    if (text)
        *text = decoded;
    return true;
}

bool WriteTextFile(const QString &path, const QString &text, Encoding enc, bool writeBom, QString *error)
{
    // QSaveFile writes a temporary file in the target's folder and renames
    // it over the target on commit; on any failure the target is untouched.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = Encode(text, enc, writeBom);
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Client encodings

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The iconv name of a server encoding name; nullptr when iconv has none.
const char *IconvNameOf(const QByteArray &pgName)
{
    static const struct {
        const char *pg, *iconv;
    } names[] = {
        {"SJIS", "CP932"},          {"SHIFT_JIS_2004", "SHIFT_JISX0213"}, {"EUC_JP", "EUC-JP-MS"},
        {"EUC_JIS_2004", "EUC-JISX0213"}, {"EUC_CN", "EUC-CN"},     {"EUC_KR", "EUC-KR"},
        {"EUC_TW", "EUC-TW"},       {"BIG5", "BIG5"},              {"GBK", "GBK"},
        {"GB18030", "GB18030"},     {"UHC", "CP949"},              {"JOHAB", "JOHAB"},
        {"LATIN1", "ISO-8859-1"},   {"LATIN2", "ISO-8859-2"},      {"LATIN3", "ISO-8859-3"},
        {"LATIN4", "ISO-8859-4"},   {"LATIN5", "ISO-8859-9"},      {"LATIN6", "ISO-8859-10"},
        {"LATIN7", "ISO-8859-13"},  {"LATIN8", "ISO-8859-14"},     {"LATIN9", "ISO-8859-15"},
        {"LATIN10", "ISO-8859-16"}, {"ISO_8859_5", "ISO-8859-5"},  {"ISO_8859_6", "ISO-8859-6"},
        {"ISO_8859_7", "ISO-8859-7"}, {"ISO_8859_8", "ISO-8859-8"}, {"WIN866", "CP866"},
        {"WIN874", "CP874"},        {"WIN1250", "CP1250"},         {"WIN1251", "CP1251"},
        {"WIN1252", "CP1252"},      {"WIN1253", "CP1253"},         {"WIN1254", "CP1254"},
        {"WIN1255", "CP1255"},      {"WIN1256", "CP1256"},         {"WIN1257", "CP1257"},
        {"WIN1258", "CP1258"},      {"KOI8R", "KOI8-R"},           {"KOI8U", "KOI8-U"},
    };
    for (const auto &n : names) {
        if (pgName.compare(n.pg, Qt::CaseInsensitive) == 0)
            return n.iconv;
    }
    return nullptr;
}

iconv_t OpenOnce(void *&slot, const char *to, const char *from)
{
    if (!slot) {
        const iconv_t cd = iconv_open(to, from);
        if (cd == kNoConverter)
            return kNoConverter;
        slot = static_cast<void *>(cd);
    }
    const auto cd = static_cast<iconv_t>(slot);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    return cd;
}

// Code point at s[i], and how many UTF-16 units it takes.
char32_t CodePointAt(QStringView s, qsizetype i, qsizetype *units)
{
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, s[i + 1]);
    }
    *units = 1;
    return c.unicode();
}

} // namespace

std::shared_ptr<const ClientCodec> ClientCodec::ForName(const QByteArray &pgName)
{
    static std::mutex lock;
    static std::map<QByteArray, std::shared_ptr<const ClientCodec>> codecs;
    const QByteArray key = pgName.toUpper();
    std::lock_guard<std::mutex> guard(lock);
    auto &codec = codecs[key];
    if (!codec)
        codec = std::make_shared<ClientCodec>(key);
    return codec;
}

ClientCodec::ClientCodec(const QByteArray &pgName) : m_name(pgName.toUpper())
{
    m_utf8 = m_name == "UTF8" || m_name == "UTF-8" || m_name == "UNICODE" || m_name == "SQL_ASCII";
    if (!m_utf8)
        m_iconvName = IconvNameOf(m_name);
    if (m_iconvName) {
        // Checked once: an iconv without this encoding leaves ASCII only.
        const iconv_t probe = iconv_open("UTF-16LE", m_iconvName);
        if (probe == kNoConverter)
            m_iconvName = nullptr;
        else
            iconv_close(probe);
    }
}

ClientCodec::~ClientCodec()
{
    for (void *cd : {m_decoder, m_encoder}) {
        if (cd)
            iconv_close(static_cast<iconv_t>(cd));
    }
}

QString ClientCodec::Decode(QByteArrayView bytes) const
{
    if (m_utf8)
        return QString::fromUtf8(bytes.data(), bytes.size());
    if (bytes.isEmpty())
        return QString();
    if (!m_iconvName) {
        QString s(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<uchar>(bytes[i]);
            s[i] = b < 0x80 ? QChar(b) : QChar(QChar::ReplacementCharacter);
        }
        return s;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    const iconv_t cd = OpenOnce(m_decoder, "UTF-16LE", m_iconvName);
    if (cd == kNoConverter)
        return QString(bytes.size(), QChar(QChar::ReplacementCharacter));
    static const char replacement[] = {'\xFD', '\xFF'};
    QByteArray out;
    out.reserve(bytes.size() * 2);
    Convert(cd, bytes.data(), static_cast<size_t>(bytes.size()), out,
            [&](const char *, size_t left, bool truncated) -> size_t {
                out.append(replacement, 2);
                if (truncated)
                    return 0;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                return left < 1 ? left : 1;
            });
    return FromUtf16LE(out);
}

bool ClientCodec::encodeStrict(QStringView text, QByteArray *out) const
{
    out->clear();
    if (text.isEmpty())
        return true;
    if (!m_iconvName) {
        out->reserve(text.size());
        for (const QChar c : text) {
            if (c.unicode() >= 0x80)
                return false;
            out->append(char(c.unicode()));
        }
        return true;
    }
    QByteArray input(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        input[2 * i] = static_cast<char>(u & 0xFF);
        input[2 * i + 1] = static_cast<char>(u >> 8);
    }
    bool ok = true;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const iconv_t cd = OpenOnce(m_encoder, m_iconvName, "UTF-16LE");
        if (cd == kNoConverter)
            return false;
        out->reserve(input.size());
        Convert(cd, input.constData(), static_cast<size_t>(input.size()), *out,
                [&](const char *, size_t, bool) -> size_t {
                    ok = false;
                    return 0;
                });
    }
    // A character the encoding holds only as another one (U+00A5 as '\\')
    // does not come back as itself.
    return ok && Decode(*out) == text;
}

bool ClientCodec::Encode(QStringView text, QByteArray *out, char32_t *bad) const
{
    if (m_utf8) {
        *out = text.toUtf8();
        return true;
    }
    if (encodeStrict(text, out))
        return true;
    // Find the first character that does not make the way there and back.
    if (bad) {
        *bad = 0xFFFD;
        QByteArray one;
        for (qsizetype i = 0, n = 0; i < text.size(); i += n) {
            const char32_t cp = CodePointAt(text, i, &n);
            if (!encodeStrict(text.mid(i, n), &one)) {
                *bad = cp;
                break;
            }
        }
    }
    return false;
}

bool ClientCodec::FromUtf8(QByteArrayView utf8, QByteArray *out, char32_t *bad) const
{
    if (m_utf8 || !utf8.isValidUtf8()) {
        *out = utf8.toByteArray();
        return true;
    }
    // ASCII needs no conversion in any client encoding.
    bool ascii = true;
    for (const char c : utf8) {
        if (static_cast<uchar>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        *out = utf8.toByteArray();
        return true;
    }
    return Encode(QString::fromUtf8(utf8.data(), utf8.size()), out, bad);
}

} // namespace tv::text
