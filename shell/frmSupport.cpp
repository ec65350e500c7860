#include "shell/frmSupport.h"

#include "common/MessageDlg.h"
#include "common/OSInfo.h"
#include "controls/frmPrint.h"
#include "platform/ui/Font.h"
#include "platform/ui/Guard.h"
#include "shell/ImageList.h"
#include "shell/WindowLaunchers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <dlfcn.h>
#include <grp.h>
#include <libpq-fe.h>
#include <unistd.h>

namespace {
const QString PathIndent = QString(23, QLatin1Char(' '));
}

QStringList TfrmSupport::SupportLines(const TSupportFacts &f)
{
    QStringList S;
    S << QStringLiteral("【Talvex情報】");
    S << QStringLiteral("  バージョン         : 19.0.0.0");
    S << QStringLiteral("  プログラムのパス   : ") + f.ProgramPath;
    S << QString() << QStringLiteral("【PostgreSQL情報】");
    S << QStringLiteral("  libpq.dllのパス    : ") + f.LibpqPath;
    S << QString() << QStringLiteral("【OS情報】");
    S << QStringLiteral("  OS                 : ") + f.OSName;
    S << QStringLiteral("  OSバージョン       : ") + f.OSVersion;
    S << QStringLiteral("  ユーザ権限         : ") + f.UserGroup;
    const QStringList entries = f.Path.split(QLatin1Char(':'));
    for (int i = 0; i < entries.size(); ++i)
        S << (i == 0 ? QStringLiteral("  PATH環境変数       : ") : PathIndent) + entries.at(i);
    return S;
}

QString TfrmSupport::UserGroupName(unsigned uid, const QStringList &groupNames)
{
    if (uid == 0)
        return QStringLiteral("Administrator");
    if (groupNames.contains(QStringLiteral("sudo")) || groupNames.contains(QStringLiteral("wheel")))
        return QStringLiteral("Power Users");
    return QStringLiteral("Users");
}

QString TfrmSupport::LoadedLibpqPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&PQlibVersion), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

TSupportFacts TfrmSupport::ReadFacts()
{
    TSupportFacts f;
    f.ProgramPath = QApplication::applicationFilePath();
    f.LibpqPath = LoadedLibpqPath();
    f.OSName = GetWindowsVersionName(QStringLiteral("Unknown"));
    f.OSVersion = GetOSDescription(9, QStringLiteral("Unknown"));
    QStringList groups;
    const int n = getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> ids(size_t(n) + 1);
        const int got = getgroups(n, ids.data());
        ids.resize(size_t(qMax(got, 0)));
        ids.push_back(getegid());
        for (gid_t id : ids)
            if (const group *g = getgrgid(id))
                groups << QString::fromLocal8Bit(g->gr_name);
    }
    f.UserGroup = UserGroupName(unsigned(geteuid()), groups);
    f.Path = qEnvironmentVariable("PATH");
    return f;
}

TfrmSupport::TfrmSupport(const QStringList &lines, QWidget *parent) : QDialog(parent), S(lines)
{
    setObjectName(QStringLiteral("frmSupport"));
    setWindowTitle(QStringLiteral("サポート情報"));
    resize(584, 282);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    tolCmd = new QToolBar;
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    actOutput = new QAction(DrawMainImage(36), QStringLiteral("出力(&P)"), this);
    actOutput->setObjectName(QStringLiteral("actOutput"));
    actCopy = new QAction(DrawMainImage(21), QStringLiteral("クリップボード出力(&C)"), this);
    actCopy->setObjectName(QStringLiteral("actCopy"));
    actPrint = new QAction(DrawMainImage(98), QStringLiteral("印刷(&P)"), this);
    actPrint->setObjectName(QStringLiteral("actPrint"));
    popOutput = new QMenu(this);
    popOutput->setObjectName(QStringLiteral("popOutput"));
    popOutput->addAction(actCopy);
    popOutput->addAction(actPrint);
    btnOutput = new QToolButton;
    btnOutput->setObjectName(QStringLiteral("btnOutput"));
    btnOutput->setDefaultAction(actOutput);
    btnOutput->setMenu(popOutput);
    btnOutput->setPopupMode(QToolButton::MenuButtonPopup);
    btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tolCmd->addWidget(btnOutput);
    v->addWidget(tolCmd);
    txtSupport = new QPlainTextEdit;
    txtSupport->setObjectName(QStringLiteral("txtSupport"));
    txtSupport->setReadOnly(true);
    txtSupport->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSupport->setFont(tv::ui::MakeFont(QStringLiteral("ＭＳ ゴシック"), 10));
    txtSupport->setPlainText(S.join(QLatin1Char('\n')));
    v->addWidget(txtSupport, 1);
    pnlBack = new QWidget;
    pnlBack->setObjectName(QStringLiteral("pnlBack"));
    pnlBack->setFixedHeight(40);
    btnOK = new QPushButton(QStringLiteral("OK"), pnlBack);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setGeometry(0, 8, 75, 25);
    v->addWidget(pnlBack);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(actOutput, &QAction::triggered, this, tv::ui::Guarded([this] { actOutputExecute(); }));
    connect(actCopy, &QAction::triggered, this, tv::ui::Guarded([this] { actCopyExecute(); }));
    connect(actPrint, &QAction::triggered, this, tv::ui::Guarded([this] { actPrintExecute(); }));
}

int TfrmSupport::ShowWindow(QWidget *parent)
{
    TfrmSupport dlg(SupportLines(ReadFacts()), parent);
    return dlg.exec();
}

void TfrmSupport::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actHelpSupport"), [](const TLaunchContext &c) -> QWidget * {
        ShowWindow(c.MainWindow);
        return nullptr;
    });
}

void TfrmSupport::actOutputExecute()
{
    btnOutput->showMenu();
}

void TfrmSupport::actCopyExecute()
{
    QApplication::clipboard()->setText(txtSupport->toPlainText());
    ShowMessageBox(QStringLiteral("クリップボードに出力しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmSupport::PrintSupportInfo()
{
    TfrmPrint::BeginPrint();
    try {
        TfrmPrint::PrintSource(QStringLiteral("サポート情報"), txtSupport->toPlainText().split(QLatin1Char('\n')), true);
    } catch (...) {
        TfrmPrint::EndPrint();
        throw;
    }
    TfrmPrint::EndPrint();
}

void TfrmSupport::actPrintExecute()
{
    TfrmPrint::ShowWindow(QStringLiteral("サポート情報"), [this] { PrintSupportInfo(); });
    activateWindow();
    txtSupport->setFocus();
}

void TfrmSupport::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    if (btnOK)
        btnOK->move(qRound((width() - btnOK->width()) / 2.0), btnOK->y());
}
