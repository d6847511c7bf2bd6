#include "bench/Bench.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QElapsedTimer>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QList<BenchStep>& Steps()
{
    static QList<BenchStep> steps;
    return steps;
}

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, p, size);
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

double CpuSeconds()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

BenchRegistration::BenchRegistration(const BenchStep& step)
{
    Steps().append(step);
    std::stable_sort(Steps().begin(), Steps().end(),
                     [](const BenchStep& a, const BenchStep& b) { return a.order < b.order; });
}

const QList<BenchStep>& RegisteredBenchSteps()
{
    return Steps();
}

// The child writes: int ok, int repeats done, that many doubles, int note
// length, the note's UTF-8 bytes.
BenchMeasure MeasureInChild(const std::function<bool(const BenchContext&, QString*)>& fn,
                            const BenchContext& context, int repeats,
                            const std::function<bool(const BenchContext&, QString*)>& prepare)
{
    BenchMeasure result;
    int fds[2];
    if (pipe(fds) != 0) {
        result.note = QStringLiteral("pipe failed");
        return result;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        result.note = QStringLiteral("fork failed");
        return result;
    }
    if (child == 0) {
        close(fds[0]);
        std::vector<double> times;  // wall, cpu, wall, cpu ...
        QString note;
        int ok = !prepare || prepare(context, &note) ? 1 : 0;
        for (int i = 0; i < repeats && ok; ++i) {
            const double cpuBefore = CpuSeconds();
            QElapsedTimer timer;
            timer.start();
            ok = fn(context, &note) ? 1 : 0;
            times.push_back(double(timer.nsecsElapsed()) / 1e9);
            times.push_back(CpuSeconds() - cpuBefore);
        }
        const int count = int(times.size());
        const QByteArray text = note.toUtf8();
        const int length = int(text.size());
        WriteAll(fds[1], &ok, sizeof ok);
        WriteAll(fds[1], &count, sizeof count);
        WriteAll(fds[1], times.data(), sizeof(double) * times.size());
        WriteAll(fds[1], &length, sizeof length);
        WriteAll(fds[1], text.constData(), size_t(length));
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    int ok = 0, count = 0, length = 0;
    std::vector<double> times;
    bool read = ReadAll(fds[0], &ok, sizeof ok) && ReadAll(fds[0], &count, sizeof count) && count >= 0
        && count <= 2000;
    if (read) {
        times.resize(size_t(count));
        read = ReadAll(fds[0], times.data(), sizeof(double) * times.size())
            && ReadAll(fds[0], &length, sizeof length) && length >= 0 && length < (1 << 20);
    }
    QByteArray text;
    if (read) {
        text.resize(length);
        read = ReadAll(fds[0], text.data(), size_t(length));
    }
    close(fds[0]);
    int status = 0;
    struct rusage usage;
    memset(&usage, 0, sizeof usage);
    wait4(child, &status, 0, &usage);

    result.note = QString::fromUtf8(text);
    result.peakMegabytes = double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    if (!read || !WIFEXITED(status)) {
        result.note = QStringLiteral("the step crashed");
        return result;
    }
    result.ok = ok != 0;
    std::vector<double> wall, cpu;
    for (size_t i = 0; i + 1 < times.size(); i += 2) {
        wall.push_back(times[i]);
        cpu.push_back(times[i + 1]);
    }
    result.medianSeconds = Median(wall);
    result.medianCpuSeconds = Median(cpu);
    return result;
}
