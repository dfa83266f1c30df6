#include "frontend/DecodedPictures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <algorithm>
#include <functional>
#include <string_view>

#include "platform/PictureConverter.h"

namespace {

// Requests ahead waiting at once: a step asks for at most four pictures.
constexpr std::size_t kMaxQueued = 4;

// The size a picture of `original` takes in `box`, keeping its shape and never enlarged.
QSize fit(QSize original, QSize box) {
    if (!original.isValid() || box.width() < 1 || box.height() < 1)
        return original;
    const QSize scaled = original.scaled(box, Qt::KeepAspectRatio);
    return scaled.width() >= original.width() ? original : scaled.expandedTo(QSize(1, 1));
}

// Decodes `encoded` at `size` (the whole picture when invalid). QImageReader works on any
// thread; it scales JPEG in the decoder's DCT to the nearest eighth at or above the size.
QImage decode(QByteArray encoded, QSize size) {
    if (platform::pngClaimsMoreThanItHolds(
            reinterpret_cast<const std::uint8_t*>(encoded.constData()),
            static_cast<std::size_t>(encoded.size())))
        return {};
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

// A hash of the size and both ends only: a step looks up seven pictures of some 200 KB, and
// the bytes are compared in full anyway. Pictures that differ differ at their end (a JPEG's
// entropy-coded data, a TIFF's pixels), where their headers may well be alike.
std::size_t sampleHash(const QByteArray& encoded) {
    constexpr qsizetype kEnd = 4096;
    const std::string_view bytes(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    const std::hash<std::string_view> hash;
    if (bytes.size() <= 2 * kEnd)
        return hash(bytes);
    return hash(bytes.substr(0, kEnd)) ^ (hash(bytes.substr(bytes.size() - kEnd)) * 31) ^
           bytes.size();
}

QImage fittedFrom(const QImage& decoded, QSize size) {
    return decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

DecodedPictures::DecodedPictures(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)) {}

DecodedPictures::~DecodedPictures() {
    stopAhead();
}

void DecodedPictures::stopAhead() {
    {
        std::lock_guard lock(m_queueLock);
        m_stopping = true;
        m_queue.clear();
    }
    m_queued.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

DecodedPictures& DecodedPictures::editor() {
    static DecodedPictures pictures;
    // Image plugins are unloaded with the application: no decode may still run by then.
    static const bool stopsWithTheApplication =
        (qAddPostRoutine([] { editor().stopAhead(); }), true);
    (void)stopsWithTheApplication;
    return pictures;
}

DecodedPictures::Entry& DecodedPictures::find(const QByteArray& encoded) {
    const std::size_t hash = sampleHash(encoded);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->hash == hash && it->encoded == encoded) {
            m_entries.splice(m_entries.begin(), m_entries, it);
            return m_entries.front();
        }
    }
    Entry entry;
    entry.hash = hash;
    // The caller's bytes may be borrowed (QByteArray::fromRawData): the cache keeps its own.
    entry.encoded = encoded;
    entry.encoded.detach();
    QBuffer buffer(&entry.encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader header(&buffer);
    entry.original = header.size();  // read from the header, nothing decoded yet
    m_entries.push_front(std::move(entry));
    if (m_entries.size() > m_capacity)
        m_entries.pop_back();
    return m_entries.front();
}

bool DecodedPictures::collect(Entry& entry) {
    const std::shared_future<Decoded> pending = std::move(entry.pending);
    Decoded result;
    try {
        result = pending.get();
    } catch (const std::future_error&) {
        return false;  // dropped from the queue before it ran
    }
    ++m_decodes;
    ++m_decodesAhead;
    entry.decoded = std::move(result.picture);
    entry.fittedCopies.clear();
    if (entry.decoded.isNull()) {
        entry.undecodable = true;
        return true;
    }
    if (!result.fittedCopy.isNull())
        keepCopy(entry, std::move(result.fittedCopy));
    return true;
}

void DecodedPictures::keepCopy(Entry& entry, QImage copy) {
    entry.fittedCopies.push_back(std::move(copy));
    if (entry.fittedCopies.size() > 3)
        entry.fittedCopies.erase(entry.fittedCopies.begin());
}

void DecodedPictures::ahead(const QByteArray& encoded, QSize box, bool sharedBox) {
    if (encoded.isEmpty())
        return;
    if (sharedBox)
        m_sharedBox = m_sharedBox.expandedTo(box);
    Entry& entry = find(encoded);
    const QSize size = fit(entry.original, m_sharedBox.expandedTo(box));
    if (entry.undecodable || entry.pending.valid() || !size.isValid() ||
        (!entry.decoded.isNull() && entry.decoded.width() >= size.width()))
        return;
    const QSize wanted = fit(entry.original, box);
    std::packaged_task<Decoded()> task([bytes = entry.encoded, size, wanted] {
        Decoded result;
        result.picture = decode(bytes, size);
        if (!result.picture.isNull() && result.picture.size() != wanted)
            result.fittedCopy = fittedFrom(result.picture, wanted);
        return result;
    });
    {
        std::lock_guard lock(m_queueLock);
        if (m_stopping)
            return;
        entry.pending = task.get_future().share();
        m_queue.push_back(std::move(task));
        while (m_queue.size() > kMaxQueued) m_queue.pop_front();
        if (!m_thread.joinable())
            m_thread = std::thread([this] { decodeAheadLoop(); });
    }
    m_queued.notify_one();
}

void DecodedPictures::decodeAheadLoop() {
    std::unique_lock lock(m_queueLock);
    while (true) {
        m_queued.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        std::packaged_task<Decoded()> task = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

QImage DecodedPictures::fitted(const QByteArray& encoded, QSize box, bool sharedBox) {
    if (encoded.isEmpty())
        return {};
    if (sharedBox)
        m_sharedBox = m_sharedBox.expandedTo(box);
    Entry& entry = find(encoded);
    bool collected = false;
    if (entry.pending.valid())
        collected = collect(entry);
    if (entry.undecodable)
        return {};
    QSize wanted = fit(entry.original, box);
    if (entry.decoded.isNull() || entry.decoded.width() < wanted.width()) {
        // Scaled in the decoder itself where the format can (JPEG: by its DCT).
        entry.decoded = decode(entry.encoded, fit(entry.original, m_sharedBox.expandedTo(box)));
        entry.fittedCopies.clear();
        ++m_decodes;
        if (entry.decoded.isNull()) {
            entry.undecodable = true;
            return {};
        }
        if (!entry.original.isValid()) {
            entry.original = entry.decoded.size();
            wanted = fit(entry.original, box);
        }
    } else if (!collected) {
        ++m_hits;
    }
    if (entry.decoded.size() == wanted)
        return entry.decoded;
    for (const QImage& copy : entry.fittedCopies)
        if (copy.size() == wanted)
            return copy;
    keepCopy(entry, fittedFrom(entry.decoded, wanted));
    return entry.fittedCopies.back();
}
