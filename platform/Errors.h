#pragma once
// The two kinds of failure that end an operation.
//
// tv::Error carries a text that is shown to the user as it stands (server
// errors, the program's own messages). tv::SilentAbort ends an operation
// without any message, for instance a window constructor that found its twin
// already open; it deliberately does not derive from std::exception so that a
// generic handler never shows it.
#include <QString>
#include <stdexcept>

namespace tv {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const noexcept { return m_text; }

private:
    QString m_text;
};

struct SilentAbort {};

} // namespace tv
