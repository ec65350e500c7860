#pragma once
// The operating system the program runs on, for the support information:
// the product name from /etc/os-release (PRETTY_NAME, else NAME and
// VERSION_ID), the version numbers from the kernel release of uname
// ("6.1.0-18-amd64" → major 6, minor 1, build 0), the bitness from the
// machine's processor architecture. Every reader takes a default that it
// returns whenever the information cannot be read.
#include <QMap>
#include <QString>

struct TOSVersionInfo {
    QMap<QString, QString> Release; // the os-release fields
    QString SystemName;             // uname: "Linux"
    QString KernelRelease;          // uname: "6.1.0-18-amd64"
    QString Architecture;           // "x86_64", "arm64", "i386" ...
    int Major = -1;                 // from the kernel release; -1 when unreadable
    int Minor = -1;
    int Build = -1;
    bool HasVersion() const { return Major >= 0; }
};

// The fields of an os-release text: KEY=value lines, values unquoted or in
// double quotes (with "\" escapes) or single quotes; comments and blank lines
// are skipped.
QMap<QString, QString> ParseOsRelease(const QString &text);

// Major, minor and build (patch) of a kernel release text; missing parts are
// 0. False when the text does not begin with a number.
bool ParseKernelRelease(const QString &release, int *major, int *minor, int *build);

// Reads this machine: os-release from `osReleasePath`, or /etc/os-release
// and then /usr/lib/os-release; uname; the processor architecture.
TOSVersionInfo ReadOSVersionInfo(const QString &osReleasePath = {});

// The product name ("Debian GNU/Linux 12 (bookworm)"); Default when unknown.
QString OSVersionName(const TOSVersionInfo &info, const QString &Default);
QString GetWindowsVersionName(const QString &Default);

// One item of the operating-system description; Default for a kind outside
// 0..9 or an item that cannot be read:
//   0 bitness "64ビット" / "32ビット"   1 build   2 major   3 minor
//   4 product name (default "Unknown")   5 platform ("Linux")
//   6 service pack "0.0"   7 and 8 service-pack numbers "0"
//   9 major "." minor "." build
QString OSDescription(const TOSVersionInfo &info, quint8 Kind, const QString &Default);
QString GetOSDescription(quint8 Kind, const QString &Default);
