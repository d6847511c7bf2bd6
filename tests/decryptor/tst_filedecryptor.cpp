// Streaming CBC decryption of stored files: lengths around block and chunk
// boundaries, damaged padding and lengths, and what happens on disk.
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "decryptor/FileDecryptor.h"
#include "support/SafeFile.h"
#include "tools/sample/SampleEncrypt.h"

namespace {
const QByteArray kKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

QByteArray Plain(int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 131 + 7) & 0xff);
    return out;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestFileDecryptor : public QObject {
    Q_OBJECT
private slots:
    void roundTripLengths();
    void damagedCiphertext();
    void outputFileHandling();
    void openedStoredFiles();
};

void TestFileDecryptor::roundTripLengths()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The smallest chunk size the decryptor allows, so that block boundaries fall
    // on, before and after every chunk boundary.
    CFileDecryptor decryptor(4096);
    const int sizes[] = { 0, 1, 15, 16, 17, 31, 32, 4079, 4080, 4095, 4096, 4097, 8192, 3 * 1024 * 1024 + 7 };
    for (int size : sizes) {
        const QByteArray plain = Plain(size);
        const QByteArray cipher = SampleCbcEncrypt(kKey, plain);
        QCOMPARE(cipher.size(), (size / 16 + 1) * 16);

        QByteArray out;
        DECRYPT_RESULT r = CFileDecryptor::DecryptBuffer(reinterpret_cast<const uint8_t*>(cipher.constData()),
                                                         size_t(cipher.size()), kKey, &out);
        QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::Ok));
        QCOMPARE(out, plain);

        const QString in = dir.filePath("in"), target = dir.filePath("out");
        QVERIFY(WriteFile(in, cipher));
        r = decryptor.DecryptFile(in, target, kKey);
        QVERIFY2(r.nStatus == DECRYPT_RESULT::Ok, qPrintable(r.strMessage));
        QCOMPARE(r.nPlainSize, qint64(size));
        QCOMPARE(r.nCipherSize, qint64(cipher.size()));
        QCOMPARE(ReadFile(target), plain);
    }
}

void TestFileDecryptor::damagedCiphertext()
{
    QByteArray out;
    auto run = [&out](const QByteArray& cipher, const QByteArray& key = kKey) {
        return CFileDecryptor::DecryptBuffer(reinterpret_cast<const uint8_t*>(cipher.constData()),
                                             size_t(cipher.size()), key, &out);
    };
    const QByteArray plain = Plain(100);
    const QByteArray cipher = SampleCbcEncrypt(kKey, plain);

    // A damaged last block: the whole plaintext is kept, padding left as it decrypted.
    QByteArray badPad = cipher;
    badPad[badPad.size() - 1] = char(badPad[badPad.size() - 1] ^ 0x80);
    DECRYPT_RESULT r = run(badPad);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::BadPadding));
    QVERIFY(r.Written());
    QCOMPARE(out.size(), cipher.size());
    QCOMPARE(out.left(96), plain.left(96));

    // The wrong key gives garbage, but the call still ends normally.
    r = run(cipher, QByteArray(32, '\x11'));
    QVERIFY(r.Written());
    QVERIFY(out.size() <= cipher.size());

    // Trailing bytes short of a block are dropped and reported.
    r = run(cipher + "abc");
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::PartialBlock));
    QCOMPARE(out, plain);
    r = run(cipher.left(5));
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::PartialBlock));
    QVERIFY(out.isEmpty());

    // An empty stored file is an empty output with a warning.
    r = run(QByteArray());
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::EmptyInput));
    QVERIFY(r.Written());
    QVERIFY(out.isEmpty());

    // A key of the wrong size is refused before anything is read.
    r = run(cipher, kKey.left(16));
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::BadKey));
    QVERIFY(!r.Written());
}

void TestFileDecryptor::outputFileHandling()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CFileDecryptor decryptor;
    const QString in = dir.filePath("in");
    const QString target = dir.filePath("out");
    QVERIFY(WriteFile(in, SampleCbcEncrypt(kKey, "hello")));

    // An older output with loose permissions is replaced and made private.
    QVERIFY(WriteFile(target, "old contents that are longer"));
    QVERIFY(::chmod(QFile::encodeName(target).constData(), 0666) == 0);
    DECRYPT_RESULT r = decryptor.DecryptFile(in, target, kKey);
    QVERIFY(r.nStatus == DECRYPT_RESULT::Ok);
    QCOMPARE(ReadFile(target), QByteArray("hello"));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);

    // A symbolic link in the output's place is not followed.
    const QString victim = dir.filePath("victim");
    QVERIFY(WriteFile(victim, "precious"));
    const QString link = dir.filePath("link");
    QVERIFY(QFile::link(victim, link));
    r = decryptor.DecryptFile(in, link, kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::WriteFailed));
    QCOMPARE(ReadFile(victim), QByteArray("precious"));

    // Nor is a symbolic link in the stored file's place, and a folder is no file.
    r = decryptor.DecryptFile(link, dir.filePath("x"), kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::OpenFailed));
    QVERIFY(!QFileInfo::exists(dir.filePath("x")));
    r = decryptor.DecryptFile(dir.path(), dir.filePath("y"), kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::NotRegularFile));
    r = decryptor.DecryptFile(dir.filePath("missing"), dir.filePath("z"), kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::OpenFailed));
    QVERIFY(!r.strMessage.isEmpty());

    // An output folder that does not exist: a clear failure, no crash.
    r = decryptor.DecryptFile(in, dir.filePath("no/such/out"), kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::WriteFailed));
}

// Stored files handed over open, outputs made inside a folder's descriptor: the
// output is private whatever the creation mask, reading ends at the size the file
// had when opened, and a failure leaves nothing behind.
void TestFileDecryptor::openedStoredFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath("in");
    const QByteArray plain = Plain(5000);
    const QByteArray cipher = SampleCbcEncrypt(kKey, plain);
    QVERIFY(WriteFile(in, cipher));
    const int outDir = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(outDir >= 0);
    auto open = [&](off_t* size) {
        int err = 0;
        return OpenBackupFile(QFile::encodeName(in).toStdString(), size, &err);
    };

    // A mask that takes the owner's bits away, and one that takes nothing.
    for (mode_t mask : {mode_t(0277), mode_t(0)}) {
        const mode_t old = ::umask(mask);
        CFileDecryptor decryptor(4096);
        ::umask(old);
        const QByteArray name = "out" + QByteArray::number(int(mask));
        off_t size = 0;
        const int fd = open(&size);
        QVERIFY(fd >= 0);
        const DECRYPT_RESULT r = decryptor.DecryptOpenFile(fd, size, outDir, name.constData(), kKey);
        QVERIFY2(r.nStatus == DECRYPT_RESULT::Ok, qPrintable(r.strMessage));
        QCOMPARE(ReadFile(dir.filePath(name)), plain);
        struct stat st { };
        QVERIFY(::stat(QFile::encodeName(dir.filePath(name)).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    // Bytes added after the file was opened are not read: the output is what was stored then.
    CFileDecryptor decryptor(4096);
    off_t size = 0;
    int fd = open(&size);
    QVERIFY(fd >= 0);
    {
        QFile grow(in);
        QVERIFY(grow.open(QIODevice::Append));
        grow.write(QByteArray(4096, 'x'));
    }
    DECRYPT_RESULT r = decryptor.DecryptOpenFile(fd, size, outDir, "grown", kKey);
    QVERIFY2(r.nStatus == DECRYPT_RESULT::Ok, qPrintable(r.strMessage));
    QCOMPARE(r.nCipherSize, qint64(cipher.size()));
    QCOMPARE(ReadFile(dir.filePath("grown")), plain);

    // A file that shrank after it was opened ends where it ends.
    QVERIFY(WriteFile(in, cipher));
    fd = open(&size);
    QVERIFY(fd >= 0);
    QVERIFY(QFile::resize(in, 4096 + 5));
    r = decryptor.DecryptOpenFile(fd, size, outDir, "shrunk", kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::PartialBlock));
    QCOMPARE(ReadFile(dir.filePath("shrunk")), plain.left(4096));

    // A link in the output's place: refused, the input closed, the link's target untouched.
    QVERIFY(WriteFile(dir.filePath("victim"), "precious"));
    QVERIFY(QFile::link(dir.filePath("victim"), dir.filePath("link")));
    fd = open(&size);
    QVERIFY(fd >= 0);
    r = decryptor.DecryptOpenFile(fd, size, outDir, "link", kKey);
    QCOMPARE(int(r.nStatus), int(DECRYPT_RESULT::WriteFailed));
    QCOMPARE(ReadFile(dir.filePath("victim")), QByteArray("precious"));
    QVERIFY(::fcntl(fd, F_GETFD) == -1);
    ::close(outDir);
}

QTEST_APPLESS_MAIN(TestFileDecryptor)
#include "tst_filedecryptor.moc"
