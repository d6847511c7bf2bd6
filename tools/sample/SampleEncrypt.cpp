#include "tools/sample/SampleEncrypt.h"

#include <QFile>
#include <QSaveFile>

#include <openssl/evp.h>

#include "decryptor/AesKeyWrap.h"
#include "tools/sample/SampleContent.h"
#include "tools/sample/SampleKeybag.h"

namespace {

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QByteArray Le32(uint32_t v)
{
    QByteArray out;
    out.append(char(v)).append(char(v >> 8)).append(char(v >> 16)).append(char(v >> 24));
    return out;
}

// Salts and keys come from their own stream so that encrypting leaves the
// model's random sequence, and so every other part of the sample, unchanged.
constexpr quint64 kKeyStreamSalt = 0x5155494c4c4d4552ULL;

} // namespace

QByteArray SampleCbcEncrypt(const QByteArray& key, const QByteArray& plain)
{
    static const unsigned char zeroIv[16] = {};
    QByteArray out(plain.size() + 16, '\0');
    int len = 0;
    int tail = 0;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const bool ok = ctx
        && EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr,
                              reinterpret_cast<const unsigned char*>(key.constData()), zeroIv) == 1
        && EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &len,
                             reinterpret_cast<const unsigned char*>(plain.constData()), plain.size()) == 1
        && EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + len, &tail) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok || key.size() != 32)
        return QByteArray();
    out.truncate(len + tail);
    return out;
}

SampleEncryptPlan SampleEncryptPlanFor(const SampleOptions& options)
{
    SampleEncryptPlan plan;
    const bool isNew = options.layout == SampleOptions::Layout::New;
    plan.doubleProtection = isNew;
    plan.encryptManifestDb = isNew;
    if (options.iterations > 0) {
        plan.iterations = uint32_t(options.iterations);
        plan.dpIterations = uint32_t(options.iterations);
    } else {
        plan.iterations = kSampleRealIterations;
        plan.dpIterations = kSampleRealDpIterations;
    }
    return plan;
}

bool EncryptSampleBackupWith(SampleBackup& backup, const SampleEncryptPlan& plan, QString* error)
{
    if (backup.options.password.isEmpty())
        return Fail(error, QStringLiteral("an encrypted sample needs a password"));
    SampleRandom random(backup.options.seed ^ kKeyStreamSalt);

    SampleKeybagPlan bagPlan;
    bagPlan.password = backup.options.password.toUtf8();
    bagPlan.doubleProtection = plan.doubleProtection;
    bagPlan.iterations = plan.iterations;
    bagPlan.dpIterations = plan.dpIterations;
    bagPlan.deviceBoundClasses = plan.deviceBoundClasses;
    SampleKeybag bag;
    if (!BuildSampleKeybag(bagPlan, random, &bag, error))
        return false;

    for (SampleEntry& e : backup.entries) {
        if (e.flags != SampleEntry::File)
            continue;
        // Files carry one of the data-protection classes 1-4 (3 when unset).
        if (e.protectionClass < 1 || e.protectionClass > 4)
            e.protectionClass = 3;
        const QByteArray fileKey = random.bytes(32);
        QByteArray wrapped;
        if (!AesWrapKey(bag.classKeys.at(uint32_t(e.protectionClass)), fileKey, &wrapped))
            return Fail(error, QStringLiteral("key wrap failed"));
        if (e.size < 0)
            e.size = e.content.size();
        e.encryptionKey = Le32(uint32_t(e.protectionClass)) + wrapped;
        e.content = SampleCbcEncrypt(fileKey, e.content);
        if (e.content.isEmpty())
            return Fail(error, QStringLiteral("file encryption failed"));
    }

    backup.manifestPlistExtra.insert(QStringLiteral("BackupKeyBag"), bag.bytes);
    backup.manifestPlistExtra.insert(QStringLiteral("IsEncrypted"), true);
    backup.manifestPlistExtra.insert(QStringLiteral("WasPasscodeSet"), true);
    backup.manifestDbKey.clear();
    backup.manifestPlistExtra.remove(QStringLiteral("ManifestKey"));
    if (plan.encryptManifestDb && backup.options.layout == SampleOptions::Layout::New) {
        // Manifest.db is always class 4 (None) on real phones.
        backup.manifestDbKey = random.bytes(32);
        QByteArray wrapped;
        if (!AesWrapKey(bag.classKeys.at(4), backup.manifestDbKey, &wrapped))
            return Fail(error, QStringLiteral("key wrap failed"));
        backup.manifestPlistExtra.insert(QStringLiteral("ManifestKey"), Le32(4) + wrapped);
    }
    return true;
}

bool EncryptSampleBackup(SampleBackup& backup, QString* error)
{
    return EncryptSampleBackupWith(backup, SampleEncryptPlanFor(backup.options), error);
}

bool EncryptSampleManifestDb(const SampleBackup& backup, const QString& manifestDbPath, QString* error)
{
    if (backup.manifestDbKey.isEmpty())
        return true;  // older generations keep Manifest.db plain
    QFile in(manifestDbPath);
    if (!in.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("cannot read %1: %2").arg(manifestDbPath, in.errorString()));
    const QByteArray cipher = SampleCbcEncrypt(backup.manifestDbKey, in.readAll());
    in.close();
    QSaveFile out(manifestDbPath);
    if (cipher.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(cipher) != cipher.size() || !out.commit())
        return Fail(error, QStringLiteral("cannot write %1").arg(manifestDbPath));
    return true;
}
