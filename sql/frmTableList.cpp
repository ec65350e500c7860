#include "sql/frmTableList.h"

#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/ObjectType.h"
#include "common/RecParam.h"
#include "common/WindowPlacement.h"
#include "common/tvOption.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kSettingsKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\TABLELIST");

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

TfrmTableList::TfrmTableList(IConnectionWindow *AOwner, QWidget *parent) : QDialog(parent), FOwner(AOwner)
{
    setObjectName(QStringLiteral("frmTableList"));
    setWindowTitle(QStringLiteral("表の選択"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };
    if (main)
        setWindowIcon(main->MainImage(12));
    FVersion = AOwner ? AOwner->DBVer() : 0;

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tolTable"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [&](const char *name, const QString &caption, int image, bool toggle) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setIcon(img(image));
        b->setCheckable(toggle);
        b->setToolButtonStyle(toggle ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
        b->setToolTip(QString(caption).remove(QStringLiteral("(&O)")).remove(QStringLiteral("(&X)")));
        bar->addWidget(b);
        return b;
    };
    btnOk = button("btnOk", QStringLiteral("選択(&O)"), 28, false);
    btnExit = button("btnExit", QStringLiteral("終了(&X)"), 42, false);
    bar->addSeparator();
    btnTable = button("btnTable", QStringLiteral("テーブル表示"), 45, true);
    btnView = button("btnView", QStringLiteral("ビュー表示"), 47, true);
    btnMView = button("btnMView", QStringLiteral("マテリアライズドビュー表示"), 61, true);
    btnSynonym = button("btnSynonym", QStringLiteral("シノニム"), 60, true);
    btnTable->setChecked(true);
    btnView->setChecked(true);
    btnMView->setChecked(true);

    auto *filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("スキーマ"), this));
    cmbSchema = new QComboBox(this);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setInsertPolicy(QComboBox::InsertAlphabetically);
    filter->addWidget(cmbSchema, 1);
    filter->addWidget(new QLabel(QStringLiteral("検　索"), this));
    txtFindTable = new QLineEdit(this);
    txtFindTable->setObjectName(QStringLiteral("txtFindTable"));
    filter->addWidget(txtFindTable, 1);

    lstTable = new QListWidget(this);
    lstTable->setObjectName(QStringLiteral("lstTable"));
    lstTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTable->setSortingEnabled(true);

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(bar);
    lay->addLayout(filter);
    lay->addWidget(lstTable, 1);
    resize(320, 400);

    // Server-dependent toggles.
    const bool mview = FVersion >= 90300;
    btnMView->setVisible(mview);
    if (!mview)
        btnMView->setChecked(false);
    const bool edb = AOwner && AOwner->g_bPostgresPlus();
    btnSynonym->setVisible(edb);
    btnSynonym->setChecked(edb);

    using tv::ui::Guarded;
    connect(btnOk, &QToolButton::clicked, this, [this] { accept(); });
    connect(btnExit, &QToolButton::clicked, this, [this] { reject(); });
    for (QToolButton *t : {btnTable, btnView, btnMView, btnSynonym})
        connect(t, &QToolButton::clicked, this, Guarded([this, t] { ToggleClick(t); }));
    connect(cmbSchema, &QComboBox::activated, this, Guarded([this] { ToggleClick(nullptr); }));
    connect(lstTable, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    // Without lower-case names what is typed is folded to lower case.
    connect(txtFindTable, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!tvOption.UseLowerName && text != text.toLower()) {
            const int pos = txtFindTable->cursorPosition();
            txtFindTable->setText(text.toLower());
            txtFindTable->setCursorPosition(pos);
        }
    });
    txtFindTable->installEventFilter(this);

    LoadSettings();

    if (AOwner) {
        QStringList schemas;
        AOwner->GetSchemaInfo(schemas, false);
        schemas.sort();
        cmbSchema->addItems(schemas);
        cmbSchema->setCurrentIndex(cmbSchema->findText(AOwner->dbsMain().Params().MetaDefSchema));
    }
}

TfrmTableList::~TfrmTableList() { SaveSettings(); }

QString TfrmTableList::TableListSQL(bool tables, bool views, bool mviews, bool synonyms, int serverVersion)
{
    const bool partitioned = serverVersion >= 100000;
    QStringList kinds;
    if (tables) {
        kinds << QStringLiteral("'r'") << QStringLiteral("'t'") << QStringLiteral("'f'");
        if (partitioned)
            kinds << QStringLiteral("'p'");
    }
    if (views)
        kinds << QStringLiteral("'v'");
    if (mviews)
        kinds << QStringLiteral("'m'");
    QStringList s{QStringLiteral("SELECT  Cls.relname,"),
                  QStringLiteral("        CASE"),
                  QStringLiteral("          WHEN Cls.relkind = 'r' THEN 'TABLE'"),
                  QStringLiteral("          WHEN Cls.relkind = 't' THEN 'TABLE'"),
                  QStringLiteral("          WHEN Cls.relkind = 'f' THEN 'TABLE'")};
    if (partitioned)
        s << QStringLiteral("          WHEN Cls.relkind = 'p' THEN 'TABLE'");
    s << QStringLiteral("          WHEN Cls.relkind = 'v' THEN 'VIEW'")
      << QStringLiteral("          WHEN Cls.relkind = 'm' THEN 'MATERIALIZED VIEW'")
      << QStringLiteral("        END               AS ObjType") << QStringLiteral("FROM    pg_class          AS Cls")
      << QStringLiteral("LEFT JOIN pg_namespace    AS Nms") << QStringLiteral("  ON  Cls.relnamespace    =   Nms.oid")
      << QStringLiteral("WHERE   Cls.relkind       IN  (") + kinds.join(QStringLiteral(", ")) + QLatin1Char(')')
      << QStringLiteral("AND     Nms.nspname       =   :OWNER");
    if (synonyms)
        s << QStringLiteral("UNION") << QStringLiteral("SELECT  Syn.synname,") << QStringLiteral("'SYNONYM'")
          << QStringLiteral("FROM    pg_synonym     AS Syn") << QStringLiteral("LEFT JOIN pg_namespace AS Nms")
          << QStringLiteral("  ON  Syn.synnamespace =  Nms.oid") << QStringLiteral("WHERE   Nms.nspname    =  :OWNER");
    s << QStringLiteral("ORDER BY 1");
    return s.join(QLatin1Char(' '));
}

void TfrmTableList::FillList()
{
    WaitCursor wait;
    lstTable->clear();
    if (!FOwner)
        return;
    tv::db::Query q(&FOwner->dbsMain());
    q.SetSQL(TableListSQL(btnTable->isChecked(), btnView->isChecked(), btnMView->isChecked(),
                          btnSynonym->isChecked(), FVersion));
    q.ParamByName(QStringLiteral("OWNER")).Value = cmbSchema->currentText();
    q.Open();
    const QString find = txtFindTable->text().trimmed().toLower();
    IMainWindow *main = MainWindow();
    const auto &rows = q.Results();
    for (int r = 0; rows && r < rows->rowCount(); ++r) {
        const QString name = rows->text(r, 0);
        if (!find.isEmpty() && !name.toLower().contains(find))
            continue;
        const int type = ObjectTypeFromName(rows->text(r, 1));
        auto *it = new QListWidgetItem(name);
        it->setData(Qt::UserRole, type);
        if (main)
            it->setIcon(main->MainImage(type));
        lstTable->addItem(it);
    }
}

QStringList TfrmTableList::Chosen() const
{
    QStringList out;
    const QString schema = cmbSchema->currentText();
    for (int i = 0; i < lstTable->count(); ++i)
        if (lstTable->item(i)->isSelected())
            out << (schema.isEmpty() ? lstTable->item(i)->text() : schema + QLatin1Char('.') + lstTable->item(i)->text());
    return out;
}

void TfrmTableList::ToggleClick(QToolButton *clicked)
{
    // Tables or views are always part of the list.
    if (!btnTable->isChecked() && !btnView->isChecked())
        (clicked ? clicked : btnTable)->setChecked(true);
    FillList();
}

bool TfrmTableList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtFindTable && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { FillList(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmTableList::LoadSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(kSettingsKey) || !reg.OpenKeyReadOnly(kSettingsKey))
        return;
    tv::settings::TRegistryKeyCloser closer(reg);
    const int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        resize(std::max(200, reg.GetInteger(QStringLiteral("Width"), width())),
               std::max(150, reg.GetInteger(QStringLiteral("Height"), height())));
        btnTable->setChecked(reg.GetBool(QStringLiteral("ShowTable"), btnTable->isChecked()));
        btnView->setChecked(reg.GetBool(QStringLiteral("ShowView"), btnView->isChecked()));
        if (!btnTable->isChecked() && !btnView->isChecked())
            btnTable->setChecked(true);
    }
}

void TfrmTableList::SaveSettings()
{
    try {
        tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        tv::settings::TRegistryKeyCloser closer(reg);
        const bool maximized = isMaximized();
        reg.WriteInteger(QStringLiteral("WindowState"), maximized ? 2 : 0);
        if (!maximized) {
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
            reg.WriteBool(QStringLiteral("ShowTable"), btnTable->isChecked());
            reg.WriteBool(QStringLiteral("ShowView"), btnView->isChecked());
        }
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}

bool TfrmTableList::ShowWindow(IConnectionWindow *AOwner, QStringList &TableList)
{
    if (!AOwner)
        return false;
    QWidget *ownerWidget = AOwner->FormWidget();
    TfrmTableList dlg(AOwner, ownerWidget ? ownerWidget->window() : nullptr);
    const tv::db::ConnectionParams &p = AOwner->dbsMain().Params();
    dlg.setWindowTitle(QStringLiteral("表の選択 - ") +
                       FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema,
                                                          p.value(QStringLiteral("Port")), p.User_Name, p.Password,
                                                          QString(), QString(), QString()),
                                             0, false));
    const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    dlg.move(QCursor::pos() - QPoint(caption, caption));
    FitOnScreen(&dlg);
    dlg.FillList();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    TableList << dlg.Chosen();
    return true;
}
