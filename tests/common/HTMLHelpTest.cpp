#include "common/HTMLHelp.h"

#include "platform/ui/ScriptedDialogs.h"
#include "support/ScratchDir.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tv::ui;

namespace {

class HTMLHelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setApplicationDisplayName(QStringLiteral("Talvex"));
        help.SetOpener([this](const QUrl &url) {
            opened << url;
            return openerWorks;
        });
    }
    void TearDown() override { THTMLHelp::SetApplicationHelpFile(QString()); }

    QString MakeFile(const QString &name)
    {
        const QString path = dir.file(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("ITSF");
        return path;
    }

    tvtest::ScratchDir dir;
    ScriptedDialogs dialogs;
    ScopedDialogs use{&dialogs};
    THTMLHelp help;
    QList<QUrl> opened;
    bool openerWorks = true;
};

} // namespace

TEST_F(HTMLHelpTest, WithoutTheHelpFileEveryRequestShowsTheStopMessage)
{
    // No help file set: the program's path with ".chm", which does not exist.
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    EXPECT_EQ(THTMLHelp::HelpFile(), exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".chm"));
    ASSERT_FALSE(QFileInfo::exists(THTMLHelp::HelpFile()));

    for (quint16 command : {THTMLHelp::HELP_CONTEXT, THTMLHelp::HELP_CONTENTS, THTMLHelp::HELP_FINDER,
                            THTMLHelp::HELP_CONTEXTPOPUP}) {
        SCOPED_TRACE(command);
        dialogs.clear();
        bool callHelp = true;
        EXPECT_FALSE(help.OnApplicationHelp(command, 1001, callHelp));
        EXPECT_FALSE(callHelp);
        ASSERT_EQ(dialogs.calls().size(), 1);
        EXPECT_EQ(dialogs.calls()[0].kind, ScriptedDialogs::Kind::Message);
        EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("ヘルプファイルを読込めませんでした。"));
        EXPECT_EQ(dialogs.calls()[0].caption, QStringLiteral("Talvex"));
        EXPECT_EQ(dialogs.calls()[0].flags & MB_ICONMASK, MB_ICONSTOP);
        EXPECT_EQ(dialogs.calls()[0].flags & MB_TYPEMASK, MB_OK);
    }
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(HTMLHelpTest, AnExistingHelpFileOpensOnTheDesktopInAnyLetterCase)
{
    const QString file = MakeFile(QStringLiteral("Talvex.CHM"));
    THTMLHelp::SetApplicationHelpFile(file);
    EXPECT_FALSE(help.IsInitialised());
    for (quint16 command : {THTMLHelp::HELP_CONTEXT, THTMLHelp::HELP_CONTENTS, THTMLHelp::HELP_CONTEXTPOPUP}) {
        bool callHelp = true;
        EXPECT_FALSE(help.OnApplicationHelp(command, 7, callHelp));
        EXPECT_FALSE(callHelp);
    }
    EXPECT_TRUE(help.IsInitialised());
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(file));
    EXPECT_TRUE(dialogs.calls().isEmpty());

    // The desktop has nothing to open it with: the message again.
    openerWorks = false;
    bool callHelp = true;
    help.OnApplicationHelp(THTMLHelp::HELP_CONTENTS, 0, callHelp);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].text, THTMLHelp::CannotReadHelpText());
}

TEST_F(HTMLHelpTest, OtherHelpFilesAreLeftToTheCallerAndPopupPositionsAreKept)
{
    THTMLHelp::SetApplicationHelpFile(MakeFile(QStringLiteral("manual.html")));
    bool callHelp = true;
    EXPECT_FALSE(help.OnApplicationHelp(THTMLHelp::HELP_CONTEXT, 5, callHelp));
    EXPECT_TRUE(callHelp); // untouched
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(dialogs.calls().isEmpty());

    THTMLHelp::SetApplicationHelpFile(dir.file(QStringLiteral("missing.chm")));
    EXPECT_EQ(help.PopupPos(), QPoint(0, 0));
    EXPECT_FALSE(help.OnApplicationHelp(THTMLHelp::HELP_SETPOPUP_POS, (600 << 16) | 40000, callHelp));
    EXPECT_FALSE(callHelp);
    EXPECT_EQ(help.PopupPos(), QPoint(40000, 600));
    EXPECT_FALSE(help.OnApplicationHelp(99, 0, callHelp)); // unknown command: nothing
    EXPECT_TRUE(dialogs.calls().isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST(HTMLHelpHandler, TheLastCreatedBridgeIsTheApplicationsHandlerUntilItGoes)
{
    THTMLHelp *before = THTMLHelp::Current();
    {
        THTMLHelp help;
        EXPECT_EQ(THTMLHelp::Current(), &help);
        THTMLHelp::SetCurrent(nullptr); // e.g. while a dialog binds F1 itself
        EXPECT_EQ(THTMLHelp::Current(), nullptr);
        THTMLHelp::SetCurrent(&help);
    }
    EXPECT_EQ(THTMLHelp::Current(), nullptr);
    THTMLHelp::SetCurrent(before);
}
