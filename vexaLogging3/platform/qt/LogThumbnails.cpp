#include "platform/qt/LogThumbnails.h"

#include <QBuffer>
#include <QImageReader>

LogThumbnails::LogThumbnails(qint64 maxBytes, QObject* parent) : QObject(parent) {
    m_cache.setMaxCost(maxBytes);
    // One thread: the main thread and the encoder of new stills share the other core.
    m_pool.setMaxThreadCount(1);
}

LogThumbnails::~LogThumbnails() {
    m_pool.clear();
    m_pool.waitForDone();
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
    QByteArray bytes(reinterpret_cast<const char*>(encoded.data()),
                     static_cast<qsizetype>(encoded.size()));
    m_pool.start([this, key, request, bytes = std::move(bytes)]() mutable {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // Scaled while decoding: a 1080p JPEG is read at an eighth of its size.
        const QSize full = reader.size();
        if (full.isValid())
            reader.setScaledSize(full.scaled(kSize, Qt::KeepAspectRatio));
        QImage image = reader.read();
        if (!image.isNull() && (image.width() > kSize.width() || image.height() > kSize.height()))
            image = image.scaled(kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QMetaObject::invokeMethod(
            this, [this, key, request, image] { decoded(key, request, image); },
            Qt::QueuedConnection);
    });
    return {};
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
