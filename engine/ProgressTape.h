// The progress reports of a fetch that runs ahead of its turn on another thread.
// They are kept as offsets from the position the fetch began at and reported
// later, on the thread that owns the callback, once the position before the fetch
// is known: the callback sees what it sees when the fetches run one by one.
#pragma once

#include <atomic>
#include <vector>

class CProgressTape {
public:
    // `stop` (optional) is raised by the owner when the run ends early; the fetch
    // then hears a stop at its next report.
    explicit CProgressTape(const std::atomic<bool>* stop = nullptr) : m_pStop(stop) { }

    // Notes a report at `offset`: 1 once the run was stopped, otherwise 0.
    int Record(int offset);

    // True once the run was stopped: a long fetch may end before its next report.
    bool Stopped() const { return m_pStop && m_pStop->load(std::memory_order_relaxed); }

    const std::vector<int>& Offsets() const { return m_vecOffsets; }
    // The fetch's running position, from 0; at its end how far it moved the progress on.
    int& Position() { return m_nPosition; }
    int Advance() const { return m_nPosition; }

private:
    const std::atomic<bool>* m_pStop;
    std::vector<int> m_vecOffsets;
    int m_nPosition = 0;
};
