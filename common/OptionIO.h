#pragma once
// Moving option records between the settings store and memory.
//
// Each record lists its stored fields once, in a template member
//     template <class V> void Visit(V &v);
// calling v.Bool / v.Int / v.Text / v.Enum / v.Lines / v.Password with the
// stored value name, the field and its default. OptionLoader reads every
// field (the default when the value is missing or unreadable), OptionSaver
// writes every field, so the names used for loading and saving cannot drift
// apart. Fields marked loadOnly are read but never written.
#include "common/PasswordScrambler.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace optionio {

using tv::settings::TtvRegistry;

// The full path of a subkey of the system's root key ("" for the root key).
inline QString OptionKey(const QString &subkey)
{
    const QString root = QString::fromLatin1(tv::settings::RootKey);
    return subkey.isEmpty() ? root : root + QLatin1Char('\\') + subkey;
}

class OptionLoader {
public:
    // When the key cannot be opened every field takes its default; nothing is
    // read from whatever other key might be current.
    OptionLoader(TtvRegistry &reg, const QString &subkey) : m_reg(reg)
    {
        m_open = m_reg.OpenKey(OptionKey(subkey), true);
    }
    ~OptionLoader()
    {
        if (m_open) {
            try {
                m_reg.CloseKey();
            } catch (...) {
                // Only a pending write of an earlier save can fail here; it
                // stays pending and is reported by the next save.
            }
        }
    }
    OptionLoader(const OptionLoader &) = delete;
    OptionLoader &operator=(const OptionLoader &) = delete;

    void Bool(const char *name, bool &field, bool dflt, bool loadOnly = false)
    {
        field = m_open ? m_reg.GetBool(QLatin1String(name), dflt) : dflt;
    }
    void Int(const char *name, int &field, int dflt, bool loadOnly = false)
    {
        field = m_open ? m_reg.GetInteger(QLatin1String(name), dflt) : dflt;
    }
    void Text(const char *name, QString &field, const QString &dflt, bool loadOnly = false)
    {
        field = m_open ? m_reg.GetString(QLatin1String(name), dflt) : dflt;
    }
    // Enumerations by ordinal; an ordinal outside 0..count-1 gives the default.
    template <class E>
    void Enum(const char *name, E &field, E dflt, int count)
    {
        const int v = m_open ? m_reg.GetInteger(QLatin1String(name), int(dflt)) : int(dflt);
        field = (v >= 0 && v < count) ? static_cast<E>(v) : dflt;
    }
    void DateTime(const char *name, QDateTime &field, const QDateTime &dflt)
    {
        field = m_open ? m_reg.GetDateTime(QLatin1String(name), dflt) : dflt;
    }
    // A list of lines stored as one text, lines separated by CR LF.
    void Lines(const char *name, QStringList &field)
    {
        field = tv::settings::TextToStrings(m_open ? m_reg.GetString(QLatin1String(name), QString())
                                                   : QString());
    }
    // A password stored scrambled; a missing value is the empty password.
    void Password(const char *name, QString &field, bool loadOnly = false)
    {
        field = UnscramblePassword(m_open ? m_reg.GetString(QLatin1String(name), QString()) : QString());
    }

private:
    TtvRegistry &m_reg;
    bool m_open = false;
};

class OptionSaver {
public:
    // Throws tv::Error when the key cannot be opened or the values cannot be
    // written; values written before the failure stay written.
    OptionSaver(TtvRegistry &reg, const QString &subkey) : m_reg(reg)
    {
        if (!m_reg.OpenKey(OptionKey(subkey), true))
            throw tv::Error(QStringLiteral("設定 \"%1\" を開けません。").arg(OptionKey(subkey)));
    }
    // Closes the key and writes the file; call it to see write failures.
    void Close() { m_reg.CloseKey(); }
    ~OptionSaver()
    {
        if (m_reg.HasCurrentKey()) {
            try {
                m_reg.CloseKey();
            } catch (...) {
            }
        }
    }
    OptionSaver(const OptionSaver &) = delete;
    OptionSaver &operator=(const OptionSaver &) = delete;

    void Bool(const char *name, bool &field, bool, bool loadOnly = false)
    {
        if (!loadOnly)
            m_reg.WriteBool(QLatin1String(name), field);
    }
    void Int(const char *name, int &field, int, bool loadOnly = false)
    {
        if (!loadOnly)
            m_reg.WriteInteger(QLatin1String(name), field);
    }
    void Text(const char *name, QString &field, const QString &, bool loadOnly = false)
    {
        if (!loadOnly)
            m_reg.WriteString(QLatin1String(name), field);
    }
    template <class E>
    void Enum(const char *name, E &field, E, int)
    {
        m_reg.WriteInteger(QLatin1String(name), int(field));
    }
    void DateTime(const char *name, QDateTime &field, const QDateTime &)
    {
        m_reg.WriteDateTime(QLatin1String(name), field);
    }
    void Lines(const char *name, QStringList &field)
    {
        m_reg.WriteString(QLatin1String(name), tv::settings::StringsToText(field));
    }
    void Password(const char *name, QString &field, bool loadOnly = false)
    {
        if (!loadOnly)
            m_reg.WriteString(QLatin1String(name), ScramblePassword(field));
    }

private:
    TtvRegistry &m_reg;
};

// Loads or saves one record through its Visit member.
template <class R, class... Extra>
void LoadRecord(R &record, TtvRegistry &reg, const QString &subkey, Extra &&...extra)
{
    OptionLoader loader(reg, subkey);
    record.Visit(loader, std::forward<Extra>(extra)...);
}

template <class R, class... Extra>
void SaveRecord(R &record, TtvRegistry &reg, const QString &subkey, Extra &&...extra)
{
    OptionSaver saver(reg, subkey);
    record.Visit(saver, std::forward<Extra>(extra)...);
    saver.Close();
}

} // namespace optionio
