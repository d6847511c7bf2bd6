#include "tools/sample/SampleKeybag.h"

#include "decryptor/AesKeyWrap.h"
#include "decryptor/KeyDerivation.h"
#include "decryptor/Keybag.h"

QByteArray KeybagRecord(const char* tag, const QByteArray& value)
{
    QByteArray out(tag, 4);
    const quint32 n = quint32(value.size());
    out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    out.append(value);
    return out;
}

QByteArray KeybagRecordU32(const char* tag, uint32_t value)
{
    QByteArray v;
    v.append(char(value >> 24)).append(char(value >> 16)).append(char(value >> 8)).append(char(value));
    return KeybagRecord(tag, v);
}

bool BuildSampleKeybag(const SampleKeybagPlan& plan, SampleRandom& random, SampleKeybag* out, QString* error)
{
    KEYBAG_KDF_PARAMS kdf;
    kdf.salt = random.bytes(20);
    kdf.nIterations = plan.iterations;
    kdf.bHasDoubleProtection = plan.doubleProtection;
    if (plan.doubleProtection) {
        kdf.dpSalt = random.bytes(20);
        kdf.nDpIterations = plan.dpIterations;
    }
    QByteArray kek;
    if (!DeriveKeybagKey(plan.password, kdf, &kek, error))
        return false;

    QByteArray bag;
    bag += KeybagRecordU32(KeybagTag::VERS, 4);
    bag += KeybagRecordU32(KeybagTag::TYPE, 1);
    bag += KeybagRecord(KeybagTag::UUID, random.bytes(16));
    bag += KeybagRecord(KeybagTag::HMCK, random.bytes(40));
    bag += KeybagRecordU32(KeybagTag::WRAP, 0);
    bag += KeybagRecord(KeybagTag::SALT, kdf.salt);
    bag += KeybagRecordU32(KeybagTag::ITER, kdf.nIterations);
    if (plan.doubleProtection) {
        bag += KeybagRecordU32(KeybagTag::DPWT, 1);
        bag += KeybagRecordU32(KeybagTag::DPIC, kdf.nDpIterations);
        bag += KeybagRecord(KeybagTag::DPSL, kdf.dpSalt);
    }
    for (const auto& extra : plan.extraHeaderRecords)
        bag += KeybagRecord(extra.first.leftJustified(4, ' ', true).constData(), extra.second);

    out->classKeys.clear();
    for (uint32_t cls = 1; cls <= 11; ++cls) {
        const QByteArray classKey = random.bytes(32);
        QByteArray wrapped;
        if (!AesWrapKey(kek, classKey, &wrapped)) {
            if (error)
                *error = QStringLiteral("key wrap failed");
            return false;
        }
        const bool deviceBound = plan.deviceBoundClasses.count(cls) != 0;
        bag += KeybagRecord(KeybagTag::UUID, random.bytes(16));
        bag += KeybagRecordU32(KeybagTag::CLAS, cls);
        bag += KeybagRecordU32(KeybagTag::WRAP, deviceBound ? 3 : 2);
        bag += KeybagRecordU32(KeybagTag::KTYP, 0);
        bag += KeybagRecord(KeybagTag::WPKY, wrapped);
        out->classKeys[cls] = classKey;
    }
    out->bytes = bag;
    return true;
}
