#include "cli/EncryptedBackup.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QFile>
#include <QProcess>
#include <QTextStream>

#include "engine/DecryptorRun.h"
#include "support/Platform.h"
#include "support/WorkFolder.h"

namespace {

void Wipe(QByteArray& bytes)
{
    bytes.fill('\0');
    bytes.clear();
}

constexpr int kMaxPassword = 64 * 1024;
// How often a long decryption reports how far it is.
constexpr qint64 kProgressEvery = 5000;

// The working folder to clear when the command ends (set by the first decryption).
std::string& WorkFolderToClear()
{
    static std::string s_strWorkDir;
    return s_strWorkDir;
}

void ClearAtExit()
{
    WorkFolder::Clear(WorkFolderToClear().c_str());
}

} // namespace

bool ReadPasswordFromStdin(QByteArray* password)
{
    password->clear();
    bool any = false;
    int c;
    while ((c = std::fgetc(stdin)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (password->size() < kMaxPassword)
            password->append(char(c));
    }
    if (password->endsWith('\r'))
        password->chop(1);
    return any;
}

int RunDecryptorProcess(const QString& decryptorPath, const QString& backupDir, const QString& workDir,
                        const QByteArray& password, bool checkOnly, const std::function<void(qint64)>& progress,
                        const std::function<void(const QString&)>& message)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(decryptorPath, DecryptorRun::Arguments(backupDir, workDir, checkOnly));
    if (!process.waitForStarted(30000)) {
        if (message)
            message(QStringLiteral("cannot start the decryptor %1: %2").arg(decryptorPath, process.errorString()));
        return 2;
    }
    QByteArray line = password + '\n';
    process.write(line);
    Wipe(line);
    process.closeWriteChannel();

    bool wrongPassword = false;
    auto handle = [&](const QByteArray& raw) {
        qint64 count = 0;
        switch (DecryptorRun::ClassifyLine(raw, &count)) {
        case DecryptorRun::LINE_WRONG_PASSWORD:
            wrongPassword = true;
            break;
        case DecryptorRun::LINE_COUNT:
            if (progress)
                progress(count);
            break;
        case DecryptorRun::LINE_OTHER: {
            const QString text = QString::fromUtf8(raw).trimmed();
            if (!text.isEmpty() && message)
                message(text);
            break;
        }
        }
    };
    // Lines are handled as they arrive, so progress is live on long runs.
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(200);
        while (process.canReadLine())
            handle(process.readLine());
    }
    process.waitForFinished(-1);
    while (process.canReadLine())
        handle(process.readLine());
    const QByteArray rest = process.readAll();
    if (!rest.isEmpty())
        handle(rest);

    if (wrongPassword)
        return 1;
    if (process.exitStatus() != QProcess::NormalExit) {
        if (message)
            message(QStringLiteral("the decryptor stopped unexpectedly"));
        return 2;
    }
    return process.exitCode() == DECRYPTOR_OK ? 0 : 2;
}

int DecryptBackupForCli(const QString& backupDir, QTextStream& err, QString* scanFolder)
{
    QByteArray password;
    if (!ReadPasswordFromStdin(&password)) {
        err << "quillmere-cli: --password-stdin: no password on standard input\n";
        err.flush();
        return 2;
    }
    const QString workDir = QmPlatform::WorkDir();
    if (!WorkFolder::Prepare()) {
        Wipe(password);
        err << "quillmere-cli: cannot create the working folder " << workDir << "\n";
        err.flush();
        return 2;
    }
    // Files of an earlier run must not be mistaken for this backup's, and the
    // decrypted files must not outlive the command.
    WorkFolder::Clear(workDir);
    if (WorkFolderToClear().empty()) {
        WorkFolderToClear() = QFile::encodeName(workDir).toStdString();
        std::atexit(ClearAtExit);
    }

    const QString decryptor = QmPlatform::DecryptorProgram();
    qint64 lastShown = 0;
    const int rc = RunDecryptorProcess(
        decryptor, backupDir, workDir, password, false,
        [&](qint64 count) {
            if (count - lastShown >= kProgressEvery) {
                lastShown = count;
                err << "quillmere-cli: decrypting: " << count << " manifest entries done\n";
                err.flush();
            }
        },
        [&](const QString& text) {
            err << "quillmere-cli: decryptor: " << text << "\n";
            err.flush();
        });
    Wipe(password);
    if (rc == 1) {
        err << "quillmere-cli: wrong password\n";
        err.flush();
        return 1;
    }
    if (rc != 0) {
        err << "quillmere-cli: the backup could not be decrypted\n";
        err.flush();
        return 2;
    }
    if (scanFolder)
        *scanFolder = workDir;
    return 0;
}
