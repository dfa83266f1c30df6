#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "loglist/LogList.h"

namespace platform::plist {

// Decodes the Base64 text of <data> values on a thread of its own while the XML parser goes
// on with the rest of the file. On a shoot day the pictures are nearly all of the file, and
// their decoding, allocation and copying cost about half as much as parsing: side by side,
// an open takes the parser's time alone. Text waiting to be decoded is bounded, so memory
// stays at the values plus a few megabytes.
class DataDecodeWorker {
public:
    DataDecodeWorker() = default;
    ~DataDecodeWorker();
    DataDecodeWorker(const DataDecodeWorker&) = delete;
    DataDecodeWorker& operator=(const DataDecodeWorker&) = delete;

    // Hands over the Base64 text of the value at `index`; waits while too much is queued.
    void submit(std::size_t index, std::string base64);
    // Waits until everything handed over is decoded and stores each picture at its index.
    // Answers "" then, or why not: memory ran out, or a value was not Base64.
    std::string finish(std::vector<LogValue>& entries);

private:
    struct Job {
        std::size_t index;
        std::string base64;
    };
    void run();
    void stop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_room;
    std::deque<Job> m_jobs;
    std::size_t m_queuedBytes = 0;
    bool m_busy = false;
    bool m_stopping = false;
    bool m_failed = false;
    std::string m_reason;
    std::vector<std::pair<std::size_t, Picture>> m_done;
    std::thread m_thread;
};

}  // namespace platform::plist
