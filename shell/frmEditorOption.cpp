#include "shell/frmEditorOption.h"

#include "common/Globals.h"
#include "common/HTMLHelp.h"
#include "common/KeywordList.h"
#include "common/MessageDlg.h"
#include "common/ReserveWords.h"
#include "controls/tvRadioGroup.h"
#include "editor/Editor.h"
#include "editor/EditorCaret.h"
#include "editor/EditorColors.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorMark.h"
#include "editor/EditorMarks.h"
#include "editor/EditorRuler.h"
#include "editor/EditorViewInfo.h"
#include "editor/FountainBracketCollection.h"
#include "editor/FountainBracketItem.h"
#include "editor/FountainColor.h"
#include "editor/tvMemoProp.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using tv::ui::Guard;
using tv::ui::Guarded;
using tv::ui::MB_ICONQUESTION;
using tv::ui::MB_ICONWARNING;
using tv::ui::MB_YESNO;
using tv::ui::IDYES;

namespace {
constexpr int HelpContextEditorOption = 50200;
constexpr int GridCell = 16;
} // namespace

// ---------------------------------------------------------------------------
// The colour grid

TColorGrid::TColorGrid(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("grdColors"));
}

int TColorGrid::CellAt(const QPoint &p) const
{
    const int col = (p.x() - 4) / GridCell, row = (p.y() - 4) / GridCell;
    if (p.x() < 4 || p.y() < 4 || col > 3 || row > 3)
        return -1;
    return row * 4 + col;
}

void TColorGrid::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    for (int i = 0; i < 16 && i < Colors.size(); ++i) {
        const QRect r(4 + (i % 4) * GridCell, 4 + (i / 4) * GridCell, GridCell - 2, GridCell - 2);
        p.fillRect(r, isEnabled() ? tv::ui::ColorToQColor(Colors.at(i)) : palette().color(QPalette::Disabled, QPalette::Window));
        if (i == ForegroundIndex && ForegroundEnabled)
            p.drawText(r, Qt::AlignCenter, QStringLiteral("FG"));
        if (i == BackgroundIndex && BackgroundEnabled)
            p.drawRect(r.adjusted(1, 1, -1, -1));
    }
}

void TColorGrid::mouseReleaseEvent(QMouseEvent *e)
{
    const int cell = CellAt(e->position().toPoint());
    if (cell < 0 || !isEnabled())
        return;
    if (e->button() == Qt::LeftButton && ForegroundEnabled)
        ForegroundIndex = cell;
    else if (e->button() == Qt::RightButton && BackgroundEnabled)
        BackgroundIndex = cell;
    else
        return;
    update();
    if (OnMouseUp)
        OnMouseUp(e->button());
}

// ---------------------------------------------------------------------------
// The colour manager

TEditorColorManager::TEditorColorManager(TColorGrid *grid, QFrame *none, QLabel *fg, QLabel *bg, QCheckBox *bold,
                                         QCheckBox *ul, QCheckBox *italic)
    : FGrid(grid), FNone(none), FFG(fg), FBG(bg), FBold(bold), FUL(ul), FItalic(italic)
{
    InitColorList();
    FGrid->Colors = FColorList;
    FGrid->OnMouseUp = [this](Qt::MouseButton b) { Guard([&] { ColorGridMouseUp(b); }); };
    for (QWidget *w : std::initializer_list<QWidget *>{FNone, FFG, FBG})
        w->installEventFilter(this);
    for (QCheckBox *c : {FBold, FUL, FItalic})
        connect(c, &QCheckBox::toggled, this, [this] { StyleCheckClick(); });
    AttachFountainColor(nullptr);
}

void TEditorColorManager::InitColorList()
{
    FColorList.clear();
    for (TColor c : {tv::ui::clBlack, tv::ui::clMaroon, tv::ui::clGreen, tv::ui::clOlive, tv::ui::clNavy,
                     tv::ui::clPurple, tv::ui::clTeal, tv::ui::clGray, tv::ui::clSilver, tv::ui::clRed,
                     tv::ui::clLime, tv::ui::clYellow, tv::ui::clBlue, tv::ui::clFuchsia, tv::ui::clAqua,
                     tv::ui::clWhite})
        AddColorName(c);
    FColorList.swapItemsAt(7, 8); // silver before gray, as in the grid
    FColorList.append(clNone);
}

void TEditorColorManager::AddColorName(TColor color)
{
    if (FColorList.size() < 16)
        FColorList.append(color);
}

int TEditorColorManager::IndexOf(TColor color) const
{
    const int i = int(FColorList.indexOf(color));
    return i < 0 || i > 15 ? 16 : i;
}

void TEditorColorManager::AttachEditorMark(TEditorMark *mark)
{
    FLoading = true;
    FEditorMark = mark;
    FFountainColor = nullptr;
    FState = 1;
    if (mark) {
        FGrid->ForegroundIndex = IndexOf(mark->Color());
        FFG->setVisible(FGrid->ForegroundIndex > 15);
        FGrid->setEnabled(true);
        FNone->setEnabled(true);
    } else {
        FGrid->ForegroundIndex = 16;
        FGrid->setEnabled(false);
        FNone->setEnabled(false);
        FFG->setVisible(false);
    }
    UpdateControls();
    FLoading = false;
}

void TEditorColorManager::AttachFountainColor(TFountainColor *color)
{
    FLoading = true;
    FFountainColor = color;
    FEditorMark = nullptr;
    FState = 0;
    if (color) {
        FGrid->BackgroundIndex = IndexOf(color->BkColor());
        FGrid->ForegroundIndex = IndexOf(color->Color());
        FGrid->setEnabled(true);
        FNone->setEnabled(true);
        FFG->setVisible(FGrid->ForegroundIndex > 15);
        FBG->setVisible(FGrid->BackgroundIndex > 15);
        FBold->setChecked(color->Style() & FontStyleBit(fsBold));
        FUL->setChecked(color->Style() & FontStyleBit(fsUnderline));
        FItalic->setChecked(color->Style() & FontStyleBit(fsItalic));
        UpdateControls();
    } else {
        FGrid->ForegroundIndex = FGrid->BackgroundIndex = 16;
        FGrid->setEnabled(false);
        FNone->setEnabled(false);
        FFG->setVisible(false);
        FBG->setVisible(false);
        for (QCheckBox *c : {FBold, FUL, FItalic}) {
            c->setChecked(false);
            c->setEnabled(false);
        }
    }
    FLoading = false;
}

void TEditorColorManager::UpdateControls()
{
    FGrid->ForegroundEnabled = true;
    FGrid->BackgroundEnabled = FState == 0;
    if (FState == 0) {
        for (QCheckBox *c : {FBold, FUL, FItalic})
            c->setEnabled(FFountainColor != nullptr);
    } else {
        FBG->setVisible(false);
        const bool was = FLoading;
        FLoading = true;
        for (QCheckBox *c : {FBold, FUL, FItalic}) {
            c->setChecked(false);
            c->setEnabled(false);
        }
        FLoading = was;
    }
    FGrid->update();
}

void TEditorColorManager::ColorGridMouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        const TColor c = FColorList.value(FGrid->ForegroundIndex, clNone);
        if (FState == 1 && FEditorMark)
            FEditorMark->SetColor(c);
        else if (FState == 0 && FFountainColor)
            FFountainColor->SetColor(c);
        FFG->setVisible(false);
    } else if (button == Qt::RightButton && FState == 0 && FFountainColor) {
        FFountainColor->SetBkColor(FColorList.value(FGrid->BackgroundIndex, clNone));
        FBG->setVisible(false);
    }
    Changed();
}

void TEditorColorManager::NoneMouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        if (FState == 1 && FEditorMark)
            FEditorMark->SetColor(clNone);
        else if (FState == 0 && FFountainColor)
            FFountainColor->SetColor(clNone);
        else
            return;
        FGrid->ForegroundIndex = 16;
        FFG->setVisible(true);
    } else if (button == Qt::RightButton && FState == 0 && FFountainColor) {
        FFountainColor->SetBkColor(clNone);
        FGrid->BackgroundIndex = 16;
        FBG->setVisible(true);
    } else {
        return;
    }
    FGrid->update();
    Changed();
}

void TEditorColorManager::StyleCheckClick()
{
    if (FLoading || FState != 0 || !FFountainColor)
        return;
    TFontStyles s = FFountainColor->Style();
    auto set = [&s](QCheckBox *c, TFontStyle bit) {
        if (c->isChecked())
            s |= FontStyleBit(bit);
        else
            s &= TFontStyles(~FontStyleBit(bit));
    };
    set(FBold, fsBold);
    set(FUL, fsUnderline);
    set(FItalic, fsItalic);
    FFountainColor->SetStyle(s);
    Changed();
}

void TEditorColorManager::Changed()
{
    if (FOnChange)
        FOnChange();
}

bool TEditorColorManager::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == FNone || watched == FFG || watched == FBG) && FNone->isEnabled()) {
        const auto button = static_cast<QMouseEvent *>(event)->button();
        Guard([&] { NoneMouseUp(button); });
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The dialog

TfrmEditorOption::TfrmEditorOption(QWidget *parent) : QDialog(parent), FBasicColor(std::make_unique<TFountainColor>())
{
    setObjectName(QStringLiteral("frmEditorOption"));
    setWindowTitle(QStringLiteral("エディタオプション"));
    BuildForm();
}

TfrmEditorOption::~TfrmEditorOption() = default;

bool TfrmEditorOption::ShowWindow(TEditorProp *EditorProp)
{
    if (!EditorProp)
        return false;
    TfrmEditorOption dlg(QApplication::activeWindow());
    return dlg.Execute(EditorProp) == QDialog::Accepted;
}

void TfrmEditorOption::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actToolEditorOption"), [](const TLaunchContext &) -> QWidget * {
        ShowWindow(prpEditor);
        return nullptr;
    });
}

QStringList TfrmEditorOption::FontNames()
{
    QStringList names;
    for (const QString &f : QFontDatabase::families()) {
        if (f.startsWith(QLatin1Char('@')) || !QFontDatabase::isFixedPitch(f))
            continue;
        names << f;
    }
    names.removeAll(QStringLiteral("MS UI Gothic"));
    names << QStringLiteral("MS UI Gothic");
    return names;
}

QStringList TfrmEditorOption::ReserveLines(const QString &text, QString *refused)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &l : lines) {
        l = l.trimmed();
        if (l.contains(QLatin1Char(' ')) || l.contains(QLatin1Char('\t')) || l.contains(QChar(0x3000))) {
            if (refused)
                *refused = l;
            return {};
        }
    }
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    // One pass replacing each pair of line breaks by one: of a run of empty
    // lines every second one goes.
    QString joined = lines.join(QLatin1Char('\n'));
    joined.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    if (joined.isEmpty())
        return {};
    QStringList out = joined.split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

void TfrmEditorOption::BuildForm()
{
    auto *top = new QVBoxLayout(this);
    pagEditor = new QTabWidget;
    pagEditor->setObjectName(QStringLiteral("pagEditor"));
    top->addWidget(pagEditor);

    // 全般
    tabGeneral = new QWidget;
    tabGeneral->setObjectName(QStringLiteral("tabGeneral"));
    auto *gv = new QVBoxLayout(tabGeneral);
    auto *edit = new QGroupBox(QStringLiteral("　編集時の動作 "));
    auto *ev = new QVBoxLayout(edit);
    const struct {
        QCheckBox **box;
        const char *name;
        const char *caption;
        bool TEditorCaret::*field;
    } checks[] = {
        {&chkFreeCaret, "chkFreeCaret", "フリーカーソル ( 改行コードを超えてカーソルを移動できる )", &TEditorCaret::FreeCaret},
        {&chkAutoIndent, "chkAutoIndent", "オートインデント", &TEditorCaret::AutoIndent},
        {&chkBackSpaceUnIndent, "chkBackSpaceUnIndent", "バックスペース アンインデント", &TEditorCaret::BackSpaceUnIndent},
        {&chkInTab, "chkInTab", "タブ文字上を移動可能にする", &TEditorCaret::InTab},
        {&chkNextLine, "chkNextLine", "行末から次行の先頭にカーソルを移動する", &TEditorCaret::NextLine},
        {&chkTabIndent, "chkTabIndent", "タブ文字を使ってインデントする", &TEditorCaret::TabIndent},
        {&chkSoftTab, "chkSoftTab", "タブ文字を空白に置き換える", &TEditorCaret::SoftTab},
        {&chkSelMove, "chkSelMove", "選択領域のマウス・ドラッグを許可", &TEditorCaret::SelMove},
    };
    for (const auto &c : checks) {
        *c.box = new QCheckBox(QString::fromUtf8(c.caption));
        (*c.box)->setObjectName(QString::fromLatin1(c.name));
        ev->addWidget(*c.box);
        auto field = c.field;
        QCheckBox *box = *c.box;
        connect(box, &QCheckBox::toggled, this, [this, field, box] {
            if (FLoading)
                return;
            FSample.Caret()->*field = box->isChecked();
            ApplySample();
        });
    }
    auto *th = new QHBoxLayout;
    th->addWidget(new QLabel(QStringLiteral("タブ文字数")));
    spnTabSize = new QSpinBox;
    spnTabSize->setObjectName(QStringLiteral("spnTabSize"));
    spnTabSize->setRange(2, 8);
    spnTabSize->setSingleStep(2);
    spnTabSize->setReadOnly(false);
    spnTabSize->findChild<QLineEdit *>()->setReadOnly(true);
    connect(spnTabSize, &QSpinBox::valueChanged, this, [this](int v) {
        // Only even sizes: a step from an odd value lands on the even one below.
        if (v % 2) {
            spnTabSize->setValue(v - 1);
            return;
        }
        if (FLoading)
            return;
        FSample.Caret()->SetTabSpaceCount(v);
        ApplySample();
    });
    th->addWidget(spnTabSize);
    th->addStretch();
    ev->addLayout(th);
    gv->addWidget(edit);
    gv->addStretch();
    pagEditor->addTab(tabGeneral, QStringLiteral("全般"));

    // 色・フォント
    tabColor = new QWidget;
    tabColor->setObjectName(QStringLiteral("tabColor"));
    auto *cg = new QGridLayout(tabColor);
    lstColors = new QListWidget;
    lstColors->setObjectName(QStringLiteral("lstColors"));
    lstColors->addItems({QStringLiteral("基本色"), QStringLiteral("コメント"), QStringLiteral("リテラル値"),
                         QStringLiteral("予約語"), QStringLiteral("EOF記号"), QStringLiteral("改行記号"),
                         QStringLiteral("半角スペース記号"), QStringLiteral("全角スペース記号"), QStringLiteral("下線"),
                         QStringLiteral("検索結果")});
    cg->addWidget(lstColors, 0, 0, 3, 1);
    grdColors = new TColorGrid;
    cg->addWidget(grdColors, 0, 1);
    pnlColors = new QFrame;
    pnlColors->setObjectName(QStringLiteral("pnlColors"));
    pnlColors->setFrameShape(QFrame::Panel);
    auto *ph = new QHBoxLayout(pnlColors);
    ph->addWidget(new QLabel(QStringLiteral("指定なし")));
    lblFG = new QLabel(QStringLiteral("FG"));
    lblFG->setObjectName(QStringLiteral("lblFG"));
    lblBG = new QLabel(QStringLiteral("BG"));
    lblBG->setObjectName(QStringLiteral("lblBG"));
    ph->addWidget(lblFG);
    ph->addWidget(lblBG);
    cg->addWidget(pnlColors, 1, 1);
    auto *style = new QGroupBox(QStringLiteral(" スタイル "));
    auto *sv = new QVBoxLayout(style);
    chkBold = new QCheckBox(QStringLiteral("太字"));
    chkBold->setObjectName(QStringLiteral("chkBold"));
    chkUL = new QCheckBox(QStringLiteral("下線"));
    chkUL->setObjectName(QStringLiteral("chkUL"));
    chkItalic = new QCheckBox(QStringLiteral("斜体"));
    chkItalic->setObjectName(QStringLiteral("chkItalic"));
    chkItalic->setVisible(false);
    sv->addWidget(chkBold);
    sv->addWidget(chkUL);
    sv->addWidget(chkItalic);
    cg->addWidget(style, 2, 1);
    auto *fv = new QVBoxLayout;
    fv->addWidget(new QLabel(QStringLiteral("フォント")));
    lstFontName = new QListWidget;
    lstFontName->setObjectName(QStringLiteral("lstFontName"));
    fv->addWidget(lstFontName);
    cg->addLayout(fv, 0, 2, 3, 1);
    auto *sz = new QVBoxLayout;
    sz->addWidget(new QLabel(QStringLiteral("サイズ")));
    txtFontSize = new QLineEdit;
    txtFontSize->setObjectName(QStringLiteral("txtFontSize"));
    txtFontSize->setMaxLength(2);
    txtFontSize->setValidator(new QIntValidator(0, 99, txtFontSize));
    sz->addWidget(txtFontSize);
    lstFontSize = new QListWidget;
    lstFontSize->setObjectName(QStringLiteral("lstFontSize"));
    for (int s = 8; s <= 50; ++s)
        lstFontSize->addItem(QString::number(s));
    sz->addWidget(lstFontSize);
    cg->addLayout(sz, 0, 3, 3, 1);
    chkLeftBarVisible = new QCheckBox(QStringLiteral("行番号を表示する"));
    chkLeftBarVisible->setObjectName(QStringLiteral("chkLeftBarVisible"));
    chkRulerVisible = new QCheckBox(QStringLiteral("ルーラーを表示する"));
    chkRulerVisible->setObjectName(QStringLiteral("chkRulerVisible"));
    rdoRulerRange = new TtvRadioGroup(QStringLiteral(" ルーラー単位 "), {QStringLiteral("10"), QStringLiteral("8")}, 2);
    rdoRulerRange->setObjectName(QStringLiteral("rdoRulerRange"));
    cg->addWidget(chkLeftBarVisible, 3, 0);
    cg->addWidget(chkRulerVisible, 3, 1);
    cg->addWidget(rdoRulerRange, 3, 2);
    txtSample = new TEditor;
    txtSample->setObjectName(QStringLiteral("txtSample"));
    txtSample->setEnabled(false);
    txtSample->setMinimumHeight(90);
    cg->addWidget(txtSample, 4, 0, 1, 4);
    pagEditor->addTab(tabColor, QStringLiteral("色・フォント"));

    // 予約語
    tabReserve = new QWidget;
    tabReserve->setObjectName(QStringLiteral("tabReserve"));
    auto *rv = new QVBoxLayout(tabReserve);
    txtReserve = new QPlainTextEdit;
    txtReserve->setObjectName(QStringLiteral("txtReserve"));
    rv->addWidget(txtReserve);
    btnInitReserveword = new QPushButton(QStringLiteral("初期値"));
    btnInitReserveword->setObjectName(QStringLiteral("btnInitReserveword"));
    rv->addWidget(btnInitReserveword, 0, Qt::AlignLeft);
    pagEditor->addTab(tabReserve, QStringLiteral("予約語"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton(QStringLiteral("OK"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"));
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    for (QPushButton *b : {btnOk, btnCancel, btnHelp}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    btnOk->setDefault(true);
    top->addLayout(buttons);

    FColorManager =
        std::make_unique<TEditorColorManager>(grdColors, pnlColors, lblFG, lblBG, chkBold, chkUL, chkItalic);
    FColorManager->FOnChange = [this] { DoColorChange(); };

    connect(btnOk, &QPushButton::clicked, this, Guarded([this] { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, Guarded([] { ShowHelpContext(HelpContextEditorOption); }));
    connect(btnInitReserveword, &QPushButton::clicked, this, Guarded([this] { btnInitReservewordClick(); }));
    connect(lstColors, &QListWidget::currentRowChanged, this, Guarded([this](int) { lstColorsClick(); }));
    connect(chkLeftBarVisible, &QCheckBox::toggled, this, [this](bool on) {
        if (FLoading)
            return;
        FSample.Leftbar()->SetVisible(on);
        ApplySample();
    });
    connect(chkRulerVisible, &QCheckBox::toggled, this, [this](bool on) {
        if (FLoading)
            return;
        FSample.Ruler()->SetVisible(on);
        ApplySample();
    });
    connect(rdoRulerRange, &TtvRadioGroup::Clicked, this, [this](int i) {
        FSample.Ruler()->SetGaugeRange(i == 1 ? 8 : 10);
        ApplySample();
    });
    connect(lstFontName, &QListWidget::currentTextChanged, this, [this](const QString &name) {
        if (FLoading || name.isEmpty())
            return;
        FSample.Font()->Name = name;
        ApplySample();
    });
    connect(lstFontSize, &QListWidget::currentTextChanged, this, [this](const QString &size) {
        if (!FLoading && !size.isEmpty())
            txtFontSize->setText(size);
    });
    connect(txtFontSize, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (FLoading)
            return;
        bool ok = false;
        const int v = text.toInt(&ok);
        FSample.Font()->Size = ok ? v : 10;
        if (FSample.Font()->Size > 0)
            ApplySample();
    });
}

void TfrmEditorOption::ApplySample()
{
    // The basic colours are the sample's background, text colour and style.
    FSample.SetColor(FBasicColor->BkColor());
    FSample.Font()->Color = FBasicColor->Color();
    FSample.Font()->Style = FBasicColor->Style();
    if (FSample.Font()->Size > 0)
        FSample.AssignTo(*txtSample);
    txtSample->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtSample->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TfrmEditorOption::DoColorChange()
{
    TEditorMarks *marks = FSample.Marks();
    for (TEditorMark *m : {marks->EofMark(), marks->RetMark(), marks->Underline(), marks->SemiSpaceMark(),
                           marks->SpaceMark()})
        m->SetVisible(m->Color() != clNone);
    TEditorViewInfo *view = FSample.View();
    if (view->Brackets()->Count() > 0) {
        TFountainColor *c = view->Brackets()->GetBracketItem(0)->ItemColor();
        c->SetColor(view->Colors()->Comment()->Color());
        c->SetBkColor(view->Colors()->Comment()->BkColor());
    }
    ApplySample();
}

void TfrmEditorOption::lstColorsClick()
{
    TEditorColors *colors = FSample.View()->Colors();
    TEditorMarks *marks = FSample.Marks();
    switch (lstColors->currentRow()) {
    case 0: FColorManager->AttachFountainColor(FBasicColor.get()); break;
    case 1: FColorManager->AttachFountainColor(colors->Comment()); break;
    case 2: FColorManager->AttachFountainColor(colors->Str()); break;
    case 3: FColorManager->AttachFountainColor(colors->Reserve()); break;
    case 4: FColorManager->AttachEditorMark(marks->EofMark()); break;
    case 5: FColorManager->AttachEditorMark(marks->RetMark()); break;
    case 6: FColorManager->AttachEditorMark(marks->SemiSpaceMark()); break;
    case 7: FColorManager->AttachEditorMark(marks->SpaceMark()); break;
    case 8: FColorManager->AttachEditorMark(marks->Underline()); break;
    case 9: FColorManager->AttachFountainColor(colors->Hit()); break;
    default: FColorManager->AttachFountainColor(nullptr); break;
    }
}

void TfrmEditorOption::FillFontList()
{
    lstFontName->clear();
    lstFontName->addItems(FontNames());
    const auto found = lstFontName->findItems(FSample.Font()->Name, Qt::MatchExactly);
    if (!found.isEmpty()) {
        lstFontName->setCurrentItem(found.first());
    } else if (lstFontName->count() > 0) {
        lstFontName->setCurrentRow(0);
        FSample.Font()->Name = lstFontName->item(0)->text();
    }
}

int TfrmEditorOption::Execute(TEditorProp *EditorProp)
{
    FEditorProp = EditorProp;
    FLoading = true;
    FSample.Assign(*EditorProp);
    const TEditorCaret *caret = FSample.Caret();
    chkFreeCaret->setChecked(caret->FreeCaret);
    chkAutoIndent->setChecked(caret->AutoIndent);
    chkBackSpaceUnIndent->setChecked(caret->BackSpaceUnIndent);
    chkInTab->setChecked(caret->InTab);
    chkNextLine->setChecked(caret->NextLine);
    chkTabIndent->setChecked(caret->TabIndent);
    chkSoftTab->setChecked(caret->SoftTab);
    chkSelMove->setChecked(caret->SelMove);
    spnTabSize->setValue(caret->TabSpaceCount());
    chkLeftBarVisible->setChecked(FSample.Leftbar()->Visible());
    chkRulerVisible->setChecked(FSample.Ruler()->Visible());
    rdoRulerRange->SetItemIndex(FSample.Ruler()->GaugeRange() == 8 ? 1 : 0);
    txtReserve->setPlainText(FSample.ReserveWordList().ToStringList().join(QLatin1Char('\n')));
    pagEditor->setCurrentWidget(tabGeneral);

    // On show: the sample text, the basic colours, the fonts and sizes.
    txtSample->SetLines({QStringLiteral("/* 表示サンプル */"), QStringLiteral("SELECT COL01, 'ABC' FROM SAMPLE01"),
                         QStringLiteral("\tORDER BY 1; -- COL01 でソート")});
    FBasicColor->SetBkColor(FSample.Color());
    FBasicColor->SetColor(FSample.Font()->Color);
    FBasicColor->SetStyle(FSample.Font()->Style);
    FillFontList();
    auto sizes = lstFontSize->findItems(QString::number(FSample.Font()->Size), Qt::MatchExactly);
    if (!sizes.isEmpty()) {
        lstFontSize->setCurrentItem(sizes.first());
    } else {
        lstFontSize->setCurrentRow(0);
        FSample.Font()->Size = lstFontSize->item(0)->text().toInt();
    }
    txtFontSize->setText(QString::number(FSample.Font()->Size));
    FLoading = false;
    lstColors->setCurrentRow(0);
    lstColorsClick();
    ApplySample();
    return exec();
}

void TfrmEditorOption::btnInitReservewordClick()
{
    if (ShowMessageBox(QStringLiteral("予約語を初期値に戻しますか？"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    QStringList words;
    FillKeywordList(words);
    SortReserveWords(words);
    txtReserve->setPlainText(words.join(QLatin1Char('\n')));
}

void TfrmEditorOption::btnOkClick()
{
    bool ok = false;
    const int size = txtFontSize->text().toInt(&ok);
    if (!ok || size == 0) {
        pagEditor->setCurrentWidget(tabColor);
        ShowMessageBox(QStringLiteral("サイズは1以上の整数で入力して下さい。"), MB_ICONWARNING);
        txtFontSize->setFocus();
        return;
    }
    QString refused;
    const QStringList words = ReserveLines(txtReserve->toPlainText(), &refused);
    if (!refused.isEmpty()) {
        pagEditor->setCurrentWidget(tabReserve);
        ShowMessageBox(QStringLiteral("予約語に空白が含まれているため登録できません。(") + refused + QLatin1Char(')'));
        txtReserve->setFocus();
        return;
    }
    FSample.SetReserveWordList(words);
    ReserveWordList = words;
    ApplySample();
    FEditorProp->Assign(FSample);
    FEditorProp->SetScrollBars(ssBoth);
    accept();
}
