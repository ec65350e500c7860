// The tool buttons of the SQL window, its result frame, the history list and
// the logon dialog show the images of the main image list: every button has
// an icon, none shows a bare number, captions only where the window has one.
#include "shell/ShellTestSupport.h"

#include "shell/ImageList.h"
#include "shell/frmLogon.h"
#include "sql/frmSQL.h"
#include "sql/frmSQLLog.h"

#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>

using namespace tvtest;

namespace {

struct Expected {
    QString name;    // object name of the button
    int image;       // index in the main image list
    QString caption; // shown beside the image; empty: the image only
};

QImage Pixels(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The text a tool button shows.
QString ShownText(const QToolButton *b)
{
    return b->toolButtonStyle() == Qt::ToolButtonIconOnly ? QString() : b->text();
}

// Every visible tool button of `window` has an icon and shows no number;
// the named ones show their image and caption.
void CheckButtons(QWidget *window, const QList<Expected> &expected)
{
    const QRegularExpression number(QStringLiteral("^\\s*\\d+\\s*$"));
    int walked = 0;
    for (QToolButton *b : window->findChildren<QToolButton *>()) {
        if (!b->isVisibleTo(window) || b->objectName().startsWith(QLatin1String("qt_")))
            continue;
        ++walked;
        const QString who = b->objectName().isEmpty() ? b->toolTip() : b->objectName();
        SCOPED_TRACE(who.toStdString());
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_FALSE(number.match(ShownText(b)).hasMatch()) << ShownText(b).toStdString();
    }
    EXPECT_GE(walked, int(expected.size()));
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.name.toStdString());
        auto *b = window->findChild<QToolButton *>(e.name);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->isVisibleTo(window));
        EXPECT_TRUE(HasMainImage(e.image)) << e.image;
        EXPECT_EQ(Pixels(b->icon()), Pixels(DrawMainImage(e.image))) << e.image;
        // A tool button underlines its mnemonic instead of showing the "&".
        EXPECT_EQ(ShownText(b).remove(u'&').toStdString(), QString(e.caption).remove(u'&').toStdString());
    }
}

} // namespace

TEST(ButtonImages, SQLWindowAndItsResultFrame)
{
    ShellSession s;
    s.Start({}); // not shown: its first paint would open the logon dialog
    auto *w = new TfrmSQL(s.main.get());
    w->resize(800, 600);
    w->show(); // on its own, so that its tool bars are laid out
    QApplication::processEvents();
    CheckButtons(w, {
                        {"btnExec", 28, "実行(&E)"},
                        {"btnPrev", 29, "前(&P)"},
                        {"btnNext", 30, "次(&N)"},
                        {"btnLog", 86, "履歴(&L)"},
                        {"btnExit", 42, "終了(&X)"},
                        {"btnOpen", 17, ""},
                        {"btnSave", 18, ""},
                        {"btnShowDesign", 110, ""},
                        {"btnExplan", 112, ""},
                    });
    TfraData *f = w->fraData;
    CheckButtons(f, {
                        {"btnUpdate", 88, ""},
                        {"btnGridType", 87, ""},
                        {"btnExcel", 44, ""},
                        {"btnCopy", 21, ""},
                        {"btnIns", 39, ""},
                        {"btnDel", 40, ""},
                        {"btnFirst", 37, ""},
                        {"btnPrev", 35, ""},
                        {"btnNext", 36, ""},
                        {"btnLast", 38, ""},
                    });
    // The edit toggle shows whether it is down.
    f->btnUpdate->setChecked(false);
    const QImage up = f->btnUpdate->grab().toImage();
    f->btnUpdate->setChecked(true);
    const QImage down = f->btnUpdate->grab().toImage();
    EXPECT_NE(up, down);
    w->close();
    delete w;
}

TEST(ButtonImages, HistoryListAndLogonDialog)
{
    ShellSession s;
    s.Start({}); // not shown: its first paint would open the logon dialog
    TfrmSQLLog log(s.main.get());
    log.show();
    CheckButtons(&log, {
                           {"btnSelect", 15, "選択(&S)"},
                           {"btnExit", 42, "終了(&X)"},
                           {"btnUp", 35, ""},
                           {"btnDown", 36, ""},
                           {"btnDel", 41, ""},
                           {"btnFind", 23, ""},
                       });

    TfrmLogon logon(s.main.get());
    logon.show();
    // The dialog's list buttons are its actions' buttons.
    const QList<std::pair<QAction *, int>> actions{
        {logon.actUp, 35}, {logon.actDown, 36}, {logon.actDel, 41}, {logon.actImport, 8}};
    QList<Expected> expected;
    for (const auto &[a, image] : actions) {
        QToolButton *b = nullptr;
        for (QToolBar *bar : logon.findChildren<QToolBar *>())
            if (!b)
                b = qobject_cast<QToolButton *>(bar->widgetForAction(a));
        ASSERT_NE(b, nullptr) << a->objectName().toStdString();
        b->setObjectName(QStringLiteral("button of ") + a->objectName());
        expected.push_back({b->objectName(), image, ""});
    }
    CheckButtons(&logon, expected);
}
