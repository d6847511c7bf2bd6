// The decryptor program's writer of its output lines. A run over a large backup
// says "Count: N" once per manifest entry, hundreds of thousands of times; a reader
// needs only the newest to show its progress. Count lines therefore wait in the
// stream's buffer and go out together at most every `pauseMs`; any other line goes
// out at once, after the counts before it. Every line is written, in order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include <QString>

class CDecryptLineWriter {
public:
    // Milliseconds on a steady clock.
    using Clock = std::function<int64_t()>;

    explicit CDecryptLineWriter(FILE* out, int pauseMs = 50, Clock clock = Clock());
    // Writes out what still waits.
    ~CDecryptLineWriter();
    CDecryptLineWriter(const CDecryptLineWriter&) = delete;
    CDecryptLineWriter& operator=(const CDecryptLineWriter&) = delete;

    void Write(const QString& line);

private:
    FILE* m_pOut;
    int m_nPauseMs;
    Clock m_clock;
    int64_t m_nLastFlush = 0;
    bool m_bWaiting = false;
};
