#include "platform/settings/tvRegistry.h"

#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/ui/Dialogs.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tv::settings {

namespace {

// --- the file format ----------------------------------------------------------
// UTF-8 text: a header line, then one line per value:
//   <type> TAB <key> TAB <data>
// type "i" 32-bit integer (decimal), "s" text, "b" binary (hex). Key and text
// escape backslash, TAB, LF and CR as \\ \t \n \r. Anything else is malformed.

const QString kHeader = QStringLiteral("#TalvexSettings 1");

QString EscapeField(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

bool UnescapeField(const QString &s, QString *out)
{
    out->clear();
    out->reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (c != QLatin1Char('\\')) {
            *out += c;
            continue;
        }
        if (++i >= s.size())
            return false;
        switch (s[i].unicode()) {
        case '\\': *out += QLatin1Char('\\'); break;
        case 't': *out += QLatin1Char('\t'); break;
        case 'n': *out += QLatin1Char('\n'); break;
        case 'r': *out += QLatin1Char('\r'); break;
        default: return false;
        }
    }
    return true;
}

bool IsHex(const QString &s)
{
    if (s.size() % 2 != 0)
        return false;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

bool ReadSettingsFile(QIODevice &device, QSettings::SettingsMap &map)
{
    const QByteArray bytes = device.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    auto chop = [](QString line) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        return line;
    };
    if (lines.isEmpty() || chop(lines.first()) != kHeader)
        return false;
    QSettings::SettingsMap result;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QString line = chop(lines[n]);
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3 || fields[0].size() != 1)
            return false;
        QString key;
        if (!UnescapeField(fields[1], &key) || key.isEmpty())
            return false;
        switch (fields[0][0].unicode()) {
        case 'i': {
            bool ok = false;
            const int v = fields[2].toInt(&ok, 10);
            if (!ok)
                return false;
            result.insert(key, v);
            break;
        }
        case 's': {
            QString v;
            if (!UnescapeField(fields[2], &v))
                return false;
            result.insert(key, v);
            break;
        }
        case 'b':
            if (!IsHex(fields[2]))
                return false;
            result.insert(key, QByteArray::fromHex(fields[2].toLatin1()));
            break;
        default:
            return false;
        }
    }
    map = std::move(result);
    return true;
}

bool WriteSettingsFile(QIODevice &device, const QSettings::SettingsMap &map)
{
    QString text = kHeader + QLatin1Char('\n');
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QVariant &v = it.value();
        QChar type;
        QString data;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::Bool:
            type = QLatin1Char('i');
            data = QString::number(v.toInt());
            break;
        case QMetaType::QByteArray:
            type = QLatin1Char('b');
            data = QString::fromLatin1(v.toByteArray().toHex());
            break;
        default:
            type = QLatin1Char('s');
            data = EscapeField(v.toString());
        }
        text += type + QLatin1Char('\t') + EscapeField(it.key()) + QLatin1Char('\t') + data +
                QLatin1Char('\n');
    }
    const QByteArray bytes = text.toUtf8();
    return device.write(bytes) == bytes.size();
}

QSettings::Format TalvexFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadSettingsFile, WriteSettingsFile,
                                  Qt::CaseSensitive);
    return format;
}

// QSettings that writes only when told to (no automatic write from the event
// loop), so that a key is never half-written behind the caller's back.
class SettingsFile : public QSettings {
public:
    SettingsFile(const QString &fileName) : QSettings(fileName, TalvexFormat()) {}

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::UpdateRequest)
            return true;
        return QSettings::event(e);
    }
};

// --- names inside QSettings ---------------------------------------------------
// QSettings treats "/" and "\" as separators; every name component is
// percent-encoded for those and for "%" itself. The marker value of an empty
// key and the empty value name use forms that encoding never produces.
const QString kMarker = QStringLiteral("%k");
const QString kEmptyName = QStringLiteral("%e");

QString EncodeName(const QString &name)
{
    return name.isEmpty() ? kEmptyName : EscapeKeyName(name);
}

QString PercentDecode(const QString &name)
{
    if (!name.contains(QLatin1Char('%')))
        return name;
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == QLatin1Char('%') && i + 2 < name.size()) {
            const QStringView code = QStringView(name).mid(i + 1, 2);
            if (code.compare(QLatin1String("25"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('%');
                i += 2;
                continue;
            }
            if (code.compare(QLatin1String("2F"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('/');
                i += 2;
                continue;
            }
            if (code.compare(QLatin1String("5C"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('\\');
                i += 2;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

QString DecodeName(const QString &name)
{
    return name == kEmptyName ? QString() : PercentDecode(name);
}

QString JoinKey(const QString &group, const QString &encodedName)
{
    return group.isEmpty() ? encodedName : group + QLatin1Char('/') + encodedName;
}

QString EncodeGroup(const QStringList &parts, qsizetype from)
{
    QStringList enc;
    for (qsizetype i = from; i < parts.size(); ++i)
        enc << EncodeName(parts[i]);
    return enc.join(QLatin1Char('/'));
}

bool IsNumber(const QString &s)
{
    if (s.isEmpty())
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool NameLess(const QString &a, const QString &b)
{
    const bool na = IsNumber(a), nb = IsNumber(b);
    if (na && nb) {
        QStringView va(a), vb(b);
        while (va.size() > 1 && va.front() == u'0')
            va = va.mid(1);
        while (vb.size() > 1 && vb.front() == u'0')
            vb = vb.mid(1);
        if (va.size() != vb.size())
            return va.size() < vb.size();
        const int c = va.compare(vb);
        return c != 0 ? c < 0 : a < b;
    }
    if (na != nb)
        return na;
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// Sorts and drops names that differ from an earlier one only in letter case.
QStringList SortedNames(const QStringList &names)
{
    QStringList out;
    QSet<QString> seen;
    for (const QString &n : names) {
        const QString folded = n.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        out << n;
    }
    std::sort(out.begin(), out.end(), NameLess);
    return out;
}

QByteArray Bytes8(quint64 bits)
{
    QByteArray out(8, '\0');
    qToLittleEndian(bits, out.data());
    return out;
}

bool From8(const QVariant &v, quint64 *bits)
{
    if (v.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray b = v.toByteArray();
    if (b.size() != 8)
        return false;
    *bits = qFromLittleEndian<quint64>(b.constData());
    return true;
}

SettingsNoticeHandler &NoticeHandler()
{
    static SettingsNoticeHandler handler;
    return handler;
}

QString KeyNotOpenText()
{
    return QStringLiteral("設定のキーが開かれていません。");
}

} // namespace

// --- public helpers --------------------------------------------------------------

QString EscapeKeyName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        switch (c.unicode()) {
        case '%': out += QLatin1String("%25"); break;
        case '/': out += QLatin1String("%2F"); break;
        case '\\': out += QLatin1String("%5C"); break;
        default: out += c;
        }
    }
    return out;
}

QString UnescapeKeyName(const QString &name)
{
    return PercentDecode(name);
}

QString StringsToText(const QStringList &lines)
{
    QString out;
    for (const QString &line : lines)
        out += line + QLatin1String("\r\n");
    return out;
}

QStringList TextToStrings(const QString &text)
{
    QStringList out;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            out << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        out << text.mid(start);
    return out;
}

namespace {
QDate Epoch()
{
    return QDate(1899, 12, 30);
}
constexpr qint64 kMsPerDay = 86400000;
} // namespace

double DateTimeToValue(const QDateTime &value)
{
    if (!value.isValid())
        return 0.0;
    const qint64 days = Epoch().daysTo(value.date());
    const double frac = double(value.time().msecsSinceStartOfDay()) / double(kMsPerDay);
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

QDateTime ValueToDateTime(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return QDateTime();
    const double whole = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - whole) * double(kMsPerDay));
    if (ms >= kMsPerDay)
        ms = kMsPerDay - 1;
    return QDateTime(Epoch().addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

// --- the store -----------------------------------------------------------------

struct TtvRegistry::Store {
    QString vendor;
    QString name;
    QString file;
    std::unique_ptr<SettingsFile> qs;
    QSet<QString> pending; // encoded groups of keys created in memory only
    bool dirty = false;
    bool malformed = false; // the file could not be parsed when it was read
    bool keepAway = false;  // a malformed file that could not be set aside: never written

    void Open()
    {
        qs.reset();
        qs = std::make_unique<SettingsFile>(file);
        // QSettings shares parsed files between its objects and reports a
        // parse failure only to the first, so check the file here.
        malformed = false;
        QFile f(file);
        if (f.size() > 0 && f.open(QIODevice::ReadOnly)) {
            QSettings::SettingsMap map;
            malformed = !ReadSettingsFile(f, map);
        }
    }
};

struct TtvRegistry::Resolved {
    QStringList parts;
    Store *store = nullptr;
};

TtvRegistry::TtvRegistry() : TtvRegistry(ConfigFolder()) {}

TtvRegistry::TtvRegistry(const QString &configDir) : m_configDir(QDir::cleanPath(configDir)) {}

TtvRegistry::~TtvRegistry()
{
    // At the end nobody is told any more: what cannot be written stays unwritten.
    m_quiet = true;
    try {
        Flush();
    } catch (...) {
    }
}

void TtvRegistry::TellOnce(const QString &file, char kind, const QString &text)
{
    // Once per file and kind of trouble in the whole run.
    static QSet<QString> told;
    const QString key = QLatin1Char(kind) + file;
    if (m_quiet || told.contains(key))
        return;
    told.insert(key);
    m_notices << text;
}

void TtvRegistry::deliverNotices()
{
    // Told when no key is in use, so whatever runs while a message box is up
    // finds the store in order.
    while (!m_notices.isEmpty() && !m_quiet) {
        const QString text = m_notices.takeFirst();
        if (SettingsNoticeHandler handler = NoticeHandler()) {
            handler(text);
            continue;
        }
        try {
            tv::ui::CurrentDialogs().messageBox(text, QString(), tv::ui::MB_OK | tv::ui::MB_ICONWARNING);
        } catch (...) {
        }
    }
}

QString TtvRegistry::StoreFileName(const QString &vendor, const QString &name) const
{
    return m_configDir + QLatin1Char('/') + vendor + QLatin1Char('/') + name + QLatin1String(".conf");
}

TtvRegistry::Store *TtvRegistry::FindStore(const QString &vendor, const QString &name, bool canCreate)
{
    const QString id = (vendor + QLatin1Char('/') + name).toCaseFolded();
    auto it = m_stores.find(id);
    if (it != m_stores.end())
        return it->second.get();
    QString canonical;
    const QDir dir(m_configDir + QLatin1Char('/') + vendor);
    const QStringList files = dir.entryList({QStringLiteral("*.conf"), QStringLiteral("*.CONF")},
                                            QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &f : files) {
        const QString base = f.left(f.size() - 5);
        if (QString::compare(base, name, Qt::CaseInsensitive) == 0) {
            canonical = base;
            break;
        }
    }
    if (canonical.isEmpty()) {
        if (!canCreate)
            return nullptr;
        canonical = name;
    }
    auto store = std::make_unique<Store>();
    store->vendor = vendor;
    store->name = canonical;
    store->file = StoreFileName(vendor, canonical);
    store->Open();
    Store *raw = store.get();
    m_stores.emplace(id, std::move(store));
    return raw;
}

QStringList TtvRegistry::ChildGroups(Store *store, const QString &group)
{
    QStringList encoded;
    if (group.isEmpty()) {
        encoded = store->qs->childGroups();
    } else {
        store->qs->beginGroup(group);
        encoded = store->qs->childGroups();
        store->qs->endGroup();
    }
    const QString prefix = group.isEmpty() ? QString() : group + QLatin1Char('/');
    for (const QString &p : std::as_const(store->pending)) {
        if (!prefix.isEmpty() && !p.startsWith(prefix))
            continue;
        encoded << p.mid(prefix.size()).section(QLatin1Char('/'), 0, 0);
    }
    QStringList names;
    for (const QString &e : std::as_const(encoded))
        names << DecodeName(e);
    return SortedNames(names);
}

bool TtvRegistry::Resolve(const QString &key, bool canCreate, Resolved *out)
{
    QStringList parts;
    if (!key.startsWith(QLatin1Char('\\')) && m_open)
        parts = m_current;
    parts += key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);

    QStringList canon;
    Store *store = nullptr;
    bool created = false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        if (i == 0) {
            if (QString::compare(part, QLatin1String("Software"), Qt::CaseInsensitive) != 0)
                return false;
            canon << QStringLiteral("Software");
        } else if (i == 1) {
            QString vendor;
            const QStringList dirs = QDir(m_configDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            for (const QString &d : dirs)
                if (QString::compare(d, part, Qt::CaseInsensitive) == 0)
                    vendor = d;
            if (vendor.isEmpty()) {
                for (const auto &entry : m_stores)
                    if (QString::compare(entry.second->vendor, part, Qt::CaseInsensitive) == 0)
                        vendor = entry.second->vendor;
            }
            if (vendor.isEmpty()) {
                if (!canCreate)
                    return false;
                vendor = part;
            }
            canon << vendor;
        } else if (i == 2) {
            store = FindStore(canon[1], part, canCreate);
            if (!store)
                return false;
            canon << store->name;
        } else {
            QString found;
            if (!created) {
                const QStringList children = ChildGroups(store, EncodeGroup(canon, 3));
                for (const QString &c : children)
                    if (QString::compare(c, part, Qt::CaseInsensitive) == 0) {
                        found = c;
                        break;
                    }
            }
            if (found.isEmpty()) {
                if (!canCreate)
                    return false;
                created = true;
                found = part;
            }
            canon << found;
        }
    }
    if (created)
        store->pending.insert(EncodeGroup(canon, 3));
    out->parts = canon;
    out->store = store;
    return true;
}

bool TtvRegistry::OpenKey(const QString &key, bool canCreate)
{
    Resolved r;
    if (!Resolve(key, canCreate, &r))
        return false;
    closeCurrent();
    m_current = r.parts;
    m_open = true;
    m_readOnly = false;
    return true;
}

bool TtvRegistry::OpenKeyReadOnly(const QString &key)
{
    if (!OpenKey(key, false))
        return false;
    m_readOnly = true;
    return true;
}

void TtvRegistry::CloseKey()
{
    closeCurrent();
    deliverNotices();
}

void TtvRegistry::closeCurrent()
{
    if (!m_open)
        return;
    Store *store = CurrentStore();
    m_open = false;
    m_readOnly = false;
    m_current.clear();
    if (store)
        save(store);
}

bool TtvRegistry::save(Store *store)
{
    if (FlushStore(store))
        return true;
    TellOnce(store->file, 'w', QStringLiteral("設定ファイル \"%1\" に書き込めません。\n"
                                              "この実行中に変更した設定は保存されません。")
                                   .arg(QDir::toNativeSeparators(store->file)));
    return false;
}

QString TtvRegistry::CurrentPath() const
{
    if (!m_open)
        return QString();
    return QLatin1Char('\\') + m_current.join(QLatin1Char('\\'));
}

TtvRegistry::Store *TtvRegistry::CurrentStore() const
{
    if (!m_open || m_current.size() < 3)
        return nullptr;
    auto it = m_stores.find((m_current[1] + QLatin1Char('/') + m_current[2]).toCaseFolded());
    return it == m_stores.end() ? nullptr : it->second.get();
}

QString TtvRegistry::CurrentGroup() const
{
    return EncodeGroup(m_current, 3);
}

bool TtvRegistry::DeleteKey(const QString &key)
{
    Resolved r;
    if (!Resolve(key, false, &r) || r.parts.size() < 3)
        return false;
    Store *s = r.store;
    if (r.parts.size() == 3) {
        s->pending.clear();
        Materialize(s);
        s->qs->clear();
        s->dirty = true;
        return true;
    }
    const QString group = EncodeGroup(r.parts, 3);
    const QString prefix = group + QLatin1Char('/');
    for (auto it = s->pending.begin(); it != s->pending.end();) {
        if (*it == group || it->startsWith(prefix))
            it = s->pending.erase(it);
        else
            ++it;
    }
    Materialize(s);
    // QSettings removes a value of the same name along with the group; a
    // registry key and a value may share a name, so keep the value.
    const bool hadValue = s->qs->contains(group);
    const QVariant value = hadValue ? s->qs->value(group) : QVariant();
    s->qs->remove(group);
    if (hadValue)
        s->qs->setValue(group, value);
    s->dirty = true;
    return true;
}

bool TtvRegistry::KeyExists(const QString &key)
{
    Resolved r;
    return Resolve(key, false, &r);
}

QStringList TtvRegistry::GetKeyNames()
{
    const QStringList cur = m_open ? m_current : QStringList();
    QStringList names;
    if (cur.isEmpty()) {
        names << QStringLiteral("Software");
    } else if (cur.size() == 1) {
        names = QDir(m_configDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const auto &entry : m_stores)
            names << entry.second->vendor;
    } else if (cur.size() == 2) {
        const QStringList files = QDir(m_configDir + QLatin1Char('/') + cur[1])
                                      .entryList({QStringLiteral("*.conf")}, QDir::Files);
        for (const QString &f : files)
            names << f.left(f.size() - 5);
        for (const auto &entry : m_stores)
            if (QString::compare(entry.second->vendor, cur[1], Qt::CaseInsensitive) == 0)
                names << entry.second->name;
    } else if (Store *s = CurrentStore()) {
        return ChildGroups(s, CurrentGroup());
    }
    return SortedNames(names);
}

bool TtvRegistry::HasSubKeys()
{
    return !GetKeyNames().isEmpty();
}

QStringList TtvRegistry::GetValueNames()
{
    Store *s = CurrentStore();
    if (!s)
        return {};
    const QString group = CurrentGroup();
    QStringList keys;
    if (group.isEmpty()) {
        keys = s->qs->childKeys();
    } else {
        s->qs->beginGroup(group);
        keys = s->qs->childKeys();
        s->qs->endGroup();
    }
    QStringList names;
    for (const QString &k : std::as_const(keys))
        if (k != kMarker)
            names << DecodeName(k);
    return SortedNames(names);
}

QString TtvRegistry::FindValueKey(const QString &name)
{
    Store *s = CurrentStore();
    if (!s)
        return QString();
    const QString group = CurrentGroup();
    const QString exact = JoinKey(group, EncodeName(name));
    if (s->qs->contains(exact))
        return exact;
    QStringList keys;
    if (group.isEmpty()) {
        keys = s->qs->childKeys();
    } else {
        s->qs->beginGroup(group);
        keys = s->qs->childKeys();
        s->qs->endGroup();
    }
    for (const QString &k : std::as_const(keys))
        if (k != kMarker && QString::compare(DecodeName(k), name, Qt::CaseInsensitive) == 0)
            return JoinKey(group, k);
    return QString();
}

QVariant TtvRegistry::ValueOf(const QString &name)
{
    try {
        const QString key = FindValueKey(name);
        if (key.isEmpty())
            return QVariant();
        return CurrentStore()->qs->value(key);
    } catch (...) {
        return QVariant();
    }
}

bool TtvRegistry::ValueExists(const QString &name)
{
    return !FindValueKey(name).isEmpty();
}

bool TtvRegistry::DeleteValue(const QString &name)
{
    if (m_readOnly)
        return false;
    const QString key = FindValueKey(name);
    if (key.isEmpty())
        return false;
    Store *s = CurrentStore();
    Materialize(s);
    // Removing the value must not take a subkey of the same name with it.
    QSettings::SettingsMap below;
    for (const QString &k : s->qs->allKeys())
        if (k.startsWith(key + QLatin1Char('/')))
            below.insert(k, s->qs->value(k));
    s->qs->remove(key);
    for (auto it = below.cbegin(); it != below.cend(); ++it)
        s->qs->setValue(it.key(), it.value());
    s->dirty = true;
    return true;
}

TRegDataType TtvRegistry::GetDataType(const QString &name)
{
    const QVariant v = ValueOf(name);
    switch (v.typeId()) {
    case QMetaType::Int: return TRegDataType::rdInteger;
    case QMetaType::QString: return TRegDataType::rdString;
    case QMetaType::QByteArray: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
    }
}

int TtvRegistry::GetDataSize(const QString &name)
{
    const QVariant v = ValueOf(name);
    switch (v.typeId()) {
    case QMetaType::Int: return 4;
    case QMetaType::QString: return int((v.toString().size() + 1) * 2);
    case QMetaType::QByteArray: return int(v.toByteArray().size());
    default: return -1;
    }
}

// --- writing ------------------------------------------------------------------

void TtvRegistry::Materialize(Store *store)
{
    if (store->malformed && !store->keepAway) {
        // The file could not be parsed: keep it beside the new one instead of
        // writing over it, and start from an empty store. When it cannot be
        // moved it stays as it is and nothing is written over it.
        QString aside = store->file + QLatin1String(".bad");
        for (int n = 1; QFileInfo::exists(aside); ++n)
            aside = store->file + QLatin1String(".bad") + QString::number(n);
        if (QFile::rename(store->file, aside)) {
            store->Open();
            store->malformed = false;
            TellOnce(store->file, 'm', QStringLiteral("設定ファイル \"%1\" の内容が正しくないため、\"%2\" として残し、"
                                                 "新しい設定ファイルに保存します。")
                                      .arg(QDir::toNativeSeparators(store->file), QDir::toNativeSeparators(aside)));
        } else {
            store->keepAway = true;
        }
    }
    if (store->pending.isEmpty())
        return;
    for (const QString &group : std::as_const(store->pending))
        store->qs->setValue(JoinKey(group, kMarker), 0);
    store->pending.clear();
    store->dirty = true;
}

void TtvRegistry::WriteValue(const QString &name, const QVariant &value)
{
    if (!m_open)
        throw tv::Error(KeyNotOpenText());
    Store *s = CurrentStore();
    if (m_readOnly || !s)
        throw tv::Error(QStringLiteral("設定 \"%1\" に値 \"%2\" を書き込めません。").arg(CurrentPath(), name));
    Materialize(s);
    QString key = FindValueKey(name);
    if (key.isEmpty()) {
        key = JoinKey(CurrentGroup(), EncodeName(name));
    } else {
        // The value the store holds already (window bounds saved again
        // unchanged, say): the file would come out the same, so it is not
        // written again (each write goes to the disk before it replaces the
        // old file).
        const QVariant old = s->qs->value(key);
        if (old.typeId() == value.typeId() && old == value)
            return;
    }
    s->qs->setValue(key, value);
    s->dirty = true;
}

void TtvRegistry::WriteBool(const QString &name, bool value) { WriteValue(name, int(value ? 1 : 0)); }
void TtvRegistry::WriteInteger(const QString &name, int value) { WriteValue(name, value); }
void TtvRegistry::WriteString(const QString &name, const QString &value) { WriteValue(name, value); }
void TtvRegistry::WriteBinaryData(const QString &name, const QByteArray &value) { WriteValue(name, value); }

void TtvRegistry::WriteFloat(const QString &name, double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, 8);
    WriteValue(name, Bytes8(bits));
}

void TtvRegistry::WriteDateTime(const QString &name, const QDateTime &value)
{
    WriteFloat(name, DateTimeToValue(value));
}
void TtvRegistry::WriteDate(const QString &name, const QDateTime &value) { WriteDateTime(name, value); }
void TtvRegistry::WriteTime(const QString &name, const QDateTime &value) { WriteDateTime(name, value); }

void TtvRegistry::WriteCurrency(const QString &name, qint64 value)
{
    WriteValue(name, Bytes8(quint64(value)));
}

bool TtvRegistry::FlushStore(Store *s)
{
    if (!s->dirty)
        return true;
    if (s->keepAway)
        return false;
    const QFileInfo info(s->file);
    // Never replace a file that could not be read or that may not be
    // written (read-only, another owner's, a folder in its place).
    if (info.exists() && (!info.isFile() || !QFile(s->file).open(QIODevice::ReadWrite)))
        return false;
    QDir().mkpath(info.absolutePath());
    if (!info.exists()) {
        // Created here with owner-only access; the atomic rewrite of QSettings
        // keeps the permissions of the file it replaces.
        QFile f(s->file);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            f.close();
    }
    s->qs->sync();
    if (s->qs->status() == QSettings::AccessError) {
        // The changes stay with the shared file cache of QSettings and are
        // written at the next attempt; a fresh object clears the error state.
        auto fresh = std::make_unique<SettingsFile>(s->file);
        s->qs.swap(fresh);
        return false;
    }
    s->dirty = false;
    return true;
}

bool TtvRegistry::Flush()
{
    bool ok = true;
    for (auto &entry : m_stores)
        ok = save(entry.second.get()) && ok;
    deliverNotices();
    return ok;
}

// --- reading ------------------------------------------------------------------

QString TtvRegistry::ReadString(const QString &name)
{
    const QVariant v = ValueOf(name);
    if (!v.isValid())
        return QString();
    if (v.typeId() != QMetaType::QString)
        throw tv::Error(QStringLiteral("設定値 \"%1\" の型が正しくありません。").arg(name));
    return v.toString();
}

int TtvRegistry::ReadInteger(const QString &name)
{
    const QVariant v = ValueOf(name);
    if (!v.isValid())
        throw tv::Error(QStringLiteral("設定値 \"%1\" がありません。").arg(name));
    if (v.typeId() != QMetaType::Int)
        throw tv::Error(QStringLiteral("設定値 \"%1\" の型が正しくありません。").arg(name));
    return v.toInt();
}

bool TtvRegistry::ReadBool(const QString &name)
{
    return ReadInteger(name) != 0;
}

QByteArray TtvRegistry::ReadBinaryData(const QString &name)
{
    const QVariant v = ValueOf(name);
    if (!v.isValid())
        throw tv::Error(QStringLiteral("設定値 \"%1\" がありません。").arg(name));
    if (v.typeId() != QMetaType::QByteArray)
        throw tv::Error(QStringLiteral("設定値 \"%1\" の型が正しくありません。").arg(name));
    return v.toByteArray();
}

bool TtvRegistry::GetBool(const QString &name, bool defaultValue)
{
    const QVariant v = ValueOf(name);
    return v.typeId() == QMetaType::Int ? v.toInt() != 0 : defaultValue;
}

int TtvRegistry::GetInteger(const QString &name, int defaultValue)
{
    const QVariant v = ValueOf(name);
    return v.typeId() == QMetaType::Int ? v.toInt() : defaultValue;
}

QString TtvRegistry::GetString(const QString &name, const QString &defaultValue)
{
    const QVariant v = ValueOf(name);
    if (v.typeId() != QMetaType::QString)
        return defaultValue;
    QString s = v.toString();
    return s.isEmpty() ? defaultValue : s;
}

double TtvRegistry::GetFloat(const QString &name, double defaultValue)
{
    quint64 bits;
    if (!From8(ValueOf(name), &bits))
        return defaultValue;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

QDateTime TtvRegistry::GetDateTime(const QString &name, const QDateTime &defaultValue)
{
    quint64 bits;
    if (!From8(ValueOf(name), &bits))
        return defaultValue;
    double d;
    std::memcpy(&d, &bits, 8);
    const QDateTime dt = ValueToDateTime(d);
    return dt.isValid() ? dt : defaultValue;
}

QDateTime TtvRegistry::GetDate(const QString &name, const QDateTime &defaultValue)
{
    return GetDateTime(name, defaultValue);
}

QDateTime TtvRegistry::GetTime(const QString &name, const QDateTime &defaultValue)
{
    return GetDateTime(name, defaultValue);
}

qint64 TtvRegistry::GetCurrency(const QString &name, qint64 defaultValue)
{
    quint64 bits;
    return From8(ValueOf(name), &bits) ? qint64(bits) : defaultValue;
}

// --- the shared instance ---------------------------------------------------------

namespace {
std::unique_ptr<TtvRegistry> &SharedRegistry()
{
    static std::unique_ptr<TtvRegistry> instance;
    return instance;
}
} // namespace

SettingsNoticeHandler SetSettingsNoticeHandler(SettingsNoticeHandler handler)
{
    SettingsNoticeHandler previous = std::move(NoticeHandler());
    NoticeHandler() = std::move(handler);
    return previous;
}

TtvRegistry &tvRegistry()
{
    auto &p = SharedRegistry();
    if (!p)
        p = std::make_unique<TtvRegistry>();
    return *p;
}

void ReleaseSharedRegistry()
{
    SharedRegistry().reset();
}

TRegistryKeyCloser::~TRegistryKeyCloser()
{
    if (!m_reg.HasCurrentKey())
        return;
    try {
        m_reg.CloseKey();
    } catch (const tv::Error &) {
    }
}

} // namespace tv::settings
