#include "engine/ProgressTape.h"

int CProgressTape::Record(int offset)
{
    m_vecOffsets.push_back(offset);
    return Stopped() ? 1 : 0;
}
