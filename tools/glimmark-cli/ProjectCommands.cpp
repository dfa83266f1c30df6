#include "ProjectCommands.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <variant>

#include "documents/ExchangeFile.h"
#include "documents/PictureExport.h"
#include "platform/plist/PropertyListFileStore.h"

namespace cli {

namespace {

// A project file as the program's Open judges it: more than nine entries, the first being
// the text "Glimmark".
bool isValidProject(const std::vector<LogValue>& entries) {
    const auto* mark = entries.empty() ? nullptr : std::get_if<std::string>(&entries.front());
    return entries.size() > 9 && mark != nullptr && *mark == "Glimmark";
}

// Reads a project file; on failure tells `err` and answers false.
bool readProject(const std::string& file, std::vector<LogValue>& entries, std::ostream& err) {
    auto read = platform::plist::PropertyListFileStore().readArray(file);
    if (!read.error.empty()) {
        err << read.error << '\n';
        return false;
    }
    if (!isValidProject(read.entries)) {
        err << "Cannot open " << file << ": not a Glimmark project file\n";
        return false;
    }
    entries = std::move(read.entries);
    return true;
}

void putEscaped(std::ostream& out, const std::string& text) {
    for (const char c : text) {
        switch (c) {
            case '\t':
                out << "\\t";
                break;
            case '\n':
                out << "\\n";
                break;
            case '\r':
                out << "\\r";
                break;
            case '\\':
                out << "\\\\";
                break;
            default:
                out << c;
        }
    }
}

// The list holds whole records; a file whose entries do not fill its last record gets that
// record completed with empty values, as the program's Open does.
LogList asLogList(std::vector<LogValue>& entries) {
    LogList list;
    for (std::size_t first = 0; first < entries.size(); first += kFieldsPerRecord) {
        LogRecord record{std::string(), std::string(), std::string(), std::string(), std::string(),
                         std::string(), std::string(), std::string(), std::string(), Picture()};
        for (std::size_t k = 0; k < kFieldsPerRecord && first + k < entries.size(); ++k) {
            record[k] = std::move(entries[first + k]);
        }
        list.append(std::move(record));
    }
    return list;
}

bool fails(const std::string& error, std::ostream& err) {
    if (error.empty())
        return false;
    err << error << '\n';
    return true;
}

}  // namespace

std::string extensionOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return path.substr(dot + 1);
}

int info(const std::string& file, std::ostream& out, std::ostream& err) try {
    std::vector<LogValue> entries;
    if (!readProject(file, entries, err))
        return kFileFailed;
    // Listed from the values as read, with no list made of them: the largest log a project
    // file holds would need its memory twice over.
    const auto text = [&entries](std::size_t index) -> const std::string& {
        static const std::string none;
        const auto* value =
            index < entries.size() ? std::get_if<std::string>(&entries[index]) : nullptr;
        return value != nullptr ? *value : none;
    };
    const std::size_t records = (entries.size() + kFieldsPerRecord - 1) / kFieldsPerRecord;
    for (std::size_t first = kFieldsPerRecord; first < records * kFieldsPerRecord;
         first += kFieldsPerRecord) {
        for (int field = kFieldNumber; field <= kFieldDate; ++field) {
            putEscaped(out, text(first + field));
            out << '\t';
        }
        const std::size_t picture = first + kFieldPicture;
        const auto* bytes =
            picture < entries.size() ? std::get_if<Picture>(&entries[picture]) : nullptr;
        out << (bytes != nullptr ? bytes->size() : 0) << '\n';
    }
    out.flush();
    if (!out) {
        err << "Cannot write the listing of " << file << '\n';
        return kFileFailed;
    }
    return kOk;
} catch (const std::bad_alloc&) {
    err << "Cannot open " << file << ": not enough memory to hold it\n";
    return kFileFailed;
}

// Every write goes through the atomic writer, so running out of memory half-way loses nothing.
int convert(const std::string& in, const std::string& out, std::ostream& err) try {
    const std::string from = extensionOf(in);
    const std::string to = extensionOf(out);
    if (from == "vlg" && to == "vlg") {
        std::vector<LogValue> entries;
        if (!readProject(in, entries, err))
            return kFileFailed;
        return fails(platform::plist::PropertyListFileStore().writeValues(out, entries), err)
                   ? kFileFailed
                   : kOk;
    }
    if (from == "vlg" && to == "log") {
        std::vector<LogValue> entries;
        if (!readProject(in, entries, err))
            return kFileFailed;
        const std::string error = exchange::writeExchangeFile(out, asLogList(entries));
        return fails(error.empty() ? "" : "Cannot save " + out + ": " + error, err) ? kFileFailed
                                                                                    : kOk;
    }
    if (from == "log" && to == "vlg") {
        const exchange::ExchangeContent content = exchange::readExchangeFile(in);
        if (!content.error.empty()) {
            err << "Cannot open " << in << ": " << content.error << '\n';
            return kFileFailed;
        }
        if (!content.hasDataMarker) {
            err << "Cannot open " << in << ": no data marker, not a log exchange file\n";
            return kFileFailed;
        }
        return fails(platform::plist::PropertyListFileStore().writeArray(out, content.list), err)
                   ? kFileFailed
                   : kOk;
    }
    err << "glimmark-cli: cannot convert ." << from << " to ." << to << '\n';
    return kUsage;
} catch (const std::bad_alloc&) {
    err << "Cannot convert " << in << ": not enough memory\n";
    return kFileFailed;
}

int exportPictures(const std::string& file, const std::string& folder, const std::string& stem,
                   platform::PictureConverter* converter, std::ostream& out, std::ostream& err) {
    std::vector<LogValue> entries;
    if (!readProject(file, entries, err))
        return kFileFailed;
    // One level only: a mistyped parent is more likely a mistake than a wish for a new tree.
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        err << "Cannot make the folder " << folder << ": " << std::strerror(errno) << '\n';
        return kFileFailed;
    }
    const pictures::ExportResult result =
        pictures::exportAllPictures(asLogList(entries), folder, stem, converter);
    if (result.failed == 0) {
        out << result.written << (result.written == 1 ? " picture" : " pictures") << " written to "
            << folder << '\n';
        return kOk;
    }
    err << "Cannot export the pictures of " << file << ": " << result.written << " written, "
        << result.failed << " failed, the first " << result.firstError << '\n';
    return kFileFailed;
}

int exportHandover(const std::string& file, const std::string& target, handover::Format format,
                   const handover::Options& options, const handover::Services& services,
                   std::ostream& err) try {
    std::vector<LogValue> entries;
    if (!readProject(file, entries, err))
        return kFileFailed;
    const std::string error =
        handover::writeExport(format, asLogList(entries), options, target, services);
    return fails(error.empty() ? "" : "Cannot save " + target + ": " + error, err) ? kFileFailed
                                                                                    : kOk;
} catch (const std::bad_alloc&) {
    err << "Cannot export " << file << ": not enough memory\n";
    return kFileFailed;
}

}  // namespace cli
