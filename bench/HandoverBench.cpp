// The hand-over of a shoot day: 2,000 records with 1080p JPEG pictures (some 100 KB each, as
// grabs come) and two comments each. Goals: EDL, CSV and ALE under 50 ms each; the HTML report
// (a thumbnail decoded and encoded per picture) under 10 s; the PDF contact sheet under 20 s
// with the process's peak memory under 500 MB, the log itself included. The peak is shown as
// the counter peak_rss_mb (getrusage, for the whole process so far) beside the log's own
// pictures, log_mb.
//
//   build/bench/handover_bench [--benchmark_filter=...]
// The same export from the command line: /usr/bin/time -v glimmark-cli export --format pdf ...
// A long day's sheet against its decoding floor:
//   build/bench/handover_bench --benchmark_filter="Floor|LongDay"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <random>
#include <string>

#include "handover/Handover.h"
#include "platform/files/AtomicFile.h"
#include "platform/qt/QtPdfWriter.h"

namespace {

constexpr int kRecords = 2000;

// A 1080p picture with detail enough to weigh what a grab weighs.
Picture grab(int seed) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    std::mt19937 random(static_cast<unsigned>(seed));
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(seed * 37 % 360, 120, 200));
    for (int i = 0; i < 300; ++i) {
        painter.fillRect(static_cast<int>(random() % 1900), static_cast<int>(random() % 1060),
                         static_cast<int>(random() % 200), static_cast<int>(random() % 120),
                         QColor::fromRgb(random() & 0xFFFFFF));
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 50);
    return Picture(bytes.begin(), bytes.end());
}

std::size_t pictureBytes = 0;

const LogList& shootDay() {
    static const LogList list = [] {
        LogList day;
        LogRecord header = newLogHeader();
        header[4] = std::string("32");
        day.append(header);
        // Eight different pictures, each stored once per record as a project file holds them.
        std::vector<Picture> pictures;
        for (int k = 0; k < 8; ++k)
            pictures.push_back(grab(k));
        for (int r = 1; r <= kRecords; ++r) {
            Picture picture = pictures[static_cast<std::size_t>(r % 8)];
            pictureBytes += picture.size();
            const int second = r * 8;
            char start[16];
            char stop[16];
            std::snprintf(start, sizeof start, "%02d:%02d:%02d:%02d", 10 + second / 3600,
                          second / 60 % 60, second % 60, r % 25);
            std::snprintf(stop, sizeof stop, "%02d:%02d:%02d:%02d", 10 + (second + 6) / 3600,
                          (second + 6) / 60 % 60, (second + 6) % 60, (r + 7) % 25);
            day.append({std::to_string(r), std::string(start), std::string(stop), std::string(),
                        std::string("09:15:00"), "Take " + std::to_string(r) + ", wide, good",
                        std::string("Sound: boom in frame\nrepeat"), std::string("07.12.2026"),
                        std::string(), std::move(picture)});
        }
        return day;
    }();
    return list;
}

double peakRssMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

handover::Options options() {
    handover::Options o;
    o.title = "Shoot day 7";
    o.reel = "A007";
    return o;
}

void textExport(benchmark::State& state, std::string (*format)(const LogList&,
                                                               const handover::Options&)) {
    const LogList& day = shootDay();
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = format(day, options());
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["kb"] = static_cast<double>(size) / 1024.0;
}

void BM_Edl(benchmark::State& state) {
    textExport(state, handover::edl);
}
void BM_Csv(benchmark::State& state) {
    textExport(state, handover::csv);
}
void BM_Ale(benchmark::State& state) {
    textExport(state, handover::ale);
}
BENCHMARK(BM_Edl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Csv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ale)->Unit(benchmark::kMillisecond);

void BM_HtmlReport(benchmark::State& state) {
    const LogList& day = shootDay();
    platform::qt::QtPictureScaler scaler;
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string html = handover::htmlReport(day, options(), &scaler);
        size = html.size();
    }
    state.counters["mb"] = static_cast<double>(size) / (1024.0 * 1024.0);
}
BENCHMARK(BM_HtmlReport)->Unit(benchmark::kSecond)->Iterations(1);

void BM_ContactSheetPdf(benchmark::State& state) {
    const LogList& day = shootDay();
    std::string folder = (std::filesystem::temp_directory_path() / "glimmark-bench-XXXXXX");
    folder = ::mkdtemp(folder.data());
    platform::qt::QtPdfWriter writer;
    const std::string path = folder + "/sheet.pdf";
    for (auto _ : state) {
        const std::string error =
            handover::writeExport(handover::Format::Pdf, day, options(), path, {&writer, nullptr});
        if (!error.empty())
            state.SkipWithError(error.c_str());
    }
    state.counters["mb"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    state.counters["peak_rss_mb"] = peakRssMb();
    state.counters["log_mb"] = static_cast<double>(pictureBytes) / (1024.0 * 1024.0);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ContactSheetPdf)->Unit(benchmark::kSecond)->Iterations(1);

// A long day's contact sheet beside its floor: the same pictures only decoded, at the size the
// sheet prints them (a third of the page's width at 150 dpi, 333 pixels for a 1080p grab), by
// libjpeg-turbo's scaled decoding, the least any sheet with these pictures must spend. Goal:
// the sheet within twice the floor. The counter ms_per_take is comparable between the two.
const LogList& longDay(int records) {
    static std::map<int, LogList> days;
    auto [at, made] = days.try_emplace(records);
    if (made) {
        const LogList& day = shootDay();
        at->second.append(newLogHeader());
        for (int r = 1; r <= records; ++r) {
            LogRecord record;
            for (int k = 0; k < kFieldsPerRecord; ++k)
                record[static_cast<std::size_t>(k)] =
                    day.value(LogList::indexOf((r - 1) % kRecords + 1, k));
            record[kFieldNumber] = std::to_string(r);
            at->second.append(std::move(record));
        }
    }
    return at->second;
}

void perTake(benchmark::State& state, double seconds) {
    state.counters["ms_per_take"] = seconds * 1000 / static_cast<double>(state.range(0));
}

void BM_ContactSheetOfALongDay(benchmark::State& state) {
    const LogList& day = longDay(static_cast<int>(state.range(0)));
    std::string folder = (std::filesystem::temp_directory_path() / "glimmark-bench-XXXXXX");
    folder = ::mkdtemp(folder.data());
    platform::qt::QtPdfWriter writer;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string error = handover::writeExport(handover::Format::Pdf, day, options(),
                                                        folder + "/sheet.pdf", {&writer, nullptr});
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!error.empty())
            state.SkipWithError(error.c_str());
    }
    perTake(state, seconds);
    std::filesystem::remove_all(folder);
}

void BM_DecodeFloor(benchmark::State& state) {
    const LogList& day = longDay(static_cast<int>(state.range(0)));
    constexpr int kPrintedWidth = 333;
    tjhandle decoder = tjInitDecompress();
    std::vector<unsigned char> pixels;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int r = 1; r <= day.recordCount(); ++r) {
            const Picture& jpeg = day.picture(LogList::indexOf(r, kFieldPicture));
            int width = 0, height = 0, subsampling = 0, colours = 0;
            tjDecompressHeader3(decoder, jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                                &colours);
            // The smallest eighth at or above the printed width, as the sheet's decoder picks.
            int eighths = 1;
            while (eighths < 8 && (width * eighths + 7) / 8 < kPrintedWidth)
                ++eighths;
            const int scaledWidth = (width * eighths + 7) / 8;
            const int scaledHeight = (height * eighths + 7) / 8;
            pixels.resize(static_cast<std::size_t>(scaledWidth) * scaledHeight * 3);
            tjDecompress2(decoder, jpeg.data(), jpeg.size(), pixels.data(), scaledWidth, 0,
                          scaledHeight, TJPF_RGB, 0);
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    tjDestroy(decoder);
    perTake(state, seconds);
}
BENCHMARK(BM_DecodeFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_ContactSheetOfALongDay)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// One take whose comment is a single unbroken run (a key held down, a pasted hash) of 64 KB
// and of 1 MB: the time grows with the length, not its square. Goal: 1 MB under 2 s.
void BM_UnbrokenComment(benchmark::State& state) {
    LogList log;
    log.append(newLogHeader());
    log.append({std::string("1"), std::string("10:00:00:00"), std::string("10:00:05:00"),
                std::string(), std::string("09:15:00"),
                std::string(static_cast<std::size_t>(state.range(0)), 'A'), std::string(),
                std::string("07.12.2026"), std::string(), Picture()});
    std::string folder = (std::filesystem::temp_directory_path() / "glimmark-bench-XXXXXX");
    folder = ::mkdtemp(folder.data());
    platform::qt::QtPdfWriter writer;
    for (auto _ : state) {
        const std::string error = handover::writeExport(handover::Format::Pdf, log, options(),
                                                        folder + "/sheet.pdf", {&writer, nullptr});
        if (!error.empty())
            state.SkipWithError(error.c_str());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_UnbrokenComment)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    shootDay();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
