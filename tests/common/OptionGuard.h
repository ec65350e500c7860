#pragma once
// Restores the global option record after a test that changes it; also lets
// GoogleTest print QString values readably.
#include "common/tvOption.h"

#include <QString>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace tvtest {

class OptionGuard {
public:
    OptionGuard() : m_saved(tvOption) {}
    ~OptionGuard() { tvOption = m_saved; }

private:
    TtvOption m_saved;
};

} // namespace tvtest
