#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstddef>
#include <list>
#include <vector>

// The editor's pictures decoded once each, at the size they are shown, and kept for a while:
// stepping through the log moves a picture from the next view to the current one and on to
// the previous one, and chase goes back and forth over a few records, so most pictures asked
// for were shown a moment ago. A 1080p JPEG decoded whole costs about 9 ms; decoded at the
// size of a view in the editor (the JPEG decoder's scaled decoding) a fraction of that.
class DecodedPictures {
public:
    explicit DecodedPictures(std::size_t capacity = 8);

    // The picture held by `encoded` (JPEG, TIFF, ...), fitted into `box` keeping its shape
    // and never enlarged; null when the bytes do not decode. Pictures are decoded at the
    // largest box asked for with `sharedBox` so far, so that the same picture shown in a
    // larger view next needs no second decode; a full-screen view asks without it.
    QImage fitted(const QByteArray& encoded, QSize box, bool sharedBox = true);

    // How often a picture was decoded, and how often one was found decoded already.
    int decodes() const { return m_decodes; }
    int hits() const { return m_hits; }

    // The one the editor's views share.
    static DecodedPictures& editor();

private:
    struct Entry {
        std::size_t hash = 0;
        QByteArray encoded;
        // Size of the picture as stored; invalid when the bytes do not decode.
        QSize original;
        QImage decoded;
        bool undecodable = false;
        // The decoded picture fitted into boxes of other views.
        std::vector<QImage> fittedCopies;
    };

    Entry& find(const QByteArray& encoded);

    std::size_t m_capacity;
    // Most recently used first.
    std::list<Entry> m_entries;
    QSize m_sharedBox;
    int m_decodes = 0;
    int m_hits = 0;
};
