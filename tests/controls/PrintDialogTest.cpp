// The print dialog and the preview, driven as a user would: page ranges and
// copies played onto a PDF printer and read back, the copies check, the job
// title, the way through the preview and back, and the preview's zoom, page
// commands and answers with a stand-in main window.
#include "PrintTestSupport.h"
#include "controls/PrintHost.h"
#include "controls/frmPreview.h"
#include "controls/frmPrint.h"
#include "controls/tvComboBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvPrinter.h"
#include "controls/tvRadioButton.h"
#include "platform/ui/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace tvprinttest;

namespace {

struct PrintDialog : ::testing::Test {
    PdfPrinterScope printer;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs useDialogs{&dialogs};

    ~PrintDialog() override
    {
        if (prtData.Printing())
            prtData.EndDoc();
    }

    // Records a job of `count` pages, page n showing "PAGEn".
    static void RecordPages(int count)
    {
        TfrmPrint::BeginPrint();
        for (int i = 1; i <= count; ++i) {
            if (i > 1)
                prtData.NewPage();
            prtData.Canvas()->drawText(QPointF(100, 100), QStringLiteral("PAGE%1").arg(i));
        }
        TfrmPrint::EndPrint();
    }

    // The "PAGEn" texts of the PDF's pages, "-" for a page without one.
    QStringList PrintedPages() const
    {
        QStringList out;
        for (const QString &text : PdfPageTexts(printer.pdfPath()))
            out << (text.isEmpty() ? QStringLiteral("-") : text);
        return out;
    }
};

} // namespace

TEST_F(PrintDialog, PageRangeSelectsThePagesPrinted)
{
    if (!HavePdfText())
        GTEST_SKIP() << "pdftotext is not installed";
    struct Case {
        bool all;
        const char *from;
        const char *to;
        QStringList pages;
    } cases[] = {
        {true, "3", "3", {"PAGE1", "PAGE2", "PAGE3", "PAGE4"}},
        {false, "2", "", {"PAGE2", "PAGE3", "PAGE4"}},
        {false, "2", "0", {"PAGE2", "PAGE3", "PAGE4"}},
        {false, "", "2", {"PAGE1", "PAGE2"}},
        {false, "2", "3", {"PAGE2", "PAGE3"}},
        // Nothing to print: the job is still started and ended.
        {false, "3", "2", {}},
    };
    RecordPages(4);
    for (const Case &c : cases) {
        QFile::remove(printer.pdfPath());
        TfrmPrint dialog;
        dialog.InitControls();
        (c.all ? dialog.rdoRangeAll : dialog.rdoRangeSelect)->setChecked(true);
        EXPECT_EQ(dialog.txtRangeFrom->isEnabled(), !c.all);
        dialog.txtRangeFrom->setText(QLatin1String(c.from));
        dialog.txtRangeTo->setText(QLatin1String(c.to));
        dialog.PrintPages();
        ASSERT_TRUE(QFile::exists(printer.pdfPath())) << c.from << "-" << c.to;
        QStringList printed = PrintedPages();
        printed.removeAll(QStringLiteral("-"));
        EXPECT_EQ(printed, c.pages) << c.from << "-" << c.to;
    }
}

TEST_F(PrintDialog, CopiesAreMadeByPassesOrByRepeatingPages)
{
    if (!HavePdfText())
        GTEST_SKIP() << "pdftotext is not installed";
    ASSERT_FALSE(tvPrinterGlobal.SupportCopies());
    ASSERT_FALSE(tvPrinterGlobal.SupportCollate());
    RecordPages(2);
    for (bool collate : {true, false}) {
        QFile::remove(printer.pdfPath());
        TfrmPrint dialog;
        dialog.InitControls();
        EXPECT_FALSE(dialog.chkCollate->isEnabled());
        QTest::qWait(0);
        dialog.txtCopies->setText(QStringLiteral("3"));
        EXPECT_TRUE(dialog.chkCollate->isEnabled());
        dialog.chkCollate->setChecked(collate);
        dialog.ApplyDeviceMode();
        EXPECT_EQ(tvPrinterGlobal.Printer().copyCount(), 1);
        dialog.PrintPages();
        const QStringList expected = collate ? QStringList{"PAGE1", "PAGE2", "PAGE1", "PAGE2", "PAGE1", "PAGE2"}
                                             : QStringList{"PAGE1", "PAGE1", "PAGE1", "PAGE2", "PAGE2", "PAGE2"};
        EXPECT_EQ(PrintedPages(), expected) << collate;
    }
}

TEST_F(PrintDialog, TooManyCopiesKeepsTheDialogThenPrintsWithTheJobTitle)
{
    int printed = 0;
    const QString title = QStringLiteral("public.受注");
    ModalDriver driver({On<TfrmPrint>([&](TfrmPrint *dlg) {
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("印刷"));
        dlg->txtCopies->setText(QString::number(tvPrinterGlobal.MaxCopies() + 1));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
        ASSERT_EQ(dialogs.calls().size(), 1);
        EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("印刷部数の値を小さくして下さい。"));
        EXPECT_EQ(dialogs.calls()[0].flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONEXCLAMATION);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->focusWidget(), dlg->txtCopies);
        EXPECT_EQ(printed, 0);
        dlg->txtCopies->setText(QStringLiteral("1"));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    })});
    TfrmPrint::ShowWindow(title, [&] {
        ++printed;
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource(title, {QStringLiteral("SELECT 1;")}, true);
        TfrmPrint::EndPrint();
    });
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(TfrmPrint::PrintState, 0);
    EXPECT_EQ(tvPrinterGlobal.Printer().docName(), QStringLiteral("TVX19 - ") + title);
    ASSERT_TRUE(QFile::exists(printer.pdfPath()));
    EXPECT_EQ(PdfPageCount(printer.pdfPath()), 1);
    if (HavePdfText()) {
        EXPECT_EQ(PdfTitle(printer.pdfPath()), QStringLiteral("TVX19 - ") + title);
        const QStringList pages = PdfPageTexts(printer.pdfPath());
        ASSERT_EQ(pages.size(), 1);
        // Title above the text, page number below it.
        const QStringList lines = pages[0].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 3);
        EXPECT_EQ(lines[0].trimmed(), title);
        EXPECT_EQ(lines[1].trimmed(), QStringLiteral("SELECT 1;"));
        EXPECT_EQ(lines[2].trimmed(), QStringLiteral("1"));
    }
}

TEST_F(PrintDialog, CancelPrintsNothing)
{
    int printed = 0;
    ModalDriver driver({On<TfrmPrint>([](TfrmPrint *dlg) { QTest::mouseClick(dlg->btnCancel, Qt::LeftButton); })});
    TfrmPrint::ShowWindow(QStringLiteral("T"), [&] { ++printed; });
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(printed, 0);
    EXPECT_EQ(TfrmPrint::PrintState, 0);
    EXPECT_FALSE(QFile::exists(printer.pdfPath()));

    // Without a print method nothing is shown at all.
    TfrmPrint::ShowWindow(QStringLiteral("T"), nullptr);
    EXPECT_EQ(driver.done(), 1);
}

TEST_F(PrintDialog, PreviewThenPrintGoesBackThroughTheDialog)
{
    QStringList seen;
    auto record = [&] {
        seen << QString::number(tvPrintOption.MMLeftMargin);
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource(QStringLiteral("T"), {QStringLiteral("text")}, true);
        TfrmPrint::EndPrint();
    };
    ModalDriver driver({
        On<TfrmPrint>([](TfrmPrint *dlg) {
            // The preview stores the options first.
            dlg->txtLeftMargin->setText(QStringLiteral("15"));
            QTest::mouseClick(dlg->btnPreview, Qt::LeftButton);
        }),
        On<TfrmPreview>([](TfrmPreview *preview) {
            EXPECT_EQ(preview->windowTitle(), QStringLiteral("印刷プレビュー"));
            preview->actPrint->trigger();
        }),
        On<TfrmPrint>([](TfrmPrint *dlg) {
            // The dialog shows the stored options again.
            EXPECT_EQ(dlg->txtLeftMargin->text(), QStringLiteral("15"));
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
        }),
    });
    TfrmPrint::ShowWindow(QStringLiteral("T"), record);
    EXPECT_TRUE(driver.finished());
    // Recorded anew for the preview and for the print.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("15"), QStringLiteral("15")}));
    EXPECT_TRUE(QFile::exists(printer.pdfPath()));

    // Leaving the preview otherwise ends the print.
    QFile::remove(printer.pdfPath());
    ModalDriver second({
        On<TfrmPrint>([](TfrmPrint *dlg) { QTest::mouseClick(dlg->btnPreview, Qt::LeftButton); }),
        On<TfrmPreview>([](TfrmPreview *preview) { preview->actExit->trigger(); }),
    });
    TfrmPrint::ShowWindow(QStringLiteral("T"), record);
    EXPECT_TRUE(second.finished());
    EXPECT_EQ(seen.size(), 3);
    EXPECT_FALSE(QFile::exists(printer.pdfPath()));
}

TEST_F(PrintDialog, LoadsAndStoresThePrintOptions)
{
    tvPrintOption.Orientation = poLandscape;
    tvPrintOption.MMTopMargin = 5;
    tvPrintOption.MMBottomMargin = 6;
    tvPrintOption.MMLeftMargin = 7;
    tvPrintOption.MMRightMargin = 8;
    tvPrintOption.FontName = QStringLiteral("DejaVu Sans Mono");
    tvPrintOption.FontSize = 12;
    TfrmPrint dialog;
    dialog.InitControls();
    EXPECT_EQ(dialog.grpOrientation->ItemIndex(), 1);
    EXPECT_EQ(dialog.txtTopMargin->text(), QStringLiteral("5"));
    EXPECT_EQ(dialog.txtRightMargin->text(), QStringLiteral("8"));
    ASSERT_NE(dialog.lstFontName->currentItem(), nullptr);
    EXPECT_EQ(dialog.lstFontName->currentItem()->text(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(dialog.txtFontSize->text(), QStringLiteral("12"));

    // Margins stay within 0 .. 100; a font that is not offered keeps the stored name.
    dialog.grpOrientation->SetItemIndex(0);
    dialog.txtTopMargin->setText(QStringLiteral("-4"));
    dialog.txtBottomMargin->setText(QStringLiteral("250"));
    dialog.lstFontName->clearSelection();
    dialog.txtFontSize->setText(QStringLiteral("9"));
    tvPrintOption.FontName = QStringLiteral("ＭＳ ゴシック");
    dialog.StorePrintOptions();
    EXPECT_EQ(tvPrintOption.Orientation, poPortrait);
    EXPECT_EQ(tvPrintOption.MMTopMargin, 0);
    EXPECT_EQ(tvPrintOption.MMBottomMargin, 100);
    EXPECT_EQ(tvPrintOption.FontName, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(tvPrintOption.FontSize, 9);
}

namespace {

struct StandInMain : TPrintHost {
    QWidget window;
    QWidget *MainWindow() const override { return const_cast<QWidget *>(&window); }
};

struct Preview : PrintDialog {
    StandInMain host;
    ScopedPrintHost useHost{&host};
    Preview()
    {
        host.window.setGeometry(100, 120, 640, 480);
        host.window.show();
    }
};

} // namespace

TEST_F(Preview, ZoomStopsAtTheLimitsAndPrintAnswersTrue)
{
    RecordPages(1);
    std::vector<int> widths;
    ModalDriver driver({On<TfrmPreview>([&](TfrmPreview *preview) {
        EXPECT_FALSE(host.window.isVisible());
        EXPECT_EQ(preview->geometry(), host.window.geometry());
        // A one-page job: both page commands are off.
        EXPECT_FALSE(preview->actPrevPage->isEnabled());
        EXPECT_FALSE(preview->actNextPage->isEnabled());
        EXPECT_EQ(preview->FRate, 1.0);
        widths.push_back(preview->imgPreview->width());
        for (int i = 0; i < 5; ++i)
            preview->actZoomUp->trigger();
        EXPECT_EQ(preview->FRate, 2.0);
        EXPECT_FALSE(preview->actZoomUp->isEnabled());
        widths.push_back(preview->imgPreview->width());
        for (int i = 0; i < 7; ++i)
            preview->actZoomDown->trigger();
        EXPECT_EQ(preview->FRate, 0.5);
        EXPECT_FALSE(preview->actZoomDown->isEnabled());
        EXPECT_TRUE(preview->actZoomUp->isEnabled());
        widths.push_back(preview->imgPreview->width());
        QTest::mouseClick(preview->btnPrint, Qt::LeftButton);
    })});
    EXPECT_TRUE(TfrmPreview::ShowWindow());
    EXPECT_TRUE(driver.finished());
    EXPECT_TRUE(host.window.isVisible());
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_NEAR(widths[1], 2 * widths[0], 2);
    EXPECT_NEAR(widths[2], widths[0] / 2, 2);
}

TEST_F(Preview, PagesStepAndCloseButtonAnswersFalse)
{
    RecordPages(3);
    host.window.showMaximized();
    ModalDriver driver({On<TfrmPreview>([&](TfrmPreview *preview) {
        EXPECT_TRUE(preview->windowState() & Qt::WindowMaximized);
        EXPECT_EQ(preview->FPage, 1);
        EXPECT_FALSE(preview->actPrevPage->isEnabled());
        preview->actNextPage->trigger();
        preview->actNextPage->trigger();
        EXPECT_EQ(preview->FPage, 3);
        EXPECT_FALSE(preview->actNextPage->isEnabled());
        preview->actNextPage->trigger();
        EXPECT_EQ(preview->FPage, 3);
        preview->actPrevPage->trigger();
        EXPECT_EQ(preview->FPage, 2);
        EXPECT_TRUE(preview->actPrevPage->isEnabled());
        // The window's close button.
        preview->close();
    })});
    EXPECT_FALSE(TfrmPreview::ShowWindow());
    EXPECT_TRUE(driver.finished());
    EXPECT_TRUE(host.window.isVisible());

    ModalDriver exit({On<TfrmPreview>([](TfrmPreview *preview) {
        QTest::mouseClick(preview->btnExit, Qt::LeftButton);
    })});
    EXPECT_FALSE(TfrmPreview::ShowWindow());
    EXPECT_TRUE(exit.finished());
    EXPECT_TRUE(host.window.isVisible());
}

TEST_F(Preview, PageStandsOnTheSheetWhereTheMarginsPutIt)
{
    // A black block at the text area's origin shows up inside the white sheet,
    // the margin's width in from the sheet's left edge.
    TfrmPrint::BeginPrint();
    prtData.Canvas()->fillRect(QRect(0, 0, 600, 600), Qt::black);
    TfrmPrint::EndPrint();
    tvPrintOption.MMLeftMargin = 25; // 590.55 dots at 600 dpi
    tvPrintOption.MMTopMargin = 25;
    ModalDriver driver({On<TfrmPreview>([&](TfrmPreview *preview) {
        const QImage image = preview->imgPreview->pixmap().toImage();
        const double scale = image.width() / double(tvPrinterGlobal.PaperSize().width() + 150);
        const int y = int((50 + 591 + 300) * scale);
        int firstBlack = -1;
        for (int x = 0; x < image.width() && firstBlack < 0; ++x)
            if (qGray(image.pixel(x, y)) < 64)
                firstBlack = x;
        EXPECT_NEAR(firstBlack, (50 + 591) * scale, 2);
        EXPECT_EQ(image.pixel(int((50 + 100) * scale), y), qRgb(255, 255, 255));
        preview->reject();
    })});
    EXPECT_FALSE(TfrmPreview::ShowWindow());
    EXPECT_TRUE(driver.finished());
}
