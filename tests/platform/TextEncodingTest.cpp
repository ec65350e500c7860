#include "platform/text/TextEncoding.h"
#include "support/ScratchDir.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <gtest/gtest.h>

using namespace tv::text;

namespace {

const QString kJapanese = QStringLiteral("テーブル定義");

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(TextEncoding, KnownBytesOfEveryEncoding)
{
    struct Case {
        Encoding enc;
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        // テ 83 65, ー 81 5B, ブ 83 75, ル 83 8B, 定 92 E8, 義 8B 60 in CP932
        {Encoding::Ansi, kJapanese, QByteArray("\x83\x65\x81\x5B\x83\x75\x83\x8B\x92\xE8\x8B\x60")},
        {Encoding::Ansi, QStringLiteral("a\\b~"), QByteArray("a\\b~")},
        {Encoding::Utf8, QStringLiteral("é"), QByteArray("\xC3\xA9")},
        {Encoding::Utf16LE, QStringLiteral("Aテ"), QByteArray("A\0\xC6\x30", 4)},
        {Encoding::Utf16BE, QStringLiteral("Aテ"), QByteArray("\0A\x30\xC6", 4)},
        {Encoding::Utf7, QStringLiteral("Hi Mom -☺-."), QByteArray("Hi Mom -+Jjo--.")},
        {Encoding::Utf7, QStringLiteral("A≢Α."), QByteArray("A+ImIDkQ.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.enc));
        EXPECT_EQ(Encode(c.text, c.enc), c.bytes);
        EXPECT_EQ(Decode(c.bytes, c.enc), c.text);
    }
}

TEST(TextEncoding, FilesRoundTripInEveryEncodingWithAndWithoutMark)
{
    tvtest::ScratchDir dir;
    const QString text = kJapanese + QStringLiteral("\r\nSELECT * FROM \"表\" -- 😀 + ~\\\r\n");
    for (int e = 0; e <= 4; ++e) {
        for (bool bom : {false, true}) {
            const auto enc = static_cast<Encoding>(e);
            SCOPED_TRACE(testing::Message() << "encoding " << e << " bom " << bom);
            const QString path = dir.file(QStringLiteral("f%1%2.sql").arg(e).arg(bom));
            QString error;
            ASSERT_TRUE(WriteTextFile(path, text, enc, bom, &error)) << error.toStdString();
            QString back;
            Encoding used = Encoding::Utf8;
            ASSERT_TRUE(ReadTextFile(path, enc, &back, &used, &error));
            // CP932 has no emoji: it reads back as '?'.
            QString expected = text;
            if (enc == Encoding::Ansi)
                expected.replace(QStringLiteral("😀"), QStringLiteral("?"));
            EXPECT_EQ(back, expected);
            EXPECT_EQ(used, enc);
        }
    }
}

TEST(TextEncoding, CodePage932FileHoldsTableDefinitionText)
{
    tvtest::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("ansi.sql"));
    ASSERT_TRUE(WriteTextFile(path, kJapanese, Encoding::Ansi));
    EXPECT_EQ(ReadBytes(path), QByteArray("\x83\x65\x81\x5B\x83\x75\x83\x8B\x92\xE8\x8B\x60"));
    QString back;
    ASSERT_TRUE(ReadTextFile(path, Encoding::Ansi, &back));
    EXPECT_EQ(back, kJapanese);
}

TEST(TextEncoding, ByteOrderMarkDecidesOverTheOption)
{
    struct Case {
        QByteArray bytes;
        Encoding expected;
        int bomLength;
    };
    const Case cases[] = {
        {Encode(kJapanese, Encoding::Utf8, true), Encoding::Utf8, 3},
        {Encode(kJapanese, Encoding::Utf16LE, true), Encoding::Utf16LE, 2},
        {Encode(kJapanese, Encoding::Utf16BE, true), Encoding::Utf16BE, 2},
        {Encode(kJapanese, Encoding::Utf7, true), Encoding::Utf7, 4},
        {QByteArray("+/v8-abc"), Encoding::Utf7, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        Encoding detected = Encoding::Ansi;
        int length = 0;
        ASSERT_TRUE(DetectBom(c.bytes, &detected, &length));
        EXPECT_EQ(detected, c.expected);
        EXPECT_EQ(length, c.bomLength);
        for (Encoding option : {Encoding::Ansi, Encoding::Utf8, Encoding::Utf16BE}) {
            Encoding used = option;
            const QString text = Decode(c.bytes, option, &used);
            EXPECT_EQ(used, c.expected);
            EXPECT_FALSE(text.startsWith(QChar(0xFEFF)));
            if (c.bomLength != 5)
                EXPECT_EQ(text, kJapanese);
            else
                EXPECT_EQ(text, QStringLiteral("abc"));
        }
    }
    EXPECT_FALSE(DetectBom(QByteArray("+/vx"), nullptr, nullptr));
    EXPECT_FALSE(DetectBom(QByteArray("\xEF\xBB"), nullptr, nullptr));
    EXPECT_FALSE(DetectBom(QByteArray(), nullptr, nullptr));
    // No mark in Ansi, even when asked for.
    EXPECT_EQ(Encode(QStringLiteral("a"), Encoding::Ansi, true), QByteArray("a"));
}

TEST(TextEncoding, InvalidBytesBecomeReplacementCharacters)
{
    struct Case {
        QByteArray bytes;
        Encoding enc;
        QString expected;
    };
    const QString bad(QChar(0xFFFD));
    const Case cases[] = {
        {QByteArray("a\xFF" "b"), Encoding::Utf8, QStringLiteral("a") + bad + QStringLiteral("b")},
        {QByteArray("ab\xE3\x81"), Encoding::Utf8, QStringLiteral("ab") + bad},
        {QByteArray("\x83"), Encoding::Ansi, bad},
        {QByteArray("x\x81\x20y"), Encoding::Ansi, QStringLiteral("x") + bad + QStringLiteral(" y")},
        {QByteArray("A\0B", 3), Encoding::Utf16LE, QStringLiteral("A") + bad},
        {QByteArray("\x00\xD8" "A\0", 4), Encoding::Utf16LE, bad + QStringLiteral("A")},
        {QByteArray("a+\xFF-b"), Encoding::Utf7, QString()}, // only: no crash
        {QByteArray("\xFF\xFE\x00", 3), Encoding::Ansi, bad},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const QString text = Decode(c.bytes, c.enc);
        if (!c.expected.isNull())
            EXPECT_EQ(text, c.expected);
        else
            EXPECT_TRUE(text.contains(bad));
    }
    // Every byte value and prefix length, in every encoding: never a crash.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    for (int e = 0; e <= 4; ++e)
        for (int n = 0; n < 8; ++n)
            Decode(all.mid(n), static_cast<Encoding>(e));
}

TEST(TextEncoding, CharactersTheCodePageCannotHoldBecomeQuestionMarks)
{
    EXPECT_EQ(Encode(QStringLiteral("a😀b"), Encoding::Ansi), QByteArray("a?b"));
    EXPECT_EQ(Encode(QStringLiteral("x한y"), Encoding::Ansi), QByteArray("x?y"));
    EXPECT_EQ(Decode(Encode(QStringLiteral("定義€"), Encoding::Ansi), Encoding::Ansi), QStringLiteral("定義?"));
    // An unpaired surrogate has no encoding anywhere.
    const QString lone = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    EXPECT_EQ(Encode(lone, Encoding::Utf8), QByteArray("a?b"));
    EXPECT_EQ(Decode(Encode(lone, Encoding::Utf7), Encoding::Utf7), QStringLiteral("a?b"));
    EXPECT_EQ(Encode(QStringLiteral("テ") + QChar(0xDC00), Encoding::Utf16BE), QByteArray("\x30\xC6\0?", 4));
}

TEST(TextEncoding, UnreadableFileReportsAndWriteReplacesWhole)
{
    tvtest::ScratchDir dir;
    QString text = QStringLiteral("unchanged");
    QString error;
    EXPECT_FALSE(ReadTextFile(dir.file(QStringLiteral("missing.sql")), Encoding::Utf8, &text, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(text, QStringLiteral("unchanged"));

    // Writing into a folder that does not exist fails with a reason.
    error.clear();
    EXPECT_FALSE(WriteTextFile(dir.file(QStringLiteral("no/such/dir/x.sql")), text, Encoding::Utf8, false, &error));
    EXPECT_FALSE(error.isEmpty());

    // A good write replaces the file and leaves no temporary file behind.
    const QString sub = dir.file(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + QStringLiteral("/keep.sql");
    WriteBytes(path, QByteArray("old"));
    ASSERT_TRUE(WriteTextFile(path, QStringLiteral("new"), Encoding::Utf8));
    EXPECT_EQ(ReadBytes(path), QByteArray("new"));
    EXPECT_EQ(QDir(sub).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(TextEncoding, FailedReplacementLeavesTheOldContent)
{
    tvtest::ScratchDir dir;
    const QString sub = dir.file(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + QStringLiteral("/keep.sql");
    WriteBytes(path, QByteArray("new"));
    QString error;
    // The folder is read-only, so no temporary file can be made beside the target.
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool wrote = WriteTextFile(path, QStringLiteral("newer"), Encoding::Utf8, false, &error);
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (wrote)
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadBytes(path), QByteArray("new"));
}

TEST(ClientCodec, ServerEncodingNamesAndStrictEncoding)
{
    const auto sjis = ClientCodec::ForName("sjis");
    EXPECT_EQ(sjis, ClientCodec::ForName("SJIS")); // made once
    EXPECT_FALSE(sjis->IsUtf8());
    for (const char *name : {"UTF8", "SQL_ASCII"})
        EXPECT_TRUE(ClientCodec::ForName(name)->IsUtf8()) << name;

    const struct {
        const char *encoding;
        QString text;
        QByteArray bytes; // empty: the text cannot be encoded
        char32_t bad;
    } cases[] = {
        {"SJIS", kJapanese, QByteArray("\x83\x65\x81\x5B\x83\x75\x83\x8B\x92\xE8\x8B\x60"), 0},
        {"SJIS", QStringLiteral("a\\~ｱ"), QByteArray("a\\~\xB1"), 0},
        {"SJIS", QStringLiteral("ok😀"), QByteArray(), U'😀'},
        // Held only as another character: U+00A5 would be a backslash, U+203E a tilde.
        {"SJIS", QStringLiteral("x¥"), QByteArray(), U'¥'},
        {"SJIS", QStringLiteral("‾"), QByteArray(), U'‾'},
        {"LATIN1", QStringLiteral("é"), QByteArray("\xE9"), 0},
        {"LATIN1", QStringLiteral("é日"), QByteArray(), U'日'},
        // An encoding iconv lacks holds ASCII only.
        {"MULE_INTERNAL", QStringLiteral("abc"), QByteArray("abc"), 0},
        {"MULE_INTERNAL", QStringLiteral("aé"), QByteArray(), U'é'},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.encoding) + " " + c.text.toStdString());
        const auto codec = ClientCodec::ForName(c.encoding);
        QByteArray out;
        char32_t bad = 0;
        const bool ok = codec->Encode(c.text, &out, &bad);
        EXPECT_EQ(ok, !c.bytes.isEmpty());
        if (ok) {
            EXPECT_EQ(out, c.bytes);
            EXPECT_EQ(codec->Decode(c.bytes), c.text);
            QByteArray viaUtf8;
            EXPECT_TRUE(codec->FromUtf8(c.text.toUtf8(), &viaUtf8));
            EXPECT_EQ(viaUtf8, c.bytes);
        } else {
            EXPECT_EQ(bad, c.bad);
        }
    }
    // Bytes that are no character become U+FFFD; bytes that are not UTF-8 are no text and pass unchanged.
    EXPECT_EQ(sjis->Decode(QByteArray("a\x80" "b")), QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(ClientCodec::ForName("MULE_INTERNAL")->Decode(QByteArray("a\xE9")), QStringLiteral("a\uFFFD"));
    QByteArray out;
    EXPECT_TRUE(sjis->FromUtf8(QByteArray("\xFF\x01"), &out));
    EXPECT_EQ(out, QByteArray("\xFF\x01"));
}
