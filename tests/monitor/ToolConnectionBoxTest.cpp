// The connection box of the data-tool and monitoring windows, with two
// connections to two databases: each window opened from its menu shows the
// box at the end of its tool bar, lists both connections with its own
// selected, and moves to the other connection when the user picks it.
#include "shell/ShellTestSupport.h"

#include "monitor/MonitorLaunchers.h"
#include "tools/frmExp.h"
#include "tools/frmImp.h"
#include "tools/frmLoader.h"
#include "tools/tvToolForm.h"
#include "controls/tvListView.h"

#include <QComboBox>
#include <QLabel>
#include <QToolBar>

using namespace tvtest;

namespace {

class ToolConnectionBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterMonitorWindows();
        TfrmExp::RegisterLauncher();
        TfrmImp::RegisterLauncher();
        TfrmLoader::RegisterLauncher();
    }

    TestDb db1{"tcbox"};
    TestDb db2{"tcbox"};
    ShellSession s;
};

// The tool window of that caption, or null.
TtvToolForm *ToolWindow(TfrmMain &m, const QString &caption)
{
    return static_cast<TtvToolForm *>(
        m.FindWindow([](QWidget *x) { return dynamic_cast<TtvToolForm *>(x) != nullptr; }, caption, false));
}

// Whether the widget is shown in full inside the window (not clipped by a
// parent, not moved into a tool bar's overflow).
bool ShownInside(QWidget *w, QWidget *window)
{
    if (!w->isVisibleTo(window) || w->width() <= 0)
        return false;
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        const QRect pr(p->mapTo(window, QPoint(0, 0)), p->size());
        if (!pr.contains(r))
            return false;
    }
    return window->rect().contains(r);
}

} // namespace

TEST_F(ToolConnectionBox, EveryToolWindowShowsAndFollowsItsConnectionBox)
{
    TV_REQUIRE_DB(db1);
    // A table only the second database has: the windows that list tables
    // read it after the change.
    db2.exec("CREATE TABLE tcbox_only_second (id int)");
    // The SQL capture reads the statement statistics of either database.
    for (const TestDb *d : {&db1, &db2})
        d->exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public");
    s.Start(LogonArgs(db1.params()));
    s.FirstPaint();
    ASSERT_TRUE(s.ShowMain());
    TfrmObject *a = s.Form(0);
    ASSERT_NE(a, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    const DbParams &p = db2.params();
    TfrmObject *b = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(b, nullptr);
    const QString textA = a->ConnectionText(), textB = b->ConnectionText();
    ASSERT_NE(textA, textB);

    const struct {
        const char *action;
        QString title;
    } cases[] = {
        {"actAdminLock", QStringLiteral("ロック情報 - ")},
        {"actAdminSession", QStringLiteral("セッション情報 - ")},
        {"actAdminDatabase", QStringLiteral("サーバ情報 - ")},
        {"actAdminExport", QStringLiteral("バックアップ - ")},
        {"actAdminImport", QStringLiteral("リストア - ")},
        {"actAdminLoad", QStringLiteral("ロード - ")},
        {"actViewSQLCatch", QStringLiteral("SQLキャッチ - ")},
        {"actAdminPerform", QStringLiteral("パフォーマンス情報 - ")},
        {"actToolIndexAdviser", QStringLiteral("インデックスアドバイザ - ")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        // Opened from the menu for the first connection.
        s.main->SelectConnection(textA);
        ASSERT_EQ(s.main->CurrentForm(), a);
        QAction *act = s.main->Action(QString::fromLatin1(c.action));
        ASSERT_NE(act, nullptr);
        act->trigger();
        TtvToolForm *w = ToolWindow(*s.main, c.title + textA);
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        QCoreApplication::processEvents();

        // The box stands in full after the label at the end of the tool bar.
        QComboBox *box = w->cmbDBName;
        EXPECT_TRUE(ShownInside(box, w));
        auto *label = w->tolCmd->findChild<QLabel *>(QStringLiteral("lblDBName"));
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(label->text().endsWith(QStringLiteral("データベース")));
        EXPECT_TRUE(ShownInside(label, w));
        EXPECT_GT(box->mapTo(w, QPoint(0, 0)).x(), label->mapTo(w, QPoint(0, 0)).x());
        // Both connections, the window's own selected.
        ASSERT_EQ(box->count(), 2);
        EXPECT_EQ(box->currentText().section(QStringLiteral(":"), 0, 1), textA.section(QStringLiteral(":"), 0, 1));
        EXPECT_EQ(w->OwnerForm(), a);

        // The user picks the other connection with the keyboard.
        box->setFocus();
        const int target = box->currentIndex() == 0 ? 1 : 0;
        QTest::keyClick(box, target == 1 ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(box->currentIndex(), target);
        EXPECT_EQ(w->OwnerForm(), b) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(w->windowTitle(), c.title + textB);
        EXPECT_EQ(ToolWindow(*s.main, c.title + textA), nullptr);

        // The windows that offer tables now offer those of the second database.
        if (auto *loader = dynamic_cast<TfrmLoader *>(w)) {
            bool listed = false;
            for (int i = 0; i < loader->lstAllTo->ItemCount(); ++i)
                listed = listed || loader->lstAllTo->Item(i)->SubItem(0) == QLatin1String("tcbox_only_second");
            EXPECT_TRUE(listed);
        }
        w->Close();
        QCoreApplication::processEvents();
    }
}
