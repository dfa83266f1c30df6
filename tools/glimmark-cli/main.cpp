// glimmark-cli: Glimmark's project files from the command line, for scripts and for the
// day's hand-over to editorial.

#include <algorithm>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <optional>

#include "ProjectCommands.h"
#include "platform/qt/QtPdfWriter.h"
#include "platform/qt/QtPictureConverter.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
};

constexpr Command kCommands[] = {
    {"info",
     "  info FILE.vlg\n"
     "      One line per record (the header left out): number, start, stop, duration, time of\n"
     "      day, comment 1, comment 2, date, then the picture's size in bytes, separated by\n"
     "      tabs. A tab, line feed, carriage return or backslash inside a field is written as\n"
     "      \\t, \\n, \\r or \\\\.\n"},
    {"convert",
     "  convert IN OUT\n"
     "      Converts by extension: .vlg to .vlg (read and saved again as XML), .vlg to .log\n"
     "      (the log exchange file as Export Log writes it), .log to .vlg (as Import Log reads\n"
     "      it; pictures empty).\n"},
    {"export-pictures",
     "  export-pictures FILE.vlg FOLDER [--stem NAME]\n"
     "      Writes every picture into FOLDER as Export All Pictures does:\n"
     "      NAME_POSITION_NUMBER.jpg. NAME defaults to FILE's name without its extension.\n"
     "      FOLDER is made when it is missing (not its parents). Tells how many were written.\n"},
    {"export",
     "  export --format FORMAT FILE.vlg OUT [--fps RATE] [--title TITLE] [--reel REEL]\n"
     "         [--page SIZE]\n"
     "      The log for the cutting room, as File > Export writes it. FORMAT is edl (CMX 3600),\n"
     "      csv, ale, pdf (a contact sheet) or html (a report with the pictures inside).\n"
     "      --fps 24, 25, 29.97 or 30: the rate the timecodes count at (the log's own rate,\n"
     "      25 when it names none); --title: the files' title (FILE's name); --reel: the\n"
     "      source's reel or tape name (the title); --page a4 or letter: the contact sheet's\n"
     "      paper (a4).\n"},
};

constexpr const char* kAbout =
    "Usage: glimmark-cli COMMAND ARGUMENTS\n"
    "Glimmark's project files (.vlg) from the command line.\n"
    "\n"
    "Commands:\n";

constexpr const char* kTrailer =
    "\n"
    "Options:\n"
    "  --help     this text; after a command, that command's usage\n"
    "  --version  the program's version\n"
    "\n"
    "A project file is accepted when it is a property list (XML or binary) whose root array\n"
    "holds more than nine entries, the first being \"Glimmark\".\n"
    "\n"
    "Exit status: 0 on success; 1 when a file cannot be read, is no valid project or log\n"
    "exchange file, or cannot be written (one line on standard error names the file and the\n"
    "reason); 2 for wrong arguments. An output file is written whole or not at all.\n";

std::string usage() {
    std::string text = kAbout;
    for (const Command& command : kCommands)
        text += command.usage;
    return text + kTrailer;
}

int usageError(const std::string& problem) {
    std::cerr << "glimmark-cli: " << problem << "\n\n" << usage();
    return cli::kUsage;
}

std::string stemOf(const std::string& path) {
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string extension = cli::extensionOf(name);
    return extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
}

int exportCommand(const std::vector<std::string>& args, int& argc, char** argv) {
    std::optional<handover::Format> format;
    handover::Options options;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = arg == "--format" || arg == "--fps" || arg == "--title" ||
                              arg == "--reel" || arg == "--page";
        if (!isOption) {
            if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-')
                return usageError("unknown option " + arg);
            files.push_back(arg);
            continue;
        }
        if (i + 1 == args.size())
            return usageError(arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--format") {
            format = handover::formatNamed(value);
            if (!format)
                return usageError("unknown format " + value);
        } else if (arg == "--fps") {
            options.rate = handover::rateNamed(value);
            if (!options.rate)
                return usageError("--fps takes 24, 25, 29.97 or 30");
        } else if (arg == "--title") {
            options.title = value;
        } else if (arg == "--reel") {
            options.reel = value;
        } else if (value == "a4" || value == "letter") {
            options.pageSize =
                value == "a4" ? platform::PageSize::A4 : platform::PageSize::Letter;
        } else {
            return usageError("--page takes a4 or letter");
        }
    }
    if (!format)
        return usageError("export needs --format");
    if (files.size() != 2)
        return usageError("export takes a project file and an output file");
    if (options.title.empty())
        options.title = stemOf(files[0]);
    options.pictureStem = stemOf(files[0]);
    platform::qt::QtPictureConverter::silenceLibraryWarnings();
    // Text is set with the system's fonts, which a GUI application finds; no display needed.
    std::unique_ptr<QGuiApplication> application;
    if (*format == handover::Format::Pdf) {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr)
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    platform::qt::QtPdfWriter pdf;
    platform::qt::QtPictureScaler scaler;
    return cli::exportHandover(files[0], files[1], *format, options, {&pdf, &scaler}, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file size limit a write must fail with a reason, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << usage();
        return cli::kOk;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "glimmark-cli " GLIMMARK_VERSION "\n";
        return cli::kOk;
    }
    if (args.empty())
        return usageError("no command given");
    const std::string& command = args[0];
    if (std::find(args.begin() + 1, args.end(), "--help") != args.end()) {
        for (const Command& known : kCommands) {
            if (command == known.name) {
                std::cout << "Usage: glimmark-cli\n" << known.usage;
                return cli::kOk;
            }
        }
    }
    if (command == "info") {
        if (args.size() != 2)
            return usageError("info takes one file");
        return cli::info(args[1], std::cout, std::cerr);
    }
    if (command == "convert") {
        if (args.size() != 3)
            return usageError("convert takes an input and an output file");
        const int status = cli::convert(args[1], args[2], std::cerr);
        if (status == cli::kUsage)
            std::cerr << '\n' << usage();
        return status;
    }
    if (command == "export-pictures") {
        const bool withStem = args.size() == 5 && args[3] == "--stem";
        if (args.size() != 3 && !withStem) {
            return usageError("export-pictures takes a file, a folder and optionally --stem NAME");
        }
        if (withStem && args[4].empty())
            return usageError("--stem needs a name");
        // The image plugins' own complaints about a damaged picture would bury the one line
        // that says which file failed and why.
        platform::qt::QtPictureConverter::silenceLibraryWarnings();
        platform::qt::QtPictureConverter converter;
        return cli::exportPictures(args[1], args[2], withStem ? args[4] : stemOf(args[1]),
                                   &converter, std::cout, std::cerr);
    }
    if (command == "export")
        return exportCommand(args, argc, argv);
    return usageError("unknown command " + command);
}
