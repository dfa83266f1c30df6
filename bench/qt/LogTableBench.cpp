// What the log table costs the main thread: a long log taken in whole, as an opened file
// brings it, and one take appended to a long log with the table on show and following.
// Runs with no display (QT_QPA_PLATFORM=offscreen is set when nothing else is).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QTableView>
#include <chrono>
#include <cstdlib>

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
// (Follow) and draws the windows that changed. The take is removed again untimed.
void BM_OneLogAppendedTo10000RecordTable(benchmark::State& state) {
    gui_test::GuiApp app;
    app.controller.logStartArray = longLog(10000);
    app.controller.logNr = 10000;
    app.windows.windowLog.show();
    app.controller.LogEditGoTo(10000);
    QApplication::processEvents();
    for (auto _ : state) {
        app.controller.logStartArray.append(take(10001));
        if (state.range(0) == 1)
            QApplication::processEvents();
        state.PauseTiming();
        QApplication::processEvents();
        if (app.controller.logEditPos != 10001)
            state.SkipWithError("the table did not follow the new take");
        app.controller.LogEditGoTo(10000);
        app.controller.logStartArray.removeRecord(10001);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["goal_ms"] = 1;
}
BENCHMARK(BM_OneLogAppendedTo10000RecordTable)->ArgName("then_drawn")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
