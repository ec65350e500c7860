#pragma once
// A tablespace in a folder of the test's own, dropped at the end once
// `before` has closed or dropped what uses it.
#include "support/ServerFolder.h"
#include "support/TestDb.h"

#include <QDir>

#include <functional>
#include <memory>
#include <string>

namespace tvtest {

class TestTablespace {
public:
    // Made and dropped through a database of its own, so that `before` may
    // close the test's database first.
    TestTablespace() : m_own(std::make_unique<TestDb>("kts")), m_db(m_own.get()) {}
    // Made and dropped through `On`, which outlives this object.
    explicit TestTablespace(TestDb &On) : m_db(&On) {}
    TestTablespace(const TestTablespace &) = delete;
    TestTablespace &operator=(const TestTablespace &) = delete;
    ~TestTablespace()
    {
        if (before)
            before();
        if (m_made)
            m_db->exec("DROP TABLESPACE IF EXISTS " + name);
    }

    // False when no folder can be handed to the server's account.
    bool Make(const std::string &Name)
    {
        name = Name;
        if (!m_folder.ok() || !m_db->available())
            return false;
        m_db->exec("CREATE TABLESPACE " + name + " LOCATION '" + m_folder.path().toStdString() + "'");
        m_made = true;
        return true;
    }

    std::string name;
    std::function<void()> before;

private:
    // Beside the test cluster when it has a folder of its own.
    ServerFolder m_folder{!qEnvironmentVariableIsEmpty("PGTEST_DIR") && QDir(qEnvironmentVariable("PGTEST_DIR")).exists()
                              ? qEnvironmentVariable("PGTEST_DIR")
                              : QString()};
    std::unique_ptr<TestDb> m_own;
    TestDb *m_db;
    bool m_made = false;
};

} // namespace tvtest
