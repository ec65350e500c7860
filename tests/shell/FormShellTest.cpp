// Windows of the shared base class inside the real main window: the grid
// styling the main window registers, the connection a window belongs to, its
// queries on that connection, activation and the close protocol.
#include "ShellTestSupport.h"

#include "common/ControlStyle.h"
#include "common/tvForm.h"
#include "controls/tvDBGridH.h"
#include "controls/tvDBGridV.h"
#include "controls/tvStringGrid.h"
#include "platform/db/DataSet.h"
#include "platform/db/MemResultSet.h"
#include "platform/db/Query.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QVBoxLayout>

using namespace tvtest;

namespace {

class ShellForm : public TtvForm {
public:
    explicit ShellForm(QObject *owner) : TtvForm(owner)
    {
        auto *lay = new QVBoxLayout(this);
        grdData = new tv::grid::TtvDBGridV;
        lay->addWidget(grdData);
        qryData = NewDataSet();
        grdData->SetDataSet(qryData);
        FinishCreate();
    }
    tv::grid::TtvDBGridV *grdData;
    tv::db::DataSet *qryData;
};

} // namespace

TEST(FormShell, TheMainWindowHooksTheGridsIntoControlStyling)
{
    ShellSession s;
    s.Start({});
    tvOption.DataFontName = QStringLiteral("ＭＳ ゴシック");
    tvOption.DataFontSize = 12;

    TtvStringGrid strings;
    QFont own = strings.font();
    own.setPointSize(17);
    strings.setFont(own);
    tv::grid::TtvDBGridV rows;
    tv::grid::TtvDBGridH records;

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        tvOption.DataColWidthH = 20;
        for (QWidget *w : std::initializer_list<QWidget *>{&strings, &rows, &records})
            ApplyControlStyle(w);
        // The string grid gets the always-shown cell editor and keeps its font.
        EXPECT_EQ(strings.GridMode(), geAccess);
        EXPECT_EQ(strings.font(), own);
        EXPECT_EQ(rows.font(), DataGridFont());
        EXPECT_TRUE(rows.font().fixedPitch());
        EXPECT_EQ(records.font(), DataGridFont());
        EXPECT_EQ(records.DefaultColWidth(), records.fontMetrics().horizontalAdvance(QString(20, QLatin1Char('A'))));
    }
    // No letters give the width 0; the grid keeps its columns one pixel wide.
    tvOption.DataColWidthH = 0;
    EXPECT_EQ(DataColumnWidthH(records.fontMetrics()), 0);
    ApplyControlStyle(&records);
    EXPECT_EQ(records.DefaultColWidth(), 1);
}

TEST(FormShell, AWindowBelongsToItsConnectionAndSelectsItWhenActivated)
{
    TestDb db1("form");
    TV_REQUIRE_DB(db1);
    TestDb db2("form");
    ShellSession s;
    const DbParams &p1 = db1.params();
    const DbParams &p2 = db2.params();
    s.Start(LogonArgs(p1));
    s.FirstPaint();
    TfrmObject *a = s.Form(0);
    ASSERT_NE(a, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    TfrmObject *b = TfrmObject::Create(s.main.get(), p2.host, p2.port, p2.database, QString(), p2.user, p2.password);
    ASSERT_NE(b, nullptr);
    const QString textA = a->ConnectionText(), textB = b->ConnectionText();
    ASSERT_NE(textA, textB);
    EXPECT_EQ(s.main->cmbDBName->currentText(), textB);

    // Opened by the main window: the current connection; by a connection
    // window: that one.
    auto *byMain = new ShellForm(s.main.get());
    EXPECT_EQ(byMain->OwnerForm(), b);
    auto *w = new ShellForm(a);
    EXPECT_EQ(w->OwnerForm(), a);
    w->CreateTaskButton();
    w->ShowForm();
    EXPECT_EQ(s.main->cmbDBName->currentText(), textA);
    EXPECT_TRUE(w->TaskButton()->isChecked());

    // Its data sets read through the connection window's main connection.
    tv::db::Query *q = w->NewQuery();
    q->SetSQL(QStringLiteral("SELECT current_database()"));
    q->Open();
    EXPECT_EQ(q->Fields(0).AsString(), p1.database);
    w->qryData->OpenSQL(QStringLiteral("SELECT 1 AS n UNION ALL SELECT 2"));
    EXPECT_EQ(w->qryData->RecordCount(), 2);

    s.main->mdiMain->setActiveSubWindow(s.main->SubWindowOf(b));
    EXPECT_EQ(s.main->cmbDBName->currentText(), textB);
    s.main->mdiMain->setActiveSubWindow(w->Frame());
    EXPECT_EQ(s.main->cmbDBName->currentText(), textA);

    // The connection window asks the windows it owns: Cancel keeps both.
    w->SetModified(true);
    s.dialogs.queueButton(tv::ui::IDCANCEL);
    EXPECT_FALSE(s.main->SubWindowOf(a)->close());
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("情報が変更されています。コンパイルしますか？")});

    // No: the connection window closes and its window goes with it, grid and all.
    QPointer<ShellForm> gone = w;
    s.dialogs.queueButton(tv::ui::IDNO);
    EXPECT_TRUE(s.main->SubWindowOf(a)->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_EQ(byMain->OwnerForm(), b);
    delete byMain;
}

TEST(FormShell, ShuttingDownAsksAModifiedWindowOnce)
{
    TestDb db("form");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *a = s.Form(0);
    ASSERT_NE(a, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    auto *w = new ShellForm(a);
    w->ShowForm();
    w->SetModified(true);

    s.dialogs.queueButton(tv::ui::IDNO);
    EXPECT_TRUE(s.CloseMain());
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("情報が変更されています。コンパイルしますか？")});
}
