#include "decryptor/FileDecryptor.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "support/SafeFile.h"

namespace {

constexpr int kBlock = 16;

QString ErrnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool WriteAll(int fd, const uint8_t* data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        len -= size_t(n);
    }
    return true;
}

} // namespace

CCbcDecryptStream::CCbcDecryptStream()
    : m_pCtx(EVP_CIPHER_CTX_new())
{
}

CCbcDecryptStream::~CCbcDecryptStream()
{
    if (!m_buffer.isEmpty())
        OPENSSL_cleanse(m_buffer.data(), size_t(m_buffer.size()));
    EVP_CIPHER_CTX_free(m_pCtx);
}

bool CCbcDecryptStream::Begin(const QByteArray& key)
{
    static const unsigned char zeroIv[kBlock] = {};
    m_bHeld = false;
    m_nCipherBytes = 0;
    m_nPlainBytes = 0;
    if (!m_pCtx || key.size() != 32)
        return false;
    if (EVP_DecryptInit_ex(m_pCtx, EVP_aes_256_cbc(), nullptr,
                           reinterpret_cast<const unsigned char*>(key.constData()), zeroIv) != 1)
        return false;
    // Padding is checked by hand so that a bad pad can be reported and kept.
    EVP_CIPHER_CTX_set_padding(m_pCtx, 0);
    return true;
}

bool CCbcDecryptStream::Update(const uint8_t* data, size_t len, const Sink& sink)
{
    while (len > 0) {
        // Bounded pieces keep the buffer (and the int lengths OpenSSL takes) small.
        const size_t piece = len < (size_t(1) << 24) ? len : (size_t(1) << 24);
        const int need = int(piece) + 2 * kBlock;
        if (m_buffer.size() < need)
            m_buffer.resize(need);
        auto* buf = reinterpret_cast<unsigned char*>(m_buffer.data());
        int outLen = 0;
        if (EVP_DecryptUpdate(m_pCtx, buf + kBlock, &outLen, data, int(piece)) != 1)
            return false;
        m_nCipherBytes += qint64(piece);
        data += piece;
        len -= piece;
        if (outLen == 0)
            continue;
        // Everything but the newest block can go out now.
        const unsigned char* start = m_bHeld ? buf : buf + kBlock;
        const size_t ready = size_t(outLen) + (m_bHeld ? kBlock : 0) - kBlock;
        if (ready > 0 && !sink(start, ready))
            return false;
        m_nPlainBytes += qint64(ready);
        std::memmove(buf, buf + kBlock + outLen - kBlock, kBlock);
        m_bHeld = true;
    }
    return true;
}

DECRYPT_RESULT::Status CCbcDecryptStream::Finish(const Sink& sink, qint64* plainSize)
{
    DECRYPT_RESULT::Status status = DECRYPT_RESULT::Ok;
    unsigned char tail[kBlock];
    int tailLen = 0;
    // Without padding the final call only fails on a partial last block.
    if (EVP_DecryptFinal_ex(m_pCtx, tail, &tailLen) != 1)
        status = DECRYPT_RESULT::PartialBlock;
    if (m_nCipherBytes == 0)
        status = DECRYPT_RESULT::EmptyInput;

    if (m_bHeld) {
        const auto* last = reinterpret_cast<const unsigned char*>(m_buffer.constData());
        int keep = kBlock;
        const int pad = last[kBlock - 1];
        bool padOk = pad >= 1 && pad <= kBlock;
        for (int i = kBlock - pad; padOk && i < kBlock; ++i)
            padOk = last[i] == pad;
        if (padOk)
            keep = kBlock - pad;
        else if (status == DECRYPT_RESULT::Ok)
            status = DECRYPT_RESULT::BadPadding;
        if (keep > 0 && !sink(last, size_t(keep)))
            return DECRYPT_RESULT::WriteFailed;
        m_nPlainBytes += keep;
        m_bHeld = false;
    } else if (status == DECRYPT_RESULT::Ok) {
        status = DECRYPT_RESULT::BadPadding;  // not even one block
    }
    if (plainSize)
        *plainSize = m_nPlainBytes;
    return status;
}

CFileDecryptor::CFileDecryptor(size_t chunkBytes)
{
    if (chunkBytes < 4096)
        chunkBytes = 4096;
    m_readBuffer.resize(int(chunkBytes));
}

DECRYPT_RESULT CFileDecryptor::DecryptFile(const QString& inPath, const QString& outPath, const QByteArray& key)
{
    DECRYPT_RESULT result;
    CCbcDecryptStream stream;
    if (!stream.Begin(key)) {
        result.nStatus = DECRYPT_RESULT::BadKey;
        result.strMessage = QStringLiteral("file key is not 32 bytes");
        return result;
    }

    const QByteArray in = QFile::encodeName(inPath);
    // Never waits on a FIFO nor follows a link (nor a linked two-character folder).
    int openErr = 0;
    const int inFd = OpenBackupFile(in.toStdString(), nullptr, &openErr, m_folders);
    if (inFd < 0 && openErr == EINVAL) {
        result.nStatus = DECRYPT_RESULT::NotRegularFile;
        result.strMessage = QStringLiteral("stored file is not a regular file");
        return result;
    }
    if (inFd < 0) {
        result.nStatus = DECRYPT_RESULT::OpenFailed;
        result.strMessage = QStringLiteral("cannot open stored file: %1").arg(ErrnoText(openErr));
        return result;
    }

    const QByteArray out = QFile::encodeName(outPath);
    const int outFd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (outFd < 0) {
        const int err = errno;
        ::close(inFd);
        result.nStatus = DECRYPT_RESULT::WriteFailed;
        result.strMessage = QStringLiteral("cannot create output: %1").arg(ErrnoText(err));
        return result;
    }
    ::fchmod(outFd, 0600);  // an older file of the same name may have had other bits

    bool writeOk = true;
    const CCbcDecryptStream::Sink sink = [&](const uint8_t* data, size_t len) {
        writeOk = WriteAll(outFd, data, len);
        return writeOk;
    };
    auto* buf = reinterpret_cast<uint8_t*>(m_readBuffer.data());
    const size_t cap = size_t(m_readBuffer.size());
    for (;;) {
        const ssize_t n = ::read(inFd, buf, cap);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.nStatus = DECRYPT_RESULT::ReadFailed;
            result.strMessage = QStringLiteral("read failed: %1").arg(ErrnoText(errno));
            break;
        }
        if (n == 0)
            break;
        result.nCipherSize += n;
        if (!stream.Update(buf, size_t(n), sink)) {
            result.nStatus = DECRYPT_RESULT::WriteFailed;
            result.strMessage = QStringLiteral("write failed: %1").arg(ErrnoText(errno));
            break;
        }
    }
    ::close(inFd);

    if (result.nStatus == DECRYPT_RESULT::Ok) {
        result.nStatus = stream.Finish(sink, &result.nPlainSize);
        if (result.nStatus == DECRYPT_RESULT::WriteFailed)
            result.strMessage = QStringLiteral("write failed: %1").arg(ErrnoText(errno));
    }
    if (::close(outFd) != 0 && result.Written()) {
        result.nStatus = DECRYPT_RESULT::WriteFailed;
        result.strMessage = QStringLiteral("write failed: %1").arg(ErrnoText(errno));
    }
    switch (result.nStatus) {
    case DECRYPT_RESULT::BadPadding:
        result.strMessage = QStringLiteral("bad padding, last block kept undecoded");
        break;
    case DECRYPT_RESULT::PartialBlock:
        result.strMessage = QStringLiteral("length %1 is not a multiple of 16, trailing %2 bytes dropped")
                                .arg(result.nCipherSize).arg(result.nCipherSize % kBlock);
        break;
    case DECRYPT_RESULT::EmptyInput:
        result.strMessage = QStringLiteral("stored file is empty");
        break;
    default:
        break;
    }
    if (!result.Written())
        ::unlink(out.constData());
    return result;
}

DECRYPT_RESULT CFileDecryptor::DecryptBuffer(const uint8_t* data, size_t len, const QByteArray& key, QByteArray* out)
{
    DECRYPT_RESULT result;
    CCbcDecryptStream stream;
    if (!out || !stream.Begin(key)) {
        result.nStatus = DECRYPT_RESULT::BadKey;
        result.strMessage = QStringLiteral("key is not 32 bytes");
        return result;
    }
    out->clear();
    if (len > size_t(INT32_MAX) - 32) {
        result.nStatus = DECRYPT_RESULT::ReadFailed;
        result.strMessage = QStringLiteral("buffer too large");
        return result;
    }
    out->reserve(int(len));
    const CCbcDecryptStream::Sink sink = [out](const uint8_t* p, size_t n) {
        out->append(reinterpret_cast<const char*>(p), int(n));
        return true;
    };
    result.nCipherSize = qint64(len);
    if (len > 0 && data && !stream.Update(data, len, sink)) {
        result.nStatus = DECRYPT_RESULT::ReadFailed;
        result.strMessage = QStringLiteral("decryption failed");
        return result;
    }
    result.nStatus = stream.Finish(sink, &result.nPlainSize);
    return result;
}
