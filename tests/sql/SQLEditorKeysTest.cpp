// The SQL window's editor as the user types in it: completion after a "."
// while the typing goes on, and Ctrl+O on a selected name, against the test
// server.
#include "support/DbTestSupport.h"
#include "shell/ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvCodeAssist.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/ui/EscapeWatch.h"
#include "sql/frmSQL.h"

#include <QInputMethodEvent>
#include <QTimer>

#include <functional>

using namespace tvtest;

namespace {

using dbtest::paramsOf;

class SQLEditorKeys : public ::testing::Test {
public:
    void SetUp() override
    {
        tv::ui::InstallEscapeWatch();
        TV_REQUIRE_DB(db);
        db.exec("CREATE SCHEMA w4s2; CREATE TABLE w4s2.s3(id int); CREATE TABLE w4s2.s3_hist(id int);"
                "CREATE TABLE w4s2.s4(id int); CREATE VIEW w4s2.v5 AS SELECT 1 AS one;");
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = true;
        tvOption.CodeAssist = true;
        s.FirstPaint();
        ASSERT_TRUE(s.ShowMain());
        ASSERT_NE(s.Form(), nullptr);
        w = new TfrmSQL(s.Form());
        w->ShowForm();
        w->txtSQL->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (w && w->txtSQL)
            w->txtSQL->CloseCodeAssist();
    }
    QString Text() const { return w->txtSQL->Lines()->Text(); }
    TtvCodeAssist *Popup() const { return w->txtSQL->CodeAssist; }
    // Starts over with an empty editor.
    void Clear()
    {
        w->txtSQL->CloseCodeAssist();
        w->txtSQL->Lines()->SetText(QString());
        w->txtSQL->SetSelStart(0);
    }
    // Types `before`, then the "." with `during` done while the lookups it
    // asks for wait for the server: a second session holds the catalog
    // until `during` has run.
    void TypeDotWhileLookingUp(const QString &before, const std::function<void()> &during)
    {
        QTest::keyClicks(w->txtSQL, before);
        tv::db::Connection locker(paramsOf(db));
        locker.Open();
        locker.Exec(QStringLiteral("BEGIN"));
        locker.Exec(QStringLiteral("LOCK TABLE pg_catalog.pg_class IN ACCESS EXCLUSIVE MODE"));
        bool ran = false;
        QTimer::singleShot(0, [&] {
            during();
            ran = true;
            locker.Exec(QStringLiteral("COMMIT"));
        });
        QTest::keyClick(w->txtSQL, Qt::Key_Period);
        if (!ran) // the lookups never waited: nothing to wait for
            locker.Exec(QStringLiteral("COMMIT"));
        ASSERT_TRUE(ran);
        // What was held back while the lookups ran arrives now.
        ASSERT_TRUE(PollUntil([] { return tv::ui::EscapeWatch::instance().heldCount() == 0; }));
        QApplication::processEvents();
    }

    TestDb db{"w4s2"};
    ShellSession s;
    TfrmSQL *w = nullptr;
};

} // namespace

// The typed characters and the accepted name both land once: the name
// replaces what was typed of it, whether typed after the list opened, while
// it was being looked up (keys, or text an input method commits), or only
// in part.
TEST_F(SQLEditorKeys, CompletionAfterADotNeverDoublesNorLosesTypedText)
{
    const QString head = QStringLiteral("select * from w4s2");
    struct Case {
        const char *name;
        std::function<void(SQLEditorKeys &)> type;
        QString expected;
    };
    const Case cases[] = {
        {"typed after the list opened",
         [&](SQLEditorKeys &t) {
             QTest::keyClicks(t.w->txtSQL, head + QStringLiteral(".s3"));
             ASSERT_NE(t.Popup(), nullptr);
             EXPECT_EQ(t.Popup()->CaptionListW, (QStringList{"s3", "s3_hist"}));
             QTest::keyClick(t.w->txtSQL, Qt::Key_Return);
         },
         head + QStringLiteral(".s3")},
        {"part of the name, then Enter",
         [&](SQLEditorKeys &t) {
             QTest::keyClicks(t.w->txtSQL, head + QStringLiteral(".s3_"));
             QTest::keyClick(t.w->txtSQL, Qt::Key_Return);
         },
         head + QStringLiteral(".s3_hist")},
        {"a blank accepts and follows the name",
         [&](SQLEditorKeys &t) { QTest::keyClicks(t.w->txtSQL, head + QStringLiteral(".s4 where")); },
         head + QStringLiteral(".s4 where")},
        {"keys typed during the lookup",
         [&](SQLEditorKeys &t) {
             t.TypeDotWhileLookingUp(head, [&t] { QTest::keyClicks(t.w->txtSQL, QStringLiteral("s3")); });
             ASSERT_NE(t.Popup(), nullptr);
             EXPECT_EQ(t.Popup()->CaptionListW, (QStringList{"s3", "s3_hist"}));
             QTest::keyClick(t.w->txtSQL, Qt::Key_Return);
         },
         head + QStringLiteral(".s3")},
        {"input method text during the lookup",
         [&](SQLEditorKeys &t) {
             t.TypeDotWhileLookingUp(head, [&t] {
                 QInputMethodEvent commit;
                 commit.setCommitString(QStringLiteral("s3"));
                 QCoreApplication::sendEvent(t.w->txtSQL, &commit);
             });
             ASSERT_NE(t.Popup(), nullptr);
             EXPECT_EQ(t.Popup()->CaptionListW, (QStringList{"s3", "s3_hist"}));
             QTest::keyClick(t.w->txtSQL, Qt::Key_Return);
         },
         head + QStringLiteral(".s3")},
        {"input method text that ends the name during the lookup",
         [&](SQLEditorKeys &t) {
             t.TypeDotWhileLookingUp(head, [&t] {
                 QInputMethodEvent commit;
                 commit.setCommitString(QStringLiteral("s3 "));
                 QCoreApplication::sendEvent(t.w->txtSQL, &commit);
             });
             EXPECT_EQ(t.Popup(), nullptr); // the request is out of date
         },
         head + QStringLiteral(".s3 ")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        c.type(*this);
        EXPECT_EQ(Popup(), nullptr);
        EXPECT_EQ(Text(), c.expected);
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'\n').toStdString();
}

// Ctrl+O right after a name is selected opens its window on the first
// press: a schema-qualified table, a role and a user (roles live outside
// schemas).
TEST_F(SQLEditorKeys, CtrlOOpensTheSelectedNameOnTheFirstPress)
{
    const std::string role = db.params().database.toStdString() + "_role";
    const std::string user = db.params().database.toStdString() + "_user";
    db.exec("CREATE ROLE " + role + " NOLOGIN; CREATE ROLE " + user + " LOGIN");
    struct DropRoles {
        TestDb &db;
        std::string role, user;
        ~DropRoles() { db.exec("DROP ROLE IF EXISTS " + role + "; DROP ROLE IF EXISTS " + user); }
    } dropRoles{db, role, user};

    QList<TOpenObjectRequest> requests;
    s.main->OpenObjectHook = [&](TfrmObject *, const TOpenObjectRequest &r) -> QWidget * {
        requests << r;
        return nullptr;
    };
    struct Case {
        QString text;  // typed; the last `select` characters are then selected with Shift+Left
        int select;
        int type;
        QString schema, name;
    };
    const Case cases[] = {
        {QStringLiteral("select * from w4s2.s3"), 7, 45, QStringLiteral("w4s2"), QStringLiteral("s3")},
        {QStringLiteral("grant ") + QString::fromStdString(role), int(role.size()), 68, QString(),
         QString::fromStdString(role)},
        {QStringLiteral("grant ") + QString::fromStdString(user), int(user.size()), 2, QString(),
         QString::fromStdString(user)},
        // A qualified name opens only objects of that schema, never a role.
        {QStringLiteral("w4s2.") + QString::fromStdString(role), int(role.size()) + 5, -1, QString(), QString()},
    };
    tvOption.CodeAssist = false;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        Clear();
        requests.clear();
        QTest::keyClicks(w->txtSQL, c.text);
        for (int i = 0; i < c.select; ++i)
            QTest::keyClick(w->txtSQL, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(w->txtSQL, Qt::Key_O, Qt::ControlModifier);
        if (c.type < 0) {
            EXPECT_TRUE(requests.isEmpty());
            continue;
        }
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].ObjectType, c.type);
        EXPECT_EQ(requests[0].Schema, c.schema);
        EXPECT_EQ(requests[0].ObjectName, c.name);
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}
