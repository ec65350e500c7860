#include "ScratchDir.h"

namespace tvtest {

ScratchDir::ScratchDir(bool pointConfig) : m_pointed(pointConfig)
{
    if (m_pointed) {
        m_hadOld = qEnvironmentVariableIsSet("TALVEX_CONFIG_DIR");
        m_old = qgetenv("TALVEX_CONFIG_DIR");
        qputenv("TALVEX_CONFIG_DIR", m_dir.path().toUtf8());
    }
}

ScratchDir::~ScratchDir()
{
    if (!m_pointed)
        return;
    if (m_hadOld)
        qputenv("TALVEX_CONFIG_DIR", m_old);
    else
        qunsetenv("TALVEX_CONFIG_DIR");
}

} // namespace tvtest
