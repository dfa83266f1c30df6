#include "platform/qt/DecodedPictures.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <functional>
#include <string_view>

namespace {

// The size a picture of `original` takes in `box`, keeping its shape and never enlarged.
QSize fit(QSize original, QSize box) {
    if (!original.isValid() || box.width() < 1 || box.height() < 1)
        return original;
    const QSize scaled = original.scaled(box, Qt::KeepAspectRatio);
    return scaled.width() >= original.width() ? original : scaled.expandedTo(QSize(1, 1));
}

}  // namespace

DecodedPictures::DecodedPictures(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)) {}

DecodedPictures& DecodedPictures::editor() {
    static DecodedPictures pictures;
    return pictures;
}

DecodedPictures::Entry& DecodedPictures::find(const QByteArray& encoded) {
    const std::size_t hash =
        std::hash<std::string_view>{}(std::string_view(encoded.constData(), encoded.size()));
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->hash == hash && it->encoded == encoded) {
            m_entries.splice(m_entries.begin(), m_entries, it);
            return m_entries.front();
        }
    }
    Entry entry;
    entry.hash = hash;
    entry.encoded = encoded;
    QBuffer buffer(&entry.encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader header(&buffer);
    entry.original = header.size();  // read from the header, nothing decoded yet
    m_entries.push_front(std::move(entry));
    if (m_entries.size() > m_capacity)
        m_entries.pop_back();
    return m_entries.front();
}

QImage DecodedPictures::fitted(const QByteArray& encoded, QSize box, bool sharedBox) {
    if (encoded.isEmpty())
        return {};
    if (sharedBox)
        m_sharedBox = m_sharedBox.expandedTo(box);
    Entry& entry = find(encoded);
    if (entry.undecodable)
        return {};
    QSize wanted = fit(entry.original, box);
    if (entry.decoded.isNull() || entry.decoded.width() < wanted.width()) {
        QBuffer buffer(&entry.encoded);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // Scaled in the decoder itself where the format can (JPEG: by its DCT).
        const QSize size = fit(entry.original, m_sharedBox.expandedTo(box));
        if (size.isValid())
            reader.setScaledSize(size);
        entry.decoded = reader.read();
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
    } else {
        ++m_hits;
    }
    if (entry.decoded.size() == wanted)
        return entry.decoded;
    for (const QImage& copy : entry.fittedCopies)
        if (copy.size() == wanted)
            return copy;
    entry.fittedCopies.push_back(
        entry.decoded.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    if (entry.fittedCopies.size() > 3)
        entry.fittedCopies.erase(entry.fittedCopies.begin());
    return entry.fittedCopies.back();
}
