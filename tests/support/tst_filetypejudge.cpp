#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "support/FileTypeJudge.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes Head(std::initializer_list<int> start, int length)
{
    Bytes b(length, 0x20);
    int i = 0;
    for (int v : start)
        b[i++] = (unsigned char)v;
    return b;
}

void Put(Bytes& b, int offset, const char* text, int count = -1)
{
    std::memcpy(b.data() + offset, text, count < 0 ? std::strlen(text) : count);
}

// A heap copy of exactly `length` bytes, so a read past the end trips the sanitizer.
int RunExact(CFileTypeJudge::PFN_TYPE_TEST test, const Bytes& b, int length)
{
    std::unique_ptr<unsigned char[]> exact(new unsigned char[length > 0 ? length : 1]);
    std::memcpy(exact.get(), b.data(), length);
    return test(exact.get(), length);
}

Bytes ExifJpeg(int length)
{
    Bytes b = Head({ 0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00 }, length);
    Put(b, 6, "Exif");
    return b;
}

Bytes FtypBox(const char* brand, int length)
{
    Bytes b = Head({ 0x00, 0x00, 0x00, 0x18 }, length);
    Put(b, 4, "ftyp");
    Put(b, 8, brand, 4);
    return b;
}

Bytes Mpeg(int packStart, int marker, int secondAt)
{
    Bytes b(512, 0x11);
    const unsigned char first[4] = { 0x00, 0x00, 0x01, (unsigned char)packStart };
    const unsigned char second[4] = { 0x00, 0x00, 0x01, (unsigned char)marker };
    std::memcpy(b.data(), first, 4);
    std::memcpy(b.data() + secondAt, second, 4);
    return b;
}

} // namespace

class TestFileTypeJudge : public QObject {
    Q_OBJECT
private slots:
    void fileNamingAndCounter();
    void lookupOrderAndNames();
    void mpegWindow();
    void extensionLookup();
    void minimumLengths_data();
    void minimumLengths();
    void icoDirectoryWalk();
    void furtherTests();
    void searchHelpers();
    void memoryFormAndRobustness();

private:
    QTemporaryDir m_dir;
    QString WriteFile(const QString& name, const Bytes& b)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            return QString();
        f.write(reinterpret_cast<const char*>(b.data()), qint64(b.size()));
        return f.fileName();
    }
};

void TestFileTypeJudge::fileNamingAndCounter()
{
    CFileTypeJudge judge;
    char name[256];

    QByteArray first = WriteFile("a", ExifJpeg(512)).toUtf8();
    name[0] = 0;
    QCOMPARE(judge.ParseFileBuf(first.data(), name), 0);
    QCOMPARE(QString(name), QString("0.jpg"));

    // Not recognised: name untouched, counter not advanced.
    QByteArray unknown = WriteFile("u", Bytes(4096, 'x')).toUtf8();
    std::strcpy(name, "keep");
    QCOMPARE(judge.ParseFileBuf(unknown.data(), name), 0);
    QCOMPARE(QString(name), QString("keep"));

    QByteArray second = WriteFile("b", ExifJpeg(2000)).toUtf8();
    name[0] = 0;
    QCOMPARE(judge.ParseFileBuf(second.data(), name), 0);
    QCOMPARE(QString(name), QString("1.jpg"));

    // 511 bytes of valid PNG: too short, 30, no name.
    Bytes png = Head({ 0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A }, 511);
    QByteArray shortPng = WriteFile("p511", png).toUtf8();
    name[0] = 0;
    QCOMPARE(judge.ParseFileBuf(shortPng.data(), name), 30);
    QCOMPARE(name[0], '\0');
    png.push_back(0);
    QByteArray fullPng = WriteFile("p512", png).toUtf8();
    QCOMPARE(judge.ParseFileBuf(fullPng.data(), name), 0);
    QCOMPARE(QString(name), QString("2.png"));

    // Missing file: errno of open; null path: invalid argument.
    QByteArray missing = m_dir.filePath("missing").toUtf8();
    name[0] = 0;
    QCOMPARE(judge.ParseFileBuf(missing.data(), name), ENOENT);
    QCOMPARE(name[0], '\0');
    QCOMPARE(judge.ParseFileBuf(nullptr, name), 87);
    QCOMPARE(judge.GetCounter(), 3ULL);

    // A fresh object numbers from 0 again.
    CFileTypeJudge other;
    QCOMPARE(other.ParseFileBuf(fullPng.data(), name), 0);
    QCOMPARE(QString(name), QString("0.png"));
}

void TestFileTypeJudge::lookupOrderAndNames()
{
    struct Case {
        const char* label;
        Bytes data;
        int type;
        const char* ext;
    };
    Bytes midi = Head({}, 512);
    Put(midi, 0, "MThd\0\0\0\x06\0\x01\0\x01\x01\xe0MTrk", 18);
    Bytes asf = Head({ 0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C },
                     512);
    Bytes jfif = Head({ 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10 }, 512);
    Put(jfif, 6, "JFIF");
    Bytes moov = Head({}, 512);
    Put(moov, 0, "moov");
    Bytes gif = Head({}, 512);
    Put(gif, 0, "GIF89a");
    Bytes wav = Head({}, 512);
    Put(wav, 0, "RIFF");
    Put(wav, 8, "WAVEfmt ");
    Bytes avi = Head({}, 512);
    Put(avi, 0, "RIFF");
    Put(avi, 8, "AVI LIST");
    Bytes bmp = Head({ 'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0 }, 512);
    Bytes mp3 = Head({ 'I', 'D', '3', 3, 0, 0, 0, 0, 0x10, 0x7F }, 512);

    const std::vector<Case> cases = {
        { "quicktime is not mp4", FtypBox("qt  ", 512), FILE_TYPE_MOV, "mov" },
        { "moov atom", moov, FILE_TYPE_MOV, "mov" },
        { "mp4 isom", FtypBox("isom", 512), FILE_TYPE_MP4, "mp4" },
        { "mp4 mp42", FtypBox("mp42", 512), FILE_TYPE_MP4, "mp4" },
        { "3gp", FtypBox("3gp4", 512), FILE_TYPE_3GP, "3gp" },
        { "heic", FtypBox("heic", 512), FILE_TYPE_HEIC, "heic" },
        { "heix", FtypBox("heix", 512), FILE_TYPE_HEIC, "heic" },
        { "hevc", FtypBox("hevc", 512), FILE_TYPE_HEIC, "heic" },
        { "mif1", FtypBox("mif1", 512), FILE_TYPE_HEIC, "heic" },
        { "msf1", FtypBox("msf1", 512), FILE_TYPE_HEIC, "heic" },
        { "avif is not heic", FtypBox("avif", 512), FILE_TYPE_UNKNOWN, nullptr },
        { "midi", midi, FILE_TYPE_MID, "mid" },
        { "asf named wmv", asf, FILE_TYPE_ASF, "wmv" },
        { "mpeg named mpeg", Mpeg(0xBA, 0xBB, 14), FILE_TYPE_MPG, "mpeg" },
        { "jfif", jfif, FILE_TYPE_JPG, "jpg" },
        { "exif", ExifJpeg(512), FILE_TYPE_JPG, "jpg" },
        { "gif", gif, FILE_TYPE_GIF, "gif" },
        { "wav", wav, FILE_TYPE_WAV, "wav" },
        { "avi", avi, FILE_TYPE_AVI, "avi" },
        { "bmp", bmp, FILE_TYPE_BMP, "bmp" },
        { "mp3", mp3, FILE_TYPE_MP3, "mp3" },
        // JPEG start with neither JFIF nor Exif at 6 (e.g. a raw APP2 stream).
        { "bare jpeg", Head({ 0xFF, 0xD8, 0xFF, 0xE2 }, 512), FILE_TYPE_UNKNOWN, nullptr },
        { "zip is not media", Head({ 0x50, 0x4B, 0x03, 0x04 }, 512), FILE_TYPE_UNKNOWN, nullptr },
    };
    for (const Case& c : cases) {
        Bytes copy = c.data;
        const int type = CFileTypeJudge::GetDataBufType(copy.data(), int(copy.size()));
        QVERIFY2(type == c.type, c.label);
        wchar_t wname[4096];
        wname[0] = 0;
        CFileTypeJudge judge;
        QCOMPARE(judge.ParseFileBuf(copy.data(), int(copy.size()), wname), 0);
        const QString expected = c.ext ? QString("0.") + c.ext : QString();
        QVERIFY2(QString::fromWCharArray(wname) == expected, c.label);
    }
}

void TestFileTypeJudge::mpegWindow()
{
    // The second marker counts only when it starts at offset 28 or earlier.
    for (int packStart : { 0xBA, 0xB3 }) {
        const int marker = packStart == 0xBA ? 0xBB : 0xB8;
        Bytes at28 = Mpeg(packStart, marker, 28);
        Bytes at29 = Mpeg(packStart, marker, 29);
        QCOMPARE(CFileTypeJudge::IsMpgType(at28.data(), 512), int(FILE_TYPE_MPG));
        QCOMPARE(CFileTypeJudge::IsMpgType(at29.data(), 512), int(FILE_TYPE_UNKNOWN));
        QCOMPARE(CFileTypeJudge::GetDataBufType(at29.data(), 512), int(FILE_TYPE_UNKNOWN));
    }
    // Crossed markers do not count.
    Bytes crossed = Mpeg(0xBA, 0xB8, 8);
    QCOMPARE(CFileTypeJudge::IsMpgType(crossed.data(), 512), int(FILE_TYPE_UNKNOWN));
    // On a short buffer the window shrinks with it: a marker at 16 of 18 bytes fits, at 15 of 18 too.
    Bytes shortOne = Mpeg(0xBA, 0xBB, 14);
    QCOMPARE(RunExact(&CFileTypeJudge::IsMpgType, shortOne, 18), int(FILE_TYPE_MPG));
    QCOMPARE(RunExact(&CFileTypeJudge::IsMpgType, shortOne, 17), int(FILE_TYPE_UNKNOWN));
}

void TestFileTypeJudge::extensionLookup()
{
    char mpg[] = "Mpg", tif[] = "tif", jpg[] = "JPG", heic[] = "HEIC", wma[] = "wma", empty[] = "";
    QCOMPARE(CFileTypeJudge::GetExtendNameType(mpg), int(FILE_TYPE_MPG));
    QCOMPARE(CFileTypeJudge::GetExtendNameType(tif), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(CFileTypeJudge::GetExtendNameType(jpg), int(FILE_TYPE_JPG));
    QCOMPARE(CFileTypeJudge::GetExtendNameType(heic), int(FILE_TYPE_HEIC));
    QCOMPARE(CFileTypeJudge::GetExtendNameType(wma), int(FILE_TYPE_ASF));
    QCOMPARE(CFileTypeJudge::GetExtendNameType(empty), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(CFileTypeJudge::GetExtendNameType(nullptr), int(FILE_TYPE_UNKNOWN));

    // The table keeps its order and is closed by the unknown row.
    int rows = 0;
    while (CFileTypeJudge::szExtendNameAndType[rows].szExtendName != nullptr)
        ++rows;
    QCOMPARE(rows, 21);
    QCOMPARE(QString(CFileTypeJudge::szExtendNameAndType[0].szExtendName), QString("mpeg"));
    QCOMPARE(QString(CFileTypeJudge::szExtendNameAndType[19].szExtendName), QString("ico"));
    QCOMPARE(QString(CFileTypeJudge::szExtendNameAndType[20].szExtendName), QString("heic"));
    QCOMPARE(CFileTypeJudge::szExtendNameAndType[21].nType, int(FILE_TYPE_UNKNOWN));
}

void TestFileTypeJudge::minimumLengths_data()
{
    QTest::addColumn<void*>("test");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("type");

    auto row = [](const char* label, CFileTypeJudge::PFN_TYPE_TEST test, const Bytes& b, int minimum, int type) {
        QTest::newRow(label) << reinterpret_cast<void*>(test)
                             << QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size())) << minimum << type;
    };
    Bytes b;
    row("mpg", &CFileTypeJudge::IsMpgType, Mpeg(0xBA, 0xBB, 4), 16, FILE_TYPE_MPG);
    row("mp4", &CFileTypeJudge::IsMp4Type, FtypBox("isom", 64), 32, FILE_TYPE_MP4);
    b = Head({}, 64);
    Put(b, 0, ".RMF");
    row("rmvb", &CFileTypeJudge::IsRmvbType, b, 4, FILE_TYPE_RMVB);
    row("asf", &CFileTypeJudge::IsAsfType,
        Head({ 0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C }, 64),
        24, FILE_TYPE_ASF);
    b = Head({}, 64);
    Put(b, 0, "RIFF");
    Put(b, 8, "AVI LIST");
    row("avi", &CFileTypeJudge::IsAviType, b, 16, FILE_TYPE_AVI);
    row("3gp", &CFileTypeJudge::Is3pgType, FtypBox("3gp5", 64), 32, FILE_TYPE_3GP);
    row("mp3", &CFileTypeJudge::IsMp3Type, Head({ 'I', 'D', '3', 4, 0, 0x20, 0, 0, 0, 0 }, 64), 10, FILE_TYPE_MP3);
    b = Head({}, 64);
    Put(b, 0, "MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk", 18);
    // "MTrk" at 14 needs 18 bytes although 16 pass the minimum.
    row("mid", &CFileTypeJudge::IsMidType, b, 18, FILE_TYPE_MID);
    b = Head({}, 64);
    Put(b, 0, "RIFF");
    Put(b, 8, "WAVEfmt ");
    row("wav", &CFileTypeJudge::IsWavType, b, 16, FILE_TYPE_WAV);
    row("mov", &CFileTypeJudge::IsMovType, FtypBox("qt  ", 64), 16, FILE_TYPE_MOV);
    b = Head({}, 64);
    Put(b, 0, "GIF87a");
    row("gif", &CFileTypeJudge::IsGifType, b, 8, FILE_TYPE_GIF);
    row("bmp", &CFileTypeJudge::IsBmpType, Head({ 'B', 'A', 9, 9, 9, 9, 0, 0, 0, 0, 9, 9, 9, 9, 40, 0, 0, 0 }, 64), 40,
        FILE_TYPE_BMP);
    row("jpg", &CFileTypeJudge::IsJpgType, ExifJpeg(64), 16, FILE_TYPE_JPG);
    row("png", &CFileTypeJudge::IsPngType, Head({ 0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A }, 64), 8,
        FILE_TYPE_PNG);
    // One directory entry whose image starts right after the directory (22 bytes).
    row("ico", &CFileTypeJudge::IsIcoType,
        Head({ 0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0x10, 0, 0, 0, 22, 0, 0, 0 }, 64), 22, FILE_TYPE_ICO);
    row("heic", &CFileTypeJudge::IsHeicType, FtypBox("mif1", 64), 16, FILE_TYPE_HEIC);
    b = Head({}, 64);
    Put(b, 0, "MAC ");
    row("ape", &CFileTypeJudge::IsApeType, b, 4, FILE_TYPE_APE);
    row("mp2", &CFileTypeJudge::IsMp2Type, Head({ 0xFF, 0xFD, 0xE4, 0x00 }, 64), 4, FILE_TYPE_MP2);
    b = Head({}, 64);
    Put(b, 0, "MMMD");
    row("mmf", &CFileTypeJudge::IsMmfType, b, 4, FILE_TYPE_MMF);
    row("zip", &CFileTypeJudge::IsZipType, Head({ 0x50, 0x4B, 0x03, 0x04 }, 64), 48, FILE_TYPE_ZIP);
    row("gzip", &CFileTypeJudge::IsGzipType, Head({ 0x1F, 0x8B, 0x08, 0x08, 0, 0, 0, 0, 0x02, 0x03 }, 64), 16,
        FILE_TYPE_GZIP);
    row("7z", &CFileTypeJudge::Is7zType, Head({ 0x37, 0x7A, 0xBC, 0xAF, 0x27 }, 64), 5, FILE_TYPE_7Z);
    b = Head({}, 64);
    Put(b, 0, "MSCF");
    row("cab", &CFileTypeJudge::IsCabType, b, 36, FILE_TYPE_CAB);
    b = Head({}, 64);
    Put(b, 0, "!BDN");
    Put(b, 8, "SM");
    row("pst", &CFileTypeJudge::IsPstEmailType, b, 16, FILE_TYPE_PST);
    row("dbx", &CFileTypeJudge::IsDbxEmailType, Head({ 0xCF, 0xAD, 0x12, 0xFE }, 64), 16, FILE_TYPE_DBX);
    row("gho", &CFileTypeJudge::IsGhoType, Head({ 0xFE, 0xEF, 0x00, 0x00 }, 64), 4, FILE_TYPE_GHO);
    b = Head({}, 64);
    Put(b, 0, "%PDF-");
    row("pdf", &CFileTypeJudge::IsPdfType, b, 5, FILE_TYPE_PDF);
    row("tif", &CFileTypeJudge::IsTifType, Head({ 0x4D, 0x4D, 0x00, 0x2A }, 64), 4, FILE_TYPE_TIF);
    b = Head({}, 64);
    Put(b, 0, "8BPS");
    row("psd", &CFileTypeJudge::IsPsdType, b, 40, FILE_TYPE_PSD);
    row("flv", &CFileTypeJudge::IsFlvType, Head({ 'F', 'L', 'V', 1, 5, 0, 0, 0, 9 }, 64), 16, FILE_TYPE_FLV);
    row("swf", &CFileTypeJudge::IsSwfType, Head({ 'C', 'W', 'S', 15 }, 64), 8, FILE_TYPE_SWF);
    row("mkv", &CFileTypeJudge::IsMkvType, Head({ 0x1A, 0x45, 0xDF, 0xA3 }, 64), 16, FILE_TYPE_MKV);
    row("mts", &CFileTypeJudge::IsMtsType, Head({ 0x47, 0x40, 0, 0x10, 0, 0, 0, 0, 0, 0, 0xB0, 0x11, 0, 0, 0xC1, 0 }, 64),
        16, FILE_TYPE_MTS);
    row("fla", &CFileTypeJudge::IsFlaType, Head({ 0xD0, 0xCF, 0x11, 0xE0 }, 64), 16, FILE_TYPE_FLA);
    row("office2007", &CFileTypeJudge::IsOffice2007Type, Head({ 0x50, 0x4B, 0x03, 0x04 }, 64), 31,
        FILE_TYPE_OFFICE2007);
    row("office2003", &CFileTypeJudge::IsOffice2003Type, Head({ 0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1 }, 64), 8,
        FILE_TYPE_OFFICE2003);
    b = Head({}, 64);
    Put(b, 0, "SQLite format 3", 16);
    row("sql", &CFileTypeJudge::IsSqlType, b, 16, FILE_TYPE_SQL);
    row("rar", &CFileTypeJudge::IsRarType, Head({ 0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00 }, 64), 7, FILE_TYPE_RAR);
    // Zero tables would fail the non-zero test, so one table: marker at 16 + 12 = 28, needs 32 bytes.
    b = Head({ 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1 }, 64);
    b[28] = 0, b[29] = 1, b[30] = 0, b[31] = 0;
    row("ttf", &CFileTypeJudge::IsTtfType, b, 32, FILE_TYPE_TTF);
}

void TestFileTypeJudge::minimumLengths()
{
    QFETCH(void*, test);
    QFETCH(QByteArray, data);
    QFETCH(int, minimum);
    QFETCH(int, type);
    auto fn = reinterpret_cast<CFileTypeJudge::PFN_TYPE_TEST>(test);
    Bytes b(data.begin(), data.end());
    QCOMPARE(RunExact(fn, b, int(b.size())), type);
    QCOMPARE(RunExact(fn, b, minimum), type);
    QCOMPARE(RunExact(fn, b, minimum - 1), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(fn(nullptr, 512), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(fn(b.data(), -1), int(FILE_TYPE_UNKNOWN));
}

void TestFileTypeJudge::icoDirectoryWalk()
{
    // Two entries: images at 38 (size 100) and 138.
    Bytes two = Head({ 0, 0, 1, 0, 2, 0 }, 64);
    auto entry = [&](int at, uint32_t size, uint32_t offset) {
        for (int i = 0; i < 16; ++i)
            two[at + i] = 0;
        std::memcpy(two.data() + at + 8, &size, 4);
        std::memcpy(two.data() + at + 12, &offset, 4);
    };
    entry(6, 100, 38);
    entry(22, 50, 138);
    QCOMPARE(CFileTypeJudge::IsIcoType(two.data(), 64), int(FILE_TYPE_ICO));
    // The directory must fit: 38 bytes needed.
    QCOMPARE(RunExact(&CFileTypeJudge::IsIcoType, two, 38), int(FILE_TYPE_ICO));
    QCOMPARE(RunExact(&CFileTypeJudge::IsIcoType, two, 37), int(FILE_TYPE_UNKNOWN));
    entry(22, 50, 139);
    QCOMPARE(CFileTypeJudge::IsIcoType(two.data(), 64), int(FILE_TYPE_UNKNOWN));
    entry(22, 50, 138);
    two[22 + 3] = 1; // reserved byte
    QCOMPARE(CFileTypeJudge::IsIcoType(two.data(), 64), int(FILE_TYPE_UNKNOWN));
    // No images, or more entries than the buffer holds.
    Bytes none = Head({ 0, 0, 1, 0, 0, 0 }, 64);
    QCOMPARE(CFileTypeJudge::IsIcoType(none.data(), 64), int(FILE_TYPE_UNKNOWN));
    Bytes many = Head({ 0, 0, 1, 0, 0xFF, 0xFF }, 64);
    QCOMPARE(CFileTypeJudge::IsIcoType(many.data(), 64), int(FILE_TYPE_UNKNOWN));
}

void TestFileTypeJudge::furtherTests()
{
    // Executables: flags decide exe, dll or sys; the header must start by 488.
    auto pe = [](int at, uint16_t flags) {
        Bytes b(512, 0);
        b[0] = 'M', b[1] = 'Z';
        uint32_t off = uint32_t(at);
        std::memcpy(b.data() + 60, &off, 4);
        if (at + 24 <= 512) {
            b[at] = 'P', b[at + 1] = 'E';
            std::memcpy(b.data() + at + 22, &flags, 2);
        }
        return b;
    };
    Bytes exe = pe(128, 0x0102), dll = pe(128, 0x2102), sys = pe(488, 0x3002), notExec = pe(128, 0x2100),
          tooFar = pe(489, 0x0002);
    QCOMPARE(CFileTypeJudge::IsPeType(exe.data(), 512), int(FILE_TYPE_EXE));
    QCOMPARE(CFileTypeJudge::IsPeType(dll.data(), 512), int(FILE_TYPE_DLL));
    QCOMPARE(CFileTypeJudge::IsPeType(sys.data(), 512), int(FILE_TYPE_SYS));
    QCOMPARE(CFileTypeJudge::IsPeType(notExec.data(), 512), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(CFileTypeJudge::IsPeType(tooFar.data(), 512), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(RunExact(&CFileTypeJudge::IsPeType, sys, 511), int(FILE_TYPE_UNKNOWN));

    // Office 2007 by its part name at 31: the name needs 50 bytes even though 31 pass the minimum.
    Bytes ooxml = Head({}, 64);
    Put(ooxml, 31, "[Content_Types].xml");
    QCOMPARE(RunExact(&CFileTypeJudge::IsOffice2007Type, ooxml, 50), int(FILE_TYPE_OFFICE2007));
    QCOMPARE(RunExact(&CFileTypeJudge::IsOffice2007Type, ooxml, 49), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(RunExact(&CFileTypeJudge::IsOffice2007Type, ooxml, 31), int(FILE_TYPE_UNKNOWN));

    // TrueType: the table count (big-endian) moves the second marker; it must fit.
    Bytes ttf = Head({ 0, 1, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1 }, 64);
    ttf[44] = 0, ttf[45] = 1, ttf[46] = 0, ttf[47] = 0;
    QCOMPARE(RunExact(&CFileTypeJudge::IsTtfType, ttf, 48), int(FILE_TYPE_TTF));
    QCOMPARE(RunExact(&CFileTypeJudge::IsTtfType, ttf, 47), int(FILE_TYPE_UNKNOWN));
    ttf[4] = 0xFF; // 65282 tables: far past any buffer
    QCOMPARE(CFileTypeJudge::IsTtfType(ttf.data(), 64), int(FILE_TYPE_UNKNOWN));

    // Gzip field checks; swf version ranges.
    Bytes gz = Head({ 0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0x04, 0xFF }, 16);
    QCOMPARE(CFileTypeJudge::IsGzipType(gz.data(), 16), int(FILE_TYPE_GZIP));
    gz[9] = 14;
    QCOMPARE(CFileTypeJudge::IsGzipType(gz.data(), 16), int(FILE_TYPE_UNKNOWN));
    Bytes fws = Head({ 'F', 'W', 'S', 6 }, 8), cws = Head({ 'C', 'W', 'S', 5 }, 8);
    QCOMPARE(CFileTypeJudge::IsSwfType(fws.data(), 8), int(FILE_TYPE_UNKNOWN));
    QCOMPARE(CFileTypeJudge::IsSwfType(cws.data(), 8), int(FILE_TYPE_UNKNOWN));
    fws[3] = 5;
    QCOMPARE(CFileTypeJudge::IsSwfType(fws.data(), 8), int(FILE_TYPE_SWF));

    // ID3 with a flag bit in the low five bits, or a size byte above 7F.
    Bytes id3 = Head({ 'I', 'D', '3', 3, 0, 0x01, 0, 0, 0, 0 }, 16);
    QCOMPARE(CFileTypeJudge::IsMp3Type(id3.data(), 16), int(FILE_TYPE_UNKNOWN));
    id3[5] = 0x80;
    id3[9] = 0x80;
    QCOMPARE(CFileTypeJudge::IsMp3Type(id3.data(), 16), int(FILE_TYPE_UNKNOWN));
    id3[9] = 0x7F;
    QCOMPARE(CFileTypeJudge::IsMp3Type(id3.data(), 16), int(FILE_TYPE_MP3));
}

void TestFileTypeJudge::searchHelpers()
{
    unsigned char data[] = "abcXYabcXY";
    unsigned char pat[] = "abc";
    unsigned char longer[] = "abcXYabcXYz";
    QCOMPARE(CFileTypeJudge::memmem(data, 10, pat, 3), data);
    QCOMPARE(CFileTypeJudge::memrmem(data, 10, pat, 3), data + 5);
    QCOMPARE(CFileTypeJudge::memmem(data, 10, pat + 1, 2), data + 1);
    QCOMPARE(CFileTypeJudge::memrmem(data, 10, pat + 1, 2), data + 6);
    // Match ending exactly at the end; no match; pattern longer than data; nulls; empty.
    unsigned char tail[] = "XY";
    QCOMPARE(CFileTypeJudge::memmem(data + 5, 5, tail, 2), data + 8);
    unsigned char absent[] = "ZZ";
    QVERIFY(CFileTypeJudge::memmem(data, 10, absent, 2) == nullptr);
    QVERIFY(CFileTypeJudge::memrmem(data, 10, absent, 2) == nullptr);
    QVERIFY(CFileTypeJudge::memmem(data, 10, longer, 11) == nullptr);
    QVERIFY(CFileTypeJudge::memrmem(data, 10, longer, 11) == nullptr);
    QVERIFY(CFileTypeJudge::memmem(nullptr, 10, pat, 3) == nullptr);
    QVERIFY(CFileTypeJudge::memrmem(data, 10, nullptr, 3) == nullptr);
    QVERIFY(CFileTypeJudge::memmem(data, 10, pat, 0) == nullptr);
}

void TestFileTypeJudge::memoryFormAndRobustness()
{
    CFileTypeJudge judge;
    wchar_t name[4096];
    Bytes gif = Head({}, 40);
    Put(gif, 0, "GIF89a");
    name[0] = 0;
    // The memory form has no 512-byte floor: a 40-byte GIF is named.
    QCOMPARE(judge.ParseFileBuf(gif.data(), 40, name), 0);
    QCOMPARE(QString::fromWCharArray(name), QString("0.gif"));
    Bytes junk(40, 'q');
    name[0] = 0;
    QCOMPARE(judge.ParseFileBuf(junk.data(), 40, name), 0);
    QCOMPARE(name[0], wchar_t(0));
    QCOMPARE(judge.ParseFileBuf(nullptr, 40, name), 0);
    QCOMPARE(judge.ParseFileBuf(gif.data(), 40, nullptr), 0);
    QCOMPARE(judge.GetCounter(), 2ULL);

    // Every prefix of every recognised head, at its exact size: no read past the end.
    const std::vector<Bytes> heads = { ExifJpeg(64), FtypBox("qt  ", 64), FtypBox("heic", 64), Mpeg(0xBA, 0xBB, 28),
                                       Head({ 0, 0, 1, 0, 3, 0 }, 64) };
    for (const Bytes& h : heads) {
        for (int n = 0; n <= int(h.size()); ++n) {
            std::unique_ptr<unsigned char[]> exact(new unsigned char[n > 0 ? n : 1]);
            std::memcpy(exact.get(), h.data(), n);
            const int type = CFileTypeJudge::GetDataBufType(exact.get(), n);
            QVERIFY(type == FILE_TYPE_UNKNOWN || n >= 16);
        }
    }
}

QTEST_GUILESS_MAIN(TestFileTypeJudge)
#include "tst_filetypejudge.moc"
