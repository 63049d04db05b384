#pragma once

#include "record/RecordFile.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

// Appends the record's lines to its file on a thread of its own, in the order
// they are posted, so that no line holds up the caller: the one that drops
// the older half of the file takes tens to hundreds of milliseconds. The
// file must not be touched while lines are under way: Drain first.
class CRecordWriter {
public:
    explicit CRecordWriter(CRecordFile& file);
    // Writes what is still posted, then ends the thread.
    ~CRecordWriter();
    CRecordWriter(const CRecordWriter&) = delete;
    CRecordWriter& operator=(const CRecordWriter&) = delete;

    void Post(std::string line);
    // Returns once every posted line has been written.
    void Drain();
    // A line could not be written (the record being on).
    bool Failed() const { return m_failed; }

private:
    void Run();

    CRecordFile& m_file;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_lines; // posted, not yet written
    bool m_writing = false;
    bool m_stop = false;
    std::atomic<bool> m_failed = false;
    std::thread m_thread; // last: starts once the rest is ready
};
