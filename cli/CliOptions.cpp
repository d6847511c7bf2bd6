#include "cli/CliOptions.h"

#include "cli/CliCommands.h"

namespace {
const int kNameColumn = 6; // "export" is the longest command name

const QCommandLineOption& HelpOption()
{
    static const QCommandLineOption option({QStringLiteral("h"), QStringLiteral("help")},
                                           QStringLiteral("Show this help."));
    return option;
}

QString OptionWord(const QCommandLineOption& option)
{
    // The long name: the help forms list "-h" beside it separately.
    QString word = QStringLiteral("--") + option.names().last();
    if (!option.valueName().isEmpty())
        word += QLatin1Char(' ') + option.valueName();
    return word;
}
}

namespace CliOption {
const QCommandLineOption& Json()
{
    static const QCommandLineOption option(QStringLiteral("json"),
                                           QStringLiteral("Write one JSON document on standard output."));
    return option;
}

const QCommandLineOption& PasswordStdin()
{
    static const QCommandLineOption option(
        QStringLiteral("password-stdin"),
        QStringLiteral("Read the password of an encrypted backup from the first line of standard input."));
    return option;
}

const QCommandLineOption& Root()
{
    static const QCommandLineOption option(QStringLiteral("root"),
                                           QStringLiteral("List the backups in DIR instead of the backup root."),
                                           QStringLiteral("DIR"));
    return option;
}

const QCommandLineOption& Only()
{
    static const QCommandLineOption option(
        QStringLiteral("only"),
        QStringLiteral("Export only these categories: camera_roll, photo_stream, app_photos, app_videos, messages, "
                       "message_attachments, contacts, call_history, notes, whatsapp_chats, whatsapp_attachments."),
        QStringLiteral("CATEGORY,..."));
    return option;
}

const QCommandLineOption& Since()
{
    static const QCommandLineOption option(
        QStringLiteral("since"),
        QStringLiteral("Export only what is dated on or after this day (YYYY-MM-DD, local time): media by their "
                       "modification time, messages, calls and notes by their own dates."),
        QStringLiteral("DATE"));
    return option;
}

const QCommandLineOption& Until()
{
    static const QCommandLineOption option(
        QStringLiteral("until"), QStringLiteral("Export only what is dated on or before this day (YYYY-MM-DD, local time)."),
        QStringLiteral("DATE"));
    return option;
}

const QCommandLineOption& SkipIdentical()
{
    static const QCommandLineOption option(
        QStringLiteral("skip-identical"),
        QStringLiteral("Do not copy a file whose identical copy (same size and SHA-256) is already at its place "
                       "in DEST, instead of writing name(1).ext beside it."));
    return option;
}

const QCommandLineOption& Format()
{
    static const QCommandLineOption option(
        QStringLiteral("format"),
        QStringLiteral("With json, also write every conversation and the contacts, calls and notes as JSON files "
                       "beside the usual reports."),
        QStringLiteral("json"));
    return option;
}
}

const QList<CliCommand>& CliCommands()
{
    static const QList<CliCommand> commands = {
        {"list", {}, "List the backups in the backup root.", {CliOption::Root(), CliOption::Json()}, RunListCommand},
        {"scan", {QStringLiteral("BACKUP_DIR")}, "Describe one backup and count what each category holds.",
         {CliOption::PasswordStdin(), CliOption::Json()}, RunScanCommand},
        {"export", {QStringLiteral("BACKUP_DIR"), QStringLiteral("DEST")},
         "Write what the backup holds into DEST, as the window's recovery does.",
         {CliOption::Only(), CliOption::Since(), CliOption::Until(), CliOption::SkipIdentical(), CliOption::Format(),
          CliOption::PasswordStdin(), CliOption::Json()},
         RunExportCommand},
        {"verify", {QStringLiteral("MANIFEST_JSON")},
         "Check that every file a manifest lists is still in its folder, whole and unchanged (exit 0), "
         "or name those missing or changed (exit 1).",
         {CliOption::Json()}, RunVerifyCommand},
    };
    return commands;
}

const CliCommand* FindCliCommand(const QString& name)
{
    for (const CliCommand& command : CliCommands()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString CliSynopsis(const CliCommand& command)
{
    QString line = QStringLiteral("quillmere-cli ") + QString::fromLatin1(command.name).leftJustified(kNameColumn);
    for (const QString& word : command.positional)
        line += QLatin1Char(' ') + word;
    for (const QCommandLineOption& option : command.options)
        line += QStringLiteral(" [") + OptionWord(option) + QLatin1Char(']');
    return line;
}

QString CliUsage()
{
    QString text;
    for (const CliCommand& command : CliCommands())
        text += (text.isEmpty() ? QStringLiteral("usage: ") : QStringLiteral("       ")) + CliSynopsis(command) + "\n";
    text += QStringLiteral("       quillmere-cli --help | -h | help [COMMAND]\n"
                           "       quillmere-cli --version\n");
    return text;
}

QString CliCommandHelp(const CliCommand& command)
{
    QString text = QStringLiteral("usage: ") + CliSynopsis(command) + "\n\n" + QString::fromLatin1(command.summary) + "\n";
    QList<QCommandLineOption> options = command.options;
    options << HelpOption();
    text += "\noptions:\n";
    for (const QCommandLineOption& option : options) {
        QString word = OptionWord(option);
        if (option.names().size() > 1)
            word = QStringLiteral("-") + option.names().first() + QStringLiteral(", ") + word;
        text += QStringLiteral("  ") + word + "\n      " + option.description() + "\n";
    }
    return text;
}

int ParseCliCommand(const CliCommand& command, const QStringList& args, QCommandLineParser* parser,
                    QTextStream& out, QTextStream& err)
{
    parser->addOptions(command.options);
    parser->addOption(HelpOption());
    QString problem;
    if (!parser->parse(QStringList{QString::fromLatin1(command.name)} + args)) {
        problem = parser->errorText();
    } else if (parser->isSet(HelpOption())) {
        out << CliCommandHelp(command);
        out.flush();
        return 0;
    } else if (parser->positionalArguments().size() > command.positional.size()) {
        problem = QStringLiteral("unexpected argument ") + parser->positionalArguments().value(command.positional.size());
    } else if (parser->positionalArguments().size() < command.positional.size()) {
        problem = command.positional.join(QLatin1Char(' ')) + QStringLiteral(" expected");
    }
    if (problem.isEmpty())
        return -1;
    err << "quillmere-cli " << command.name << ": " << problem << "\n" << CliUsage();
    err.flush();
    return 2;
}
