// Reads a backup's manifest into the list of stored files to decrypt. Entries the
// engine never reads, directories and symbolic links are counted as done at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

#include "decryptor/DecryptProgress.h"
#include "decryptor/FileKeyBlob.h"

struct DECRYPT_JOB {
    QString strFileId;            // 40 hex digits, as the manifest gives it
    WRAPPED_FILE_KEY key;
    bool bHasProtectionClass = false;
    uint32_t nProtectionClass = 0;
    qint64 nManifestSize = -1;    // only for a warning; never used to cut the output
};

using DecryptEntryFilter = std::function<bool(const std::string& name, const std::string& fileId)>;

// True for exactly 40 hexadecimal digits: the only stored names ever joined into a path.
bool IsStoredFileId(const QString& fileId);
bool IsStoredFileId(const std::string& fileId);

// Rows of the Files table of a (decrypted or plain) Manifest.db.
bool CollectManifestDbJobs(const QString& dbPath, const DecryptEntryFilter& filter, CDecryptProgress& progress,
                           std::vector<DECRYPT_JOB>* jobs, QString* error);

// Records of Manifest.mbdb; the stored name is the SHA-1 of domain-path.
bool CollectMbdbJobs(const QByteArray& mbdb, const DecryptEntryFilter& filter, CDecryptProgress& progress,
                     std::vector<DECRYPT_JOB>* jobs, QString* error);
