// Media files copied out one after another with the folders kept open between them:
// numbered names when a name is taken (by a file, a dangling link or a folder), the
// right folder after switching, nothing written through a folder swapped for a link,
// and every written file noted under the name it got, with its hash.
#include <QtTest>

#include <QCryptographicHash>
#include <QTemporaryDir>

#include "export/MediaCopy.h"
#include "support/ExportTree.h"
#include "support/WrittenFiles.h"

namespace {
void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

std::string Std(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
} // namespace

class TestMediaCopy : public QObject {
    Q_OBJECT
private slots:
    void copiesKeepFoldersOpen();
};

void TestMediaCopy::copiesKeepFoldersOpen()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString backup = tmp.filePath("backup");
    const QByteArray one = "first picture", two(70000, 'b');
    Write(backup + "/ab/ab01", one);
    Write(backup + "/cd/cd02", two);
    const QString dest = tmp.filePath("dest");
    QVERIFY(QDir().mkpath(dest + "/Camera"));
    QVERIFY(QDir().mkpath(dest + "/Apps"));
    const QString outside = tmp.filePath("outside");
    QVERIFY(QDir().mkpath(outside));

    CExportRootScope scope(Std(dest));
    CWrittenFilesScope noted(Std(dest));
    CMediaCopyHandles handles;
    const auto copy = [&](const QString& source, const QString& wanted, std::string* written) {
        std::string reason;
        const int err = CopyMediaFile(Std(source), Std(wanted), written, &reason, nullptr, nullptr, &handles);
        if (err)
            qWarning("%s", reason.c_str());
        return err;
    };

    std::string written;
    QCOMPARE(copy(backup + "/ab/ab01", dest + "/Camera/a.jpg", &written), 0);
    QCOMPARE(QString::fromStdString(written), dest + "/Camera/a.jpg");
    // Taken names: the file just written, a dangling link and a folder.
    QVERIFY(QFile::link(tmp.filePath("nowhere"), dest + "/Camera/a(1).jpg"));
    QVERIFY(QDir().mkpath(dest + "/Camera/a(2).jpg"));
    QCOMPARE(copy(backup + "/cd/cd02", dest + "/Camera/a.jpg", &written), 0);
    QCOMPARE(QString::fromStdString(written), dest + "/Camera/a(3).jpg");
    QCOMPARE(Read(dest + "/Camera/a.jpg"), one);
    QCOMPARE(Read(dest + "/Camera/a(3).jpg"), two);
    QVERIFY(!QFileInfo::exists(tmp.filePath("nowhere")));

    // Another folder, then back: each file lands in its own folder.
    QCOMPARE(copy(backup + "/ab/ab01", dest + "/Apps/x.png", &written), 0);
    QCOMPARE(copy(backup + "/ab/ab01", dest + "/Camera/b.jpg", &written), 0);
    QCOMPARE(Read(dest + "/Apps/x.png"), one);
    QCOMPARE(Read(dest + "/Camera/b.jpg"), one);
    QFile::Permissions mode = QFileInfo(dest + "/Camera/b.jpg").permissions();
    QVERIFY(mode.testFlag(QFileDevice::ReadOther) && !mode.testFlag(QFileDevice::WriteOther));

    // The open folder swapped for a link to another place: nothing is written there.
    QVERIFY(QDir().rename(dest + "/Camera", dest + "/Camera-old"));
    QVERIFY(QFile::link(outside, dest + "/Camera"));
    copy(backup + "/cd/cd02", dest + "/Camera/c.jpg", &written);
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // A stored file that is a link is refused, and nothing is created for it.
    QVERIFY(QFile::link(backup + "/ab/ab01", backup + "/cd/cd03"));
    QCOMPARE(copy(backup + "/cd/cd03", dest + "/Apps/y.png", &written), ELOOP);
    QVERIFY(!QFileInfo::exists(dest + "/Apps/y.png"));

    // Every file written is noted under its own name, with its size and hash.
    const auto& files = noted.Files();
    for (const char* name : {"Camera-old/a.jpg", "Camera-old/a(3).jpg", "Apps/x.png", "Camera-old/b.jpg"}) {
        const QString before = QString::fromLatin1(name).replace("Camera-old", "Camera");
        const auto it = files.find(Std(dest + "/" + before));
        QVERIFY2(it != files.end(), qPrintable(before));
        const QByteArray bytes = Read(dest + "/" + name);
        QCOMPARE(it->second.nSize, static_cast<long long>(bytes.size()));
        QCOMPARE(QByteArray::fromStdString(it->second.strSha256),
                 QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
}

QTEST_APPLESS_MAIN(TestMediaCopy)
#include "tst_mediacopy.moc"
