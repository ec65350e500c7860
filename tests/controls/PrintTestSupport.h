#pragma once
// Helpers of the printing tests: a PDF printer at 600 dpi writing into a
// scratch folder, reading recorded pages back as text draws, reading a
// written PDF back (page count, text per page), and a driver that acts on
// modal windows as they come up.
#include "common/tvPrintOption.h"
#include "support/ScratchDir.h"

#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class TMetafileEx;

namespace tvprinttest {

// One text draw of a recorded page: the text and its baseline origin in
// page dots.
struct TextDraw {
    QString text;
    QPointF pos;
};

// The text draws of a recorded page: what its picture draws, in drawing
// order, and then the pieces of its laid-out text.
std::vector<TextDraw> TextDraws(const TMetafileEx &page);

// Points the global printer at a fresh PDF file (A4 portrait, 600 dpi, no
// unprintable edges, one copy) and restores the print options afterwards.
class PdfPrinterScope {
public:
    PdfPrinterScope();
    ~PdfPrinterScope();
    QString pdfPath() const { return m_pdf; }

private:
    tvtest::ScratchDir m_dir;
    QString m_pdf;
    TtvPrintOption m_savedOptions;
};

// Pages of a PDF file; -1 when it cannot be read.
int PdfPageCount(const QString &path);
// True when the PDF text tools are installed.
bool HavePdfText();
// The text of each page of a PDF (pdftotext), trimmed.
QStringList PdfPageTexts(const QString &path);
// The title recorded in a PDF's information (pdfinfo); empty when unknown.
QString PdfTitle(const QString &path);

// Acts on modal windows as they come up: each step waits for a modal window
// for which `match` holds (a window not handled before) and then runs `act`.
class ModalDriver {
public:
    struct Step {
        std::function<bool(QWidget *)> match;
        std::function<void(QWidget *)> act;
    };
    explicit ModalDriver(std::vector<Step> steps);
    int done() const { return m_next; }
    bool finished() const { return m_next == int(m_steps.size()); }

private:
    void poll();
    std::vector<Step> m_steps;
    int m_next = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

template <typename T>
ModalDriver::Step On(std::function<void(T *)> act)
{
    return {[](QWidget *w) { return qobject_cast<T *>(w) != nullptr; },
            [act](QWidget *w) { act(qobject_cast<T *>(w)); }};
}

} // namespace tvprinttest
