// quillmere-sample DEST [--layout new|old] [--password P --iterations N]
//                       [--scale tiny|small|large] [--seed S] [--binary-info]
//                       [--hostile]
// Writes one sample backup folder under DEST and prints its path.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "support/Version.h"
#include "tools/sample/SampleGenerator.h"

namespace {

int Usage(const QString& problem)
{
    if (!problem.isEmpty())
        fprintf(stderr, "quillmere-sample: %s\n", qPrintable(problem));
    fprintf(stderr,
            "usage: quillmere-sample DEST [--layout new|old] [--password P --iterations N]\n"
            "                        [--scale tiny|small|large] [--seed S] [--binary-info]\n"
            "                        [--hostile]\n"
            "  --hostile  a backup built to break its reader (links, FIFOs, damaged\n"
            "             databases, names that leave their folder)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (AnswerVersion(argc, argv, "quillmere-sample"))
        return 0;
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    SampleOptions options;
    // Without --iterations an encrypted sample gets the real counts (0 asks for them).
    options.iterations = 0;
    QString dest;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--layout")) {
            if (!hasValue || !ParseSampleLayout(args.at(++i), &options.layout))
                return Usage(QStringLiteral("--layout takes new or old"));
        } else if (a == QLatin1String("--scale")) {
            if (!hasValue || !ParseSampleScale(args.at(++i), &options.scale))
                return Usage(QStringLiteral("--scale takes tiny, small or large"));
        } else if (a == QLatin1String("--password")) {
            if (!hasValue)
                return Usage(QStringLiteral("--password takes a value"));
            options.password = args.at(++i);
            if (options.password.isEmpty())
                return Usage(QStringLiteral("the password must not be empty"));
        } else if (a == QLatin1String("--iterations")) {
            bool ok = false;
            options.iterations = hasValue ? args.at(++i).toInt(&ok) : 0;
            if (!ok || options.iterations < 1)
                return Usage(QStringLiteral("--iterations takes a positive number"));
        } else if (a == QLatin1String("--seed")) {
            bool ok = false;
            options.seed = hasValue ? args.at(++i).toULongLong(&ok) : 0;
            if (!ok)
                return Usage(QStringLiteral("--seed takes a number"));
        } else if (a == QLatin1String("--binary-info")) {
            options.binaryInfo = true;
        } else if (a == QLatin1String("--hostile")) {
            options.hostile = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return Usage(QStringLiteral("unknown option %1").arg(a));
        } else if (dest.isEmpty()) {
            dest = a;
        } else {
            return Usage(QStringLiteral("one destination only"));
        }
    }
    if (dest.isEmpty())
        return Usage(QString());

    QString backupDir;
    QString error;
    if (!GenerateSampleBackup(options, dest, &backupDir, &error)) {
        fprintf(stderr, "quillmere-sample: %s\n", qPrintable(error));
        return 1;
    }
    printf("%s\n", qPrintable(backupDir));
    return 0;
}
