// Encrypted backups on the command line: the password comes from standard input,
// the decryptor program beside quillmere-cli decrypts into the working folder with
// the window's protocol ("-" and the password on its standard input, "Count:" and
// "Wrong password" lines back), and the engine then scans that folder.
// DecryptBackupForCli (cli/DecryptForCli.h) is the step the commands call.
#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

// Runs `decryptor BACKUP_DIR WORK_DIR -` (plus "CheckPasswd" when checkOnly) with
// the password on its standard input. `progress` gets each "Count:" number; other
// lines go to `message`. Returns 0 when the decryptor finished its work, 1 for a
// wrong password, 2 when it could not run or reported an error.
int RunDecryptorProcess(const QString& decryptorPath, const QString& backupDir, const QString& workDir,
                        const QByteArray& password, bool checkOnly, const std::function<void(qint64)>& progress,
                        const std::function<void(const QString&)>& message);

// One line of standard input, without its line end. False when stdin is empty.
bool ReadPasswordFromStdin(QByteArray* password);

