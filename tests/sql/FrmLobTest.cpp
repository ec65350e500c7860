// The binary-value viewer and the text dialog on values held in memory.
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/DataSet.h"
#include "platform/db/MemResultSet.h"
#include "platform/ui/ScriptedDialogs.h"
#include "sql/frmLob.h"
#include "sql/frmMemo.h"
#include "support/ScratchDir.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tv::db;
using tv::ui::ScriptedDialogs;

namespace {

class LobDialog : public ::testing::Test {
protected:
    // A data set of one bytea value (null QVariant: NULL).
    void load(const QVariant &value, bool readOnly = false)
    {
        auto mem = std::make_shared<MemResultSet>(std::vector<FieldDesc>{MakeFieldDesc(QStringLiteral("v"), 17, -1, -1)});
        mem->appendRow({value});
        ds.Open(mem);
        dlg = std::make_unique<TfrmLob>(nullptr, &stream);
        loaded = dlg->LoadField(ds, 0, readOnly);
    }
    QString page() const { return dlg->pagData->tabText(dlg->pagData->currentIndex()); }

    tvtest::ScratchDir scratch;
    ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    DataSet ds;
    QByteArray stream;
    std::unique_ptr<TfrmLob> dlg;
    bool loaded = false;
};

QByteArray pngBytes()
{
    QImage img(6, 5, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png;
}

} // namespace

TEST_F(LobDialog, PngOpensOnTheImagePageAndSavesWithItsExtension)
{
    const QByteArray png = pngBytes();
    load(png);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(page(), QStringLiteral("画像"));
    EXPECT_FALSE(dlg->pagData->isTabVisible(dlg->pagData->indexOf(dlg->tabText)));
    EXPECT_EQ(dlg->ImgBytes->pixmap().size(), QSize(6, 5));
    dialogs.queuePath(scratch.file(QStringLiteral("picture")));
    dlg->btnImageSave->click();
    QFile f(scratch.file(QStringLiteral("picture.png")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), png);
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    EXPECT_EQ(dialogs.calls().last().flags, tv::ui::MB_ICONINFORMATION);
}

TEST_F(LobDialog, BinaryPageDumpsSixteenBytesALineAndAsksFromFiveThousand)
{
    QByteArray twenty;
    for (int i = 0; i < 20; ++i)
        twenty += char(0x80 + i);
    load(twenty);
    EXPECT_EQ(page(), QStringLiteral("バイナリ値"));
    EXPECT_EQ(dlg->txtBinary->Lines()->Count(), 2);
    EXPECT_EQ(dlg->txtBinary->Lines()->Get(1), QStringLiteral("90 91 92 93"));
    EXPECT_TRUE(dialogs.calls().isEmpty());

    load(QByteArray(4999, '\x01'));
    EXPECT_TRUE(dialogs.calls().isEmpty());
    EXPECT_EQ(dlg->txtBinary->Lines()->Count(), 313);

    dialogs.queueButton(tv::ui::IDNO);
    load(QByteArray(5000, '\x01'));
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls().at(0).text, QStringLiteral("5000バイト以上ありますが表示しますか？"));
    EXPECT_EQ(dialogs.calls().at(0).flags, tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2);
    EXPECT_EQ(dlg->txtBinary->Lines()->Text(), QString());
    // Each turn to the page fills it anew.
    dialogs.queueButton(tv::ui::IDYES);
    dlg->pagData->setCurrentWidget(dlg->tabOther);
    dlg->pagData->setCurrentWidget(dlg->tabBinary);
    EXPECT_EQ(dlg->txtBinary->Lines()->Count(), 313);
}

TEST_F(LobDialog, TextPageStoresUtf8OnOkAndOtherPagesKeepTheValue)
{
    load(QVariant());
    EXPECT_EQ(page(), QStringLiteral("文字列"));
    EXPECT_EQ(dlg->txtData->Lines()->Text(), QString());
    dlg->txtData->Lines()->SetText(QStringLiteral("日本語"));
    dlg->btnOk->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(stream, QStringLiteral("日本語").toUtf8());

    load(QByteArray("\x01\x02\xff", 3));
    dlg->btnOk->click();
    EXPECT_EQ(stream, QByteArray("\x01\x02\xff", 3));

    // Emptying asks first and ends as OK.
    load(QByteArray("abc"));
    dialogs.queueButton(tv::ui::IDYES);
    dlg->pagData->setCurrentWidget(dlg->tabOther);
    dlg->btnDataDelete->click();
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("列値に null をセットしますか？"));
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(stream.isEmpty());
}

TEST_F(LobDialog, ReadOnlyDisablesOkLoadAndDelete)
{
    load(QByteArray("abc"), true);
    EXPECT_FALSE(dlg->btnOk->isEnabled());
    EXPECT_FALSE(dlg->btnLoadFromFile->isEnabled());
    EXPECT_FALSE(dlg->btnDataDelete->isEnabled());
    EXPECT_FALSE(dlg->btnImageOpen->isEnabled());
    EXPECT_TRUE(dlg->txtData->ReadOnly());
    EXPECT_TRUE(dlg->btnSaveToFile->isEnabled());
}

TEST_F(LobDialog, AFileThatCannotBeOpenedLeavesTheValue)
{
    load(QByteArray("keep"));
    dialogs.queuePath(scratch.file(QStringLiteral("missing.bin")));
    dlg->btnLoadFromFile->click(); // the error goes to the standard display
    EXPECT_EQ(stream, QByteArray("keep"));
    ASSERT_EQ(dialogs.calls().size(), 2);
    EXPECT_TRUE(dialogs.calls().last().text.contains(QStringLiteral("missing.bin")));
}

TEST(MemoDialog, OkReturnsTextAndNullCancelKeepsThem)
{
    tvtest::ScratchDir scratch;
    QString text = QStringLiteral("a\nb");
    bool null = false;
    QTimer::singleShot(0, [] {
        auto *d = qobject_cast<TfrmMemo *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("文字列の編集"));
        EXPECT_FALSE(d->chkNull->isVisibleTo(d));
        EXPECT_FALSE(d->btnOk->isEnabled());
        d->btnCancel->click();
    });
    EXPECT_EQ(TfrmMemo::ShowWindow(text, null, false, true), int(QDialog::Rejected));
    EXPECT_EQ(text, QStringLiteral("a\nb"));

    QTimer::singleShot(0, [] {
        auto *d = qobject_cast<TfrmMemo *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->txtComment->Lines()->SetText(QStringLiteral("x\r\ny"));
        d->chkNull->setChecked(true);
        d->btnOk->click();
    });
    EXPECT_EQ(TfrmMemo::ShowWindow(text, null, true, false), int(QDialog::Accepted));
    EXPECT_EQ(text, QStringLiteral("x\ny"));
    EXPECT_TRUE(null);
}
