#include "ConnectionParams.h"

#include "platform/Errors.h"

namespace tv::db {

namespace {

enum Id { kServer, kDatabase, kPort, kUser, kPassword, kApp, kTimeout, kCharset, kSchema, kNone };

Id idOf(const QString &name)
{
    const QStringList &all = ConnectionParams::names();
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return Id(i);
    }
    return kNone;
}

int toNumber(const QString &name, const QString &value, int max)
{
    const QString t = value.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const int n = t.toInt(&ok);
    if (!ok || n < 0 || n > max)
        throw tv::Error(QStringLiteral("invalid value for %1: \"%2\"").arg(name, value));
    return n;
}

} // namespace

const QStringList &ConnectionParams::names()
{
    static const QStringList n{QStringLiteral("Server"),        QStringLiteral("Database"),
                               QStringLiteral("Port"),          QStringLiteral("User_Name"),
                               QStringLiteral("Password"),      QStringLiteral("ApplicationName"),
                               QStringLiteral("LoginTimeout"),  QStringLiteral("CharacterSet"),
                               QStringLiteral("MetaDefSchema")};
    return n;
}

QString ConnectionParams::value(const QString &name) const
{
    switch (idOf(name)) {
    case kServer: return Server;
    case kDatabase: return Database;
    case kPort: return Port ? QString::number(Port) : QStringLiteral("");
    case kUser: return User_Name;
    case kPassword: return Password;
    case kApp: return ApplicationName;
    case kTimeout: return LoginTimeout ? QString::number(LoginTimeout) : QStringLiteral("");
    case kCharset: return CharacterSet;
    case kSchema: return MetaDefSchema;
    case kNone: break;
    }
    return QString();
}

bool ConnectionParams::setValue(const QString &name, const QString &value)
{
    switch (idOf(name)) {
    case kServer: Server = value; return true;
    case kDatabase: Database = value; return true;
    case kPort: Port = toNumber(QStringLiteral("Port"), value, 65535); return true;
    case kUser: User_Name = value; return true;
    case kPassword: Password = value; return true;
    case kApp: ApplicationName = value; return true;
    case kTimeout: LoginTimeout = toNumber(QStringLiteral("LoginTimeout"), value, 24 * 3600); return true;
    case kCharset: CharacterSet = value; return true;
    case kSchema: MetaDefSchema = value; return true;
    case kNone: break;
    }
    return false;
}

std::vector<std::pair<QByteArray, QByteArray>> ConnectionParams::libpqKeywords() const
{
    std::vector<std::pair<QByteArray, QByteArray>> kv;
    auto add = [&kv](const char *key, const QString &v) {
        if (!v.isEmpty())
            kv.emplace_back(QByteArray(key), v.toUtf8());
    };
    add("host", Server);
    if (Port > 0)
        add("port", QString::number(Port));
    add("dbname", Database);
    add("user", User_Name);
    add("password", Password);
    add("application_name", ApplicationName);
    if (LoginTimeout > 0)
        add("connect_timeout", QString::number(LoginTimeout));
    add("client_encoding", CharacterSet.isEmpty() ? QStringLiteral("UTF8") : CharacterSet);
    // Dates and times come back in ISO form whatever the server's default.
    add("options", QStringLiteral("-c DateStyle=ISO"));
    return kv;
}

QString ConnectionParams::describe() const
{
    QString s = User_Name;
    if (!Server.isEmpty())
        s += QLatin1Char('@') + Server;
    if (Port > 0)
        s += QLatin1Char(':') + QString::number(Port);
    if (!Database.isEmpty())
        s += QLatin1Char('/') + Database;
    return s;
}

} // namespace tv::db
