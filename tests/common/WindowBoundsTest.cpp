// Window place and size kept in the settings store: every value missing keeps
// the widget's own, the smallest size is kept up, a maximized window saves
// nothing when only the normal state counts.
#include "common/WindowBounds.h"
#include "platform/settings/tvRegistry.h"
#include "support/ScratchDir.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\BOUNDSTEST");

class WindowBounds : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;

    void SetUp() override { tv::settings::ReleaseSharedRegistry(); }
    void TearDown() override { tv::settings::ReleaseSharedRegistry(); }

    static void Write(const QString &name, int value)
    {
        auto &reg = tv::settings::tvRegistry();
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteInteger(name, value);
        reg.CloseKey();
    }
};

TEST_F(WindowBounds, MissingKeyChangesNothingAndSavedBoundsComeBack)
{
    QWidget w;
    w.setGeometry(10, 20, 300, 200);
    LoadWindowBounds(w, kKey);
    EXPECT_EQ(w.geometry(), QRect(10, 20, 300, 200));
    EXPECT_FALSE(tv::settings::tvRegistry().KeyExists(kKey));

    w.setGeometry(30, 40, 320, 240);
    SaveWindowBounds(w, kKey);
    EXPECT_FALSE(tv::settings::tvRegistry().HasCurrentKey());

    QWidget other;
    other.setGeometry(0, 0, 100, 100);
    LoadWindowBounds(other, kKey);
    EXPECT_EQ(other.geometry(), QRect(30, 40, 320, 240));
    EXPECT_FALSE(tv::settings::tvRegistry().HasCurrentKey());
}

TEST_F(WindowBounds, SizeOnlyKeepsThePlaceAndRaisesASmallSize)
{
    Write(QStringLiteral("Left"), 500);
    Write(QStringLiteral("Width"), 50);
    QWidget w;
    w.setGeometry(10, 20, 300, 200);
    LoadWindowBounds(w, kKey, {.Position = false, .Minimum = QSize(200, 150)});
    EXPECT_EQ(w.geometry(), QRect(10, 20, 200, 200)); // Height missing: the widget's own

    w.resize(260, 180);
    SaveWindowBounds(w, kKey, {.Position = false});
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Width"), 0), 260);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Height"), 0), 180);
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Top")));
    reg.CloseKey();
}

TEST_F(WindowBounds, NormalStateOnlySavesNothingWhileMaximized)
{
    QWidget w;
    w.resize(260, 180);
    w.setWindowState(Qt::WindowMaximized);
    SaveWindowBounds(w, kKey, {.Position = false, .NormalStateOnly = true});
    EXPECT_FALSE(tv::settings::tvRegistry().KeyExists(kKey));
    SaveWindowBounds(w, kKey, {.Position = false});
    EXPECT_TRUE(tv::settings::tvRegistry().KeyExists(kKey));
}

} // namespace
