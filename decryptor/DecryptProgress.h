// The decryptor's output lines. "Count: N" after every manifest entry that is done
// (decrypted or passed over); other lines name a stored file by its validated
// 40-digit name only, never by a name taken from the backup, so nothing in a
// backup can forge a "Count:" or "Wrong password" line.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include <QString>

class CDecryptProgress {
public:
    using LineSink = std::function<void(const QString& line)>;

    explicit CDecryptProgress(LineSink sink) : m_sink(std::move(sink)) {}

    // One more entry done: prints "Count: N".
    void EntryDone();
    // Several entries passed over at once (one line each).
    void EntriesDone(int64_t count);
    void Line(const QString& text);
    int64_t Done() const;

private:
    LineSink m_sink;
    mutable std::mutex m_mutex;
    int64_t m_nDone = 0;
};
