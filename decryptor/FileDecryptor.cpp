#include "decryptor/FileDecryptor.h"

#include <algorithm>
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
    // Fetched once: looking the cipher up by name for every file costs more than
    // decrypting a small one.
    static EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
    m_bHeld = false;
    m_nCipherBytes = 0;
    m_nPlainBytes = 0;
    if (!m_pCtx || !cipher || key.size() != 32)
        return false;
    if (EVP_DecryptInit_ex(m_pCtx, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.constData()), zeroIv)
        != 1)
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
    m_writeBuffer.resize(int(chunkBytes) + 2 * kBlock);
    m_nCreationMask = ReadFileCreationMask();
}

DECRYPT_RESULT CFileDecryptor::OpenFailure(int err)
{
    DECRYPT_RESULT result;
    if (err == EINVAL) {
        result.nStatus = DECRYPT_RESULT::NotRegularFile;
        result.strMessage = QStringLiteral("stored file is not a regular file");
    } else {
        result.nStatus = DECRYPT_RESULT::OpenFailed;
        result.strMessage = QStringLiteral("cannot open stored file: %1").arg(ErrnoText(err));
    }
    return result;
}

DECRYPT_RESULT CFileDecryptor::DecryptFile(const QString& inPath, const QString& outPath, const QByteArray& key)
{
    if (key.size() != 32) {
        DECRYPT_RESULT result;
        result.nStatus = DECRYPT_RESULT::BadKey;
        result.strMessage = QStringLiteral("file key is not 32 bytes");
        return result;
    }
    // Never waits on a FIFO nor follows a link (nor a linked two-character folder).
    int openErr = 0;
    off_t size = 0;
    const int inFd = OpenBackupFile(QFile::encodeName(inPath).toStdString(), &size, &openErr, m_folders);
    if (inFd < 0)
        return OpenFailure(openErr);
    return DecryptOpenFile(inFd, size, AT_FDCWD, QFile::encodeName(outPath).constData(), key);
}

DECRYPT_RESULT CFileDecryptor::DecryptOpenFile(int inFd, off_t inSize, int outDir, const char* outName,
                                               const QByteArray& key)
{
    DECRYPT_RESULT result;
    if (!m_stream.Begin(key)) {
        ::close(inFd);
        result.nStatus = DECRYPT_RESULT::BadKey;
        result.strMessage = QStringLiteral("file key is not 32 bytes");
        return result;
    }

    // A new file is created private at once; only a name already taken (an older
    // output) is truncated and has its mode put back to private.
    const int create = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    int outFd = ::openat(outDir, outName, create | O_EXCL, 0600);
    if (outFd < 0 && errno == EEXIST) {
        outFd = ::openat(outDir, outName, create | O_TRUNC, 0600);
        if (outFd >= 0)
            ::fchmod(outFd, 0600);
    } else if (outFd >= 0 && (m_nCreationMask & 0600) != 0) {
        ::fchmod(outFd, 0600); // a mask that takes the owner's bits away
    }
    if (outFd < 0) {
        const int err = errno;
        ::close(inFd);
        result.nStatus = DECRYPT_RESULT::WriteFailed;
        result.strMessage = QStringLiteral("cannot create output: %1").arg(ErrnoText(err));
        return result;
    }

    auto* pending = reinterpret_cast<uint8_t*>(m_writeBuffer.data());
    const size_t pendingCap = size_t(m_writeBuffer.size());
    size_t pendingLen = 0;
    bool writeOk = true;
    const CCbcDecryptStream::Sink sink = [&](const uint8_t* data, size_t len) {
        if (pendingLen > 0 && pendingLen + len > pendingCap) {
            writeOk = WriteAll(outFd, pending, pendingLen);
            pendingLen = 0;
        }
        if (writeOk && pendingLen == 0 && len > pendingCap / 2) {
            writeOk = WriteAll(outFd, data, len); // large pieces go out as they are
        } else if (writeOk) {
            std::memcpy(pending + pendingLen, data, len);
            pendingLen += len;
        }
        return writeOk;
    };
    auto* buf = reinterpret_cast<uint8_t*>(m_readBuffer.data());
    const size_t cap = size_t(m_readBuffer.size());
    // The size from the open file ends the reading, so the usual last read that only
    // finds the end is saved; a file that shrank meanwhile still ends at its end.
    const qint64 size = qint64(inSize);
    while (result.nCipherSize < size) {
        const ssize_t n = ::read(inFd, buf, size_t(std::min<qint64>(qint64(cap), size - result.nCipherSize)));
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
        if (!m_stream.Update(buf, size_t(n), sink)) {
            result.nStatus = DECRYPT_RESULT::WriteFailed;
            result.strMessage = QStringLiteral("write failed: %1").arg(ErrnoText(errno));
            break;
        }
    }
    ::close(inFd);

    if (result.nStatus == DECRYPT_RESULT::Ok) {
        result.nStatus = m_stream.Finish(sink, &result.nPlainSize);
        if (result.nStatus != DECRYPT_RESULT::WriteFailed && pendingLen > 0 && !WriteAll(outFd, pending, pendingLen))
            result.nStatus = DECRYPT_RESULT::WriteFailed;
        if (result.nStatus == DECRYPT_RESULT::WriteFailed)
            result.strMessage = QStringLiteral("write failed: %1").arg(ErrnoText(errno));
    }
    // The plaintext does not stay in the buffer once written.
    if (pendingLen > 0)
        OPENSSL_cleanse(pending, pendingLen);
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
        ::unlinkat(outDir, outName, 0);
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
