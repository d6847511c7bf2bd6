// Deterministic random source of the generator: the same seed gives the same
// sequence on every platform and compiler (no std:: distributions involved).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class SampleRandom {
public:
    explicit SampleRandom(quint64 seed = 1);

    quint64 next();
    // Uniform in [low, high], both included.
    qint64 range(qint64 low, qint64 high);
    // True with the given probability (0..1).
    bool chance(double probability);
    QByteArray bytes(int count);
    // `count` lower-case hex digits.
    QString hex(int count);
    // `count` characters of A-Z and 0-9.
    QString alnum(int count);
    const QString& pick(const QStringList& list);

private:
    quint64 m_state;
};
