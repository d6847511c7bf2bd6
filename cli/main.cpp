// quillmere-cli: list, scan and export backups without a window.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/CliCommands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const QStringList&, QTextStream&, QTextStream&);
};

const Command kCommands[] = {
    {"list", RunListCommand},
    {"scan", RunScanCommand},
    {"export", RunExportCommand},
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty()) {
        for (const Command& command : kCommands) {
            if (args.first() == QLatin1String(command.name))
                return command.run(args.mid(1), out, err);
        }
        err << "quillmere-cli: unknown command " << args.first() << "\n";
    }
    err << CliUsage();
    return 2;
}
