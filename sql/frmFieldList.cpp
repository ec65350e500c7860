#include "sql/frmFieldList.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/Quote.h"
#include "common/RecParam.h"
#include "common/WindowBounds.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kLayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\FIELDLIST");
const TWindowBoundsRules kLayoutRules{.Position = false, .Minimum = QSize(200, 150), .NormalStateOnly = true};
} // namespace

TfrmFieldList::TfrmFieldList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFieldList"));
    setWindowTitle(QStringLiteral("項目一覧"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto *lay = new QVBoxLayout(this);
    auto *titles = new QHBoxLayout;
    titles->addWidget(new QLabel(QStringLiteral("表示する項目"), this), 1);
    titles->addSpacing(40);
    lblAll = new QLabel(QStringLiteral("選択可能な項目"), this);
    lblAll->setObjectName(QStringLiteral("lblAll"));
    titles->addWidget(lblAll, 1);
    lay->addLayout(titles);

    auto *pnlSelect = new QHBoxLayout;
    auto list = [this](const char *name) {
        auto *l = new QListWidget(this);
        l->setObjectName(QLatin1String(name));
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        l->installEventFilter(this);
        return l;
    };
    lstSelect = list("lstSelect");
    lstAll = list("lstAll");
    auto *tolInsDel = new QVBoxLayout;
    auto tool = [this, tolInsDel](const char *name, const QString &hint, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setText(text);
        tolInsDel->addWidget(b);
        return b;
    };
    tolInsDel->addStretch(1);
    btnInsAll = tool("btnInsAll", QStringLiteral("全て追加"), QStringLiteral("<<"));
    btnIns = tool("btnIns", QStringLiteral("追加"), QStringLiteral("<"));
    btnDel = tool("btnDel", QStringLiteral("削除"), QStringLiteral(">"));
    btnDelAll = tool("btnDelAll", QStringLiteral("全て削除"), QStringLiteral(">>"));
    tolInsDel->addStretch(1);
    pnlSelect->addWidget(lstSelect, 1);
    pnlSelect->addLayout(tolInsDel);
    pnlSelect->addWidget(lstAll, 1);
    lay->addLayout(pnlSelect, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    btnSelect = new QPushButton(QStringLiteral("選択(&S)"), this);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnSelect->setAutoDefault(false);
    btnExit = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setAutoDefault(false);
    bottom->addWidget(btnSelect);
    bottom->addWidget(btnExit);
    lay->addLayout(bottom);

    using tv::ui::Guarded;
    connect(btnIns, &QToolButton::clicked, this, Guarded([this] { btnInsClick(); }));
    connect(btnDel, &QToolButton::clicked, this, Guarded([this] { btnDelClick(); }));
    connect(btnInsAll, &QToolButton::clicked, this, Guarded([this] { btnInsAllClick(); }));
    connect(btnDelAll, &QToolButton::clicked, this, Guarded([this] { btnDelAllClick(); }));
    connect(lstAll, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
    connect(lstSelect, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
    connect(btnSelect, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, 360);
}

QString TfrmFieldList::FieldListSQL(int serverVersion)
{
    QStringList kinds{QStringLiteral("'r'"), QStringLiteral("'v'"), QStringLiteral("'t'"), QStringLiteral("'f'")};
    if (serverVersion > 90299)
        kinds << QStringLiteral("'m'");
    // Partitioned tables show their columns as well.
    if (serverVersion >= 100000)
        kinds << QStringLiteral("'p'");
    return QStringList{QStringLiteral("SELECT A.attname"),
                       QStringLiteral("FROM   pg_class            C"),
                       QStringLiteral("LEFT JOIN pg_namespace     N"),
                       QStringLiteral(" ON  C.relnamespace    =   N.oid"),
                       QStringLiteral("LEFT JOIN pg_attribute     A"),
                       QStringLiteral(" ON  C.oid             =   A.attrelid"),
                       QStringLiteral("WHERE  A.attisdropped  =   'false'"),
                       QStringLiteral("AND    C.relkind       IN  ("),
                       kinds.join(QLatin1Char(',')),
                       QStringLiteral(")"),
                       QStringLiteral("AND    N.nspname       =   :SCHEMA"),
                       QStringLiteral("AND    C.relname       =   :TBLNAME"),
                       QStringLiteral("AND    A.attnum        >   0"),
                       QStringLiteral("ORDER"),
                       QStringLiteral("BY     A.attnum")}
        .join(QLatin1Char(' '));
}

void TfrmFieldList::Fill(const QStringList &columns, const QStringList &chosen)
{
    lstSelect->clear();
    lstAll->clear();
    for (const QString &c : columns) {
        if (chosen.contains(c) || chosen.contains(QuoteIdentifier(c)))
            lstSelect->addItem(c);
        else
            lstAll->addItem(c);
    }
    // With every column chosen, all of them are offered and none chosen.
    if (lstAll->count() == 0)
        MoveItems(lstSelect, lstAll, true);
}

QStringList TfrmFieldList::Chosen() const
{
    QStringList l;
    for (int i = 0; i < lstSelect->count(); ++i)
        l << lstSelect->item(i)->text();
    return l;
}

void TfrmFieldList::MoveItems(QListWidget *from, QListWidget *to, bool all)
{
    for (int i = 0; i < from->count();) {
        QListWidgetItem *it = from->item(i);
        if (all || it->isSelected()) {
            to->addItem(from->takeItem(i)->text());
            delete it;
        } else {
            ++i;
        }
    }
}

void TfrmFieldList::btnInsClick()
{
    MoveItems(lstAll, lstSelect, false);
}

void TfrmFieldList::btnDelClick()
{
    MoveItems(lstSelect, lstAll, false);
}

void TfrmFieldList::btnInsAllClick()
{
    MoveItems(lstAll, lstSelect, true);
}

void TfrmFieldList::btnDelAllClick()
{
    MoveItems(lstSelect, lstAll, true);
}

bool TfrmFieldList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == lstAll && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            btnInsClick();
            return true;
        }
        if (watched == lstSelect && key == Qt::Key_Delete) {
            btnDelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFieldList::LoadLayout()
{
    LoadWindowBounds(*this, kLayoutKey, kLayoutRules);
}

void TfrmFieldList::SaveLayout()
{
    try {
        SaveWindowBounds(*this, kLayoutKey, kLayoutRules);
        tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
        tv::settings::TRegistryKeyCloser closer(reg);
        if (reg.OpenKey(kLayoutKey, true))
            reg.WriteInteger(QStringLiteral("WindowState"), isMaximized() ? 2 : 0);
    } catch (...) {
        // The layout is a convenience; a store that cannot be written loses it.
    }
}

bool TfrmFieldList::ShowWindow(IConnectionWindow *AOwner, const QString &Schema, const QString &TableName,
                               QStringList &FieldList)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    QStringList columns;
    {
        tv::db::Query q(&conn);
        q.SetSQL(FieldListSQL(AOwner->DBVer()));
        q.ParamByName(QStringLiteral("SCHEMA")).Value = Schema;
        q.ParamByName(QStringLiteral("TBLNAME")).Value = TableName;
        q.Open();
        for (const auto &rows = q.Results(); rows && columns.size() < rows->rowCount();)
            columns << rows->text(int(columns.size()), 0);
    }
    QWidget *ownerWidget = AOwner->FormWidget();
    TfrmFieldList dlg(ownerWidget ? ownerWidget->window() : nullptr);
    const tv::db::ConnectionParams &p = conn.Params();
    const TRecParam rec = MakeRecParam(p.Server, p.Database, Schema, QString::number(p.Port), p.User_Name,
                                       p.Password, TableName, QString(), QString());
    dlg.setWindowTitle(QStringLiteral("項目一覧 - ") + FormatRecParamCaption(rec, 4, false));
    if (IMainWindow *main = MainWindow()) {
        const QIcon icon = main->MainImage(12);
        if (!icon.isNull())
            dlg.setWindowIcon(icon);
    }
    if (ownerWidget) {
        const QPoint origin = ownerWidget->mapToGlobal(QPoint(0, 0));
        dlg.move(origin.x() + QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), origin.y());
    }
    dlg.LoadLayout();
    dlg.Fill(columns, FieldList);
    const int result = dlg.exec();
    dlg.SaveLayout();
    if (result != QDialog::Accepted || dlg.lstSelect->count() == 0)
        return false;
    FieldList = dlg.Chosen();
    return true;
}
