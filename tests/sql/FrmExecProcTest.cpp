// The stored-program execution window inside the real main window, against
// the test server: typing values, plain runs of functions and procedures,
// the one-window rule, a debug run refused without the extension, and the
// run from the workspace panel.
#include "sql/ExecProcTestSupport.h"

using namespace tvtest;

TEST_F(ExecProcWindow, FunctionRunsWithTypedValuesAndOneWindowPerSignature)
{
    TV_REQUIRE_DB(db);
    Start(false);
    TfrmExecProc *w = Launch("sales", "add_tax", 52, "sales.add_tax(numeric,numeric)");
    ASSERT_NE(w, nullptr);
    const QString where = QStringLiteral(" @ ") + db.params().database + QLatin1Char('/') + db.params().host +
                          QLatin1Char(':') + db.params().port;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ストアドプログラム実行 - sales.add_tax(numeric,numeric)") + where);
    EXPECT_EQ(NodeNames(w), (QStringList{"RESULT", "p", "rate"}));
    EXPECT_EQ(w->txtOutput->toPlainText(), QStringLiteral("【 デバッグ情報 】"));

    // Tab moves to the next argument.
    Type(w, "p", "100");
    QTest::keyClick(w->txtParam, Qt::Key_Tab);
    EXPECT_EQ(w->lstParam->currentItem()->text(0), QStringLiteral("rate"));
    QTest::keyClicks(w->txtParam, "0.2");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_EQ(w->qryExec->SQL(), QStringLiteral("SELECT * \n  FROM \"sales\".\"add_tax\"(100, 0.2)"));
    EXPECT_EQ(Output(w), (QStringList{"【 実行後パラメータ値 】", "RESULT : 120.0", "p : 100", "rate : 0.2"}));
    EXPECT_EQ(Messages(), QStringList{"プログラムを実行しました。"});

    // The int4 overload gets its own window; the numeric one again comes forward.
    TfrmExecProc *other = Launch("sales", "add_tax", 52, "sales.add_tax(int,int)");
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, w);
    EXPECT_TRUE(other->windowTitle().contains("add_tax(int4,int4)"));
    const int children = s.main->MdiChildren().size();
    EXPECT_EQ(Launch("sales", "add_tax", 52, "sales.add_tax(numeric,numeric)"), w);
    EXPECT_EQ(s.main->MdiChildren().size(), children);
}

TEST_F(ExecProcWindow, SetsProceduresAndFailures)
{
    TV_REQUIRE_DB(db);
    Start(false);
    // A set-returning function: every field of both rows on the result line.
    TfrmExecProc *w = Launch("sales", "orders_of", 52, "sales.orders_of(int)");
    ASSERT_NE(w, nullptr);
    Type(w, "cid", "1");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_TRUE(w->qryExec->SQL().endsWith("\"sales\".\"orders_of\"(1)"));
    EXPECT_EQ(Output(w).value(1), QStringLiteral("RESULT : 1\t1\t10\t2\t1\t20"));

    // A procedure with IN/OUT: a top-level CALL whose row gives the value back.
    TfrmExecProc *b = Launch("sales", "bump", 51, "sales.bump(int,int)");
    ASSERT_NE(b, nullptr);
    Type(b, "n", "5");
    Type(b, "k", "2");
    s.dialogs.queueButton(0);
    QTest::mouseClick(b->btnExec, Qt::LeftButton);
    EXPECT_EQ(b->qryExec->SQL(), QStringLiteral("CALL \"sales\".\"bump\"(5, 2)"));
    EXPECT_EQ(Output(b), (QStringList{"【 実行後パラメータ値 】", "n : 7", "k : 2"}));

    // Without arguments, in a block.
    TfrmExecProc *p = Launch("public", "p0", 51, "public.p0()");
    ASSERT_NE(p, nullptr);
    s.dialogs.queueButton(0);
    QTest::mouseClick(p->btnExec, Qt::LeftButton);
    EXPECT_EQ(p->qryExec->SQL(), QStringLiteral("DO $$\nBEGIN\nCALL \"public\".\"p0\"();\nEND\n$$;"));

    // A rejected value: the server's text, the values stay, no success report.
    s.dialogs.clear();
    b->lstParam->setCurrentItem(NodeOf(b, "k"));
    b->txtParam->setText("'x'");
    s.dialogs.queueButton(0);
    QTest::mouseClick(b->btnExec, Qt::LeftButton);
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().first().contains("ERROR:"));
    EXPECT_EQ(NodeOf(b, "n")->SubItems().value(1), QStringLiteral("5"));
    EXPECT_EQ(b->wExecStatus.load(), esError);
}

TEST_F(ExecProcWindow, DebugWithoutTheExtensionOpensNoSession)
{
    TV_REQUIRE_DB(db);
    Start(false);
    TfrmExecProc *w = Launch("public", "w2q2_sum", 52, "public.w2q2_sum(int)");
    ASSERT_NE(w, nullptr);
    const int before = OtherSessions();
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnDebug, Qt::LeftButton);
    EXPECT_EQ(Messages(), QStringList{"デバッグ実行に必要なパッケージが見つかりません。"});
    EXPECT_FALSE(w->RunActive());
    // A backend of a connection closed a moment ago may still be listed
    // while it exits: wait for the count to settle rather than read it once.
    EXPECT_TRUE(QTest::qWaitFor([&] { return OtherSessions() <= before; }, 15000))
        << OtherSessions() << " sessions, " << before << " before";
}

TEST_F(ExecProcWindow, EndToEndFromTheWorkSpacePanel)
{
    TV_REQUIRE_DB(db);
    s.Start(LogonArgs(db.params()));
    tvOption.TreeData = true;
    s.FirstPaint();
    s.main->show();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    TfrmMain &m = *s.main;

    // The procedures of schema sales in the object list.
    QTreeWidgetItem *root = f->tvTree->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    auto child = [](QTreeWidgetItem *p, const QString &text) -> QTreeWidgetItem * {
        for (int i = 0; p && i < p->childCount(); ++i)
            if (p->child(i)->text(0) == text)
                return p->child(i);
        return nullptr;
    };
    QTreeWidgetItem *node = child(child(root, "sales"), "PROCEDURE");
    ASSERT_NE(node, nullptr);
    f->tvTree->setCurrentItem(node);
    TtvListItem *bump = nullptr;
    for (int i = 0; i < f->lstObject->ItemCount(); ++i)
        if (f->lstObject->Item(i)->Caption() == QStringLiteral("bump"))
            bump = f->lstObject->Item(i);
    ASSERT_NE(bump, nullptr);
    bump->setSelected(true);
    // Dragged from the list, dropped on the panel.
    ASSERT_EQ(m.WorkSpaceDragSource(f->lstObject->viewport()), f);
    m.WorkSpaceDrop(f);
    ASSERT_EQ(m.lstWorkSpace->ItemCount(), 1);
    m.lstWorkSpace->Item(0)->setSelected(true);
    auto *exec = m.findChild<QAction *>(QStringLiteral("mnuWSExec"));
    ASSERT_NE(exec, nullptr);
    exec->trigger();

    TfrmExecProc *w = nullptr;
    for (QWidget *c : m.MdiChildren())
        if (auto *e = dynamic_cast<TfrmExecProc *>(c))
            w = e;
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->btnDebug->isEnabled());
    Type(w, "n", "5");
    QTest::keyClick(w->txtParam, Qt::Key_Tab);
    QTest::keyClicks(w->txtParam, "2");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_TRUE(Output(w).contains("n : 7")) << w->txtOutput->toPlainText().toStdString();
    const QSize size = w->size();

    ASSERT_TRUE(s.CloseMain());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\EXECPROC")));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Width"), 0), size.width());
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Height"), 0), size.height());
    reg.CloseKey();
}

TEST_F(ExecProcWindow, AnAggregateFromTheWorkSpaceIsRefusedWithAMessage)
{
    TV_REQUIRE_DB(db);
    Start(false);
    db.exec("CREATE AGGREGATE public.agg_sum(int) (SFUNC = int4pl, STYPE = int)");
    const int children = s.main->MdiChildren().size();
    s.dialogs.queueButton(0);
    EXPECT_EQ(Launch("public", "agg_sum", 128, "public.agg_sum(int)"), nullptr);
    EXPECT_EQ(Messages(), QStringList{"集約関数は実行できません。"});
    EXPECT_EQ(s.main->MdiChildren().size(), children);
}
