// What the log table costs the main thread: a long log taken in whole, as an opened file
// brings it, and one take appended to a long log with the table on show and following.
// Runs with no display (QT_QPA_PLATFORM=offscreen is set when nothing else is).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "qt/GuiApp.h"

namespace {

LogRecord take(int number) {
    const std::string n = std::to_string(number);
    return {n,
            std::string("01:00:00:00"),
            std::string("01:00:10:00"),
            std::string(),
            std::string("10:00:00"),
            "boom in shot " + n,
            std::string("second comment"),
            std::string("08.12.2026"),
            std::string(),
            Picture()};
}

LogList longLog(int records) {
    LogList log;
    log.append(newLogHeader());
    for (int r = 1; r <= records; ++r) log.append(take(r));
    return log;
}

// The log moved into place as an open does, and the table and the editor drawn once.
void BM_LogOf100000RecordsIntoTheTable(benchmark::State& state) {
    gui_test::GuiApp app;
    app.windows.windowLog.show();
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        LogList log = longLog(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        app.controller.logStartArray = std::move(log);
        app.controller.logEditPos = 1;
        app.controller.LogActualWrite();
        app.windows.windowLog.repaint();
        QApplication::processEvents();
    }
    state.counters["rows"] = app.windows.windowLog.table->model()->rowCount();
    state.counters["goal_ms"] = 200;
}
BENCHMARK(BM_LogOf100000RecordsIntoTheTable)
    ->Arg(100000)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// A take appended while the newest row is chosen and Follow is on. Argument 0: the list's
// report passed through the model, the search filter and the selection, which is what the
// table adds to a log; 1: and then the event loop run once, which moves the editor along
// (Follow) and draws the windows that changed; 2: the same with the table's window closed,
// which is what showing the new take in the editor costs without the table. The take is
// removed again untimed.
void BM_OneLogAppendedTo10000RecordTable(benchmark::State& state) {
    gui_test::GuiApp app;
    app.controller.logStartArray = longLog(10000);
    app.controller.logNr = 10000;
    if (state.range(0) != 2)
        app.windows.windowLog.show();
    app.controller.LogEditGoTo(10000);
    QApplication::processEvents();
    for (auto _ : state) {
        app.controller.logStartArray.append(take(10001));
        if (state.range(0) != 0)
            QApplication::processEvents();
        state.PauseTiming();
        QApplication::processEvents();
        if (app.controller.logEditPos != 10001)
            state.SkipWithError("the editor did not follow the new take");
        app.controller.LogEditGoTo(10000);
        app.controller.logStartArray.removeRecord(10001);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["goal_ms"] = 1;
}
BENCHMARK(BM_OneLogAppendedTo10000RecordTable)->ArgName("drawn_table_editor")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(200)->Unit(benchmark::kMillisecond);

// A 1080p JPEG of fine grain, as a camera gives, each one different.
Picture grainyJpeg(int seed) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QRandomGenerator grain(static_cast<quint32>(seed));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int base = (x / 60 + y / 60 + seed) % 2 ? 160 : 60;
            const int g = base + static_cast<int>(grain.bounded(40));
            line[x] = qRgb(g, (g + seed * 7) % 256, 255 - g);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 50);
    return Picture(bytes.begin(), bytes.end());
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1,
                           static_cast<std::size_t>(p * static_cast<double>(values.size() - 1)))];
}

// Paging down a 10,000-record log whose records hold 1080p pictures, one page at a time or
// several at once as a fling does: the main thread's CPU time for each page drawn, and the
// time until every thumbnail of the last page is on show (the decodes run on their own
// threads meanwhile, with the event loop turning).
void BM_PageThrough10000RecordsWith1080pPictures(benchmark::State& state) {
    gui_test::GuiApp app;
    LogList log;
    log.append(newLogHeader());
    std::vector<Picture> pictures;
    for (int p = 0; p < 16; ++p) pictures.push_back(grainyJpeg(p));
    for (int r = 1; r <= 10000; ++r) {
        LogRecord record = take(r);
        record[kFieldPicture] = pictures[static_cast<std::size_t>(r % 16)];
        log.append(std::move(record));
    }
    app.controller.logStartArray = std::move(log);
    LogTableWindow& window = app.windows.windowLog;
    window.show();
    QApplication::processEvents();
    QScrollBar* bar = window.table->verticalScrollBar();
    const QAbstractItemModel* rows = window.table->model();
    std::vector<double> pages;
    std::vector<double> slices;
    std::vector<double> untilShown;
    for (auto _ : state) {
        // A fling passes pages whose thumbnails are asked for as they are drawn.
        for (int page = 0; page < state.range(0); ++page) {
            const double cpu = threadCpuMs();
            bar->setValue(bar->value() + bar->pageStep());
            window.table->viewport()->repaint();
            pages.push_back(threadCpuMs() - cpu);
        }
        const auto start = std::chrono::steady_clock::now();
        const int first = window.table->rowAt(0);
        const int last = window.table->rowAt(window.table->viewport()->height() - 1);
        const auto allShown = [&] {
            for (int row = first; row <= last; ++row)
                if (rows->index(row, LogTableModel::kPictureColumn)
                        .data(Qt::DecorationRole)
                        .isNull())
                    return false;
            return true;
        };
        while (!allShown()) {
            const double frameCpu = threadCpuMs();
            QApplication::processEvents(QEventLoop::AllEvents, 1);
            slices.push_back(threadCpuMs() - frameCpu);
        }
        untilShown.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (bar->value() == bar->maximum())
            bar->setValue(0);
    }
    // A page scrolled and drawn; then each turn of the event loop while thumbnails arrive,
    // each drawing the rows whose thumbnail came.
    state.counters["page_cpu_p99_ms"] = percentile(pages, 0.99);
    state.counters["loop_turn_cpu_p99_ms"] = slices.empty() ? 0 : percentile(slices, 0.99);
    state.counters["thumbnails_shown_p50_ms"] = percentile(untilShown, 0.5);
    state.counters["thumbnails_shown_p99_ms"] = percentile(untilShown, 0.99);
    state.counters["goal_frame_ms"] = 16;
    state.counters["goal_shown_ms"] = 100;
}
BENCHMARK(BM_PageThrough10000RecordsWith1080pPictures)->ArgName("pages_at_once")
    ->Arg(1)
    ->Arg(8)
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
