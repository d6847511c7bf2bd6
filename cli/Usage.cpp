#include "cli/CliCommands.h"

QString CliUsage()
{
    return QStringLiteral(
        "usage: quillmere-cli list   [--root DIR] [--json]\n"
        "       quillmere-cli scan   BACKUP_DIR [--password-stdin] [--json]\n"
        "       quillmere-cli export BACKUP_DIR DEST [--only CATEGORY,...] [--password-stdin] [--json]\n");
}
