#include "decryptor/Keybag.h"

#include <cstring>

#include <openssl/crypto.h>

#include "decryptor/AesKeyWrap.h"

namespace {

uint32_t ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

bool TagIs(const uint8_t* tag, const char* name)
{
    return std::memcmp(tag, name, 4) == 0;
}

// Tags are four ASCII letters; anything else is shown as hex so that a damaged
// keybag never puts control bytes into a message.
QString TagText(const uint8_t* tag)
{
    for (int i = 0; i < 4; ++i) {
        if (tag[i] < 0x20 || tag[i] > 0x7e)
            return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(tag), 4).toHex());
    }
    return QString::fromLatin1(reinterpret_cast<const char*>(tag), 4);
}

void Wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

} // namespace

CKeybag::~CKeybag()
{
    Clear();
}

void CKeybag::Clear()
{
    for (auto& entry : m_mapClasses)
        Wipe(entry.second.key);
    m_mapClasses.clear();
    m_kdf = KEYBAG_KDF_PARAMS();
    m_nType = 0;
}

bool CKeybag::Parse(const QByteArray& data, QString* error)
{
    return Parse(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), error);
}

bool CKeybag::Parse(const uint8_t* data, size_t len, QString* error)
{
    auto fail = [this, error](const QString& text) {
        Clear();
        if (error)
            *error = text;
        return false;
    };
    Clear();
    if (!data || len == 0)
        return fail(QStringLiteral("keybag is empty"));

    bool seenUuid = false;
    bool seenHeaderWrap = false;
    bool inClass = false;
    bool hasSalt = false, hasIter = false, hasDpic = false, hasDpsl = false;
    KEYBAG_CLASS_KEY current;
    bool currentHasClass = false;
    std::map<uint32_t, KEYBAG_CLASS_KEY> classes;

    auto finishClass = [&]() {
        if (!inClass)
            return;
        // A record without a class number or wrapped key opens nothing; leave it out.
        if (currentHasClass && !current.wrappedKey.isEmpty())
            classes[current.nClass] = current;
        current = KEYBAG_CLASS_KEY();
        currentHasClass = false;
    };

    size_t pos = 0;
    while (pos < len) {
        if (len - pos < 8)
            return fail(QStringLiteral("keybag is truncated at offset %1").arg(pos));
        const uint8_t* tag = data + pos;
        const uint32_t valueLen = ReadBe32(data + pos + 4);
        if (valueLen > len - pos - 8)
            return fail(QStringLiteral("keybag record %1 at offset %2 runs past the end").arg(TagText(tag)).arg(pos));
        const uint8_t* value = data + pos + 8;
        const bool isU32 = valueLen == 4;
        const uint32_t u32 = isU32 ? ReadBe32(value) : 0;
        const QByteArray bytes(reinterpret_cast<const char*>(value), int(valueLen));
        pos += 8 + valueLen;

        if (TagIs(tag, KeybagTag::UUID)) {
            // The first UUID names the keybag; every later one opens a class record.
            if (seenUuid) {
                finishClass();
                inClass = true;
            }
            seenUuid = true;
            continue;
        }
        if (!inClass) {
            if (TagIs(tag, KeybagTag::TYPE) && isU32) {
                m_nType = u32 & 0x3FFFFFFF;
            } else if (TagIs(tag, KeybagTag::WRAP) && !seenHeaderWrap) {
                seenHeaderWrap = true;
            } else if (TagIs(tag, KeybagTag::SALT)) {
                m_kdf.salt = bytes;
                hasSalt = true;
            } else if (TagIs(tag, KeybagTag::ITER)) {
                if (!isU32)
                    return fail(QStringLiteral("keybag ITER is not a 4-byte number"));
                m_kdf.nIterations = u32;
                hasIter = true;
            } else if (TagIs(tag, KeybagTag::DPSL)) {
                m_kdf.dpSalt = bytes;
                hasDpsl = true;
            } else if (TagIs(tag, KeybagTag::DPIC)) {
                if (!isU32)
                    return fail(QStringLiteral("keybag DPIC is not a 4-byte number"));
                m_kdf.nDpIterations = u32;
                hasDpic = true;
            }
            // VERS, HMCK, DPWT and unknown tags carry nothing the decryption needs.
            continue;
        }
        if (TagIs(tag, KeybagTag::CLAS) && isU32) {
            current.nClass = u32 & 0xF;
            currentHasClass = true;
        } else if (TagIs(tag, KeybagTag::WRAP) && isU32) {
            current.nWrap = u32;
        } else if (TagIs(tag, KeybagTag::KTYP) && isU32) {
            current.nKeyType = u32;
        } else if (TagIs(tag, KeybagTag::WPKY)) {
            current.wrappedKey = bytes;
        }
    }
    finishClass();

    if (!hasSalt || !hasIter)
        return fail(QStringLiteral("keybag has no SALT or ITER record"));
    if (m_kdf.salt.isEmpty() || m_kdf.nIterations == 0)
        return fail(QStringLiteral("keybag has an empty SALT or a zero ITER"));
    if (hasDpic != hasDpsl)
        return fail(QStringLiteral("keybag has only one of DPSL and DPIC"));
    m_kdf.bHasDoubleProtection = hasDpic && hasDpsl;
    if (m_kdf.bHasDoubleProtection && (m_kdf.dpSalt.isEmpty() || m_kdf.nDpIterations == 0))
        return fail(QStringLiteral("keybag has an empty DPSL or a zero DPIC"));
    if (classes.empty())
        return fail(QStringLiteral("keybag holds no class keys"));
    m_mapClasses.swap(classes);
    return true;
}

bool CKeybag::IsDeviceBound(uint32_t nClass) const
{
    auto it = m_mapClasses.find(nClass);
    return it != m_mapClasses.end() && (it->second.nWrap & KEYBAG_WRAP_DEVICE) != 0;
}

QByteArray CKeybag::ClassKey(uint32_t nClass) const
{
    auto it = m_mapClasses.find(nClass);
    return it == m_mapClasses.end() ? QByteArray() : it->second.key;
}

CKeybag::UnlockResult CKeybag::Unlock(const QByteArray& password, QString* error)
{
    QByteArray kek;
    if (!DeriveKeybagKey(password, m_kdf, &kek, error))
        return Unusable;
    const UnlockResult result = UnlockWithKey(kek, error);
    Wipe(kek);
    return result;
}

CKeybag::UnlockResult CKeybag::UnlockWithKey(const QByteArray& kek, QString* error)
{
    int candidates = 0;
    int opened = 0;
    for (auto& entry : m_mapClasses) {
        KEYBAG_CLASS_KEY& cls = entry.second;
        Wipe(cls.key);
        // Only keys wrapped with the password alone can be opened here; a device
        // layer (WRAP bit 0) needs the phone's UID key.
        if (cls.nWrap != KEYBAG_WRAP_PASSWORD)
            continue;
        ++candidates;
        QByteArray key;
        if (AesUnwrapKey(kek, cls.wrappedKey, &key)) {
            cls.key = key;
            Wipe(key);
            ++opened;
        }
    }
    if (candidates == 0) {
        if (error)
            *error = QStringLiteral("keybag holds no class key that a password opens");
        return Unusable;
    }
    // A wrong password fails every integrity check; a right one passes them all,
    // so a mix means damaged records (their files are skipped later).
    if (opened == 0) {
        if (error)
            *error = QStringLiteral("Wrong password");
        return WrongPassword;
    }
    return Unlocked;
}

bool CKeybag::UnwrapWithClass(uint32_t nClass, const QByteArray& wrapped, QByteArray* key, QString* error) const
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    auto it = m_mapClasses.find(nClass);
    if (it == m_mapClasses.end())
        return fail(QStringLiteral("protection class %1 is not in the keybag").arg(nClass));
    if (it->second.nWrap & KEYBAG_WRAP_DEVICE)
        return fail(QStringLiteral("protection class %1 is bound to the device").arg(nClass));
    if (it->second.key.isEmpty())
        return fail(QStringLiteral("key of protection class %1 did not open").arg(nClass));
    if (it->second.nKeyType != 0)
        return fail(QStringLiteral("protection class %1 uses an unsupported key type").arg(nClass));
    if (wrapped.size() != 40)
        return fail(QStringLiteral("wrapped key has %1 bytes instead of 40").arg(wrapped.size()));
    if (!AesUnwrapKey(it->second.key, wrapped, key))
        return fail(QStringLiteral("wrapped key does not open with protection class %1").arg(nClass));
    return true;
}
