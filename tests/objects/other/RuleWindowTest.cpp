// The rule window against the test server, started as the program starts:
// opened through the dispatcher with its table; every compile drops the
// rule and creates it again through the preview and the execution dialog.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"

#include "controls/tvRadioButton.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmRule.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraCross.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"

#include <QAction>
#include <QBuffer>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QTabWidget>
#include <QTimer>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

QList<TfrmRule *> RuleWindows(const ShellSession &s) { return WindowsOf<TfrmRule>(s); }

// Closes the execution dialog once its run has finished.
class ExecDialogUser {
public:
    ExecDialogUser()
    {
        QObject::connect(&timer, &QTimer::timeout, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible() && d->Finished())
                    d->close();
        });
        timer.start(0);
    }
    QTimer timer;
};

struct PreviewAnswer {
    QStringList lines;
    ModalSteps steps{{{QStringLiteral("frmDDLPreview"), [this](QWidget *w) {
                           auto *p = static_cast<TfrmDDLPreview *>(w);
                           lines = p->txtLog->Lines()->ToStringList();
                           p->btnOK->click();
                       }}}};
};

class RuleWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("rulw");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s;"
                 "CREATE TABLE s.t (a int, s text);"
                 "CREATE RULE r AS ON UPDATE TO s.t WHERE (new.a > 0) DO INSTEAD NOTHING;");
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
            for (TfrmRule *w : RuleWindows(s))
                w->SetModified(false);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
    }
    std::string Def() { return db->scalar("SELECT definition FROM pg_rules WHERE rulename = 'r'"); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// The rule loads into its controls; an unchanged source page recompiles to
// the same rule; a changed condition reaches the server.
TEST_F(RuleWindow, LoadsAndRecompiles)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmRule *>(
        form->OpenObject(127, QStringLiteral("s"), QStringLiteral("r"), omDefine, false, 0, -1, QStringLiteral("t")));
    ASSERT_NE(w, nullptr);
    const DbParams &p = db->params();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("RULE - s.t.r @ ") + p.database + u'/' + p.host + u':' + p.port);
    EXPECT_TRUE(w->rdoUpdate->Checked());
    EXPECT_TRUE(w->rdoInstead->Checked());
    EXPECT_EQ(w->txtWhere->Lines()->Text(), QStringLiteral("new.a > 0"));
    EXPECT_EQ(w->txtAction->Lines()->Text(), QStringLiteral("NOTHING;"));
    EXPECT_FALSE(w->Modified());

    const std::string before = Def();
    ASSERT_TRUE(w->SelectPage(w->tabSource));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        w->actCompile->trigger();
        EXPECT_EQ(preview.lines,
                  (QStringList{"DROP RULE \"r\" ON \"s\".\"t\"", ";", "CREATE OR REPLACE RULE \"r\" AS",
                               "ON UPDATE TO \"s\".\"t\"", "WHERE", "new.a > 0", "DO INSTEAD", "NOTHING;", ";"}));
    }
    EXPECT_EQ(Def(), before);

    ASSERT_TRUE(w->SelectPage(w->tabDefine));
    w->txtWhere->Lines()->SetText(QStringLiteral("new.a > 5"));
    w->SetModified(true);
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        w->UpdateActions();
        w->actCompile->trigger();
    }
    EXPECT_NE(Def().find("WHERE (new.a > 5) DO INSTEAD NOTHING"), std::string::npos) << Def();
    EXPECT_EQ(w->txtWhere->Lines()->Text(), QStringLiteral("new.a > 5"));
}

// SELECT on a new rule names it "_RETURN", forces INSTEAD and locks the condition.
TEST_F(RuleWindow, SelectOnANewRule)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmRule *>(
        form->OpenObject(127, QStringLiteral("s"), QString(), omDefine, false, 0, -1, QStringLiteral("t")));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("RULE - 新規"));
    EXPECT_TRUE(w->rdoInsert->Checked());
    EXPECT_TRUE(w->rdoAlso->Checked());
    w->rdoSelect->click();
    EXPECT_EQ(w->txtName->Text(), QStringLiteral("_RETURN"));
    EXPECT_TRUE(w->rdoInstead->Checked());
    EXPECT_FALSE(w->rdoAlso->isEnabled());
    EXPECT_FALSE(w->txtWhere->isEnabled());
    w->rdoInsert->click();
    EXPECT_TRUE(w->txtWhere->isEnabled());
    EXPECT_EQ(w->txtName->Text(), QStringLiteral("_RETURN"));
    QStringList lines;
    w->rdoAlso->click();
    w->txtName->SetText(QStringLiteral("r2"));
    w->GetSourceCreate(lines);
    EXPECT_EQ(lines, (QStringList{"CREATE OR REPLACE RULE \"r2\" AS", "ON INSERT TO \"s\".\"t\"", "DO ", "NOTHING",
                                  ";"}));
}

// The cross reference shows the rule's table; delete offers CASCADE and
// drops the rule; a script needs no window.
TEST_F(RuleWindow, CrossReferenceScriptAndDelete)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmRule *>(
        form->OpenObject(127, QStringLiteral("s"), QStringLiteral("r"), omCross, false, 0, -1, QStringLiteral("t")));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ShownPage(), w->tabCross);
    QStringList texts;
    for (QTreeWidget *tree : {w->fraCross->lstTree1, w->fraCross->lstTree2})
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            texts << (*it)->text(0);
    EXPECT_TRUE(texts.contains(QStringLiteral("s.t"))) << texts.join(u'|').toStdString();

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    form->OutputScript(127, QStringLiteral("s"), QStringLiteral("r"), buffer, QString(), QString(), -1,
                       QStringLiteral("t"));
    const QString script = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                              buffer.data().size() / 2);
    EXPECT_TRUE(script.startsWith(QStringLiteral("CREATE OR REPLACE RULE \"r\" AS\r\n"))) << script.toStdString();

    QPointer<TfrmRule> gone(w);
    s.dialogs.queueButton(tv::ui::IDYES, {true});
    w->actDelete->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    ASSERT_EQ(s.dialogs.calls().at(0).checks.size(), 1);
    EXPECT_EQ(s.dialogs.calls().at(0).checks.at(0).caption, QStringLiteral("CASCADE オプション"));
    EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("オブジェクトが削除されました。"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(Def(), "");
}
