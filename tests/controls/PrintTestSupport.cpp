#include "PrintTestSupport.h"

#include "controls/tvPrinter.h"

#include <QApplication>
#include <QFile>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tvprinttest {

namespace {

class RecorderEngine : public QPaintEngine {
public:
    RecorderEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawTextItem(const QPointF &p, const QTextItem &ti) override
    {
        // Laid-out text plays as bare glyphs; the page lists its pieces.
        if (!ti.text().isEmpty())
            draws.push_back({ti.text(), painter()->transform().map(p)});
    }
    Type type() const override { return QPaintEngine::User; }

    std::vector<TextDraw> draws;
};

class RecorderDevice : public QPaintDevice {
public:
    QPaintEngine *paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 20000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 847;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }
    mutable RecorderEngine engine;
};

QString Tool(const char *name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

QString Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

std::vector<TextDraw> TextDraws(const TMetafileEx &page)
{
    RecorderDevice device;
    {
        QPainter p(&device);
        page.Draw(p, QPointF(0, 0));
    }
    std::vector<TextDraw> draws = std::move(device.engine.draws);
    for (const TMetafileEx::TextPiece &piece : page.TextPieces())
        draws.push_back({piece.text, piece.pos});
    return draws;
}

PdfPrinterScope::PdfPrinterScope() : m_dir(false), m_savedOptions(tvPrintOption)
{
    m_pdf = m_dir.file(QStringLiteral("out.pdf"));
    QPrinter &p = tvPrinterGlobal.Printer();
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(m_pdf);
    p.setResolution(600);
    p.setPageSize(QPageSize(QPageSize::A4));
    p.setPageOrientation(QPageLayout::Portrait);
    p.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    p.setCopyCount(1);
    p.setCollateCopies(false);
    tvPrinterGlobal.Refresh();
    tvPrintOption = TtvPrintOption();
}

PdfPrinterScope::~PdfPrinterScope()
{
    tvPrinterGlobal.Printer().setOutputFileName(QString());
    tvPrintOption = m_savedOptions;
}

int PdfPageCount(const QString &path)
{
    if (!Tool("pdfinfo").isEmpty()) {
        const QString info = Run(Tool("pdfinfo"), {path});
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
                .match(info);
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QString all = QString::fromLatin1(f.readAll());
    return int(all.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"))));
}

bool HavePdfText()
{
    return !Tool("pdftotext").isEmpty() && !Tool("pdfinfo").isEmpty();
}

QStringList PdfPageTexts(const QString &path)
{
    QStringList pages = Run(Tool("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString &p : pages)
        p = p.trimmed();
    return pages;
}

QString PdfTitle(const QString &path)
{
    const QString info = Run(Tool("pdfinfo"), {path});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Title:\\s+(.*)$"), QRegularExpression::MultilineOption).match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

ModalDriver::ModalDriver(std::vector<Step> steps) : m_steps(std::move(steps))
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start(5);
}

void ModalDriver::poll()
{
    if (finished())
        return;
    QWidget *w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || (m_last && w == m_last))
        return;
    Step &step = m_steps[size_t(m_next)];
    if (!step.match(w))
        return;
    m_last = w;
    ++m_next;
    step.act(w);
}

} // namespace tvprinttest
