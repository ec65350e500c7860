#pragma once
// The settings store: a hierarchical, typed key and value store addressed by
// registry-style paths ("\Software\Quenzor\TVX19\GUI\MAIN").
//
// Every path "\Software\<Vendor>\<Name>\..." lives in one file per <Name>,
// <config folder>/<Vendor>/<Name>.conf, written through QSettings with a file
// format of our own that keeps the value types (32-bit integer, text, binary).
// Key and value names are matched without regard to letter case and keep the
// spelling they were created with. The config folder is TALVEX_CONFIG_DIR
// when set, else the user's XDG config folder.
//
// One key is current at a time (OpenKey makes a key current and closes the
// previous one); value operations act on it. Paths starting with "\" are
// absolute; other paths are relative to the current key (or to the root when
// no key is open).
//
// Opening a key with creation does not by itself write the file: new empty
// keys exist in memory and reach the file with the next real write (a value
// written or a key deleted). A file that cannot be read or parsed therefore
// gives every default and stays as it is until something is saved. Changes
// are written when the key is closed (and when the store is destroyed), to a
// temporary file renamed over the old one; a new file is created with mode
// 0600.
//
// A file that cannot be read or written (another owner's, read-only, a
// folder in its place) is never replaced: changes stay in memory for the
// run, closing a key never fails for it, and the user is told once that
// settings cannot be saved. A malformed file is set aside as "<file>.bad"
// (".bad1" ... when taken) at the first save, and the user is told once,
// naming the kept copy; one that cannot be moved stays and is not written.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace tv::settings {

// The system's own root key.
inline constexpr char RootKey[] = "\\Software\\Quenzor\\TVX19";

enum class TRegDataType { rdUnknown, rdString, rdInteger, rdBinary };

class TtvRegistry {
public:
    // Uses TALVEX_CONFIG_DIR, else the XDG config folder.
    TtvRegistry();
    // Uses the given folder in place of the config folder.
    explicit TtvRegistry(const QString &configDir);
    ~TtvRegistry(); // writes pending changes; never throws
    TtvRegistry(const TtvRegistry &) = delete;
    TtvRegistry &operator=(const TtvRegistry &) = delete;

    // --- keys ---------------------------------------------------------------
    // Makes the key current; with canCreate a missing key (and every missing
    // key above it) is created. False (current key unchanged) when the key
    // does not exist and cannot be created.
    bool OpenKey(const QString &key, bool canCreate);
    // As OpenKey without creation; every write to the key then fails.
    bool OpenKeyReadOnly(const QString &key);
    // Closes the current key and writes pending changes of its file. Never
    // throws: changes that cannot be written stay pending (the user is told
    // once, see above).
    void CloseKey();
    bool HasCurrentKey() const { return m_open; }
    // Absolute path of the current key ("\Software\Quenzor\TVX19\GUI"), empty
    // when none is open.
    QString CurrentPath() const;
    // Deletes a key (relative to the current key or absolute) with all its
    // subkeys and values. False when it does not exist or cannot be deleted.
    bool DeleteKey(const QString &key);
    bool KeyExists(const QString &key);
    // Names of the subkeys of the current key: numeric names first in
    // numeric order, then the others without regard to letter case.
    QStringList GetKeyNames();
    bool HasSubKeys();

    // --- values of the current key -------------------------------------------
    QStringList GetValueNames(); // sorted as GetKeyNames
    bool ValueExists(const QString &name);
    bool DeleteValue(const QString &name);
    TRegDataType GetDataType(const QString &name);
    int GetDataSize(const QString &name); // bytes (texts: UTF-16 with terminator); -1 when missing

    // Writes create or replace one value. They throw tv::Error when no key is
    // open, the key was opened read-only, or the key is not inside a store.
    void WriteBool(const QString &name, bool value);
    void WriteInteger(const QString &name, int value);
    void WriteString(const QString &name, const QString &value);
    void WriteBinaryData(const QString &name, const QByteArray &value);
    void WriteFloat(const QString &name, double value);
    void WriteDateTime(const QString &name, const QDateTime &value);
    void WriteDate(const QString &name, const QDateTime &value);
    void WriteTime(const QString &name, const QDateTime &value);
    // Fixed point with 4 decimals: the value times 10000.
    void WriteCurrency(const QString &name, qint64 value);

    // Strict readers: tv::Error when the value has another type. A missing
    // value gives "" for ReadString and an error for the others.
    QString ReadString(const QString &name);
    int ReadInteger(const QString &name);
    bool ReadBool(const QString &name);
    QByteArray ReadBinaryData(const QString &name);

    // Readers that never fail: the default when the value is missing, has
    // another type or size, or (GetString) is an empty text.
    bool GetBool(const QString &name, bool defaultValue);
    int GetInteger(const QString &name, int defaultValue);
    QString GetString(const QString &name, const QString &defaultValue);
    double GetFloat(const QString &name, double defaultValue);
    QDateTime GetDateTime(const QString &name, const QDateTime &defaultValue);
    QDateTime GetDate(const QString &name, const QDateTime &defaultValue);
    QDateTime GetTime(const QString &name, const QDateTime &defaultValue);
    qint64 GetCurrency(const QString &name, qint64 defaultValue);

    // Writes every pending change of every file; false when one failed.
    bool Flush();
    // The file that holds "\Software\<vendor>\<name>".
    QString StoreFileName(const QString &vendor, const QString &name) const;
    QString ConfigDir() const { return m_configDir; }

private:
    struct Store;
    struct Resolved;

    bool Resolve(const QString &key, bool canCreate, Resolved *out);
    Store *FindStore(const QString &vendor, const QString &name, bool canCreate);
    Store *CurrentStore() const;
    QString CurrentGroup() const;
    QString FindValueKey(const QString &name); // full store key, empty when missing
    QVariant ValueOf(const QString &name);
    Store *WritableStore(const QString &name);
    void WriteValue(const QString &name, const QVariant &value);
    void Materialize(Store *store);
    bool FlushStore(Store *store);
    QStringList ChildGroups(Store *store, const QString &group);
    void TellOnce(const QString &file, char kind, const QString &text);
    void deliverNotices();
    void closeCurrent();
    bool save(Store *store); // FlushStore, telling the user once when it fails

    QString m_configDir;
    std::map<QString, std::unique_ptr<Store>> m_stores; // by lower-case "vendor/name"
    QStringList m_current;                              // components below the root
    bool m_open = false;
    bool m_readOnly = false;
    bool m_quiet = false; // being destroyed: nobody to tell
    QStringList m_notices; // told at the next CloseKey or Flush
};

// What the store tells the user (a file it cannot write, a malformed file
// set aside) goes to this handler, or by default to a warning message box
// through the dialogs seam. Returns the previous handler.
using SettingsNoticeHandler = std::function<void(const QString &text)>;
SettingsNoticeHandler SetSettingsNoticeHandler(SettingsNoticeHandler handler);

// The one store of the process. Created on first use; ReleaseSharedRegistry
// writes and frees it (the next use creates it anew, reading the config
// folder again).
TtvRegistry &tvRegistry();
void ReleaseSharedRegistry();

// Closes whatever key of the store is current when the scope ends, on every
// way out (which also ends read-only access).
class TRegistryKeyCloser {
public:
    explicit TRegistryKeyCloser(TtvRegistry &reg = tvRegistry()) : m_reg(reg) {}
    ~TRegistryKeyCloser();
    TRegistryKeyCloser(const TRegistryKeyCloser &) = delete;
    TRegistryKeyCloser &operator=(const TRegistryKeyCloser &) = delete;

private:
    TtvRegistry &m_reg;
};

// A key name component that holds "\" or "/" (a database name below
// "OBJECTTREE\") goes through EscapeKeyName before it becomes part of a path;
// UnescapeKeyName turns a name from GetKeyNames back.
QString EscapeKeyName(const QString &name);
QString UnescapeKeyName(const QString &name);

// A list of text lines stored in one text value: every line followed by CR LF;
// read back split at CR LF, LF or CR, with no extra empty line at the end.
QString StringsToText(const QStringList &lines);
QStringList TextToStrings(const QString &text);

// Date-time values as stored: days since 30 December 1899 with the time of
// day as the fraction (local wall-clock time).
double DateTimeToValue(const QDateTime &value);
QDateTime ValueToDateTime(double value);

} // namespace tv::settings
