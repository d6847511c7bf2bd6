// The commands of quillmere-cli. Each takes the arguments after its own name
// and writes results to `out` (JSON with --json) and messages to `err`.
// Exit codes: 0 done, 1 some items failed or wrong password, 2 bad arguments
// or not a backup.
#pragma once

#include <QStringList>
#include <QTextStream>

// list [--root DIR] [--json]
int RunListCommand(const QStringList& args, QTextStream& out, QTextStream& err);
// scan BACKUP_DIR [--password-stdin] [--json]
int RunScanCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// export BACKUP_DIR DEST [--only CATEGORY,...] [--since DATE] [--until DATE] [--skip-identical]
//        [--format json] [--password-stdin] [--json]
int RunExportCommand(const QStringList& args, QTextStream& out, QTextStream& err);
// verify MANIFEST_JSON [--json]
int RunVerifyCommand(const QStringList& args, QTextStream& out, QTextStream& err);
