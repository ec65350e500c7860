#pragma once
// Table-driven checks of option records against their stored layout: value
// name, stored type and default of every stored field.
//
// CheckDefaults: a record loaded from an empty store and saved writes exactly
// the listed values, each with its type and default.
// CheckRoundTrip: values different from every default, written by hand, are
// loaded, saved, loaded and saved again and come out unchanged (scrambled
// passwords by meaning; their stored text changes).
#include "common/PasswordScrambler.h"
#include "platform/settings/tvRegistry.h"
#include "support/ScratchDir.h"

#include <QDir>
#include <QSet>
#include <QVariant>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace opttest {

using tv::settings::TRegDataType;
using tv::settings::TtvRegistry;

// Boolean, integer, enumeration ordinal, text, list of lines, scrambled password.
enum Kind { B, I, E, S, L, P };

struct Row {
    QString name;
    Kind kind;
    QVariant dflt;   // bool, int or QString
    int enumCount = 0;
};

// Loads a fresh record from the store and saves it back.
using Cycle = std::function<void(TtvRegistry &)>;

inline QString KeyPath(const QString &subkey)
{
    const QString root = QString::fromLatin1(tv::settings::RootKey);
    return subkey.isEmpty() ? root : root + "\\" + subkey;
}

inline QString Folder(const tvtest::ScratchDir &scratch)
{
    return QDir::cleanPath(scratch.path()) + "/";
}

inline void CheckDefaults(const QString &subkey, const std::vector<Row> &rows, const Cycle &cycle)
{
    {
        TtvRegistry reg;
        cycle(reg);
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(KeyPath(subkey), false)) << subkey.toStdString();
    QStringList expected;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name.toStdString());
        expected << r.name;
        ASSERT_TRUE(reg.ValueExists(r.name));
        switch (r.kind) {
        case B:
            EXPECT_EQ(reg.GetDataType(r.name), TRegDataType::rdInteger);
            EXPECT_EQ(reg.ReadInteger(r.name), r.dflt.toBool() ? 1 : 0);
            break;
        case I:
        case E:
            EXPECT_EQ(reg.GetDataType(r.name), TRegDataType::rdInteger);
            EXPECT_EQ(reg.ReadInteger(r.name), r.dflt.toInt());
            break;
        case S:
        case L:
            EXPECT_EQ(reg.GetDataType(r.name), TRegDataType::rdString);
            EXPECT_EQ(reg.ReadString(r.name), r.dflt.toString());
            break;
        case P:
            EXPECT_EQ(reg.GetDataType(r.name), TRegDataType::rdString);
            EXPECT_EQ(UnscramblePassword(reg.ReadString(r.name)), r.dflt.toString());
            break;
        }
    }
    QStringList stored = reg.GetValueNames();
    std::sort(expected.begin(), expected.end());
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, expected) << "values stored by " << subkey.toStdString();
}

// A value of the row's kind that differs from its default.
inline QVariant Changed(const Row &r)
{
    switch (r.kind) {
    case B: return int(r.dflt.toBool() ? 0 : 1);
    case I: return r.dflt.toInt() + 3;
    case E: return (r.dflt.toInt() + 1) % r.enumCount;
    case S: return QString("値-" + r.name);
    case L: return QString("一/" + r.name + "\r\n\r\nlast\r\n");
    case P: return QString("パス " + r.name);
    }
    return {};
}

inline void CheckRoundTrip(const QString &subkey, const std::vector<Row> &rows, const Cycle &cycle)
{
    // Stored texts of each password: as written, then after every save.
    std::vector<QSet<QString>> texts;
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath(subkey), true));
        for (const Row &r : rows) {
            const QVariant v = Changed(r);
            if (r.kind == P) {
                texts.push_back({ScramblePassword(v.toString())});
                reg.WriteString(r.name, *texts.back().begin());
            } else if (v.typeId() == QMetaType::Int) {
                reg.WriteInteger(r.name, v.toInt());
            } else {
                reg.WriteString(r.name, v.toString());
            }
        }
        reg.CloseKey();
    }
    for (int round = 0; round < 3; ++round) {
        {
            TtvRegistry reg;
            cycle(reg);
        }
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath(subkey), false));
        size_t p = 0;
        for (const Row &r : rows) {
            SCOPED_TRACE(r.name.toStdString() + " round " + std::to_string(round));
            const QVariant v = Changed(r);
            if (r.kind == P) {
                const QString stored = reg.ReadString(r.name);
                texts[p++].insert(stored);
                EXPECT_EQ(UnscramblePassword(stored), v.toString());
            } else if (v.typeId() == QMetaType::Int) {
                EXPECT_EQ(reg.ReadInteger(r.name), v.toInt());
            } else {
                EXPECT_EQ(reg.ReadString(r.name), v.toString());
            }
        }
    }
    // Every save scrambles anew: four identical texts would mean it did not.
    for (const auto &t : texts)
        EXPECT_GT(t.size(), 1);
}

} // namespace opttest
