#include "common/ProcessRunner.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

TtvLineSink::~TtvLineSink() = default;

TPlainTextLineSink::TPlainTextLineSink(QPlainTextEdit *edit) : m_edit(edit) {}

void TPlainTextLineSink::AppendLine(const QString &line)
{
    if (m_edit)
        m_edit->appendPlainText(line);
}

void TPlainTextLineSink::ShowLastLine()
{
    if (!m_edit)
        return;
    QTextCursor cursor(m_edit->document()->lastBlock());
    cursor.movePosition(QTextCursor::StartOfBlock);
    m_edit->setTextCursor(cursor);
    m_edit->ensureCursorVisible();
}

namespace {

// The wait cursor for the lifetime of the object (also when an exception
// leaves the run).
class WaitCursor {
public:
    WaitCursor()
        : m_shown(qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (m_shown)
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool m_shown;
};

} // namespace

tv::process::ProcessResult RunProgramToMemo(const tv::process::ProcessRequest &Request, TtvLineSink &Memo)
{
    WaitCursor wait;
    return tv::process::RunProcess(Request, [&Memo](const QStringList &lines, bool) {
        for (const QString &line : lines)
            Memo.AppendLine(line);
        Memo.ShowLastLine();
    });
}

bool RunProgramToMemo(const QString &CommandLine, TtvLineSink &Memo, int *ExitCode)
{
    const QStringList words = tv::process::SplitCommandLine(CommandLine);
    tv::process::ProcessRequest request;
    if (!words.isEmpty()) {
        request.program = words.first();
        request.arguments = words.mid(1);
    }
    const tv::process::ProcessResult result = RunProgramToMemo(request, Memo);
    if (ExitCode)
        *ExitCode = result.started && !result.crashed ? result.exitCode : -1;
    return result.started;
}

QString ShortPathWithSlash(const QString &Path)
{
    if (Path.isEmpty() || !QFileInfo::exists(Path))
        return {};
    return Path.endsWith(QLatin1Char('/')) ? Path : Path + QLatin1Char('/');
}
