#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <functional>

#include "loglist/LogList.h"

// The log table's pictures, decoded at thumbnail size on threads of their own and kept in
// a cache bounded in bytes: a log of any length costs the same memory, and the main thread
// never decodes. Asked for a picture it does not hold, it starts the decode and answers
// null; `ready` tells when the picture of that record can be asked for again.
class LogThumbnails final : public QObject {
public:
    static constexpr QSize kSize{96, 54};
    explicit LogThumbnails(qint64 maxBytes = 64ll * 1024 * 1024, QObject* parent = nullptr);
    ~LogThumbnails() override;

    QImage thumbnail(LogList::RecordKey key, const Picture& encoded);
    // A record's picture changed, or the log was replaced.
    void forget(LogList::RecordKey key);
    void forgetAll();

    std::function<void(LogList::RecordKey)> ready;

private:
    void decoded(quint64 key, quint64 request, const QImage& image);

    QCache<quint64, QImage> m_cache;
    // Decodes under way, by key, with the number of the request: one that answers after its
    // picture was forgotten is not taken for the new one.
    QHash<quint64, quint64> m_pending;
    quint64 m_requests = 0;
    QThreadPool m_pool;
};
