// The sequence window against the test server, started as the program
// starts: opened through the dispatcher and "新規シーケンス"; compiled
// through the preview and the execution dialog; scripted without a window.
// The DDL builders alone come first.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"
#include "objects/other/OtherWindowTestSupport.h"

#include "controls/tvCheckBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/SequenceDefinition.h"
#include "objects/other/frmSeq.h"
#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QTabWidget>
#include <QTimer>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

TSequenceDefinition Loaded()
{
    TSequenceDefinition d;
    d.Schema = QStringLiteral("s1");
    d.Name = QStringLiteral("q");
    d.LastValue = QStringLiteral("7");
    d.MinValue = QStringLiteral("1");
    d.MaxValue = QStringLiteral("9223372036854775807");
    d.Increment = QStringLiteral("1");
    d.Cache = QStringLiteral("1");
    return d;
}

} // namespace

// One change of the window at a time, against what was loaded.
TEST(SequenceDDL, AlterCarriesOnlyWhatChanged)
{
    struct Case {
        const char *what;
        std::function<void(TSequenceDefinition &)> edit;
        QStringList lines;
    };
    const QString head = QStringLiteral("ALTER SEQUENCE \"s1\".\"q\"");
    const QList<Case> cases = {
        {"nothing", [](TSequenceDefinition &) {}, {}},
        {"increment", [](TSequenceDefinition &d) { d.Increment = QStringLiteral("5"); },
         {head, QStringLiteral("INCREMENT 5"), QStringLiteral(";")}},
        {"cache cleared", [](TSequenceDefinition &d) { d.Cache.clear(); },
         {head, QStringLiteral("CACHE 1"), QStringLiteral(";")}},
        {"NoMaxValue unticked, maximum untouched", [](TSequenceDefinition &d) { d.NoMax = false; }, {}},
        {"maximum given", [](TSequenceDefinition &d) {
             d.NoMax = false;
             d.MaxValue = QStringLiteral("100");
         },
         {head, QStringLiteral("MAXVALUE 100"), QStringLiteral(";")}},
        {"minimum and cycle", [](TSequenceDefinition &d) {
             d.NoMin = false;
             d.MinValue = QStringLiteral("-5");
             d.Cycle = true;
         },
         {head, QStringLiteral("MINVALUE -5"), QStringLiteral("CYCLE "), QStringLiteral(";")}},
        {"owned by a column", [](TSequenceDefinition &d) {
             d.Owned = true;
             d.OwnerTable = QStringLiteral("t");
             d.OwnerColumn = QStringLiteral("Id");
         },
         {head, QStringLiteral("OWNED BY \"s1\".\"t\".\"Id\""), QStringLiteral(";")}},
        {"last value: set in place", [](TSequenceDefinition &d) { d.LastValue = QStringLiteral("50"); },
         {QStringLiteral("SELECT setval('\"s1\".\"q\"', 50)"), QStringLiteral(";")}},
    };
    for (const Case &c : cases) {
        TSequenceDefinition now = Loaded();
        c.edit(now);
        QStringList lines;
        SequenceDDL::Alter(Loaded(), now, lines);
        EXPECT_EQ(lines, c.lines) << c.what;
    }

    TSequenceDefinition owned = Loaded();
    owned.Owned = true;
    owned.OwnerTable = QStringLiteral("t");
    owned.OwnerColumn = QStringLiteral("id");
    QStringList lines;
    SequenceDDL::Alter(owned, Loaded(), lines);
    EXPECT_EQ(lines, (QStringList{head, QStringLiteral("OWNED BY NONE"), QStringLiteral(";")}));
    EXPECT_EQ(SequenceDDL::SetVal(QStringLiteral("s"), QStringLiteral("it's"), QStringLiteral("3")),
              QStringLiteral("SELECT setval('\"s\".\"it''s\"', 3)"));
}

TEST(SequenceDDL, DefaultBoundsFollowTheIncrement)
{
    struct Case {
        const char *inc, *min, *max;
        bool noMin, noMax;
    };
    const Case cases[] = {
        {"1", "1", "9223372036854775807", true, true},
        {"1", "2", "100", false, false},
        {"-1", "-9223372036854775808", "-1", true, true},
        {"-1", "-9223372036854775807", "-1", true, true},
        {"-1", "1", "9223372036854775807", false, false},
        {"", "1", "9223372036854775807", false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(SequenceNoMin(QString::fromLatin1(c.inc), QString::fromLatin1(c.min)), c.noMin) << c.inc << c.min;
        EXPECT_EQ(SequenceNoMax(QString::fromLatin1(c.inc), QString::fromLatin1(c.max)), c.noMax) << c.inc << c.max;
    }
}

namespace {

QList<TfrmSeq *> SeqWindows(const ShellSession &s) { return WindowsOf<TfrmSeq>(s); }

void PressCompile(TfrmSeq *w)
{
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
}

class SequenceWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("seq");
        if (!db->available())
            return;
        db->ensureRole("tvx_seq_r1");
        db->exec("CREATE SCHEMA s1;"
                 "CREATE SEQUENCE s1.q;"
                 "CREATE TABLE s1.t (id serial, a int);"
                 "GRANT USAGE ON SEQUENCE s1.q TO tvx_seq_r1;");
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
        tvOption.ShowDDL = true;
    }
    void TearDown() override
    {
        if (s.main)
            for (TfrmSeq *w : SeqWindows(s))
                w->SetModified(false);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
        if (db && db->available())
            db->exec("DROP SCHEMA s1 CASCADE");
    }
    TfrmSeq *Open(const QString &name, TOpenMode mode = omDefine)
    {
        return dynamic_cast<TfrmSeq *>(form->OpenObject(58, QStringLiteral("s1"), name, mode));
    }
    // A statement on a connection of its own.
    std::string Other(const std::string &sql) { return db->scalar(sql); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// A never-advanced sequence shows its start and "(不明)"; an increment
// change is one ALTER; a new last value is set in place, grants kept;
// "加算(&I)" shows the value this connection took.
TEST_F(SequenceWindow, OpensAltersAndAdvances)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmSeq *w = Open(QStringLiteral("q"));
    ASSERT_NE(w, nullptr);
    const DbParams &p = db->params();
    EXPECT_EQ(w->windowTitle(),
              QStringLiteral("SEQUENCE - s1.q @ ") + p.database + u'/' + p.host + u':' + p.port);
    EXPECT_EQ(w->txtLastNo->Text(), QStringLiteral("1"));
    EXPECT_EQ(w->pnlCurrent->text(), QStringLiteral("(不明)"));
    EXPECT_TRUE(w->chkNomax->Checked());
    EXPECT_FALSE(w->txtMax->isEnabled());
    EXPECT_TRUE(w->chkNoMin->Checked());
    EXPECT_TRUE(w->chkOwned->Checked());
    EXPECT_FALSE(w->cmbTable->isEnabled());
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(Open(QStringLiteral("q")), nullptr);   // brought forward
    EXPECT_EQ(SeqWindows(s).size(), 1);

    w->txtInc->setFocus();
    w->txtInc->selectAll();
    QTest::keyClicks(w->txtInc, QStringLiteral("5"));
    EXPECT_TRUE(w->Modified());
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{"ALTER SEQUENCE \"s1\".\"q\"", "INCREMENT 5", ";"}));
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(Other("SELECT increment_by FROM pg_sequences WHERE sequencename = 'q'"), "5");
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->txtInc->Text(), QStringLiteral("5"));

    w->txtLastNo->setFocus();
    w->txtLastNo->selectAll();
    QTest::keyClicks(w->txtLastNo, QStringLiteral("50"));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{"SELECT setval('\"s1\".\"q\"', 50)", ";"}));
    }
    EXPECT_EQ(w->txtLastNo->Text(), QStringLiteral("50"));
    EXPECT_EQ(Other("SELECT has_sequence_privilege('tvx_seq_r1', 's1.q', 'USAGE')"), "t");
    EXPECT_EQ(w->pnlCurrent->text(), QStringLiteral("(不明)"));

    w->UpdateActions();
    ASSERT_TRUE(w->actInc->isEnabled());
    // The window's menu: compile, delete, a separator, 加算.
    QStringList menu;
    for (QAction *a : w->mnuObject->actions())
        if (a->isVisible())
            menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(menu, (QStringList{"作成(&C)", "削除(&D)", "-", "加算(&I)"}));
    w->actInc->trigger();
    EXPECT_EQ(w->pnlCurrent->text(), QStringLiteral("55"));
    EXPECT_EQ(w->txtLastNo->Text(), QStringLiteral("55"));
    EXPECT_EQ(Other("SELECT nextval('s1.q')"), "60");

    // A serial's sequence shows its column.
    TfrmSeq *t = Open(QStringLiteral("t_id_seq"));
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->chkOwned->Checked());
    EXPECT_EQ(t->cmbTable->Text(), QStringLiteral("t"));
    EXPECT_EQ(t->cmbColumn->Text(), QStringLiteral("id"));
    EXPECT_TRUE(t->cmbColumn->isEnabled());

    // So does an identity column's.
    db->exec("CREATE TABLE s1.t2 (n int GENERATED ALWAYS AS IDENTITY);");
    TfrmSeq *i = Open(QStringLiteral("t2_n_seq"));
    ASSERT_NE(i, nullptr);
    EXPECT_FALSE(i->chkOwned->Checked());
    EXPECT_EQ(i->cmbTable->Text(), QStringLiteral("t2"));
    EXPECT_EQ(i->cmbColumn->Text(), QStringLiteral("n"));
}

// "新規シーケンス": an empty name sends nothing; the designed values make the
// full CREATE, whose first value is the start; a refused compile keeps the
// window new with its edits.
TEST_F(SequenceWindow, NewSequenceFromTheButton)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    s.main->Action(QStringLiteral("btnNewSeq"))->trigger();
    ASSERT_EQ(SeqWindows(s).size(), 1);
    TfrmSeq *w = SeqWindows(s).first();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("SEQUENCE - 新規"));
    EXPECT_EQ(w->lblLastNo->text(), QStringLiteral("初 期 値"));
    EXPECT_FALSE(w->pnlCurrent->isVisibleTo(w));
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabGrant)));

    w->SetModified(true);
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("名前を入力して下さい。")});
    s.dialogs.clear();

    w->cmbSchema->SetText(QStringLiteral("s1"));
    w->txtName->SetText(QStringLiteral("n1"));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{"CREATE SEQUENCE \"s1\".\"n1\"", "INCREMENT 1", "START 1",
                                              "NO MAXVALUE", "NO MINVALUE", "NO CYCLE ", "CACHE 1",
                                              "OWNED BY NONE", ";"}));
    }
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle().left(19), QStringLiteral("SEQUENCE - s1.n1 @ "));
    EXPECT_EQ(Other("SELECT nextval('s1.n1')"), "1");

    // Owned by a column, but none chosen.
    s.main->Action(QStringLiteral("btnNewSeq"))->trigger();
    TfrmSeq *n = nullptr;
    for (TfrmSeq *q : SeqWindows(s))
        if (q->IsNew())
            n = q;
    ASSERT_NE(n, nullptr);
    n->cmbSchema->SetText(QStringLiteral("s1"));
    n->txtName->SetText(QStringLiteral("n2"));
    n->chkOwned->click();
    EXPECT_TRUE(n->cmbTable->isEnabled());
    PressCompile(n);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("テーブルを選択して下さい。")});
    s.dialogs.clear();
    n->FillTables();
    ASSERT_EQ(n->cmbTable->count(), 1);
    n->cmbTable->SetText(QStringLiteral("t"));
    n->FillColumns();
    ASSERT_EQ(n->cmbColumn->count(), 2);
    n->cmbColumn->SetText(QStringLiteral("a"));
    n->txtInc->SetText(QStringLiteral("0"));   // refused by the server
    {
        PreviewAnswer preview;
        ExecDialogUser user(&s.dialogs);
        PressCompile(n);
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("INCREMENT must not be zero")))
            << user.log.join(u'\n').toStdString();
    }
    EXPECT_TRUE(n->IsNew());
    EXPECT_EQ(n->txtInc->Text(), QStringLiteral("0"));
    EXPECT_EQ(Other("SELECT count(*) FROM pg_class WHERE relname = 'n2'"), "0");
}

// Keys as a keyboard user presses them: Ctrl+PgDn and Ctrl+PgUp turn the
// pages from a box of the first page; Alt+C in the name box presses
// "作成(&C)" (nothing typed) and creates the sequence.
TEST_F(SequenceWindow, KeysTurnPagesAndCreate)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(s.ShowMain());
    TfrmSeq *w = Open(QStringLiteral("q"));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->pagObject->currentIndex(), 0);
    w->txtInc->setFocus();
    QTest::keyClick(w->txtInc, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w->pagObject->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w->pagObject->currentIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(w->pagObject->currentIndex(), 1);
    w->Close();

    s.main->Action(QStringLiteral("btnNewSeq"))->trigger();
    ASSERT_EQ(SeqWindows(s).size(), 1);
    TfrmSeq *n = SeqWindows(s).first();
    n->cmbSchema->SetText(QStringLiteral("s1"));
    n->txtName->setFocus();
    QTest::keyClicks(n->txtName, QStringLiteral("k1"));
    ASSERT_TRUE(PollUntil([n] { return n->actCompile->isEnabled(); }));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        QTest::keyClick(n->txtName, Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(preview.lines.value(0), QStringLiteral("CREATE SEQUENCE \"s1\".\"k1\""));
    }
    EXPECT_EQ(n->txtName->Text(), QStringLiteral("k1"));
    EXPECT_FALSE(n->IsNew());
    EXPECT_EQ(Other("SELECT count(*) FROM pg_class WHERE relname = 'k1'"), "1");
}

// The script service writes the CREATE without a window; an unknown
// sequence writes nothing; the script recreates the sequence.
TEST_F(SequenceWindow, ScriptWithoutAWindow)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE SEQUENCE s1.d INCREMENT -2 MINVALUE -100 MAXVALUE -1 CYCLE;"
             "SELECT nextval('s1.d'), nextval('s1.d');");
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    form->OutputScript(58, QStringLiteral("s1"), QStringLiteral("d"), buffer);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                            buffer.data().size() / 2);
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9) << text.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("CREATE SEQUENCE "))) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1), (QStringList{"INCREMENT -2", "START -3", "NO MAXVALUE", "MINVALUE -100", "CYCLE ",
                                         "CACHE 1", "OWNED BY NONE", ";"}));

    QBuffer none;
    none.open(QIODevice::ReadWrite);
    form->OutputScript(58, QStringLiteral("s1"), QStringLiteral("nothing"), none);
    EXPECT_TRUE(none.data().isEmpty());
}

namespace {

QStringList TreeTexts(QTreeWidget *tree)
{
    QStringList texts;
    std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *it) {
        texts << it->text(0);
        for (int i = 0; i < it->childCount(); ++i)
            walk(it->child(i));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i));
    return texts;
}

int PrivilegeRow(TfraGrant *f, const QString &privilege)
{
    for (int k = 0; k < f->chkGrant->count(); ++k)
        if (f->chkGrant->item(k)->text().trimmed().startsWith(privilege))
            return k;
    return -1;
}

} // namespace

// The privileges page turns a ticked box into one GRANT; the cross
// reference shows the serial's table; delete asks, drops and closes.
TEST_F(SequenceWindow, PrivilegesCrossReferenceAndDelete)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmSeq *w = Open(QStringLiteral("q"), omGrant);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ShownPage(), w->tabGrant);
    TfraGrant *f = w->fraGrant;
    f->lstGrant->clearSelection();
    TtvListItem *r1 = FindListItem(f->lstGrant, QStringLiteral("tvx_seq_r1"));
    ASSERT_NE(r1, nullptr);
    r1->setSelected(true);
    const int select = PrivilegeRow(f, QStringLiteral("SELECT"));
    ASSERT_GE(select, 0);
    ASSERT_TRUE(f->chkGrant->isEnabled());
    f->chkGrant->SetStateL(select, Qt::Checked);
    f->chkGrantClick();
    EXPECT_TRUE(w->Modified());
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines,
                  (QStringList{"GRANT SELECT ON SEQUENCE \"s1\".\"q\" TO \"tvx_seq_r1\"", ";"}));
    }
    EXPECT_EQ(Other("SELECT has_sequence_privilege('tvx_seq_r1', 's1.q', 'SELECT')"), "t");
    EXPECT_FALSE(w->Modified());

    TfrmSeq *t = Open(QStringLiteral("t_id_seq"), omCross);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->ShownPage(), t->tabCross);
    const QStringList both = TreeTexts(t->fraCross->lstTree1) + TreeTexts(t->fraCross->lstTree2);
    EXPECT_TRUE(both.contains(QStringLiteral("s1.t"))) << both.join(u'|').toStdString();

    // Delete: No keeps it; Yes drops it and closes the window.
    w->UpdateActions();
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actDelete->trigger();
    EXPECT_EQ(Other("SELECT count(*) FROM pg_class WHERE relname = 'q'"), "1");
    s.dialogs.clear();
    QPointer<TfrmSeq> gone(w);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actDelete->trigger();
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("オブジェクトを削除しますか？"),
                                              QStringLiteral("オブジェクトが削除されました。")}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(Other("SELECT count(*) FROM pg_class WHERE relname = 'q'"), "0");
}
