// Every hand-over file goes through the program's one careful writer: a failed or killed
// export leaves the file that was there before, never half a file.

#include "handover/Handover.h"
#include "platform/files/AtomicFile.h"

namespace handover {

std::string writeExport(Format format, const LogList& log, const Options& options,
                        const std::string& path, const Services& services,
                        const Progress& progress) {
    // Asked once more at the end: a cancel that came after the last step still writes nothing.
    const auto goOn = [&progress](double done) { return !progress || progress(done); };
    if (format == Format::Pdf) {
        if (services.pdf == nullptr)
            return "no PDF writer is available";
        platform::AtomicFile file(path);
        if (!file.open())
            return file.reason();
        const std::string error = services.pdf->write(
            file.descriptor(), options.pageSize, options.title,
            [&](platform::PdfCanvas& canvas) { drawContactSheet(log, options, canvas, progress); });
        if (!error.empty())
            return error;
        if (!goOn(1.0))
            return std::string(kCancelled);
        return file.commit() ? std::string() : file.reason();
    }
    std::string bytes;
    switch (format) {
        case Format::Edl:
            bytes = edl(log, options);
            break;
        case Format::Csv:
            bytes = csv(log, options);
            break;
        case Format::Ale:
            bytes = ale(log, options);
            break;
        case Format::Html:
            bytes = htmlReport(log, options, services.scaler, progress);
            break;
        case Format::Pdf:
            break;
    }
    if (!goOn(1.0))
        return std::string(kCancelled);
    return platform::writeFileAtomically(path, bytes);
}

}  // namespace handover
