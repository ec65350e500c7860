// The editor with a large script: a generated 450,000-line SQL script (about
// 35 MB as UTF-8, Japanese comments and block comments) is loaded through
// Lines.Text, the caret jumps to the end (Ctrl+End), the view pages down 100
// times (PageDown), 100 characters are typed at row 10 inside a new "/*",
// then Enter, Backspace and Down keys, and everything is selected. Then one
// long line (200 KB and 1,000,000 characters): load, End and Home, and 50
// characters, 10 Enter and 10 Backspace keys at column 5000, then every one
// of them undone and done again. Keys are real
// key events sent to the editor (press and release, as the keyboard delivers
// them); each figure times the key handled plus a full repaint of the
// editor's window (more than the rows a key changes). Every figure is
// printed per run; each benchmark runs three times and reports the median,
// minimum and maximum of its counters. The goal is no key or page above 8 ms
// and a load within 0.3 s.
//
// The same script also goes into the SQL window of the real main window
// (logged on to the server of the PG* environment), whose timers keep the
// actions up to date while the program idles: keys typed there at a typist's
// pace, with the event loop running between them, report the worst delay
// from a key being due until it is handled and painted, and the processor
// time the idle program takes with the script open.
#include "BenchFountain.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "editor/Editor.h"
#include "editor/EditorFountain.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmSQL.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

constexpr int kRows = 450000;

QString Script()
{
    const QString rows[] = {
        QStringLiteral("-- 受注明細の集計（部署別）：月次レポート用のクエリです"),
        QStringLiteral("SELECT d.dept_name, SUM(o.amount * 1.08) AS total, COUNT(*) AS cnt, MAX(o.created) AS last_order"),
        QStringLiteral("  FROM orders o JOIN dept d ON d.dept_id = o.dept_id LEFT JOIN customer c ON c.id = o.customer_id"),
        QStringLiteral(" WHERE o.note <> '未出荷の''注文''' AND o.created >= '2024-01-01' AND c.region IN ('東京', '大阪')"),
        QStringLiteral("/* 旧集計ロジック：2023年度まで使用していた集計方法（参考のため残す）"),
        QStringLiteral("   SELECT * FROM legacy_orders WHERE \"区分\" = 3.5e+2 AND status = 'closed'"),
        QStringLiteral("   終了 */ GROUP BY d.dept_name HAVING SUM(o.amount) > 10000"),
        QStringLiteral("\tORDER BY total DESC, cnt ASC; -- 降順に並べ替え"),
        QString(),
        QStringLiteral("INSERT INTO log (msg, created) VALUES ('集計完了 /* not a comment */', now());"),
    };
    QString s;
    s.reserve(kRows * 60);
    for (int i = 0; i < kRows; ++i) {
        s += rows[i % 10];
        s += QStringLiteral("\r\n");
    }
    return s;
}

std::unique_ptr<TEditorFountain> SqlFountain()
{
    auto f = tvbench::sqlFountain({"SELECT", "FROM", "WHERE", "AND", "OR", "JOIN", "ON", "GROUP", "BY", "ORDER",
                                   "DESC", "ASC", "AS", "SUM", "COUNT", "INSERT", "INTO", "VALUES", "LEFT", "IN",
                                   "HAVING", "MAX"});
    f->Brackets()->GetBracketItem(0)->ItemColor()->SetColor(0x008000);
    f->Reserve()->SetColor(0xFF0000);
    return f;
}

double Ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Worst {
    double max = 0, sum = 0;
    int n = 0;
    void Add(double ms)
    {
        max = std::max(max, ms);
        sum += ms;
        ++n;
    }
    double Mean() const { return n ? sum / n : 0; }
};

void Paint(TEditor &ed)
{
    ed.viewport()->repaint();
}

// One key as the keyboard delivers it: press (with its text) and release.
void Key(TEditor &ed, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&ed, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(&ed, &release);
}

void TypeChar(TEditor &ed, QChar c)
{
    const int key = c.isLetter() ? Qt::Key_A + (c.toLower().unicode() - u'a') : int(c.unicode());
    Key(ed, key, Qt::NoModifier, QString(c));
}

void BM_EditorLargeScript(benchmark::State &state)
{
    const QString script = Script();
    std::printf("script: %d lines, %.1f MB as UTF-8\n", kRows, script.toUtf8().size() / 1e6);
    for (auto _ : state) {
        auto fountain = SqlFountain();
        TEditor ed;
        ed.SetFountain(fountain.get());
        ed.Leftbar()->SetVisible(true);
        ed.Ruler()->SetVisible(true);
        ed.resize(900, 700);
        ed.show();
        QApplication::processEvents();

        QElapsedTimer t;
        t.start();
        ed.Lines()->SetText(script);
        const double load = Ms(t);
        Paint(ed);
        const double loadPaint = Ms(t);

        // the rows far below are coloured in idle time
        t.restart();
        while (ed.ListBracket(ed.ListCount() - 1) == -2)
            QApplication::processEvents();
        const double colouring = Ms(t);

        t.restart();
        Key(ed, Qt::Key_End, Qt::ControlModifier); // the row past the final line end
        Paint(ed);
        const double ctrlEnd = Ms(t);

        Key(ed, Qt::Key_Home, Qt::ControlModifier);
        Paint(ed);
        Worst page;
        for (int i = 0; i < 100; ++i) {
            t.restart();
            Key(ed, Qt::Key_PageDown);
            Paint(ed);
            page.Add(Ms(t));
        }

        ed.SetRowCol(10, 0);
        t.restart();
        Key(ed, Qt::Key_Slash, Qt::NoModifier, QStringLiteral("/"));
        Key(ed, Qt::Key_Asterisk, Qt::ShiftModifier, QStringLiteral("*"));
        Paint(ed);
        const double openComment = Ms(t);
        Worst key;
        for (int i = 0; i < 100; ++i) {
            t.restart();
            TypeChar(ed, QChar(u'a' + i % 26));
            Paint(ed);
            key.Add(Ms(t));
        }
        Worst enter, back, down;
        for (int i = 0; i < 20; ++i) {
            t.restart();
            Key(ed, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            Paint(ed);
            enter.Add(Ms(t));
            t.restart();
            Key(ed, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
            Paint(ed);
            back.Add(Ms(t));
        }
        for (int i = 0; i < 100; ++i) {
            t.restart();
            Key(ed, Qt::Key_Down);
            Paint(ed);
            down.Add(Ms(t));
        }

        t.restart();
        ed.SelectAll();
        Paint(ed);
        const double selectAll = Ms(t);

        std::printf("load through Lines.Text: %.1f ms (with first paint %.1f ms)\n", load, loadPaint);
        std::printf("colouring state of every row finished in idle time after another %.1f ms\n", colouring);
        std::printf("Ctrl+End with paint: %.2f ms\n", ctrlEnd);
        std::printf("PageDown with paint: mean %.2f ms, worst %.2f ms (100 pages)\n", page.Mean(), page.max);
        std::printf("type \"/*\" at row 10 with paint: %.2f ms\n", openComment);
        std::printf("keystroke inside the comment with paint: mean %.2f ms, worst %.2f ms (100 keys)\n", key.Mean(),
                    key.max);
        std::printf("Enter (line break) with paint: mean %.2f ms, worst %.2f ms (20 keys)\n", enter.Mean(), enter.max);
        std::printf("Backspace joining the rows again with paint: mean %.2f ms, worst %.2f ms (20 keys)\n", back.Mean(),
                    back.max);
        std::printf("Down with paint: mean %.2f ms, worst %.2f ms (100 keys)\n", down.Mean(), down.max);
        std::printf("select all with paint: %.2f ms (%d characters)\n", selectAll, ed.SelLength());
        std::printf("peak RSS: %.0f MB\n", tvbench::peakRssBytes() / 1e6);
        state.counters["load_ms"] = load;
        state.counters["page_worst_ms"] = page.max;
        state.counters["key_worst_ms"] = key.max;
        state.counters["enter_worst_ms"] = enter.max;
        state.counters["backspace_worst_ms"] = back.max;
        state.counters["selectall_ms"] = selectAll;
        ed.SetFountain(nullptr);
    }
}
BENCHMARK(BM_EditorLargeScript)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max)->Unit(benchmark::kMillisecond);

// One long line (state.range(0) characters): load, End and Home, then keys at
// column 5000: 50 characters, 10 Enter keys each followed by Backspace
// (splitting the line and joining it again), each key with its paint; then
// each of those steps undone and redone, each with its paint.
void BM_EditorLongLine(benchmark::State &state)
{
    const int length = int(state.range(0));
    QString line;
    line.reserve(length);
    const QString piece = QStringLiteral("select col_%1, '値' from t; ");
    while (line.size() < length)
        line += piece.arg(line.size() % 1000);
    line.truncate(length);
    for (auto _ : state) {
        auto fountain = SqlFountain();
        TEditor ed;
        ed.SetFountain(fountain.get());
        ed.resize(900, 700);
        ed.show();
        QApplication::processEvents();

        QElapsedTimer t;
        t.start();
        ed.Lines()->SetText(line);
        Paint(ed);
        const double load = Ms(t);
        t.restart();
        Key(ed, Qt::Key_End);
        Paint(ed);
        const double end = Ms(t);
        t.restart();
        Key(ed, Qt::Key_Home);
        Paint(ed);
        const double home = Ms(t);
        ed.SetUndoListMax(100); // every key below stays undoable
        ed.SetRowCol(0, 5000);
        Paint(ed);
        Worst key, enter, back;
        for (int i = 0; i < 50; ++i) {
            t.restart();
            TypeChar(ed, QLatin1Char('x'));
            Paint(ed);
            key.Add(Ms(t));
        }
        for (int i = 0; i < 10; ++i) {
            t.restart();
            Key(ed, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            Paint(ed);
            enter.Add(Ms(t));
            t.restart();
            Key(ed, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
            Paint(ed);
            back.Add(Ms(t));
        }
        // every key undone and done again, one step at a time
        Worst undo, redo;
        while (ed.CanUndo()) {
            t.restart();
            ed.Undo();
            Paint(ed);
            undo.Add(Ms(t));
        }
        const bool restored = ed.Lines()->Text() == line;
        while (ed.CanRedo()) {
            t.restart();
            ed.Redo();
            Paint(ed);
            redo.Add(Ms(t));
        }
        const Worst all = [&] {
            Worst w;
            for (const Worst *x : {&key, &enter, &back}) {
                w.max = std::max(w.max, x->max);
                w.sum += x->sum;
                w.n += x->n;
            }
            return w;
        }();
        std::printf("%d-character line: load with paint %.1f ms, End %.2f ms (column %d), Home %.2f ms\n", length,
                    load, end, ed.RowWidth(0), home);
        std::printf("  at column 5000 with paint: character mean %.2f worst %.2f ms (50 keys); Enter mean %.2f worst "
                    "%.2f ms, Backspace mean %.2f worst %.2f ms (10 each)\n",
                    key.Mean(), key.max, enter.Mean(), enter.max, back.Mean(), back.max);
        std::printf("  undo of each key with paint: mean %.2f worst %.2f ms (%d steps%s); redo mean %.2f worst %.2f ms\n",
                    undo.Mean(), undo.max, undo.n, restored ? ", the line restored" : ", THE LINE NOT RESTORED",
                    redo.Mean(), redo.max);
        std::fflush(stdout);
        state.counters["load_ms"] = load;
        state.counters["key_worst_ms"] = all.max;
        state.counters["char_worst_ms"] = key.max;
        state.counters["enter_worst_ms"] = enter.max;
        state.counters["backspace_worst_ms"] = back.max;
        state.counters["undo_worst_ms"] = undo.max;
        state.counters["redo_worst_ms"] = redo.max;
        ed.SetFountain(nullptr);
    }
}
BENCHMARK(BM_EditorLongLine)->Arg(200 * 1024)->Arg(1000000)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max)->Unit(benchmark::kMillisecond);

QStringList LogonArgs()
{
    return tvbench::logonArgs(qEnvironmentVariable("PGDATABASE"), QStringLiteral("5432"));
}

// Processor time of this process (all threads), in milliseconds.
double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Processor time of the calling thread, in milliseconds.
double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Runs the event loop (timers included, sleeping while nothing is due)
// until `ms` have passed.
void Idle(double ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(std::max(1, int(ms + 0.5)), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_EditorInMainWindow(benchmark::State &state)
{
    // Without a database named the main window would ask for a logon and wait.
    if (qEnvironmentVariable("PGDATABASE").isEmpty()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    auto main = std::make_unique<TfrmMain>(LogonArgs());
    main->FormPaint();
    TfrmObject *cw = main->CurrentObjectForm();
    if (!cw) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    main->resize(1200, 900);
    main->show();
    main->activateWindow();
    auto *w = new TfrmSQL(cw);
    w->ShowForm();
    TtvMemo *ed = w->txtSQL;
    const QString script = Script();
    for (auto _ : state) {
        ed->Lines()->SetText(script);
        ed->setFocus();
        // The colouring of far rows finishes in idle time first.
        while (ed->ListBracket(ed->ListCount() - 1) == -2)
            QApplication::processEvents();
        Idle(500);

        // Idle with the script open, the main window's and the SQL window's
        // timers running.
        QElapsedTimer t;
        t.start();
        const double cpu0 = CpuMs();
        Idle(3000);
        const double idleCpu = (CpuMs() - cpu0) / Ms(t) * 100;

        // Keys at a typist's pace (a key every 37 ms, so that the keys meet
        // the timers' ticks at every phase): from the moment a key is due
        // until it is handled and painted, with whatever the event loop runs
        // before it.
        // Each delay is split into its parts: the wake-up (from the key being
        // due until the event loop comes back to it), the key handled, the
        // events it leaves (timers that came due among them) and the paint.
        // The processor time the GUI thread takes from the wake-up until the
        // key is painted is what the key costs when nothing else wants the
        // processor; the rest of a delay is time the thread waited for it.
        ed->SetRowCol(10, 0);
        Worst key, wake, handle, events, paint, cpu;
        double worstParts[4] = {};
        QElapsedTimer clock;
        clock.start();
        double due = 0;
        for (int i = 0; i < 200; ++i) {
            due += 37;
            Idle(due - Ms(clock));
            const double t0 = Ms(clock);
            const double cpu0 = ThreadCpuMs();
            const QChar c(u'a' + i % 26);
            TypeChar(*ed, c);
            const double t1 = Ms(clock);
            QApplication::processEvents();
            const double t2 = Ms(clock);
            Paint(*ed);
            const double t3 = Ms(clock);
            cpu.Add(ThreadCpuMs() - cpu0);
            const double delay = t3 - due;
            if (delay > key.max) {
                worstParts[0] = std::max(0.0, t0 - due);
                worstParts[1] = t1 - t0;
                worstParts[2] = t2 - t1;
                worstParts[3] = t3 - t2;
            }
            key.Add(delay);
            wake.Add(std::max(0.0, t0 - due));
            handle.Add(t1 - t0);
            events.Add(t2 - t1);
            paint.Add(t3 - t2);
        }
        std::printf("SQL window in the main window, %d lines open: idle processor use %.1f %% over 3 s\n", kRows,
                    idleCpu);
        std::printf("keystroke in the main window with its timers, due to painted: mean %.2f ms, worst %.2f ms "
                    "(200 keys, one every 37 ms)\n",
                    key.Mean(), key.max);
        std::printf("  worst key: wake-up %.2f, key %.2f, events after it %.2f, paint %.2f ms; worst of each part: "
                    "wake-up %.2f, key %.2f, events %.2f, paint %.2f ms\n",
                    worstParts[0], worstParts[1], worstParts[2], worstParts[3], wake.max, handle.max, events.max,
                    paint.max);
        std::printf("  processor time of the GUI thread per key, woken to painted: mean %.2f ms, worst %.2f ms\n",
                    cpu.Mean(), cpu.max);
        std::fflush(stdout);
        state.counters["wake_worst_ms"] = wake.max;
        state.counters["handled_worst_ms"] = std::max({handle.max, events.max, paint.max});
        state.counters["key_cpu_worst_ms"] = cpu.max;
        state.counters["idle_cpu_percent"] = idleCpu;
        state.counters["key_worst_ms"] = key.max;
        state.counters["key_mean_ms"] = key.Mean();
    }
    ed->SetModified(false);
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_EditorInMainWindow)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    const auto start = [] {
        TEditor::SetDefaultCaretBlink(false);
        StartSharedServices();
    };
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = start, .stop = EndSharedServices});
}
