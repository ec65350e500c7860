// Change-tracking input controls: typing, the numeric filter, values and
// focus movement, driven with keys as a user would.
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioButton.h"
#include "controls/tvStrEdit.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

// A shown, active window holding three controls in focus order.
template <typename T>
struct Form {
    QWidget w;
    T *before = new T(&w);
    T *ctl = new T(&w);
    T *after = new T(&w);
    Form()
    {
        auto *lay = new QVBoxLayout(&w);
        lay->addWidget(before);
        lay->addWidget(ctl);
        lay->addWidget(after);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        ctl->setFocus();
    }
};

TEST(TtvNumEdit, FiltersTypedText)
{
    struct Case {
        const char *typed;
        bool allowMinus;
        const char *expected;
    } cases[] = {
        {"1a2", false, "12"}, {"1.2.3", false, "12.3"}, {"-5", false, "5"},
        {"5-", true, "-5"},   {"-5", true, "-5"},       {"x", false, ""},
    };
    for (const Case &c : cases) {
        TtvNumEdit e;
        e.SetAllowMinus(c.allowMinus);
        QTest::keyClicks(&e, QString::fromLatin1(c.typed));
        EXPECT_EQ(e.text(), QString::fromLatin1(c.expected)) << c.typed;
    }
}

TEST(TtvNumEdit, ChangeEventSeesOnlyFilteredText)
{
    TtvNumEdit e;
    QStringList seen;
    e.OnChange = [&](QObject *) { seen << e.text(); };
    QTest::keyClicks(&e, QStringLiteral("1a"));
    EXPECT_EQ(seen, QStringList({"1", "1"}));
}

TEST(TtvNumEdit, ValuesRoundHalfToEvenAndKeepEmptyBoxEmpty)
{
    TtvNumEdit e;
    const std::pair<const char *, int> cases[] = {{"2.5", 2}, {"3.5", 4}, {"", 0}, {"0.5", 0}, {"7", 7}};
    for (auto [text, v] : cases) {
        e.setText(QString::fromLatin1(text));
        EXPECT_EQ(e.ValueInt(), v) << text;
    }
    e.setText(QString());
    e.SetValueInt(0);
    EXPECT_EQ(e.text(), QString());
    e.SetValueFloat(0.0);
    EXPECT_EQ(e.text(), QString());
    e.setText(QStringLiteral("7"));
    e.SetValueInt(0);
    EXPECT_EQ(e.text(), QStringLiteral("0"));
    e.SetValueFloat(2.25);
    EXPECT_EQ(e.text(), QStringLiteral("2.25"));
    EXPECT_DOUBLE_EQ(e.ValueFloat(), 2.25);
    // A large value stays the same number (no exponent for the filter to mangle).
    e.SetValueFloat(1e20);
    EXPECT_DOUBLE_EQ(e.ValueFloat(), 1e20);
}

TEST(TtvStrEdit, TracksChangesAndBlankText)
{
    TtvStrEdit e;
    e.setText(QStringLiteral("abc"));
    e.Save();
    QTest::keyClick(&e, Qt::Key_X);
    EXPECT_TRUE(e.IsChanged());
    QTest::keyClick(&e, Qt::Key_Backspace);
    EXPECT_FALSE(e.IsChanged());
    e.setText(QStringLiteral("ABC"));
    EXPECT_TRUE(e.IsChanged()); // case matters
    e.setText(QStringLiteral(" \t "));
    EXPECT_TRUE(e.IsNull());
    e.setText(QStringLiteral(" a "));
    EXPECT_FALSE(e.IsNull());
}

TEST(TtvStrEdit, EnterAndArrowsMoveTheFocus)
{
    Form<TtvStrEdit> f;
    f.ctl->setText(QStringLiteral("abc"));
    f.ctl->setFocus();
    f.ctl->end(false);
    QTest::keyClick(f.ctl, Qt::Key_Return);
    EXPECT_TRUE(f.after->hasFocus());

    f.ctl->setFocus();
    f.ctl->setSelection(1, 2); // caret at the end, selection starting earlier
    QTest::keyClick(f.ctl, Qt::Key_Right);
    EXPECT_TRUE(f.ctl->hasFocus());
    f.ctl->deselect();
    f.ctl->end(false);
    QTest::keyClick(f.ctl, Qt::Key_Right);
    EXPECT_TRUE(f.after->hasFocus());

    f.ctl->setFocus();
    f.ctl->setCursorPosition(1);
    QTest::keyClick(f.ctl, Qt::Key_Left);
    EXPECT_TRUE(f.ctl->hasFocus());
    QTest::keyClick(f.ctl, Qt::Key_Left);
    EXPECT_TRUE(f.before->hasFocus());

    f.ctl->setFocus();
    QTest::keyClick(f.ctl, Qt::Key_Up);
    EXPECT_TRUE(f.before->hasFocus());

    f.ctl->setFocus();
    f.ctl->WantArrow = false;
    QTest::keyClick(f.ctl, Qt::Key_Down);
    EXPECT_TRUE(f.ctl->hasFocus());
}

TEST(TtvStrEdit, AutoSaveOnEntryAndWantTabs)
{
    Form<TtvStrEdit> f;
    f.after->setText(QStringLiteral("loaded"));
    f.after->AutoSave = true;
    f.after->setFocus();
    EXPECT_EQ(f.after->SaveValue, QStringLiteral("loaded"));
    EXPECT_FALSE(f.after->IsChanged());

    f.ctl->setFocus();
    f.ctl->WantTabs = true;
    QTest::keyClick(f.ctl, Qt::Key_Tab);
    EXPECT_TRUE(f.ctl->hasFocus());
    EXPECT_EQ(f.ctl->text(), QStringLiteral("\t"));
}

TEST(TtvComboBox, EnterInDroppedListTakesItemAndMovesOn)
{
    Form<TtvComboBox> f;
    f.ctl->addItems({"one", "two"});
    f.ctl->SetStyle(TtvComboBox::csDropDownList);
    f.ctl->setFocus();
    f.ctl->showPopup();
    QTest::keyClick(f.ctl->view(), Qt::Key_Down);
    QTest::keyClick(f.ctl->view(), Qt::Key_Return);
    EXPECT_TRUE(f.after->hasFocus());
    EXPECT_EQ(f.ctl->Text(), QStringLiteral("two"));
}

TEST(TtvComboBox, TracksTextAndLeavesAtEnds)
{
    Form<TtvComboBox> f;
    EXPECT_EQ(f.ctl->maxVisibleItems(), 20);
    f.ctl->SetText(QStringLiteral("ab"));
    f.ctl->Save();
    QTest::keyClick(f.ctl, Qt::Key_C);
    EXPECT_TRUE(f.ctl->IsChanged());
    QTest::keyClick(f.ctl, Qt::Key_Backspace);
    EXPECT_FALSE(f.ctl->IsChanged());
    QTest::keyClick(f.ctl, Qt::Key_Right);
    EXPECT_TRUE(f.after->hasFocus());
}

TEST(TtvCheckBox, GrayedSavedStateIsChangedUntilGrayedAgain)
{
    TtvCheckBox c;
    c.SetAllowGrayed(true);
    c.SetState(Qt::PartiallyChecked);
    c.Save();
    c.SetState(Qt::Unchecked);
    EXPECT_TRUE(c.IsChanged());
    c.SetState(Qt::Checked);
    EXPECT_TRUE(c.IsChanged());
    c.SetState(Qt::PartiallyChecked);
    EXPECT_FALSE(c.IsChanged());
}

TEST(TtvRadioButton, TracksChecked)
{
    Form<TtvRadioButton> f;
    for (TtvRadioButton *b : {f.before, f.ctl, f.after})
    {
        b->setAutoExclusive(false); // unchecked exclusive buttons take no tab focus
        b->setFocusPolicy(Qt::StrongFocus); // the offscreen platform gives buttons no tab focus
    }
    f.ctl->AutoSave = true;
    f.ctl->setFocus();
    f.before->setFocus();
    f.ctl->setFocus(); // saved on entry: unchecked
    QTest::keyClick(f.ctl, Qt::Key_Space);
    EXPECT_TRUE(f.ctl->Checked());
    EXPECT_TRUE(f.ctl->IsChanged());
    QTest::keyClick(f.ctl, Qt::Key_Return);
    EXPECT_TRUE(f.after->hasFocus());
}

TEST(TtvListBox, SelectAllOnlyInMultiSelect)
{
    TtvListBox l;
    l.addItems({"a", "b", "c"});
    l.selectAll();
    EXPECT_TRUE(l.selectedItems().isEmpty());
    l.SetMultiSelect(true);
    l.selectAll();
    EXPECT_EQ(l.selectedItems().size(), 3);
}

} // namespace
