#include "ProjectCommands.h"

#include <variant>

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

int info(const std::string& file, std::ostream& out, std::ostream& err) {
    std::vector<LogValue> entries;
    if (!readProject(file, entries, err))
        return kFileFailed;
    const std::size_t records = entries.size() / kFieldsPerRecord;
    for (std::size_t r = 1; r < records; ++r) {
        const std::size_t first = r * kFieldsPerRecord;
        for (int field = kFieldNumber; field <= kFieldDate; ++field) {
            if (const auto* text = std::get_if<std::string>(&entries[first + field])) {
                putEscaped(out, *text);
            }
            out << '\t';
        }
        const auto* picture = std::get_if<Picture>(&entries[first + kFieldPicture]);
        out << (picture != nullptr ? picture->size() : 0) << '\n';
    }
    out.flush();
    if (!out) {
        err << "Cannot write the listing of " << file << '\n';
        return kFileFailed;
    }
    return kOk;
}

int convert(const std::string& in, const std::string& out, std::ostream& err) {
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
    err << "glimmark-cli: cannot convert ." << from << " to ." << to << '\n';
    return kUsage;
}

int exportPictures(const std::string& file, const std::string&, const std::string&,
                   std::ostream& err) {
    err << "glimmark-cli: export-pictures is not built yet (" << file << ")\n";
    return kFileFailed;
}

}  // namespace cli
