// Decryption: key derivation against `openssl kdf` at the same counts, AES
// throughput from the page cache, memory for a 2 GiB file, and a whole run of
// the decryptor over the large encrypted sample.
#include <chrono>

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <openssl/evp.h>

#include "bench/Bench.h"
#include "decryptor/BackupDecryptor.h"
#include "decryptor/FileDecryptor.h"
#include "decryptor/KeyDerivation.h"
#include "engine/DecryptorRun.h"
#include "tools/sample/SampleEncrypt.h"
#include "tools/sample/SampleGenerator.h"

namespace {

constexpr qint64 kBigFile = qint64(2) << 30;
const QByteArray kFileKey(32, '\x2a');
const char kPassword[] = "bench password";

QString BigCipherPath(const BenchContext& c)
{
    return c.workDir + QStringLiteral("/decrypt/big-2GiB.cipher");
}

QString EncryptedSamplePath(const BenchContext& c)
{
    return c.workDir + QStringLiteral("/decrypt/encrypted-large");
}

// Writes kBigFile bytes of AES-256-CBC ciphertext (with its pad block) once.
QString EnsureBigCipher(const BenchContext& c)
{
    const QString path = BigCipherPath(c);
    if (!c.regenerate && QFileInfo(path).size() == kBigFile + 16)
        return QString();
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("cannot write %1").arg(path);
    static const unsigned char zeroIv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char*>(kFileKey.constData()),
                       zeroIv);
    QByteArray plain(1 << 20, '\0');
    QByteArray cipher(plain.size() + 16, '\0');
    for (int i = 0; i < plain.size(); ++i)
        plain[i] = char(i * 7);
    bool ok = true;
    for (qint64 done = 0; ok && done < kBigFile; done += plain.size()) {
        int len = 0;
        ok = EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(cipher.data()), &len,
                               reinterpret_cast<const unsigned char*>(plain.constData()), plain.size()) == 1
            && out.write(cipher.constData(), len) == len;
    }
    int len = 0;
    ok = ok && EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(cipher.data()), &len) == 1
        && out.write(cipher.constData(), len) == len;
    EVP_CIPHER_CTX_free(ctx);
    return ok ? QString() : QStringLiteral("writing %1 failed").arg(path);
}

bool OpensslKdf(const QString& digest, const QString& salt, uint32_t iterations, QString* note)
{
    QProcess p;
    p.start(QStringLiteral("openssl"),
            { QStringLiteral("kdf"), QStringLiteral("-keylen"), QStringLiteral("32"), QStringLiteral("-kdfopt"),
              QStringLiteral("digest:") + digest, QStringLiteral("-kdfopt"), QStringLiteral("pass:") + kPassword,
              QStringLiteral("-kdfopt"), QStringLiteral("salt:") + salt, QStringLiteral("-kdfopt"),
              QStringLiteral("iter:%1").arg(iterations), QStringLiteral("PBKDF2") });
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        *note = QStringLiteral("openssl kdf failed");
        return false;
    }
    return true;
}

BenchRegistration keyDerivation({
    60, QStringLiteral("decrypt: key derivation (DPIC 10 000 000, ITER 10 000)"),
    QStringLiteral("within 10 % of openssl kdf"),
    [](const BenchContext&, QString* note) {
        KEYBAG_KDF_PARAMS params;
        params.salt = "saltsaltsaltsaltsalt";
        params.nIterations = kSampleRealIterations;
        params.bHasDoubleProtection = true;
        params.dpSalt = "dpsldpsldpsldpsldpsl";
        params.nDpIterations = kSampleRealDpIterations;
        QByteArray kek;
        return DeriveKeybagKey(kPassword, params, &kek, note);
    },
    [](const BenchContext&, QString* note) {
        // The same two stages through the command-line tool.
        return OpensslKdf(QStringLiteral("SHA256"), QStringLiteral("dpsldpsldpsldpsldpsl"), kSampleRealDpIterations, note)
            && OpensslKdf(QStringLiteral("SHA1"), QStringLiteral("saltsaltsaltsaltsalt"), kSampleRealIterations, note);
    },
    nullptr, 0, nullptr,
});

BenchRegistration aesThroughput({
    61, QStringLiteral("decrypt: AES-256-CBC of a 2 GiB file from cache"), QStringLiteral(">= 1 GB/s"),
    [](const BenchContext& c, QString* note) {
        const auto start = std::chrono::steady_clock::now();
        const int fd = ::open(QFile::encodeName(BigCipherPath(c)).constData(), O_RDONLY);
        if (fd < 0)
            return false;
        CCbcDecryptStream stream;
        stream.Begin(kFileKey);
        QByteArray buffer(1 << 20, '\0');
        const CCbcDecryptStream::Sink discard = [](const uint8_t*, size_t) { return true; };
        ssize_t n;
        while ((n = ::read(fd, buffer.data(), size_t(buffer.size()))) > 0)
            stream.Update(reinterpret_cast<const uint8_t*>(buffer.constData()), size_t(n), discard);
        ::close(fd);
        qint64 plain = 0;
        const bool ok = stream.Finish(discard, &plain) == DECRYPT_RESULT::Ok && plain == kBigFile;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        *note = QStringLiteral("%1 GB/s").arg(double(kBigFile) / 1e9 / seconds, 0, 'f', 2);
        return ok;
    },
    nullptr,
    [](const BenchContext& c) {
        // Prepared here, in the parent, so no repeat pays for it.
        const QString problem = EnsureBigCipher(c);
        if (!problem.isEmpty())
            return problem;
        QFile warm(BigCipherPath(c));
        if (warm.open(QIODevice::ReadOnly)) {
            while (!warm.read(1 << 20).isEmpty()) {
            }
        }
        return QString();
    },
    0, nullptr,
});

BenchRegistration bigFileMemory({
    62, QStringLiteral("decrypt: 2 GiB stored file to disk (peak memory)"), QStringLiteral("<= 100 MB"),
    [](const BenchContext& c, QString* note) {
        const QString out = c.workDir + QStringLiteral("/decrypt/big.plain");
        CFileDecryptor decryptor;
        const DECRYPT_RESULT r = decryptor.DecryptFile(BigCipherPath(c), out, kFileKey);
        QFile::remove(out);
        *note = r.strMessage;
        return r.nStatus == DECRYPT_RESULT::Ok && r.nPlainSize == kBigFile;
    },
    nullptr,
    [](const BenchContext& c) { return EnsureBigCipher(c); },
    3, nullptr,
});

BenchRegistration wholeSample({
    63, QStringLiteral("decrypt: large encrypted sample, whole decryptor run"), QStringLiteral("(figure)"),
    [](const BenchContext& c, QString* note) {
        const QString work = c.workDir + QStringLiteral("/decrypt/work");
        QDir(work).removeRecursively();
        DECRYPTOR_OPTIONS options;
        options.strBackupDir = QDir(EncryptedSamplePath(c)).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)
                                   .value(0).absoluteFilePath();
        options.strWorkDir = work;
        options.password = kPassword;
        qint64 counts = 0;
        int others = 0;
        const int rc = RunBackupDecryptor(options, [&](const QString& line) {
            if (DecryptorRun::ClassifyLine(line.toUtf8(), nullptr) == DecryptorRun::LINE_COUNT)
                ++counts;
            else
                ++others;
        });
        *note = QStringLiteral("%1 entries, %2 files decrypted, %3 other lines")
                    .arg(counts).arg(QDir(work).entryList(QDir::Files).size()).arg(others);
        return rc == DECRYPTOR_OK;
    },
    nullptr,
    [](const BenchContext& c) {
        const QString root = EncryptedSamplePath(c);
        if (!c.regenerate && !QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            return QString();
        QDir(root).removeRecursively();
        QDir().mkpath(root);
        SampleOptions options;
        options.scale = SampleOptions::Scale::Large;
        options.seed = 1;
        options.password = QString::fromLatin1(kPassword);
        options.iterations = 1000;
        QString dir, error;
        return GenerateSampleBackup(options, root, &dir, &error) ? QString() : error;
    },
    3, nullptr,
});

} // namespace
