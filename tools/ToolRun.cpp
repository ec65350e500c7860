#include "tools/ToolRun.h"

#include "common/IConnectionWindow.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "controls/tvStrEdit.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialogs.h"
#include "shell/frmObject.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

TMemoLineSink::TMemoLineSink(TtvMemo *Memo) : FMemo(Memo)
{
    FTimer.setInterval(100);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Flush(); });
    FTimer.start();
}

TMemoLineSink::~TMemoLineSink()
{
    Flush();
}

void TMemoLineSink::AppendLine(const QString &line)
{
    FPending << line;
}

void TMemoLineSink::ShowLastLine()
{
    // Shown with the next batch.
}

QWidget *TMemoLineSink::Widget() const
{
    return FMemo;
}

void TMemoLineSink::Flush()
{
    if (FPending.isEmpty() || !FMemo)
        return;
    TEditorStrings *lines = FMemo->Lines();
    lines->Add(FPending.join(QStringLiteral("\r\n")));
    FPending.clear();
    // The caret to the newest line, which scrolls it into view.
    FMemo->SetRow(FMemo->RowCount() > 0 ? FMemo->RowCount() - 1 : 0);
    FMemo->SetCol(0);
}

TToolConnection ToolConnectionOf(IConnectionWindow *Form)
{
    TToolConnection c;
    if (!Form)
        return c;
    const tv::db::ConnectionParams &p = Form->dbsMain().Params();
    c.Server = p.Server;
    c.Port = p.value(QStringLiteral("Port"));
    c.User = p.User_Name;
    c.Database = p.Database;
    c.Password = p.Password;
    return c;
}

tv::process::ProcessResult RunToolCommand(const QString &Program, const TToolCommand &Command,
                                          const std::optional<tv::process::PasswordEntry> &Password,
                                          TtvMemo *Memo)
{
    TMemoLineSink sink(Memo);
    sink.AppendLine(Command.Display);
    sink.AppendLine(QString());
    sink.Flush();
    tv::process::ProcessRequest request;
    request.program = Program;
    request.arguments = Command.Arguments;
    request.password = Password;
    return RunProgramToMemo(request, sink);
}

namespace {

bool PathExists(const QString &Path)
{
    const QFileInfo info(Path);
    return info.exists() || info.isSymLink();
}

void RemovePath(const QString &Path, bool Directory)
{
    if (Directory && QFileInfo(Path).isDir() && !QFileInfo(Path).isSymLink())
        QDir(Path).removeRecursively();
    else
        QFile::remove(Path);
}

} // namespace

TToolOutput::TToolOutput(const QString &Target, bool Directory)
    : FTarget(Target), FWork(Target), FDirectory(Directory), FExisted(PathExists(Target))
{
    const QFileInfo info(Target);
    if (info.fileName().isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        return;
    // A name of its own that nothing else holds; the program creates it.
    QTemporaryFile probe(info.absolutePath() + QLatin1Char('/') + info.fileName() +
                         QStringLiteral(".incomplete-XXXXXX"));
    probe.setAutoRemove(true);
    if (probe.open())
        FWork = probe.fileName();
}

TToolOutput::~TToolOutput()
{
    if (!FDone)
        Discard();
}

void TToolOutput::Commit()
{
    FDone = true;
    // A program that wrote nothing leaves nothing to put in place.
    if (FWork == FTarget || !PathExists(FWork))
        return;
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(FWork).toStdString(), QFile::encodeName(FTarget).toStdString(), error);
    if (error)
        throw tv::Error(QStringLiteral("%1 に書き込めませんでした。\r\n%2\r\n出力は %3 に残っています。")
                            .arg(FTarget, QString::fromLocal8Bit(error.message().c_str()), FWork));
}

void TToolOutput::Discard()
{
    FDone = true;
    if (FWork != FTarget) {
        if (PathExists(FWork))
            RemovePath(FWork, FDirectory);
    } else if (!FExisted && PathExists(FTarget)) {
        RemovePath(FTarget, FDirectory);
    }
}

void WriteToolLog(TtvMemo *Memo, const QString &FileName)
{
    Memo->Lines()->SaveToFile(FileName, tv::text::Encoding::Ansi, false);
}

QString LastPathComponent(const QString &Text)
{
    qsizetype cut = -1;
    for (const QChar c : {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char(':')})
        cut = qMax(cut, Text.lastIndexOf(c));
    return Text.mid(cut + 1);
}

QString FolderPart(const QString &Text)
{
    const qsizetype cut = Text.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : Text.left(cut + 1);
}

void EnableToolEntry(bool On, TtvStrEdit *Edit, QWidget *Partner)
{
    Edit->setEnabled(On);
    Partner->setEnabled(On);
    if (!On)
        Edit->SetText(QString());
}

void BrowseToolLogFile(TtvStrEdit *Edit)
{
    tv::ui::FileDialogRequest r;
    r.fileName = Edit->Text();
    r.filter = QStringLiteral("ログファイル(*.LOG)|*.LOG|すべてのファイル(*.*)|*.*");
    const QString f = tv::ui::CurrentDialogs().saveFile(r);
    if (!f.isEmpty())
        Edit->SetText(f);
}

void BrowseToolProgram(TtvStrEdit *Edit)
{
    tv::ui::FileDialogRequest r;
    r.fileName = Edit->Text();
    r.filter = QStringLiteral("実行ファイル(*.exe)|*.exe|すべてのファイル(*.*)|*.*");
    r.filterIndex = 2; // the programs here have no extension
    const QString f = tv::ui::CurrentDialogs().openFile(r);
    if (!f.isEmpty())
        Edit->SetText(f);
}

void ReloadToolLog(TtvMemo *Memo, const QString &FileName)
{
    const QString file = FileName.trimmed();
    if (file.isEmpty())
        return;
    try {
        Memo->Lines()->LoadFromFile(file);
    } catch (...) {
        // The memo keeps its text.
    }
}

void FillToolRoleNames(QComboBox *Combo, IConnectionWindow *Form)
{
    auto *f = dynamic_cast<TfrmObject *>(Form);
    if (!f)
        return;
    QStringList users, roles;
    f->GetUser(users, false);
    f->GetRole(roles);
    QStringList items{QString()};
    for (const QString &s : users + roles)
        items << s.trimmed();
    items.sort();
    Combo->clear();
    Combo->addItems(items);
}
