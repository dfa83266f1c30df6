#pragma once

#include <QByteArray>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "loglist/LogList.h"

// The log table's pictures, decoded at thumbnail size on threads of their own and kept in
// a cache bounded in bytes: a log of any length costs the same memory, and the main thread
// never decodes. Asked for a picture it does not hold, it asks for the decode and answers
// null; `ready` tells when the picture of that record can be asked for again.
//
// The newest request is decoded first: the rows the user has just scrolled to are the ones
// looked at, and a quick scroll must not leave them behind the pages it passed. Requests
// waiting are few (the oldest beyond kMaxWaiting are dropped) and those for rows no longer
// on show are dropped as the table moves; a row shown again asks again.
class LogThumbnails final : public QObject {
public:
    static constexpr QSize kSize{96, 54};
    // A few screenfuls of rows.
    static constexpr int kMaxWaiting = 64;
    using Decode = std::function<QImage(const QByteArray& encoded)>;

    explicit LogThumbnails(qint64 maxBytes = 64ll * 1024 * 1024, int threads = 2,
                           Decode decode = decodeAtThumbnailSize, QObject* parent = nullptr);
    ~LogThumbnails() override;

    QImage thumbnail(LogList::RecordKey key, const Picture& encoded);
    // A record's picture changed, or the log was replaced.
    void forget(LogList::RecordKey key);
    void forgetAll();
    // Only the pictures of these records are still wanted: those waiting for another are
    // dropped (a decode begun is let finish and kept).
    void keepOnly(const QSet<LogList::RecordKey>& wanted);

    // Read scaled while decoding: a 1080p JPEG is read at an eighth of its size.
    static QImage decodeAtThumbnailSize(const QByteArray& encoded);

    std::function<void(LogList::RecordKey)> ready;

private:
    struct Request {
        quint64 key = 0;
        quint64 number = 0;
        QByteArray encoded;
    };
    void work();
    void decoded(quint64 key, quint64 request, const QImage& image);
    // With m_mutex held: the request leaves the queue and is no longer under way.
    void dropWaiting(const Request& request);

    QCache<quint64, QImage> m_cache;
    // Decodes asked for, by key, with the number of the request: one that answers after its
    // picture was forgotten is not taken for the new one. Touched on the main thread only.
    QHash<quint64, quint64> m_pending;
    quint64 m_requests = 0;
    const Decode m_decode;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Oldest first; the threads take from the back.
    std::deque<Request> m_waiting;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
