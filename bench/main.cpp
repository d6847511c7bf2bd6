// quillmere-bench [--dir DIR] [--only WORD,...] [--regenerate] [--repeats N]
// Runs the registered steps (bench/*.cpp) and prints, per step, the median
// wall time, the peak memory and the ratio to a reference where there is one.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "bench/Bench.h"
#include "support/Version.h"
#include "tools/sample/SampleBackup.h"

namespace {

QString LargeBackupPath(const QString& root, SampleOptions::Layout layout)
{
    SampleOptions options;
    options.layout = layout;
    options.scale = SampleOptions::Scale::Large;
    options.seed = 1;
    // The folder's name comes from the device, which the seed fixes first.
    return QDir(root).absoluteFilePath(SampleBackup(options).device.targetIdentifier);
}

} // namespace

int main(int argc, char** argv)
{
    if (AnswerVersion(argc, argv, "quillmere-bench"))
        return 0;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    BenchContext context;
    context.workDir = QDir::tempPath() + QStringLiteral("/quillmere-bench");
    QStringList only;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--dir") && i + 1 < args.size()) {
            context.workDir = args.at(++i);
        } else if (a == QLatin1String("--only") && i + 1 < args.size()) {
            only = args.at(++i).split(QLatin1Char(','), Qt::SkipEmptyParts);
        } else if (a == QLatin1String("--regenerate")) {
            context.regenerate = true;
        } else if (a == QLatin1String("--repeats") && i + 1 < args.size()) {
            context.repeats = qMax(1, args.at(++i).toInt());
        } else {
            fprintf(stderr, "usage: quillmere-bench [--dir DIR] [--only WORD,...] [--regenerate] [--repeats N]\n");
            return 2;
        }
    }
    context.workDir = QDir(context.workDir).absolutePath();
    QDir().mkpath(context.workDir + QStringLiteral("/new"));
    QDir().mkpath(context.workDir + QStringLiteral("/old"));
    context.largeNewBackup = LargeBackupPath(context.workDir + QStringLiteral("/new"), SampleOptions::Layout::New);
    context.largeOldBackup = LargeBackupPath(context.workDir + QStringLiteral("/old"), SampleOptions::Layout::Old);

    printf("%-40s %9s %9s %10s %9s %7s  %s\n", "step", "median s", "cpu s", "target", "peak MB", "ratio", "note");
    int failures = 0;
    for (const BenchStep& step : RegisteredBenchSteps()) {
        if (!only.isEmpty()) {
            bool wanted = false;
            for (const QString& word : only)
                wanted = wanted || step.name.contains(word, Qt::CaseInsensitive);
            if (!wanted)
                continue;
        }
        if (step.skipReason) {
            const QString reason = step.skipReason(context);
            if (!reason.isEmpty()) {
                printf("%-40s %9s %9s %10s %9s %7s  %s\n", qPrintable(step.name), "-", "-",
                       qPrintable(step.target), "-", "-", qPrintable(reason));
                fflush(stdout);
                continue;
            }
        }
        const int repeats = step.repeats > 0 ? step.repeats : context.repeats;
        const BenchMeasure m = MeasureInChild(step.run, context, repeats);
        QString ratio = QStringLiteral("-");
        QString note = m.note;
        if (m.ok && step.reference) {
            const BenchMeasure r = MeasureInChild(step.reference, context, repeats, step.prepareReference);
            if (r.ok && r.medianSeconds > 0)
                ratio = QString::number(m.medianSeconds / r.medianSeconds, 'f', 2);
            note += QStringLiteral("; reference %1 s").arg(r.medianSeconds, 0, 'f', 3);
            if (!r.note.isEmpty())
                note += QStringLiteral(" (%1)").arg(r.note);
        }
        if (!m.ok) {
            ++failures;
            note = QStringLiteral("FAILED: ") + note;
        }
        printf("%-40s %9.3f %9.3f %10s %9.1f %7s  %s\n", qPrintable(step.name), m.medianSeconds,
               m.medianCpuSeconds, qPrintable(step.target), m.peakMegabytes, qPrintable(ratio), qPrintable(note));
        fflush(stdout);
    }
    return failures ? 1 : 0;
}
