#include "controls/tvPrinter.h"

#include "platform/ui/Font.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

TtvPrinter tvPrinterGlobal;
TtvPrintdata prtData;

namespace {

// Rounds to the nearest integer, halves to the even neighbour.
int RoundEven(double value)
{
    return int(std::nearbyint(value));
}

QPrinter *g_printer = nullptr;

// The printer dies with the application: the platform's print support is
// gone once it has ended.
void ReleaseGlobalPrinter()
{
    delete g_printer;
    g_printer = nullptr;
}

bool IsPdf(const QPrinter &p)
{
    return p.outputFormat() == QPrinter::PdfFormat;
}

} // namespace

// ---------------------------------------------------------------------------
// TtvPrinter

TtvPrinter::~TtvPrinter() = default;

QPrinter &TtvPrinter::Printer()
{
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(ReleaseGlobalPrinter);
        ApplyDefaults();
    }
    return *g_printer;
}

QString TtvPrinter::PdfPrinterName()
{
    return QStringLiteral("PDF");
}

QStringList TtvPrinter::PrinterNames()
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    if (names.isEmpty())
        names << PdfPrinterName();
    return names;
}

void TtvPrinter::ApplyDefaults()
{
    QPrinter &p = *g_printer;
    p.setFullPage(false);
    p.setCopyCount(1);
    p.setCollateCopies(false);
    if (!IsPdf(p)) {
        const QPrinterInfo info(p);
        const QPageSize size = info.defaultPageSize();
        if (size.isValid())
            p.setPageSize(size);
    }
    p.setPageOrientation(QPageLayout::Portrait);
    // The drawable area is what the printer can reach: margins at its minimum.
    p.setPageMargins(p.pageLayout().minimumMargins(), p.pageLayout().units());
}

int TtvPrinter::PrinterIndex()
{
    QPrinter &p = Printer();
    return int(PrinterNames().indexOf(IsPdf(p) ? PdfPrinterName() : p.printerName()));
}

void TtvPrinter::SetPrinterIndex(int Value)
{
    if (Value == PrinterIndex())
        return;
    const QStringList names = PrinterNames();
    QString name;
    if (Value == -1) {
        name = QPrinterInfo::defaultPrinterName();
        if (name.isEmpty())
            name = names.value(0);
    } else if (Value < 0 || Value >= names.size()) {
        throw tv::Error(QStringLiteral("プリンタのインデックスが範囲外です。"));
    } else {
        name = names.at(Value);
    }
    QPrinter &p = Printer();
    if (name == PdfPrinterName() && QPrinterInfo::printerInfo(name).isNull()) {
        p.setOutputFormat(QPrinter::PdfFormat);
    } else {
        p.setOutputFormat(QPrinter::NativeFormat);
        p.setPrinterName(name);
    }
    ApplyDefaults();
}

TPrinterOrientation TtvPrinter::Orientation()
{
    return Printer().pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
}

void TtvPrinter::SetOrientation(TPrinterOrientation Value)
{
    Printer().setPageOrientation(Value == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

TDeviceMode TtvPrinter::ReadDeviceMode()
{
    QPrinter &p = Printer();
    TDeviceMode dm;
    if (IsPdf(p)) {
        dm.Fields = TDeviceMode::DM_COLOR;
    } else {
        if (p.supportsMultipleCopies())
            dm.Fields |= TDeviceMode::DM_COPIES | TDeviceMode::DM_COLLATE;
        if (QPrinterInfo(p).supportedColorModes().contains(QPrinter::Color))
            dm.Fields |= TDeviceMode::DM_COLOR;
    }
    dm.Copies = p.copyCount();
    dm.Collate = p.collateCopies() ? 1 : 0;
    dm.Scale = 100;
    return dm;
}

void TtvPrinter::Refresh()
{
    QPrinter &p = Printer();
    FDevice = IsPdf(p) ? PdfPrinterName() : p.printerName();
    FDevMode = ReadDeviceMode();

    FDPI = QSize(p.logicalDpiX(), p.logicalDpiY());

    const QRectF paper = p.paperRect(QPrinter::DevicePixel);
    const QRectF page = p.pageRect(QPrinter::DevicePixel);
    FPrintableSize = QSize(qRound(page.width()), qRound(page.height()));
    FMMPrintableSize = QSizeF(DPIXToMM(FPrintableSize.width()), DPIYToMM(FPrintableSize.height()));
    FPaperSize = QSize(qRound(paper.width()), qRound(paper.height()));
    FMMPaperSize = QSizeF(DPIXToMM(FPaperSize.width()), DPIYToMM(FPaperSize.height()));

    FLeftMargin = qRound(page.left() - paper.left());
    FTopMargin = qRound(page.top() - paper.top());
    FRightMargin = FPaperSize.width() - FPrintableSize.width() - FLeftMargin;
    FBottomMargin = FPaperSize.height() - FPrintableSize.height() - FTopMargin;
    FMMLeftMargin = DPIXToMM(FLeftMargin);
    FMMRightMargin = DPIXToMM(FRightMargin);
    FMMTopMargin = DPIYToMM(FTopMargin);
    FMMBottomMargin = DPIYToMM(FBottomMargin);

    FScaleFactor = (FDevMode.Fields & TDeviceMode::DM_SCALE) ? FDevMode.Scale : 100;
    const double scale = FScaleFactor / 100.0;
    FScaledPrintableSize = FMMPrintableSize * scale;
    FScaledPaperSize = FMMPaperSize * scale;
    FScaledLeftMargin = FMMLeftMargin * scale;
    FScaledTopMargin = FMMTopMargin * scale;
    FScaledRightMargin = FMMRightMargin * scale;
    FScaledBottomMargin = FMMBottomMargin * scale;

    FSupportColor = FDevMode.Fields & TDeviceMode::DM_COLOR;
    FSupportCollate = FDevMode.Fields & TDeviceMode::DM_COLLATE;
    FSupportCopies = FDevMode.Fields & TDeviceMode::DM_COPIES;
    // The platform reports no upper limit of its own.
    FMaxCopies = 999;
}

void TtvPrinter::BeginSetting()
{
    FDevMode = ReadDeviceMode();
    PDev = &FDevMode;
}

void TtvPrinter::EndSetting()
{
    PDev = nullptr;
    QPrinter &p = Printer();
    if (!IsPdf(p) && !p.isValid())
        throw tv::Error(QStringLiteral("プリンタ \"%1\" を開けません。").arg(p.printerName()));
    if (FDevMode.Fields & TDeviceMode::DM_COPIES)
        p.setCopyCount(std::max(1, FDevMode.Copies));
    if (FDevMode.Fields & TDeviceMode::DM_COLLATE)
        p.setCollateCopies(FDevMode.Collate == 1);
}

int TtvPrinter::MMToDPIX(double MMValue) const
{
    return RoundEven(FDPI.width() * MMValue / 25.4);
}

int TtvPrinter::MMToDPIY(double MMValue) const
{
    return RoundEven(FDPI.height() * MMValue / 25.4);
}

double TtvPrinter::DPIXToMM(int DPIValue) const
{
    return FDPI.width() ? DPIValue / double(FDPI.width()) * 25.4 : 0.0;
}

double TtvPrinter::DPIYToMM(int DPIValue) const
{
    return FDPI.height() ? DPIValue / double(FDPI.height()) * 25.4 : 0.0;
}

double TtvPrinter::ScreenToPrinterRate()
{
    return Printer().logicalDpiY() / 96.0;
}

double TtvPrinter::PrinterToScreenRate()
{
    return 96.0 / Printer().logicalDpiY();
}

int TtvPrinter::GetPrintableWidth(double MMLeftMargin, double MMRightMargin) const
{
    return FPaperSize.width() - std::max(MMToDPIX(MMLeftMargin), FLeftMargin) -
           std::max(MMToDPIX(MMRightMargin), FRightMargin);
}

int TtvPrinter::GetPrintableHeight(double MMTopMargin, double MMBottomMargin) const
{
    return FPaperSize.height() - std::max(MMToDPIY(MMTopMargin), FTopMargin) -
           std::max(MMToDPIY(MMBottomMargin), FBottomMargin);
}

// ---------------------------------------------------------------------------
// TMetafileEx

void TMetafileEx::Draw(QPainter &Canvas, const QPointF &origin) const
{
    Canvas.save();
    Canvas.setClipping(false);
    Canvas.translate(origin);
    Canvas.save();
    // A picture plays scaled by the target's resolution over its own; the
    // page's units are dots of the target, so that scaling is undone.
    if (const QPaintDevice *device = Canvas.device()) {
        if (device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
            Canvas.scale(qreal(logicalDpiX()) / device->logicalDpiX(), qreal(logicalDpiY()) / device->logicalDpiY());
    }
    Canvas.drawPicture(QPointF(0, 0), *this);
    Canvas.restore();
    const QTransform page = Canvas.transform();
    for (const Batch &b : FBatches) {
        Canvas.setTransform(b.transform * page);
        Canvas.setPen(b.pen);
        Canvas.drawGlyphRun(QPointF(0, 0), b.run);
    }
    Canvas.restore();
}

void TMetafileEx::AddLayout(const QTextLayout &layout, const QPointF &pos, const QPen &pen,
                            const QTransform &transform)
{
    const QString text = layout.text();
    const QPointF offset = pos + layout.position();
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const qreal baseline = line.y() + line.ascent();
        const qsizetype end = line.textStart() + line.textLength();
        for (qsizetype start = line.textStart(); start < end;) {
            qsizetype stop = text.indexOf(QLatin1Char('\t'), start);
            if (stop < 0 || stop > end)
                stop = end;
            if (stop > start) {
                const qreal x = start == line.textStart() ? line.x() : line.cursorToX(int(start));
                FPieces.push_back({text, start, stop - start, offset + QPointF(x, baseline)});
            }
            start = stop + 1;
        }
        for (const QGlyphRun &run : line.glyphRuns()) {
            const QList<quint32> glyphs = run.glyphIndexes();
            if (glyphs.isEmpty())
                continue;
            const QRawFont font = run.rawFont();
            // Glyphs of the font the last batch draws join it.
            if (FBatches.empty() || FBatches.back().font != font || FBatches.back().pen != pen ||
                FBatches.back().transform != transform)
                FBatches.push_back({font, pen, transform, {}, {}, {}});
            Batch &b = FBatches.back();
            b.glyphs += glyphs;
            for (const QPointF &p : run.positions())
                b.positions.push_back(p + offset);
        }
    }
}

std::vector<TMetafileEx::TextPiece> TMetafileEx::TextPieces() const
{
    std::vector<TextPiece> out;
    out.reserve(FPieces.size());
    for (const Piece &p : FPieces)
        out.push_back({p.text.mid(p.start, p.length), p.pos});
    return out;
}

void TMetafileEx::Finish()
{
    for (Batch &b : FBatches) {
        if (!b.run.isEmpty())
            continue;
        b.run.setRawFont(b.font);
        b.run.setGlyphIndexes(b.glyphs);
        b.run.setPositions(b.positions);
        b.glyphs = {};
        b.positions = {};
    }
}

// ---------------------------------------------------------------------------
// TtvPrintdata

TtvPrintdata::TtvPrintdata() = default;

TtvPrintdata::~TtvPrintdata()
{
    if (FCanvas)
        FCanvas->end();
    FCanvas.reset();
    FreePages();
}

void TtvPrintdata::FreePages()
{
    while (!FPages.empty())
        FPages.pop_back();
}

void TtvPrintdata::BeginDoc()
{
    if (FPrinting)
        throw TtvPrintdataError(QStringLiteral("既に印刷が開始されています。"));
    FreePages();
    FPrinting = true;
    try {
        NewPage();
    } catch (...) {
        FPrinting = false;
        FreePages();
        throw;
    }
}

void TtvPrintdata::NewPage()
{
    if (!FPrinting)
        throw TtvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    FFontPPI = tvPrinterGlobal.Printer().logicalDpiY();
    auto page = std::make_unique<TMetafileEx>();
    auto canvas = std::make_unique<QPainter>();
    canvas->begin(page.get());
    if (FCanvas) {
        canvas->setFont(FCanvas->font());
        canvas->setPen(FCanvas->pen());
        canvas->setBrush(FCanvas->brush());
        canvas->setBackground(FCanvas->background());
        canvas->setBackgroundMode(FCanvas->backgroundMode());
        canvas->setCompositionMode(FCanvas->compositionMode());
        canvas->setLayoutDirection(FCanvas->layoutDirection());
        FCanvas->end();
        FPages.back()->Finish();
    } else {
        QFont font = canvas->font();
        font.setPixelSize(std::max(1, RoundEven(9.0 * FFontPPI / 72.0)));
        canvas->setFont(font);
    }
    FPages.push_back(std::move(page));
    FCanvas = std::move(canvas);
}

void TtvPrintdata::EndDoc()
{
    if (!FPrinting)
        throw TtvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    if (FCanvas)
        FCanvas->end();
    FCanvas.reset();
    if (!FPages.empty())
        FPages.back()->Finish();
    FPrinting = false;
}

void TtvPrintdata::DrawLayout(const QTextLayout &layout, const QPointF &pos)
{
    QPainter *canvas = Canvas();
    FPages.back()->AddLayout(layout, pos, canvas->pen(), canvas->transform());
}

QPainter *TtvPrintdata::Canvas() const
{
    if (!FPrinting)
        throw TtvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    return FCanvas.get();
}

const TMetafileEx &TtvPrintdata::GetPage(int Index) const
{
    if (FPrinting)
        throw TtvPrintdataError(QStringLiteral("印刷が完了していません。"));
    if (Index < 0 || Index >= PageCount())
        throw tv::Error(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return *FPages[size_t(Index)];
}

QFont TtvPrintdata::CanvasFont(const QString &name, int pointSize) const
{
    if (pointSize < 1)
        pointSize = 9;
    const int ppi = FPrinting ? FFontPPI : tvPrinterGlobal.Printer().logicalDpiY();
    QFont font = tv::ui::MakeFont(name, pointSize);
    font.setPixelSize(std::max(1, RoundEven(double(pointSize) * ppi / 72.0)));
    return font;
}
