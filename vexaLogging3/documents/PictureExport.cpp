#include "documents/PictureExport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "platform/files/AtomicFile.h"

namespace pictures {
namespace {

// Pictures above these sizes count as present; shorter byte runs are no picture.
constexpr std::size_t kSinglePictureMinimum = 9;
constexpr std::size_t kAllPicturesMinimum = 10;
constexpr const char* kNotJpeg = "The picture could not be converted to JPEG";

void add(ExportResult& result, const std::string& target, const std::string& error) {
    if (error.empty()) {
        ++result.written;
        return;
    }
    if (result.failed++ == 0)
        result.firstError = target + ": " + error;
}

std::string writePicture(const Picture& picture, const std::string& target,
                         platform::PictureConverter* converter) {
    const platform::Bytes bytes = jpegBytes(picture, converter);
    if (bytes.empty())
        return kNotJpeg;
    return platform::writeFileAtomically(
        target, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Pictures written but not yet renamed, each holding its temporary file's lock. An fsync per
// picture costs a journal commit each, seconds for a shoot day: a batch reaches the disk in
// one syncfs instead, and then every new picture of it is renamed into place. A picture that
// replaces a file of its name waits, closed under its temporary name, until the whole export
// is done: a cancel then leaves every file there was as it was. Closed, it holds no lock: a
// save clearing leftovers in the same folder meanwhile may take it, and the file it was to
// replace then stays, counted as not written.
class PictureBatch {
public:
    explicit PictureBatch(ExportResult& result) : m_result(result) {}
    ~PictureBatch() { undo(); }

    void write(const platform::Bytes& bytes, const std::string& target) {
        struct stat there{};
        const bool replaces = ::stat(target.c_str(), &there) == 0;
        if (!replaces)
            m_new.insert(target);
        auto file = std::make_unique<platform::AtomicFile>(target);
        if (file->open(false) &&
            file->write(reinterpret_cast<const char*>(bytes.data()), bytes.size())) {
            m_files.push_back({target, std::move(file), replaces});
        } else {
            add(m_result, target, file->reason());
        }
        // Each open file is a descriptor; the batch stays well under the usual limit of 1024.
        if (m_files.size() == 256)
            finish();
    }

    void finish() {
        if (m_files.empty())
            return;
        // Where syncfs fails, every file is flushed on its own, as a single save does.
        const bool synced = ::syncfs(m_files.front().file->descriptor()) == 0;
        using Flush = platform::AtomicFile::Flush;
        const Flush flush = synced ? Flush::Nothing : Flush::FileAndFolder;
        for (Pending& pending : m_files) {
            if (pending.replaces) {
                std::string written = pending.file->release(flush);
                if (written.empty())
                    add(m_result, pending.target, pending.file->reason());
                else
                    m_replacing.push_back(
                        {pending.target, pending.file->target(), std::move(written)});
                continue;
            }
            const bool done = pending.file->commit(flush);
            add(m_result, pending.target, done ? std::string() : pending.file->reason());
        }
        m_files.clear();
    }

    // The export is whole: the pictures that replace files take their places.
    void complete() {
        finish();
        for (const Replacing& r : m_replacing) {
            if (::rename(r.written.c_str(), r.replaced.c_str()) == 0) {
                add(m_result, r.target, {});
            } else {
                add(m_result, r.target, std::strerror(errno));
                ::unlink(r.written.c_str());
            }
        }
        m_replacing.clear();
        m_new.clear();
    }

    // Leaves the folder as it was: the pictures not yet in place are dropped and those this
    // export added are removed.
    void undo() {
        m_files.clear();
        for (const Replacing& r : m_replacing)
            ::unlink(r.written.c_str());
        m_replacing.clear();
        for (const std::string& target : m_new)
            ::unlink(target.c_str());
        m_new.clear();
    }

private:
    struct Pending {
        std::string target;
        std::unique_ptr<platform::AtomicFile> file;
        bool replaces = false;
    };
    struct Replacing {
        std::string target;    // as named, for the result
        std::string replaced;  // the file replaced: the target, or the file its link names
        std::string written;   // the new picture, under its temporary name
    };
    ExportResult& m_result;
    std::vector<Pending> m_files;
    std::vector<Replacing> m_replacing;
    std::set<std::string> m_new;
};

}  // namespace

std::string withJpegExtension(std::string path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasJpg = dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
                        path.compare(dot + 1, std::string::npos, "jpg") == 0;
    if (!hasJpg)
        path += ".jpg";
    return path;
}

std::string withoutExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string::npos || dot <= nameStart)
        return path;
    return path.substr(0, dot);
}

std::string safeNamePart(std::string_view text) {
    std::string safe;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        safe.push_back(c == '/' || byte < 0x20 || byte == 0x7F ? '_' : c);
    }
    return safe;
}

std::string exportFileName(const std::string& stem, int position, std::string_view number) {
    return safeNamePart(stem) + "_" + std::to_string(position) + "_" + safeNamePart(number) +
           ".jpg";
}

platform::Bytes jpegBytes(const Picture& picture, platform::PictureConverter* converter) {
    if (platform::isJpeg(picture))
        return picture;
    if (converter == nullptr)
        return {};
    return converter->toJpeg(picture, kJpegCompressionFactor);
}

ExportResult exportPicture(const Picture& picture, const std::string& target,
                           platform::PictureConverter* converter) {
    ExportResult result;
    if (picture.size() > kSinglePictureMinimum)
        add(result, target, writePicture(picture, target, converter));
    return result;
}

ExportResult exportAllPictures(const LogList& list, const std::string& folder,
                               const std::string& stem, platform::PictureConverter* converter,
                               const std::function<bool(double)>& progress) {
    ExportResult result;
    // Once for the folder, not once for each of thousands of pictures.
    platform::removeAbandonedTemporaries(folder);
    {
        PictureBatch batch(result);
        const int records = list.recordCount();
        for (int n = 1; n <= records; ++n) {
            const Picture& picture = list.picture(LogList::indexOf(n, kFieldPicture));
            if (picture.size() > kAllPicturesMinimum) {
                const std::string target =
                    folder + "/" +
                    exportFileName(stem, n, list.text(LogList::indexOf(n, kFieldNumber)));
                const platform::Bytes bytes = jpegBytes(picture, converter);
                if (bytes.empty())
                    add(result, target, kNotJpeg);
                else
                    batch.write(bytes, target);
            }
            if (progress && !progress(static_cast<double>(n) / records)) {
                batch.undo();
                result.cancelled = true;
                break;
            }
        }
        if (!result.cancelled)
            batch.complete();
    }
    // The renames last only once the folder itself is on the disk.
    platform::flushFolder(folder);
    return result;
}

}  // namespace pictures
