#pragma once
// The named parameters of a database connection.
//
// The fields carry the names the program uses everywhere (Server, Database,
// Port, User_Name ...); value()/setValue() reach them by name, ignoring case,
// like a named-parameter list. MetaDefSchema stays on the client (the schema
// a connection window starts in). The password is never part of describe().
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace tv::db {

class ConnectionParams {
public:
    QString Server;
    QString Database;
    int Port = 0;              // 0: libpq's default (PGPORT or 5432)
    QString User_Name;
    QString Password;          // empty: libpq looks for one (PGPASSWORD, password file)
    QString ApplicationName;
    int LoginTimeout = 0;      // seconds, 0: wait without limit
    QString CharacterSet;      // client encoding; empty means UTF8
    QString MetaDefSchema;

    // The parameter names value() and setValue() accept, in their canonical spelling.
    static const QStringList &names();
    // The value of a named parameter as text ("" for a number that is 0);
    // an unknown name gives a null QString.
    QString value(const QString &name) const;
    // Sets a named parameter. Returns false for an unknown name; throws
    // tv::Error when Port or LoginTimeout is not a number in range.
    bool setValue(const QString &name, const QString &value);

    // Keyword/value pairs for PQconnectdbParams, empty values left out so that
    // libpq falls back to its environment and defaults.
    std::vector<std::pair<QByteArray, QByteArray>> libpqKeywords() const;
    // "user@server:port/database" for captions and logs (no password).
    QString describe() const;

    bool operator==(const ConnectionParams &) const = default;
};

} // namespace tv::db
