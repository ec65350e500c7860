#pragma once
// A fresh empty folder owned by the account the test server runs as
// ("postgres" when scripts/test-db started it as root), for a tablespace
// location; removed at the end.
#include <QByteArray>
#include <QDir>
#include <QString>

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

namespace tvtest {

class ServerFolder {
public:
    // Base: the folder to make it in; empty: the temporary folder.
    explicit ServerFolder(const QString &Base = QString())
    {
        QByteArray templ = (Base.isEmpty() ? QDir::tempPath() : Base).toUtf8() + "/tvx_tbs_XXXXXX";
        if (!mkdtemp(templ.data()))
            return;
        m_path = QString::fromUtf8(templ);
        if (const passwd *pw = getpwnam("postgres"); pw && geteuid() == 0)
            m_ok = chown(templ.constData(), pw->pw_uid, pw->pw_gid) == 0;
        else
            m_ok = false;
    }
    ~ServerFolder()
    {
        if (!m_path.isEmpty())
            QDir(m_path).removeRecursively();
    }
    ServerFolder(const ServerFolder &) = delete;
    ServerFolder &operator=(const ServerFolder &) = delete;
    // False when the folder cannot be handed to the server's account.
    bool ok() const { return m_ok; }
    const QString &path() const { return m_path; }

private:
    QString m_path;
    bool m_ok = false;
};

} // namespace tvtest
