// The script output options dialog and the script-name table editor, driven
// as a user would inside the real main window: the ツール menu's options-only
// form, the name-table check before a run and the editor behind "設定"
// (creating the table, its initial rows, a table of the wrong layout).
#include "shell/ShellTestSupport.h"

#include "common/ScriptOption.h"
#include "controls/tvRadioGroup.h"
#include "platform/db/Connection.h"
#include "platform/settings/tvRegistry.h"
#include "tools/ToolWidgets.h"
#include "tools/frmNameTable.h"
#include "tools/frmScriptOption.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

// Runs `work` on the next modal dialog of that class as soon as it shows.
template <class Dlg>
void OnNextModal(std::function<void(Dlg *)> work)
{
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weak = poll;
    *poll = [work, weak] {
        if (auto *d = qobject_cast<Dlg *>(QApplication::activeModalWidget())) {
            work(d);
            return;
        }
        if (auto p = weak.lock())
            QTimer::singleShot(10, *p);
    };
    QTimer::singleShot(0, *poll);
    // Kept alive until the dialog was handled.
    static std::vector<std::shared_ptr<std::function<void()>>> keep;
    keep.push_back(poll);
}

// Clicks a check box on its box, as the user would.
void Tick(QCheckBox *c)
{
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(8, c->height() / 2));
}

void TypeInto(QComboBox *c, const QString &text)
{
    c->lineEdit()->selectAll();
    QTest::keyClick(c->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(c->lineEdit(), text);
}

class ScriptOptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        TfrmScriptOption::RegisterLauncher();
    }
    void TearDown() override { TfrmNameTable::OnShown() = {}; }

    TfrmObject *Logon()
    {
        s.Start(LogonArgs(db.params()));
        ScriptOption = TScriptOption{};
        ScriptOption.Path = s.scratch.file(QStringLiteral("out/"));
        tvOption.UpdateToCommit = true;
        s.FirstPaint();
        TfrmObject *f = s.Form();
        EXPECT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return f;
    }

    QString Entry() const { return TfrmScriptOption::NameTableEntry(db.params().database); }

    TestDb db{"w3t8"};
    ShellSession s;
};

} // namespace

TEST(ScriptOptionPath, FolderGetsSeparatorFileStaysAsTyped)
{
    struct Case {
        QString typed;
        bool oneScript;
        QString kept;
    } cases[] = {
        {QStringLiteral("/tmp/out"), false, QStringLiteral("/tmp/out/")},
        {QStringLiteral("  /tmp/out  "), false, QStringLiteral("/tmp/out/")},
        {QStringLiteral("/tmp/out/"), false, QStringLiteral("/tmp/out/")},
        {QString(), false, QStringLiteral("/")},
        {QStringLiteral("/tmp/all.sql"), true, QStringLiteral("/tmp/all.sql")},
        {QStringLiteral(" /tmp/a b.sql "), true, QStringLiteral(" /tmp/a b.sql ")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TfrmScriptOption::NormalizePath(c.typed, c.oneScript), c.kept) << c.typed.toStdString();
}

TEST(ScriptOptionNameTable, EntriesPerDatabaseAndEmptyRemoves)
{
    ScriptOption.NameTable = {QStringLiteral("other=x.y")};
    TfrmScriptOption::SetNameTableEntry(QStringLiteral("db"), QStringLiteral("s.t"));
    TfrmScriptOption::SetNameTableEntry(QStringLiteral("d"), QStringLiteral("u"));
    EXPECT_EQ(TfrmScriptOption::NameTableEntry(QStringLiteral("db")), QStringLiteral("s.t"));
    EXPECT_EQ(TfrmScriptOption::NameTableEntry(QStringLiteral("d")), QStringLiteral("u"));
    TfrmScriptOption::SetNameTableEntry(QStringLiteral("db"), QStringLiteral("s.v"));
    TfrmScriptOption::SetNameTableEntry(QStringLiteral("d"), QString());
    EXPECT_EQ(ScriptOption.NameTable,
              (QStringList{QStringLiteral("other=x.y"), QStringLiteral("db=s.v")}));
    ScriptOption.NameTable.clear();
}

TEST(NameTableSQL, InitialRowsFilterTheSchemaAsALiteral)
{
    const QString sql = TfrmNameTable::InitialDataSQL(QStringLiteral("o'x"), QStringLiteral("names"), false, false,
                                                      150000);
    EXPECT_TRUE(sql.startsWith(QStringLiteral("INSERT INTO \"o'x\".\"names\" SELECT  ")));
    EXPECT_TRUE(sql.contains(QStringLiteral("TblNsp.nspname = 'o''x'")));
    EXPECT_TRUE(sql.contains(QStringLiteral("TblShe.schemaname = 'o''x'")));
    EXPECT_FALSE(sql.contains(QStringLiteral("'PROCEDURE'")));
    EXPECT_FALSE(sql.contains(QStringLiteral("'SYNONYM'")));
    EXPECT_TRUE(sql.contains(QStringLiteral("'AGGREGATE'")));
    const QString all = TfrmNameTable::InitialDataSQL(QStringLiteral("s"), QStringLiteral("n"), true, true, 90200);
    EXPECT_FALSE(all.contains(QStringLiteral("= 's'")));
    EXPECT_TRUE(all.contains(QStringLiteral("'PACKAGE BODY'")));
    EXPECT_FALSE(all.contains(QStringLiteral("'MATERIALIZED VIEW'")));
    EXPECT_FALSE(all.contains(QStringLiteral("'AGGREGATE'")));
}

// The options-only form from the ツール menu: its caption and button, the
// name-table controls off, the one-script rule, the path kept with "/", and
// the record written at exit.
TEST_F(ScriptOptions, OptionsOnlyFormFromTheToolMenu)
{
    s.Start({});
    ScriptOption = TScriptOption{};
    bool seen = false;
    OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
        seen = true;
        EXPECT_EQ(d->windowTitle(), QStringLiteral("スクリプト出力オプション"));
        EXPECT_EQ(d->btnOk->text(), QStringLiteral("OK"));
        EXPECT_FALSE(d->lblNameTable->isEnabled());
        EXPECT_FALSE(d->cmbNameTable->isEnabled());
        EXPECT_FALSE(d->btnNameTable->isEnabled());
        Tick(d->chkDir);
        EXPECT_TRUE(d->chkDir->isChecked());
        Tick(d->chkOneScript);
        EXPECT_FALSE(d->chkDir->isChecked());
        EXPECT_FALSE(d->chkDir->isEnabled());
        EXPECT_FALSE(d->cmbNameTable->isEnabled());
        Tick(d->chkOneScript);
        EXPECT_TRUE(d->chkDir->isEnabled());
        EXPECT_FALSE(d->cmbNameTable->isEnabled()) << "no connection: the name table stays off";
        Tick(d->chkDir);
        d->rdoOwner->Button(2)->click();
        d->txtDir->selectAll();
        QTest::keyClicks(d->txtDir, QStringLiteral("/tmp/w3t8out"));
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
    });
    s.main->Action(QStringLiteral("actToolScriptOption"))->trigger();
    ASSERT_TRUE(seen);
    EXPECT_EQ(ScriptOption.Path, QStringLiteral("/tmp/w3t8out/"));
    EXPECT_TRUE(ScriptOption.Dir);
    EXPECT_EQ(ScriptOption.Owner, 2);
    EXPECT_TRUE(ScriptOption.NameTable.isEmpty());

    ASSERT_TRUE(s.CloseMain());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Quenzor\\TVX19\\TEXTOUT")));
    EXPECT_TRUE(reg.GetBool(QStringLiteral("SubDir"), false));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Schema"), -1), 2);
    EXPECT_EQ(reg.GetString(QStringLiteral("Path"), QString()), QStringLiteral("/tmp/w3t8out/"));
    reg.CloseKey();
}

// Cancel leaves the options as they were.
TEST_F(ScriptOptions, CancelChangesNothing)
{
    s.Start({});
    ScriptOption = TScriptOption{};
    ScriptOption.Path = QStringLiteral("/keep/");
    OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
        Tick(d->chkOneScript);
        d->txtDir->setText(QStringLiteral("/changed"));
        QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    s.main->Action(QStringLiteral("actToolScriptOption"))->trigger();
    EXPECT_FALSE(ScriptOption.OneScript);
    EXPECT_EQ(ScriptOption.Path, QStringLiteral("/keep/"));
}

// The name-table editor behind "設定": a missing table is created on Yes and
// filled with the rows of its own schema; the entry is stored and stays
// after Cancel; No still stores the entry; a table without script_name is
// refused and leaves the entry.
TEST_F(ScriptOptions, NameTableEditorCreatesFillsAndStores)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA w3t8; CREATE TABLE w3t8.t(a int); CREATE TABLE public.p(a int);"
            "CREATE TABLE w3t8.bad(owner text, object_name text, object_type text)");
    TfrmObject *f = Logon();
    ASSERT_NE(f, nullptr);

    bool editorRan = false;
    TfrmNameTable::OnShown() = [&](TfrmNameTable *w) {
        editorRan = true;
        EXPECT_EQ(w->cmbSchema->currentText(), QStringLiteral("w3t8"));
        EXPECT_EQ(w->cmbName->currentText(), QStringLiteral("names"));
        EXPECT_EQ(w->L_enmRelRes, TfrmNameTable::NONE);
        EXPECT_FALSE(w->mnuInstData->isEnabled());
        s.dialogs.queueButton(tv::ui::IDYES);   // create it
        s.dialogs.queueButton(tv::ui::IDYES);   // initial rows, box unticked
        QTest::mouseClick(w->btnCommit, Qt::LeftButton);
        EXPECT_EQ(w->L_enmRelRes, TfrmNameTable::SELECT);
        EXPECT_TRUE(w->mnuInstData->isEnabled());
        w->actExit->trigger();
    };
    bool dialogRan = false;
    OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
        dialogRan = true;
        TypeInto(d->cmbNameTable, QStringLiteral("w3t8.names"));
        ASSERT_TRUE(d->btnNameTable->isEnabled());
        QTest::mouseClick(d->btnNameTable, Qt::LeftButton);
        EXPECT_EQ(d->cmbNameTable->currentText(), QStringLiteral("w3t8.names"));
        QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    QString path, table;
    EXPECT_FALSE(TfrmScriptOption::ShowWindow(f, path, table));
    ASSERT_TRUE(dialogRan);
    ASSERT_TRUE(editorRan);

    const QStringList texts = s.dialogs.texts();
    EXPECT_TRUE(texts.contains(QStringLiteral("表またはビューが存在しません。"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("テーブルが見つかりません。新規作成しますか？")));
    const auto &calls = s.dialogs.calls();
    auto check = std::find_if(calls.begin(), calls.end(), [](const ScriptedDialogs::Call &c) {
        return c.text == QStringLiteral("初期データを登録しますか？");
    });
    ASSERT_NE(check, calls.end());
    ASSERT_EQ(check->checks.size(), 1);
    EXPECT_EQ(check->checks.at(0).caption, QStringLiteral("全オブジェクトを登録する(非チェック時は所有オブジェクトのみ)"));
    EXPECT_FALSE(check->checks.at(0).checked);

    // The entry outlives the cancelled dialog.
    EXPECT_EQ(Entry(), QStringLiteral("w3t8.names"));
    EXPECT_EQ(db.scalar("SELECT string_agg(column_name || ' ' || data_type || ' ' || character_maximum_length, ',' "
                        "ORDER BY ordinal_position) FROM information_schema.columns "
                        "WHERE table_schema = 'w3t8' AND table_name = 'names'"),
              "owner character varying 255,object_name character varying 255,"
              "object_type character varying 255,script_name character varying 255");
    EXPECT_EQ(db.scalar("SELECT script_name FROM w3t8.names WHERE owner = 'w3t8' AND object_name = 't' "
                        "AND object_type = 'TABLE'"),
              "t.SQL");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t8.names WHERE owner <> 'w3t8'"), "0");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t8.names WHERE object_name = 'p'"), "0");

    // No: the entry is stored all the same; a wrong layout stores nothing.
    struct Case {
        const char *name;
        int answer;
        const char *message;
        const char *entry;
    } cases[] = {
        {"other", tv::ui::IDNO, "テーブルが見つかりません。新規作成しますか？", "w3t8.other"},
        {"bad", 0, "テーブルレイアウトが一致しません。", "w3t8.other"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        s.dialogs.clear();
        TfrmNameTable::OnShown() = [&](TfrmNameTable *w) {
            TypeInto(w->cmbName, QString::fromLatin1(c.name));
            if (c.answer)
                s.dialogs.queueButton(c.answer);
            QTest::mouseClick(w->btnCommit, Qt::LeftButton);
            w->actExit->trigger();
        };
        TfrmNameTable::ShowWindow(f);
        EXPECT_TRUE(s.dialogs.texts().contains(QString::fromUtf8(c.message))) << s.dialogs.texts().join('|').toStdString();
        EXPECT_EQ(Entry(), QString::fromLatin1(c.entry));
    }
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_class WHERE relname = 'other'"), "0");
    ScriptOption.NameTable.clear();
}
