#include "sql/frmSQLLog.h"

#include "common/ControlStyle.h"
#include "common/Globals.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/WindowBounds.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QRegularExpression>
#include <QStyle>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kLayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\SQLLOG");
const TWindowBoundsRules kLayoutRules{.Position = false, .Minimum = QSize(200, 150), .NormalStateOnly = true};

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString EntryName(int n)
{
    return QStringLiteral("SQLLOG") + QString::number(n) + QStringLiteral(".SQL");
}

bool Listed(const QString &name)
{
    for (const QString &s : std::as_const(SQLLogList))
        if (s.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Letters a to z upper-cased, nothing else.
QString UpperAscii(const QString &s)
{
    QString r = s;
    for (QChar &c : r)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    return r;
}
} // namespace

namespace sqllog {

QString EntryPath(const QString &name)
{
    return tvOption.TempDir + name;
}

bool WriteIndex(QString *error)
{
    QString text;
    for (const QString &name : std::as_const(SQLLogList))
        text += name + QStringLiteral("\r\n");
    // The start-up reader takes ANSI unless a byte-order mark says
    // otherwise: the ASCII names read alike in ANSI, UTF-7 and UTF-8, but
    // UTF-16 needs its mark.
    const tv::text::Encoding enc = GetFileEncoding();
    const bool bom = enc == tv::text::Encoding::Utf16LE || enc == tv::text::Encoding::Utf16BE;
    return tv::text::WriteTextFile(EntryPath(QStringLiteral("SQLLOG.IDX")), text, enc, bom, error);
}

bool SaveEntry(const QString &text)
{
    const int buf = tvOption.SQLBuf;
    if (buf <= 0)
        return true;
    if (SQLLogList.size() >= buf)
        SQLLogList.removeLast();
    if (!QDir().mkpath(tvOption.TempDir))
        return false;
    for (int n = 1; n <= buf; ++n) {
        const QString name = EntryName(n);
        if (Listed(name))
            continue;
        SQLLogList.insert(0, name);
        if (!tv::text::WriteTextFile(EntryPath(name), text, GetFileEncoding(), false))
            return false;
        return WriteIndex();
    }
    return true;
}

bool ReadEntry(int index, QString *text)
{
    text->clear();
    if (index < 0 || index >= SQLLogList.size())
        return false;
    return tv::text::ReadTextFile(EntryPath(SQLLogList.at(index)), GetFileEncoding(), text);
}

} // namespace sqllog

// ---------------------------------------------------------------------------

TfrmSQLLog::TfrmSQLLog(QWidget *AOwner) : QDialog(AOwner)
{
    setObjectName(QStringLiteral("frmSQLLog"));
    setWindowTitle(QStringLiteral("SQL 一覧"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    if (AOwner)
        setWindowIcon(AOwner->windowIcon());
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [this](const char *name, const QString &text, const QIcon &icon) {
        auto *b = new QToolButton(tolCmd);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(text);
        b->setIcon(icon);
        tolCmd->addWidget(b);
        return b;
    };
    btnSelect = button("btnSelect", QStringLiteral("選択(&S)"), img(15));
    btnExit = button("btnExit", QStringLiteral("終了(&X)"), img(42));
    tolCmd->addSeparator();
    btnUp = button("btnUp", QStringLiteral("上に移動"), img(35));
    btnDown = button("btnDown", QStringLiteral("下に移動"), img(36));
    btnDel = button("btnDel", QStringLiteral("削除"), img(41));
    tolCmd->addSeparator();
    txtFind = new QLineEdit(tolCmd);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    tolCmd->addWidget(txtFind);
    btnFind = button("btnFind", QStringLiteral("検索"), img(23));
    // Caption buttons show their caption beside the image, image buttons
    // the image only (their text is the hint).
    for (QToolButton *b : {btnSelect, btnExit})
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QToolButton *b : {btnUp, btnDown, btnDel, btnFind})
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    lay->addWidget(tolCmd);

    auto *split = new QSplitter(Qt::Vertical, this);
    lstSQL = new QListWidget(split);
    lstSQL->setObjectName(QStringLiteral("lstSQL"));
    lstSQL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstSQL->installEventFilter(this);
    txtSQL = new TtvMemo(split);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    ApplyControlStyle(txtSQL);
    txtSQL->SetReadOnly(true);
    lay->addWidget(split, 1);
    txtFind->installEventFilter(this);

    using tv::ui::Guarded;
    connect(lstSQL, &QListWidget::currentRowChanged, this, Guarded([this] { lstSQLClick(); }));
    connect(lstSQL, &QListWidget::itemDoubleClicked, this, Guarded([this] { SelectClick(); }));
    connect(btnSelect, &QToolButton::clicked, this, Guarded([this] { SelectClick(); }));
    connect(btnExit, &QToolButton::clicked, this, [this] { reject(); });
    connect(btnUp, &QToolButton::clicked, this, Guarded([this] { btnUpClick(); }));
    connect(btnDown, &QToolButton::clicked, this, Guarded([this] { btnDownClick(); }));
    connect(btnDel, &QToolButton::clicked, this, Guarded([this] { btnDelClick(); }));
    connect(btnFind, &QToolButton::clicked, this, Guarded([this] { btnFindClick(); }));
    // The find box folds to lower case unless names keep their case.
    connect(txtFind, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (!tvOption.UseLowerName && t != t.toLower()) {
            const int pos = txtFind->cursorPosition();
            txtFind->setText(t.toLower());
            txtFind->setCursorPosition(pos);
        }
    });
    resize(640, 480);
}

TfrmSQLLog::~TfrmSQLLog() = default;

void TfrmSQLLog::FillList()
{
    lstSQL->clear();
    for (int i = 0; i < SQLLogList.size(); ++i) {
        QString text;
        QString item;
        const QString path = sqllog::EntryPath(SQLLogList.at(i));
        if (tv::text::ReadTextFile(path, GetFileEncoding(), &text)) {
            const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
            item = QFileInfo(path).lastModified().toString(tvOption.DateFormat + QLatin1Char(' ') + tvOption.TimeDelphi) +
                   QStringLiteral("    ") + lines.mid(0, 5).join(QLatin1Char(' '));
        }
        lstSQL->addItem(item);
    }
}

bool TfrmSQLLog::IsMarked(int index) const
{
    const QListWidgetItem *it = lstSQL->item(index);
    return it && it->data(Qt::UserRole).toBool();
}

void TfrmSQLLog::lstSQLClick()
{
    QString text;
    sqllog::ReadEntry(lstSQL->currentRow(), &text);
    txtSQL->Lines()->SetText(text);
    txtSQL->EditorUndoObj()->Clear();
    txtSQL->SetRowCol(0, 0);
}

void TfrmSQLLog::SelectClick()
{
    if (lstSQL->currentRow() < 0)
        return;
    FIsSelect = true;
    accept();
}

void TfrmSQLLog::Move(int delta)
{
    const QList<QListWidgetItem *> sel = lstSQL->selectedItems();
    if (sel.size() > 1) {
        ShowMessageBox(QStringLiteral("同時に複数行を移動する事は出来ません。１行だけ選択して下さい。"),
                       tv::ui::MB_ICONWARNING);
        return;
    }
    if (sel.size() != 1)
        return;
    const int i = lstSQL->row(sel.first());
    const int j = i + delta;
    if (j < 0 || j >= lstSQL->count() || j >= SQLLogList.size())
        return;
    SQLLogList.swapItemsAt(i, j);
    QListWidgetItem *item = lstSQL->takeItem(i);
    lstSQL->insertItem(j, item);
    lstSQL->clearSelection();
    lstSQL->setCurrentItem(item);
    item->setSelected(true);
}

void TfrmSQLLog::btnUpClick()
{
    Move(-1);
}

void TfrmSQLLog::btnDownClick()
{
    Move(1);
}

void TfrmSQLLog::btnDelClick()
{
    for (int i = lstSQL->count() - 1; i >= 0; --i) {
        if (!lstSQL->item(i)->isSelected())
            continue;
        if (i < SQLLogList.size())
            SQLLogList.removeAt(i);
        delete lstSQL->takeItem(i);
    }
}

void TfrmSQLLog::btnFindClick()
{
    if (txtFind->text().trimmed().isEmpty())
        return;
    WaitCursor wait;
    const QString find = UpperAscii(txtFind->text());
    for (int i = 0; i < lstSQL->count(); ++i) {
        QString text;
        if (!sqllog::ReadEntry(i, &text))
            continue; // an unreadable entry keeps its mark
        const bool hit = UpperAscii(text).contains(find);
        QListWidgetItem *it = lstSQL->item(i);
        it->setData(Qt::UserRole, hit);
        it->setForeground(hit ? QBrush(QColor(0, 0, 255)) : QBrush());
    }
}

bool TfrmSQLLog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (watched == lstSQL && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            tv::ui::Guard([this] { SelectClick(); });
            return true;
        }
        if (watched == lstSQL && k->key() == Qt::Key_Delete) {
            tv::ui::Guard([this] { btnDelClick(); });
            return true;
        }
        if (watched == txtFind && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            tv::ui::Guard([this] { btnFindClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSQLLog::LoadLayout()
{
    LoadWindowBounds(*this, kLayoutKey, kLayoutRules);
}

void TfrmSQLLog::SaveLayout()
{
    try {
        SaveWindowBounds(*this, kLayoutKey, kLayoutRules);
    } catch (...) {
        // A store that cannot be written loses the size.
    }
}

int TfrmSQLLog::ShowWindow(QWidget *AOwner)
{
    TfrmSQLLog dlg(AOwner);
    if (AOwner) {
        const QPoint origin = AOwner->mapToGlobal(QPoint(0, 0));
        dlg.move(origin.x() + QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), origin.y());
    }
    dlg.FillList();
    dlg.LoadLayout();
    dlg.exec();
    const int result = dlg.FIsSelect ? dlg.lstSQL->currentRow() : -1;
    dlg.SaveLayout();
    return result;
}
