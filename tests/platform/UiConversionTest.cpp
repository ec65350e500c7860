#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/ShortCut.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace tv::ui;

TEST(UiShortCut, TextsAndIntegers)
{
    struct Case {
        const char *text;
        int shortCut;
    };
    const Case cases[] = {
        {"Ctrl+S", 0x4053},          {"Shift+F3", 0x2072},       {"Del", 0x2E},
        {"F3", 0x72},                {"Ctrl+Z", 0x405A},         {"Ctrl+-", 0x40BD},
        {"Ins", 0x2D},               {"PgUp", 0x21},             {"PgDn", 0x22},
        {"BkSp", 0x08},              {"Enter", 0x0D},            {"Esc", 0x1B},
        {"Space", 0x20},             {"Tab", 0x09},              {"Home", 0x24},
        {"End", 0x23},               {"Left", 0x25},             {"Up", 0x26},
        {"Right", 0x27},             {"Down", 0x28},             {"F12", 0x7B},
        {"Alt+0", 0x8030},           {"Shift+Ctrl+Alt+F1", 0xE070}, {"Shift+Alt+Home", 0xA024},
        {"Ctrl+Alt+9", 0xC039},      {"Ctrl+;", 0x40BA},         {"Shift+/", 0x20BF},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToShortCut(QString::fromUtf8(c.text)), c.shortCut);
        EXPECT_EQ(ShortCutToText(c.shortCut), QString::fromUtf8(c.text));
    }
}

TEST(UiShortCut, ParsingIsLenientAboutOrderAndCaseButNotAboutNames)
{
    EXPECT_EQ(TextToShortCut(QStringLiteral("Alt+Ctrl+Shift+F1")), 0xE070);
    EXPECT_EQ(TextToShortCut(QStringLiteral("ctrl+shift+s")), 0x6053);
    EXPECT_EQ(ShortCutToText(0x6053), QStringLiteral("Shift+Ctrl+S"));
    EXPECT_EQ(TextToShortCut(QStringLiteral("pgdn")), 0x22);
    for (const char *bad : {"", "Ctrl+", "Ctrl", "Delete", "Ctrl+Foo", "F13", "Shift+", "+", "S+Ctrl", " Ctrl+S"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(TextToShortCut(QString::fromUtf8(bad)), 0);
    }
    EXPECT_EQ(ShortCutToText(0), QString());
    EXPECT_EQ(ShortCutToText(0x4000 | 0x07), QString()); // no key 7
    EXPECT_EQ(ShortCutToText(0x1FF), QString());
    EXPECT_EQ(ShortCutToText(-1), QString());
}

TEST(UiShortCut, EveryNamedKeyRoundTripsThroughTextAndQt)
{
    int named = 0;
    for (int key = 1; key <= 0xFF; ++key) {
        const QString name = ShortCutToText(key);
        if (name.isEmpty())
            continue;
        ++named;
        for (int shift : {0, scShift, scCtrl, scAlt, scShift | scCtrl | scAlt}) {
            SCOPED_TRACE(testing::Message() << std::hex << (key | shift));
            const int sc = key | shift;
            EXPECT_EQ(TextToShortCut(ShortCutToText(sc)), sc);
            const QKeySequence seq = ShortCutToKeySequence(sc);
            ASSERT_FALSE(seq.isEmpty());
            EXPECT_EQ(KeySequenceToShortCut(seq), sc);
        }
    }
    EXPECT_EQ(named, 15 + 10 + 26 + 12 + 11);
}

TEST(UiShortCut, QtKeysAndKeyEvents)
{
    EXPECT_EQ(VirtualKeyToQtKey(VK_DELETE), Qt::Key_Delete);
    EXPECT_EQ(VirtualKeyToQtKey('A'), Qt::Key_A);
    EXPECT_EQ(VirtualKeyToQtKey(VK_F1 + 5), Qt::Key_F6);
    EXPECT_EQ(VirtualKeyToQtKey(0x07), Qt::Key_unknown);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Enter), VK_RETURN);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Colon), VK_OEM_1);
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Exclam), '1');
    EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Launch0), 0);
    EXPECT_EQ(ShortCutToKeySequence(0x4053), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(ShortCutToKeySequence(0x2072), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    EXPECT_TRUE(ShortCutToKeySequence(0).isEmpty());

    const QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(KeyEventToShortCut(backtab), scShift | VK_TAB);
    const QKeyEvent ctrlF6(QEvent::KeyPress, Qt::Key_F6, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(KeyEventToShortCut(ctrlF6), scCtrl | 0x75);
    // Qt reports the Shift key's own press without the Shift modifier.
    const QKeyEvent shiftOnly(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(KeyEventToShortCut(shiftOnly), VK_SHIFT);
}

TEST(UiColor, PartsSystemColoursAndNone)
{
    EXPECT_EQ(ColorToQColor(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0x00FF0000), QColor(0, 0, 255));
    EXPECT_EQ(ColorToQColor(0x00008000), QColor(0, 128, 0));
    EXPECT_EQ(ColorToQColor(clRed), QColor(Qt::red));
    EXPECT_EQ(ColorToQColor(clBlue), QColor(Qt::blue));
    EXPECT_EQ(ColorToQColor(clNavy), QColor(0, 0, 128));
    EXPECT_EQ(ColorToQColor(clAqua), QColor(0, 255, 255));
    EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56)), 0x00563412);
    EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56, 0x80)), 0x00563412);

    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_FALSE(ColorToQColor(clNone).isValid());
    EXPECT_EQ(QColorToColor(QColor()), clNone);
    EXPECT_EQ(ColorToRGB(clNone), clNone);

    EXPECT_EQ(static_cast<std::uint32_t>(clWindow), 0xFF000005u);
    EXPECT_EQ(static_cast<std::uint32_t>(clWindowText), 0xFF000008u);
    EXPECT_EQ(static_cast<std::uint32_t>(clBtnFace), 0xFF00000Fu);
    EXPECT_TRUE(IsSystemColor(clHighlight));
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_FALSE(IsSystemColor(clNone));

    // System colours follow the palette they are painted with.
    QPalette pal;
    pal.setColor(QPalette::Base, QColor(1, 2, 3));
    pal.setColor(QPalette::Text, QColor(4, 5, 6));
    pal.setColor(QPalette::Button, QColor(7, 8, 9));
    pal.setColor(QPalette::Highlight, QColor(10, 11, 12));
    pal.setColor(QPalette::HighlightedText, QColor(13, 14, 15));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(16, 17, 18));
    EXPECT_EQ(ColorToQColor(clWindow, pal), QColor(1, 2, 3));
    EXPECT_EQ(ColorToQColor(clWindowText, pal), QColor(4, 5, 6));
    EXPECT_EQ(ColorToQColor(clBtnFace, pal), QColor(7, 8, 9));
    EXPECT_EQ(ColorToQColor(clHighlight, pal), QColor(10, 11, 12));
    EXPECT_EQ(ColorToQColor(clHighlightText, pal), QColor(13, 14, 15));
    EXPECT_EQ(ColorToQColor(clGrayText, pal), QColor(16, 17, 18));
    // Without a palette: the application's.
    EXPECT_EQ(ColorToQColor(clWindow), QGuiApplication::palette().color(QPalette::Base));
    EXPECT_EQ(ColorToRGB(clWindow), QColorToColor(QGuiApplication::palette().color(QPalette::Base)));
    EXPECT_TRUE(ColorToQColor(SystemColor(200), pal).isValid());
}

TEST(UiFont, StoredNamesFallBackToAnInstalledMonospaceFont)
{
    for (const char *stored : {"ＭＳ ゴシック", "MS UI Gothic", "FixedSys", "ＭＳ 明朝", ""}) {
        SCOPED_TRACE(stored);
        const QString family = ResolveFontFamily(QString::fromUtf8(stored));
        EXPECT_FALSE(family.isEmpty());
        const QFont font = MakeFont(QString::fromUtf8(stored), 12, FontStyle::Bold | FontStyle::Italic);
        EXPECT_EQ(font.family(), family);
        EXPECT_EQ(font.pointSize(), 12);
        EXPECT_TRUE(font.bold());
        EXPECT_TRUE(font.italic());
        EXPECT_FALSE(font.underline());
        EXPECT_TRUE(family == QStringLiteral("Noto Sans Mono CJK JP") || family == QStringLiteral("DejaVu Sans Mono"))
            << family.toStdString();
        EXPECT_EQ(QFontInfo(font).family(), family);
    }
    // An installed family is used as it stands (any letter case).
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("dejavu sans mono")), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(MakeFont(QStringLiteral("FixedSys"), 0).pointSize(), 9);
}
