#include "common/HTMLHelp.h"

#include "common/MessageDlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

QString g_applicationHelpFile;
THTMLHelp *g_current = nullptr;
quint32 g_nextCookie = 1;

} // namespace

THTMLHelp::THTMLHelp(QObject *AOwner) : QObject(AOwner)
{
    g_current = this;
}

THTMLHelp::~THTMLHelp()
{
    if (g_current == this)
        g_current = nullptr;
}

void THTMLHelp::InitHelp()
{
    if (FCookie == 0xFFFFFFFFu)
        FCookie = g_nextCookie++;
}

QString THTMLHelp::CannotReadHelpText()
{
    return QStringLiteral("ヘルプファイルを読込めませんでした。");
}

void THTMLHelp::SetApplicationHelpFile(const QString &path)
{
    g_applicationHelpFile = path;
}

QString THTMLHelp::ApplicationHelpFile()
{
    return g_applicationHelpFile;
}

THTMLHelp *THTMLHelp::Current()
{
    return g_current;
}

void THTMLHelp::SetCurrent(THTMLHelp *handler)
{
    g_current = handler;
}

QString THTMLHelp::HelpFile()
{
    if (!g_applicationHelpFile.isEmpty())
        return g_applicationHelpFile;
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString suffix = exe.suffix();
    QString path = exe.absoluteFilePath();
    if (!suffix.isEmpty())
        path.chop(suffix.size() + 1);
    const QString compiled = path + QStringLiteral(".chm");
    if (!QFileInfo(compiled).isFile()) {
        const QString html = exe.absolutePath() + QStringLiteral("/help/index.html");
        if (QFileInfo(html).isFile())
            return html;
    }
    return compiled;
}

QString THTMLHelp::TopicFile(const QString &file, int context)
{
    const QFileInfo info(file);
    const QString suffix = info.suffix().toLower();
    if (context > 0 && (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))) {
        const QString topic = info.absolutePath() + QLatin1Char('/') + QString::number(context) + QLatin1Char('.') +
                              info.suffix();
        if (QFileInfo(topic).isFile())
            return topic;
    }
    return file;
}

void THTMLHelp::ShowTopic(int context)
{
    ShowHelpFile(TopicFile(HelpFile(), context));
}

void THTMLHelp::ShowHelpFile(const QString &file)
{
    const QFileInfo info(file);
    bool opened = false;
    if (info.isFile()) {
        const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
        opened = m_opener ? m_opener(url) : QDesktopServices::openUrl(url);
    }
    if (!opened)
        ShowMessageBox(CannotReadHelpText(), tv::ui::MB_ICONSTOP);
}

bool THTMLHelp::OnApplicationHelp(quint16 Command, qintptr Data, bool &CallHelp)
{
    InitHelp();
    const QString file = HelpFile();
    if (QFileInfo(file).suffix().compare(QLatin1String("chm"), Qt::CaseInsensitive) != 0)
        return false;
    CallHelp = false;
    switch (Command) {
    case HELP_CONTEXT:
    case HELP_CONTEXTPOPUP:
    case HELP_CONTENTS:
    case HELP_FINDER:
        ShowHelpFile(file);
        break;
    case HELP_SETPOPUP_POS: {
        const auto value = static_cast<quint32>(static_cast<quintptr>(Data));
        FPopupPos = QPoint(static_cast<int>(value & 0xFFFFu), static_cast<int>(value >> 16));
        break;
    }
    default:
        break;
    }
    return false;
}

namespace {

// The handler requests go to: the application's, else the program's own
// bridge (made once, without taking the handler's place).
THTMLHelp &HelpHandler()
{
    if (THTMLHelp *h = THTMLHelp::Current())
        return *h;
    static THTMLHelp *own = [] {
        THTMLHelp *before = THTMLHelp::Current();
        auto *h = new THTMLHelp;
        THTMLHelp::SetCurrent(before);
        return h;
    }();
    return *own;
}

void ShowHelp(quint16 Command, int Context)
{
    THTMLHelp &h = HelpHandler();
    bool callHelp = true;
    h.OnApplicationHelp(Command, Context, callHelp);
    // Not a compiled help file: opened here, at the topic when it has one.
    if (callHelp)
        h.ShowTopic(Command == THTMLHelp::HELP_CONTEXT ? Context : 0);
}

} // namespace

void ShowHelpContents()
{
    ShowHelp(THTMLHelp::HELP_CONTENTS, 0);
}

void ShowHelpContext(int Context)
{
    ShowHelp(THTMLHelp::HELP_CONTEXT, Context);
}
