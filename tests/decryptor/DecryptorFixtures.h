// Sample backups and decryptor runs shared by the decryptor's tests.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include "decryptor/BackupDecryptor.h"
#include "tools/sample/SampleEncrypt.h"
#include "tools/sample/SampleOptions.h"

constexpr char kFixturePassword[] = "s3cret pässword";

SampleOptions FixtureOptions(SampleOptions::Layout layout, bool encrypted, quint64 seed = 7);
// Writes the sample under root; returns the backup folder or fails the test.
QString WriteFixture(const QString& root, const SampleOptions& options);
// Writes an encrypted sample with an explicit generation/variant.
QString WriteFixtureWith(const QString& root, const SampleOptions& options, const SampleEncryptPlan& plan);

struct DecryptRun {
    int nExit = -1;
    QStringList lines;
    int CountLines() const;
    qint64 LastCount() const;
    QStringList Matching(const QString& text) const;
};
// Runs the decryptor in-process. `all` decrypts every file, not only those the engine reads.
DecryptRun RunDecrypt(const QString& backupDir, const QString& workDir, const QByteArray& password,
                      bool checkOnly, bool all = false);

// Every regular file under a folder (relative path -> contents).
QMap<QString, QByteArray> FolderContents(const QString& dir);
// Stored file of a plain backup by its stored name, in either layout.
QByteArray PlainStoredFile(const QString& backupDir, const QString& fileId);
// Number of Files rows / mbdb records.
int ManifestEntryCount(const SampleOptions& options);
