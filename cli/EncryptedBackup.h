// Encrypted backups on the command line: the password comes from standard input,
// the decryptor program beside quillmere-cli decrypts into the working folder with
// the window's protocol ("-" and the password on its standard input, "Count:" and
// "Wrong password" lines back), and the engine then scans that folder.
#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QTextStream>

// The step the commands that read a backup (scan, export) call: reads the password
// from standard input, runs the decryptor program into the working folder and sets
// *scanFolder to the folder the scan must read the backup's files from.
// Returns 0, 1 for a wrong password, 2 for any other failure (the message goes to err).
int DecryptBackupForCli(const QString& backupDir, QTextStream& err, QString* scanFolder);

// Runs `decryptor BACKUP_DIR WORK_DIR -` (plus "CheckPasswd" when checkOnly) with
// the password on its standard input. `progress` gets each "Count:" number; other
// lines go to `message`. Returns 0 when the decryptor finished its work, 1 for a
// wrong password, 2 when it could not run or reported an error.
int RunDecryptorProcess(const QString& decryptorPath, const QString& backupDir, const QString& workDir,
                        const QByteArray& password, bool checkOnly, const std::function<void(qint64)>& progress,
                        const std::function<void(const QString&)>& message);

// One line of standard input, without its line end. False when stdin is empty.
bool ReadPasswordFromStdin(QByteArray* password);

