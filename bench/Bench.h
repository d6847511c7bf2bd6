// The benchmark program's steps. A step is registered from any bench/*.cpp
// with a static BenchRegistration; the program runs the steps in `order`,
// each in a child process (so its peak memory is its own), `repeats` times,
// and prints the median wall and CPU time, the peak memory and, when the step names
// a reference, the ratio to the reference measured the same way.
#pragma once

#include <functional>

#include <QString>
#include <QStringList>

struct BenchContext {
    QString workDir;        // everything the bench writes lives here
    QString largeNewBackup; // the large sample, Manifest.db layout
    QString largeOldBackup; // the large sample, Manifest.mbdb layout
    bool regenerate = false;
    int repeats = 5;
};

struct BenchStep {
    int order = 0;
    QString name;
    QString target;  // the goal, as text ("<= 0.4 s")
    // Runs once per repeat in the child; returns false to report a failure.
    std::function<bool(const BenchContext&, QString* note)> run;
    // Optional: measured the same way; the report shows run / reference.
    std::function<bool(const BenchContext&, QString* note)> reference;
    // Optional: decides in the parent whether to run at all (e.g. reuse a
    // sample already generated); a returned text is printed instead.
    std::function<QString(const BenchContext&)> skipReason;
    int repeats = 0;  // 0: the program's repeat count
    // Optional: run once, untimed, in the reference's child before its repeats
    // (e.g. to learn what the reference is to do).
    std::function<bool(const BenchContext&, QString* note)> prepareReference;
};

struct BenchRegistration {
    explicit BenchRegistration(const BenchStep& step);
};

const QList<BenchStep>& RegisteredBenchSteps();

// Measurement of one function in a child process.
struct BenchMeasure {
    bool ok = false;
    QString note;
    double medianSeconds = 0;
    double medianCpuSeconds = 0;  // user + system: wall time suffers on a loaded machine
    double peakMegabytes = 0;
};
// `prepare`, when given, runs first and is not timed; its failure fails the measure.
BenchMeasure MeasureInChild(const std::function<bool(const BenchContext&, QString*)>& fn,
                            const BenchContext& context, int repeats,
                            const std::function<bool(const BenchContext&, QString*)>& prepare = nullptr);
