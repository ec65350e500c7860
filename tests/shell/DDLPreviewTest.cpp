// The DDL preview: shown only with ShowDDL, answers whether to go on, and
// saves the script under the proposed name in the option's encoding.
#include "ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/settings/tvRegistry.h"
#include "shell/frmDDLPreview.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTimer>

using namespace tvtest;

namespace {

const QStringList Script{QStringLiteral("CREATE TABLE \"表\" (a int)"), QStringLiteral(";"),
                         QStringLiteral("COMMENT ON TABLE \"表\" IS 'x'"), QStringLiteral(";")};

// Acts on the preview once it is shown modally.
void WhenShown(std::function<void(TfrmDDLPreview *)> work)
{
    QTimer::singleShot(0, [work = std::move(work)] {
        auto *d = qobject_cast<TfrmDDLPreview *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        work(d);
    });
}

class DDLPreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.Start({});
        tvOption.ShowDDL = true;
    }
    ShellSession s;
};

} // namespace

TEST_F(DDLPreview, ShowDDLOffGoesOnWithoutADialog)
{
    tvOption.ShowDDL = false;
    QStringList script = Script;
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; });
    EXPECT_TRUE(TfrmDDLPreview::ShowWindow(script, QStringLiteral("public"), QStringLiteral("表")));
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(script, Script);
}

// Start, cancel, Esc and the close button, each as a user ends the dialog.
TEST_F(DDLPreview, ShowsTheScriptAndAnswersWhetherToGoOn)
{
    const struct {
        const char *how;
        bool result;
    } cases[] = {{"start", true}, {"cancel", false}, {"escape", false}, {"close", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        QStringList script = Script;
        QString caption;
        QStringList shownLines;
        bool readOnly = false, editSwitchHidden = false;
        WhenShown([&](TfrmDDLPreview *d) {
            caption = d->windowTitle();
            shownLines = d->txtLog->Lines()->ToStringList();
            readOnly = d->txtLog->ReadOnly();
            editSwitchHidden = d->chkEdit->isHidden();
            const QByteArray how = c.how;
            if (how == "start")
                QTest::mouseClick(d->btnOK, Qt::LeftButton);
            else if (how == "cancel")
                QTest::mouseClick(d->btnCancel, Qt::LeftButton);
            else if (how == "escape")
                QTest::keyClick(d, Qt::Key_Escape);
            else
                d->close();
        });
        EXPECT_EQ(TfrmDDLPreview::ShowWindow(script, QStringLiteral("public"), QStringLiteral("表")), c.result);
        EXPECT_EQ(caption, QStringLiteral("public.表 のコンパイル"));
        EXPECT_EQ(shownLines, Script);
        EXPECT_TRUE(readOnly);
        EXPECT_TRUE(editSwitchHidden);
        EXPECT_EQ(script, Script);
    }
    // The size is kept for the next preview.
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\SQLPREVIEW"), false));
    EXPECT_GT(reg.GetInteger(QStringLiteral("Width"), -1), 0);
    reg.CloseKey();
}

TEST(DDLPreviewNames, CaptionAndProposedFileName)
{
    const struct {
        QString schema, name, caption, fileObject;
    } cases[] = {
        {QStringLiteral("public"), QStringLiteral("emp"), QStringLiteral("public.emp のコンパイル"), QStringLiteral("emp")},
        {QString(), QStringLiteral("role1"), QStringLiteral("role1 のコンパイル"), QStringLiteral("role1")},
        {QStringLiteral("s"), QStringLiteral("インデックスの断片化解消"), QStringLiteral("インデックスの断片化解消を実行"),
         QStringLiteral("script")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TfrmDDLPreview::CaptionFor(c.schema, c.name), c.caption);
        EXPECT_EQ(TfrmDDLPreview::FileObjectName(c.name), c.fileObject);
    }
}

// "&SQL出力" proposes schema.name.sql ("script" for the defragmentation),
// writes the lines in the option's encoding and says so.
TEST_F(DDLPreview, SavesTheScriptInTheOptionEncoding)
{
    const struct {
        QString schema, name, proposed;
        int encoding;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("public"), QStringLiteral("表"), QStringLiteral("public.表.sql"), 2,
         Script.join(QStringLiteral("\r\n")).toUtf8() + "\r\n"},
        {QStringLiteral("s"), QStringLiteral("インデックスの断片化解消"), QStringLiteral("s.script.sql"), 3,
         QByteArray(reinterpret_cast<const char *>((Script.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).utf16()),
                    (Script.join(QStringLiteral("\r\n")).size() + 2) * 2)},
        {QString(), QStringLiteral("r"), QStringLiteral("r.sql"), 2,
         Script.join(QStringLiteral("\r\n")).toUtf8() + "\r\n"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.proposed.toStdString());
        tvOption.Encoding = c.encoding;
        const QString path = s.scratch.file(QStringLiteral("out%1.sql").arg(++n));
        s.dialogs.clear();
        s.dialogs.queuePath(path);
        QStringList script = Script;
        WhenShown([&](TfrmDDLPreview *d) {
            QTest::mouseClick(d->btnSave, Qt::LeftButton);
            QTest::mouseClick(d->btnCancel, Qt::LeftButton);
        });
        EXPECT_FALSE(TfrmDDLPreview::ShowWindow(script, c.schema, c.name));
        ASSERT_EQ(s.dialogs.calls().size(), 2);
        const auto &save = s.dialogs.calls().at(0);
        EXPECT_EQ(save.kind, tv::ui::ScriptedDialogs::Kind::SaveFile);
        EXPECT_EQ(save.file.caption, QStringLiteral("SQL文の保存"));
        EXPECT_EQ(save.file.fileName, c.proposed);
        EXPECT_EQ(save.file.defaultExt, QStringLiteral("SQL"));
        EXPECT_EQ(save.file.filter, QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*"));
        EXPECT_TRUE(save.file.overwritePrompt);
        EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("SQL文の保存が完了しました。"));
        EXPECT_EQ(s.dialogs.calls().at(1).flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONINFORMATION);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.bytes);
    }

    // Cancelling the save dialog writes nothing and says nothing.
    s.dialogs.clear();
    s.dialogs.queuePath(QString());
    QStringList script = Script;
    WhenShown([&](TfrmDDLPreview *d) {
        QTest::mouseClick(d->btnSave, Qt::LeftButton);
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(TfrmDDLPreview::ShowWindow(script, QStringLiteral("public"), QStringLiteral("x")));
    EXPECT_EQ(s.dialogs.calls().size(), 1);
}
