#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "handover/Handover.h"
#include "platform/PictureConverter.h"
#include "platform/Video.h"
#include "platform/WebServer.h"
#include "share/ShareSnapshot.h"

namespace share {

using platform::web::Answer;
using platform::web::Request;

// What the shared web view answers, whatever serves it: a fixed table of paths, read-only,
// over the last snapshot handed in. Thread-safe: the server's thread asks, the main thread
// hands snapshots in.
class ShareSite final : public platform::web::Site {
public:
    // `page` is the HTML of "/". The codec makes thumbnails; the converter, when there is
    // one, makes JPEG of pictures stored in another format.
    ShareSite(std::string page, platform::ImageCodec& codec,
              platform::PictureConverter* converter);
    ~ShareSite();
    ShareSite(const ShareSite&) = delete;
    ShareSite& operator=(const ShareSite&) = delete;

    // Every path then starts with "/TOKEN/"; "" for none, which also limits the Host header
    // to loopback names (a page elsewhere cannot rebind its own name to this address and
    // read the log).
    void setToken(std::string token);
    // The newest log; thumbnails for its new pictures are made on a thread of the site's own.
    void setSnapshot(SnapshotPtr snapshot);

    Answer answer(const Request& request) override;

    // The width the thumbnails are made at most.
    static constexpr int kThumbnailWidth = 160;

private:
    enum class Kind { thumbnail, picture };
    // The JPEG bytes of a picture or of its thumbnail; nullptr when there is none.
    std::shared_ptr<const Picture> image(Kind kind, std::uint64_t id);
    std::shared_ptr<const std::string> exported(handover::Format format);
    Answer imageAnswer(Kind kind, std::uint64_t id, const Request& request);
    std::shared_ptr<const Picture> make(Kind kind, const std::shared_ptr<const Picture>& picture);
    void makeThumbnails();

    const std::shared_ptr<const std::string> m_page;
    const std::string m_pageTag;
    platform::ImageCodec& m_codec;
    platform::PictureConverter* m_converter;

    mutable std::mutex m_mutex;
    std::string m_token;
    SnapshotPtr m_snapshot = std::make_shared<Snapshot>();
    std::shared_ptr<const std::string> m_logJson;
    // The hand-over exports of the current snapshot, made on the first request for them.
    std::shared_ptr<const std::string> m_logCsv;
    std::shared_ptr<const std::string> m_logEdl;
    std::uint64_t m_logTag = 0;
    std::map<std::uint64_t, std::shared_ptr<const Picture>> m_thumbnails;
    // Pictures stored in another format than JPEG, converted once.
    std::map<std::uint64_t, std::shared_ptr<const Picture>> m_pictures;

    std::condition_variable m_work;
    bool m_stop = false;
    bool m_newSnapshot = false;
    std::thread m_thumbnailer;
};

// The token's form check and compare in time that does not depend on where they differ.
bool sameToken(std::string_view a, std::string_view b);

}  // namespace share
