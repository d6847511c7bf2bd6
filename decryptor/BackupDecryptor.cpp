#include "decryptor/BackupDecryptor.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <openssl/crypto.h>

#include "decryptor/FileDecryptor.h"
#include "decryptor/Keybag.h"
#include "decryptor/ManifestPlistKeys.h"
#include "engine/UsedEntries.h"
#include "support/Platform.h"
#include "support/SafeFile.h"

namespace {

const char kSqliteMagic[] = "SQLite format 3";  // 16 bytes with its NUL
// A QByteArray holds less than 2 GB; no real manifest comes near.
const std::size_t kMaxMbdb = 0x7ffff000;

bool HasSqliteHeader(const QString& path)
{
    std::string head;
    return ReadBackupFile(QFile::encodeName(path).toStdString(), 16, &head) == 0 &&
           head == std::string(kSqliteMagic, 16);
}

void WipeKey(QByteArray& key)
{
    if (!key.isEmpty())
        OPENSSL_cleanse(key.data(), size_t(key.size()));
    key.clear();
}

// Decrypts Manifest.db into BACKUP_DIR/Manifest.db-decypted (0600), through a
// uniquely named file that replaces the old copy only once it is complete.
int DecryptManifestDb(const QString& backupDir, const CKeybag& keybag, const QByteArray& manifestKey,
                      CDecryptProgress& progress, QString* outPath)
{
    WRAPPED_FILE_KEY wrapped;
    QString error;
    if (!ParseWrappedFileKey(manifestKey, &wrapped, &error)) {
        progress.Line(QStringLiteral("Error: ManifestKey is damaged: %1").arg(error));
        return DECRYPTOR_BAD_BACKUP;
    }
    QByteArray dbKey;
    if (!keybag.UnwrapWithClass(wrapped.nClass, wrapped.wrappedKey, &dbKey, &error)) {
        progress.Line(QStringLiteral("Error: ManifestKey does not open: %1").arg(error));
        return DECRYPTOR_BAD_BACKUP;
    }

    const QString finalPath = backupDir + QLatin1Char('/') + QLatin1String(g_szDecryptedManifestName);
    QByteArray tmpl = QFile::encodeName(finalPath + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        WipeKey(dbKey);
        progress.Line(QStringLiteral("Error: cannot write the decrypted manifest beside Manifest.db"));
        return DECRYPTOR_WRITE_FAILED;
    }
    ::close(fd);
    const QString tmpPath = QFile::decodeName(tmpl);

    CFileDecryptor decryptor;
    const DECRYPT_RESULT result = decryptor.DecryptFile(backupDir + QStringLiteral("/Manifest.db"), tmpPath, dbKey);
    WipeKey(dbKey);
    if (!result.Written()) {
        ::unlink(tmpl.constData());
        progress.Line(QStringLiteral("Error: cannot decrypt Manifest.db: %1").arg(result.strMessage));
        return result.nStatus == DECRYPT_RESULT::WriteFailed ? DECRYPTOR_WRITE_FAILED : DECRYPTOR_BAD_BACKUP;
    }
    if (!HasSqliteHeader(tmpPath)) {
        ::unlink(tmpl.constData());
        progress.Line(QStringLiteral("Error: Manifest.db does not decrypt to a database"));
        return DECRYPTOR_BAD_BACKUP;
    }
    if (result.nStatus != DECRYPT_RESULT::Ok)
        progress.Line(QStringLiteral("Warning Manifest.db: %1").arg(result.strMessage));
    if (::rename(tmpl.constData(), QFile::encodeName(finalPath).constData()) != 0) {
        ::unlink(tmpl.constData());
        progress.Line(QStringLiteral("Error: cannot write the decrypted manifest beside Manifest.db"));
        return DECRYPTOR_WRITE_FAILED;
    }
    *outPath = finalPath;
    return DECRYPTOR_OK;
}

// Opens a stored file where it lies: two-character sub-folders (Manifest.db backups)
// or flat, possibly with the ".mddata" ending (Manifest.mbdb backups). The first
// place that holds something is taken, so a link or a folder there is refused, not
// passed over. Returns the descriptor, or -1 with *err (ENOENT when none holds anything).
int OpenStoredFile(const std::string& backupDir, const QString& fileId, bool manifestDb, CFileDecryptor& decryptor,
                   off_t* size, int* err)
{
    const std::string id = fileId.toStdString();
    const std::string nested = backupDir + '/' + id.substr(0, 2) + '/' + id;
    const std::string flat = backupDir + '/' + id;
    const std::string candidates[] = {
        manifestDb ? nested : flat,
        manifestDb ? flat : nested,
        flat + ".mddata",
    };
    for (const std::string& path : candidates) {
        const int fd = OpenBackupFile(path, size, err, decryptor.Folders());
        // Something that does not open may still be there (a link, a folder on the way):
        // it is this file's place only when the name leads anywhere.
        if (fd >= 0 || QFileInfo::exists(QFile::decodeName(path.c_str())))
            return fd;
    }
    *err = ENOENT;
    return -1;
}

struct WORKER_CONTEXT {
    const DECRYPTOR_OPTIONS* pOptions = nullptr;
    std::string strBackupDir; // as the file system names it
    int nWorkDir = -1;        // outputs are created inside, by their 40-digit names
    const CKeybag* pKeybag = nullptr;
    const std::vector<DECRYPT_JOB>* pJobs = nullptr;
    bool bManifestDb = true;
    CDecryptProgress* pProgress = nullptr;
    std::atomic<size_t> nNext{0};
    std::atomic<int> nWriteFailures{0};
};

// Opens the per-file key with the class its own prefix names and, should that
// disagree with the manifest's protection class and fail, with the other.
bool OpenFileKey(const CKeybag& keybag, const DECRYPT_JOB& job, QByteArray* key, QString* error)
{
    if (keybag.UnwrapWithClass(job.key.nClass, job.key.wrappedKey, key, error))
        return true;
    if (job.bHasProtectionClass && job.nProtectionClass != job.key.nClass) {
        QString second;
        if (keybag.UnwrapWithClass(job.nProtectionClass, job.key.wrappedKey, key, &second))
            return true;
    }
    return false;
}

void ProcessJob(WORKER_CONTEXT& ctx, CFileDecryptor& decryptor, const DECRYPT_JOB& job)
{
    CDecryptProgress& progress = *ctx.pProgress;
    const QString& id = job.strFileId;
    QByteArray key;
    QString error;
    if (!OpenFileKey(*ctx.pKeybag, job, &key, &error)) {
        progress.Line(QStringLiteral("Skipped %1: %2").arg(id, error));
        return;
    }
    off_t size = 0;
    int openErr = 0;
    const int in = OpenStoredFile(ctx.strBackupDir, id, ctx.bManifestDb, decryptor, &size, &openErr);
    if (in < 0 && openErr == ENOENT) {
        WipeKey(key);
        progress.Line(QStringLiteral("Skipped %1: stored file is missing").arg(id));
        return;
    }
    const DECRYPT_RESULT result = in < 0
        ? CFileDecryptor::OpenFailure(openErr)
        : decryptor.DecryptOpenFile(in, size, ctx.nWorkDir, id.toLatin1().constData(), key);
    WipeKey(key);
    if (!result.Written()) {
        if (result.nStatus == DECRYPT_RESULT::WriteFailed)
            ++ctx.nWriteFailures;
        progress.Line(QStringLiteral("Failed %1: %2").arg(id, result.strMessage));
        return;
    }
    if (result.nStatus != DECRYPT_RESULT::Ok)
        progress.Line(QStringLiteral("Warning %1: %2").arg(id, result.strMessage));
    if (job.nManifestSize >= 0 && job.nManifestSize != result.nPlainSize)
        progress.Line(QStringLiteral("Warning %1: %2 bytes decrypted, the manifest says %3 (all kept)")
                          .arg(id).arg(result.nPlainSize).arg(job.nManifestSize));
}

void WorkerLoop(WORKER_CONTEXT* ctx)
{
    CFileDecryptor decryptor(ctx->pOptions->nChunkBytes);
    const std::vector<DECRYPT_JOB>& jobs = *ctx->pJobs;
    for (;;) {
        const size_t i = ctx->nNext++;
        if (i >= jobs.size())
            return;
        ProcessJob(*ctx, decryptor, jobs[i]);
        ctx->pProgress->EntryDone();
    }
}

} // namespace

int RunBackupDecryptor(const DECRYPTOR_OPTIONS& options, const CDecryptProgress::LineSink& sink)
{
    CDecryptProgress progress(sink);
    auto fatal = [&progress](int code, const QString& text) {
        progress.Line(QStringLiteral("Error: ") + text);
        return code;
    };

    MANIFEST_PLIST_KEYS keys;
    QString error;
    if (!QFileInfo(options.strBackupDir).isDir())
        return fatal(DECRYPTOR_BAD_BACKUP, QStringLiteral("the backup folder does not exist"));
    if (!ReadManifestPlistKeys(options.strBackupDir, &keys, &error))
        return fatal(DECRYPTOR_BAD_BACKUP, error);
    if (keys.keybag.isEmpty())
        return fatal(DECRYPTOR_BAD_BACKUP, keys.bIsEncrypted ? QStringLiteral("Manifest.plist has no BackupKeyBag")
                                                             : QStringLiteral("the backup is not encrypted"));
    CKeybag keybag;
    if (!keybag.Parse(keys.keybag, &error))
        return fatal(DECRYPTOR_BAD_BACKUP, QStringLiteral("damaged keybag: ") + error);

    // The one key derivation of the run.
    switch (keybag.Unlock(options.password, &error)) {
    case CKeybag::Unlocked:
        break;
    case CKeybag::WrongPassword:
        progress.Line(DecryptorRun::WrongPasswordLine());
        return DECRYPTOR_WRONG_PASSWORD;
    case CKeybag::Unusable:
        return fatal(DECRYPTOR_BAD_BACKUP, error);
    }
    for (const auto& entry : keybag.Classes()) {
        if (entry.second.nWrap == KEYBAG_WRAP_PASSWORD && entry.second.key.isEmpty())
            progress.Line(QStringLiteral("Warning: key of protection class %1 is damaged; its files are skipped")
                              .arg(entry.first));
    }
    if (options.bCheckOnly) {
        progress.Line(DecryptorRun::CountLine(0));
        return DECRYPTOR_OK;
    }

    const QString dbPath = options.strBackupDir + QStringLiteral("/Manifest.db");
    const QString mbdbPath = options.strBackupDir + QStringLiteral("/Manifest.mbdb");
    const bool manifestDb = QFileInfo::exists(dbPath);
    if (!manifestDb && !QFileInfo::exists(mbdbPath))
        return fatal(DECRYPTOR_BAD_BACKUP, QStringLiteral("the backup has neither Manifest.db nor Manifest.mbdb"));

    if (!QmPlatform::MakePrivateDir(options.strWorkDir))
        return fatal(DECRYPTOR_WRITE_FAILED, QStringLiteral("cannot create the working folder"));

    const DecryptEntryFilter filter = options.filter ? options.filter : DecryptEntryFilter(IsEntryUsedByEngine);
    std::vector<DECRYPT_JOB> jobs;
    if (manifestDb) {
        QString readPath = dbPath;
        if (!HasSqliteHeader(dbPath)) {
            if (keys.manifestKey.isEmpty())
                return fatal(DECRYPTOR_BAD_BACKUP,
                             QStringLiteral("Manifest.db is not a database and Manifest.plist has no ManifestKey"));
            const int rc = DecryptManifestDb(options.strBackupDir, keybag, keys.manifestKey, progress, &readPath);
            if (rc != DECRYPTOR_OK)
                return rc;
        }
        if (!CollectManifestDbJobs(readPath, filter, progress, &jobs, &error))
            return fatal(DECRYPTOR_BAD_BACKUP, error);
    } else {
        std::string bytes, reason;
        if (ReadBackupFile(QFile::encodeName(mbdbPath).toStdString(), kMaxMbdb, &bytes, &reason) != 0)
            return fatal(DECRYPTOR_BAD_BACKUP,
                         QStringLiteral("cannot read Manifest.mbdb: %1").arg(QString::fromStdString(reason)));
        const QByteArray mbdb = QByteArray::fromStdString(bytes);
        bytes = std::string();
        if (!mbdb.startsWith("mbdb"))
            return fatal(DECRYPTOR_BAD_BACKUP, QStringLiteral("Manifest.mbdb has no mbdb header"));
        if (!CollectMbdbJobs(mbdb, filter, progress, &jobs, &error)) {
            // Records before the damage are still decrypted.
            progress.Line(QStringLiteral("Warning: ") + error);
        }
    }

    WORKER_CONTEXT ctx;
    ctx.pOptions = &options;
    ctx.strBackupDir = QFile::encodeName(options.strBackupDir).toStdString();
    ctx.nWorkDir = ::open(QFile::encodeName(options.strWorkDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (ctx.nWorkDir < 0)
        return fatal(DECRYPTOR_WRITE_FAILED, QStringLiteral("cannot create the working folder"));
    ctx.pKeybag = &keybag;
    ctx.pJobs = &jobs;
    ctx.bManifestDb = manifestDb;
    ctx.pProgress = &progress;
    const int threads = options.nThreads < 1 ? 1 : options.nThreads;
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i)
        workers.emplace_back(WorkerLoop, &ctx);
    WorkerLoop(&ctx);
    for (std::thread& t : workers)
        t.join();
    ::close(ctx.nWorkDir);

    if (ctx.nWriteFailures > 0)
        return fatal(DECRYPTOR_WRITE_FAILED, QStringLiteral("%1 files could not be written to the working folder")
                                                 .arg(ctx.nWriteFailures.load()));
    return DECRYPTOR_OK;
}
