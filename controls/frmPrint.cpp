#include "controls/frmPrint.h"

#include "common/HTMLHelp.h"
#include "common/MessageDlg.h"
#include "common/tvPrintOption.h"
#include "controls/PrintHost.h"
#include "controls/frmPreview.h"
#include "controls/tvComboBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvPrinter.h"
#include "controls/tvRadioButton.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

quint8 TfrmPrint::PrintState = 0;
bool TfrmPrint::FirstPagePending = false;

namespace {

// ---------------------------------------------------------------------------
// Text page layout.
//
// Text is laid out paragraph by paragraph (a paragraph ends at CR LF, CR or
// LF); a paragraph wraps at word boundaries inside the area's width and, when
// a word is wider than the area, anywhere in it, so that no text runs off the
// right edge. Tabs stand at multiples of the tab length. An empty paragraph
// takes one line. Measuring and drawing share one layout, so what is measured
// to fit is what is drawn.

struct TTextFormat {
    QFont font;
    QPaintDevice *device = nullptr;
    qreal width = 1;
    QTextOption option;
};

struct TParagraph {
    qsizetype start = 0;
    qsizetype length = 0;
};

QList<TParagraph> SplitParagraphs(QStringView text)
{
    QList<TParagraph> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        out.append({start, i - start});
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    out.append({start, text.size() - start});
    return out;
}

// Lays `text` (one paragraph) out line by line; `line` is called with each
// line and the top at which it stands, and stops the layout by returning
// false. Returns the height of the lines laid out.
template <typename F>
qreal LayoutParagraph(const TTextFormat &f, const QString &text, qreal top, QTextLayout &layout, F line)
{
    layout.setText(text);
    layout.setFont(f.font);
    layout.setTextOption(f.option);
    layout.setCacheEnabled(true);
    qreal y = top;
    layout.beginLayout();
    for (;;) {
        QTextLine l = layout.createLine();
        if (!l.isValid())
            break;
        l.setLineWidth(f.width);
        l.setLeadingIncluded(true);
        l.setPosition(QPointF(0, y));
        y += l.height();
        if (!line(l, y))
            break;
    }
    layout.endLayout();
    return y - top;
}

// The height of one paragraph. Once the height passes `limit` the layout
// stops; the result is then above `limit`, and *lineStart / *lineEnd give
// the text range of the line that passed it.
qreal ParagraphHeight(const TTextFormat &f, const QString &text, qreal limit, qsizetype *lineStart = nullptr,
                      qsizetype *lineEnd = nullptr, std::unique_ptr<QTextLayout> *keep = nullptr)
{
    auto layout = std::make_unique<QTextLayout>(QString(), f.font, f.device);
    bool complete = true;
    const qreal h = LayoutParagraph(f, text, 0, *layout, [&](const QTextLine &l, qreal bottom) {
        if (bottom <= limit)
            return true;
        complete = false;
        if (lineStart)
            *lineStart = l.textStart();
        if (lineEnd)
            *lineEnd = l.textStart() + l.textLength();
        return false;
    });
    if (keep)
        *keep = complete ? std::move(layout) : nullptr;
    return h;
}

// The paragraphs at the start of a text being paged, each measured once:
// its height and, when it was laid out whole, the layout itself, which the
// page break and the drawing use again instead of laying the text out anew.
struct TMeasured {
    qsizetype length = 0;
    qreal height = 0;
    std::unique_ptr<QTextLayout> layout; // none: measured only up to a limit
};
using TMeasuredList = std::vector<TMeasured>;

// Measures paragraph `text` (appended to the list) with the given limit.
qreal MeasureParagraph(const TTextFormat &f, const QString &text, qreal limit, TMeasuredList &list)
{
    TMeasured m;
    m.length = text.size();
    m.height = ParagraphHeight(f, text, limit, nullptr, nullptr, &m.layout);
    list.push_back(std::move(m));
    return list.back().height;
}

// The measured bottom of a text (0 for the empty text); exact up to
// `limit`, above it once the text passes it.
qreal TextHeight(const TTextFormat &f, QStringView text, qreal limit)
{
    if (text.isEmpty())
        return 0;
    qreal height = 0;
    for (const TParagraph &p : SplitParagraphs(text)) {
        height += ParagraphHeight(f, text.mid(p.start, p.length).toString(), limit - height);
        if (height > limit)
            break;
    }
    return height;
}

// TextHeight, recording each paragraph it measures.
qreal MeasureText(const TTextFormat &f, const QString &text, qreal limit, TMeasuredList &list)
{
    list.clear();
    if (text.isEmpty())
        return 0;
    qreal height = 0;
    for (const TParagraph &p : SplitParagraphs(text)) {
        height += MeasureParagraph(f, text.mid(p.start, p.length), limit - height, list);
        if (height > limit)
            break;
    }
    return height;
}

// Where a text that reaches or passes the area's bottom `bottom` is broken:
// the longest prefix, at least one character shorter than the text, whose
// measured bottom does not pass the area's bottom, found by binary search
// within the line that first passes. When not even one character fits (an
// area lower than one line) the page still takes one character, so the
// layout always moves on.
qsizetype BreakPoint(const TTextFormat &f, const QString &text, qreal bottom, const TMeasuredList &known)
{
    const qsizetype len = text.size();
    const QList<TParagraph> paras = SplitParagraphs(text);
    QList<qreal> heightBefore; // measured bottom of the paragraphs before each one
    qreal cum = 0;
    int j = -1;
    qsizetype lineStart = 0, lineEnd = 0;
    for (int k = 0; k < paras.size(); ++k) {
        heightBefore.append(cum);
        // a paragraph laid out whole and fitting needs no second look
        const TMeasured *m = size_t(k) < known.size() ? &known[size_t(k)] : nullptr;
        const bool fits = m && m->layout && m->length == paras[k].length && cum + m->height <= bottom;
        const qreal h = fits ? m->height
                             : ParagraphHeight(f, text.mid(paras[k].start, paras[k].length), bottom - cum,
                                               &lineStart, &lineEnd);
        if (cum + h > bottom) {
            j = k;
            break;
        }
        cum += h;
    }

    qsizetype lo, hi;
    if (j < 0) {
        // The text reaches the bottom exactly: everything but its end fits.
        j = int(paras.size()) - 1;
        lo = len - 1;
        hi = len;
    } else {
        lo = paras[j].start + lineStart;
        hi = std::min(len, paras[j].start + lineEnd);
    }

    // The measured bottom of the first p characters; only prefixes ending in
    // paragraph j or after the end of paragraph j - 1 are asked for.
    const qreal emptyLine = ParagraphHeight(f, QString(), 1e30);
    auto fits = [&](qsizetype p) {
        if (p <= 0)
            return true;
        int k = j;
        while (k > 0 && paras[k].start > p)
            --k;
        qreal h = heightBefore[k];
        if (p == paras[k].start)
            h += k > 0 ? emptyLine : 0;
        else
            h += TextHeight(f, QStringView(text).mid(paras[k].start, p - paras[k].start), bottom - h);
        return h <= bottom;
    };

    if (lo >= hi || !fits(lo))
        lo = j > 0 ? paras[j - 1].start + paras[j - 1].length : 0;
    while (hi - lo > 1) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid;
    }
    qsizetype p = std::min(lo, len - 1);
    // Never split a surrogate pair.
    if (p > 0 && p < len && text.at(p - 1).isHighSurrogate() && text.at(p).isLowSurrogate())
        --p;
    if (p < 1)
        p = (len > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate()) ? 2 : 1;
    return std::min(p, len);
}

// Draws `text` on the page with the top-left corner of the text area at the
// origin.
void DrawText(const TTextFormat &f, const QString &text, const TMeasuredList &known)
{
    qreal y = 0;
    size_t k = 0;
    for (const TParagraph &p : SplitParagraphs(text)) {
        const TMeasured *m = k < known.size() ? &known[k] : nullptr;
        ++k;
        if (m && m->layout && m->length == p.length) {
            prtData.DrawLayout(*m->layout, QPointF(0, y));
            y += m->height;
            continue;
        }
        QTextLayout layout(QString(), f.font, f.device);
        y += LayoutParagraph(f, text.mid(p.start, p.length), y, layout, [](const QTextLine &, qreal) { return true; });
        prtData.DrawLayout(layout, QPointF(0, 0));
    }
}

// A line of text centred at the top of a band (the title above the text
// area, the page number below it), drawn as a painter draws single-line text
// centred in the band's rectangle: line breaks and tabs stand as spaces, each
// line is centred on its advance and stands on a whole dot. Text that fits
// the band is laid out once and drawn as glyphs; text that does not is drawn
// by the painter, which clips it to the band.
class TBandText {
public:
    TBandText(const TTextFormat &f, const QString &text, const QRectF &band) : FText(text), FBand(band)
    {
        QString shown = text;
        for (QChar &c : shown)
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
                c = QLatin1Char(' ');
        FLayout = std::make_unique<QTextLayout>(shown, f.font, f.device);
        FLayout->setCacheEnabled(true);
        const qreal leading = QFontMetricsF(f.font, f.device).leading();
        qreal height = -leading, width = 0;
        FLayout->beginLayout();
        for (;;) {
            QTextLine l = FLayout->createLine();
            if (!l.isValid())
                break;
            l.setLineWidth(0x01000000);
            height = std::ceil(height + leading);
            l.setPosition(QPointF(band.left() + (band.width() - l.horizontalAdvance()) / 2, band.top() + height));
            height += l.height();
            width = std::max(width, l.naturalTextWidth());
        }
        FLayout->endLayout();
        FFits = width <= band.width() && height <= band.height();
    }

    void Draw(QPainter &canvas) const
    {
        if (FFits)
            prtData.DrawLayout(*FLayout, QPointF(0, 0));
        else
            canvas.drawText(FBand, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, FText);
    }

private:
    QString FText;
    QRectF FBand;
    std::unique_ptr<QTextLayout> FLayout;
    bool FFits = false;
};

// Finishes one page of a source: the title (laid out once for the source)
// above, the page number below and the text inside the area.
void PrintPageFrame(const TBandText &title, const QString &text, const TTextFormat &f, const QSizeF &area,
                    int pageBase, const TMeasuredList &known)
{
    if (TfrmPrint::FirstPagePending)
        TfrmPrint::FirstPagePending = false;
    else
        prtData.NewPage();
    QPainter &canvas = *prtData.Canvas();
    canvas.setFont(f.font);
    title.Draw(canvas);
    const qreal H = QFontMetricsF(f.font, f.device).height();
    TBandText(f, QString::number(prtData.PageCount() - pageBase), QRectF(0, area.height(), area.width(), 2 * H))
        .Draw(canvas);
    DrawText(f, text, known);
}

// Runs `work` with the hourglass cursor.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

// ---------------------------------------------------------------------------
// TUpDown

TUpDown::TUpDown(TtvNumEdit *associate, int min, int max, QWidget *parent)
    : QWidget(parent), btnUp(new QToolButton(this)), btnDown(new QToolButton(this)), FAssociate(associate),
      FMin(min), FMax(max)
{
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    btnUp->setArrowType(Qt::UpArrow);
    btnDown->setArrowType(Qt::DownArrow);
    btnUp->setAutoRepeat(true);
    btnDown->setAutoRepeat(true);
    btnUp->setFocusPolicy(Qt::NoFocus);
    btnDown->setFocusPolicy(Qt::NoFocus);
    btnUp->setFixedSize(16, 11);
    btnDown->setFixedSize(16, 11);
    lay->addWidget(btnUp);
    lay->addWidget(btnDown);
    QObject::connect(btnUp, &QToolButton::clicked, this, [this] { SetPosition(Position() + 1); });
    QObject::connect(btnDown, &QToolButton::clicked, this, [this] { SetPosition(Position() - 1); });
}

void TUpDown::SetRange(int min, int max)
{
    FMin = min;
    FMax = std::max(min, max);
}

int TUpDown::Position() const
{
    return std::clamp(FAssociate->ValueInt(), FMin, FMax);
}

void TUpDown::SetPosition(int value)
{
    FAssociate->setText(QString::number(std::clamp(value, FMin, FMax)));
}

// ---------------------------------------------------------------------------
// TRadioGroup

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent)
{
    auto *lay = new QVBoxLayout(this);
    auto *group = new QButtonGroup(this);
    for (const QString &item : items) {
        auto *b = new QRadioButton(item, this);
        group->addButton(b, int(FButtons.size()));
        FButtons.append(b);
        lay->addWidget(b);
    }
    QObject::connect(group, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick)
            tv::ui::Guard(OnClick);
    });
}

int TRadioGroup::ItemIndex() const
{
    for (int i = 0; i < FButtons.size(); ++i)
        if (FButtons[i]->isChecked())
            return i;
    return -1;
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QRadioButton *b = FButtons.value(index))
        b->setChecked(true);
}

// ---------------------------------------------------------------------------
// TfrmPrint

namespace {

TtvNumEdit *MakeNumEdit(QWidget *parent, const char *name)
{
    auto *e = new TtvNumEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

} // namespace

TfrmPrint::TfrmPrint(QWidget *owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("印刷"));
    setObjectName(QStringLiteral("frmPrint"));

    // Printer.
    grpPrinter = new QGroupBox(QStringLiteral(" プリンタ "), this);
    lblPrinterName = new QLabel(QStringLiteral("プリンタ名(&N)"), grpPrinter);
    cmbPrinterName = new TtvComboBox(grpPrinter);
    cmbPrinterName->setObjectName(QStringLiteral("cmbPrinterName"));
    cmbPrinterName->SetStyle(TtvComboBox::csDropDownList);
    cmbPrinterName->setMaxVisibleItems(20);
    cmbPrinterName->setMinimumWidth(240);
    lblPrinterName->setBuddy(cmbPrinterName);
    btnProperty = new QPushButton(QStringLiteral("プロパティ(&P)..."), grpPrinter);
    btnProperty->setObjectName(QStringLiteral("btnProperty"));
    {
        auto *lay = new QHBoxLayout(grpPrinter);
        lay->addWidget(lblPrinterName);
        lay->addWidget(cmbPrinterName, 1);
        lay->addWidget(btnProperty);
    }

    // Page range.
    grpRange = new QGroupBox(QStringLiteral(" 印刷範囲 "), this);
    rdoRangeAll = new TtvRadioButton(QStringLiteral("すべて(&A)"), grpRange);
    rdoRangeAll->setObjectName(QStringLiteral("rdoRangeAll"));
    rdoRangeSelect = new TtvRadioButton(QStringLiteral("ページ指定(&G)"), grpRange);
    rdoRangeSelect->setObjectName(QStringLiteral("rdoRangeSelect"));
    txtRangeFrom = MakeNumEdit(grpRange, "txtRangeFrom");
    lblRange = new QLabel(QStringLiteral("～"), grpRange);
    txtRangeTo = MakeNumEdit(grpRange, "txtRangeTo");
    rdoRangeAll->setChecked(true);
    for (QWidget *w : {static_cast<QWidget *>(txtRangeFrom), static_cast<QWidget *>(lblRange),
                       static_cast<QWidget *>(txtRangeTo)})
        w->setEnabled(false);
    txtRangeFrom->setMaximumWidth(60);
    txtRangeTo->setMaximumWidth(60);
    {
        auto *lay = new QGridLayout(grpRange);
        lay->addWidget(rdoRangeAll, 0, 0, 1, 4);
        lay->addWidget(rdoRangeSelect, 1, 0);
        lay->addWidget(txtRangeFrom, 1, 1);
        lay->addWidget(lblRange, 1, 2);
        lay->addWidget(txtRangeTo, 1, 3);
    }

    // Copies.
    grpCopies = new QGroupBox(QStringLiteral(" 部数 "), this);
    lblCopies = new QLabel(QStringLiteral("部数(&C)"), grpCopies);
    txtCopies = MakeNumEdit(grpCopies, "txtCopies");
    txtCopies->setText(QStringLiteral("1"));
    txtCopies->setMaximumWidth(60);
    lblCopies->setBuddy(txtCopies);
    btnCopies = new TUpDown(txtCopies, 1, 999, grpCopies);
    btnCopies->setObjectName(QStringLiteral("btnCopies"));
    chkCollate = new QCheckBox(QStringLiteral("部単位で印刷"), grpCopies);
    chkCollate->setObjectName(QStringLiteral("chkCollate"));
    chkCollate->setEnabled(false);
    {
        auto *lay = new QGridLayout(grpCopies);
        lay->addWidget(lblCopies, 0, 0);
        lay->addWidget(txtCopies, 0, 1);
        lay->addWidget(btnCopies, 0, 2);
        lay->addWidget(chkCollate, 1, 0, 1, 3);
    }

    // Orientation.
    grpOrientation = new TRadioGroup(QStringLiteral(" 用紙方向 "), {QStringLiteral("縦"), QStringLiteral("横")}, this);
    grpOrientation->setObjectName(QStringLiteral("grpOrientation"));

    // Margins.
    grpMargin = new QGroupBox(QStringLiteral(" 余白(mm) "), this);
    txtTopMargin = MakeNumEdit(grpMargin, "txtTopMargin");
    txtBottomMargin = MakeNumEdit(grpMargin, "txtBottomMargin");
    txtLeftMargin = MakeNumEdit(grpMargin, "txtLeftMargin");
    txtRightMargin = MakeNumEdit(grpMargin, "txtRightMargin");
    btnTopMargin = new TUpDown(txtTopMargin, 0, 100, grpMargin);
    btnBottomMargin = new TUpDown(txtBottomMargin, 0, 100, grpMargin);
    btnLeftMargin = new TUpDown(txtLeftMargin, 0, 100, grpMargin);
    btnRightMargin = new TUpDown(txtRightMargin, 0, 100, grpMargin);
    {
        auto *lay = new QGridLayout(grpMargin);
        const struct {
            const char *caption;
            TtvNumEdit *edit;
            TUpDown *upDown;
        } margins[] = {{"上", txtTopMargin, btnTopMargin},
                       {"下", txtBottomMargin, btnBottomMargin},
                       {"左", txtLeftMargin, btnLeftMargin},
                       {"右", txtRightMargin, btnRightMargin}};
        int i = 0;
        for (const auto &m : margins) {
            m.edit->SetAllowMinus(true);
            m.edit->setText(QStringLiteral("10"));
            m.edit->setMaximumWidth(50);
            const int row = i / 2, col = (i % 2) * 3;
            auto *label = new QLabel(QString::fromUtf8(m.caption), grpMargin);
            label->setBuddy(m.edit);
            lay->addWidget(label, row, col);
            lay->addWidget(m.edit, row, col + 1);
            lay->addWidget(m.upDown, row, col + 2);
            ++i;
        }
    }

    // Font.
    grpFont = new QGroupBox(QStringLiteral(" フォント "), this);
    lstFontName = new QListWidget(grpFont);
    lstFontName->setObjectName(QStringLiteral("lstFontName"));
    lstFontName->setSortingEnabled(true);
    txtFontSize = MakeNumEdit(grpFont, "txtFontSize");
    txtFontSize->setMaxLength(3);
    txtFontSize->setMaximumWidth(50);
    {
        auto *lay = new QGridLayout(grpFont);
        lay->addWidget(lstFontName, 0, 0, 1, 4);
        lay->addWidget(new QLabel(QStringLiteral("サイズ"), grpFont), 1, 0);
        lay->addWidget(txtFontSize, 1, 1);
        lay->addWidget(new QLabel(QStringLiteral("pt."), grpFont), 1, 2);
        lay->setColumnStretch(3, 1);
    }

    // Buttons.
    btnOk = new QPushButton(QStringLiteral("印刷"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnPreview = new QPushButton(QStringLiteral("プレビュー"), this);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));

    auto *main = new QGridLayout(this);
    main->addWidget(grpPrinter, 0, 0, 1, 2);
    main->addWidget(grpRange, 1, 0);
    main->addWidget(grpCopies, 1, 1);
    main->addWidget(grpOrientation, 2, 0);
    main->addWidget(grpMargin, 2, 1);
    main->addWidget(grpFont, 3, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {btnOk, btnPreview, btnCancel, btnHelp})
        buttons->addWidget(b);
    main->addLayout(buttons, 4, 0, 1, 2);

    connect(btnOk, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOkClick(); }));
    connect(btnPreview, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnPreviewClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnHelpClick(); }));
    connect(btnProperty, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnPropertyClick(); }));
    connect(cmbPrinterName, &QComboBox::activated, this, tv::ui::Guarded([this](int) { SelectPrinter(); }));
    for (TtvNumEdit *e : {txtCopies, txtTopMargin, txtBottomMargin, txtLeftMargin, txtRightMargin, txtRangeFrom,
                          txtRangeTo})
        connect(e, &QLineEdit::textChanged, this, [this] { NumEditChange(); });
    connect(rdoRangeAll, &QRadioButton::toggled, this, [this] { RangeClick(); });
    connect(rdoRangeSelect, &QRadioButton::toggled, this, [this] { RangeClick(); });
    grpOrientation->OnClick = [this] { OrientationClick(); };
}

TfrmPrint::~TfrmPrint() = default;

void TfrmPrint::InitControls()
{
    // Every installed font can be printed with.
    QStringList fonts = QFontDatabase::families();
    lstFontName->clear();
    lstFontName->addItems(fonts);

    cmbPrinterName->clear();
    cmbPrinterName->addItems(TtvPrinter::PrinterNames());
    cmbPrinterName->setCurrentIndex(tvPrinterGlobal.PrinterIndex());
    SelectPrinter();
    LoadPrintOptionControls();
}

void TfrmPrint::SelectPrinter()
{
    tvPrinterGlobal.SetPrinterIndex(cmbPrinterName->currentIndex());
    tvPrinterGlobal.Refresh();
    cmbPrinterName->setCurrentIndex(tvPrinterGlobal.PrinterIndex());
    btnCopies->SetRange(1, tvPrinterGlobal.MaxCopies());
}

void TfrmPrint::LoadPrintOptionControls()
{
    grpOrientation->SetItemIndex(int(tvPrintOption.Orientation));
    btnTopMargin->SetPosition(tvPrintOption.MMTopMargin);
    btnBottomMargin->SetPosition(tvPrintOption.MMBottomMargin);
    btnLeftMargin->SetPosition(tvPrintOption.MMLeftMargin);
    btnRightMargin->SetPosition(tvPrintOption.MMRightMargin);
    lstFontName->setCurrentItem(nullptr);
    lstFontName->clearSelection();
    const QList<QListWidgetItem *> found = lstFontName->findItems(tvPrintOption.FontName, Qt::MatchExactly);
    if (!found.isEmpty())
        lstFontName->setCurrentItem(found.first());
    txtFontSize->setText(QString::number(tvPrintOption.FontSize));
}

void TfrmPrint::StorePrintOptions()
{
    tvPrintOption.Orientation = grpOrientation->ItemIndex() == 1 ? poLandscape : poPortrait;
    tvPrintOption.MMTopMargin = btnTopMargin->Position();
    tvPrintOption.MMBottomMargin = btnBottomMargin->Position();
    tvPrintOption.MMLeftMargin = btnLeftMargin->Position();
    tvPrintOption.MMRightMargin = btnRightMargin->Position();
    // With no font picked (the stored one is not installed) the stored name
    // stays: it still stands for the fallback font.
    const QList<QListWidgetItem *> selected = lstFontName->selectedItems();
    if (!selected.isEmpty())
        tvPrintOption.FontName = selected.first()->text();
    tvPrintOption.FontSize = txtFontSize->ValueInt();
}

void TfrmPrint::ApplyDeviceMode()
{
    SelectPrinter();
    tvPrinterGlobal.SetOrientation(grpOrientation->ItemIndex() == 1 ? poLandscape : poPortrait);
    tvPrinterGlobal.BeginSetting();
    try {
        TDeviceMode &dm = *tvPrinterGlobal.PDev;
        const bool collate = chkCollate->isChecked();
        if (dm.Fields & TDeviceMode::DM_COLLATE)
            dm.Collate = collate ? 1 : 0;
        if (dm.Fields & TDeviceMode::DM_COPIES)
            dm.Copies = (collate && !(dm.Fields & TDeviceMode::DM_COLLATE)) ? 1 : btnCopies->Position();
    } catch (...) {
        tvPrinterGlobal.EndSetting();
        throw;
    }
    tvPrinterGlobal.EndSetting();
}

void TfrmPrint::PrintPages()
{
    WaitCursor wait;
    TtvPrinter &prn = tvPrinterGlobal;
    prn.Refresh();
    const qreal x = std::max(0, prn.MMToDPIX(tvPrintOption.MMLeftMargin) - prn.LeftMargin());
    const qreal y = std::max(0, prn.MMToDPIY(tvPrintOption.MMTopMargin) - prn.TopMargin());

    const int copies = btnCopies->Position();
    int passes = 1, repeats = 1;
    if (!prn.SupportCollate()) {
        if (chkCollate->isChecked())
            passes = copies;
        else if (!prn.SupportCopies())
            repeats = copies;
    }

    const bool all = rdoRangeAll->isChecked();
    const bool select = rdoRangeSelect->isChecked();
    const int from = txtRangeFrom->ValueInt();
    const int to = txtRangeTo->ValueInt();
    auto printed = [&](int index) {
        if (all)
            return true;
        return select && (from == 0 || index >= from - 1) && (to == 0 || index <= to - 1);
    };

    QPrinter &printer = prn.Printer();
    // A PDF printer without a file asks where the file goes.
    QString askedFile;
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
        tv::ui::FileDialogRequest request;
        request.filter = QStringLiteral("PDFファイル(*.pdf)|*.pdf");
        request.defaultExt = QStringLiteral("pdf");
        askedFile = tv::ui::CurrentDialogs().saveFile(request);
        if (askedFile.isEmpty())
            throw tv::SilentAbort();
        printer.setOutputFileName(askedFile);
    }
    struct ForgetFile {
        QPrinter &printer;
        bool active;
        ~ForgetFile()
        {
            if (active)
                printer.setOutputFileName(QString());
        }
    } forget{printer, !askedFile.isEmpty()};

    printer.setDocName(QStringLiteral("TVX19 - ") + FTitle);
    QPainter painter;
    if (!painter.begin(&printer))
        throw tv::Error(QStringLiteral("印刷を開始できません。"));
    try {
        bool first = true;
        for (int pass = 0; pass < passes; ++pass) {
            for (int i = 0; i < prtData.PageCount(); ++i) {
                if (!printed(i))
                    continue;
                const TMetafileEx &page = prtData.GetPage(i);
                for (int r = 0; r < repeats; ++r) {
                    if (!first && !printer.newPage())
                        throw tv::Error(QStringLiteral("印刷を続けられません。"));
                    first = false;
                    page.Draw(painter, QPointF(x, y));
                }
            }
        }
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    painter.end();
}

void TfrmPrint::btnOkClick()
{
    bool ok = false;
    int copies = txtCopies->text().toInt(&ok);
    if (!ok)
        copies = 1;
    if (copies > tvPrinterGlobal.MaxCopies()) {
        txtCopies->setFocus();
        ShowMessageBox(QStringLiteral("印刷部数の値を小さくして下さい。"), tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    PrintState = 1;
    accept();
}

void TfrmPrint::btnPreviewClick()
{
    PrintState = 2;
    accept();
}

void TfrmPrint::btnHelpClick()
{
    ShowHelpContext(HelpContext);
}

void TfrmPrint::btnPropertyClick()
{
    SelectPrinter();
    tvPrinterGlobal.SetOrientation(grpOrientation->ItemIndex() == 1 ? poLandscape : poPortrait);
    QPageSetupDialog dialog(&tvPrinterGlobal.Printer(), this);
    if (dialog.exec() == QDialog::Accepted) {
        cmbPrinterName->setCurrentIndex(tvPrinterGlobal.PrinterIndex());
        SelectPrinter();
    }
}

void TfrmPrint::NumEditChange()
{
    chkCollate->setEnabled(btnCopies->Position() > 1);
}

void TfrmPrint::RangeClick()
{
    const bool on = rdoRangeSelect->isChecked();
    txtRangeFrom->setEnabled(on);
    txtRangeTo->setEnabled(on);
    lblRange->setEnabled(on);
}

void TfrmPrint::OrientationClick()
{
    tvPrinterGlobal.SetOrientation(grpOrientation->ItemIndex() == 1 ? poLandscape : poPortrait);
    tvPrinterGlobal.Refresh();
}

// ---------------------------------------------------------------------------
// Class operations

void TfrmPrint::ShowWindow(const QString &Title, const std::function<void()> &PrintProc)
{
    if (!PrintProc)
        return;
    PrintState = 1;
    while (PrintState != 0) {
        if (PrintState == 1) {
            std::unique_ptr<TfrmPrint> dialog(new TfrmPrint(TPrintHost::Current().MainWindow()));
            dialog->FTitle = Title;
            dialog->InitControls();
            PrintState = 0;
            if (dialog->exec() == QDialog::Accepted) {
                dialog->ApplyDeviceMode();
                dialog->StorePrintOptions();
                if (PrintState == 1) {
                    PrintProc();
                    dialog->PrintPages();
                    PrintState = 0;
                }
            }
        }
        if (PrintState == 2) {
            PrintProc();
            PrintState = TfrmPreview::ShowWindow() ? 1 : 0;
        }
    }
}

void TfrmPrint::BeginPrint()
{
    prtData.BeginDoc();
    FirstPagePending = true;
}

void TfrmPrint::EndPrint()
{
    prtData.EndDoc();
}

void TfrmPrint::PrintSource(const QString &Title, const QStringList &Source, bool ResetPageNumber)
{
    const int pageBase = (ResetPageNumber && !FirstPagePending) ? prtData.PageCount() : 0;

    TtvPrinter &prn = tvPrinterGlobal;
    prn.Refresh();
    const int areaWidth = prn.GetPrintableWidth(tvPrintOption.MMLeftMargin, tvPrintOption.MMRightMargin);
    const int areaHeight = prn.GetPrintableHeight(tvPrintOption.MMTopMargin, tvPrintOption.MMBottomMargin);
    const QSizeF area(areaWidth, areaHeight);

    QPainter *canvas = prtData.Canvas();
    QPicture reference; // the canvas's metrics, for measuring
    TTextFormat f;
    f.font = prtData.CanvasFont(tvPrintOption.FontName, tvPrintOption.FontSize);
    f.device = &reference;
    f.width = std::max(1, areaWidth);
    f.option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    f.option.setAlignment(Qt::AlignLeft);
    const int tabLength = std::max(1, TPrintHost::Current().TabSpaceCount());
    f.option.setTabStopDistance(tabLength * QFontMetricsF(f.font, f.device).averageCharWidth());
    canvas->setFont(f.font);

    const qreal H = QFontMetricsF(f.font, f.device).height();
    const TBandText title(f, Title, QRectF(0, -2 * H, area.width(), 2 * H));
    const qreal bottom = areaHeight;
    QString buffer;
    qreal height = 0;
    // the buffer's paragraphs measured so far, in order (a line holding a
    // line break of its own leaves the rest unmeasured)
    TMeasuredList measured;
    const TMeasuredList none;
    bool inStep = true; // `measured` follows the buffer's paragraphs
    auto finishOverflow = [&] {
        while (!buffer.isEmpty() && height >= bottom) {
            const TMeasuredList &known = inStep ? measured : none;
            const qsizetype p = BreakPoint(f, buffer, bottom, known);
            PrintPageFrame(title, buffer.left(p), f, area, pageBase, known);
            buffer.remove(0, p);
            if (buffer.startsWith(QLatin1Char('\r')))
                buffer.remove(0, 1);
            if (buffer.startsWith(QLatin1Char('\n')))
                buffer.remove(0, 1);
            height = MeasureText(f, buffer, bottom, measured);
            inStep = true;
        }
    };
    const auto ownBreak = [](const QString &s) { return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')); };
    for (const QString &line : Source) {
        if (buffer.isEmpty()) {
            buffer = line;
            height = MeasureText(f, buffer, bottom, measured);
            inStep = true;
        } else {
            buffer += QLatin1String("\r\n");
            buffer += line;
            if (inStep && !ownBreak(line)) {
                height += MeasureParagraph(f, line, bottom - height, measured);
            } else {
                inStep = false;
                height += ParagraphHeight(f, line, bottom - height);
            }
        }
        finishOverflow();
    }
    if (!buffer.isEmpty())
        PrintPageFrame(title, buffer, f, area, pageBase, inStep ? measured : none);
}
