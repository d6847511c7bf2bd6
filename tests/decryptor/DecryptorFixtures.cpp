#include "DecryptorFixtures.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include "tools/sample/SampleContent.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

SampleOptions FixtureOptions(SampleOptions::Layout layout, bool encrypted, quint64 seed)
{
    SampleOptions options;
    options.layout = layout;
    options.scale = SampleOptions::Scale::Tiny;
    options.seed = seed;
    options.iterations = 10;
    if (encrypted)
        options.password = QString::fromUtf8(kFixturePassword);
    return options;
}

QString WriteFixture(const QString& root, const SampleOptions& options)
{
    QDir().mkpath(root);
    QString dir, error;
    if (!GenerateSampleBackup(options, root, &dir, &error))
        qFatal("sample: %s", qPrintable(error));
    return dir;
}

QString WriteFixtureWith(const QString& root, const SampleOptions& options, const SampleEncryptPlan& plan)
{
    QDir().mkpath(root);
    SampleBackup backup = BuildSampleBackup(options);
    QString error;
    if (!EncryptSampleBackupWith(backup, plan, &error))
        qFatal("encrypt: %s", qPrintable(error));
    // Already encrypted: the writer must not encrypt again.
    backup.options.password.clear();
    QString dir;
    if (!WriteSampleBackup(backup, root, &dir, &error))
        qFatal("write: %s", qPrintable(error));
    if (options.layout == SampleOptions::Layout::New
        && !EncryptSampleManifestDb(backup, dir + QStringLiteral("/Manifest.db"), &error))
        qFatal("manifest: %s", qPrintable(error));
    return dir;
}

int DecryptRun::CountLines() const
{
    return Matching(QStringLiteral("Count: ")).size();
}

qint64 DecryptRun::LastCount() const
{
    const QStringList counts = Matching(QStringLiteral("Count: "));
    return counts.isEmpty() ? -1 : counts.last().mid(7).toLongLong();
}

QStringList DecryptRun::Matching(const QString& text) const
{
    QStringList out;
    for (const QString& line : lines) {
        if (line.contains(text))
            out << line;
    }
    return out;
}

DecryptRun RunDecrypt(const QString& backupDir, const QString& workDir, const QByteArray& password,
                      bool checkOnly, bool all)
{
    DecryptRun run;
    DECRYPTOR_OPTIONS options;
    options.strBackupDir = backupDir;
    options.strWorkDir = workDir;
    options.password = password;
    options.bCheckOnly = checkOnly;
    if (all)
        options.filter = [](const std::string&, const std::string&) { return true; };
    run.nExit = RunBackupDecryptor(options, [&run](const QString& line) { run.lines << line; });
    return run;
}

QMap<QString, QByteArray> FolderContents(const QString& dir)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out.insert(QDir(dir).relativeFilePath(path), f.readAll());
    }
    return out;
}

QByteArray PlainStoredFile(const QString& backupDir, const QString& fileId)
{
    for (const QString& path : { backupDir + "/" + fileId.left(2) + "/" + fileId, backupDir + "/" + fileId }) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            return f.readAll();
    }
    return QByteArray("<missing>");
}

int ManifestEntryCount(const SampleOptions& options)
{
    SampleOptions plain = options;
    plain.password.clear();
    return int(BuildSampleBackup(plain).entries.size());
}
