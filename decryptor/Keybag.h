// The backup keybag (Manifest.plist "BackupKeyBag"): a flat list of tag/length/value
// records. The header carries the key-derivation parameters; each class record
// carries one protection class key wrapped under the password key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include <QByteArray>
#include <QString>

#include "decryptor/KeyDerivation.h"

struct KEYBAG_CLASS_KEY {
    uint32_t nClass = 0;
    uint32_t nWrap = 0;     // bit 0: device UID key, bit 1: password key
    uint32_t nKeyType = 0;  // 0 AES, 1 Curve25519
    QByteArray wrappedKey;  // WPKY
    QByteArray key;         // filled by Unlock for classes that open with the password
};

class CKeybag {
public:
    enum UnlockResult { Unlocked, WrongPassword, Unusable };

    CKeybag() = default;
    ~CKeybag();
    CKeybag(const CKeybag&) = delete;
    CKeybag& operator=(const CKeybag&) = delete;

    // Reads the records; false with a reason for a truncated or incomplete keybag.
    bool Parse(const uint8_t* data, size_t len, QString* error);
    bool Parse(const QByteArray& data, QString* error);

    const KEYBAG_KDF_PARAMS& KdfParams() const { return m_kdf; }
    uint32_t Type() const { return m_nType; }

    // Derives the key from the password and opens every password-wrapped class key.
    UnlockResult Unlock(const QByteArray& password, QString* error);
    // Same with an already derived key-encryption key.
    UnlockResult UnlockWithKey(const QByteArray& kek, QString* error);

    bool HasClass(uint32_t nClass) const { return m_mapClasses.count(nClass) != 0; }
    // Wrapped with the device's own key: cannot be opened off the phone.
    bool IsDeviceBound(uint32_t nClass) const;
    // The 32-byte class key, or empty when the class is missing or did not open.
    QByteArray ClassKey(uint32_t nClass) const;
    // Per-file or manifest key wrapped with a class key (40 bytes -> 32 bytes).
    bool UnwrapWithClass(uint32_t nClass, const QByteArray& wrapped, QByteArray* key, QString* error) const;

    const std::map<uint32_t, KEYBAG_CLASS_KEY>& Classes() const { return m_mapClasses; }

private:
    void Clear();

    KEYBAG_KDF_PARAMS m_kdf;
    uint32_t m_nType = 0;
    std::map<uint32_t, KEYBAG_CLASS_KEY> m_mapClasses;
};

// Tag names of the records, shared with the sample generator that writes keybags.
namespace KeybagTag {
constexpr const char VERS[] = "VERS";
constexpr const char TYPE[] = "TYPE";
constexpr const char UUID[] = "UUID";
constexpr const char HMCK[] = "HMCK";
constexpr const char WRAP[] = "WRAP";
constexpr const char SALT[] = "SALT";
constexpr const char ITER[] = "ITER";
constexpr const char DPWT[] = "DPWT";
constexpr const char DPIC[] = "DPIC";
constexpr const char DPSL[] = "DPSL";
constexpr const char CLAS[] = "CLAS";
constexpr const char KTYP[] = "KTYP";
constexpr const char WPKY[] = "WPKY";
constexpr const char PBKY[] = "PBKY";
}

constexpr uint32_t KEYBAG_WRAP_DEVICE = 1;
constexpr uint32_t KEYBAG_WRAP_PASSWORD = 2;
