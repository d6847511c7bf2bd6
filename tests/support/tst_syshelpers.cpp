#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include "support/SysHelpers.h"
#include "support/TextEncoding.h"

class TestSysHelpers : public QObject {
    Q_OBJECT
private slots:
    void durationAndSizeTexts();
    void splitPath();
    void freeFileNames();
    void folderListings();
    void fileSizesAndReading();
    void smallHelpers();
};

void TestSysHelpers::durationAndSizeTexts()
{
    const struct { long long s; const char* text; } cases[] = {
        {0, "00:00:00"}, {59, "00:00:59"}, {60, "00:01:00"}, {3599, "00:59:59"},
        {3600, "01:00:00"}, {3661, "01:01:01"}, {360000, "100:00:00"}};
    for (const auto& c : cases) {
        QCOMPARE(QString::fromStdString(GetTimeStringA(c.s)), QString(c.text));
        QCOMPARE(QString::fromStdWString(GetTimeString(c.s)), QString(c.text));
    }
    QCOMPARE(GetFileSizeString(0), std::string("0 Bytes"));
    QCOMPARE(GetFileSizeString(1023), std::string("1023 Bytes"));
    QCOMPARE(GetFileSizeString(1024), std::string("1.00 KB"));
    QCOMPARE(GetFileSizeString(1536), std::string("1.50 KB"));
    QCOMPARE(GetFileSizeString(1048576), std::string("1.00 MB"));
    QCOMPARE(GetFileSizeString(1LL << 30), std::string("1.00 GB"));
    QCOMPARE(GetFileSizeString(1LL << 40), std::string("1.00 TB"));
}

void TestSysHelpers::splitPath()
{
    char drive[3], dir[256], name[256], ext[256];
    _splitpath("/a.b/c", drive, dir, name, ext);
    QCOMPARE(QString(dir), QString("/a.b/"));
    QCOMPARE(QString(name), QString("c"));
    QCOMPARE(QString(ext), QString(""));
    _splitpath("x.tar.gz", drive, dir, name, ext);
    QCOMPARE(QString(dir), QString(""));
    QCOMPARE(QString(name), QString("x.tar"));
    QCOMPARE(QString(ext), QString(".gz"));
    _splitpath("/only/dir/", drive, dir, name, ext);
    QCOMPARE(QString(dir), QString("/only/dir/"));
    QCOMPARE(QString(name), QString(""));
    QCOMPARE(QString(drive), QString(""));
    // A part longer than its buffer is cut, not overrun.
    std::string longPath = "/d/" + std::string(600, 'n') + ".e";
    _splitpath(longPath.c_str(), drive, dir, name, ext);
    QCOMPARE(strlen(name), size_t(255));
}

void TestSysHelpers::freeFileNames()
{
    QTemporaryDir tmp;
    std::string base = tmp.path().toStdString() + "/f.txt";
    std::vector<wchar_t> dest(RSB_WSPRINTF_CAPACITY);
    GetRealFileName(base.c_str(), dest.data());
    QCOMPARE(Unicode2Ansi(dest.data()), base);
    QFile(QString::fromStdString(base)).open(QIODevice::WriteOnly);
    QFile(tmp.path() + "/f(1).txt").open(QIODevice::WriteOnly);
    GetRealFileName(base.c_str(), dest.data());
    QCOMPARE(Unicode2Ansi(dest.data()), tmp.path().toStdString() + "/f(2).txt");
    // Folders count as taken; names without an extension get the number at the end.
    QDir(tmp.path()).mkdir("notes");
    QCOMPARE(GetFreeFileName(tmp.path().toStdString() + "/notes"), tmp.path().toStdString() + "/notes(1)");
    // A dot in a folder name never counts as the extension.
    QDir(tmp.path()).mkpath("v1.2/readme");
    QCOMPARE(GetFreeFileName(tmp.path().toStdString() + "/v1.2/readme"), tmp.path().toStdString() + "/v1.2/readme(1)");
    // A very long wanted path keeps every byte (no 256-byte truncation that would name another file).
    std::string longName = tmp.path().toStdString() + "/" + std::string(200, 'z') + "/" + std::string(200, 'y') + ".jpg";
    QCOMPARE(GetFreeFileName(longName), longName);
}

void TestSysHelpers::folderListings()
{
    QTemporaryDir tmp;
    QDir d(tmp.path());
    QFile(tmp.path() + "/b.txt").open(QIODevice::WriteOnly);
    QFile(tmp.path() + "/A.txt").open(QIODevice::WriteOnly);
    QFile(tmp.path() + "/.hidden").open(QIODevice::WriteOnly);
    d.mkdir("sub");
    QFile(tmp.path() + "/sub/inner.txt").open(QIODevice::WriteOnly);
    QByteArray folder = tmp.path().toUtf8();
    QCOMPARE(TraverseFileCnt(folder.constData()), 2L);
    std::vector<std::string> out{"kept"};
    QCOMPARE(TraverseFolderAndFile(folder.constData(), out), 1);
    QCOMPARE(out.size(), size_t(4));
    QCOMPARE(out[0], std::string("kept"));
    QCOMPARE(out[1], folder.toStdString() + "/A.txt");
    QCOMPARE(out[3], folder.toStdString() + "/sub");
}

void TestSysHelpers::fileSizesAndReading()
{
    QTemporaryDir tmp;
    // A sparse 3 GiB file under a non-Latin folder: the size must survive the path narrowing.
    QString folder = tmp.path() + QStringLiteral("/照片");
    QDir().mkpath(folder);
    QString big = folder + "/big.bin";
    {
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(3221225472LL));
    }
    unsigned long long size = 7;
    QCOMPARE(GetFileByteSize(WideFromQString(big).c_str(), size), 0);
    QCOMPARE(size, 3221225472ULL);
    size = 7;
    QVERIFY(GetFileByteSize(L"/nonexistent/file", size) != 0);
    QCOMPARE(size, 7ULL);

    // Chunked reads: more than one 64 KiB piece, and a short file ending early.
    QString small = tmp.path() + "/data.bin";
    QByteArray content(200000, 'q');
    content[150000] = 'Z';
    {
        QFile f(small);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    CFileReader reader;
    std::vector<char> buf(300000);
    unsigned int got = 0;
    QCOMPARE(reader.ReadData(buf.data(), 10, 0, &got), 87);
    QCOMPARE(reader.Init(small.toUtf8().constData()), 0);
    QCOMPARE(reader.ReadData(buf.data(), 100, 150000, &got), 0);
    QCOMPARE(got, 100u);
    QCOMPARE(buf[0], 'Z');
    QCOMPARE(reader.ReadData(buf.data(), 250000, 0, &got), 30);
    QCOMPARE(got, 200000u);
    QVERIFY(reader.Init("/nonexistent") != 0);

    int fd = open(small.toUtf8().constData(), O_RDONLY);
    QCOMPARE(ReadData(fd, reinterpret_cast<unsigned char*>(buf.data()), 200000, &got), 0);
    QCOMPARE(got, 200000u);
    close(fd);
}

void TestSysHelpers::smallHelpers()
{
    char out[256] = "unchanged";
    QCOMPARE(GetExtendName("/a/b.JPG", out), 0);
    QCOMPARE(QString(out), QString("JPG"));
    QCOMPARE(GetExtendName("/a/b", out), 87);
    QCOMPARE(QString(out), QString("JPG"));
    QCOMPARE(GetExtendName(nullptr, out), 87);
    char lower[] = "ÄbC.JPG";
    QCOMPARE(QString::fromUtf8(GetCharLowerA(lower)), QString::fromUtf8("Äbc.jpg"));
    char tail[] = "name   ";
    EraseStringTailBlankChar(tail, 7);
    QCOMPARE(QString(tail), QString("name"));
    int count = -1;
    GetPathDirIndex(L"/a\\b/c/", count);
    QCOMPARE(count, 3);
    QCOMPARE(QString::fromStdWString(ReplaceSearchKey(L"*.jp?")), QString(".\\.jp\\?"));
    unsigned int hi = 1, lo = 1;
    QCOMPARE(rsb_getFreeSpace("/definitely/not/here", 0, &hi, &lo), 0);
    QVERIFY(hi != 0 || lo != 0);
    QCOMPARE(rsb_getFreeSpace("relative", 0, &hi, &lo), 0);
    QVERIFY(hi == 0 && lo == 0);
}

QTEST_GUILESS_MAIN(TestSysHelpers)
#include "tst_syshelpers.moc"
