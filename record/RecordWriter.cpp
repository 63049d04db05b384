#include "record/RecordWriter.h"

#include <utility>

CRecordWriter::CRecordWriter(CRecordFile& file) : m_file(file), m_thread([this] { Run(); }) {}

CRecordWriter::~CRecordWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CRecordWriter::Post(std::string line) {
    {
        const std::lock_guard lock(m_mutex);
        m_lines.push_back(std::move(line));
    }
    m_changed.notify_all();
}

void CRecordWriter::Drain() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_lines.empty() && !m_writing; });
}

void CRecordWriter::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_lines.empty(); });
        if (m_lines.empty()) {
            return; // stopped, and everything written
        }
        const std::string line = std::move(m_lines.front());
        m_lines.pop_front();
        m_writing = true;
        lock.unlock();
        // The file's state is this thread's until the queue is empty again.
        if (!m_file.Append(line) && m_file.Enabled()) {
            m_failed = true;
        }
        lock.lock();
        m_writing = false;
        m_changed.notify_all();
    }
}
