#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

// The editor's pictures decoded once each, at the size they are shown, and kept for a while:
// stepping through the log moves a picture from the next view to the current one and on to
// the previous one, and chase goes back and forth over a few records, so most pictures asked
// for were shown a moment ago. Even decoded at the size of a view (the JPEG decoder's scaled
// decoding) a camera's 1080p JPEG costs 2.5 ms of entropy decoding, so the pictures a step
// will bring next are decoded ahead on a thread of their own, and the step only shows them.
class DecodedPictures {
public:
    explicit DecodedPictures(std::size_t capacity = 8);
    ~DecodedPictures();
    DecodedPictures(const DecodedPictures&) = delete;
    DecodedPictures& operator=(const DecodedPictures&) = delete;

    // The picture held by `encoded` (JPEG, TIFF, ...), fitted into `box` keeping its shape
    // and never enlarged; null when the bytes do not decode. Pictures are decoded at the
    // largest box asked for with `sharedBox` so far, so that the same picture shown in a
    // larger view next needs no second decode; a full-screen view asks without it. A picture
    // being decoded ahead is waited for, never decoded twice.
    QImage fitted(const QByteArray& encoded, QSize box, bool sharedBox = true);

    // Starts decoding, off the calling thread, a picture that is likely to be shown in `box`
    // soon, unless it is decoded or on its way already; `sharedBox` as for fitted(). Requests
    // not yet started when more than a few newer ones arrive are dropped: stepping fast makes
    // them stale.
    void ahead(const QByteArray& encoded, QSize box, bool sharedBox = true);
    // Ends decoding ahead for good: what is queued is dropped, what runs is waited for.
    void stopAhead();

    // How often a picture was decoded (ahead or not), how often ahead, and how often one was
    // found decoded already.
    int decodes() const { return m_decodes; }
    int decodesAhead() const { return m_decodesAhead; }
    int hits() const { return m_hits; }

    // The one the editor's views share.
    static DecodedPictures& editor();

private:
    struct Decoded {
        QImage picture;
        // The picture fitted into the box it was asked ahead for, when that is smaller.
        QImage fittedCopy;
    };
    struct Entry {
        std::size_t hash = 0;
        QByteArray encoded;
        // Size of the picture as stored; invalid when the bytes do not decode.
        QSize original;
        QImage decoded;
        bool undecodable = false;
        // The decoded picture fitted into boxes of other views.
        std::vector<QImage> fittedCopies;
        // Set while the picture is being decoded ahead.
        std::shared_future<Decoded> pending;
    };

    Entry& find(const QByteArray& encoded);
    // Takes the result of a decode ahead into the entry; false when it never ran.
    bool collect(Entry& entry);
    void keepCopy(Entry& entry, QImage copy);
    void decodeAheadLoop();

    std::size_t m_capacity;
    // Most recently used first.
    std::list<Entry> m_entries;
    QSize m_sharedBox;
    int m_decodes = 0;
    int m_decodesAhead = 0;
    int m_hits = 0;

    // The decoding thread, started by the first request ahead.
    std::mutex m_queueLock;
    std::condition_variable m_queued;
    std::deque<std::packaged_task<Decoded()>> m_queue;
    bool m_stopping = false;
    std::thread m_thread;
};
