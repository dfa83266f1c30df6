#include "frontend/LogThumbnails.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

LogThumbnails::LogThumbnails(qint64 maxBytes, int threads, Decode decode, QObject* parent)
    : QObject(parent), m_decode(std::move(decode)) {
    m_cache.setMaxCost(maxBytes);
    for (int t = 0; t < std::max(1, threads); ++t) m_threads.emplace_back([this] { work(); });
}

LogThumbnails::~LogThumbnails() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_waiting.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

QImage LogThumbnails::decodeAtThumbnailSize(const QByteArray& encoded) {
    QByteArray bytes = encoded;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (full.isValid())
        reader.setScaledSize(full.scaled(kSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > kSize.width() || image.height() > kSize.height()))
        image = image.scaled(kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage LogThumbnails::thumbnail(LogList::RecordKey key, const Picture& encoded) {
    if (encoded.empty())
        return {};
    if (const QImage* held = m_cache.object(key))
        return *held;
    if (m_pending.contains(key))
        return {};
    const quint64 request = ++m_requests;
    m_pending.insert(key, request);
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back({key, request,
                             QByteArray(reinterpret_cast<const char*>(encoded.data()),
                                        static_cast<qsizetype>(encoded.size()))});
        while (m_waiting.size() > static_cast<std::size_t>(kMaxWaiting)) {
            dropWaiting(m_waiting.front());
            m_waiting.pop_front();
        }
    }
    m_wake.notify_one();
    return {};
}

void LogThumbnails::work() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
            if (m_stopping)
                return;
            request = std::move(m_waiting.back());
            m_waiting.pop_back();
        }
        const QImage image = m_decode(request.encoded);
        QMetaObject::invokeMethod(
            this,
            [this, key = request.key, number = request.number, image] {
                decoded(key, number, image);
            },
            Qt::QueuedConnection);
    }
}

void LogThumbnails::dropWaiting(const Request& request) {
    if (m_pending.value(request.key) == request.number)
        m_pending.remove(request.key);
}

void LogThumbnails::keepOnly(const QSet<LogList::RecordKey>& wanted) {
    const std::lock_guard lock(m_mutex);
    const auto unwanted = std::stable_partition(
        m_waiting.begin(), m_waiting.end(),
        [&](const Request& request) { return wanted.contains(request.key); });
    std::for_each(unwanted, m_waiting.end(), [this](const Request& r) { dropWaiting(r); });
    m_waiting.erase(unwanted, m_waiting.end());
}

void LogThumbnails::decoded(quint64 key, quint64 request, const QImage& image) {
    if (m_pending.value(key) != request)
        return;
    m_pending.remove(key);
    // A picture that does not decode is kept as a null image, so that it is not tried again.
    m_cache.insert(key, new QImage(image), std::max<qint64>(1, image.sizeInBytes()));
    if (ready)
        ready(key);
}

void LogThumbnails::forget(LogList::RecordKey key) {
    m_cache.remove(key);
    m_pending.remove(key);
}

void LogThumbnails::forgetAll() {
    m_cache.clear();
    m_pending.clear();
}
