#include "support/Sha256.h"

#include <cerrno>
#include <unistd.h>

#include <openssl/evp.h>

namespace {
EVP_MD_CTX* Context(void* p)
{
    return static_cast<EVP_MD_CTX*>(p);
}

// Fetched once: an implicit fetch at every start costs more than hashing a small file.
const EVP_MD* Sha256()
{
    static EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return md;
}
}

CSha256::CSha256() : m_pContext(EVP_MD_CTX_new())
{
    EVP_DigestInit_ex(Context(m_pContext), Sha256(), nullptr);
}

CSha256::~CSha256()
{
    EVP_MD_CTX_free(Context(m_pContext));
}

void CSha256::Add(const void* data, std::size_t size)
{
    if (size)
        EVP_DigestUpdate(Context(m_pContext), data, size);
}

std::string CSha256::Hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(Context(m_pContext), digest, &length);
    EVP_DigestInit_ex(Context(m_pContext), Sha256(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 15]);
    }
    return hex;
}

int HashOpenFile(int fd, std::string* hex, long long* size)
{
    thread_local std::string buf(1 << 20, '\0');
    CSha256 hash;
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, &buf[0], buf.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        hash.Add(buf.data(), static_cast<std::size_t>(n));
        offset += n;
    }
    *hex = hash.Hex();
    *size = offset;
    return 0;
}
