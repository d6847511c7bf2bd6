#include "decryptor/DecryptJobs.h"

#include <memory>

#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>

#include "engine/MbdbRecords.h"
#include "support/BackupRows.h"
#include "support/SafeFile.h"

namespace {

constexpr int kFlagFile = 1;

bool IsHexDigit(unsigned u)
{
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

} // namespace

bool IsStoredFileId(const QString& fileId)
{
    if (fileId.size() != 40)
        return false;
    for (QChar c : fileId) {
        if (!IsHexDigit(c.unicode()))
            return false;
    }
    return true;
}

bool IsStoredFileId(const std::string& fileId)
{
    if (fileId.size() != 40)
        return false;
    for (char c : fileId) {
        if (!IsHexDigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool CollectManifestDbJobs(const QString& dbPath, const DecryptEntryFilter& filter, CDecryptProgress& progress,
                           std::vector<DECRYPT_JOB>* jobs, QString* error)
{
    // Rows straight from SQLite: the manifest has one row per entry, hundreds of
    // thousands, and nothing here needs Qt's per-value conversions.
    auto rows = std::make_unique<CBackupRows>(
        dbPath, QStringLiteral("SELECT fileID, domain, relativePath, flags, file FROM Files"));
    if (!rows->IsReady())
        rows = std::make_unique<CBackupRows>(
            dbPath, QStringLiteral("SELECT fileID, domain, relativePath, NULL, file FROM Files"));
    if (!rows->IsReady()) {
        if (error) {
            const int fd = OpenBackupFile(QFile::encodeName(dbPath).toStdString(), nullptr, nullptr);
            if (fd >= 0)
                ::close(fd);
            *error = fd < 0 ? QStringLiteral("cannot open the manifest database")
                            : QStringLiteral("manifest database has no readable Files table");
        }
        return false;
    }
    int64_t row = 0;
    while (rows->Next()) {
        ++row;
        if (rows->IsNull(1)) {
            // Rows of some iOS 10 backups carry nothing but flags.
            progress.EntryDone();
            continue;
        }
        const bool flagsKnown = !rows->IsNull(3);
        if (flagsKnown && rows->Int(3) != kFlagFile) {
            progress.EntryDone();
            continue;
        }
        const std::string fileId = rows->Text(0);
        const std::string domain = rows->Text(1);
        const std::string path = rows->Text(2);
        const std::string name = path.empty() ? domain : domain + '-' + path;
        if (!IsStoredFileId(fileId)) {
            progress.Line(QStringLiteral("Skipped manifest row %1: stored name is not 40 hex digits").arg(row));
            progress.EntryDone();
            continue;
        }
        if (filter && !filter(name, fileId)) {
            progress.EntryDone();
            continue;
        }
        const QString id = QString::fromLatin1(fileId.data(), int(fileId.size()));
        MBFILE_INFO info;
        QString blobError;
        if (!ParseMbFileBlob(rows->Bytes(4), &info, &blobError)) {
            progress.Line(QStringLiteral("Skipped %1: %2").arg(id, blobError));
            progress.EntryDone();
            continue;
        }
        if (!flagsKnown && (info.nMode & 0xE000) != 0x8000) {
            progress.EntryDone();
            continue;
        }
        if (!info.bHasKey) {
            progress.Line(QStringLiteral("Skipped %1: no encryption key in the manifest").arg(id));
            progress.EntryDone();
            continue;
        }
        DECRYPT_JOB job;
        job.strFileId = id;
        job.key = info.key;
        job.bHasProtectionClass = info.bHasProtectionClass;
        job.nProtectionClass = info.nProtectionClass;
        job.nManifestSize = info.nSize;
        jobs->push_back(job);
    }
    return true;
}

bool CollectMbdbJobs(const QByteArray& mbdb, const DecryptEntryFilter& filter, CDecryptProgress& progress,
                     std::vector<DECRYPT_JOB>* jobs, QString* error)
{
    const auto visit = [&](const MBDB_RECORD& record) {
        if (record.IsDirectory() || record.IsSymlink() || record.strDomain.empty()) {
            progress.EntryDone();
            return;
        }
        const std::string name = record.strDomain + "-" + record.strPath;
        const QString fileId = QString::fromLatin1(
            QCryptographicHash::hash(QByteArray::fromStdString(name), QCryptographicHash::Sha1).toHex());
        if (filter && !filter(name, fileId.toStdString())) {
            progress.EntryDone();
            return;
        }
        if (record.encryptionKey.isEmpty()) {
            progress.Line(QStringLiteral("Skipped %1: no encryption key in the manifest").arg(fileId));
            progress.EntryDone();
            return;
        }
        DECRYPT_JOB job;
        QString keyError;
        if (!ParseWrappedFileKey(record.encryptionKey, &job.key, &keyError)) {
            progress.Line(QStringLiteral("Skipped %1: %2").arg(fileId, keyError));
            progress.EntryDone();
            return;
        }
        job.strFileId = fileId;
        job.bHasProtectionClass = true;
        job.nProtectionClass = record.nProtectionClass;
        job.nManifestSize = qint64(record.nSize);
        jobs->push_back(job);
    };
    return ReadMbdbRecords(reinterpret_cast<const uint8_t*>(mbdb.constData()), size_t(mbdb.size()), visit, error);
}
