// The column picker against the test server, driven as a user would: the
// caller's names (plain or quoted) choose columns, moves between the lists,
// and what "選択(&S)" and "閉じる(&X)" hand back.
#include "shell/ShellTestSupport.h"

#include "shell/ModalSteps.h"
#include "sql/frmFieldList.h"

#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

using namespace tvtest;

namespace {

QStringList Texts(const QListWidget *l)
{
    QStringList t;
    for (int i = 0; i < l->count(); ++i)
        t << l->item(i)->text();
    return t;
}

class FieldList : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!db.available())
            return;
        db.exec("CREATE SCHEMA sales;"
                "CREATE TABLE sales.customer(id int PRIMARY KEY, gone int, name text, \"Note\" text);"
                "ALTER TABLE sales.customer DROP COLUMN gone;"
                "CREATE TABLE sales.measure(ts timestamp, v int) PARTITION BY RANGE (ts);");
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        ASSERT_NE(s.Form(), nullptr);
    }
    // Runs the picker with `act` on the dialog; returns whether it changed the list.
    bool Pick(const QString &table, QStringList &list, std::function<void(TfrmFieldList *)> act)
    {
        ModalSteps steps({{QStringLiteral("frmFieldList"), [act](QWidget *w) { act(static_cast<TfrmFieldList *>(w)); }}});
        const bool changed = TfrmFieldList::ShowWindow(s.Form(), QStringLiteral("sales"), table, list);
        EXPECT_TRUE(steps.finished());
        return changed;
    }

    TestDb db{"pick"};
    ShellSession s;
};

} // namespace

TEST(FieldListSQL, RelationKindsByServerVersion)
{
    EXPECT_TRUE(TfrmFieldList::FieldListSQL(90200).contains(QStringLiteral("IN  ( 'r','v','t','f' )")));
    EXPECT_TRUE(TfrmFieldList::FieldListSQL(90300).contains(QStringLiteral("IN  ( 'r','v','t','f','m' )")));
    EXPECT_TRUE(TfrmFieldList::FieldListSQL(150000).contains(QStringLiteral("IN  ( 'r','v','t','f','m','p' )")));
}

TEST_F(FieldList, ChosenNamesComeBackInTheRelationsOrder)
{
    TV_REQUIRE_DB(db);
    QStringList list{QStringLiteral("\"name\""), QStringLiteral("id")};
    const bool changed = Pick(QStringLiteral("customer"), list, [](TfrmFieldList *d) {
        EXPECT_EQ(Texts(d->lstSelect), (QStringList{"id", "name"}));
        EXPECT_EQ(Texts(d->lstAll), QStringList{"Note"});
        EXPECT_TRUE(d->windowTitle().startsWith(QStringLiteral("項目一覧 - ")));
        QTest::mouseClick(d->btnSelect, Qt::LeftButton);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(list, (QStringList{"id", "name"}));

    // Moving names: a double-click adds, Delete removes, the list order is
    // the order of moving.
    list = QStringList{QStringLiteral("id")};
    Pick(QStringLiteral("customer"), list, [](TfrmFieldList *d) {
        d->lstAll->item(1)->setSelected(true); // "Note"
        QTest::mouseClick(d->btnIns, Qt::LeftButton);
        EXPECT_EQ(Texts(d->lstSelect), (QStringList{"id", "Note"}));
        d->lstSelect->clearSelection();
        d->lstSelect->item(0)->setSelected(true);
        d->lstSelect->setFocus();
        QTest::keyClick(d->lstSelect, Qt::Key_Delete);
        EXPECT_EQ(Texts(d->lstSelect), QStringList{"Note"});
        EXPECT_EQ(Texts(d->lstAll), (QStringList{"name", "id"}));
        QTest::mouseClick(d->btnSelect, Qt::LeftButton);
    });
    EXPECT_EQ(list, QStringList{"Note"});
}

TEST_F(FieldList, NothingChosenOrClosedKeepsTheList)
{
    TV_REQUIRE_DB(db);
    QStringList list{QStringLiteral("id")};
    EXPECT_FALSE(Pick(QStringLiteral("customer"), list, [](TfrmFieldList *d) {
        QTest::mouseClick(d->btnDelAll, Qt::LeftButton);
        EXPECT_EQ(d->lstSelect->count(), 0);
        QTest::mouseClick(d->btnSelect, Qt::LeftButton);
    }));
    EXPECT_EQ(list, QStringList{"id"});
    EXPECT_FALSE(Pick(QStringLiteral("customer"), list, [](TfrmFieldList *d) {
        QTest::mouseClick(d->btnInsAll, Qt::LeftButton);
        QTest::mouseClick(d->btnExit, Qt::LeftButton);
    }));
    EXPECT_EQ(list, QStringList{"id"});

    // With every column already chosen, all are offered and none chosen; a
    // partitioned table lists its columns.
    QStringList all{QStringLiteral("ts"), QStringLiteral("v")};
    Pick(QStringLiteral("measure"), all, [](TfrmFieldList *d) {
        EXPECT_EQ(Texts(d->lstSelect), QStringList{});
        EXPECT_EQ(Texts(d->lstAll), (QStringList{"ts", "v"}));
        QTest::mouseClick(d->btnExit, Qt::LeftButton);
    });
}
