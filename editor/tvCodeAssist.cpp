#include "editor/tvCodeAssist.h"

#include "editor/tvMemo.h"
#include "platform/ui/Font.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int MinWidth = 200;
constexpr int MinHeight = 100;
constexpr int RightGap = 30; // the popup ends this far left of the memo's right edge

bool IsAcceptingChar(QChar C)
{
    switch (C.unicode()) {
    case u'\t':
    case u'\r':
    case u' ':
    case u'%':
    case u',':
    case u'.':
    case u';':
        return true;
    default:
        return false;
    }
}

// The accepting character a key stands for, or 0.
QChar AcceptingChar(const QKeyEvent *E)
{
    switch (E->key()) {
    case Qt::Key_Tab:
        return u'\t';
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return u'\r';
    case Qt::Key_Space:
        return u' ';
    default:
        break;
    }
    const QString t = E->text();
    if (t.size() == 1 && IsAcceptingChar(t[0]))
        return t[0];
    return QChar();
}

} // namespace

TtvCodeAssist::TtvCodeAssist(TtvMemo *AEdit, QWidget *AOwner, int X, int Y)
    : QFrame(AOwner ? AOwner : AEdit->window()), FOwner(AEdit)
{
    if (!AOwner)
        AOwner = parentWidget();
    hide();
    // a child that the size grip resizes (not the window around it)
    setWindowFlags(Qt::SubWindow);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setMinimumSize(MinWidth, MinHeight);
    setFont(tv::ui::MakeFont(QStringLiteral("ＭＳ ゴシック"), 10));

    FList = new QTreeWidget(this);
    FList->setFocusPolicy(Qt::NoFocus);
    FList->setFrameShape(QFrame::NoFrame);
    FList->setRootIsDecorated(false);
    FList->setUniformRowHeights(true);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FList->setColumnCount(0);
    FList->header()->setStretchLastSection(false);
    FList->viewport()->installEventFilter(this);
    connect(FList, &QTreeWidget::itemDoubleClicked, this, [this] { Accept(); });
    connect(FList->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] {
        for (int i = 0; i < 6; ++i)
            AddItems();
    });

    FGrip = new QSizeGrip(this);
    FGrip->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(FList, 0, 0);
    layout->addWidget(FGrip, 1, 0, Qt::AlignRight | Qt::AlignBottom);

    Buf = new QLineEdit(this);
    Buf->setFocusPolicy(Qt::NoFocus);
    Buf->hide();

    // Geometry: the remembered size, under the caret row.
    int w = std::max(MinWidth, AEdit->CASize.Width);
    const int h = std::max(MinHeight, AEdit->CASize.Height);
    const QPoint caret = AOwner->mapFromGlobal(AEdit->viewport()->mapToGlobal(QPoint(X, Y)));
    const QPoint memoTopLeft = AOwner->mapFromGlobal(AEdit->mapToGlobal(QPoint(0, 0)));
    int left = caret.x();
    const int top = caret.y() + AEdit->RowHeight();
    w = std::max(MinWidth, std::min(w, AEdit->width()));
    const int limit = memoTopLeft.x() + AEdit->width() - RightGap;
    if (left + w > limit)
        left = std::max(memoTopLeft.x(), limit - w);
    setGeometry(std::max(0, left), top, w, h);
}

TtvCodeAssist::~TtvCodeAssist()
{
    if (FOwner && FOwner->CodeAssist == this)
        FOwner->CodeAssist = nullptr;
}

void TtvCodeAssist::AddColumn(const QString &Caption, int Width)
{
    const int c = FList->columnCount();
    FList->setColumnCount(c + 1);
    FList->headerItem()->setText(c, Caption);
    FList->header()->resizeSection(c, Width);
}

void TtvCodeAssist::SetReserveWords(const QStringList &Words)
{
    FReserveWords = Words;
    FReserveWordsSet = true;
}

void TtvCodeAssist::SetBuffer(const QString &Buffer)
{
    Buf->setText(Buffer);
    Buf->setCursorPosition(int(Buffer.size()));
}

void TtvCodeAssist::AddRow(const QString &Caption, const QString &SubItem, int Image)
{
    auto *item = new QTreeWidgetItem(FList);
    item->setText(0, Caption);
    item->setText(1, SubItem);
    if (FImages && Image >= 0 && Image < FImages->size())
        item->setIcon(0, QIcon(FImages->at(Image)));
}

void TtvCodeAssist::ShowItems()
{
    CaptionListW.clear();
    SubItemListW.clear();
    ImageListW.clear();
    FList->clear();
    const QLocale locale;
    const QString prefix = locale.toUpper(Buf->text().trimmed());
    for (int i = 0; i < CaptionList.size(); ++i) {
        const QString &caption = CaptionList[i];
        if (!prefix.isEmpty() && !locale.toUpper(caption).startsWith(prefix))
            continue;
        const QString sub = SubItemList.value(i);
        const int image = ImageList.value(i, -1);
        if (FList->topLevelItemCount() < ItemMax) {
            AddRow(caption, sub, image);
            if (FList->topLevelItemCount() == 1)
                FList->setCurrentItem(FList->topLevelItem(0));
        }
        CaptionListW.append(caption);
        SubItemListW.append(sub);
        ImageListW.append(image);
    }
}

void TtvCodeAssist::AddItems()
{
    const int n = FList->topLevelItemCount();
    if (CaptionListW.size() > n)
        AddRow(CaptionListW[n], SubItemListW.value(n), ImageListW.value(n, -1));
}

void TtvCodeAssist::MoveSelection(int Delta)
{
    const int n = FList->topLevelItemCount();
    if (n == 0)
        return;
    QTreeWidgetItem *cur = FList->currentItem();
    const int from = cur ? FList->indexOfTopLevelItem(cur) : -1;
    const int to = std::clamp(from < 0 && Delta > 0 ? 0 : from + Delta, 0, n - 1);
    QTreeWidgetItem *item = FList->topLevelItem(to);
    FList->setCurrentItem(item);
    FList->scrollToItem(item);
}

void TtvCodeAssist::Close()
{
    if (FOwner)
        FOwner->CloseCodeAssist();
}

void TtvCodeAssist::Accept()
{
    TtvMemo *memo = FOwner;
    if (!memo)
        return;
    const QTreeWidgetItem *item = FList->currentItem();
    if (item && item->isSelected() && !memo->ReadOnly()) {
        const QString caption = item->text(0);
        const int left = Buf->cursorPosition();
        const int right = int(Buf->text().size()) - left;
        // the typed token around the memo's caret makes way for the name
        if (left + right > 0) {
            const int caret = memo->SelStart();
            memo->SetSelStart(std::max(0, caret - left));
            memo->SetSelLength(left + right);
        }
        const QStringList words = FReserveWordsSet ? FReserveWords : memo->ReserveWordList().ToStringList();
        memo->PutStringToLine(words.contains(caption, Qt::CaseSensitive) ? caption : QuoteCompletionItem(caption));
    }
    Close();
}

bool TtvCodeAssist::ClaimsKey(const QKeyEvent *Event) const
{
    if (Event->key() == Qt::Key_Space)
        return true; // Ctrl+blank does nothing while the popup is open
    if (Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (Event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    const QString text = Event->text();
    return !text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F;
}

bool TtvCodeAssist::KeyPress(QKeyEvent *Event)
{
    const bool ctrl = Event->modifiers() & Qt::ControlModifier;
    const bool alt = Event->modifiers() & Qt::AltModifier;
    switch (Event->key()) {
    case Qt::Key_Down:
        AddItems();
        MoveSelection(1);
        return true;
    case Qt::Key_Up:
        MoveSelection(-1);
        return true;
    case Qt::Key_PageDown: {
        for (int i = 0; i < 8; ++i)
            AddItems();
        const int page = std::max(1, FList->viewport()->height() /
                                         std::max(1, FList->sizeHintForRow(0) > 0 ? FList->sizeHintForRow(0) : 16));
        MoveSelection(page - 1);
        return true;
    }
    case Qt::Key_PageUp: {
        const int page = std::max(1, FList->viewport()->height() /
                                         std::max(1, FList->sizeHintForRow(0) > 0 ? FList->sizeHintForRow(0) : 16));
        MoveSelection(-(page - 1));
        return true;
    }
    case Qt::Key_End:
        while (FList->topLevelItemCount() < CaptionListW.size())
            AddItems();
        MoveSelection(FList->topLevelItemCount());
        return true;
    case Qt::Key_Home:
        MoveSelection(-FList->topLevelItemCount());
        return true;
    case Qt::Key_Escape:
        Close();
        return true;
    case Qt::Key_Left:
        if (Buf->cursorPosition() == 0)
            Close();
        else
            Buf->cursorBackward(false);
        return false;
    case Qt::Key_Right:
        if (Buf->cursorPosition() >= Buf->text().size())
            Close();
        else
            Buf->cursorForward(false);
        return false;
    case Qt::Key_Delete:
        Buf->del();
        ShowItems();
        return false;
    case Qt::Key_Backspace:
        if (Buf->cursorPosition() == 0) {
            Close();
        } else {
            Buf->backspace();
            ShowItems();
        }
        return false;
    default:
        break;
    }
    const QChar acc = AcceptingChar(Event);
    if (!acc.isNull()) {
        if (Event->key() == Qt::Key_Space && ctrl)
            return true; // nothing at all
        Accept();
        // the character follows the name in the memo (a "." asks for
        // completion again); carriage return only accepts
        return acc == u'\r';
    }
    if (ctrl || alt)
        return false; // the memo's keys (paste, cut ...); the prefix stays
    const QString text = Event->text();
    if (!text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F) {
        Buf->insert(text);
        ShowItems();
    }
    return false;
}

void TtvCodeAssist::InputMethodCommit(const QString &Text)
{
    Buf->insert(Text);
    ShowItems();
}

QString TtvCodeAssist::QuoteCompletionItem(const QString &Text)
{
    const QLocale locale;
    const QString lower = locale.toLower(Text);
    const bool hasUpper = lower != Text;
    const QString trimmed = Text.trimmed();
    bool quote = false;
    if (!trimmed.startsWith(u'"'))
        quote = trimmed != lower || Text.contains(u'-') || hasUpper;
    static const QString special = QStringLiteral("()（） @=");
    for (QChar c : special)
        if (Text.contains(c))
            quote = true;
    if (!quote)
        return Text;
    QString inner = Text;
    inner.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

bool TtvCodeAssist::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == FList->viewport() && Event->type() == QEvent::Wheel) {
        for (int i = 0; i < 8; ++i)
            AddItems();
    }
    return QFrame::eventFilter(Watched, Event);
}
