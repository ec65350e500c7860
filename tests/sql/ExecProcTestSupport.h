#pragma once
// The fixture of the execution-window and debugger tests: a database with
// a few programs, a logged-on main window and helpers that drive the windows.
#include "shell/ShellTestSupport.h"

#include "controls/tvListView.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/WindowLaunchers.h"
#include "sql/frmDebug.h"
#include "sql/frmExecProc.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include <iostream>


namespace tvtest {

inline const char *const kSchema = R"SQL(
CREATE SCHEMA sales;
CREATE TABLE sales.orders(id int, cid int, amount int);
INSERT INTO sales.orders VALUES (1, 1, 10), (2, 1, 20), (3, 2, 30);
CREATE FUNCTION sales.add_tax(p numeric, rate numeric) RETURNS numeric LANGUAGE sql AS 'SELECT p * (1 + rate)';
CREATE FUNCTION sales.add_tax(p int, rate int) RETURNS int LANGUAGE sql AS 'SELECT p + rate';
CREATE FUNCTION sales.orders_of(cid int) RETURNS SETOF sales.orders LANGUAGE sql
    AS 'SELECT * FROM sales.orders o WHERE o.cid = $1 ORDER BY o.id';
CREATE PROCEDURE sales.bump(INOUT n int, k int) LANGUAGE plpgsql AS $$BEGIN n := n + k; END$$;
CREATE PROCEDURE public.p0() LANGUAGE plpgsql AS $$BEGIN NULL; END$$;
CREATE FUNCTION public.w2q2_sum(n int) RETURNS int LANGUAGE plpgsql AS $$
DECLARE
  s int := 0;
  i int;
BEGIN
  FOR i IN 1..n LOOP
    s := s + i;
  END LOOP;
  RETURN s;
END
$$;
)SQL";

class ExecProcWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        tv::ui::InstallEscapeWatch();
        TfrmExecProc::RegisterLauncher();
        if (db.available())
            db.exec(kSchema);
    }

    void TearDown() override
    {
        if (HasFailure())
            for (const QString &t : s.dialogs.texts())
                std::cerr << "dialog: " << t.toStdString() << "\n";
    }

    void Start(bool debugger = true)
    {
        if (debugger)
            db.exec("CREATE EXTENSION pldbgapi");
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        ASSERT_NE(s.Form(), nullptr);
    }

    qint64 Oid(const std::string &signature) const
    {
        return QString::fromStdString(db.scalar("SELECT '" + signature + "'::regprocedure::oid")).toLongLong();
    }

    TfrmExecProc *Launch(const QString &schema, const QString &name, int type, const std::string &signature)
    {
        TLaunchContext c;
        c.Connection = s.Form();
        c.MainWindow = s.main.get();
        c.Schema = schema;
        c.ObjectName = name;
        c.ObjectType = type;
        c.OID = Oid(signature);
        return dynamic_cast<TfrmExecProc *>(::Launch(QStringLiteral("TfrmExecProc"), c));
    }

    static TtvTreeNode *NodeOf(TfrmExecProc *w, const QString &name)
    {
        for (QTreeWidgetItemIterator it(w->lstParam); *it; ++it)
            if ((*it)->text(0) == name)
                return static_cast<TtvTreeNode *>(*it);
        return nullptr;
    }
    static QStringList NodeNames(TfrmExecProc *w)
    {
        QStringList l;
        for (QTreeWidgetItemIterator it(w->lstParam); *it; ++it)
            l << (*it)->text(0);
        return l;
    }
    // Selects the node and types its value into the edit box.
    static void Type(TfrmExecProc *w, const QString &name, const QString &value)
    {
        TtvTreeNode *n = NodeOf(w, name);
        ASSERT_NE(n, nullptr) << name.toStdString();
        w->lstParam->setCurrentItem(n);
        ASSERT_TRUE(w->txtParam->isVisible());
        QTest::keyClicks(w->txtParam, value);
    }
    QStringList Output(TfrmExecProc *w) const { return w->txtOutput->toPlainText().split(QLatin1Char('\n')); }
    QStringList Messages() const { return s.dialogs.texts(); }
    int OtherSessions() const
    {
        return std::stoi(db.scalar(
            "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()"
            " AND application_name <> '" + std::string(tvtest::kProbeApplicationName) + "'"));
    }
    static int GridValueRow(TfrmDebug *d, const QString &name)
    {
        for (int r = 1; r < d->grdVariable->RowCount(); ++r)
            if (d->grdVariable->Cells(0, r) == name)
                return r;
        return -1;
    }
    // The value of a variable; with several of one name (a loop variable
    // shadowing a declared one) the last.
    static QString Var(TfrmDebug *d, const QString &name)
    {
        QString v;
        for (int r = 1; r < d->grdVariable->RowCount(); ++r)
            if (d->grdVariable->Cells(0, r) == name)
                v = d->grdVariable->Cells(2, r);
        return v;
    }
    static int RowOf(TfrmDebug *d, const QString &text)
    {
        for (int i = 0; i < d->txtSource->Lines()->Count(); ++i)
            if (d->txtSource->Lines()->Get(i).contains(text))
                return i;
        return -1;
    }
    static bool Marked(TfrmDebug *d, int row, TRowMark m)
    {
        return d->txtSource->ListRowMarks(row) & RowMarkBit(m);
    }
    // Opens the debugger on w2q2_sum(3).
    TfrmDebug *StartDebug(TfrmExecProc *&w)
    {
        w = Launch("public", "w2q2_sum", 52, "public.w2q2_sum(int)");
        EXPECT_NE(w, nullptr);
        if (!w)
            return nullptr;
        Type(w, "n", "3");
        return Debug(w);
    }
    // Clicks "&DEBUG" until the debugger shows the first stop. The server's
    // debugger gives up its wait for the target when a signal reaches its
    // process (other sessions' catalog changes or dropped databases on a
    // busy server send them); such a run ends, and the click is repeated.
    TfrmDebug *Debug(TfrmExecProc *w)
    {
        const auto before = s.dialogs.texts().size();
        for (int attempt = 0; attempt < 5; ++attempt) {
            QTest::mouseClick(w->btnDebug, Qt::LeftButton);
            if (w->FDebug)
                break;
            const QStringList shown = s.dialogs.texts().mid(before);
            if (shown.size() != 1 || shown.first() != QStringLiteral("ERROR: select() failed waiting for target"))
                break;
            if (!PollUntil([&] { return !w->RunActive(); }))
                break;
            s.dialogs.clear();
        }
        EXPECT_TRUE(w->FDebug);
        return w->FDebug;
    }

    TestDb db{"execproc"};
    ShellSession s;
};

} // namespace tvtest
