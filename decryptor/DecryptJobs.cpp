#include "decryptor/DecryptJobs.h"

#include <atomic>

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include "engine/MbdbRecords.h"
#include "support/BackupDatabase.h"

namespace {

constexpr int kFlagFile = 1;

} // namespace

bool IsStoredFileId(const QString& fileId)
{
    if (fileId.size() != 40)
        return false;
    for (QChar c : fileId) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

bool CollectManifestDbJobs(const QString& dbPath, const DecryptEntryFilter& filter, CDecryptProgress& progress,
                           std::vector<DECRYPT_JOB>* jobs, QString* error)
{
    static std::atomic<int> s_nConnection{0};
    const QString connName = QStringLiteral("quillmere_decryptor_manifest_%1").arg(s_nConnection++);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connName);
        if (!OpenBackupDatabase(db, dbPath)) {
            ok = false;
            if (error)
                *error = QStringLiteral("cannot open the manifest database");
        } else {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            bool hasFlags = query.exec(QStringLiteral("SELECT fileID, domain, relativePath, flags, file FROM Files"));
            if (!hasFlags && !query.exec(QStringLiteral("SELECT fileID, domain, relativePath, NULL, file FROM Files"))) {
                ok = false;
                if (error)
                    *error = QStringLiteral("manifest database has no readable Files table");
            }
            int64_t row = 0;
            while (ok && query.next()) {
                ++row;
                const QVariant idValue = query.value(0);
                const QVariant domainValue = query.value(1);
                const QString fileId = idValue.toString();
                if (domainValue.isNull()) {
                    // Rows of some iOS 10 backups carry nothing but flags.
                    progress.EntryDone();
                    continue;
                }
                const QVariant flagsValue = query.value(3);
                const bool flagsKnown = !flagsValue.isNull();
                const int flags = flagsValue.toInt();
                if (flagsKnown && flags != kFlagFile) {
                    progress.EntryDone();
                    continue;
                }
                const QString domain = domainValue.toString();
                const QString path = query.value(2).toString();
                const std::string name = (path.isEmpty() ? domain : domain + QLatin1Char('-') + path).toStdString();
                if (!IsStoredFileId(fileId)) {
                    progress.Line(QStringLiteral("Skipped manifest row %1: stored name is not 40 hex digits").arg(row));
                    progress.EntryDone();
                    continue;
                }
                if (filter && !filter(name, fileId.toStdString())) {
                    progress.EntryDone();
                    continue;
                }
                MBFILE_INFO info;
                QString blobError;
                if (!ParseMbFileBlob(query.value(4).toByteArray(), &info, &blobError)) {
                    progress.Line(QStringLiteral("Skipped %1: %2").arg(fileId, blobError));
                    progress.EntryDone();
                    continue;
                }
                if (!flagsKnown && (info.nMode & 0xE000) != 0x8000) {
                    progress.EntryDone();
                    continue;
                }
                if (!info.bHasKey) {
                    progress.Line(QStringLiteral("Skipped %1: no encryption key in the manifest").arg(fileId));
                    progress.EntryDone();
                    continue;
                }
                DECRYPT_JOB job;
                job.strFileId = fileId;
                job.key = info.key;
                job.bHasProtectionClass = info.bHasProtectionClass;
                job.nProtectionClass = info.nProtectionClass;
                job.nManifestSize = info.nSize;
                jobs->push_back(job);
            }
            query.finish();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connName);
    return ok;
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
