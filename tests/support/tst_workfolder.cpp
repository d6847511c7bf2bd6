#include <QtTest>

#include <QTemporaryDir>
#include <sys/stat.h>

#include "support/Platform.h"
#include "support/WorkFolder.h"

namespace {
void Write(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

QStringList Listing(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next().mid(folder.size() + 1);
    names.sort();
    return names;
}
} // namespace

class TestWorkFolder : public QObject {
    Q_OBJECT
private slots:
    void init();
    void clearsWithoutFollowingLinks();
    void linkedFolderLeftAlone();
    void preparedPrivate();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_work;
    QString m_outside;
};

// A working folder holding what a decryption writes and what it never does,
// plus links out to a file and a folder that must survive every clearing.
void TestWorkFolder::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_work = m_dir->filePath("work");
    m_outside = m_dir->filePath("outside");
    Write(m_outside + "/keep.txt");
    Write(m_outside + "/inner/keep.txt");
    Write(m_work + "/3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    Write(m_work + "/.hidden");
    Write(m_work + "/nested/deeper/file");
    QVERIFY(QFile::link(m_outside + "/keep.txt", m_work + "/to-file"));
    QVERIFY(QFile::link(m_outside, m_work + "/nested/to-folder"));
}

void TestWorkFolder::clearsWithoutFollowingLinks()
{
    const QStringList outside = Listing(m_outside);

    WorkFolder::Clear(m_work, WorkFolder::DecryptedFiles);
    QCOMPARE(Listing(m_work), QStringList({".hidden", "nested", "nested/deeper", "nested/deeper/file",
                                           "nested/to-folder"}));
    QCOMPARE(Listing(m_outside), outside);

    WorkFolder::Clear(m_work + "/");
    QVERIFY(QFileInfo(m_work).isDir());
    QCOMPARE(Listing(m_work), QStringList());
    QCOMPARE(Listing(m_outside), outside);

    // Nothing to clear, or nothing there: no harm.
    WorkFolder::Clear(m_work);
    WorkFolder::Clear(m_dir->filePath("missing"));
    WorkFolder::Clear(QString());
    WorkFolder::Clear(static_cast<const char*>(nullptr));
    WorkFolder::Clear(m_outside + "/keep.txt");
    QCOMPARE(Listing(m_outside), outside);
}

// A working folder replaced by a link points the clearing at someone else's
// files: it is refused, with or without a trailing slash.
void TestWorkFolder::linkedFolderLeftAlone()
{
    const QString linked = m_dir->filePath("linked");
    QVERIFY(QFile::link(m_outside, linked));
    const QStringList outside = Listing(m_outside);
    for (const QString& path : {linked, linked + "/", linked + "//"}) {
        WorkFolder::Clear(path);
        WorkFolder::Clear(path, WorkFolder::DecryptedFiles);
        QCOMPARE(Listing(m_outside), outside);
    }
}

void TestWorkFolder::preparedPrivate()
{
    const QString support = m_dir->filePath("support") + "/";
    qputenv("QUILLMERE_SUPPORT_DIR", support.toUtf8());
    QVERIFY(WorkFolder::Prepare());
    for (const QString& folder : {support, QmPlatform::WorkDir()}) {
        QVERIFY(QmPlatform::WorkDir().startsWith(support));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(int(st.st_mode & 0777), 0700);
    }
    // A file where the folder belongs: no working folder, and it says so.
    const QString blocked = m_dir->filePath("blocked") + "/";
    QVERIFY(QDir().mkpath(blocked));
    Write(blocked + "QuillmereBackupPath");
    qputenv("QUILLMERE_SUPPORT_DIR", blocked.toUtf8());
    QVERIFY(!WorkFolder::Prepare());
    qunsetenv("QUILLMERE_SUPPORT_DIR");
}

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_workfolder.moc"
