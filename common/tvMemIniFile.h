#pragma once
// An INI file held in memory: read whole in a given text encoding, changed,
// then written back whole in the same encoding. Section and key names match
// without regard to letter case; values are kept exactly as written after
// the first "=". Lines that are not keys (comments, blank lines) stay in place.
#include "platform/text/TextEncoding.h"

#include <QString>
#include <QStringList>

class TtvMemIniFile {
public:
    TtvMemIniFile(const QString &FileName, tv::text::Encoding Encoding);

    // Reads the file; a missing file reads as empty. False (with the reason)
    // when the file exists but cannot be read.
    bool Load(QString *Error = nullptr);
    QString ReadString(const QString &Section, const QString &Key, const QString &Default) const;
    // Line breaks in Value become blanks (an INI value is one line).
    void WriteString(const QString &Section, const QString &Key, const QString &Value);
    // Writes the whole file (through a temporary file renamed over it).
    bool UpdateFile(QString *Error = nullptr) const;

    QString FileName() const { return m_fileName; }

private:
    // Index of the section's header line, -1 when absent.
    qsizetype findSection(const QString &section) const;
    // Index of the key's line within the section starting at `header`, -1 when absent.
    qsizetype findKey(qsizetype header, const QString &key) const;
    qsizetype sectionEnd(qsizetype header) const;

    QString m_fileName;
    tv::text::Encoding m_encoding;
    QStringList m_lines;
};
