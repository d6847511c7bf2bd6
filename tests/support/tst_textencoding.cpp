#include <QtTest>

#include <cstdio>
#include <cwchar>

#include "support/TextEncoding.h"

class TestTextEncoding : public QObject {
    Q_OBJECT
private slots:
    void roundTripsAndNarrowing();
    void boundedBuffers();
    void wideFopen();
};

void TestTextEncoding::roundTripsAndNarrowing()
{
    QCOMPARE(inner_initUnicodeMap("UTF-8"), 0);
    const char* path = "/Users/zoë/Backups/Ünïcode 🎉/a.jpg";
    std::wstring w = Ansi2Unicode(path);
    QCOMPARE(w.size(), size_t(QString::fromUtf8(path).toUcs4().size())); // one unit per character
    QCOMPARE(Unicode2Ansi(w.c_str()), std::string(path));

    // Latin-1 narrowing: é is one byte, characters above U+00FF become '?'.
    char buf[260];
    int n = inner_uni2str(buf, L"é\u4e2dx", sizeof buf, 3);
    QCOMPARE(n, 3);
    QCOMPARE(static_cast<unsigned char>(buf[0]), static_cast<unsigned char>(0xE9));
    QCOMPARE(buf[1], '?');
    QCOMPARE(buf[2], 'x');
    QCOMPARE(buf[3], '\0');

    char narrow[64];
    QVERIFY(inner_uni2str2(narrow, L"héllo", sizeof narrow, 5) > 0);
    QCOMPARE(QString::fromUtf8(narrow), QString::fromUtf8("héllo"));
}

void TestTextEncoding::boundedBuffers()
{
    // rsb_wsprintf: 4095 characters fit, 4096 do not.
    std::vector<wchar_t> dest(RSB_WSPRINTF_CAPACITY);
    std::wstring exact(4095, L'a');
    QCOMPARE(rsb_wsprintf(dest.data(), L"%ls", exact.c_str()), 4095);
    std::wstring over(4096, L'b');
    QVERIFY(rsb_wsprintf(dest.data(), L"%ls", over.c_str()) < 0);
    QVERIFY(wcslen(dest.data()) < size_t(RSB_WSPRINTF_CAPACITY));

    // Long sources are cut to the destination, never overrun (guard bytes stay).
    std::string longText(1000, 'x');
    wchar_t wbuf[20];
    wbuf[19] = L'#';
    QCOMPARE(inner_str2uni(wbuf, longText.c_str(), 19), 18L);
    QCOMPARE(wbuf[18], L'\0');
    QCOMPARE(wbuf[19], L'#');

    char cbuf[12];
    cbuf[11] = '#';
    std::wstring wlong(500, L'y');
    QCOMPARE(inner_uni2str(cbuf, wlong.c_str(), 11, static_cast<long>(wlong.size())), 10);
    QCOMPARE(cbuf[11], '#');
}

void TestTextEncoding::wideFopen()
{
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/Заметки ü.txt");
    std::wstring wpath = WideFromQString(path);
    FILE* f = _wfopen(wpath.c_str(), L"w+,ccs=UTF-8");
    QVERIFY(f);
    fclose(f);
    QCOMPARE(QFileInfo(path).size(), qint64(0)); // no byte-order mark
    QVERIFY(!_wfopen(L"/nonexistent-folder/x.txt", L"r"));
    QCOMPARE(QStringFromWide(wpath), path);
}

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
