#include "common/OSInfo.h"

#include "support/ScratchDir.h"

#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <gtest/gtest.h>

namespace {

const char kFixture[] = "# written by the distribution\n"
                        "PRETTY_NAME=\"Example Linux 9.3 (Blue \\\"Onyx\\\")\"\n"
                        "NAME='Example Linux'\n"
                        "VERSION_ID=9.3\n"
                        "\n"
                        "  ID=example  \n"
                        "BROKEN LINE\n"
                        "HOME_URL=\"https://example.invalid/a=b\"\n";

TOSVersionInfo FixtureInfo()
{
    TOSVersionInfo info;
    info.Release = ParseOsRelease(QString::fromUtf8(kFixture));
    info.SystemName = QStringLiteral("Linux");
    info.KernelRelease = QStringLiteral("6.1.0-18-amd64");
    info.Architecture = QStringLiteral("x86_64");
    ParseKernelRelease(info.KernelRelease, &info.Major, &info.Minor, &info.Build);
    return info;
}

} // namespace

TEST(OSInfo, OsReleaseFieldsAreParsedWithTheirQuoting)
{
    const QMap<QString, QString> fields = ParseOsRelease(QString::fromUtf8(kFixture));
    EXPECT_EQ(fields.value(QStringLiteral("PRETTY_NAME")), QStringLiteral("Example Linux 9.3 (Blue \"Onyx\")"));
    EXPECT_EQ(fields.value(QStringLiteral("NAME")), QStringLiteral("Example Linux"));
    EXPECT_EQ(fields.value(QStringLiteral("VERSION_ID")), QStringLiteral("9.3"));
    EXPECT_EQ(fields.value(QStringLiteral("ID")), QStringLiteral("example"));
    EXPECT_EQ(fields.value(QStringLiteral("HOME_URL")), QStringLiteral("https://example.invalid/a=b"));
    EXPECT_EQ(fields.size(), 5);

    TOSVersionInfo info = FixtureInfo();
    EXPECT_EQ(OSVersionName(info, QStringLiteral("既定")), QStringLiteral("Example Linux 9.3 (Blue \"Onyx\")"));
    info.Release.remove(QStringLiteral("PRETTY_NAME"));
    EXPECT_EQ(OSVersionName(info, QStringLiteral("既定")), QStringLiteral("Example Linux 9.3"));
    info.Release.clear();
    EXPECT_EQ(OSVersionName(info, QStringLiteral("既定")), QStringLiteral("既定"));
}

TEST(OSInfo, KernelReleasesGiveMajorMinorAndBuild)
{
    struct Case {
        QString text;
        bool ok;
        int major, minor, build;
    };
    const Case cases[] = {
        {QStringLiteral("6.1.0-18-amd64"), true, 6, 1, 0},
        {QStringLiteral("5.15.153.1-microsoft-standard-WSL2"), true, 5, 15, 153},
        {QStringLiteral("6.8"), true, 6, 8, 0},
        {QStringLiteral("4"), true, 4, 0, 0},
        {QStringLiteral("v6.1"), false, 0, 0, 0},
        {QString(), false, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        int major = -7, minor = -7, build = -7;
        EXPECT_EQ(ParseKernelRelease(c.text, &major, &minor, &build), c.ok);
        if (c.ok) {
            EXPECT_EQ(major, c.major);
            EXPECT_EQ(minor, c.minor);
            EXPECT_EQ(build, c.build);
        }
    }
}

TEST(OSInfo, DescriptionKindsFromAFixture)
{
    const TOSVersionInfo info = FixtureInfo();
    const QString def = QStringLiteral("Unknown?");
    struct Case {
        int kind;
        QString out;
    };
    const Case cases[] = {
        {0, QStringLiteral("64ビット")},   {1, QStringLiteral("0")},   {2, QStringLiteral("6")},
        {3, QStringLiteral("1")},          {4, QStringLiteral("Example Linux 9.3 (Blue \"Onyx\")")},
        {5, QStringLiteral("Linux")},      {6, QStringLiteral("0.0")}, {7, QStringLiteral("0")},
        {8, QStringLiteral("0")},          {9, QStringLiteral("6.1.0")}, {10, def}, {255, def},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(OSDescription(info, static_cast<quint8>(c.kind), def), c.out);
    }

    TOSVersionInfo small = info;
    small.Architecture = QStringLiteral("i386");
    EXPECT_EQ(OSDescription(small, 0, def), QStringLiteral("32ビット"));
    small.Architecture = QStringLiteral("arm");
    EXPECT_EQ(OSDescription(small, 0, def), QStringLiteral("32ビット"));
    small.Architecture = QStringLiteral("arm64");
    EXPECT_EQ(OSDescription(small, 0, def), QStringLiteral("64ビット"));

    // Nothing could be read: the default, except the product name's own.
    const TOSVersionInfo empty;
    for (int kind : {0, 1, 2, 3, 5, 6, 9})
        EXPECT_EQ(OSDescription(empty, static_cast<quint8>(kind), def), def) << kind;
    EXPECT_EQ(OSDescription(empty, 4, def), QStringLiteral("Unknown"));
}

TEST(OSInfo, ReadsAFixtureFileAndThisMachine)
{
    tvtest::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("os-release"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kFixture);
    }
    const TOSVersionInfo fromFixture = ReadOSVersionInfo(path);
    EXPECT_EQ(OSVersionName(fromFixture, QString()), QStringLiteral("Example Linux 9.3 (Blue \"Onyx\")"));
    EXPECT_TRUE(fromFixture.HasVersion());
    EXPECT_TRUE(ReadOSVersionInfo(dir.file(QStringLiteral("none"))).Release.isEmpty());

    const QString name = GetWindowsVersionName(QString());
    EXPECT_FALSE(name.isEmpty());
    const QString version = GetOSDescription(9, QString());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch())
        << version.toStdString();
    EXPECT_EQ(GetOSDescription(5, QString()), QStringLiteral("Linux"));
    if (QSysInfo::currentCpuArchitecture() == QLatin1String("x86_64")) {
        EXPECT_EQ(GetOSDescription(0, QString()), QStringLiteral("64ビット"));
    }
    EXPECT_EQ(GetOSDescription(200, QStringLiteral("d")), QStringLiteral("d"));
}
