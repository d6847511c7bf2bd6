// Encryption of sample backups. EncryptSampleBackup and EncryptSampleManifestDb
// (SampleContent.h) are the writer's hooks; the functions here let tests build
// the other generations and damaged variants.
#pragma once

#include <cstdint>
#include <set>

#include <QByteArray>
#include <QString>

#include "tools/sample/SampleBackup.h"

struct SampleEncryptPlan {
    // DPSL/DPIC key derivation (iOS 10.2 and later) or PBKDF2-SHA1 alone.
    bool doubleProtection = true;
    // Encrypt Manifest.db under ManifestKey (iOS 10.2 and later); false leaves it
    // plain as iOS 10.0/10.1 did.
    bool encryptManifestDb = true;
    uint32_t iterations = 10000;
    uint32_t dpIterations = 10000000;
    std::set<uint32_t> deviceBoundClasses;
};

// Real backups' counts: ITER 10 000, DPIC 10 000 000 (about 2 s to derive).
constexpr uint32_t kSampleRealIterations = 10000;
constexpr uint32_t kSampleRealDpIterations = 10000000;

// What EncryptSampleBackup does for these options: the generation follows the
// layout (new: iOS 10.2+, old: Manifest.mbdb with PBKDF2-SHA1); options.iterations
// is used for both counts, and a count of 0 or less means the real ones.
SampleEncryptPlan SampleEncryptPlanFor(const SampleOptions& options);

// Encrypts the model in place with `plan` and backup.options.password: each
// file's content becomes AES-256-CBC ciphertext under its own key, wrapped by its
// class key into encryptionKey; the keybag (and ManifestKey) go into Manifest.plist.
bool EncryptSampleBackupWith(SampleBackup& backup, const SampleEncryptPlan& plan, QString* error);

// AES-256-CBC, zero IV, PKCS#7: how every stored file of an encrypted backup is kept.
QByteArray SampleCbcEncrypt(const QByteArray& key, const QByteArray& plain);
