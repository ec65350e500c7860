// Help from every place the user asks for it, inside the real main window:
// the help menu's command, the "ヘルプ" buttons of the options dialog, the
// editor options dialog, the print dialog and the value dialog. Without a
// help file each says the file cannot be read; with an HTML help installed
// each opens it, at the topic page of its context where there is one.
#include "shell/ShellTestSupport.h"

#include "common/HTMLHelp.h"
#include "controls/frmPrint.h"
#include "shell/frmEditorOption.h"
#include "shell/frmOption.h"
#include "sql/frmLob.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QUrl>

#include <functional>

using namespace tvtest;

namespace {

QAction *HelpMenuItem(TfrmMain &main, const QString &text)
{
    for (QAction *menu : main.menuBar()->actions()) {
        if (!menu->menu() || menu->text() != QStringLiteral("ヘルプ(&H)"))
            continue;
        for (QAction *a : menu->menu()->actions())
            if (a->text() == text)
                return a;
    }
    return nullptr;
}

struct Place {
    const char *name;
    int context; // 0: the contents
    std::function<void(ShellSession &)> ask;
};

const Place kPlaces[] = {
    {"help menu", 0,
     [](ShellSession &s) {
         QAction *item = HelpMenuItem(*s.main, QStringLiteral("Talvex ヘルプ(&C)"));
         ASSERT_NE(item, nullptr);
         item->trigger();
     }},
    {"options dialog", 50100,
     [](ShellSession &s) {
         TfrmOption dlg(s.main.get(), nullptr);
         dlg.btnHelp->click();
     }},
    {"editor options dialog", 50200,
     [](ShellSession &s) {
         TfrmEditorOption dlg(s.main.get());
         dlg.btnHelp->click();
     }},
    {"print dialog", 20400,
     [](ShellSession &s) {
         TfrmPrint dlg(s.main.get());
         dlg.btnHelp->click();
     }},
    {"value dialog", 10200,
     [](ShellSession &s) {
         QByteArray value;
         TfrmLob dlg(s.main.get(), &value);
         ASSERT_TRUE(dlg.btnHelp->isEnabled());
         dlg.btnHelp->click();
     }},
};

class Help : public ::testing::Test {
protected:
    void SetUp() override { s.Start({}); }
    void TearDown() override { THTMLHelp::SetApplicationHelpFile(QString()); }

    ShellSession s;
};

} // namespace

TEST_F(Help, WithoutAHelpFileEveryPlaceSaysItCannotBeRead)
{
    ASSERT_FALSE(QFileInfo::exists(THTMLHelp::HelpFile()));
    for (const Place &p : kPlaces) {
        SCOPED_TRACE(p.name);
        s.dialogs.clear();
        p.ask(s);
        ASSERT_EQ(s.dialogs.calls().size(), 1);
        EXPECT_EQ(s.dialogs.calls()[0].text, QStringLiteral("ヘルプファイルを読込めませんでした。"));
        EXPECT_EQ(s.dialogs.calls()[0].flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONSTOP);
    }
}

TEST_F(Help, AnInstalledHtmlHelpOpensAtTheTopicOfEachPlace)
{
    // Topic pages for some contexts only; the others open the index.
    const QString folder = s.scratch.file(QStringLiteral("help"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString &name : {QStringLiteral("index.html"), QStringLiteral("50100.html"),
                                QStringLiteral("20400.html"), QStringLiteral("10200.html")}) {
        QFile f(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html></html>");
    }
    THTMLHelp::SetApplicationHelpFile(folder + QStringLiteral("/index.html"));
    ASSERT_NE(THTMLHelp::Current(), nullptr) << "the main window owns the help bridge";
    QList<QUrl> opened;
    THTMLHelp::Current()->SetOpener([&](const QUrl &url) {
        opened << url;
        return true;
    });
    for (const Place &p : kPlaces) {
        SCOPED_TRACE(p.name);
        s.dialogs.clear();
        opened.clear();
        p.ask(s);
        EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        const QString topic = folder + QLatin1Char('/') + QString::number(p.context) + QStringLiteral(".html");
        const QString expected = QFileInfo::exists(topic) ? topic : folder + QStringLiteral("/index.html");
        EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(expected)});
    }

    // Nothing opens it on this desktop: the message again.
    THTMLHelp::Current()->SetOpener([](const QUrl &) { return false; });
    s.dialogs.clear();
    kPlaces[0].ask(s);
    EXPECT_EQ(s.dialogs.texts(), QStringList{THTMLHelp::CannotReadHelpText()});
}

// The product has no pages to open: the empty sub-menu is left out of the
// help menu.
TEST_F(Help, TheHomePageSubMenuIsLeftOutWithoutPages)
{
    QAction *sub = HelpMenuItem(*s.main, QStringLiteral("ホームページを開く"));
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->isVisible());
    ASSERT_NE(HelpMenuItem(*s.main, QStringLiteral("Talvex ヘルプ(&C)")), nullptr);
    EXPECT_TRUE(HelpMenuItem(*s.main, QStringLiteral("Talvex ヘルプ(&C)"))->isVisible());
}
