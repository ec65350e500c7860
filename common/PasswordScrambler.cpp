#include "common/PasswordScrambler.h"

#include <QRandomGenerator>

namespace {

constexpr char kAlphabet[] = "~;<@]=,_|.[:>'!-";
constexpr int kPadTo = 64;

char At(int j)
{
    return kAlphabet[((j % 16) + 16) % 16];
}

// 1-based position in the alphabet, 0 for any other character.
int Pos(char c)
{
    for (int j = 0; j < 16; ++j)
        if (kAlphabet[j] == c)
            return j + 1;
    return 0;
}

int Mod16(qint64 v)
{
    return int(((v % 16) + 16) % 16);
}

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

} // namespace

QByteArray ScrambleText(const QByteArray &plain)
{
    if (plain.isEmpty())
        return QByteArray();
    QByteArray bytes = plain;
    if (bytes.size() < kPadTo)
        bytes.append(QByteArray(kPadTo - bytes.size(), ' '));
    const qsizetype n = bytes.size();
    QRandomGenerator *rnd = QRandomGenerator::global();
    const int k = int(rnd->bounded(16));

    // Built from the middle outwards: the high halves of the bytes go to the
    // left (so they end up in reverse order), the low halves to the right.
    QByteArray out(2 * n + 4, '\0');
    const qsizetype mid = n + 1; // 0-based position of A[k]
    out[mid] = At(k);
    out[mid + 1] = At(int(rnd->bounded(16)));
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[mid - 1 - i] = At(int(k + i + (b >> 4) + 2));
        out[mid + 2 + i] = At(int(k + i + (b & 15) + 2));
    }
    out[0] = At(int(rnd->bounded(16)));
    out[2 * n + 3] = At(int(rnd->bounded(16)));
    return out;
}

QByteArray UnscrambleText(const QByteArray &scrambled)
{
    const qsizetype len = scrambled.size();
    if (len == 0)
        return QByteArray();
    // 1-based positions as in the stored layout: S[m] is the key character.
    auto S = [&](qsizetype pos1) { return scrambled[pos1 - 1]; };
    const qsizetype m = len / 2;
    if (m < 1)
        return QByteArray();
    const int p0 = Pos(S(m));
    QByteArray out;
    for (qsizetype i = 1; i <= m - 2 && m + 1 + i <= len; ++i) {
        const int hi = Mod16(qint64(Pos(S(m - i))) - p0 - i - 1);
        const int lo = Mod16(qint64(Pos(S(m + 1 + i))) - p0 - i - 1);
        out.append(char(hi * 16 + lo));
    }
    qsizetype from = 0, to = out.size();
    while (from < to && IsBlankOrControl(out[from]))
        ++from;
    while (to > from && IsBlankOrControl(out[to - 1]))
        --to;
    return out.mid(from, to - from);
}

QString ScramblePassword(const QString &password)
{
    return QString::fromLatin1(ScrambleText(password.toUtf8()));
}

QString UnscramblePassword(const QString &stored)
{
    return QString::fromUtf8(UnscrambleText(stored.toUtf8()));
}
