#include <QtTest>

#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "extractors/ExtractorSql.h"
#include "support/BackupDatabase.h"
#include "support/SafeFile.h"

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void regularFileCopied();
    void oddSourcesRefused();
    void existingTargetKept();
    void linkedStoredFolderAndBoundedRead();
    void keptFolderHandlesRefuseWhatFreshOpensRefuse();

private:
    std::string Path(const char* name) const { return m_dir->filePath(name).toStdString(); }
    void Write(const char* name, const QByteArray& bytes)
    {
        QFile f(m_dir->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Read(const char* name) const
    {
        QFile f(m_dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    mode_t m_nOldMask = 022;
};

// A creation mask that takes bits away, set before the first copy: every copy must
// still get the export mode.
void TestSafeFile::initTestCase()
{
    m_nOldMask = ::umask(0077);
}

void TestSafeFile::cleanupTestCase()
{
    ::umask(m_nOldMask);
}

void TestSafeFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSafeFile::regularFileCopied()
{
    const QByteArray content = QByteArray("SQLite format 3").append(3 << 20, 'z');
    Write("source", content);
    std::string reason;
    QCOMPARE(CopyBackupFile(Path("source"), Path("copy"), &reason), 0);
    QCOMPARE(Read("copy"), content);
    struct stat st;
    QCOMPARE(::stat(Path("copy").c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0644);
    // Empty files are files too.
    Write("empty", QByteArray());
    QVERIFY(CopyDatabaseOut(Path("empty").c_str(), Path("empty-copy").c_str()));
    QCOMPARE(Read("empty-copy"), QByteArray());

    off_t size = -1;
    int err = -1;
    const int fd = OpenBackupFile(Path("source"), &size, &err);
    QVERIFY(fd >= 0);
    QCOMPARE(err, 0);
    QCOMPARE(qint64(size), qint64(content.size()));
    // Blocking again: a read returns data, not EAGAIN.
    QVERIFY(!(::fcntl(fd, F_GETFL) & O_NONBLOCK));
    ::close(fd);
}

void TestSafeFile::oddSourcesRefused()
{
    Write("outside", "secret");
    QVERIFY(QFile::link(m_dir->filePath("outside"), m_dir->filePath("link")));
    QVERIFY(QFile::link("/dev/zero", m_dir->filePath("device")));
    QCOMPARE(::mkfifo(Path("fifo").c_str(), 0644), 0);
    QVERIFY(QDir().mkdir(m_dir->filePath("folder")));

    struct Case {
        const char* name;
        int err;
    };
    // A FIFO without a writer would block an ordinary open or copy for ever.
    for (const Case& c : {Case{"link", ELOOP}, Case{"device", ELOOP}, Case{"fifo", EINVAL}, Case{"folder", EINVAL},
                          Case{"absent", ENOENT}}) {
        int err = 0;
        std::string reason;
        QCOMPARE(OpenBackupFile(Path(c.name), nullptr, &err, &reason), -1);
        QCOMPARE(err, c.err);
        QVERIFY(!reason.empty());
        const std::string target = Path("out-") + c.name;
        QCOMPARE(CopyBackupFile(Path(c.name), target), c.err);
        QVERIFY(!CopyDatabaseOut(Path(c.name).c_str(), target.c_str()));
        QVERIFY2(!QFileInfo::exists(QString::fromStdString(target)), c.name);
    }
}

void TestSafeFile::existingTargetKept()
{
    Write("source", "new bytes");
    Write("taken", "earlier export");
    QCOMPARE(CopyBackupFile(Path("source"), Path("taken")), EEXIST);
    QCOMPARE(Read("taken"), QByteArray("earlier export"));
    // Nor is a link at the target's name followed to replace what it points at.
    Write("victim", "keep me");
    QVERIFY(QFile::link(m_dir->filePath("victim"), m_dir->filePath("trap")));
    QVERIFY(CopyBackupFile(Path("source"), Path("trap")) != 0);
    QCOMPARE(Read("victim"), QByteArray("keep me"));
    QVERIFY(!CopyDatabaseOut(Path("source").c_str(), Path("taken").c_str()));
    QCOMPARE(Read("taken"), QByteArray("earlier export"));
}

void TestSafeFile::linkedStoredFolderAndBoundedRead()
{
    // <backup>/<xx>/<name>: a two-character folder that is a link leads out of the
    // backup and is refused, for reading, copying and SQLite alike.
    QVERIFY(QDir().mkpath(m_dir->filePath("elsewhere")) && QDir().mkpath(m_dir->filePath("backup/3d")));
    Write("elsewhere/3d0d", "outside bytes");
    Write("backup/3d/3d0d", "inside bytes");
    QVERIFY(QFile::link(m_dir->filePath("elsewhere"), m_dir->filePath("backup/ab")));
    Write("elsewhere/ab01", "outside bytes");
    std::string text;
    QCOMPARE(ReadBackupFile(Path("backup/3d/3d0d"), 100, &text), 0);
    QCOMPARE(text, std::string("inside bytes"));
    std::string reason;
    QCOMPARE(ReadBackupFile(Path("backup/ab/ab01"), 100, &text, &reason), ELOOP);
    QVERIFY(!reason.empty());
    QCOMPARE(CopyBackupFile(Path("backup/ab/ab01"), Path("copied")), ELOOP);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "linked-folder");
    QVERIFY(!OpenBackupDatabase(db, m_dir->filePath("backup/ab/ab01")));
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("linked-folder");
    // A backup folder itself may be a link the user made (the shard rule is for "xx").
    QVERIFY(QFile::link(m_dir->filePath("elsewhere"), m_dir->filePath("linked-backup")));
    QCOMPARE(ReadBackupFile(Path("linked-backup/3d0d"), 100, &text), 0);

    // Only a bounded head is read; FIFOs and devices not at all.
    Write("big", QByteArray(5000, 'b'));
    QCOMPARE(ReadBackupFile(Path("big"), 16, &text), 0);
    QCOMPARE(text, std::string(16, 'b'));
    QCOMPARE(::mkfifo(Path("fifo").c_str(), 0644), 0);
    QVERIFY(QFile::link("/dev/zero", m_dir->filePath("zero")));
    QCOMPARE(ReadBackupFile(Path("fifo"), 16, &text), EINVAL);
    QCOMPARE(ReadBackupFile(Path("zero"), 16, &text), ELOOP);
    db = QSqlDatabase::addDatabase("QSQLITE", "fifo");
    QVERIFY(!OpenBackupDatabase(db, m_dir->filePath("fifo")));
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("fifo");
}

void TestSafeFile::keptFolderHandlesRefuseWhatFreshOpensRefuse()
{
    QVERIFY(QDir().mkpath(m_dir->filePath("elsewhere")) && QDir().mkpath(m_dir->filePath("backup/3d")));
    Write("backup/3d/3d01", "first");
    Write("backup/3d/3d02", "second!");
    Write("elsewhere/ab01", "outside bytes");
    QVERIFY(QFile::link(m_dir->filePath("elsewhere"), m_dir->filePath("backup/ab")));
    QVERIFY(QFile::link(m_dir->filePath("elsewhere/ab01"), m_dir->filePath("backup/3d/3d03")));
    QCOMPARE(::mkfifo(Path("backup/3d/3d04").c_str(), 0644), 0);

    BackupFolderHandles folders;
    auto open = [&folders](const std::string& path, off_t* size) {
        int err = -1;
        const int fd = OpenBackupFile(path, size, &err, folders);
        if (fd >= 0) {
            ::close(fd);
            return 0;
        }
        return err;
    };
    off_t size = 0;
    // Two files of one folder, the second through the kept descriptor, each its own size.
    QCOMPARE(open(Path("backup/3d/3d01"), &size), 0);
    QCOMPARE(size, off_t(5));
    QCOMPARE(open(Path("backup/3d/3d02"), &size), 0);
    QCOMPARE(size, off_t(7));
    // A linked folder, a link and a FIFO in a kept folder: refused as without handles,
    // also when asked twice.
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(open(Path("backup/ab/ab01"), &size), ELOOP);
        QCOMPARE(open(Path("backup/3d/3d03"), &size), ELOOP);
        QCOMPARE(open(Path("backup/3d/3d04"), &size), EINVAL);
        QCOMPARE(open(Path("backup/3d/missing"), &size), ENOENT);
        QCOMPARE(open(Path("backup/4e/4e01"), &size), ENOENT);
    }
    // The descriptor comes back in blocking mode.
    int err = 0;
    const int fd = OpenBackupFile(Path("backup/3d/3d01"), nullptr, &err, folders);
    QVERIFY(fd >= 0);
    QCOMPARE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(fd);

    // More folders than one backup has (several backups walked in turn): still right.
    for (int i = 0; i < 300; ++i) {
        const QString folder = QStringLiteral("many/b%1/%2").arg(i).arg(i % 256, 2, 16, QLatin1Char('0'));
        QVERIFY(QDir().mkpath(m_dir->filePath(folder)));
        Write(qPrintable(folder + "/f"), QByteArray(i, 'x'));
        QCOMPARE(open(m_dir->filePath(folder + "/f").toStdString(), &size), 0);
        QCOMPARE(size, off_t(i));
    }
    QCOMPARE(open(Path("backup/3d/3d02"), &size), 0);
    QCOMPARE(size, off_t(7));
}

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
