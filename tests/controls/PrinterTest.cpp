// The printer wrapper and the page recorder: job states and their messages,
// page count, canvas carry-over, dot/millimetre conversions and the text
// area the margins leave.
#include "PrintTestSupport.h"
#include "controls/tvPrinter.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace tvprinttest;

namespace {

// Runs `work` and returns the text of the tv::Error it raised ("" for none).
template <typename F>
QString ErrorOf(F work)
{
    try {
        work();
    } catch (const tv::Error &e) {
        return e.text();
    }
    return {};
}

struct Recorder : ::testing::Test {
    PdfPrinterScope printer;
    ~Recorder() override
    {
        if (prtData.Printing())
            prtData.EndDoc();
    }
};

} // namespace

TEST_F(Recorder, PageCountThroughAJob)
{
    prtData.BeginDoc();
    EXPECT_EQ(prtData.PageCount(), 1);
    prtData.NewPage();
    prtData.NewPage();
    EXPECT_EQ(prtData.PageCount(), 3);
    prtData.EndDoc();
    EXPECT_EQ(prtData.PageCount(), 3);
    EXPECT_NO_THROW(prtData.GetPage(2));

    // A new job discards the previous one.
    prtData.BeginDoc();
    EXPECT_EQ(prtData.PageCount(), 1);
    prtData.EndDoc();
}

TEST_F(Recorder, StateChecksRaiseTheirMessages)
{
    const QString notStarted = QStringLiteral("印刷が開始されていません。");
    EXPECT_EQ(ErrorOf([] { prtData.Canvas(); }), notStarted);
    EXPECT_EQ(ErrorOf([] { prtData.NewPage(); }), notStarted);
    EXPECT_EQ(ErrorOf([] { prtData.EndDoc(); }), notStarted);

    prtData.BeginDoc();
    prtData.NewPage();
    // A second start keeps the job being recorded.
    EXPECT_EQ(ErrorOf([] { prtData.BeginDoc(); }), QStringLiteral("既に印刷が開始されています。"));
    EXPECT_TRUE(prtData.Printing());
    EXPECT_EQ(prtData.PageCount(), 2);
    EXPECT_EQ(ErrorOf([] { prtData.GetPage(0); }), QStringLiteral("印刷が完了していません。"));
    prtData.EndDoc();

    EXPECT_EQ(ErrorOf([] { prtData.GetPage(2); }), QStringLiteral("リストのインデックスが範囲を超えています (2)"));
    EXPECT_EQ(ErrorOf([] { prtData.GetPage(-1); }), QStringLiteral("リストのインデックスが範囲を超えています (-1)"));

    // The error type of the state checks is the recorder's own.
    prtData.BeginDoc();
    EXPECT_THROW(prtData.BeginDoc(), TtvPrintdataError);
    prtData.EndDoc();
}

TEST_F(Recorder, CanvasSettingsCarryOverToTheNextPage)
{
    prtData.BeginDoc();
    // Page 1 starts from 9 points at the printer's resolution.
    EXPECT_EQ(prtData.Canvas()->font().pixelSize(), 75); // 9 pt at 600 dpi
    QFont font = prtData.CanvasFont(QStringLiteral("DejaVu Sans"), 14);
    prtData.Canvas()->setFont(font);
    prtData.Canvas()->setPen(QPen(Qt::red, 7));
    prtData.NewPage();
    EXPECT_EQ(prtData.Canvas()->font().family(), font.family());
    EXPECT_EQ(prtData.Canvas()->font().pixelSize(), 117); // 14 pt at 600 dpi
    EXPECT_EQ(prtData.Canvas()->pen().color(), QColor(Qt::red));
    EXPECT_EQ(prtData.Canvas()->pen().width(), 7);
    prtData.EndDoc();
}

TEST_F(Recorder, PagesPlayBackWhatWasDrawn)
{
    prtData.BeginDoc();
    prtData.Canvas()->drawText(QPointF(100, 200), QStringLiteral("first"));
    prtData.NewPage();
    prtData.Canvas()->drawText(QPointF(300, 400), QStringLiteral("second"));
    prtData.EndDoc();

    const auto one = TextDraws(prtData.GetPage(0));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].text, QStringLiteral("first"));
    EXPECT_NEAR(one[0].pos.x(), 100, 1);
    EXPECT_NEAR(one[0].pos.y(), 200, 1);
    const auto two = TextDraws(prtData.GetPage(1));
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].text, QStringLiteral("second"));

    // Drawing a page lifts the target's clip for the page and restores it.
    QImage image(50, 50, QImage::Format_ARGB32);
    QPainter p(&image);
    p.setClipRect(0, 0, 10, 10);
    prtData.GetPage(0).Draw(p, QPointF(5, 5));
    EXPECT_TRUE(p.hasClipping());
    EXPECT_EQ(p.clipBoundingRect(), QRectF(0, 0, 10, 10));
}

TEST_F(Recorder, LaidOutTextPlaysAsTheLayoutPutIt)
{
    // Laid-out text is kept as its glyphs: played at any origin and scale
    // the page shows what the layout itself draws there, in the canvas's
    // pen, over what the canvas drew on the page.
    QTextLayout layout(QStringLiteral("SELECT 受注\tid, '値'"), prtData.CanvasFont(QStringLiteral("DejaVu Sans"), 10));
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(4000);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    prtData.BeginDoc();
    prtData.Canvas()->fillRect(QRectF(90, 150, 2000, 200), Qt::yellow);
    prtData.Canvas()->setPen(Qt::red);
    prtData.DrawLayout(layout, QPointF(100, 200));
    prtData.EndDoc();

    for (const qreal scale : {1.0, 0.25}) {
        QImage played(600, 150, QImage::Format_RGB32), drawn(played.size(), QImage::Format_RGB32);
        played.fill(Qt::white);
        drawn.fill(Qt::white);
        {
            QPainter p(&played);
            p.scale(scale, scale);
            prtData.GetPage(0).Draw(p, QPointF(-50, -120));
        }
        {
            QPainter p(&drawn);
            p.scale(scale, scale);
            p.fillRect(QRectF(40, 30, 2000, 200), Qt::yellow);
            p.setPen(Qt::red);
            layout.draw(&p, QPointF(50, 80));
        }
        int red = 0;
        for (int y = 0; y < played.height(); ++y)
            for (int x = 0; x < played.width(); ++x)
                red += qRed(played.pixel(x, y)) > 200 && qGreen(played.pixel(x, y)) < 100;
        EXPECT_GT(red, 50) << scale;
        // (antialiasing may round a pixel differently, a glyph out of place
        // differs by far more)
        int worst = 0;
        for (int y = 0; y < played.height(); ++y)
            for (int x = 0; x < played.width(); ++x) {
                const QRgb a = played.pixel(x, y), b = drawn.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        EXPECT_LE(worst, 8) << scale;
    }
    // The page tells its text by the pieces between tabs, at their baselines.
    const auto pieces = prtData.GetPage(0).TextPieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].text, QStringLiteral("SELECT 受注"));
    EXPECT_EQ(pieces[1].text, QStringLiteral("id, '値'"));
    EXPECT_NEAR(pieces[0].pos.x(), 100, 0.01);
    EXPECT_NEAR(pieces[0].pos.y(), 200 + line.ascent(), 0.01);
    EXPECT_NEAR(pieces[1].pos.x(), 100 + line.cursorToX(10), 0.01);
}

TEST_F(Recorder, ConversionsAt600Dpi)
{
    ASSERT_EQ(tvPrinterGlobal.DPI(), QSize(600, 600));
    EXPECT_EQ(tvPrinterGlobal.MMToDPIX(25.4), 600);
    EXPECT_EQ(tvPrinterGlobal.MMToDPIX(20), 472);
    EXPECT_EQ(tvPrinterGlobal.MMToDPIY(25.4), 600);
    EXPECT_EQ(tvPrinterGlobal.MMToDPIY(20), 472);
    EXPECT_DOUBLE_EQ(tvPrinterGlobal.DPIXToMM(600), 25.4);
    EXPECT_DOUBLE_EQ(tvPrinterGlobal.DPIYToMM(300), 12.7);
    EXPECT_DOUBLE_EQ(tvPrinterGlobal.ScreenToPrinterRate(), 6.25);
    EXPECT_DOUBLE_EQ(tvPrinterGlobal.PrinterToScreenRate(), 0.16);
}

TEST_F(Recorder, PdfPrinterMetrics)
{
    // A4 at 600 dpi; no unprintable edges.
    EXPECT_NEAR(tvPrinterGlobal.PaperSize().width(), 4961, 5);
    EXPECT_NEAR(tvPrinterGlobal.PaperSize().height(), 7016, 5);
    EXPECT_EQ(tvPrinterGlobal.LeftMargin(), 0);
    EXPECT_EQ(tvPrinterGlobal.BottomMargin(), 0);
    EXPECT_NEAR(tvPrinterGlobal.MMPaperSize().width(), 210.0, 0.2);
    // The PDF printer makes no copies itself, and has no scale of its own.
    EXPECT_FALSE(tvPrinterGlobal.SupportCopies());
    EXPECT_FALSE(tvPrinterGlobal.SupportCollate());
    EXPECT_EQ(tvPrinterGlobal.MaxCopies(), 999);
    EXPECT_EQ(tvPrinterGlobal.ScaleFactor(), 100);
    EXPECT_DOUBLE_EQ(tvPrinterGlobal.ScaledPaperSize().width(), tvPrinterGlobal.MMPaperSize().width());

    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_EQ(TtvPrinter::PrinterNames(), QStringList{QStringLiteral("PDF")});
        EXPECT_EQ(tvPrinterGlobal.PrinterIndex(), 0);
    }

    tvPrinterGlobal.SetOrientation(poLandscape);
    tvPrinterGlobal.Refresh();
    EXPECT_EQ(tvPrinterGlobal.Orientation(), poLandscape);
    EXPECT_NEAR(tvPrinterGlobal.PaperSize().width(), 7016, 5);
    EXPECT_NEAR(tvPrinterGlobal.PaperSize().height(), 4961, 5);
}

TEST_F(Recorder, MarginBelowTheUnprintableEdgeCountsAsTheEdge)
{
    // An unprintable left edge of 100 dots (12 points at 600 dpi).
    tvPrinterGlobal.Printer().setPageMargins(QMarginsF(12, 6, 0, 0), QPageLayout::Point);
    tvPrinterGlobal.Refresh();
    ASSERT_EQ(tvPrinterGlobal.LeftMargin(), 100);
    ASSERT_EQ(tvPrinterGlobal.TopMargin(), 50);
    const int paperWidth = tvPrinterGlobal.PaperSize().width();
    const int paperHeight = tvPrinterGlobal.PaperSize().height();
    EXPECT_EQ(tvPrinterGlobal.GetPrintableWidth(0, 0), paperWidth - 100);
    EXPECT_EQ(tvPrinterGlobal.GetPrintableWidth(20, 20), paperWidth - 472 - 472);
    EXPECT_EQ(tvPrinterGlobal.GetPrintableHeight(0, 25.4), paperHeight - 50 - 600);
}

TEST_F(Recorder, DeviceSettingsReachTheNextJob)
{
    tvPrinterGlobal.BeginSetting();
    ASSERT_NE(tvPrinterGlobal.PDev, nullptr);
    const bool copies = tvPrinterGlobal.PDev->Fields & TDeviceMode::DM_COPIES;
    tvPrinterGlobal.PDev->Copies = 3;
    tvPrinterGlobal.EndSetting();
    EXPECT_EQ(tvPrinterGlobal.PDev, nullptr);
    // Only a printer that makes copies itself is told to make them.
    EXPECT_EQ(tvPrinterGlobal.Printer().copyCount(), copies ? 3 : 1);

    // Selecting the current printer again keeps its settings.
    tvPrinterGlobal.Printer().setCopyCount(2);
    tvPrinterGlobal.SetPrinterIndex(tvPrinterGlobal.PrinterIndex());
    EXPECT_EQ(tvPrinterGlobal.Printer().copyCount(), 2);
    EXPECT_THROW(tvPrinterGlobal.SetPrinterIndex(TtvPrinter::PrinterNames().size() + 5), tv::Error);
}
