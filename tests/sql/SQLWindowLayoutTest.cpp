// The SQL window's layout without a server: the editor's height by default
// and from the stored settings.
#include "common/FormTestSupport.h"
#include "shell/ShellTestSupport.h"

#include "editor/tvMemo.h"
#include "platform/settings/tvRegistry.h"
#include "sql/frmSQL.h"

#include <QMdiSubWindow>
#include <QSplitter>
#include <QToolBar>

using namespace tvtest;

TEST(SQLWindowLayout, EditorHeightIsAQuarterByDefaultOrTheStoredHeight)
{
    const QString key = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\EXECSQL");
    const struct {
        int stored; // "SQLHeight", -1: no settings at all
        int expect; // -1: q, -2: everything below the tool bar that the result area leaves
    } cases[] = {{-1, -1}, {200, 200}, {100000, -2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        ShellSession s; // settings in a scratch folder
        FakeMainWindow main;
        main.resize(1000, 800);
        main.show();
        tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
        if (c.stored >= 0) {
            ASSERT_TRUE(reg.OpenKey(key, true));
            reg.WriteInteger(QStringLiteral("Width"), 700);
            reg.WriteInteger(QStringLiteral("Height"), 600);
            reg.WriteInteger(QStringLiteral("SQLHeight"), c.stored);
            reg.CloseKey();
        }
        auto *w = new TfrmSQL(&main);
        w->ShowForm();
        QApplication::processEvents();
        ASSERT_GT(w->height(), 200);
        const int avail = w->height() - w->tolCmd->height();
        if (c.expect == -1)
            EXPECT_EQ(w->pnlSQL->height(), avail / 4) << w->height() << " " << w->tolCmd->height();
        else if (c.expect == -2)
            EXPECT_EQ(w->pnlSQL->height(),
                      w->splSQL->height() - w->splSQL->handleWidth() - w->pnlResult->minimumHeight());
        else
            EXPECT_EQ(w->pnlSQL->height(), c.expect);
        // The editor fills the SQL panel: many lines, not one.
        EXPECT_GE(w->txtSQL->height(), w->pnlSQL->height() - 2);
        w->close();
        QApplication::processEvents();
    }
}
