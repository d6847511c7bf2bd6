// The options and commands of quillmere-cli, each defined once: the parser, the
// usage line and the help text are all built from these definitions.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace CliOption {
const QCommandLineOption& Json();          // --json
const QCommandLineOption& PasswordStdin(); // --password-stdin
const QCommandLineOption& Root();          // --root DIR
const QCommandLineOption& Only();          // --only CATEGORY,...
const QCommandLineOption& Since();         // --since DATE
const QCommandLineOption& Until();         // --until DATE
const QCommandLineOption& SkipIdentical(); // --skip-identical
const QCommandLineOption& Format();        // --format json
}

struct CliCommand {
    const char* name;
    QStringList positional;             // the words it takes, e.g. BACKUP_DIR DEST
    const char* summary;                // one line: what it does
    QList<QCommandLineOption> options;
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

// Every command, in the order the usage lists them.
const QList<CliCommand>& CliCommands();
const CliCommand* FindCliCommand(const QString& name);

// "quillmere-cli scan   BACKUP_DIR [--password-stdin] [--json]"
QString CliSynopsis(const CliCommand& command);
// All synopses, the help forms and --version, as "usage: ..." lines.
QString CliUsage();
// One command's synopsis, summary and options.
QString CliCommandHelp(const CliCommand& command);

// Parses the words after the command's name into `parser`. Returns -1 to go on;
// otherwise the exit code after printing the command's help (0, on `out`) or the
// problem and the usage (2, on `err`).
int ParseCliCommand(const CliCommand& command, const QStringList& args, QCommandLineParser* parser,
                    QTextStream& out, QTextStream& err);
