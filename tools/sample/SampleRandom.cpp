#include "tools/sample/SampleRandom.h"

SampleRandom::SampleRandom(quint64 seed)
    : m_state(seed)
{
}

// splitmix64: tiny, fast, and fixed by its definition.
quint64 SampleRandom::next()
{
    quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

qint64 SampleRandom::range(qint64 low, qint64 high)
{
    if (high <= low)
        return low;
    const quint64 span = quint64(high - low) + 1;
    return low + qint64(next() % span);
}

bool SampleRandom::chance(double probability)
{
    return double(next() >> 11) / double(1ULL << 53) < probability;
}

QByteArray SampleRandom::bytes(int count)
{
    QByteArray out(count, '\0');
    for (int i = 0; i < count; i += 8) {
        quint64 v = next();
        for (int j = 0; j < 8 && i + j < count; ++j, v >>= 8)
            out[i + j] = char(v & 0xff);
    }
    return out;
}

QString SampleRandom::hex(int count)
{
    static const char digits[] = "0123456789abcdef";
    QString out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(QLatin1Char(digits[next() & 15]));
    return out;
}

QString SampleRandom::alnum(int count)
{
    static const char chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(QLatin1Char(chars[next() % 36]));
    return out;
}

const QString& SampleRandom::pick(const QStringList& list)
{
    static const QString empty;
    if (list.isEmpty())
        return empty;
    return list.at(int(next() % quint64(list.size())));
}
