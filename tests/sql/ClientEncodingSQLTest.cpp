// The SQL window on a session whose "CharacterSet" is SJIS, over a UTF-8
// database: Japanese text shows and is stored unchanged, and a character
// SJIS cannot hold gets the server's error and stores nothing.
#include "shell/ShellTestSupport.h"

#include "platform/db/DbError.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "sql/frmSQL.h"

#include <QToolButton>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

const QString kJapanese = QStringLiteral("日本語テキスト");

} // namespace

TEST(SQLWindowClientEncoding, SjisSessionShowsAndStoresJapaneseUnchanged)
{
    TestDb db("sqlenc");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE memo(id int PRIMARY KEY, v text); INSERT INTO memo VALUES (1, '日本語テキスト'), (2, 'b');");
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    tvOption.CharacterSet = QStringLiteral("SJIS");
    tvOption.UpdateToCommit = true;
    s.FirstPaint();
    s.main->show();
    ASSERT_NE(s.Form(), nullptr) << s.dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(s.Form()->dbsMain().ClientEncoding(), QByteArray("SJIS"));
    auto *w = new TfrmSQL(s.Form());
    w->ShowForm();

    auto run = [&](const QString &sql) {
        w->txtSQL->Lines()->SetText(sql);
        w->txtSQL->SetModified(true);
        QTest::qWaitFor([&] { return w->btnExec->isEnabled(); }, 30000);
        ASSERT_TRUE(w->btnExec->isEnabled());
        QTest::mouseClick(w->btnExec, Qt::LeftButton);
    };
    run(QStringLiteral("select v as \"値\", v = '日本語テキスト' as same from memo order by id"));
    ASSERT_TRUE(w->fraData->Active()) << s.dialogs.texts().join('\n').toStdString();
    tv::db::DataSet &ds = w->fraData->dsrTableData;
    EXPECT_EQ(ds.FieldDef(0).name, QStringLiteral("値"));
    EXPECT_EQ(ds.DisplayText(0, 0), kJapanese);
    EXPECT_EQ(ds.Text(0, 1), QStringLiteral("t"));

    // An edit of the row is read back unchanged by a second connection.
    run(QStringLiteral("select id, v from memo order by id"));
    ASSERT_TRUE(w->fraData->Active());
    if (!w->fraData->btnUpdate->isChecked())
        w->fraData->btnUpdate->click(); // the edit toggle down
    ASSERT_TRUE(ds.CanModify()) << ds.ReadOnlyReason().toStdString();
    ds.First();
    ds.SetFieldText(1, QStringLiteral("表計算～ソフト"));
    ds.Post();
    EXPECT_EQ(db.scalar("SELECT v FROM memo WHERE id = 1"), "表計算～ソフト");

    // A character SJIS cannot hold: the server's error, the row stays in
    // edit with the user's value, nothing is stored.
    ds.SetFieldText(1, QStringLiteral("絵文字😀"));
    try {
        ds.Post();
        ADD_FAILURE() << "posted";
    } catch (const tv::db::DbError &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("22P05"));
        EXPECT_TRUE(e.text().contains(QStringLiteral("\"SJIS\""))) << e.text().toStdString();
    }
    EXPECT_EQ(ds.State(), tv::db::DataSetState::Edit);
    EXPECT_EQ(ds.FieldText(1), QStringLiteral("絵文字😀"));
    ds.Cancel();
    EXPECT_EQ(db.scalar("SELECT v FROM memo WHERE id = 1"), "表計算～ソフト");

    // The same in a statement of the window: its error dialog, nothing stored.
    s.dialogs.clear();
    run(QStringLiteral("update memo set v = '😀' where id = 2"));
    EXPECT_TRUE(s.dialogs.texts().join('\n').contains(QStringLiteral("SJIS"))) << s.dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT v FROM memo WHERE id = 2"), "b");
}
