// Decryption of an encrypted backup for the commands that read one (scan, export).
#pragma once

#include <QString>
#include <QTextStream>

// Reads the password from standard input, runs the decryptor program into the working
// folder and sets *scanFolder to the folder the scan must read the backup's files from.
// Returns 0, 1 for a wrong password, 2 for any other failure (the message goes to err).
int DecryptBackupForCli(const QString& backupDir, QTextStream& err, QString* scanFolder);
