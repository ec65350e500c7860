// The text page layout: lines into pages with the title above and the page
// number below the text area, page numbering per source, blank lines, long
// lines and areas too low for one line, read back from the recorded pages.
#include "PrintTestSupport.h"
#include "controls/PrintHost.h"
#include "controls/frmPrint.h"
#include "controls/tvPrinter.h"

#include <QFontMetricsF>
#include <QPicture>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <functional>

using namespace tvprinttest;

namespace {

// One recorded page split into the parts the layout draws.
struct PageParts {
    std::vector<TextDraw> title;  // above the text area
    std::vector<TextDraw> body;   // inside it
    std::vector<TextDraw> number; // below it
    QString bodyText() const
    {
        QString s;
        for (const TextDraw &d : body)
            s += d.text;
        return s;
    }
    QString numberText() const
    {
        QString s;
        for (const TextDraw &d : number)
            s += d.text;
        return s.trimmed();
    }
};

struct Layout : ::testing::Test {
    PdfPrinterScope printer;

    Layout() { tvPrintOption.FontName = QStringLiteral("DejaVu Sans Mono"); }
    ~Layout() override
    {
        if (prtData.Printing())
            prtData.EndDoc();
    }

    int AreaWidth() const
    {
        return tvPrinterGlobal.GetPrintableWidth(tvPrintOption.MMLeftMargin, tvPrintOption.MMRightMargin);
    }
    int AreaHeight() const
    {
        return tvPrinterGlobal.GetPrintableHeight(tvPrintOption.MMTopMargin, tvPrintOption.MMBottomMargin);
    }
    QFont Font() const { return prtData.CanvasFont(tvPrintOption.FontName, tvPrintOption.FontSize); }

    // Records one job made by `work` between BeginPrint and EndPrint.
    static void Record(const std::function<void()> &work)
    {
        TfrmPrint::BeginPrint();
        try {
            work();
        } catch (...) {
            TfrmPrint::EndPrint();
            throw;
        }
        TfrmPrint::EndPrint();
    }

    PageParts Page(int index) const
    {
        PageParts parts;
        const int height = AreaHeight();
        for (const TextDraw &d : TextDraws(prtData.GetPage(index))) {
            if (d.pos.y() < 0)
                parts.title.push_back(d);
            else if (d.pos.y() > height)
                parts.number.push_back(d);
            else
                parts.body.push_back(d);
        }
        return parts;
    }

    QStringList PageNumbers() const
    {
        QStringList out;
        for (int i = 0; i < prtData.PageCount(); ++i)
            out << Page(i).numberText();
        return out;
    }

    QString AllBodyText() const
    {
        QString s;
        for (int i = 0; i < prtData.PageCount(); ++i)
            s += Page(i).bodyText();
        return s;
    }
};

QStringList Lines(int count, const QString &prefix)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << prefix + QString::number(i);
    return out;
}

QString WithoutBlanks(QString s)
{
    s.remove(QRegularExpression(QStringLiteral("\\s")));
    return s;
}

QStringList Sequence(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

} // namespace

TEST_F(Layout, PageNumbersStartAgainForEachSourceWhenAsked)
{
    const QStringList first = Lines(150, QStringLiteral("first "));
    const QStringList second = Lines(100, QStringLiteral("second "));

    Record([&] {
        TfrmPrint::PrintSource(QStringLiteral("A"), first, true);
        TfrmPrint::PrintSource(QStringLiteral("B"), second, true);
    });
    const int pages = prtData.PageCount();
    int firstPages = 0;
    while (firstPages < pages && Page(firstPages).bodyText().startsWith(QLatin1String("first")))
        ++firstPages;
    ASSERT_GE(firstPages, 2);
    ASSERT_GE(pages - firstPages, 2);
    EXPECT_EQ(PageNumbers(), Sequence(1, firstPages) + Sequence(1, pages - firstPages));
    // Each source's pages carry its own title.
    EXPECT_EQ(Page(0).title.at(0).text, QStringLiteral("A"));
    EXPECT_EQ(Page(pages - 1).title.at(0).text, QStringLiteral("B"));
    // Every line is printed once, in order.
    EXPECT_EQ(WithoutBlanks(AllBodyText()), WithoutBlanks((first + second).join(QString())));

    // Without the reset the numbers run on through the job.
    Record([&] {
        TfrmPrint::PrintSource(QStringLiteral("A"), first, true);
        TfrmPrint::PrintSource(QStringLiteral("B"), second, false);
    });
    EXPECT_EQ(PageNumbers(), Sequence(1, pages));
}

TEST_F(Layout, BlankLinesFinishNoPage)
{
    // A job of blank sources holds the one page the job opened, empty.
    Record([&] {
        TfrmPrint::PrintSource(QStringLiteral("T"), {}, true);
        TfrmPrint::PrintSource(QStringLiteral("T"), {QString(), QString(), QString()}, true);
    });
    ASSERT_EQ(prtData.PageCount(), 1);
    EXPECT_TRUE(TextDraws(prtData.GetPage(0)).empty());

    // Blank lines before the first text vanish; the first page is the job's.
    Record([&] {
        TfrmPrint::PrintSource(QStringLiteral("T"), {QString()}, true);
        TfrmPrint::PrintSource(QStringLiteral("T"), {QString(), QString(), QStringLiteral("first"),
                                                     QString(), QStringLiteral("second")},
                               true);
    });
    ASSERT_EQ(prtData.PageCount(), 1);
    const PageParts page = Page(0);
    ASSERT_EQ(page.body.size(), 2u);
    EXPECT_EQ(page.body[0].text, QStringLiteral("first"));
    EXPECT_EQ(page.numberText(), QStringLiteral("1"));
    // The blank line between the two stays: the second line stands two lines down.
    const qreal line = page.body[1].pos.y() - page.body[0].pos.y();
    EXPECT_GT(line, 1.5 * QFontMetricsF(Font()).height());
}

TEST_F(Layout, TitleAboveAndPageNumberBelowTheTextArea)
{
    Record([&] { TfrmPrint::PrintSource(QStringLiteral("TITLE"), {QStringLiteral("body")}, true); });
    const PageParts page = Page(0);
    ASSERT_EQ(page.title.size(), 1u);
    ASSERT_EQ(page.number.size(), 1u);
    ASSERT_EQ(page.body.size(), 1u);

    QPicture reference;
    const QFontMetricsF fm(Font(), &reference);
    const qreal H = fm.height();
    const qreal width = AreaWidth();
    // The title stands centred in the band from 2 H above the area to its top.
    EXPECT_NEAR(page.title[0].pos.y(), -2 * H + fm.ascent(), 2);
    EXPECT_NEAR(page.title[0].pos.x(), (width - fm.horizontalAdvance(QStringLiteral("TITLE"))) / 2, 2);
    // The page number centred in the band from the area's bottom to 2 H below.
    EXPECT_NEAR(page.number[0].pos.y(), AreaHeight() + fm.ascent(), 2);
    EXPECT_NEAR(page.number[0].pos.x(), (width - fm.horizontalAdvance(QStringLiteral("1"))) / 2, 2);
    // The text starts at the area's top-left corner.
    EXPECT_NEAR(page.body[0].pos.x(), 0, 1);
    EXPECT_GT(page.body[0].pos.y(), 0);
    EXPECT_LT(page.body[0].pos.y(), H);
}

TEST_F(Layout, TitlesStandCentredAsOneLine)
{
    // Tabs and line breaks of a title stand as spaces; a title wider than
    // the area is still centred on it (and clipped to its band).
    QPicture reference;
    const QFontMetricsF fm(Font(), &reference);
    const QString wide = QStringLiteral("public.") + QString(400, QLatin1Char('x'));
    const struct {
        QString title, shown;
    } cases[] = {{QStringLiteral("a\tb\r\nc"), QStringLiteral("a b  c")}, {wide, wide}};
    for (const auto &c : cases) {
        Record([&] { TfrmPrint::PrintSource(c.title, {QStringLiteral("body")}, true); });
        const PageParts page = Page(0);
        ASSERT_EQ(page.title.size(), 1u) << qPrintable(c.shown);
        EXPECT_EQ(page.title[0].text, c.shown);
        EXPECT_NEAR(page.title[0].pos.x(), (AreaWidth() - fm.horizontalAdvance(c.shown)) / 2, 2) << qPrintable(c.shown);
        EXPECT_NEAR(page.title[0].pos.y(), -2 * fm.height() + fm.ascent(), 2) << qPrintable(c.shown);
    }
}

TEST_F(Layout, LongLinesAreBrokenWithoutLosingText)
{
    struct Case {
        const char *what;
        QString line;
    };
    QString letters, words;
    for (int i = 0; i < 30000; ++i)
        letters += QChar(u'a' + i % 26);
    for (int i = 0; i < 4000; ++i)
        words += QStringLiteral("word%1 ").arg(i % 100);
    const Case cases[] = {{"one word", letters}, {"many words", words}};
    for (const Case &c : cases) {
        Record([&] { TfrmPrint::PrintSource(QStringLiteral("T"), {c.line}, true); });
        EXPECT_GE(prtData.PageCount(), 3) << c.what;
        EXPECT_EQ(WithoutBlanks(AllBodyText()), WithoutBlanks(c.line)) << c.what;
        // Nothing of the text stands below the area.
        for (int i = 0; i < prtData.PageCount(); ++i)
            for (const TextDraw &d : Page(i).body)
                EXPECT_LE(d.pos.y(), AreaHeight()) << c.what;
    }
}

TEST_F(Layout, AreaLowerThanOneLineStillMovesOn)
{
    tvPrintOption.MMTopMargin = 147;
    tvPrintOption.MMBottomMargin = 147;
    ASSERT_GT(AreaHeight(), 0);
    ASSERT_LT(AreaHeight(), QFontMetricsF(Font()).height());
    Record([&] { TfrmPrint::PrintSource(QStringLiteral("T"), {QStringLiteral("abc")}, true); });
    ASSERT_EQ(prtData.PageCount(), 3);
    // Each page holds its title, one character and its number (the line is
    // lower than the area, so its baseline may stand below it).
    for (int i = 0; i < 3; ++i) {
        QStringList texts;
        for (const TextDraw &d : TextDraws(prtData.GetPage(i)))
            texts << d.text;
        texts.sort();
        EXPECT_EQ(texts, (QStringList{QString::number(i + 1), QStringLiteral("T"), QString(QChar(u'a' + i))}));
    }
}

TEST_F(Layout, TabsStandAtTheTabLength)
{
    struct TabHost : TPrintHost {
        int tabs = 8;
        int TabSpaceCount() const override { return tabs; }
    } host;
    ScopedPrintHost use(&host);
    QPicture reference;
    const qreal average = QFontMetricsF(Font(), &reference).averageCharWidth();
    for (int tabs : {8, 4}) {
        host.tabs = tabs;
        Record([&] { TfrmPrint::PrintSource(QStringLiteral("T"), {QStringLiteral("a\tb")}, true); });
        const PageParts page = Page(0);
        ASSERT_EQ(page.body.size(), 2u) << tabs;
        EXPECT_EQ(page.body[1].text, QStringLiteral("b"));
        EXPECT_NEAR(page.body[1].pos.x(), tabs * average, 2) << tabs;
    }
}
