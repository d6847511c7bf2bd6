// quillmere-cli: list, scan and export backups without a window.
#include <QCoreApplication>
#include <QTextStream>

#include "cli/CliOptions.h"
#include "support/Version.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    const QString first = args.value(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        (first == QLatin1String("help") && args.size() == 1)) {
        out << CliUsage();
        return 0;
    }
    if (first == QLatin1String("--version")) {
        out << "quillmere-cli " << QuillmereVersion() << "\n";
        return 0;
    }
    if (first == QLatin1String("help")) {
        if (const CliCommand* command = FindCliCommand(args.at(1))) {
            out << CliCommandHelp(*command);
            return 0;
        }
        err << "quillmere-cli: no command " << args.at(1) << "\n" << CliUsage();
        return 2;
    }
    if (const CliCommand* command = FindCliCommand(first))
        return command->run(args.mid(1), out, err);
    if (first.startsWith(QLatin1Char('-')))
        err << "quillmere-cli: unknown option " << first << "\n";
    else if (!first.isEmpty())
        err << "quillmere-cli: unknown command " << first << "\n";
    err << CliUsage();
    return 2;
}
