#include "common/ProcessRunner.h"

#include "platform/ui/BusyWindow.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <optional>

TtvLineSink::~TtvLineSink() = default;

TPlainTextLineSink::TPlainTextLineSink(QPlainTextEdit *edit) : m_edit(edit) {}

void TPlainTextLineSink::AppendLine(const QString &line)
{
    if (m_edit)
        m_edit->appendPlainText(line);
}

QWidget *TPlainTextLineSink::Widget() const
{
    return m_edit;
}

QString StoppedLogLine()
{
    return QStringLiteral("処理を中断しました。");
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
    tv::process::ProcessRequest request = Request;
    tv::process::ProcessStopper ownStopper;
    if (!request.stopper)
        request.stopper = &ownStopper;
    tv::process::ProcessStopper *stopper = request.stopper;
    // Only the log's window is busy; without one there is no window to
    // keep, and the wait cursor stands for the whole program.
    std::optional<tv::ui::BusyWindow> busy;
    std::optional<WaitCursor> wait;
    if (QWidget *w = Memo.Widget())
        busy.emplace(w, [stopper] { stopper->stop(); });
    else
        wait.emplace();
    const tv::process::ProcessResult result = tv::process::RunProcess(request, [&Memo](const QStringList &lines, bool) {
        for (const QString &line : lines)
            Memo.AppendLine(line);
        Memo.ShowLastLine();
    });
    if (result.stopped) {
        Memo.AppendLine(StoppedLogLine());
        Memo.ShowLastLine();
    }
    return result;
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
