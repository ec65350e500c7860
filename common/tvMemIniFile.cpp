#include "common/tvMemIniFile.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isHeader(const QString &line, QString *name = nullptr)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    if (name)
        *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// The key of a "key=value" line; false for other lines.
bool keyOf(const QString &line, QString *key)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return false;
    *key = line.left(eq).trimmed();
    return !key->isEmpty();
}

} // namespace

TtvMemIniFile::TtvMemIniFile(const QString &FileName, tv::text::Encoding Encoding)
    : m_fileName(FileName), m_encoding(Encoding)
{
}

bool TtvMemIniFile::Load(QString *Error)
{
    m_lines.clear();
    if (!QFileInfo::exists(m_fileName))
        return true;
    QString text;
    if (!tv::text::ReadTextFile(m_fileName, m_encoding, &text, nullptr, Error))
        return false;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    m_lines = text.split(lineBreak);
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast(); // the break after the last line
    return true;
}

qsizetype TtvMemIniFile::findSection(const QString &section) const
{
    QString name;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (isHeader(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype TtvMemIniFile::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && !isHeader(m_lines[i]))
        ++i;
    return i;
}

qsizetype TtvMemIniFile::findKey(qsizetype header, const QString &key) const
{
    const qsizetype end = sectionEnd(header);
    QString k;
    for (qsizetype i = header + 1; i < end; ++i) {
        if (keyOf(m_lines[i], &k) && k.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TtvMemIniFile::ReadString(const QString &Section, const QString &Key, const QString &Default) const
{
    const qsizetype header = findSection(Section);
    if (header < 0)
        return Default;
    const qsizetype line = findKey(header, Key);
    if (line < 0)
        return Default;
    const QString &text = m_lines[line];
    return text.mid(text.indexOf(QLatin1Char('=')) + 1);
}

void TtvMemIniFile::WriteString(const QString &Section, const QString &Key, const QString &Value)
{
    QString value = Value;
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = Key + QLatin1Char('=') + value;
    qsizetype header = findSection(Section);
    if (header < 0) {
        m_lines.append(QLatin1Char('[') + Section + QLatin1Char(']'));
        m_lines.append(entry);
        return;
    }
    const qsizetype line = findKey(header, Key);
    if (line >= 0) {
        m_lines[line] = entry;
        return;
    }
    // After the section's last non-blank line.
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, entry);
}

bool TtvMemIniFile::UpdateFile(QString *Error) const
{
    QString text = m_lines.join(QLatin1Char('\n'));
    if (!m_lines.isEmpty())
        text.append(QLatin1Char('\n'));
    const bool bom = m_encoding == tv::text::Encoding::Utf16LE || m_encoding == tv::text::Encoding::Utf16BE;
    return tv::text::WriteTextFile(m_fileName, text, m_encoding, bom, Error);
}
