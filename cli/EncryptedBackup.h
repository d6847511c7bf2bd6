// Encrypted backups on the command line: the password comes from standard input,
// the decryptor program beside quillmere-cli decrypts into the working folder with
// the window's protocol ("-" and the password on its standard input, "Count:" and
// "Wrong password" lines back), and the engine then scans that folder.
#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QTextStream>

// Runs `decryptor BACKUP_DIR WORK_DIR -` (plus "CheckPasswd" when checkOnly) with
// the password on its standard input. `progress` gets each "Count:" number; other
// lines go to `message`. Returns 0 when the decryptor finished its work, 1 for a
// wrong password, 2 when it could not run or reported an error.
int RunDecryptorProcess(const QString& decryptorPath, const QString& backupDir, const QString& workDir,
                        const QByteArray& password, bool checkOnly, const std::function<void(qint64)>& progress,
                        const std::function<void(const QString&)>& message);

// One line of standard input, without its line end.
bool ReadPasswordFromStdin(QByteArray* password);

// Decrypts one backup for a command and clears the working folder when it goes.
class CCliDecryptedBackup {
public:
    CCliDecryptedBackup() = default;
    ~CCliDecryptedBackup();
    CCliDecryptedBackup(const CCliDecryptedBackup&) = delete;
    CCliDecryptedBackup& operator=(const CCliDecryptedBackup&) = delete;

    // Reads the password from standard input and decrypts `backupDir` into the
    // working folder. Returns the command's exit code on failure (1 wrong password,
    // 2 other), 0 when ScanFolder() is ready. `command` prefixes messages.
    int Decrypt(const QString& backupDir, const QString& command, QTextStream& err);
    // The folder to hand to CIphoneBackupFile::Scan: empty until decrypted.
    QString ScanFolder() const { return m_strWorkDir; }

    // Deletes the files directly inside the working folder (as the engine clears it).
    static void ClearWorkFolder(const QString& workDir);

private:
    QString m_strWorkDir;
};
