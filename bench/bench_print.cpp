// Printing long texts: a 20,000-line script and a single 200 KB line laid
// out into pages and played onto a PDF printer at 600 dpi. The time is the
// whole job: the pages recorded (layout and page breaks) and every page
// written to the PDF file. Each runs three times; the median, minimum and
// maximum follow the runs. The goal is 20,000 lines within one second.
#include "common/tvPrintOption.h"
#include "controls/frmPrint.h"
#include "controls/tvPrinter.h"
#include "BenchSupport.h"
#include "platform/process/HeapPages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QStringList Script()
{
    const QString rows[] = {
        QStringLiteral("-- 受注明細の集計（部署別）"),
        QStringLiteral("SELECT d.dept_name, SUM(o.amount * 1.08) AS total, COUNT(*) AS cnt"),
        QStringLiteral("  FROM orders o JOIN dept d ON d.dept_id = o.dept_id"),
        QStringLiteral("\tWHERE o.note <> '未出荷' AND o.created >= '2024-01-01'"),
        QString(),
    };
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines << rows[i % 5];
    return lines;
}

QStringList LongLine()
{
    QString line;
    while (line.size() < 200 * 1024)
        line += QStringLiteral("column_%1 = '値%1', ").arg(line.size() % 997);
    return {line};
}

// Records the text and prints it to a PDF file.
void PrintToPdf(benchmark::State &state, const QStringList &text)
{
    QTemporaryDir dir;
    QPrinter &printer = tvPrinterGlobal.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("bench.pdf")));
    printer.setResolution(600);
    tvPrintOption = TtvPrintOption();
    TfrmPrint dialog;
    dialog.InitControls();
    double recordMs = 0, playMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource(QStringLiteral("bench"), text, true);
        TfrmPrint::EndPrint();
        recordMs += timer.nsecsElapsed() / 1e6;
        timer.restart();
        dialog.PrintPages();
        playMs += timer.nsecsElapsed() / 1e6;
    }
    state.counters["pages"] = prtData.PageCount();
    // the two halves of the job: layout into pages, pages into the PDF
    state.counters["record_ms"] = benchmark::Counter(recordMs, benchmark::Counter::kAvgIterations);
    state.counters["play_ms"] = benchmark::Counter(playMs, benchmark::Counter::kAvgIterations);
    printer.setOutputFileName(QString());
}

void BM_Print20000Lines(benchmark::State &state)
{
    static const QStringList text = Script();
    PrintToPdf(state, text);
}

void BM_PrintSingle200KBLine(benchmark::State &state)
{
    static const QStringList text = LongLine();
    PrintToPdf(state, text);
}

BENCHMARK(BM_Print20000Lines)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max);
BENCHMARK(BM_PrintSingle200KBLine)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max);

} // namespace

int main(int argc, char **argv)
{
    tv::process::StartWithHugePageHeap(argv); // the heap as the program has it
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
