#include "decryptor/DecryptProgress.h"

#include "engine/DecryptorRun.h"

void CDecryptProgress::EntryDone()
{
    EntriesDone(1);
}

void CDecryptProgress::EntriesDone(int64_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int64_t i = 0; i < count; ++i) {
        ++m_nDone;
        if (m_sink)
            m_sink(DecryptorRun::CountLine(m_nDone));
    }
}

void CDecryptProgress::Line(const QString& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sink)
        m_sink(text);
}

int64_t CDecryptProgress::Done() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nDone;
}
