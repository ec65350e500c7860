#include "sql/frmTemplate.h"

#include "common/ControlStyle.h"
#include "common/IMainWindow.h"
#include "editor/EditorBracketCollection.h"
#include "editor/EditorStrings.h"
#include "editor/EditorViewInfo.h"
#include "editor/FountainBracketItem.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kSettingsKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\TEMPLATE");
constexpr int kLineRole = Qt::UserRole + 1;
QString g_templateFolder;

struct OverrideCursor {
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
};


} // namespace

QString TfrmTemplate::TemplateFolder()
{
    return g_templateFolder.isEmpty() ? tv::settings::ProgramDir() : g_templateFolder;
}

void TfrmTemplate::SetTemplateFolder(const QString &folder)
{
    g_templateFolder = folder;
    if (!g_templateFolder.isEmpty() && !g_templateFolder.endsWith(QLatin1Char('/')))
        g_templateFolder += QLatin1Char('/');
}

void TfrmTemplate::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewTemplate"),
                       [](const TLaunchContext &c) -> QWidget * { return ShowWindow(c.Argument); });
}

TfrmTemplate *TfrmTemplate::ShowWindow(const QString &SelectWord)
{
    IMainWindow *m = MainWindow();
    auto *w = new TfrmTemplate(m ? m->MainWidget() : nullptr);
    try {
        w->txtFind->setText(SelectWord.toUpper().trimmed());
        w->LoadTemplateFile();
    } catch (...) {
        delete w;
        throw;
    }
    w->LoadWindowLayout();
    w->show();
    w->raise();
    w->activateWindow();
    w->txtFind->setFocus();
    return w;
}

TfrmTemplate::TfrmTemplate(QWidget *owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmTemplate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("SQL リファレンス"));
    setWindowIcon(MainWindowImage(93));
    resize(640, 480);

    splTemplate = new QSplitter(Qt::Horizontal, this);
    splTemplate->setObjectName(QStringLiteral("splTemplate"));
    splTemplate->setChildrenCollapsible(false);
    auto *left = new QWidget(splTemplate);
    left->setMinimumWidth(30);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Ver."), left), 0, 0);
    cmbVersion = new QComboBox(left);
    cmbVersion->setObjectName(QStringLiteral("cmbVersion"));
    grid->addWidget(cmbVersion, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("検索"), left), 1, 0);
    txtFind = new QLineEdit(left);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    grid->addWidget(txtFind, 1, 1);
    auto *leftLay = new QVBoxLayout(left);
    leftLay->setContentsMargins(0, 0, 0, 0);
    leftLay->addLayout(grid);
    lstTemplate = new QTreeWidget(left);
    lstTemplate->setObjectName(QStringLiteral("lstTemplate"));
    lstTemplate->setHeaderHidden(true);
    lstTemplate->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTemplate->setSelectionBehavior(QAbstractItemView::SelectRows);
    leftLay->addWidget(lstTemplate, 1);
    txtSQL = new TtvMemo(splTemplate);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    ApplyControlStyle(txtSQL);
    txtSQL->SetReadOnly(true);
    // Spans between "{ " and " }" in the colour of the first bracket pair.
    TEditorBracketCollection *brackets = txtSQL->View()->Brackets();
    TFountainBracketItem *first = brackets->Count() > 0 ? brackets->GetBracketItem(0) : brackets->Add();
    first->SetLeftBracket(QStringLiteral("{ "));
    first->SetRightBracket(QStringLiteral(" }"));
    splTemplate->setSizes({200, 440});

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(splTemplate);

    // Files of the reference folder, sorted, shown in upper case; the last selected.
    QStringList names;
    for (const QFileInfo &fi : QDir(TemplateFolder()).entryInfoList({QStringLiteral("*.tpl")}, QDir::Files))
        names << fi.completeBaseName();
    names.sort(Qt::CaseInsensitive);
    for (const QString &n : names)
        cmbVersion->addItem(n.toUpper(), n);
    cmbVersion->setCurrentIndex(int(names.size()) - 1);

    FChangeDelay = new QTimer(this);
    FChangeDelay->setSingleShot(true);
    FChangeDelay->setInterval(50);
    connect(FChangeDelay, &QTimer::timeout, this, tv::ui::Guarded([this] { lstTemplateChange(); }));
    connect(lstTemplate, &QTreeWidget::currentItemChanged, this, [this] { FChangeDelay->start(); });
    connect(cmbVersion, &QComboBox::activated, this, tv::ui::Guarded([this](int) { LoadTemplateFile(); }));
    connect(txtFind, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (t == t.toUpper())
            return;
        const int pos = txtFind->cursorPosition();
        txtFind->setText(t.toUpper());
        txtFind->setCursorPosition(pos);
    });
    txtFind->installEventFilter(this);
}

TfrmTemplate::~TfrmTemplate()
{
    SaveWindowLayout();
}

void TfrmTemplate::LoadTemplateFile()
{
    const QString name = cmbVersion->currentIndex() < 0 ? QString() : cmbVersion->currentData().toString();
    QString error;
    if (name.isEmpty()) {
        throw tv::Error(QStringLiteral("ファイル \"") + TemplateFolder() + QStringLiteral(".tpl\" が見つかりません。"));
    }
    if (!FFile.LoadFromFile(TemplateFolder() + name + QStringLiteral(".tpl"), &error))
        throw tv::Error(error);
    BuildTemplateTree();
}

void TfrmTemplate::BuildTemplateTree()
{
    OverrideCursor cursor(Qt::WaitCursor);
    FChangeDelay->stop();
    const QSignalBlocker block(lstTemplate);
    lstTemplate->clear();
    txtSQL->Lines()->Clear();
    const QIcon categoryIcon = MainWindowImage(72), entryIcon = MainWindowImage(93);
    const QString find = txtFind->text().trimmed();
    QTreeWidgetItem *lastCategory = nullptr;
    for (const TTemplateFile::TNode &n : FFile.BuildTree()) {
        auto *top = new QTreeWidgetItem(lstTemplate, {n.Text});
        top->setData(0, kLineRole, n.Line);
        top->setIcon(0, n.Category ? categoryIcon : entryIcon);
        if (n.Category)
            lastCategory = top;
        for (const TTemplateFile::TNode &e : n.Children) {
            if (!find.isEmpty() && !FFile.GetEntryText(e.Text).join(QLatin1Char('\n')).contains(find))
                continue;
            auto *item = new QTreeWidgetItem(top, {e.Text});
            item->setData(0, kLineRole, e.Line);
            item->setIcon(0, entryIcon);
        }
        // Every category but the last is expanded once the next one comes.
        top->setExpanded(true);
    }
    if (lastCategory)
        lastCategory->setExpanded(true);
    if (lstTemplate->topLevelItemCount() == 0)
        return;
    lstTemplate->scrollToTop();
    QTreeWidgetItem *select = lstTemplate->topLevelItem(0);
    const QString typed = txtFind->text();
    for (QTreeWidgetItemIterator it(lstTemplate); *it; ++it)
        if ((*it)->text(0).contains(typed)) {
            select = *it;
            break;
        }
    lstTemplate->setCurrentItem(select);
    lstTemplateChange();
}

QStringList TfrmTemplate::GetEntryText(QTreeWidgetItem *node) const
{
    if (!node || !node->parent())
        return {};
    return FFile.GetEntryText(node->text(0));
}

void TfrmTemplate::lstTemplateChange()
{
    QTreeWidgetItem *node = lstTemplate->currentItem();
    if (!node)
        return;
    txtSQL->Lines()->SetText(GetEntryText(node).join(QStringLiteral("\r\n")));
    tv::ui::Guard([this] { txtSQL->Jump(1); });
}

QStringList TfrmTemplate::EntryNames() const
{
    QStringList l;
    for (QTreeWidgetItemIterator it(lstTemplate); *it; ++it)
        if ((*it)->parent())
            l << (*it)->text(0);
    return l;
}

QString TfrmTemplate::ShownText() const
{
    return txtSQL->Lines()->Text();
}

bool TfrmTemplate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtFind) {
        if (event->type() == QEvent::FocusIn)
            FFindOnEnter = txtFind->text();
        else if (event->type() == QEvent::FocusOut && txtFind->text() != FFindOnEnter)
            tv::ui::Guard([this] { BuildTemplateTree(); });
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmTemplate::LoadWindowLayout()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(kSettingsKey) || !reg.OpenKeyReadOnly(kSettingsKey))
        return;
    const int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    QRect g = geometry();
    g.moveTo(reg.GetInteger(QStringLiteral("Left"), g.left()), reg.GetInteger(QStringLiteral("Top"), g.top()));
    g.setWidth(std::max(200, reg.GetInteger(QStringLiteral("Width"), g.width())));
    g.setHeight(std::max(150, reg.GetInteger(QStringLiteral("Height"), g.height())));
    reg.CloseKey();
    setGeometry(g);
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
}

void TfrmTemplate::SaveWindowLayout()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        const bool max = windowState() & Qt::WindowMaximized;
        reg.WriteInteger(QStringLiteral("WindowState"), max ? 2 : 0);
        if (!max) {
            reg.WriteInteger(QStringLiteral("Left"), x());
            reg.WriteInteger(QStringLiteral("Top"), y());
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}
