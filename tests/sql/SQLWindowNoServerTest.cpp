// The SQL window without a server: the editor's height by default and from
// the stored settings; the history's index file across a restart.
#include "common/FormTestSupport.h"
#include "shell/ShellTestSupport.h"

#include "editor/tvMemo.h"
#include "platform/settings/tvRegistry.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "sql/frmSQL.h"
#include "sql/frmSQLLog.h"

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

// The index file written after a run is read back by the next start, in
// every "Encoding", also when the run ended without the normal exit.
TEST(SQLHistoryIndex, TheNextStartReadsItInEveryEncoding)
{
    for (int encoding = 0; encoding <= 4; ++encoding) {
        SCOPED_TRACE(encoding);
        ShellSession s;
        s.Start({}); // loads the options: the work folder is in the scratch folder
        tvOption.Encoding = encoding;
        tvOption.SQLBuf = 5;
        SQLLogList.clear();
        ASSERT_TRUE(sqllog::SaveEntry(QStringLiteral("select 1")));
        ASSERT_TRUE(sqllog::SaveEntry(QStringLiteral("select 'ﾃｷｽﾄ'")));
        const QStringList written = SQLLogList;
        ASSERT_EQ(written, QStringList({QStringLiteral("SQLLOG2.SQL"), QStringLiteral("SQLLOG1.SQL")}));
        // No normal exit: the next start reads the file as it is.
        s.main.reset();
        SQLLogList.clear();
        s.Start({});
        EXPECT_EQ(SQLLogList.join(u',').toStdString(), written.join(u',').toStdString());
        s.main.reset();
    }
}
