// The contact sheet: the day's takes on paper, each with its picture, for the director and
// the cutting room. Laid out in two passes, first the measuring (so that every page can say
// how many pages there are), then the drawing, one picture at a time.

#include <algorithm>
#include <vector>

#include "handover/Handover.h"
#include "handover/Takes.h"

namespace handover {
namespace {

constexpr double kMargin = 36;
constexpr int kColumns = 3;
constexpr double kGutter = 10;
constexpr double kPadding = 4;
constexpr double kFooter = 24;
constexpr double kNumberHeight = 14;

struct Cell {
    std::string times;
    std::string comments;
    double timesHeight = 0;
    double commentsHeight = 0;
};

struct Row {
    int first = 1;  // the record in its first column
    int page = 0;
    double top = 0;
    double height = 0;
};

Cell cellOf(const LogList& log, int n) {
    const std::string& start = takes::field(log, n, kFieldStart);
    const std::string& stop = takes::field(log, n, kFieldStop);
    Cell cell;
    cell.times = "Start " + start + "\nStop " + stop + "\nDuration " +
                 timecode::durationCalculate(start, stop);
    const std::string& timeOfDay = takes::field(log, n, kFieldTimeOfDay);
    const std::string& date = takes::field(log, n, kFieldDate);
    if (!timeOfDay.empty() || !date.empty())
        cell.times += "\nLogged " + date + (date.empty() || timeOfDay.empty() ? "" : " ") + timeOfDay;
    const std::string& first = takes::field(log, n, kFieldComment1);
    const std::string& second = takes::field(log, n, kFieldComment2);
    cell.comments = first + (first.empty() || second.empty() ? "" : "\n") + second;
    return cell;
}

}  // namespace

void drawContactSheet(const LogList& log, const Options& options, platform::PdfCanvas& canvas,
                      const Progress& progress) {
    using Style = platform::PdfCanvas::Style;
    const int records = log.recordCount();
    const double width = canvas.pageWidth() - 2 * kMargin;
    const double bottom = canvas.pageHeight() - kMargin - kFooter;
    const double cellWidth = (width - (kColumns - 1) * kGutter) / kColumns;
    const double textWidth = cellWidth - 2 * kPadding;
    const double pictureHeight = textWidth * 9 / 16;

    const timecode::FrameRate rate = rateOf(log, options);
    const std::string title = options.title.empty() ? std::string("Untitled") : options.title;
    std::string about;
    const std::string days = takes::daysOf(log);
    if (!days.empty())
        about += "Date: " + days + "    ";
    about += "Frame rate: " + rateName(rate) + " fps" + (rate.dropFrame ? " drop-frame" : "") +
             "    Records: " + std::to_string(records);
    // Nothing taller than a page is drawn: no text is measured further.
    const double pageRoom = bottom - kMargin;
    const double titleHeight = canvas.textHeight(title, width, Style::Title, pageRoom);
    const double aboutHeight = canvas.textHeight(about, width, Style::Body, pageRoom);
    const double firstTop = kMargin + titleHeight + aboutHeight + 2 * kGutter;

    // Measuring: the cells' texts, the rows' heights, the pages they fall on.
    std::vector<Cell> cells(static_cast<std::size_t>(records) + 1);
    std::vector<Row> rows;
    double top = firstTop;
    int page = 0;
    for (int first = 1; first <= records; first += kColumns) {
        double height = 0;
        for (int n = first; n < first + kColumns && n <= records; ++n) {
            Cell& cell = cells[static_cast<std::size_t>(n)] = cellOf(log, n);
            cell.timesHeight = canvas.textHeight(cell.times, textWidth, Style::Small, pageRoom);
            cell.commentsHeight = cell.comments.empty()
                                      ? 0
                                      : canvas.textHeight(cell.comments, textWidth,
                                                          Style::Body, pageRoom);
            height = std::max(height, 3 * kPadding + pictureHeight + kNumberHeight +
                                          cell.timesHeight + cell.commentsHeight + kPadding);
        }
        if (top + height > bottom && top > kMargin) {
            ++page;
            top = kMargin;
        }
        // A row taller than a page (a comment of pages) is cut at the foot of its page.
        height = std::min(height, bottom - top);
        rows.push_back({first, page, top, height});
        top += height + kGutter;
    }
    const int pages = page + 1;

    // Drawing.
    const auto footer = [&](int number) {
        canvas.text(title + "    Page " + std::to_string(number + 1) + " of " +
                        std::to_string(pages),
                    kMargin, canvas.pageHeight() - kMargin - kFooter / 2, width, kFooter / 2,
                    Style::Small);
    };
    canvas.text(title, kMargin, kMargin, width, titleHeight, Style::Title);
    canvas.text(about, kMargin, kMargin + titleHeight + kGutter / 2, width, aboutHeight,
                Style::Body);
    int onPage = 0;
    for (const Row& row : rows) {
        if (row.page != onPage) {
            footer(onPage);
            canvas.newPage();
            onPage = row.page;
        }
        for (int n = row.first; n < row.first + kColumns && n <= records; ++n) {
            const Cell& cell = cells[static_cast<std::size_t>(n)];
            const double x = kMargin + (n - row.first) * (cellWidth + kGutter);
            const double textX = x + kPadding;
            canvas.frame(x, row.top, cellWidth, row.height);
            double y = row.top + kPadding;
            const Picture& picture = log.picture(LogList::indexOf(n, kFieldPicture));
            if (!takes::hasPicture(picture) ||
                !canvas.picture(picture, textX, y, textWidth, pictureHeight)) {
                canvas.frame(textX, y, textWidth, pictureHeight);
            }
            y += pictureHeight + kPadding;
            const double end = row.top + row.height;
            const auto put = [&](const std::string& text, double height, Style style) {
                const double room = std::max(0.0, std::min(height, end - y));
                if (room > 0)
                    canvas.text(text, textX, y, textWidth, room, style);
                y += height;
            };
            put(takes::field(log, n, kFieldNumber), kNumberHeight, Style::Heading);
            put(cell.times, cell.timesHeight, Style::Small);
            if (!cell.comments.empty())
                put(cell.comments, cell.commentsHeight + kPadding, Style::Body);
            if (progress && !progress(static_cast<double>(n) / records))
                return;
        }
    }
    footer(onPage);
}

}  // namespace handover
