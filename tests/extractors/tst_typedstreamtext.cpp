#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/TypedStreamText.h"

class TestTypedStreamText : public QObject {
    Q_OBJECT
private slots:
    void decodesKnownArchives();
    void roundTripsEveryLengthForm();
    void rejectsMalformedArchives();
    void survivesTruncationAndCorruption();
};

static std::string Decode(const std::string& blob, bool* ok)
{
    std::string text = "junk";
    *ok = DecodeTypedStreamText(reinterpret_cast<const uint8_t*>(blob.data()), blob.size(), &text);
    return text;
}

void TestTypedStreamText::decodesKnownArchives()
{
    // "Hello" as a minimal NSAttributedString archive (111 bytes).
    const QByteArray hello = QByteArray::fromHex(
        "040b73747265616d747970656481e803840140848484124e5341747472696275746564537472696e67008484"
        "084e534f626a65637400859284848408"
        "4e53537472696e67019484012b0548656c6c6f86840269490105928484840c4e5344696374696f6e61727900"
        "94840169008686");
    QCOMPARE(hello.size(), 111);
    std::string text;
    QVERIFY(DecodeTypedStreamText(hello, &text));
    QCOMPARE(text, std::string("Hello"));
    QCOMPARE(EncodeTypedStreamText("Hello"), hello.toStdString());

    // An empty text is a valid body (76 bytes), not a failure.
    const std::string blank = EncodeTypedStreamText("");
    QCOMPARE(blank.size(), size_t(76));
    bool ok = false;
    QCOMPARE(Decode(blank, &ok), std::string());
    QVERIFY(ok);

    // A mutable root names NSMutableString before NSString and refers to the
    // superclass with 0x95: the decoder must not hard-code either.
    std::string mutableRoot = std::string("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01\x40", 19) +
                              std::string("\x84\x84\x84\x19", 4) + "NSMutableAttributedString" +
                              std::string("\x00\x84\x84\x12", 4) + "NSAttributedString" +
                              std::string("\x00\x84\x84\x08", 4) + "NSObject" +
                              std::string("\x00\x85\x92\x84\x84\x84\x0f", 7) + "NSMutableString" +
                              std::string("\x01\x84\x84\x08", 4) + "NSString" +
                              std::string("\x01\x95\x84\x01\x2b\x06", 6) + "Test 3" + "\x86\x86";
    QCOMPARE(Decode(mutableRoot, &ok), std::string("Test 3"));
    QVERIFY(ok);
}

void TestTypedStreamText::roundTripsEveryLengthForm()
{
    // One-byte, 0x81 and 0x82 length forms, 4-byte UTF-8 and attachment marks.
    for (size_t n : {size_t(0), size_t(5), size_t(127), size_t(128), size_t(157), size_t(32767),
                     size_t(32768), size_t(70000)}) {
        const std::string text(n, 'x');
        bool ok = false;
        QCOMPARE(Decode(EncodeTypedStreamText(text), &ok), text);
        QVERIFY2(ok, qPrintable(QString::number(n)));
    }
    const std::string mixed = "hi 😀 é\xEF\xBF\xBC end ↄ"; // U+2184 holds the bytes 86 84
    bool ok = false;
    QCOMPARE(Decode(EncodeTypedStreamText(mixed), &ok), mixed);
    QVERIFY(ok);
}

void TestTypedStreamText::rejectsMalformedArchives()
{
    bool ok = true;
    QCOMPARE(Decode("", &ok), std::string());
    QVERIFY(!ok);
    QVERIFY(!DecodeTypedStreamText(nullptr, 100, nullptr));

    // Wrong signature (a keyed archive is not this format).
    std::string blob = EncodeTypedStreamText("Hello");
    std::string other = blob;
    other.replace(2, 11, "typedstream");
    Decode(other, &ok);
    QVERIFY(!ok);

    // Declared length longer than what is left.
    std::string tooLong = blob;
    const size_t lenAt = blob.find("\x84\x01\x2b") + 3;
    tooLong[lenAt] = char(0x7F);
    QCOMPARE(Decode(tooLong, &ok), std::string());
    QVERIFY(!ok);

    // End-of-object marker missing after the text.
    std::string noEnd = blob;
    noEnd[lenAt + 1 + 5] = 'X';
    Decode(noEnd, &ok);
    QVERIFY(!ok);

    // Invalid UTF-8 is refused rather than replaced.
    std::string badUtf8 = blob;
    badUtf8[lenAt + 1] = char(0xC0);
    Decode(badUtf8, &ok);
    QVERIFY(!ok);

    // A tag where the length should be.
    std::string tagLength = blob;
    tagLength[lenAt] = char(0x85);
    Decode(tagLength, &ok);
    QVERIFY(!ok);
}

void TestTypedStreamText::survivesTruncationAndCorruption()
{
    const std::string text = "Sent from attributedBody ✓";
    const std::string blob = EncodeTypedStreamText(text);
    const size_t textEnd = blob.find(text) + text.size();
    // Every truncation: refused until the string's end marker is in, then the full text.
    for (size_t cut = 0; cut <= blob.size(); ++cut) {
        bool ok = false;
        const std::string got = Decode(blob.substr(0, cut), &ok);
        if (cut > textEnd) {
            QVERIFY(ok);
            QCOMPARE(got, text);
        } else {
            QVERIFY2(!ok, qPrintable(QString::number(cut)));
        }
    }
    // Random single-byte corruption: either refused or some valid text; never a crash
    // (run under the sanitizers) and never bytes from outside the buffer.
    PhoneRandom rnd(7);
    for (int i = 0; i < 20000; ++i) {
        std::string bad = blob;
        bad[size_t(rnd.Below(int(bad.size())))] = char(rnd.Below(256));
        bool ok = false;
        const std::string got = Decode(bad, &ok);
        if (ok)
            QVERIFY(got.size() < bad.size());
    }
}

QTEST_GUILESS_MAIN(TestTypedStreamText)
#include "tst_typedstreamtext.moc"
