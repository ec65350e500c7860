#pragma once
// The two objects all printing rests on.
//
// TtvPrinter wraps the platform printer (a QPrinter owned by the wrapper):
// resolution, paper size and unprintable edges, millimetre/dot conversions,
// and the few device settings the print dialog edits (copies, collation,
// orientation). The printer's page-layout margins are its unprintable
// edges: a painter on the printer has its origin at the top-left edge, as on
// a printer device context. The printers offered are the platform's; with
// none installed the list holds the PDF printer alone. One instance,
// tvPrinterGlobal.
//
// TtvPrintdata records a print job as a list of pages, each a TMetafileEx
// (a QPicture) drawn in printer dots. Pages are recorded once and then
// replayed onto the printer or into the preview. Text that is already laid
// out is kept on the page as the glyphs its layout shaped, beside the
// picture, so that playing a page draws glyphs and shapes no text again.
// One instance, prtData.
#include "common/tvPrintOption.h"
#include "platform/Errors.h"

#include <QFont>
#include <QGlyphRun>
#include <QPen>
#include <QPicture>
#include <QPointF>
#include <QRawFont>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <memory>
#include <vector>

class QPainter;
class QPrinter;
class QTextLayout;

// The device settings of the current printer that can be edited between
// TtvPrinter::BeginSetting and EndSetting.
struct TDeviceMode {
    // What the printer declares it supports (DM_* bits).
    static constexpr unsigned DM_COPIES = 0x100;
    static constexpr unsigned DM_COLOR = 0x800;
    static constexpr unsigned DM_COLLATE = 0x8000;
    static constexpr unsigned DM_SCALE = 0x10;

    unsigned Fields = 0;
    int Copies = 1;
    int Collate = 0; // 1: collate the copies
    int Scale = 100; // percent
};

class TtvPrinter {
public:
    TtvPrinter() = default;
    ~TtvPrinter();
    TtvPrinter(const TtvPrinter &) = delete;
    TtvPrinter &operator=(const TtvPrinter &) = delete;

    // The platform printer; made on first use and released with the application.
    QPrinter &Printer();

    // The names of the printers on offer, in the order PrinterIndex counts.
    static QStringList PrinterNames();
    // The name of the PDF printer in that list.
    static QString PdfPrinterName();

    // Reads every metric of the current printer.
    void Refresh();

    // The current printer's position in PrinterNames() (-1: none of them).
    int PrinterIndex();
    // Selects another printer with its default settings (nothing when the
    // index is the current one; -1 selects the default printer). Does not
    // call Refresh.
    void SetPrinterIndex(int Value);

    TPrinterOrientation Orientation();
    void SetOrientation(TPrinterOrientation Value);

    // Opens the current printer's settings for editing in PDev ...
    void BeginSetting();
    // ... and hands the edited settings back to the printer for the next job.
    void EndSetting();
    TDeviceMode *PDev = nullptr;

    int MMToDPIX(double MMValue) const;
    int MMToDPIY(double MMValue) const;
    double DPIXToMM(int DPIValue) const;
    double DPIYToMM(int DPIValue) const;

    // The printer's vertical dots per inch over 96, and its inverse; asked of
    // the printer each time.
    double ScreenToPrinterRate();
    double PrinterToScreenRate();

    // Width and height in dots of the text area that two margins in mm leave;
    // a margin smaller than the unprintable edge counts as the edge.
    int GetPrintableWidth(double MMLeftMargin, double MMRightMargin) const;
    int GetPrintableHeight(double MMTopMargin, double MMBottomMargin) const;

    QString Device() const { return FDevice; }
    QSize DPI() const { return FDPI; }
    QSize PaperSize() const { return FPaperSize; }
    int LeftMargin() const { return FLeftMargin; }
    int TopMargin() const { return FTopMargin; }
    int RightMargin() const { return FRightMargin; }
    int BottomMargin() const { return FBottomMargin; }
    QSizeF MMPaperSize() const { return FMMPaperSize; }
    double MMLeftMargin() const { return FMMLeftMargin; }
    double MMTopMargin() const { return FMMTopMargin; }
    double MMRightMargin() const { return FMMRightMargin; }
    double MMBottomMargin() const { return FMMBottomMargin; }
    int ScaleFactor() const { return FScaleFactor; }
    QSizeF ScaledPrintableSize() const { return FScaledPrintableSize; }
    QSizeF ScaledPaperSize() const { return FScaledPaperSize; }
    double ScaledLeftMargin() const { return FScaledLeftMargin; }
    double ScaledTopMargin() const { return FScaledTopMargin; }
    double ScaledRightMargin() const { return FScaledRightMargin; }
    double ScaledBottomMargin() const { return FScaledBottomMargin; }
    bool SupportColor() const { return FSupportColor; }
    bool SupportCollate() const { return FSupportCollate; }
    bool SupportCopies() const { return FSupportCopies; }
    int MaxCopies() const { return FMaxCopies; }

private:
    // The device settings as the printer holds them now.
    TDeviceMode ReadDeviceMode();
    // Gives a printer just selected its default settings.
    void ApplyDefaults();

    QString FDevice;
    QSize FDPI;
    QSize FPrintableSize;
    QSize FPaperSize;
    int FLeftMargin = 0;
    int FTopMargin = 0;
    int FRightMargin = 0;
    int FBottomMargin = 0;
    QSizeF FMMPrintableSize;
    QSizeF FMMPaperSize;
    double FMMLeftMargin = 0;
    double FMMTopMargin = 0;
    double FMMRightMargin = 0;
    double FMMBottomMargin = 0;
    int FScaleFactor = 0;
    QSizeF FScaledPrintableSize;
    QSizeF FScaledPaperSize;
    double FScaledLeftMargin = 0;
    double FScaledTopMargin = 0;
    double FScaledRightMargin = 0;
    double FScaledBottomMargin = 0;
    bool FSupportColor = false;
    bool FSupportCollate = false;
    bool FSupportCopies = false;
    int FMaxCopies = 0;
    TDeviceMode FDevMode;
};

extern TtvPrinter tvPrinterGlobal;

// One recorded page; its units are printer dots. The page is the picture
// and, drawn over it, the glyphs of the laid-out text recorded on it.
class TMetafileEx : public QPicture {
public:
    // A piece of laid-out text on the page: a line, or the part of a line
    // between tabs, and the origin of its baseline.
    struct TextPiece {
        QString text;
        QPointF pos;
    };

    // Plays the page with its origin at `origin` of the painter's current
    // coordinates. A clip the painter has is lifted while the page plays and
    // restored afterwards.
    void Draw(QPainter &Canvas, const QPointF &origin) const;

    // Adds the lines of `layout` drawn at `pos` in `pen` under `transform`.
    void AddLayout(const QTextLayout &layout, const QPointF &pos, const QPen &pen, const QTransform &transform);
    // Ends the page: the glyphs gathered become runs ready to draw.
    void Finish();

    // The laid-out text of the page in pieces, in the order it was added.
    std::vector<TextPiece> TextPieces() const;

private:
    // Glyphs of one font in one pen and transform, in drawing order.
    struct Batch {
        QRawFont font;
        QPen pen;
        QTransform transform;
        QList<quint32> glyphs;
        QList<QPointF> positions;
        QGlyphRun run; // made by Finish
    };
    // A piece of text as it is kept: a range of the layout's text.
    struct Piece {
        QString text;
        qsizetype start;
        qsizetype length;
        QPointF pos;
    };
    std::vector<Batch> FBatches;
    std::vector<Piece> FPieces;
};

// The failures of TtvPrintdata's state checks.
class TtvPrintdataError : public tv::Error {
public:
    using tv::Error::Error;
};

class TtvPrintdata {
public:
    TtvPrintdata();
    ~TtvPrintdata();
    TtvPrintdata(const TtvPrintdata &) = delete;
    TtvPrintdata &operator=(const TtvPrintdata &) = delete;

    // Starts a job: the previous job's pages are freed and page 1 is opened.
    void BeginDoc();
    // Opens the next page; what was set on the canvas carries over.
    void NewPage();
    // Ends the recording; the pages stay for replay until the next BeginDoc.
    void EndDoc();
    // Draws a laid-out text with its origin at `pos` of the canvas, in the
    // canvas's pen and transform. The page keeps the glyphs as shaped and
    // draws them over whatever else the canvas draws on the page.
    void DrawLayout(const QTextLayout &layout, const QPointF &pos);

    bool Printing() const { return FPrinting; }
    // The canvas of the page being recorded.
    QPainter *Canvas() const;
    // A recorded page (zero-based) of a finished job.
    const TMetafileEx &GetPage(int Index) const;
    // The number of pages, counting the one being recorded.
    int PageCount() const { return int(FPages.size()); }

    // The font `name` at `pointSize` points as the canvas draws it: sized in
    // the vertical dots per inch of the job's printer (of the current printer
    // when no job is being recorded).
    QFont CanvasFont(const QString &name, int pointSize) const;

private:
    void FreePages();

    bool FPrinting = false;
    std::vector<std::unique_ptr<TMetafileEx>> FPages;
    std::unique_ptr<QPainter> FCanvas;
    int FFontPPI = 96;
};

extern TtvPrintdata prtData;
