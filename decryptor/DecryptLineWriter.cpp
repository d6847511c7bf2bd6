#include "decryptor/DecryptLineWriter.h"

#include <chrono>

namespace {

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CDecryptLineWriter::CDecryptLineWriter(FILE* out, int pauseMs, Clock clock)
    : m_pOut(out), m_nPauseMs(pauseMs), m_clock(clock ? std::move(clock) : Clock(SteadyMs))
{
    m_nLastFlush = m_clock() - m_nPauseMs;
}

CDecryptLineWriter::~CDecryptLineWriter()
{
    if (m_pOut && m_bWaiting)
        std::fflush(m_pOut);
}

void CDecryptLineWriter::Write(const QString& line)
{
    if (!m_pOut)
        return;
    const QByteArray bytes = line.toUtf8();
    std::fputs(bytes.constData(), m_pOut);
    std::fputc('\n', m_pOut);
    const int64_t now = m_clock();
    if (!line.startsWith(QLatin1String("Count: ")) || now - m_nLastFlush >= m_nPauseMs) {
        std::fflush(m_pOut);
        m_nLastFlush = now;
        m_bWaiting = false;
    } else {
        m_bWaiting = true;
    }
}
