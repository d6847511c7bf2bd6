#include "engine/ProgressTape.h"

int CProgressTape::Record(int offset)
{
    m_vecOffsets.push_back(offset);
    return m_pStop && m_pStop->load(std::memory_order_relaxed) ? 1 : 0;
}
