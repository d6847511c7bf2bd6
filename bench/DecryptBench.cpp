// Decryption: key derivation against `openssl kdf` at the same counts, AES
// throughput from the page cache, memory for a 2 GiB file, and a whole run of
// the decryptor over the large encrypted sample, and the decryptor program against
// `cp -r` of the same stored files.
#include <algorithm>
#include <chrono>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
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

QString EncryptedBackupDir(const BenchContext& c)
{
    return QDir(EncryptedSamplePath(c)).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot).value(0).absoluteFilePath();
}

QString EnsureEncryptedSample(const BenchContext& c)
{
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
}

// Outputs of the program and of cp, one fresh folder per repeat (removing one would be timed).
QString RunsPath(const BenchContext& c)
{
    return c.workDir + QStringLiteral("/decrypt/runs");
}

QString FreshRunFolder(const BenchContext& c, const char* what)
{
    static int n = 0;
    return QStringLiteral("%1/%2-%3-%4").arg(RunsPath(c), QLatin1String(what)).arg(::getpid()).arg(++n);
}

// The stored files the program decrypted, hard-linked in their two-character folders,
// so that cp copies exactly those.
QString StoredLinksPath(const BenchContext& c)
{
    return c.workDir + QStringLiteral("/decrypt/stored-links");
}

double ChildCpuSeconds()
{
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct FolderFigures {
    qint64 files = 0;
    qint64 bytes = 0;
};

FolderFigures CountFiles(const QString& folder)
{
    FolderFigures f;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++f.files;
        f.bytes += it.fileInfo().size();
    }
    return f;
}

// The median of the repeats so far in this process, so the note matches the median time.
double MedianSoFar(std::vector<double>& values, double latest)
{
    values.push_back(latest);
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

QString Rates(const FolderFigures& f, double seconds, double cpuSeconds)
{
    return QStringLiteral("%1 files, %2 MB in %3 s (%4 files/s, %5 MB/s, %6 s CPU)")
        .arg(f.files)
        .arg(f.bytes / 1048576.0, 0, 'f', 1)
        .arg(seconds, 0, 'f', 3)
        .arg(qRound64(f.files / seconds))
        .arg(f.bytes / 1048576.0 / seconds, 0, 'f', 1)
        .arg(cpuSeconds, 0, 'f', 2);
}

// The program as the window runs it: password on standard input, every line read.
bool RunDecryptorProgram(const BenchContext& c, QString* note)
{
    const QString work = FreshRunFolder(c, "program");
    const double cpuBefore = ChildCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.start(DecryptorRun::ProgramPath(), DecryptorRun::Arguments(EncryptedBackupDir(c), work, false));
    if (!p.waitForStarted())
        return false;
    p.write(QByteArray(kPassword) + '\n');
    p.closeWriteChannel();
    qint64 counts = 0;
    QByteArray pending;
    const auto take = [&]() {
        pending += p.readAllStandardOutput();
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            if (DecryptorRun::ClassifyLine(pending.left(end), nullptr) == DecryptorRun::LINE_COUNT)
                ++counts;
            pending.remove(0, end + 1);
        }
    };
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(-1);
        take();
    }
    p.waitForFinished(-1);
    take();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = ChildCpuSeconds() - cpuBefore;
    // Listed in the first repeat only; the median does not see it.
    static const FolderFigures figures = CountFiles(work);
    static std::vector<double> times, cpus;
    *note = QStringLiteral("%1 entries; median ").arg(counts)
        + Rates(figures, MedianSoFar(times, seconds), MedianSoFar(cpus, cpu));
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == DECRYPTOR_OK;
}

bool LinkStoredFiles(const BenchContext& c, QString* note)
{
    const QString links = StoredLinksPath(c);
    QDir(links).removeRecursively();
    const QStringList runs = QDir(RunsPath(c)).entryList({QStringLiteral("program-*")}, QDir::Dirs);
    if (runs.isEmpty()) {
        *note = QStringLiteral("no output of the program to compare with");
        return false;
    }
    const QString backup = EncryptedBackupDir(c);
    for (const QString& id : QDir(RunsPath(c) + QLatin1Char('/') + runs.first()).entryList(QDir::Files)) {
        const QString shard = id.left(2);
        QDir().mkpath(links + QLatin1Char('/') + shard);
        const QString rel = shard + QLatin1Char('/') + id;
        if (::link(QFile::encodeName(backup + QLatin1Char('/') + rel).constData(),
                   QFile::encodeName(links + QLatin1Char('/') + rel).constData())
            != 0) {
            *note = QStringLiteral("cannot link %1").arg(rel);
            return false;
        }
    }
    return true;
}

// `cp -r` of the same stored files into a fresh folder beside the program's outputs.
bool CopyStoredFiles(const BenchContext& c, QString* note)
{
    const QString target = FreshRunFolder(c, "cp");
    const double cpuBefore = ChildCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const int rc = QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), StoredLinksPath(c), target});
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = ChildCpuSeconds() - cpuBefore;
    static const FolderFigures figures = CountFiles(target);
    static std::vector<double> times, cpus;
    *note = QStringLiteral("cp -r, median ") + Rates(figures, MedianSoFar(times, seconds), MedianSoFar(cpus, cpu));
    return rc == 0;
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
    63,
    QStringLiteral("decrypt: large encrypted sample, whole decryptor run"),
    QStringLiteral("(figure)"),
    [](const BenchContext& c, QString* note) {
        const QString work = c.workDir + QStringLiteral("/decrypt/work");
        QDir(work).removeRecursively();
        DECRYPTOR_OPTIONS options;
        options.strBackupDir = EncryptedBackupDir(c);
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
    EnsureEncryptedSample,
    3,
    nullptr,
});

BenchRegistration programAgainstCp({
    64,
    QStringLiteral("decrypt: decryptor program, large encrypted sample (ratio: time / cp -r)"),
    QStringLiteral("(figure)"),
    RunDecryptorProgram,
    CopyStoredFiles,
    [](const BenchContext& c) {
        // Outputs of earlier runs go first, untimed, so every repeat writes into a fresh folder.
        QDir(RunsPath(c)).removeRecursively();
        return EnsureEncryptedSample(c);
    },
    3,
    LinkStoredFiles,
});

} // namespace
