#include "share/ShareSite.h"

#include <charconv>
#include <set>
#include <vector>

#include "handover/Handover.h"
#include "platform/BackgroundThread.h"

namespace share {
namespace {

// FNV-1a: an ETag for the page, which changes only with the program.
std::uint64_t hashOf(std::string_view text) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string hex(std::uint64_t value) {
    char text[17];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, 16);
    (void)error;
    return std::string(text, end);
}

Answer plain(int status, std::string_view text) {
    Answer answer;
    answer.status = status;
    answer.contentType = "text/plain; charset=utf-8";
    auto body = std::make_shared<const std::string>(text);
    answer.body = *body;
    answer.keep = std::move(body);
    answer.cacheControl = "no-store";
    return answer;
}

// "/thumb/1f.jpg" with prefix "/thumb/": the id, or 0 for anything else.
std::uint64_t imageId(std::string_view path, std::string_view prefix) {
    if (!path.starts_with(prefix) || !path.ends_with(".jpg"))
        return 0;
    const std::string_view digits = path.substr(prefix.size(), path.size() - prefix.size() - 4);
    if (digits.empty() || digits.size() > 16)
        return 0;
    for (const char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return 0;
    std::uint64_t id = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), id, 16);
    return id;
}

bool loopbackHost(std::string_view host) {
    // The name without its port.
    std::string_view name = host;
    if (name.starts_with('[')) {
        const auto close = name.find(']');
        if (close == std::string_view::npos)
            return false;
        name = name.substr(0, close + 1);
    } else if (const auto colon = name.rfind(':'); colon != std::string_view::npos) {
        name = name.substr(0, colon);
    }
    return name == "127.0.0.1" || name == "localhost" || name == "[::1]";
}

}  // namespace

bool sameToken(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

ShareSite::ShareSite(std::string page, platform::ImageCodec& codec,
                     platform::PictureConverter* converter)
    : m_page(std::make_shared<const std::string>(std::move(page))),
      m_pageTag("\"g" + hex(hashOf(*m_page)) + "\""),
      m_codec(codec),
      m_converter(converter),
      m_thumbnailer([this] { makeThumbnails(); }) {}

ShareSite::~ShareSite() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    m_thumbnailer.join();
}

void ShareSite::setToken(std::string token) {
    std::lock_guard lock(m_mutex);
    m_token = std::move(token);
}

void ShareSite::setSnapshot(SnapshotPtr snapshot) {
    std::set<std::uint64_t> ids;
    for (const Take& take : snapshot->takes)
        if (take.pictureId != 0)
            ids.insert(take.pictureId);
    SnapshotPtr old;
    {
        std::lock_guard lock(m_mutex);
        old = std::move(m_snapshot);
        m_snapshot = std::move(snapshot);
        m_logJson.reset();
        m_logCsv.reset();
        m_logEdl.reset();
        ++m_logTag;
        std::erase_if(m_thumbnails, [&](const auto& entry) { return !ids.contains(entry.first); });
        std::erase_if(m_pictures, [&](const auto& entry) { return !ids.contains(entry.first); });
        m_newSnapshot = true;
    }
    m_work.notify_one();
    // The old snapshot may hold the last reference to pictures: let go of it outside the lock.
}

void ShareSite::makeThumbnails() {
    platform::becomeBackgroundThread();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_stop || m_newSnapshot; });
        if (m_stop)
            return;
        m_newSnapshot = false;
        const SnapshotPtr snapshot = m_snapshot;
        // Newest first: those are what a page opens on.
        for (auto take = snapshot->takes.rbegin(); take != snapshot->takes.rend() && !m_stop;
             ++take) {
            if (take->pictureId == 0 || m_thumbnails.contains(take->pictureId))
                continue;
            lock.unlock();
            auto thumbnail = make(Kind::thumbnail, take->picture);
            lock.lock();
            if (m_snapshot == snapshot)
                m_thumbnails.emplace(take->pictureId, std::move(thumbnail));
            if (m_newSnapshot)
                break;
        }
    }
}

std::shared_ptr<const Picture> ShareSite::make(Kind kind,
                                               const std::shared_ptr<const Picture>& picture) {
    std::shared_ptr<const Picture> jpeg = picture;
    if (!platform::isJpeg(*picture)) {
        if (m_converter == nullptr)
            return nullptr;
        Picture converted = m_converter->toJpeg(*picture, 0.8);
        if (converted.empty())
            return nullptr;
        jpeg = std::make_shared<const Picture>(std::move(converted));
    }
    if (kind == Kind::picture)
        return jpeg;
    Picture thumbnail = m_codec.thumbnailJpeg(*jpeg, kThumbnailWidth);
    if (thumbnail.empty())
        return nullptr;
    return std::make_shared<const Picture>(std::move(thumbnail));
}

std::shared_ptr<const Picture> ShareSite::image(Kind kind, std::uint64_t id) {
    std::shared_ptr<const Picture> picture;
    {
        std::lock_guard lock(m_mutex);
        auto& cache = kind == Kind::thumbnail ? m_thumbnails : m_pictures;
        if (const auto at = cache.find(id); at != cache.end())
            return at->second;
        picture = m_snapshot->picture(id);
    }
    if (picture == nullptr)
        return nullptr;
    if (kind == Kind::picture && platform::isJpeg(*picture))
        return picture;
    // Not made yet (the thumbnailer is busy with others): made here, once, and kept.
    auto made = make(kind, picture);
    if (made != nullptr) {
        std::lock_guard lock(m_mutex);
        if (m_snapshot->picture(id) != nullptr)
            (kind == Kind::thumbnail ? m_thumbnails : m_pictures).emplace(id, made);
    }
    return made;
}

std::shared_ptr<const std::string> ShareSite::exported(handover::Format format) {
    auto& cached = format == handover::Format::Csv ? m_logCsv : m_logEdl;
    SnapshotPtr snapshot;
    {
        std::lock_guard lock(m_mutex);
        if (cached != nullptr)
            return cached;
        snapshot = m_snapshot;
    }
    // Made outside the lock: a long log must not hold up the main thread's next snapshot.
    handover::Options options;
    options.title = snapshot->title;
    options.pictureStem = snapshot->title;
    auto made = std::make_shared<const std::string>(
        format == handover::Format::Csv ? handover::csv(snapshot->log, options)
                                        : handover::edl(snapshot->log, options));
    std::lock_guard lock(m_mutex);
    if (m_snapshot == snapshot)
        cached = made;
    return made;
}

// A picture's address never changes its bytes: a browser that has the tag is told so and
// nothing is made or sent.
Answer ShareSite::imageAnswer(Kind kind, std::uint64_t id, const Request& request) {
    Answer answer;
    answer.etag = std::string(kind == Kind::thumbnail ? "\"t" : "\"p") + hex(id) + "\"";
    if (request.ifNoneMatch == answer.etag) {
        answer.status = 304;
        return answer;
    }
    auto bytes = image(kind, id);
    if (bytes == nullptr)
        return plain(404, "Not found\n");
    answer.contentType = "image/jpeg";
    answer.body = std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    answer.keep = std::move(bytes);
    answer.cacheControl = "private, max-age=86400, immutable";
    return answer;
}

Answer ShareSite::answer(const Request& request) {
    std::string token;
    {
        std::lock_guard lock(m_mutex);
        token = m_token;
    }
    std::string_view path = request.path;
    if (!token.empty()) {
        const std::string prefix = "/" + token;
        if (path.size() < prefix.size() || !sameToken(path.substr(0, prefix.size()), prefix) ||
            (path.size() > prefix.size() && path[prefix.size()] != '/'))
            return plain(403, "Forbidden\n");
        path.remove_prefix(prefix.size());
    } else if (!loopbackHost(request.host)) {
        return plain(403, "Forbidden\n");
    }
    if (request.method != "GET" && request.method != "HEAD") {
        Answer refused = plain(405, "Only GET and HEAD\n");
        return refused;
    }
    if (path.empty()) {
        // "/TOKEN" alone: the page's own links are relative, so it must be read from
        // "/TOKEN/".
        Answer moved = plain(308, "");
        moved.location = "/" + token + "/";
        return moved;
    }

    Answer answer;
    if (path == "/") {
        answer.contentType = "text/html; charset=utf-8";
        answer.body = *m_page;
        answer.keep = m_page;
        answer.etag = m_pageTag;
        answer.cacheControl = "no-cache";
    } else if (path == "/log.json") {
        std::lock_guard lock(m_mutex);
        if (m_logJson == nullptr)
            m_logJson = std::make_shared<const std::string>(logJson(*m_snapshot));
        answer.contentType = "application/json";
        answer.body = *m_logJson;
        answer.keep = m_logJson;
        answer.cacheControl = "no-store";
    } else if (path == "/log.csv" || path == "/log.edl") {
        const bool csv = path == "/log.csv";
        auto text = exported(csv ? handover::Format::Csv : handover::Format::Edl);
        answer.contentType = csv ? "text/csv; charset=utf-8" : "text/plain; charset=us-ascii";
        answer.body = *text;
        answer.keep = std::move(text);
        answer.cacheControl = "no-store";
    } else if (path == "/events") {
        answer.contentType = "text/event-stream";
        answer.cacheControl = "no-store";
        answer.eventStream = request.method == "GET";
        return answer;
    } else if (const std::uint64_t thumb = imageId(path, "/thumb/"); thumb != 0) {
        return imageAnswer(Kind::thumbnail, thumb, request);
    } else if (const std::uint64_t full = imageId(path, "/picture/"); full != 0) {
        return imageAnswer(Kind::picture, full, request);
    } else {
        return plain(404, "Not found\n");
    }
    if (!answer.etag.empty() && request.ifNoneMatch == answer.etag) {
        answer.status = 304;
        answer.body = {};
        answer.keep.reset();
    }
    return answer;
}

}  // namespace share
