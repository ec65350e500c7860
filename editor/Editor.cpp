#include "editor/Editor.h"
#include "editor/EditorError.h"
#include "editor/EditorScreen.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/EditorUtils.h"
#include "editor/Fountain.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>
#include <optional>

bool TEditor::DefaultCaretBlink = true;

namespace {

constexpr int kMaxCol = 10001;

bool LeftButtonDown()
{
    return QApplication::mouseButtons() & Qt::LeftButton;
}

// Cells one UTF-16 unit takes (as the column-kind string counts them).
int UnitCells(QStringView S, qsizetype I, bool AmbiguousWide, bool *Pair)
{
    const char16_t u = S[I].unicode();
    *Pair = false;
    if (u < 0x80)
        return 1;
    char32_t cp = u;
    if (IsHighSurrogate(u) && I + 1 < S.size() && IsLowSurrogate(S[I + 1].unicode())) {
        cp = (char32_t(u & 0x3FF) << 10 | (S[I + 1].unicode() & 0x3FF)) + 0x10000;
        *Pair = true;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
        return 1;
    }
    return IsWideClass(EastAsianWidthClass(cp), AmbiguousWide) ? 2 : 1;
}

// The editor's scroll bars. The editor sets their range, steps and value
// on every change of the text; in a long text a row more, or a page
// further, seldom moves the handle by a pixel, so a change repaints a bar
// only when it looks different from how it was last painted.
class TEditorScrollBar : public QScrollBar {
public:
    explicit TEditorScrollBar(Qt::Orientation O) : QScrollBar(O) {}

protected:
    void sliderChange(SliderChange Change) override
    {
        if (FPainted && Look() == FLook)
            return;
        QScrollBar::sliderChange(Change);
    }
    void paintEvent(QPaintEvent *Event) override
    {
        FLook = Look();
        FPainted = true;
        QScrollBar::paintEvent(Event);
    }

private:
    struct TLook {
        QRect Slider;
        bool AtMin = false, AtMax = false;
        bool operator==(const TLook &) const = default;
    };
    TLook Look() const
    {
        QStyleOptionSlider o;
        initStyleOption(&o);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &o, QStyle::SC_ScrollBarSlider, this),
                o.sliderValue <= o.minimum, o.sliderValue >= o.maximum};
    }
    TLook FLook;
    bool FPainted = false;
};

} // namespace

// ===========================================================================
// Construction

TEditor::TEditor(QWidget *Parent) : TEditor(Parent, TDeferParts{})
{
    CreateParts();
}

TEditor::TEditor(QWidget *Parent, TDeferParts) : QAbstractScrollArea(Parent)
{
    resize(185, 89);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true);
    viewport()->setAcceptDrops(true);
    setAcceptDrops(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setVerticalScrollBar(new TEditorScrollBar(Qt::Vertical));
    setHorizontalScrollBar(new TEditorScrollBar(Qt::Horizontal));
}

void TEditor::CreateParts()
{
    if (FList) {
        // parts made by an ancestor's constructor are replaced
        FList->RemoveClient(this);
        FList = nullptr;
    }
    InitDelimiters(FDelimiters);
    FList = CreateEditorScreenStrings();
    FList->AddClient(this);
    FLines = CreateEditorStrings();
    FScreen = CreateEditorScreen();
    FView = CreateEditorViewInfo();
    setFont(tv::ui::MakeFont(QStringLiteral("FixedSys"), 10));
    FMBCSFont = font();
    FCaret = CreateEditorCaret();
    FMarks = CreateEditorMarks();
    FMargin = CreateEditorMargin();
    FImagebar = CreateEditorImagebar();
    FLeftbar = CreateEditorLeftbar();
    FRuler = CreateEditorRuler();
    InitRulerDigitMask();
    FSpeed = CreateEditorSpeed();
    FCaretBlink = DefaultCaretBlink;
    FBlinkTimer.disconnect(this);
    FBlinkTimer.setInterval(std::max(100, QApplication::cursorFlashTime() / 2));
    connect(&FBlinkTimer, &QTimer::timeout, this, [this] {
        FCaretBlinkOn = !FCaretBlinkOn;
        viewport()->update(CaretRect());
    });
    FStateTimer.disconnect(this);
    FStateTimer.setSingleShot(true);
    FStateTimer.setInterval(0);
    connect(&FStateTimer, &QTimer::timeout, this, [this] {
        // short steps, so that a key pressed meanwhile waits little
        if (FList->ContinueRowStates(2000) >= 0)
            FStateTimer.start();
    });
    ApplyScrollBars();
    InitFontMetrics();
    UpdateScrollInfo();
    InitRuler();
}

void TEditor::ScheduleRowStates()
{
    if (!FStateTimer.isActive() && !FDestroying)
        FStateTimer.start();
}

TEditor::~TEditor()
{
    FDestroying = true;
    SetFountain(nullptr);
    FScreen.reset();
    if (FList && !FList->RemoveClient(this)) {
        // the store lives on for its other clients
    }
    FList = nullptr;
}

namespace {

// A part of the view whose changes go to ViewChanged.
template <class T>
std::unique_ptr<T> MakeViewPart(TEditor *editor)
{
    auto r = std::make_unique<T>();
    r->OnChange = TNotifyEvent::Of<&TEditor::ViewChanged>(editor);
    return r;
}

} // namespace

std::unique_ptr<TEditorCaret> TEditor::CreateEditorCaret()
{
    return MakeViewPart<TEditorCaret>(this);
}

std::unique_ptr<TEditorImagebar> TEditor::CreateEditorImagebar()
{
    return MakeViewPart<TEditorImagebar>(this);
}

std::unique_ptr<TEditorLeftbar> TEditor::CreateEditorLeftbar()
{
    return MakeViewPart<TEditorLeftbar>(this);
}

std::unique_ptr<TEditorMarks> TEditor::CreateEditorMarks()
{
    return MakeViewPart<TEditorMarks>(this);
}

std::unique_ptr<TEditorMargin> TEditor::CreateEditorMargin()
{
    return MakeViewPart<TEditorMargin>(this);
}

std::unique_ptr<TEditorRuler> TEditor::CreateEditorRuler()
{
    return MakeViewPart<TEditorRuler>(this);
}

std::unique_ptr<TEditorSpeed> TEditor::CreateEditorSpeed()
{
    return std::make_unique<TEditorSpeed>();
}

std::unique_ptr<TEditorScreen> TEditor::CreateEditorScreen()
{
    return std::make_unique<TEditorScreen>(this);
}

TEditorScreenStrings *TEditor::CreateEditorScreenStrings()
{
    return new TEditorScreenStrings;
}

std::unique_ptr<TEditorStrings> TEditor::CreateEditorStrings()
{
    return std::make_unique<TEditorStrings>(this);
}

std::unique_ptr<TEditorViewInfo> TEditor::CreateEditorViewInfo()
{
    auto r = MakeViewPart<TEditorViewInfo>(this);
    r->FComponent = nullptr;
    return r;
}

void TEditor::InitDelimiters(TCharSet &Delimiters)
{
    Delimiters = DefaultDelimiters();
}

void TEditor::Loaded()
{
    if (FList->WordWrap())
        FList->WrapAllRows();
    FList->InitRowStates();
    FModified = false;
}

// ===========================================================================
// Notifications

void TEditor::ViewChanged(TPersistent *Sender)
{
    if (Sender == FMarks.get() && FMargin)
        FMargin->SetUnderline(FMarks->Underline()->Visible() ? 1 : 0);
    if (Sender == FView.get() || (Sender && Sender == FFountain)) {
        FList->InitRowStates();
        ScheduleRowStates();
        if (TFountain *f = GetActiveFountain())
            FItalicFontStyle = f->HasItalicFontStyle(f);
    }
    if (!FSpeed)
        return; // still constructing
    InitFontMetrics();
    UpdateScrollInfo();
    if (Sender == FRuler.get() || Sender == FMargin.get())
        InitRuler();
    viewport()->update();
    if (Sender == FCaret.get()) {
        FList->UndoObj()->Clear();
        UpdateCaret();
    } else {
        ScrollToCaret();
        SetCaretPosition();
    }
}

void TEditor::DoChange()
{
    ScheduleRowStates();
    FScreen->Update();
    if (FLeftbar->Visible() && FLeftbar->ShowNumber() && UpdateLeftbarColumn()) {
        const int old = FLeftbarWidth;
        UpdateLeftbarWidth();
        ScrollTextArea(old, FLeftbarWidth);
        UpdateColCount();
    }
    UpdateScrollInfo();
    if (FList->DrawInfo().NeedUpdate) {
        FModified = true;
        if (OnChange)
            OnChange(this);
    }
}

bool TEditor::Focused() const
{
    return hasFocus();
}

TFountain *TEditor::GetActiveFountain()
{
    if (FFountain)
        return FFountain;
    return FView ? FView->EditorFountain() : nullptr;
}

void TEditor::RefreshClient()
{
    ScheduleRowStates();
    InitFontMetrics();
    UpdateScrollInfo();
    viewport()->update();
}

void TEditor::DoCaretMoved()
{
    if (OnCaretMoved)
        OnCaretMoved(this);
}

void TEditor::DoDrawLine(const QString &LineStr, int X, int Y, int Index, QRect &ARect, bool Selected)
{
    if (OnDrawLine)
        OnDrawLine(this, LineStr, X, Y, Index, ARect, Selected);
}

void TEditor::DoSelectionChange(bool Selected)
{
    if (OnSelectionChange)
        OnSelectionChange(this, Selected);
}

void TEditor::DoSelectionModeChange()
{
    if (OnSelectionModeChange)
        OnSelectionModeChange(this);
}

void TEditor::DoTopColChange()
{
    if (OnTopColChange)
        OnTopColChange(this);
}

void TEditor::DoTopRowChange()
{
    if (OnTopRowChange)
        OnTopRowChange(this);
}

// ===========================================================================
// Properties

void TEditor::SetBorderStyle(TBorderStyle V)
{
    if (V == FBorderStyle)
        return;
    FBorderStyle = V;
    setFrameStyle(V == bsSingle ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
    RefreshClient();
}

void TEditor::SetColor(TColor V)
{
    if (V == FColor)
        return;
    FColor = V;
    InitRuler();
    viewport()->update();
}

void TEditor::SetFontColor(TColor V)
{
    if (V == FFontColor)
        return;
    FFontColor = V;
    InitRuler();
    viewport()->update();
}

TFontStyles TEditor::FontStyle() const
{
    const QFont &f = font();
    TFontStyles s = 0;
    if (f.bold())
        s |= FontStyleBit(fsBold);
    if (f.italic())
        s |= FontStyleBit(fsItalic);
    if (f.underline())
        s |= FontStyleBit(fsUnderline);
    if (f.strikeOut())
        s |= FontStyleBit(fsStrikeOut);
    return s;
}

void TEditor::SetFountain(TFountain *V)
{
    if (V == FFountain)
        return;
    const TNotifyEvent ev = TNotifyEvent::Of<&TEditor::ViewChanged>(this);
    if (FFountain)
        FFountain->NotifyEventList()->Remove(ev);
    FFountain = V;
    if (FFountain)
        FFountain->NotifyEventList()->Add(ev);
    if (!FDestroying) {
        FList->InitRowStates();
        ScheduleRowStates();
        viewport()->update();
    }
}

void TEditor::SetHitStyle(TEditorHitStyle V)
{
    if (V == FHitStyle)
        return;
    if (SelectedData())
        CleanSelection();
    FHitStyle = V;
}

void TEditor::SetImageDigits(const QList<QPixmap> *V)
{
    FImageDigits = V;
    if (FImagebar->Visible())
        viewport()->update();
}

void TEditor::SetImageMarks(const QList<QPixmap> *V)
{
    FImageMarks = V;
    if (FImagebar->Visible())
        viewport()->update();
}

void TEditor::SetLines(const QStringList &V)
{
    QString text = V.join(QStringLiteral("\r\n"));
    if (!V.isEmpty())
        text += QStringLiteral("\r\n");
    FLines->SetText(text);
}

void TEditor::SetReadOnly(bool V)
{
    if (FSelDragState == sdDragging)
        return;
    FReadOnly = V;
}

const TSortedStringList &TEditor::ReserveWordList() const
{
    return FView->EditorFountain()->ReserveWordList();
}

void TEditor::SetReserveWordList(const QStringList &V)
{
    if (FView->EditorFountain()->ReserveWordList().ToStringList() == V)
        return;
    FView->EditorFountain()->SetReserveWordList(V);
    FList->InitRowStates();
    viewport()->update();
}

void TEditor::SetScrollBars(TScrollStyle V)
{
    if (V == FScrollBars)
        return;
    FScrollBars = V;
    ApplyScrollBars();
    InitFontMetrics();
    UpdateScrollInfo();
}

void TEditor::ApplyScrollBars()
{
    const bool v = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool h = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

int TEditor::UndoListMax() const
{
    return FList->UndoObj()->ListMax();
}

void TEditor::SetUndoListMax(int V)
{
    FList->UndoObj()->SetListMax(std::max(64, V));
}

void TEditor::SetMBCSFont(const QFont &V)
{
    FMBCSFont = V;
    if (FUseMBCSFont) {
        InitFontMetrics();
        UpdateScrollInfo();
        viewport()->update();
    }
}

void TEditor::SetUseMBCSFont(bool V)
{
    if (V == FUseMBCSFont)
        return;
    FUseMBCSFont = V;
    InitFontMetrics();
    UpdateScrollInfo();
    viewport()->update();
}

void TEditor::SetHitText(const QString &V)
{
    if (V == FHitText)
        return;
    FHitText = V;
    viewport()->update();
}

void TEditor::SetCursorState(TEditorMouseCursorState V)
{
    if (V == FCursorState)
        return;
    FCursorState = V;
    if (!FCaret->AutoCursor)
        return;
    switch (V) {
    case mcClient:
    case mcInSel:
        viewport()->setCursor(V == mcInSel ? Qt::ArrowCursor : Qt::IBeamCursor);
        break;
    case mcLeftMargin:
    case mcTopMargin:
        viewport()->setCursor(Qt::ArrowCursor);
        break;
    case mcDragging:
    case mcDraggingCopy:
        break;
    }
}

void TEditor::SetDelimiters(const TCharSet &V)
{
    FDelimiters = V;
    viewport()->update();
}

TEditorUndoObj *TEditor::EditorUndoObj() const
{
    return FList->UndoObj();
}

void TEditor::SetHitSelLength(int V)
{
    switch (FHitStyle) {
    case hsSelect:
        SetSelLength(V);
        break;
    case hsDraw:
    case hsCaret:
        if (V > 0 || FHitStyle == hsDraw) {
            FHitSelecting = true;
            try {
                SetSelLength(V);
            } catch (...) {
                FHitSelecting = false;
                throw;
            }
            FHitSelecting = false;
        }
        break;
    }
    FHitSelLength = V;
}

void TEditor::SetOverWrite(bool V)
{
    if (V == FOverWrite)
        return;
    FOverWrite = V;
    UpdateCaret();
}

int TEditor::RowHeight() const
{
    return std::max(1, FFontHeight + FMargin->Line() + FMargin->Underline());
}

void TEditor::SetSelectionMode(TEditorSelectionMode V)
{
    if (V == FSelectionMode || FSelDragState == sdDragging)
        return;
    FSelectionMode = V;
    if (SelectedData()) {
        FSelStartCol = V == smBox ? FSelStartCol : std::min(FSelStartCol, RowWidth(FSelStartRow));
        ExtendSelection();
        viewport()->update();
    }
    DoSelectionModeChange();
}

TRowAttribute TEditor::ListRow(int Index) const
{
    return Index >= 0 && Index < FList->Count() ? FList->Rows(Index) : raEof;
}

QString TEditor::ListString(int Index) const
{
    return Index >= 0 && Index < FList->Count() ? FList->Get(Index) : QString();
}

TRowMarks TEditor::ListRowMarks(int Index) const
{
    return Index >= 0 && Index < FList->Count() ? FList->RowMarks(Index) : TRowMarks(0);
}

void TEditor::SetListRowMarks(int Index, TRowMarks Value)
{
    if (Index < 0 || Index >= FList->Count())
        return;
    const TRowMarks old = FList->RowMarks(Index);
    if (old == Value)
        return;
    FList->IncludeRowMarks(TRowMarks(Value & ~old));
    FList->ExcludeRowMarks(TRowMarks(old & ~Value));
    FList->SetRowMarks(Index, Value);
    InvalidateRow(Index); // the row's colours follow its marks
    if (FImagebar->Visible()) {
        const int y = TopMargin() + (Index - FTopRow) * RowHeight();
        viewport()->update(QRect(0, y, FImagebarWidth, RowHeight()));
    }
}

void TEditor::SetCol(int V)
{
    V = std::clamp(V, 0, kMaxCol);
    const int old = FCol;
    FCol = V;
    AdjustCol(false, V > old ? 1 : -1);
    if (FRuler->Visible() && FCol != old)
        viewport()->update(QRect(LeftMargin(), 0, ClientWidth(), FRulerHeight));
}

void TEditor::SetRow(int V)
{
    const int n = FList->Count();
    if (V == FRow && FRow != n)
        return;
    HideUnderline();
    int r = std::clamp(V, 0, n);
    if (r == n && n > 0 && FList->Rows(n - 1) == raEof)
        r = n - 1;
    const int oldCol = FCol;
    FRow = r;
    AdjustCol(true, -1);
    if (FRuler->Visible() && FCol != oldCol)
        viewport()->update(QRect(LeftMargin(), 0, ClientWidth(), FRulerHeight));
    ShowUnderline();
}

void TEditor::SetTopRow(int V)
{
    V = std::clamp(V, 0, std::max(0, FList->Count()));
    if (V == FTopRow)
        return;
    BeginCaretUpdate();
    HideUnderline();
    FTopRow = V;
    // the rows and both bars are painted anew (the painted caret and the
    // underline never move along with scrolled pixels)
    const int tm = TopMargin();
    viewport()->update(QRect(0, tm, ClientWidth(), ClientHeight() - tm));
    if (QScrollBar *b = verticalScrollBar()) {
        FScrollingByBar = true;
        b->setValue(FTopRow);
        FScrollingByBar = false;
    }
    if (FKeyRepeat)
        FCompositionCanceled = true;
    else
        UpdateImeWindow();
    DoTopRowChange();
    ShowUnderline();
    EndCaretUpdate();
}

void TEditor::SetTopCol(int V)
{
    V = std::clamp(V, 0, std::max(0, FHScrollMax - FColCount / 2));
    if (V == FTopCol)
        return;
    BeginCaretUpdate();
    HideUnderline();
    FTopCol = V;
    FLeftScrollWidth = FTopCol * FFontWidth;
    viewport()->update(QRect(LeftMargin(), 0, ClientWidth(), ClientHeight()));
    if (QScrollBar *b = horizontalScrollBar()) {
        FScrollingByBar = true;
        b->setValue(FTopCol);
        FScrollingByBar = false;
    }
    DoTopColChange();
    ShowUnderline();
    EndCaretUpdate();
}

// ===========================================================================
// Caret

void TEditor::BeginCaretUpdate()
{
    if (FCaretUpdateCount++ == 0 && Focused())
        HideCaretNow();
}

void TEditor::EndCaretUpdate()
{
    if (FCaretUpdateCount > 0)
        --FCaretUpdateCount;
    if (FCaretUpdateCount == 0 && Focused())
        ShowCaretNow();
}

void TEditor::HideCaretNow()
{
    if (Focused() && FCaretShowing) {
        FCaretShowing = false;
        viewport()->update(FCaretRect);
    }
}

void TEditor::ShowCaretNow()
{
    if (FCaretUpdateCount == 0 && Focused() && !FCaretShowing && !CaretOutOfView()) {
        FCaretShowing = true;
        FCaretBlinkOn = true;
        UpdateCaretGeometry();
        if (FCaretBlink)
            FBlinkTimer.start();
    }
}

bool TEditor::CaretOutOfView() const
{
    return FRow < FTopRow || FRow > FTopRow + FRowCount || FCol < FTopCol || FCol > FTopCol + FColCount;
}

void TEditor::UpdateCaretGeometry()
{
    const QRect old = FCaretRect;
    FCaretRect = CaretRect();
    viewport()->update(old);
    viewport()->update(FCaretRect);
}

QRect TEditor::CaretRect() const
{
    int x, y;
    GetCaretXY(x, y);
    const int d = std::max(1, FFontWidth - FMargin->Character());
    const bool wide = KindAt(RowKinds(FRow), FCol) == u'4';
    int w, h;
    if (FOverWrite) {
        w = wide ? 2 * d : d;
        h = FFontHeight;
    } else if (FCaret->Style() == csBrief) {
        w = wide ? 2 * d : d;
        h = 2;
    } else {
        w = 2;
        h = FFontHeight;
    }
    return QRect(x, y, w, h);
}

void TEditor::SetCaretBlink(bool On)
{
    FCaretBlink = On;
    FCaretBlinkOn = true;
    if (!On)
        FBlinkTimer.stop();
    else if (FCaretShowing)
        FBlinkTimer.start();
    viewport()->update(FCaretRect);
}

void TEditor::SetDefaultCaretBlink(bool On)
{
    DefaultCaretBlink = On;
}

void TEditor::SetCaretPosition()
{
    if (!Focused())
        return;
    UpdateCaretGeometry();
    if (FKeyRepeat)
        FCompositionCanceled = true;
    else
        UpdateImeWindow();
    DoCaretMoved();
}

void TEditor::RecreateCaret()
{
    if (!Focused())
        return;
    HideCaretNow();
    UpdateCaretGeometry();
}

void TEditor::ScrollToCaret()
{
    // Also while only shown: a log pane keeps its last line in view when
    // text is added while another control has the focus.
    if (!Focused() && !isVisible())
        return;
    if (FRow < FTopRow)
        SetTopRow(FRow);
    else if (FRow > FTopRow + FRowCount - 1)
        SetTopRow(FRow - FRowCount + 1);
    if (FCol < FTopCol)
        SetTopCol(std::max(0, std::min(FCol, FTopCol - FColCount / 4)));
    else if (FCol > FTopCol + FColCount - 1)
        SetTopCol(std::min(std::max(FCol - FColCount + 1, FTopCol + FColCount / 4), FHScrollMax - FColCount / 2));
}

void TEditor::GetCaretXY(int &X, int &Y) const
{
    X = LeftMargin() + (FCol - FTopCol) * FFontWidth;
    Y = TopMargin() + RowHeight() * (FRow - FTopRow);
    if (FCaret->Style() == csBrief && !FOverWrite)
        Y += FFontHeight - 2;
}

void TEditor::UpdateCaret()
{
    RecreateCaret();
    ScrollToCaret();
    SetCaretPosition();
    ShowCaretNow();
}

void TEditor::UpdateImeWindow()
{
    FCompositionCanceled = false;
    if (Focused())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TEditor::HideUnderline()
{
    if (FUnderlineUpdateCount++ == 0 && FMarks->Underline()->Visible() && !SelectedData())
        EraseUnderline(FRow);
}

void TEditor::ShowUnderline()
{
    if (FUnderlineUpdateCount > 0 && --FUnderlineUpdateCount == 0 && FMarks->Underline()->Visible() &&
        !SelectedData())
        DrawUnderline(FRow);
}

int TEditor::UnderlineY(int ARow) const
{
    const int y = TopMargin() + RowHeight() * (ARow - FTopRow) + FFontHeight;
    if (y <= TopMargin() || y > ClientHeight())
        return -1;
    return y;
}

void TEditor::DrawUnderline(int ARow)
{
    const int y = UnderlineY(ARow);
    if (y >= 0)
        viewport()->update(QRect(LeftMargin(), y, ClientWidth(), 1));
}

void TEditor::EraseUnderline(int ARow)
{
    DrawUnderline(ARow);
}

void TEditor::UpdateScrollInfo()
{
    if (!FList)
        return;
    const int n = FList->Count();
    FVScrollMax = std::max(0, n + FRowCount - 1);
    if (FTopRow > FVScrollMax)
        FTopRow = FVScrollMax;
    FHScrollMax = 10000;
    const int maxTop = std::max(0, FHScrollMax - FColCount / 2);
    if (FTopCol > maxTop)
        FTopCol = maxTop;
    FLeftScrollWidth = FTopCol * FFontWidth;
    FScrollingByBar = true;
    // A bar is told only what changed: setting its steps repaints it even
    // when they stay the same, and this runs on every edit.
    const auto apply = [](QScrollBar *b, int max, int page, int value, bool enabled) {
        if (b->minimum() != 0 || b->maximum() != max)
            b->setRange(0, max);
        if (b->pageStep() != page)
            b->setPageStep(page);
        if (b->singleStep() != 1)
            b->setSingleStep(1);
        b->setValue(value);
        b->setEnabled(enabled);
    };
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        apply(verticalScrollBar(), n, FRowCount, FTopRow, n > 0);
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        apply(horizontalScrollBar(), maxTop, std::max(1, FColCount), FTopCol, maxTop > 0);
    FScrollingByBar = false;
}

void TEditor::scrollContentsBy(int, int)
{
    if (FScrollingByBar)
        return;
    const int step = verticalScrollBar()->value() - FTopRow;
    SetTopRow(verticalScrollBar()->value());
    if (step != 0 && FCaret->LockScroll)
        SetRow(FRow + step); // the caret keeps its place in the window
    SetTopCol(horizontalScrollBar()->value());
}

void TEditor::ScrollRowsBy(int Delta)
{
    const int n = FList->Count();
    if (FTopRow == 0 && Delta < 0) {
        SetRow(0);
        return;
    }
    if (Delta > 0 && (FTopRow >= n || (FTopRow == n - 1 && FList->Rows(n - 1) == raEof)))
        return;
    BeginCaretUpdate();
    const int old = FTopRow;
    SetTopRow(std::max(0, std::min(FTopRow + Delta, n)));
    SetRow(FRow + (FTopRow - old));
    EndCaretUpdate();
}

void TEditor::AdjustCol(bool Vertical, int Step)
{
    const QString k = RowKinds(FRow);
    const int w = int(k.size());
    auto remember = [&](int v) {
        if (Vertical && !FColKeeping) {
            FColBuf = v;
            FColKeeping = true;
        }
    };
    if (!Vertical)
        FColKeeping = false;
    else if (FColKeeping)
        FCol = FColBuf;
    const bool left = LeftButtonDown();
    if (!FCaret->FreeCaret && FCol > w) {
        if (FCaret->KeepCaret)
            remember(left ? w : FCol);
        if (!(FCaret->FreeRow && Vertical && !left))
            FCol = w;
    }
    if (KindAt(k, FCol) == u'5') {
        remember(FCol);
        FCol += Step;
    }
    if (!FCaret->InTab && KindAt(k, FCol) == u'3') {
        remember(FCol);
        while (KindAt(k, FCol) == u'3')
            FCol += Step;
    }
    if (FList->WordWrap() && FCol >= w) {
        remember(FCol);
        const int wrap = FList->WrapOption()->WrapByte();
        if (RowAttribute(FRow) == raWrapped)
            FCol = w - 1;
        else if (FCol >= wrap)
            FCol = std::max(w, wrap - 1);
        if (KindAt(k, FCol) == u'5')
            --FCol;
        if (!FCaret->InTab)
            while (KindAt(k, FCol) == u'3')
                --FCol;
    }
    if (FCol > 10000 && KindAt(k, 9999) != u'4')
        FCol = 10000;
    FCol = std::clamp(FCol, 0, kMaxCol);
    if (!FCaretNoMove)
        UpdateCaret();
}

// ===========================================================================
// Mapping

int TEditor::ClientWidth() const
{
    if (viewport()->isVisible())
        return viewport()->width();
    int w = contentsRect().width();
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        w -= verticalScrollBar()->sizeHint().width();
    return std::max(0, w);
}

int TEditor::ClientHeight() const
{
    if (viewport()->isVisible())
        return viewport()->height();
    int h = contentsRect().height();
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        h -= horizontalScrollBar()->sizeHint().height();
    return std::max(0, h);
}

void TEditor::InitFontMetrics()
{
    if (!FMargin || !FRuler || !FLeftbar || !FImagebar)
        return;
    const QFontMetrics fm(font());
    FFontHeight = std::max(1, fm.height() + std::max(0, fm.leading()));
    FAscent = fm.ascent();
    FMBCSFont.setPixelSize(std::max(1, fm.height()));
    FFontWidth = std::max(1, (fm.horizontalAdvance(QLatin1Char('W')) + fm.horizontalAdvance(QLatin1Char('M')) +
                              fm.horizontalAdvance(QLatin1Char('i'))) /
                                     3 +
                                 FMargin->Character());
    for (int c = 32; c < 128; ++c)
        FAsciiWidth[c] = fm.horizontalAdvance(QChar(c));
    FWideGlyphWidth = fm.horizontalAdvance(QChar(u'あ'));
    FRawFont = QRawFont::fromFont(font());
    if (FRuler->Visible())
        UpdateRulerHeight();
    if (FLeftbar->Visible()) {
        UpdateLeftbarColumn();
        UpdateLeftbarWidth();
    }
    UpdateImagebarWidth();
    FRowCount = std::max(1, (ClientHeight() - TopMargin() - 5) / RowHeight());
    UpdateColCount();
}

void TEditor::FontMetricsChanged()
{
    InitFontMetrics();
    UpdateScrollInfo();
    InitRuler();
    viewport()->update();
}

void TEditor::UpdateColCount()
{
    FColCount = std::max(0, (ClientWidth() - LeftMargin() - FFontWidth / 2) / FFontWidth);
}

int TEditor::TopMargin() const
{
    return FMargin->Top() + (FRuler->Visible() ? FRulerHeight : 0);
}

int TEditor::LeftMargin() const
{
    return FMargin->Left() + (FImagebar->Visible() ? FImagebarWidth : 0) + (FLeftbar->Visible() ? FLeftbarWidth : 0);
}

QString TEditor::RowString(int Index) const
{
    return Index >= 0 && Index < FList->Count() ? FList->Get(Index) : QString();
}

const QString &TEditor::RowText(int Index) const
{
    static const QString none;
    return Index >= 0 && Index < FList->Count() ? FList->Get(Index) : none;
}

TRowAttribute TEditor::RowAttribute(int Index) const
{
    return Index >= 0 && Index < FList->Count() ? FList->Rows(Index) : raEof;
}

QString TEditor::ExpandedRow(int Index) const
{
    return Index >= 0 && Index < FList->Count() ? ::ExpandTab(FList->Get(Index), ColumnSettings()) : QString();
}

QString TEditor::PaintedRow(int Index) const
{
    // Painting stops at the column limit: it reads a row that far and a
    // little beyond (a token or search hit starting before the limit is read
    // to its end), never the rest of a very long row.
    const QString &t = FList->Get(Index);
    const qsizetype keep = EditorColumnLimit + 1 + 1024 + FHitText.size();
    return ::ExpandTab(t.size() <= keep ? t : t.left(keep), ColumnSettings());
}

int TEditor::RowWidth(int Index) const
{
    return int(RowKinds(Index).size());
}

TColumnSettings TEditor::ColumnSettings() const
{
    TColumnSettings s;
    s.Delimiters = FDelimiters;
    s.TabSpaceCount = FCaret ? FCaret->TabSpaceCount() : 8;
    s.WordWrap = FList->WordWrap();
    s.WrapByte = FList->WrapOption()->WrapByte();
    s.AmbiguousIsWide = FAmbiguousIsWide;
    return s;
}

QString TEditor::ColumnKinds(QStringView S) const
{
    return ::ColumnKinds(S, ColumnSettings());
}

QString TEditor::RowKinds(int Index) const
{
    if (Index < 0 || Index >= FList->Count())
        return QString();
    const TColumnSettings st = ColumnSettings();
    if (!(st == FKindsSettings)) {
        for (KindsCacheEntry &e : FKindsCache)
            e = KindsCacheEntry();
        FKindsSettings = st;
    }
    // Keyed by the store's text stamp, not by a copy of the text: a copy
    // held here would make the next edit of the row copy it whole.
    const std::uint64_t stamp = FList->TextStamp();
    KindsCacheEntry &e = FKindsCache[Index & 255];
    if (e.Row == Index && e.Stamp == stamp)
        return e.Kinds;
    e.Row = Index;
    e.Stamp = stamp;
    e.Kinds = ::ColumnKinds(FList->Get(Index), st);
    return e.Kinds;
}

int TEditor::AutoIndentWidth(int ARow) const
{
    for (int r = FList->FirstRowOfLine(ARow) - 1; r >= 0; --r) {
        if (r == 0 || FList->Rows(r - 1) == raCrlf) {
            const int w = IndentWidth(FList->Get(r));
            if (w != -1)
                return w;
        }
    }
    return 0;
}

void TEditor::PosToRowCol(int XPos, int YPos, int &ARow, int &ACol, bool Split) const
{
    const int lm = LeftMargin();
    if (XPos < lm)
        XPos -= FFontWidth - 1;
    if (Split)
        ACol = std::max(0, (XPos + FFontWidth / 2 - 1 - lm) / FFontWidth + FTopCol);
    else
        ACol = std::max(0, (XPos - lm) / FFontWidth + FTopCol);
    ARow = (YPos - TopMargin()) / RowHeight() + FTopRow;
}

bool TEditor::PosToRowIndex(const QPoint &Pos, int &ARow, int &Index) const
{
    ARow = -1;
    Index = -1;
    if (FList->Count() == 0 || FFontWidth <= 0 || Pos.x() < LeftMargin() || Pos.y() < TopMargin())
        return false;
    int r, c;
    PosToRowCol(Pos.x(), Pos.y(), r, c, true);
    if (r >= 0 && r <= FList->Count())
        ARow = r;
    else
        return false;
    const QString k = RowKinds(r);
    if (c < 0 || c >= k.size())
        return false;
    if (KindAt(k, c) == u'5')
        --c;
    while (KindAt(k, c) == u'3')
        --c;
    Index = std::min(int(FList->Get(r).size()), CharIndexOfColumn(k, c));
    return true;
}

int TEditor::ColToChar(int ARow, int ACol) const
{
    if (ARow < 0 || ARow > FList->Count() || ACol < 0)
        return -1;
    const QString k = RowKinds(ARow);
    if (KindAt(k, ACol) == u'5')
        --ACol;
    while (KindAt(k, ACol) == u'3')
        --ACol;
    int r = std::min(int(RowString(ARow).size()), CharIndexOfColumn(k, ACol));
    for (int i = ARow - 1; i >= 0 && FList->Rows(i) == raWrapped; --i)
        r += int(FList->Get(i).size());
    return r;
}

int TEditor::CharFromPos(const QPoint &Pos) const
{
    int row, index;
    if (!PosToRowIndex(Pos, row, index))
        return -1;
    int sum = 0;
    for (int i = 0; i < row; ++i)
        sum += int(FList->Get(i).size()) + (FList->Rows(i) == raCrlf ? 2 : 0);
    return sum + index;
}

TEditorStrInfo TEditor::StrInfoFromPos(const QPoint &Pos) const
{
    TEditorStrInfo r;
    if (FList->Count() == 0 || FFontWidth <= 0)
        return r;
    int row, col;
    PosToRowCol(Pos.x(), Pos.y(), row, col, true);
    if (row >= 0 && row <= FList->Count()) {
        r.Line = RowToLines(row);
        r.CharIndex = ColToChar(row, col);
    }
    return r;
}

int TEditor::RowToLines(int Index) const
{
    if (!FList->WordWrap())
        return Index;
    int n = 0;
    const int end = std::min(Index, FList->Count());
    for (int i = 0; i < end; ++i)
        if (FList->Rows(i) == raCrlf)
            ++n;
    return n;
}

int TEditor::LinesToRow(int Index) const
{
    return FLines->LineToRow(Index);
}

int TEditor::CharOffsetTo(int StartRow, int ARow, int ACol) const
{
    if (ARow < StartRow)
        return 0;
    int sum = 0;
    for (int i = StartRow; i < ARow && i < FList->Count(); ++i) {
        const TRowAttribute a = FList->Rows(i);
        sum += int(FList->Get(i).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
    }
    return sum + CharIndexOfColumn(RowKinds(ARow), ACol);
}

void TEditor::SetCaretByOffset(int StartRow, int Offset)
{
    const int n = FList->Count();
    int r = std::max(0, StartRow);
    while (r < n) {
        const TRowAttribute a = FList->Rows(r);
        const int len = int(FList->Get(r).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
        if (Offset < len || a == raEof)
            break;
        Offset -= len;
        ++r;
    }
    if (r >= n) {
        SetRow(r);
        SetCol(RowWidth(FRow));
    } else {
        SetRow(r);
        const QString &t = FList->Get(r);
        SetCol(std::min(::ExpandTabLength(QStringView(t).left(std::clamp(Offset, 0, int(t.size()))),
                                          ColumnSettings()),
                        RowWidth(r)));
    }
}

void TEditor::SetRowCol(int ARow, int ACol)
{
    if (ARow == FRow && ACol == FCol)
        return;
    const bool saved = FCaretNoMove;
    FCaretNoMove = true;
    try {
        SetRow(ARow);
        const QString k = RowKinds(FRow);
        if (KindAt(k, ACol) == u'5')
            --ACol;
        if (!FCaret->InTab)
            while (KindAt(k, ACol) == u'3')
                --ACol;
        SetCol(ACol);
    } catch (...) {
        FCaretNoMove = saved;
        UpdateCaret();
        throw;
    }
    FCaretNoMove = saved;
    UpdateCaret();
}

int TEditor::GetTextLen() const
{
    int sum = 0;
    for (int i = 0; i < FList->Count(); ++i)
        sum += int(FList->Get(i).size()) + (FList->Rows(i) == raCrlf ? 2 : 0);
    return sum;
}

int TEditor::GetLineNumberCount() const
{
    const int n = FList->Count();
    if (n == 0)
        return 1;
    return n + (FList->Rows(n - 1) != raEof ? 1 : 0);
}

QString TEditor::JoinRows(const TRowAttributeStringList &List)
{
    qsizetype size = 0;
    for (int i = 0; i < List.Count(); ++i)
        size += List[i].size() + 2;
    QString r;
    r.reserve(size);
    for (int i = 0; i < List.Count(); ++i) {
        r += List[i];
        if (List.Rows(i) == raCrlf)
            r += QStringLiteral("\r\n");
    }
    return r;
}

int TEditor::CaretCharIndex() const
{
    return std::min(int(RowString(FRow).size()), CharIndexOfColumn(RowKinds(FRow), FCol));
}

// ===========================================================================
// Lines-level properties of the selection

namespace {
// Offset of (row, character index) from the start of the text.
int OffsetOf(const TEditorScreenStrings &L, int Row, int Index)
{
    int sum = 0;
    for (int i = 0; i < Row && i < L.Count(); ++i)
        sum += int(L.Get(i).size()) + (L.Rows(i) == raCrlf ? 2 : 0);
    if (Row < L.Count())
        sum += std::clamp(Index, 0, int(L.Get(Row).size()));
    return sum;
}
} // namespace

int TEditor::SelStart() const
{
    if (FList->Count() == 0)
        return 0;
    if (Selected())
        return OffsetOf(*FList, FSelStr.Sr, FSelStr.Sc);
    return OffsetOf(*FList, FRow, CaretCharIndex());
}

void TEditor::SetSelStart(int V)
{
    if (SelectedData())
        CleanSelection();
    const int n = FList->Count();
    if (n == 0)
        return;
    if (V <= 0) {
        SetRowCol(0, 0);
        return;
    }
    int r = 0;
    while (r < n) {
        const TRowAttribute a = FList->Rows(r);
        const int len = int(FList->Get(r).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
        if (V < len || a == raEof)
            break;
        V -= len;
        ++r;
    }
    if (r >= n) {
        SetRowCol(n, RowWidth(n));
        return;
    }
    const QString &t = FList->Get(r);
    SetRowCol(r, std::min(::ExpandTabLength(QStringView(t).left(std::min(V, int(t.size()))), ColumnSettings()),
                          RowWidth(r)));
}

int TEditor::SelLength() const
{
    if (!SelectedData())
        return 0;
    if (FSelectionMode == smBox) {
        int sum = 0;
        for (int r = FSelDraw.Sr; r <= FSelDraw.Er && r < FList->Count(); ++r) {
            const QString k = RowKinds(r);
            const int s = ColToCharStart(k, FSelDraw.Sc + 1);
            const int e = ColToCharEnd(k, FSelDraw.Ec);
            sum += std::max(0, e - s + 1) + 2;
        }
        return sum;
    }
    return OffsetOf(*FList, FSelStr.Er, FSelStr.Ec + 1) - OffsetOf(*FList, FSelStr.Sr, FSelStr.Sc);
}

void TEditor::SetSelLength(int V)
{
    if (FList->Count() == 0)
        return;
    if (FSelectionMode == smBox)
        SetSelectionMode(smLine);
    const int start = SelStart();
    if (V <= 0) {
        SetSelStart(start);
        return;
    }
    BeginCaretUpdate();
    const bool saved = FCaretNoMove;
    FCaretNoMove = true;
    try {
        SetSelStart(start);
        InitSelection();
        // the caret to start + V, counting line ends as SelStart does
        int rest = start + V;
        const int n = FList->Count();
        int r = 0;
        while (r < n) {
            const TRowAttribute a = FList->Rows(r);
            const int len = int(FList->Get(r).size()) + (a == raCrlf ? 2 : a == raEof ? 1 : 0);
            if (rest < len || a == raEof)
                break;
            rest -= len;
            ++r;
        }
        if (r >= n)
            SetRowCol(n, 0);
        else {
            const QString &t = FList->Get(r);
            SetRowCol(r, std::min(::ExpandTabLength(QStringView(t).left(std::min(rest, int(t.size()))),
                                                    ColumnSettings()),
                                  RowWidth(r)));
        }
        UpdateSelection();
    } catch (...) {
        FCaretNoMove = saved;
        EndCaretUpdate();
        throw;
    }
    FCaretNoMove = saved;
    UpdateCaret();
    EndCaretUpdate();
}

QString TEditor::SelText() const
{
    if (!SelectedData())
        return QString();
    QString r;
    if (FSelectionMode == smBox) {
        for (int row = FSelDraw.Sr; row <= FSelDraw.Er && row < FList->Count(); ++row) {
            const QString k = RowKinds(row);
            const int s = ColToCharStart(k, FSelDraw.Sc + 1);
            const int e = ColToCharEnd(k, FSelDraw.Ec);
            r += FList->Get(row).mid(s - 1, std::max(0, e - s + 1)) + QStringLiteral("\r\n");
        }
        return r;
    }
    for (int row = FSelStr.Sr; row <= FSelStr.Er && row < FList->Count(); ++row) {
        const QString &t = FList->Get(row);
        const int from = row == FSelStr.Sr ? FSelStr.Sc : 0;
        const int to = row == FSelStr.Er ? FSelStr.Ec + 1 : int(t.size());
        r += t.mid(from, std::max(0, to - from));
        if (row < FSelStr.Er && FList->Rows(row) == raCrlf)
            r += QStringLiteral("\r\n");
    }
    return r;
}

void TEditor::SetSelText(const QString &V)
{
    SetSelTextBuf(V);
}

// ===========================================================================
// Selection

void TEditor::InitSelection()
{
    if (SelectedData())
        CleanSelection();
    if (FList->Count() == 0)
        return;
    FSelectionState = sstInit;
    FSelStartRow = FRow;
    FSelStartSi = CaretCharIndex();
    FSelStartCol = FSelectionMode == smBox ? FCol : std::min(FCol, RowWidth(FRow));
    FSelStr = {FRow, FRow, FSelStartSi, FSelStartSi};
    FSelDraw = {FRow, FRow, FSelStartCol, FSelStartCol};
    FSelOld = FSelDraw;
}

void TEditor::UpdateSelection()
{
    if (FSelectionState == sstInit)
        StartSelection();
    else if (FSelectionState == sstSelected)
        ExtendSelection();
}

void TEditor::StartSelection()
{
    if (FSelectionState != sstInit)
        return;
    HideUnderline();
    FSelectionState = FHitSelecting ? sstHitSelected : sstSelected;
    ExtendSelection();
}

void TEditor::ExtendSelection()
{
    if (!SelectedData())
        return;
    const int a = CaretCharIndex();
    FSelStr.Sr = std::min(FSelStartRow, FRow);
    FSelStr.Er = std::max(FSelStartRow, FRow);
    if (FSelStartRow == FRow) {
        if (FSelStartSi < a) {
            FSelStr.Sc = FSelStartSi;
            FSelStr.Ec = a - 1;
        } else {
            FSelStr.Sc = a;
            FSelStr.Ec = FSelStartSi - 1;
        }
    } else if (FSelStartRow < FRow) {
        FSelStr.Sc = FSelStartSi;
        FSelStr.Ec = a - 1;
    } else {
        FSelStr.Sc = a;
        FSelStr.Ec = FSelStartSi - 1;
    }
    FSelDraw.Sr = FSelStr.Sr;
    FSelDraw.Er = FSelStr.Er;
    if (FSelectionMode == smBox) {
        FSelDraw.Sc = std::min(FSelStartCol, FCol);
        FSelDraw.Ec = std::max(FSelStartCol, FCol);
    } else if (FSelStartRow == FRow) {
        const int w = RowWidth(FRow);
        FSelDraw.Sc = std::min({FSelStartCol, FCol, w});
        FSelDraw.Ec = std::min(std::max(FSelStartCol, FCol), w);
    } else if (FSelStartRow < FRow) {
        FSelDraw.Sc = std::min(FSelStartCol, RowWidth(FSelStartRow));
        FSelDraw.Ec = std::min(FCol, RowWidth(FRow));
    } else {
        FSelDraw.Sc = std::min(FCol, RowWidth(FRow));
        FSelDraw.Ec = std::min(FSelStartCol, RowWidth(FSelStartRow));
    }
    if (SelectedDraw())
        PaintSelectionChange();
    DoSelectionChange(true);
}

void TEditor::CleanSelection()
{
    if (!SelectedData())
        return;
    const bool wasHit = FSelectionState == sstHitSelected;
    FSelectionState = sstNone;
    FHitSelLength = 0;
    if (wasHit && FHitStyle == hsCaret)
        UpdateCaret();
    if (FSelDraw.Sr != FSelDraw.Er || FSelDraw.Sc != FSelDraw.Ec) {
        const int a = std::max(FSelDraw.Sr, FTopRow);
        const int b = std::min(FSelDraw.Er, FTopRow + FRowCount);
        if (a <= b) {
            const int rh = RowHeight();
            const int y0 = TopMargin() + (a - 1 - FTopRow) * rh;
            const int y1 = TopMargin() + (b - FTopRow + 1) * rh;
            viewport()->update(QRect(LeftMargin(), y0, ClientWidth(), y1 - y0));
        }
    }
    FSelOld = FSelDraw;
    ShowUnderline();
    FColKeeping = false;
    DoSelectionChange(false);
}

void TEditor::HitToSelected()
{
    if (!HitSelected())
        return;
    if (FHitStyle == hsCaret)
        SetRowCol(FSelDraw.Er, FSelDraw.Ec);
    FSelectionState = sstSelected;
}

bool TEditor::IsSelectedArea(int ARow, int ACol) const
{
    if (!Selected() || ARow < FSelDraw.Sr || ARow > FSelDraw.Er)
        return false;
    if (FSelectionMode == smBox) {
        const QString k = RowKinds(ARow);
        return ColToCharStart(k, FSelDraw.Sc + 1) - 1 <= ACol && ACol <= ColToCharEnd(k, FSelDraw.Ec - 1);
    }
    if (ARow == FSelDraw.Sr && ACol < FSelDraw.Sc)
        return false;
    if (ARow == FSelDraw.Er && ACol > FSelDraw.Ec - 1)
        return false;
    return true;
}

namespace {
// The drawn column range of a selection on one row ([from, to), to = INT_MAX
// for "to the right edge"); false when the row is not selected.
bool RowRange(const TSelectedPosition &S, bool Box, int Row, int &From, int &To)
{
    if (Row < S.Sr || Row > S.Er)
        return false;
    if (Box) {
        From = S.Sc;
        To = S.Ec;
    } else {
        From = Row == S.Sr ? S.Sc : 0;
        To = Row == S.Er ? S.Ec : INT_MAX;
        if (S.Sr == S.Er) {
            From = S.Sc;
            To = S.Ec;
        }
    }
    return From < To || Row != S.Er || S.Sr != S.Er;
}
} // namespace

void TEditor::PaintSelectionChange()
{
    // Only the rows whose selected part changed are painted again.
    const TSelectedPosition o = FSelOld, n = FSelDraw;
    FSelOld = FSelDraw;
    const bool box = FSelectionMode == smBox;
    const int a = std::max({std::min(o.Sr, n.Sr), FTopRow, 0});
    const int b = std::min({std::max(o.Er, n.Er), FTopRow + FRowCount, FList->Count()});
    const int rh = RowHeight();
    const int lm = LeftMargin();
    for (int r = a; r <= b; ++r) {
        int f1 = 0, t1 = 0, f2 = 0, t2 = 0;
        const bool s1 = RowRange(o, box, r, f1, t1);
        const bool s2 = RowRange(n, box, r, f2, t2);
        if (s1 == s2 && (!s1 || (f1 == f2 && t1 == t2)))
            continue;
        int from = INT_MAX, to = 0;
        if (s1) {
            from = std::min(from, f1);
            to = std::max(to, t1);
        }
        if (s2) {
            from = std::min(from, f2);
            to = std::max(to, t2);
        }
        if (s1 && s2 && f1 == f2)
            from = std::min(t1, t2);
        else if (s1 && s2 && t1 == t2)
            to = std::max(f1, f2);
        const int x0 = std::max(lm, lm + (from - FTopCol) * FFontWidth);
        const int x1 = to == INT_MAX ? ClientWidth() : std::max(lm, lm + (to - FTopCol) * FFontWidth + 1);
        viewport()->update(QRect(x0, TopMargin() + (r - FTopRow) * rh, std::max(1, x1 - x0), rh));
    }
}

void TEditor::TextWithoutSelection(TRowAttributeStringList &List) const
{
    List.Clear();
    if (!Selected())
        return;
    if (FSelectionMode == smBox) {
        for (int r = FSelDraw.Sr; r <= FSelDraw.Er && r < FList->Count(); ++r) {
            const QString &t = FList->Get(r);
            const QString k = RowKinds(r);
            const int s = ColToCharStart(k, FSelDraw.Sc + 1);
            const int e = ColToCharEnd(k, FSelDraw.Ec);
            const int i = List.Add(t.left(s - 1) + t.mid(std::max(e, s - 1)));
            List.SetRows(i, FList->Rows(r));
            List.PutData(i, s);
        }
        return;
    }
    QString line = RowString(FSelStr.Sr).left(FSelStr.Sc);
    TRowAttribute attr = raEof;
    if (FSelStr.Er < FList->Count()) {
        line += FList->Get(FSelStr.Er).mid(FSelStr.Ec + 1);
        attr = FList->Rows(FSelStr.Er);
    }
    const int i = List.Add(line);
    List.SetRows(i, attr);
    List.PutData(i, FSelStr.Sc + 1);
}

void TEditor::DeleteSelection()
{
    if (!Selected())
        return;
    const int first = std::max(FList->FirstRowOfLine(FSelStr.Sr), FSelStr.Sr - 1);
    const int offset = CharOffsetTo(first, FSelDraw.Sr, FSelDraw.Sc);
    const int last = std::min(FSelStr.Er, FList->Count() - 1);
    TEditorStringList rest;
    TextWithoutSelection(rest);
    const QString text = JoinRows(rest);
    const bool rows = FSelStr.Sr != FSelStr.Er;
    if (rows) {
        BeginCaretUpdate();
        HideUnderline();
    }
    try {
        const int sr = FSelStr.Sr;
        CleanSelection();
        FList->ReplaceText(sr, last - sr + 1, text);
        SetCaretByOffset(first, offset);
    } catch (...) {
        if (rows) {
            ShowUnderline();
            EndCaretUpdate();
        }
        throw;
    }
    if (rows) {
        ShowUnderline();
        EndCaretUpdate();
    }
}

void TEditor::SelectAll()
{
    BeginCaretUpdate();
    try {
        SetSelStart(0);
        SetSelLength(GetTextLen());
    } catch (...) {
        EndCaretUpdate();
        throw;
    }
    EndCaretUpdate();
}

int TEditor::GetSelTextBuf(char16_t *Buffer, int BufSize) const
{
    if (!Buffer || BufSize <= 0)
        return 0;
    const QString s = SelText();
    const int n = std::min(int(s.size()), BufSize - 1);
    std::copy(s.utf16(), s.utf16() + n, Buffer);
    Buffer[n] = 0;
    return n;
}

void TEditor::StartRowSelect(int ARow)
{
    const int n = FList->Count();
    if (n == 0)
        return;
    int r = std::min(ARow, n);
    if (r == n && FList->Rows(n - 1) == raEof)
        r = n - 1;
    int anchorCol, target, flag;
    if (r < n && FList->Rows(r) == raEof) {
        anchorCol = RowWidth(r);
        target = r;
        flag = 1;
    } else {
        anchorCol = 0;
        target = r + 1;
        flag = 0;
    }
    SetRowCol(r, anchorCol);
    InitSelection();
    SetRowCol(target, 0);
    StartSelection();
    FSelRow = {r, target, flag, 0};
    SetRowCol(r, 0);
    FRowSelecting = true;
}

void TEditor::ExtendRowSelect(int ARow)
{
    if (!FRowSelecting)
        return;
    const int n = FList->Count();
    int r = std::min(ARow, n);
    if (r == n && n > 0 && FList->Rows(n - 1) == raEof)
        r = n - 1;
    r = std::max(r, 0);
    int c = 0;
    const int a = FSelRow.Sr;
    auto reanchor = [&](int row) {
        FSelRow.Sr = row;
        SetRowCol(row, 0);
        InitSelection();
    };
    if (r >= a) {
        if (FSelRow.Er < a && FSelRow.Sc == 0)
            reanchor(a - 1 >= 0 ? a - 1 : a);
        if (r < n && FList->Rows(r) == raEof) {
            if (FSelRow.Sc == 0)
                c = RowWidth(r);
        } else {
            r = r + 1;
        }
    } else if (a < FSelRow.Er) {
        reanchor(a + 1);
    }
    SetRowCol(r, c);
    FSelRow.Er = r;
    UpdateSelection();
}

// ===========================================================================
// Undo, sharing

bool TEditor::CanUndo() const
{
    return FList->UndoObj()->CanUndo();
}

bool TEditor::CanRedo() const
{
    return FList->UndoObj()->CanRedo();
}

void TEditor::Undo()
{
    if (SelectedData())
        CleanSelection();
    FList->Undo();
}

void TEditor::Redo()
{
    if (SelectedData())
        CleanSelection();
    FList->Redo();
}

void TEditor::ExchangeList(TEditor *Source)
{
    if (!Source || Source->FList == FList)
        return;
    if (SelectedData())
        CleanSelection();
    FList->RemoveClient(this);
    FList = Source->FList;
    FList->AddClient(this);
    for (KindsCacheEntry &e : FKindsCache)
        e = KindsCacheEntry(); // kept by the other store's stamps
    FRow = std::min(FRow, FList->Count());
    FTopRow = std::min(FTopRow, FList->Count());
    InitFontMetrics();
    UpdateScrollInfo();
    viewport()->update();
}

void TEditor::focusInEvent(QFocusEvent *Event)
{
    QAbstractScrollArea::focusInEvent(Event);
    WMSetFocus();
}

void TEditor::focusOutEvent(QFocusEvent *Event)
{
    QAbstractScrollArea::focusOutEvent(Event);
    WMKillFocus();
}

bool TEditor::viewportEvent(QEvent *Event)
{
    return QAbstractScrollArea::viewportEvent(Event);
}

void TEditor::resizeEvent(QResizeEvent *Event)
{
    QAbstractScrollArea::resizeEvent(Event);
    InitFontMetrics();
    UpdateScrollInfo();
    InitRuler();
}

void TEditor::changeEvent(QEvent *Event)
{
    QAbstractScrollArea::changeEvent(Event);
    if (Event->type() == QEvent::FontChange && FMargin)
        FontMetricsChanged();
}

// ===========================================================================
// Bars: widths

void TEditor::UpdateImagebarWidth()
{
    FImagebarWidth = FImagebar->Visible() ? FImagebar->LeftMargin() + FImagebar->DigitWidth() +
                                                FImagebar->MarkWidth() + FImagebar->RightMargin()
                                          : 0;
}

bool TEditor::UpdateLeftbarColumn()
{
    const int old = FLeftbarColumn;
    if (FLeftbar->Visible() && FLeftbar->ShowNumber()) {
        const int n = FList->Count();
        int highest = 0;
        if (n > 0) {
            highest = FLeftbar->ShowNumberMode() == nmRow ? n - 1 : RowToLines(n - 1);
            if (FList->Rows(n - 1) != raEof)
                ++highest;
        }
        if (!FLeftbar->ZeroBase())
            ++highest;
        highest = std::max(0, highest);
        const int digits = int(QString::number(highest).size());
        FLeftbarColumn = std::clamp(digits, FLeftbar->Column(), 8);
        return FLeftbarColumn != old;
    }
    FLeftbarColumn = FLeftbar->Column();
    return false;
}

void TEditor::UpdateLeftbarWidth()
{
    FLeftbarWidth = FLeftbar->Visible()
                        ? FLeftbar->LeftMargin() + FLeftbarColumn * FFontWidth + FLeftbar->RightMargin() + 2
                        : 0;
}

void TEditor::UpdateRulerHeight()
{
    FRulerHeight = FRuler->Visible() ? (FRuler->Edge() ? 11 : 10) : 0;
}

// ===========================================================================
// Painting helpers

QColor TEditor::Qc(TColor C, TColor Default) const
{
    return tv::ui::ColorToQColor(C == clNone ? Default : C);
}

void TEditor::SelectionColors(QColor &Back, QColor &Text) const
{
    TEditorColors *c = FView->Colors();
    const TFountainColor *s = HitSelected() ? static_cast<TFountainColor *>(c->Hit()) : c->Select();
    Back = Qc(s->BkColor(), FFontColor);
    Text = Qc(s->Color(), FColor);
}

void TEditor::InvalidateRow(int ARow)
{
    if (ARow < FTopRow || ARow > FTopRow + FRowCount)
        return;
    const int y = TopMargin() + (ARow - FTopRow) * RowHeight();
    viewport()->update(QRect(LeftMargin(), y, ClientWidth(), FFontHeight + FMargin->Underline()));
}

void TEditor::RepaintRows(int A, int B)
{
    const int a = std::max(std::min(A, B), FTopRow);
    const int b = std::min(std::max(A, B), FTopRow + FRowCount);
    if (a > b)
        return;
    const int rh = RowHeight();
    const int y0 = TopMargin() + (a - FTopRow) * rh;
    const int y1 = TopMargin() + (b - FTopRow) * rh + rh;
    viewport()->update(QRect(0, y0, ClientWidth(), y1 - y0));
}

void TEditor::InvalidateLeftbar(int A, int B)
{
    if (!FLeftbar->Visible())
        return;
    const int a = std::max(std::min(A, B), FTopRow);
    const int b = std::min(std::max(A, B), FTopRow + FRowCount);
    if (a > b)
        return;
    const int rh = RowHeight();
    const int y0 = TopMargin() + (a - FTopRow) * rh;
    viewport()->update(QRect(FImagebarWidth, y0, FLeftbarWidth, (b - a) * rh + FFontHeight));
}

void TEditor::ScrollTextRows(int ARow, int Delta)
{
    const int r = std::min(std::max(FTopRow, ARow), FTopRow + FRowCount);
    Delta = std::clamp(Delta, -(FRowCount + 1), FRowCount + 1);
    const int y = TopMargin() + (r - FTopRow) * RowHeight();
    BeginCaretUpdate();
    HideUnderline();
    (void)Delta; // painted anew rather than moved, so the painted caret never moves along
    viewport()->update(QRect(LeftMargin(), y, ClientWidth(), ClientHeight() - y));
    ShowUnderline();
    EndCaretUpdate();
}

void TEditor::ScrollImagebarRows(int ARow, int Delta)
{
    const int r = std::min(std::max(FTopRow, ARow), FTopRow + FRowCount);
    Delta = std::clamp(Delta, -(FRowCount + 1), FRowCount + 1);
    const int y = TopMargin() + (r - FTopRow) * RowHeight();
    (void)Delta;
    viewport()->update(QRect(0, y, FImagebarWidth, ClientHeight() - y));
}

void TEditor::ScrollTextArea(int OldWidth, int NewWidth)
{
    if (OldWidth != NewWidth)
        viewport()->update();
}

QRect TEditor::SelectionSegmentRect(QStringView Kinds, int ARow, int FromCol, int ToCol) const
{
    const int n = int(Kinds.size());
    FromCol = std::min(FromCol, n);
    ToCol = std::min(ToCol, n);
    const int lm = LeftMargin();
    const int x0 = std::max(lm, lm + FromCol * FFontWidth - FLeftScrollWidth);
    const int x1 = std::max(lm, lm + ToCol * FFontWidth - FLeftScrollWidth);
    const int y = TopMargin() + (ARow - FTopRow) * RowHeight();
    return QRect(QPoint(x0, y), QPoint(x1 - 1, y + FFontHeight + FMargin->Underline() - 1));
}

int TEditor::FindHitText(const QString &Hit, const QString &Text, int From, bool CaseSensitive)
{
    if (Text.isEmpty() || Hit.isEmpty())
        return 0;
    const Qt::CaseSensitivity cs = CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype i = std::max(From, 1) - 1; i + Hit.size() <= Text.size(); ++i) {
        const qsizetype p = Text.indexOf(Hit, i, cs);
        if (p < 0)
            return 0;
        if (!IsLowSurrogate(Text[p].unicode()))
            return int(p) + 1;
        i = p;
    }
    return 0;
}

// Glyphs of the editor's font, per style, looked up once per character:
// painting a row places every glyph the font has in one glyph run instead
// of shaping each character on its own. Each glyph also keeps the box its
// ink can cover, so that a piece whose glyphs stay inside their rectangle
// is drawn without a clip of its own.
struct TEditorGlyphStyle {
    struct Glyph {
        quint32 Index = 0;
        int Advance = 0;
        QRect Ink;        // from the pen position; empty for a glyph without ink
        bool Own = false; // the font has it (else the painter finds a fallback)
    };
    bool Ready = false;
    bool AsciiReady = false;
    QFont Font;
    QRawFont Raw;
    Glyph Ascii[128];
    QHash<char16_t, Glyph> Others;
};

struct TEditorGlyphs {
    using Glyph = TEditorGlyphStyle::Glyph;
    using Style = TEditorGlyphStyle;
    QFont Base; // the editor font the styles were made for
    QRawFont BaseRaw;
    Style Styles[8];
    // the glyphs of the piece being drawn (kept for their capacity)
    QList<quint32> Indexes;
    QList<QPointF> Positions;
    struct Fallback {
        QPointF At;
        QString Cluster;
    };
    std::vector<Fallback> Fallbacks;
};

namespace {

QRect InkBox(const QRawFont &Raw, quint32 Index)
{
    // the box of the glyph's bitmap, placed at a whole-pixel pen position
    const QRectF r = Raw.boundingRect(Index);
    if (r.isEmpty())
        return QRect();
    const int l = int(std::floor(r.left())), t = int(std::floor(r.top()));
    const int rt = int(std::ceil(r.right())), b = int(std::ceil(r.bottom()));
    return QRect(l, t, rt - l, b - t);
}

} // namespace

TEditorGlyphStyle &TEditor::GlyphStyle(TFontStyles Style) const
{
    if (!FGlyphs)
        FGlyphs = std::make_unique<TEditorGlyphs>();
    TEditorGlyphs &g = *FGlyphs;
    if (!(g.Base == font()) || !(g.BaseRaw == FRawFont)) {
        for (TEditorGlyphs::Style &st : g.Styles)
            st = TEditorGlyphs::Style();
        g.Base = font();
        g.BaseRaw = FRawFont;
    }
    const bool bold = Style & FontStyleBit(fsBold), italic = Style & FontStyleBit(fsItalic),
               strike = Style & FontStyleBit(fsStrikeOut);
    TEditorGlyphs::Style &st = g.Styles[(bold ? 1 : 0) | (italic ? 2 : 0) | (strike ? 4 : 0)];
    if (!st.Ready) {
        QFont f = font();
        f.setBold(bold);
        f.setItalic(italic);
        f.setStrikeOut(strike);
        f.setUnderline(false);
        st.Font = f;
        st.Raw = f == font() ? FRawFont : QRawFont::fromFont(f);
        st.Ready = true;
    }
    return st;
}

void TEditor::DrawTextRect(QPainter &P, const QRect &Rect, int X, int Y, const QString &S, bool Opaque,
                           const QColor &TextColor, const QColor &Back, TFontStyles Style)
{
    if (Rect.isEmpty())
        return;
    TEditorGlyphs::Style &st = GlyphStyle(Style);
    TEditorGlyphs &g = *FGlyphs;
    const QFont &f = st.Font;
    const QRawFont &raw = st.Raw;
    const QStringView text = QStringView(S).left(10000);
    const int cw = FFontWidth;
    const int baseline = Y + FAscent;
    const int left = Rect.left(), right = Rect.right();
    std::optional<QFontMetrics> metrics;
    const auto fm = [&]() -> const QFontMetrics & {
        if (!metrics)
            metrics.emplace(f);
        return *metrics;
    };
    QList<quint32> &glyphs = g.Indexes;
    QList<QPointF> &positions = g.Positions;
    glyphs.clear();
    positions.clear();
    g.Fallbacks.clear();
    // whether every glyph's ink stays inside Rect (else the piece is clipped)
    bool inside = true;
    const auto place = [&](const TEditorGlyphs::Glyph &gl, const QPointF &at) {
        glyphs.append(gl.Index);
        positions.append(at);
        if (inside && !gl.Ink.isEmpty() && !Rect.contains(gl.Ink.translated(int(at.x()), int(at.y()))))
            inside = false;
    };
    if (raw.isValid() && !st.AsciiReady) {
        for (char16_t c = 0; c < 128; ++c) {
            TEditorGlyphs::Glyph &a = st.Ascii[c];
            if (c < 32)
                continue; // glyph 0, drawn as nothing
            const QList<quint32> gi = raw.glyphIndexesForString(QString(QChar(c)));
            a.Index = gi.isEmpty() ? 0 : gi[0];
            a.Ink = InkBox(raw, a.Index);
            a.Own = true;
        }
        st.AsciiReady = true;
    }
    int x = X;
    const qsizetype n = text.size();
    const bool ownGlyphs = raw.isValid() && !FUseMBCSFont;
    qsizetype i = 0;
    while (i < n && x <= right) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            // a run of plain ASCII, placed cell by cell
            qsizetype j = i;
            while (j < n && text[j].unicode() < 0x80)
                ++j;
            qsizetype a = i, b = j;
            if (x < left - cw)
                a = std::min(j, i + (left - x) / cw - 1);
            const int endX = x + int(j - i) * cw;
            if (endX > right + cw)
                b = std::max(a, i + (right - x) / cw + 2);
            b = std::min(b, j);
            for (qsizetype k = a; k < b; ++k) {
                const char16_t c = text[k].unicode();
                if (raw.isValid()) {
                    const int w = c >= 32 ? FAsciiWidth[c] : cw;
                    place(st.Ascii[c], QPointF(x + (k - i) * cw + (cw - w) / 2, baseline));
                } else if (c > 32) {
                    g.Fallbacks.push_back(
                        {QPointF(x + (k - i) * cw + (cw - FAsciiWidth[c]) / 2, baseline), QString(QChar(c))});
                }
            }
            x = endX;
            i = j;
            continue;
        }
        bool pair = false;
        const int cells = UnitCells(text, i, FAmbiguousIsWide, &pair);
        qsizetype len = pair ? 2 : 1;
        // a character drawn together with the combining characters after it
        qsizetype k = i + len;
        int extra = 0;
        while (k < n && text[k].unicode() >= 0x300 && IsCombiningChar(text[k].unicode())) {
            bool p2 = false;
            extra += UnitCells(text, k, FAmbiguousIsWide, &p2);
            ++k;
        }
        const int own = pair ? cells * 2 : cells;
        if (!IsLowSurrogate(u) && x + own * cw >= left && !IsCombiningChar(u)) {
            bool placed = false;
            if (ownGlyphs && k == i + 1 && !IsHighSurrogate(u)) {
                auto it = st.Others.find(u);
                if (it == st.Others.end()) {
                    TEditorGlyphs::Glyph gl;
                    const QChar ch(u);
                    gl.Own = raw.supportsCharacter(ch);
                    if (gl.Own) {
                        const QList<quint32> gi = raw.glyphIndexesForString(QString(ch));
                        gl.Own = gi.size() == 1 && gi[0] != 0;
                        gl.Index = gl.Own ? gi[0] : 0;
                        gl.Advance = fm().horizontalAdvance(QString(ch));
                        if (gl.Own)
                            gl.Ink = InkBox(raw, gl.Index);
                    }
                    it = st.Others.insert(u, gl);
                }
                if (it->Own) {
                    place(*it, QPointF(x + (own * cw - it->Advance) / 2, baseline));
                    placed = true;
                }
            }
            if (!placed) {
                const QString cluster = text.mid(i, k - i).toString();
                const int adv = FUseMBCSFont ? QFontMetrics(FMBCSFont).horizontalAdvance(cluster)
                                             : fm().horizontalAdvance(cluster);
                g.Fallbacks.push_back({QPointF(x + (own * cw - adv) / 2, baseline), cluster});
            }
        }
        x += (own + extra) * cw;
        i = k;
    }
    // Text drawn by the painter may reach anywhere: clipped, as is a glyph
    // whose ink leaves the rectangle.
    const bool clip = !inside || !g.Fallbacks.empty();
    if (clip) {
        P.save();
        P.setClipRect(Rect);
    }
    if (Opaque)
        P.fillRect(Rect, Back);
    P.setPen(TextColor);
    if (!g.Fallbacks.empty()) {
        for (const TEditorGlyphs::Fallback &fb : g.Fallbacks) {
            const bool ascii = fb.Cluster.size() == 1 && fb.Cluster[0].unicode() < 0x80;
            if (!ascii && FUseMBCSFont)
                P.setFont(FMBCSFont);
            else
                P.setFont(f);
            P.drawText(fb.At, fb.Cluster);
        }
    }
    if (!glyphs.isEmpty()) {
        QGlyphRun gr;
        gr.setRawFont(raw);
        gr.setGlyphIndexes(glyphs);
        gr.setPositions(positions);
        P.drawGlyphRun(QPointF(0, 0), gr);
    }
    if (Style & FontStyleBit(fsUnderline)) {
        const int y = Y + FFontHeight - 1;
        if (y >= Rect.top() && y <= Rect.bottom()) {
            const int x1 = std::min(x, Rect.right());
            for (int px = std::max(X, Rect.left()); px <= x1; px += 2)
                P.fillRect(px, y, 1, 1, TextColor);
        }
    }
    if (clip)
        P.restore();
}

// ===========================================================================
// Text area

void TEditor::paintEvent(QPaintEvent *Event)
{
    if (!FList)
        return;
    QPainter p(viewport());
    PaintTextArea(p, Event->rect());
    if (!FPreedit.isEmpty())
        DoPreeditPaint(p);
}

void TEditor::PaintTextArea(QPainter &P, const QRect &ClipIn)
{
    const int tm = TopMargin();
    const int lm = LeftMargin();
    const int width = ClientWidth();
    const int height = ClientHeight();
    const int rh = RowHeight();
    const int cw = FFontWidth;
    const QColor back = Qc(FColor, clWhite);
    const bool underline =
        FMarks->Underline()->Visible() && FUnderlineUpdateCount == 0 && UnderlineY(FRow) != -1 && !SelectedData();

    // corner and margins
    P.fillRect(QRect(0, 0, lm, tm).intersected(ClipIn), back);
    if (FRuler->Visible() && ClipIn.intersects(QRect(lm, 0, width - lm, FRulerHeight)))
        PaintRuler(P);
    const int rulerBottom = FRuler->Visible() ? FRulerHeight : 0;
    P.fillRect(QRect(lm, rulerBottom, width - lm, tm - rulerBottom).intersected(ClipIn), back);

    QRect clip = ClipIn;
    int top = std::max(tm, clip.top());
    top = tm + ((top - tm) / rh) * rh;
    int bottom = clip.bottom() + 1;
    bottom = tm + ((bottom - tm + rh - 1) / rh) * rh;
    const int firstRow = FTopRow + (top - tm) / rh;
    const int rows = std::max(0, (bottom - top) / rh);
    if (rows > 0) {
        if (FImagebar->Visible() && clip.left() < FImagebarWidth)
            PaintImagebar(P, firstRow, firstRow + rows - 1);
        if (FLeftbar->Visible() && clip.left() < FImagebarWidth + FLeftbarWidth &&
            clip.right() >= FImagebarWidth)
            PaintLeftbar(P, firstRow, firstRow + rows - 1);
        // the margin between the bars and the text
        const int barsRight = (FImagebar->Visible() ? FImagebarWidth : 0) + (FLeftbar->Visible() ? FLeftbarWidth : 0);
        P.fillRect(QRect(barsRight, tm, lm - barsRight, height - tm).intersected(clip), back);
    }
    const QRect textArea(lm, tm, width - lm, height - tm);
    if (clip.intersects(textArea) && rows > 0) {
        int left = std::max(lm, lm + cw * ((clip.left() - lm) / cw));
        P.fillRect(QRect(left, top, width - left, bottom - top).intersected(textArea), back);
        std::unique_ptr<TFountainParser> parser;
        if (TFountain *f = GetActiveFountain())
            parser = f->CreateParser();
        const int x0 = lm - FLeftScrollWidth;
        const int extra = (SelectedData() || FClearingSelection) ? FMargin->Underline() : 0;
        const int n = FList->Count();
        for (int k = 0; k < rows; ++k) {
            const int i = firstRow + k;
            const int y = top + k * rh;
            const QRect r(QPoint(left, y), QPoint(width - 1, y + FFontHeight + extra - 1));
            if (i < n) {
                const QString s = PaintedRow(i);
                if (SelectedDraw())
                    DrawRow(P, r, x0, parser.get(), i, s, y);
                else
                    DrawRowNormal(P, r, x0, parser.get(), i, s, y);
            } else {
                P.fillRect(r, back);
                if (i == n && FMarks->EofMark()->Visible() && (i == 0 || FList->Rows(i - 1) != raEof))
                    DrawEofMark(P, x0, y);
            }
        }
    }
    if (underline) {
        const int y = UnderlineY(FRow);
        P.fillRect(QRect(lm, y, width - lm, 1), Qc(FMarks->Underline()->Color(), FFontColor));
    }
    if (FCaretShowing && (FCaretBlinkOn || !FCaretBlink)) {
        const QRect c = CaretRect();
        P.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        P.fillRect(c, QColor(255, 255, 255));
        P.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

void TEditor::DrawRow(QPainter &P, const QRect &R, int X0, TFountainParser *Parser, int Index, const QString &S, int Y)
{
    const TSelectedPosition &sel = FSelDraw;
    if (Index < sel.Sr || Index > sel.Er) {
        DrawRowNormal(P, R, X0, Parser, Index, S, Y);
        return;
    }
    const int lm = LeftMargin();
    const int width = ClientWidth();
    auto x = [&](int c) { return std::max(lm, lm + (c - FTopCol) * FFontWidth); };
    auto piece = [&](int x1, int x2, bool selected) {
        QRect q(QPoint(x1, R.top()), QPoint(x2 - 1, R.bottom()));
        q = q.intersected(R);
        if (q.isEmpty())
            return;
        if (selected)
            DrawRowSelected(P, q, X0, Parser, Index, S, Y);
        else
            DrawRowNormal(P, q, X0, Parser, Index, S, Y);
    };
    if (FSelectionMode == smBox) {
        const QString k = ColumnKinds(S);
        const QRect a = SelectionSegmentRect(k, Index, 0, sel.Sc);
        const QRect b = SelectionSegmentRect(k, Index, sel.Sc, sel.Ec);
        piece(lm, b.left(), false);
        (void)a;
        piece(b.left(), b.right() + 1, true);
        piece(b.right() + 1, width, false);
    } else if (sel.Sr == sel.Er) {
        piece(lm, x(sel.Sc), false);
        piece(x(sel.Sc), x(sel.Ec), true);
        piece(x(sel.Ec), width, false);
    } else if (Index == sel.Sr) {
        piece(lm, x(sel.Sc), false);
        piece(x(sel.Sc), width, true);
    } else if (Index == sel.Er) {
        piece(lm, x(sel.Ec), true);
        piece(x(sel.Ec), width, false);
    } else {
        piece(lm, width, true);
    }
}

namespace {
// Column (cell) at which each unit of an expanded row starts, up to unit 10000.
std::vector<int> ColumnTable(QStringView S, bool AmbiguousWide)
{
    const qsizetype n = std::min<qsizetype>(S.size(), 10001);
    std::vector<int> t(size_t(n) + 1, 0);
    int c = 0;
    for (qsizetype i = 0; i < n; ++i) {
        t[size_t(i)] = c;
        bool pair = false;
        c += UnitCells(S, i, AmbiguousWide, &pair);
    }
    t[size_t(n)] = c;
    return t;
}
} // namespace

void TEditor::DrawRowNormal(QPainter &P, const QRect &R, int X0, TFountainParser *Parser, int Index,
                            const QString &S, int Y)
{
    QString s = S;
    if (s.contains(QChar(27)))
        s.replace(QChar(27), QLatin1Char(' '));
    if (FList->Brackets(Index) == -2)
        FList->UpdateRowStates(Index, false);
    const std::vector<int> cols = ColumnTable(s, FAmbiguousIsWide);
    const TRowMarks marks = FList->RowMarks(Index);
    TColor bg = FColor;
    if ((marks & RowMarkBit(rm1)) && (marks & RowMarkBit(rm2)))
        bg = 0x00C0C0;
    else if (marks & RowMarkBit(rm1))
        bg = 0x00FFFF;
    else if (marks & RowMarkBit(rm2))
        bg = 0x0000FF;
    const QColor fontColor = Qc(FFontColor, clBlack);
    const TFontStyles baseStyle = FontStyle();
    const int n = RowWidth(Index);
    // a coloured row draws each piece of its text once, in its own colours
    const bool coloured = n > 0 && marks == 0 && Parser && (n + 5) * FFontWidth >= FLeftScrollWidth;
    if (coloured)
        P.fillRect(R, Qc(bg, clWhite));
    else
        DrawTextRect(P, R, X0, Y, s, true, fontColor, Qc(bg, clWhite), baseStyle);
    if ((n + 5) * FFontWidth < FLeftScrollWidth)
        return;
    const int lm = LeftMargin();
    const int limit = lm + 10000 * FFontWidth - FLeftScrollWidth;
    QRect clip = R;
    clip.setRight(std::min(clip.right(), limit - 1));
    if (coloured) {
        QString parse = s;
        const QRect baseClip = R;
        if (FList->WordWrap() && FList->Rows(Index) == raWrapped && Index + 1 < FList->Count()) {
            parse += ExpandedRow(Index + 1).replace(QChar(27), QLatin1Char(' '));
            clip.setRight(std::min(clip.right(), n * FFontWidth + X0 - 1));
        }
        Parser->NewData(parse, FList->RowAttributeData(Index));
        const qsizetype units = std::min<qsizetype>(s.size(), 10001);
        // Neighbouring pieces of the same colours are drawn together; the
        // text between tokens and after the last one in the base colours.
        struct Span {
            qsizetype A = 0, B = 0;
            TColor Fg = clNone, Bk = clNone;
            TFontStyles St = 0;
        } span;
        const qsizetype textEnd = std::min<qsizetype>(units, 10000);
        const auto flush = [&] {
            if (span.B <= span.A)
                return;
            const bool plain = span.Fg == FFontColor && span.Bk == FColor && span.St == baseStyle;
            const int x = cols[size_t(span.A)] * FFontWidth + X0;
            // the last piece may draw past its cells, as a glyph wider than its cell does
            const int xe = plain && span.B >= textEnd ? R.right() + 1 : cols[size_t(span.B)] * FFontWidth + X0;
            const QRect q = QRect(QPoint(x, R.top()), QPoint(xe - 1, R.bottom())).intersected(plain ? baseClip : clip);
            DrawTextRect(P, q, x, Y, s.mid(span.A, span.B - span.A), span.Bk != FColor, Qc(span.Fg, clBlack),
                         Qc(span.Bk, clWhite), span.St);
        };
        const auto add = [&](qsizetype a, qsizetype b, TColor fg, TColor bk, TFontStyles st) {
            if (b <= a)
                return;
            if (span.B == a && span.Fg == fg && span.Bk == bk && span.St == st) {
                span.B = b;
                return;
            }
            flush();
            span = {a, b, fg, bk, st};
        };
        qsizetype done = 0; // units placed in a piece so far
        for (;;) {
            if (Parser->NextToken() == tokEof)
                break;
            const int pos = Parser->SourcePos();
            if (pos >= units || cols[size_t(pos)] >= n)
                break;
            const TFountainColor *fc = Parser->TokenToFountainColor();
            const TColor tbk = fc && fc->BkColor() != clNone ? fc->BkColor() : FColor;
            const TColor tfg = fc && fc->Color() != clNone ? fc->Color() : FFontColor;
            const TFontStyles st = fc ? fc->Style() : baseStyle;
            const int len = int(std::min<qsizetype>(Parser->TokenLength(), units - pos));
            const int x = cols[size_t(pos)] * FFontWidth + X0;
            if (x > clip.right())
                break;
            if (pos < done)
                continue;
            add(done, pos, FFontColor, FColor, baseStyle);
            add(pos, pos + len, tfg, tbk, st);
            done = pos + len;
        }
        add(done, textEnd, FFontColor, FColor, baseStyle);
        flush();
        if (!FHitText.isEmpty()) {
            TEditorColors *c = FView->Colors();
            const QColor hb = Qc(c->Hit()->BkColor(), FColor), hf = Qc(c->Hit()->Color(), FFontColor);
            for (int h = FindHitText(FHitText, s, 1, false); h > 0;
                 h = FindHitText(FHitText, s, h + int(FHitText.size()), false)) {
                const int a = h - 1, b = std::min<int>(a + int(FHitText.size()), int(units));
                if (a >= units)
                    break;
                const int x = cols[size_t(a)] * FFontWidth + X0;
                const int xe = cols[size_t(b)] * FFontWidth + X0;
                if (x > clip.right())
                    break;
                const QRect q = QRect(QPoint(x, R.top()), QPoint(xe - 1, R.top() + FFontHeight - 2)).intersected(clip);
                DrawTextRect(P, q, x, Y, s.mid(a, b - a), true, hf, hb, baseStyle);
            }
        }
    }
    QRect rr = R;
    DoDrawLine(OnDrawLine ? ExpandedRow(Index).replace(QChar(27), QLatin1Char(' ')) : s, X0, Y, Index, rr, false);
    // end marks
    const int xEnd = std::min(n * FFontWidth + X0, limit);
    const bool last = Index == FList->Count() - 1;
    const bool cut = n >= 10000 && (cols.back() > 10000 || s.size() > 10001);
    if (xEnd < R.right() + 1) {
        if (!cut) {
            if (FMarks->EofMark()->Visible() && last && FList->Rows(Index) == raEof)
                DrawEofMark(P, xEnd, Y);
            else if (FMarks->RetMark()->Visible() && FList->Rows(Index) == raCrlf)
                DrawRetMark(P, xEnd, Y);
            else if (FMarks->WrapMark()->Visible() && FList->Rows(Index) == raWrapped)
                DrawWrapMark(P, xEnd, Y);
        } else if (FMarks->HideMark()->Visible()) {
            DrawHideMark(P, xEnd, Y);
        }
    }
    // blank marks
    if (FMarks->SemiSpaceMark()->Visible() || FMarks->SpaceMark()->Visible()) {
        const qsizetype m = std::min<qsizetype>(S.size(), 10000);
        for (qsizetype i = 0; i < m; ++i) {
            const char16_t u = S[i].unicode();
            const int x = cols[size_t(i)] * FFontWidth + X0;
            if (x > R.right())
                break;
            if (u == u' ' && FMarks->SemiSpaceMark()->Visible())
                DrawSemiSpaceMark(P, x + FFontWidth, Y);
            else if (u == 0x3000 && FMarks->SpaceMark()->Visible())
                DrawSpaceMark(P, x + FFontWidth, Y);
        }
    }
}

void TEditor::DrawRowSelected(QPainter &P, const QRect &R, int X0, TFountainParser *Parser, int Index,
                              const QString &S, int Y)
{
    QString s = S;
    if (s.contains(QChar(27)))
        s.replace(QChar(27), QLatin1Char(' '));
    if (FList->Brackets(Index) == -2)
        FList->UpdateRowStates(Index, false);
    QColor sb, sf;
    SelectionColors(sb, sf);
    P.fillRect(R, sb);
    const int n = RowWidth(Index);
    if ((n + 5) * FFontWidth < FLeftScrollWidth)
        return;
    const int lm = LeftMargin();
    const int limit = lm + 10000 * FFontWidth - FLeftScrollWidth;
    QRect clip = R;
    clip.setRight(std::min(clip.right(), limit - 1));
    DrawTextRect(P, clip, X0, Y, s, false, sf, sb, FontStyle());
    QRect rr = R;
    DoDrawLine(OnDrawLine ? ExpandedRow(Index).replace(QChar(27), QLatin1Char(' ')) : s, X0, Y, Index, rr, true);
    const int xEnd = std::min(n * FFontWidth + X0, limit);
    const bool last = Index == FList->Count() - 1;
    if (xEnd < R.right() + 1) {
        if (FMarks->EofMark()->Visible() && last && FList->Rows(Index) == raEof)
            DrawEofMark(P, xEnd, Y);
        else if (FMarks->RetMark()->Visible() && FList->Rows(Index) == raCrlf)
            DrawSelectedRetMark(P, xEnd, Y);
        else if (FMarks->WrapMark()->Visible() && FList->Rows(Index) == raWrapped)
            DrawSelectedWrapMark(P, xEnd, Y);
    }
    (void)Parser;
}

// ===========================================================================
// Marks

void TEditor::DrawEofMark(QPainter &P, int X, int Y)
{
    const int lm = LeftMargin(), tm = TopMargin();
    const QRect box = QRect(std::max(lm, X), std::max(tm, Y), 6 * FFontWidth, FFontHeight)
                          .intersected(QRect(0, 0, ClientWidth(), ClientHeight()));
    DrawTextRect(P, box, X, Y, QStringLiteral("[EOF]"), true, Qc(FMarks->EofMark()->Color(), FFontColor),
                 Qc(FColor, clWhite), 0);
}

namespace {
void RetArrow(QPainter &P, int X, int Y, int W, int H, const QColor &C)
{
    const int a = std::max(1, H / 8), e = std::max(a, 3), xm = X + W / 2;
    const QPoint end(xm, Y + H - 2 * a);
    P.setPen(QPen(C, 1));
    P.drawLine(QPoint(xm, Y + 2 * a), end);
    P.drawLine(end, QPoint(xm + e, end.y() - e));
    P.drawLine(end, QPoint(xm - e, end.y() - e));
}
void WrapArrow(QPainter &P, int X, int Y, int W, int H, const QColor &C, bool Hide)
{
    const int a = std::max(2, W * 3 / 5), ym = Y + H / 2;
    P.setPen(QPen(C, 1));
    if (!Hide) {
        const QPoint pts[3] = {{X + W, ym - a}, {X + W - a, ym}, {X + W + 1, ym + a + 1}};
        P.drawPolyline(pts, 3);
    } else {
        const QPoint pts[3] = {{X + W - a, ym - a}, {X + W, ym}, {X + W - a - 1, ym + a + 1}};
        P.drawPolyline(pts, 3);
    }
}
} // namespace

void TEditor::DrawRetMark(QPainter &P, int X, int Y)
{
    if (X >= LeftMargin())
        RetArrow(P, X, Y, FFontWidth, FFontHeight, Qc(FMarks->RetMark()->Color(), FFontColor));
}

void TEditor::DrawSelectedRetMark(QPainter &P, int X, int Y)
{
    QColor b, f;
    SelectionColors(b, f);
    if (X >= LeftMargin())
        RetArrow(P, X, Y, FFontWidth, FFontHeight, f);
}

void TEditor::DrawWrapMark(QPainter &P, int X, int Y)
{
    if (X >= LeftMargin())
        WrapArrow(P, X, Y, FFontWidth, FFontHeight, Qc(FMarks->WrapMark()->Color(), FFontColor), false);
}

void TEditor::DrawSelectedWrapMark(QPainter &P, int X, int Y)
{
    QColor b, f;
    SelectionColors(b, f);
    if (X >= LeftMargin())
        WrapArrow(P, X, Y, FFontWidth, FFontHeight, f, false);
}

void TEditor::DrawHideMark(QPainter &P, int X, int Y)
{
    if (X >= LeftMargin())
        WrapArrow(P, X, Y, FFontWidth, FFontHeight, Qc(FMarks->HideMark()->Color(), FFontColor), true);
}

void TEditor::DrawSelectedHideMark(QPainter &P, int X, int Y)
{
    QColor b, f;
    SelectionColors(b, f);
    if (X >= LeftMargin())
        WrapArrow(P, X, Y, FFontWidth, FFontHeight, f, true);
}

void TEditor::DrawTabMark(QPainter &P, int X, int Y)
{
    const int a = std::max(1, FFontWidth / 8), e = std::max(1, FFontHeight / 8), ym = Y + FFontHeight / 2;
    const int xt = X - FCaret->TabSpaceCount() * FFontWidth;
    P.setPen(QPen(Qc(FMarks->TabMark()->Color(), FFontColor), 1));
    const QPoint pts[3] = {{xt, ym - e}, {xt + a, ym}, {xt - a, ym + e}};
    P.drawPolyline(pts, 3);
}

void TEditor::DrawSelectedTabMark(QPainter &P, int X, int Y)
{
    DrawTabMark(P, X, Y);
}

void TEditor::DrawSemiSpaceMark(QPainter &P, int X, int Y)
{
    if (X < LeftMargin())
        return;
    const int e = std::max(1, FFontHeight / 4), x1 = X + 1 - FFontWidth, yb = Y + FFontHeight - 2 * e;
    QPen pen(Qc(FMarks->SemiSpaceMark()->Color(), FFontColor), 1);
    pen.setDashPattern({1, 2});
    P.setPen(pen);
    P.drawLine(x1, yb, x1, yb + e);
    P.drawLine(x1 + FFontWidth - 2, yb, x1 + FFontWidth - 2, yb + e);
    P.drawLine(x1, yb + e, x1 + FFontWidth - 2, yb + e);
}

void TEditor::DrawSpaceMark(QPainter &P, int X, int Y)
{
    if (X < LeftMargin())
        return;
    const int x1 = X - FFontWidth / 2, yt = Y + FFontHeight / 4, yb = yt + FFontHeight / 2;
    QPen pen(Qc(FMarks->SpaceMark()->Color(), FFontColor), 1);
    pen.setDashPattern({1, 2});
    P.setPen(pen);
    P.setBrush(Qt::NoBrush);
    P.drawRect(QRect(QPoint(x1, yt), QPoint(x1 + FFontWidth, yb)));
}

// ===========================================================================
// Ruler, line-number bar, image bar

namespace {
// Ink of the ruler digits 0..9, rows 1..7, five columns each.
const char *const kRulerDigits[7][10] = {
    {"..XX.", "..X..", "..XX.", "..XX.", "...X.", ".XXXX", "..XX.", ".XXXX", "..XX.", "..XX."},
    {".X..X", ".XX..", ".X..X", ".X..X", "..XX.", ".X...", ".X..X", "....X", ".X..X", ".X..X"},
    {".X..X", "..X..", "....X", "....X", "..XX.", ".XXX.", ".X...", "...X.", ".X..X", ".X..X"},
    {".X..X", "..X..", "...X.", "...X.", ".X.X.", ".X..X", ".XXX.", "...X.", "..XX.", "..XXX"},
    {".X..X", "..X..", "..X..", "....X", ".XXXX", "....X", ".X..X", "..X..", ".X..X", "....X"},
    {".X..X", "..X..", ".X...", ".X..X", "...X.", ".X..X", ".X..X", "..X..", ".X..X", ".X..X"},
    {"..XX.", "..X..", ".XXXX", "..XX.", "...X.", "..XX.", "..XX.", "..X..", "..XX.", "..XX."},
};
} // namespace

void TEditor::InitRulerDigitMask()
{
    FRulerDigitMask = QImage(56, 9, QImage::Format_Mono);
    FRulerDigitMask.fill(0);
    for (int row = 0; row < 7; ++row)
        for (int d = 0; d < 10; ++d)
            for (int c = 0; c < 5; ++c)
                if (kRulerDigits[row][d][c] == 'X')
                    FRulerDigitMask.setPixel(5 * d + c, row + 1, 1);
}

void TEditor::InitRulerDigits()
{
    auto strip = [this](const QColor &Ink, const QColor &Back) {
        QImage img(56, 9, QImage::Format_RGB32);
        img.fill(Back);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 56; ++x)
                if (FRulerDigitMask.pixelIndex(x, y))
                    img.setPixelColor(x, y, Ink);
        return QPixmap::fromImage(img);
    };
    const QColor bk = Qc(FRuler->BkColor(), FColor), fg = Qc(FRuler->Color(), FFontColor);
    const QColor mark = Qc(FRuler->MarkColor(), FFontColor);
    FRulerDigit = strip(fg, bk);
    FRulerMarkDigit = strip(bk, mark);
}

void TEditor::InitRuler()
{
    if (!FRuler)
        return;
    UpdateRulerHeight();
    InitRulerDigits();
}

void TEditor::PaintRuler(QPainter &P)
{
    const int lm = LeftMargin();
    const int width = ClientWidth();
    const int h = FRulerHeight;
    const int cw = FFontWidth;
    const int g = FRuler->GaugeRange();
    const QColor bk = Qc(FRuler->BkColor(), FColor), fg = Qc(FRuler->Color(), FFontColor);
    P.save();
    P.setClipRect(QRect(lm, 0, width - lm, h));
    P.fillRect(QRect(lm, 0, width - lm, h), bk);
    const int edge = FRuler->Edge() ? 2 : 1;
    const int first = FLeftScrollWidth / cw;
    // the gauge first, then the numbers of each period over it
    const int lastCol = std::min(first + FColCount + 1, 10000);
    for (int c = first; c <= lastCol; ++c) {
        const int x = lm + (c - first) * cw;
        const int b = c % g;
        const int t = b == 0 ? 0 : b == g / 2 ? 3 : 6;
        P.fillRect(QRect(x, t, 1, h - edge - t), fg);
    }
    for (int c = first - first % g; c <= lastCol; c += g) {
        int dx = lm + (c - first) * cw + 1;
        for (QChar d : QString::number(c)) {
            const int digit = d.unicode() - u'0';
            const int w = digit == 1 ? 3 : 5;
            P.drawPixmap(QPoint(dx, 0), FRulerDigit, QRect(5 * digit, 0, w, 9));
            dx += w;
        }
    }
    // caret column mark
    if (FCol >= first && FCol <= first + FColCount)
        P.fillRect(QRect(lm + cw * (FCol - first) + 1, 0, cw - 1, h - edge), Qc(FRuler->MarkColor(), FFontColor));
    if (FRuler->Edge()) {
        P.fillRect(QRect(lm, h - 2, width - lm, 1), Qt::white);
        P.fillRect(QRect(lm, h - 1, width - lm, 1), QColor(0x80, 0x80, 0x80));
    } else {
        P.fillRect(QRect(lm, h - 1, width - lm, 1), fg);
    }
    P.restore();
}

void TEditor::PaintLeftbar(QPainter &P, int FirstRow, int LastRow)
{
    const int ib = FImagebar->Visible() ? FImagebarWidth : 0;
    const int tm = TopMargin();
    const int rh = RowHeight();
    const QColor bk = Qc(FLeftbar->BkColor(), FColor), fg = Qc(FLeftbar->Color(), FFontColor);
    const int cellW = FLeftbarWidth - 2;
    const int n = FList->Count();
    const bool lastCrlf = n > 0 && FList->Rows(n - 1) == raCrlf;
    const int zero = FLeftbar->ZeroBase() ? 0 : 1;
    int line = FLeftbar->ShowNumberMode() == nmLine ? RowToLines(FirstRow) : 0;
    for (int i = FirstRow; i <= LastRow; ++i) {
        const int y = tm + (i - FTopRow) * rh;
        const QRect cell(ib, y, cellW, rh);
        P.fillRect(cell, bk);
        // the edge
        const QColor l = FLeftbar->Edge() ? QColor(Qt::white) : bk;
        const QColor r = FLeftbar->Edge() ? QColor(0x80, 0x80, 0x80) : fg;
        P.fillRect(QRect(ib + FLeftbarWidth - 2, y, 1, rh), l);
        P.fillRect(QRect(ib + FLeftbarWidth - 1, y, 1, rh), r);
        if (!FLeftbar->ShowNumber())
            continue;
        int number = -1;
        if (FLeftbar->ShowNumberMode() == nmRow) {
            if (i < n || i == 0 || (i == n && lastCrlf))
                number = i + zero;
        } else {
            const bool starts = i == 0 || (i <= n && FList->Rows(i - 1) == raCrlf);
            if (starts && (i < n || (i == n && lastCrlf) || i == 0))
                number = line + zero;
            if (i < n && FList->Rows(i) == raCrlf)
                ++line;
        }
        if (number < 0)
            continue;
        QString text = QString::number(number).rightJustified(FLeftbarColumn, FLeftbar->ZeroLead() ? u'0' : u' ');
        DrawTextRect(P, QRect(ib, y, cellW, FFontHeight), FLeftbar->LeftMargin() + ib, y, text, true, fg, bk,
                     FontStyle());
    }
}

void TEditor::PaintImagebar(QPainter &P, int FirstRow, int LastRow)
{
    const int tm = TopMargin();
    const int rh = RowHeight();
    const QColor bk =
        FLeftbar->Visible() && FLeftbar->BkColor() != clNone ? Qc(FLeftbar->BkColor(), FColor) : Qc(FColor, clWhite);
    for (int i = FirstRow; i <= LastRow; ++i) {
        const int y = tm + (i - FTopRow) * rh;
        P.fillRect(QRect(0, y, FImagebarWidth, rh), bk);
        const TRowMarks m = ListRowMarks(i);
        if (!m)
            continue;
        for (int d = 0; d <= 9; ++d) {
            if (!(m & (1u << d)))
                continue;
            const int x = FImagebar->LeftMargin();
            if (FImageDigits && d < FImageDigits->size())
                P.drawPixmap(x, y + 2, FImageDigits->at(d));
            else {
                P.fillRect(QRect(x, y + 2, FImagebar->DigitWidth(), std::max(1, FFontHeight - 3)), QColor(0, 0, 128));
                P.setPen(Qt::white);
                QFont f = font();
                f.setPixelSize(std::max(6, FFontHeight - 5));
                P.setFont(f);
                P.drawText(QRect(x, y + 2, FImagebar->DigitWidth(), std::max(1, FFontHeight - 3)), Qt::AlignCenter,
                           QString::number(d));
            }
            break;
        }
        for (int d = 10; d <= 15; ++d) {
            if (!(m & (1u << d)))
                continue;
            const int x = FImagebar->LeftMargin() + FImagebar->DigitWidth();
            if (FImageMarks && d - 10 < FImageMarks->size())
                P.drawPixmap(x, y + 2, FImageMarks->at(d - 10));
            else if (FImagebar->MarkWidth() > 0)
                P.fillRect(QRect(x, y + 2, FImagebar->MarkWidth(), std::max(1, FFontHeight - 3)),
                           QColor::fromHsv((d - 10) * 60, 200, 220));
            break;
        }
    }
}

// ===========================================================================
// TEditorScreen

void TEditorScreen::Update()
{
    TEditorScreenStrings *list = FEditor->InternalList();
    const TEditorDrawInfo &di = list->DrawInfo();
    if (!di.NeedUpdate)
        return;
    const int delta = di.Insert - di.Delete;
    const int tm = FEditor->TopMargin();
    QWidget *vp = FEditor->viewport();
    if (std::abs(delta) > FEditor->RowCount()) {
        vp->update(QRect(0, tm, FEditor->ClientWidth(), FEditor->ClientHeight() - tm));
        return;
    }
    const int next = di.Start + std::max(di.Insert, di.Invalid);
    const int n = list->Count();
    if (delta == 0) {
        FEditor->RepaintRows(di.Start, next >= n ? next + 1 : next - 1);
    } else {
        // the rows from the change down move: paint them from there on
        const int y = tm + (std::max(di.Start, FEditor->TopRow()) - FEditor->TopRow()) * FEditor->RowHeight();
        if (di.Start <= FEditor->TopRow() + FEditor->RowCount())
            vp->update(QRect(0, y, FEditor->ClientWidth(), FEditor->ClientHeight() - y));
    }
    if (FEditor->Leftbar()->Visible() && FEditor->Leftbar()->ShowNumber())
        FEditor->InvalidateLeftbar(next, di.Start + FEditor->RowCount());
}
