// The constraint window against the test server, started as the program
// starts: a new foreign key built on its sheet and added; an existing one
// dropped and added again with what its sheet does not show; a failing ADD
// keeping the old constraint; the checks before a compile; script output.
#include "shell/ShellTestSupport.h"
#include "DDLExecUser.h"
#include "TableWindowTestSupport.h"

#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/frmConst.h"
#include "support/TestTablespace.h"

#include <QAction>
#include <QBuffer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTabWidget>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

class ConstWindow : public TableWindowTest {
protected:
    void SetUp() override
    {
        StartOn("cons", "CREATE SCHEMA s1;"
                        "CREATE TABLE s1.t1 (id int CONSTRAINT t1_pkey PRIMARY KEY, code int UNIQUE, note text);"
                        "CREATE TABLE s1.t2 (id int, t1_id int DEFAULT 0);"
                        "INSERT INTO s1.t1 VALUES (0, 0, 'zero');");
    }
    void TearDown() override
    {
        DropChanges<TfrmConst>();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
    }
    TfrmConst *Open(const QString &name, const QString &table = QStringLiteral("t2"))
    {
        return dynamic_cast<TfrmConst *>(
            form->OpenObject(66, QStringLiteral("s1"), name, omDefine, false, 0, -1, table));
    }
    std::string Def(const char *name)
    {
        return db->scalar(std::string("SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE conname = '") + name +
                          "'");
    }
};

void PressCompile(TfrmConst *w)
{
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
}

QString Suffix(const DbParams &p)
{
    return QStringLiteral(" @ ") + p.database + u'/' + p.host + u':' + p.port;
}

} // namespace

// A new foreign key: refused without a referenced index; its columns come
// from the index; the ADD CONSTRAINT text; added for every session.
TEST_F(ConstWindow, NewForeignKeyIsAdded)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmConst *w = Open(QString());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("CONSTRAINT - 新規"));
    EXPECT_EQ(w->cmbTableName->Text(), QStringLiteral("t2"));
    EXPECT_TRUE(w->pnlObj->isEnabled());
    w->txtName->setFocus();
    QTest::keyClicks(w->txtName, QStringLiteral("fk1"));
    w->cmbConstType->SetItemIndex(ctForeign);
    w->cmbConstTypeChange();
    EXPECT_EQ(w->pagType->currentWidget(), w->tabForeign);
    EXPECT_FALSE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabStorage)));
    EXPECT_EQ(w->cmbRefSchema->Text(), QStringLiteral("s1"));
    w->cmbRefTableDropDown();
    EXPECT_NE(w->cmbRefTable->findText(QStringLiteral("t1")), -1);
    w->cmbRefTable->SetText(QStringLiteral("t1"));

    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("インデックスを設定して下さい。")});
    EXPECT_EQ(s.dialogs.calls().first().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONEXCLAMATION);
    EXPECT_EQ(Def("fk1"), "");

    w->cmbRefIndexDropDown();
    EXPECT_NE(w->cmbRefIndex->findText(QStringLiteral("t1_pkey")), -1);
    EXPECT_NE(w->cmbRefIndex->findText(QStringLiteral("t1_code_key")), -1);
    w->cmbRefIndex->SetText(QStringLiteral("t1_pkey"));
    w->cmbRefSchemaExit();
    ASSERT_EQ(w->grdForeign->RowCount(), 2);
    EXPECT_EQ(w->grdForeign->Cells(0, 1), QStringLiteral("id"));
    ASSERT_TRUE(w->grdForeign->MoveCurrent(1, 1));
    w->grdForeign->SetEditText(1, 1, QStringLiteral("t1_id")); // chosen from the table's columns
    w->rdoDeleteAction->Button(2)->click();
    QStringList lines;
    w->GetSourceCreate(lines);
    EXPECT_EQ(lines, (QStringList{"ALTER TABLE \"s1\".\"t2\" ADD CONSTRAINT \"fk1\"",
                                  "FOREIGN KEY (\"t1_id\") REFERENCES \"s1\".\"t1\"(\"id\") ON UPDATE NO ACTION ON "
                                  "DELETE CASCADE",
                                  ";"}));
    s.dialogs.clear();
    {
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
    }
    EXPECT_EQ(Def("fk1"), "FOREIGN KEY (t1_id) REFERENCES s1.t1(id) ON DELETE CASCADE");
    EXPECT_FALSE(w->IsNew());
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("CONSTRAINT - s1.t2.fk1") + Suffix(db->params()));
    EXPECT_FALSE(w->pnlObj->isEnabled());
}

// An existing foreign key keeps SET DEFAULT, DEFERRABLE and INITIALLY
// DEFERRED through a recompile; an ADD that fails leaves the old one and
// the edits.
TEST_F(ConstWindow, RecompileCarriesOptionsAndAFailureKeepsTheOld)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("ALTER TABLE s1.t2 ADD CONSTRAINT fk2 FOREIGN KEY (t1_id) REFERENCES s1.t1 (id)"
             " ON DELETE SET DEFAULT DEFERRABLE INITIALLY DEFERRED");
    TfrmConst *w = Open(QStringLiteral("fk2"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ConstType(), ctForeign);
    EXPECT_EQ(w->rdoDeleteAction->ItemIndex(), 4);
    EXPECT_EQ(w->rdoUpdateAction->ItemIndex(), 0);
    EXPECT_EQ(w->cmbRefIndex->Text(), QStringLiteral("t1_pkey"));
    EXPECT_EQ(w->grdForeign->Rows(1), (QStringList{"id", "t1_id"}));
    EXPECT_FALSE(w->Modified());
    EXPECT_FALSE(w->pnlObj->isEnabled());
    // The same index keeps the chosen columns when its box is left.
    w->cmbRefSchemaExit();
    EXPECT_EQ(w->grdForeign->Cells(1, 1), QStringLiteral("t1_id"));

    w->rdoUpdateAction->Button(1)->click();
    EXPECT_TRUE(w->Modified());
    {
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
    }
    EXPECT_EQ(Def("fk2"), "FOREIGN KEY (t1_id) REFERENCES s1.t1(id) ON UPDATE RESTRICT ON DELETE SET DEFAULT "
                          "DEFERRABLE INITIALLY DEFERRED");
    EXPECT_FALSE(w->Modified());

    w->grdForeign->MoveCurrent(1, 1);
    w->grdForeign->SetEditText(1, 1, QStringLiteral("nosuch"));
    EXPECT_TRUE(w->Modified());
    {
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("nosuch"))) << user.log.join(u'|').toStdString();
    }
    EXPECT_EQ(Def("fk2"), "FOREIGN KEY (t1_id) REFERENCES s1.t1(id) ON UPDATE RESTRICT ON DELETE SET DEFAULT "
                          "DEFERRABLE INITIALLY DEFERRED");
    EXPECT_TRUE(w->Modified());
    EXPECT_EQ(w->grdForeign->Cells(1, 1), QStringLiteral("nosuch"));
}

// With "SQL文に領域情報を含める" off, a unique key whose index stands in a
// tablespace of its own is dropped and added again by its window's compile
// in that tablespace: the option governs what is shown, not what runs.
TEST_F(ConstWindow, RecompileWithStorageHiddenKeepsTheIndexTablespace)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TestTablespace space(*db);
    space.before = [this] { db->exec("ALTER TABLE s1.t1 DROP CONSTRAINT IF EXISTS t1_u2"); };
    if (!space.Make("tvx_cons_" + db->params().database.toStdString()))
        GTEST_SKIP() << "no folder the server may use";
    const std::string &ts = space.name;
    db->exec("ALTER TABLE s1.t1 ADD CONSTRAINT t1_u2 UNIQUE (note) USING INDEX TABLESPACE " + ts);
    const std::string where = "SELECT coalesce(T.spcname, '-') FROM pg_class C LEFT JOIN pg_tablespace T"
                              " ON T.oid = C.reltablespace WHERE C.oid = 's1.t1_u2'::regclass";
    ASSERT_EQ(db->scalar(where), ts);
    tvOption.ShowStorageSource = false;
    const auto restore = qScopeGuard([] { tvOption.ShowStorageSource = true; });
    TfrmConst *w = Open(QStringLiteral("t1_u2"), QStringLiteral("t1"));
    ASSERT_NE(w, nullptr);
    w->SetModified(true);
    {
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
        EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral("DROP CONSTRAINT"))) << user.log.join(u'|').toStdString();
        EXPECT_FALSE(user.log.contains(QStringLiteral("《エラー》"))) << user.log.join(u'|').toStdString();
    }
    EXPECT_EQ(db->scalar(where), ts);
    EXPECT_EQ(Def("t1_u2"), "UNIQUE (note)");
}

// A new primary key without columns is refused; with a column it is added
// with no "USING INDEX"; script output writes an existing unique key with
// its index's tablespace; an unknown constraint writes nothing.
TEST_F(ConstWindow, KeyColumnsChecksAndScript)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmConst *w = Open(QString());
    ASSERT_NE(w, nullptr);
    w->txtName->SetText(QStringLiteral("t2_pkey"));
    EXPECT_EQ(w->ConstType(), ctPrimary);
    EXPECT_EQ(w->lstTabCol->count(), 2);
    w->SetModified(true);
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("列を指定して下さい。")});
    w->lstTabCol->item(0)->setSelected(true);
    w->btnIns->click();
    ASSERT_EQ(w->lstIdxCol->count(), 1);
    QStringList lines;
    w->GetSourceCreate(lines);
    EXPECT_EQ(lines, (QStringList{"ALTER TABLE \"s1\".\"t2\" ADD CONSTRAINT \"t2_pkey\"", "PRIMARY KEY (\"id\")", ";"}));
    {
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
    }
    EXPECT_EQ(Def("t2_pkey"), "PRIMARY KEY (id)");
    // The existing key shows its columns and its index's tablespace.
    EXPECT_EQ(w->lstIdxCol->count(), 1);
    lines.clear();
    w->GetSourceCreate(lines);
    EXPECT_EQ(lines, (QStringList{"ALTER TABLE \"s1\".\"t2\" ADD CONSTRAINT \"t2_pkey\"", "PRIMARY KEY (\"id\")",
                                  "USING INDEX", "TABLESPACE \"pg_default\"", ";"}));

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    form->OutputScript(66, QStringLiteral("s1"), QStringLiteral("t1_code_key"), buffer, QString(), QString(), -1,
                       QStringLiteral("t1"));
    const QString script = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                              buffer.data().size() / 2);
    EXPECT_TRUE(script.startsWith(QStringLiteral("ALTER TABLE ")) && script.contains(QStringLiteral("UNIQUE (\"code\")")))
        << script.toStdString();
    QBuffer none;
    none.open(QIODevice::ReadWrite);
    form->OutputScript(66, QStringLiteral("s1"), QStringLiteral("nothing"), none, QString(), QString(), -1, QStringLiteral("t1"));
    EXPECT_TRUE(none.data().isEmpty());
}
