#include "cli/EncryptedBackup.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "support/Platform.h"

namespace {

void Wipe(QByteArray& bytes)
{
    bytes.fill('\0');
    bytes.clear();
}

constexpr int kMaxPassword = 64 * 1024;
// How often a long decryption reports how far it is.
constexpr qint64 kProgressEvery = 5000;

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
    QStringList args{ backupDir, workDir, QStringLiteral("-") };
    if (checkOnly)
        args << QStringLiteral("CheckPasswd");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(decryptorPath, args);
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
        const QString text = QString::fromUtf8(raw).trimmed();
        if (text.contains(QLatin1String("Wrong password"))) {
            wrongPassword = true;
        } else if (text.contains(QLatin1String("Count:"))) {
            if (progress)
                progress(text.mid(text.indexOf(QLatin1String("Count:")) + 6).trimmed().toLongLong());
        } else if (!text.isEmpty() && message) {
            message(text);
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
    if (process.exitCode() != 0)
        return 2;
    return 0;
}

CCliDecryptedBackup::~CCliDecryptedBackup()
{
    if (!m_strWorkDir.isEmpty())
        ClearWorkFolder(m_strWorkDir);
}

void CCliDecryptedBackup::ClearWorkFolder(const QString& workDir)
{
    const QFileInfoList files = QDir(workDir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files)
        QFile::remove(file.absoluteFilePath());
}

int CCliDecryptedBackup::Decrypt(const QString& backupDir, const QString& command, QTextStream& err)
{
    QByteArray password;
    if (!ReadPasswordFromStdin(&password)) {
        err << command << ": --password-stdin: no password on standard input\n";
        err.flush();
        return 2;
    }
    const QString workDir = QmPlatform::WorkDir();
    if (!QmPlatform::MakePrivateDir(QmPlatform::AppSupportDir()) || !QmPlatform::MakePrivateDir(workDir)) {
        Wipe(password);
        err << command << ": cannot create the working folder " << workDir << "\n";
        err.flush();
        return 2;
    }
    // Files of an earlier run must not be mistaken for this backup's.
    ClearWorkFolder(workDir);
    m_strWorkDir = workDir;

    const QString decryptor = QCoreApplication::applicationDirPath() + QStringLiteral("/Quillmere");
    qint64 lastShown = 0;
    const int rc = RunDecryptorProcess(
        decryptor, backupDir, workDir, password, false,
        [&](qint64 count) {
            if (count - lastShown >= kProgressEvery) {
                lastShown = count;
                err << command << ": decrypting: " << count << " manifest entries done\n";
                err.flush();
            }
        },
        [&](const QString& text) {
            err << command << ": decryptor: " << text << "\n";
            err.flush();
        });
    Wipe(password);
    if (rc == 1) {
        err << command << ": wrong password\n";
        err.flush();
        return 1;
    }
    if (rc != 0) {
        err << command << ": the backup could not be decrypted\n";
        err.flush();
        return 2;
    }
    return 0;
}
