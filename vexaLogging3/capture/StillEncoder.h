#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "loglist/LogList.h"
#include "platform/Video.h"

// Encodes the stills of log starts on a thread of its own, one after the other in the order
// they were asked for, so that a log start costs the main thread no encoding: its record is
// in the list at once and its picture follows a few milliseconds later. The finished stills
// wait here until the main thread takes them.
class StillEncoder {
public:
    struct Still {
        // The record the still belongs to, and where it stood when the still was asked for.
        LogList::RecordKey record = 0;
        int place = 0;
        // Empty when the frame could not be encoded.
        Picture jpeg;
    };

    // `finished` runs on the encoder's thread after each still, to hand the news over.
    StillEncoder(platform::ImageCodec& codec, double compressionFactor,
                 std::function<void()> finished);
    // Stills not yet encoded are dropped.
    ~StillEncoder();
    StillEncoder(const StillEncoder&) = delete;
    StillEncoder& operator=(const StillEncoder&) = delete;

    void encode(LogList::RecordKey record, int place, platform::VideoFramePtr frame);
    // The stills finished since the last call, in the order they were asked for.
    std::vector<Still> takeFinished();
    // Blocks until every still asked for so far is finished.
    void waitUntilIdle();

private:
    struct Job {
        LogList::RecordKey record;
        int place;
        platform::VideoFramePtr frame;
    };
    void run();

    platform::ImageCodec& m_codec;
    const double m_compressionFactor;
    std::function<void()> m_finished;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    std::vector<Still> m_done;
    bool m_encoding = false;
    bool m_stopping = false;
    // Started with the first still: a controller that never grabs has no thread for it.
    std::thread m_thread;
};
