// Known-answer vectors for the key wrap and the key derivation.
#include <QtTest>

#include "decryptor/AesKeyWrap.h"
#include "decryptor/KeyDerivation.h"

namespace {
QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}
QByteArray Derive(PbkdfHash hash, const QByteArray& pw, const QByteArray& salt, uint32_t iter, int len)
{
    QByteArray out;
    const bool ok = Pbkdf2(hash, reinterpret_cast<const uint8_t*>(pw.constData()), size_t(pw.size()),
                           reinterpret_cast<const uint8_t*>(salt.constData()), size_t(salt.size()), iter, len, &out);
    return ok ? out : QByteArray("failed");
}
} // namespace

class TestCryptoPrimitives : public QObject {
    Q_OBJECT
private slots:
    void keyWrapVectors();
    void keyUnwrapRejects();
    void pbkdf2Vectors();
    void keybagKeyBothGenerations();
};

void TestCryptoPrimitives::keyWrapVectors()
{
    // RFC 3394 4.6: 256-bit key data under a 256-bit KEK.
    const QByteArray kek = Hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
    const QByteArray data = Hex("00112233445566778899AABBCCDDEEFF000102030405060708090A0B0C0D0E0F");
    const QByteArray wrapped = Hex("28C9F404C4B810F4CBCCB35CFB87F8263F5786E2D80ED326CBC7F0E71A99F43BFB988B9B7A02DD21");
    QByteArray out;
    QVERIFY(AesWrapKey(kek, data, &out));
    QCOMPARE(out, wrapped);
    QVERIFY(AesUnwrapKey(kek, wrapped, &out));
    QCOMPARE(out, data);

    // RFC 3394 4.1: 128-bit key data under a 128-bit KEK.
    const QByteArray kek128 = Hex("000102030405060708090A0B0C0D0E0F");
    QVERIFY(AesUnwrapKey(kek128, Hex("1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5"), &out));
    QCOMPARE(out, Hex("00112233445566778899AABBCCDDEEFF"));

    // Keys in turn, on two threads: each unwrap uses its own key, never the one before
    // it, also when the two differ only in their last byte.
    QByteArray nearKek = kek;
    nearKek[31] = char(nearKek[31] ^ 1);
    const auto inTurn = [&]() {
        bool ok = true;
        for (int i = 0; i < 50 && ok; ++i) {
            QByteArray a, b;
            ok = AesUnwrapKey(kek, wrapped, &a) && a == data && !AesUnwrapKey(nearKek, wrapped, &b)
                && AesUnwrapKey(kek128, Hex("1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5"), &b)
                && b == Hex("00112233445566778899AABBCCDDEEFF");
        }
        return ok;
    };
    bool otherThread = false;
    QThread* thread = QThread::create([&]() { otherThread = inTurn(); });
    thread->start();
    QVERIFY(inTurn());
    QVERIFY(thread->wait(30000));
    delete thread;
    QVERIFY(otherThread);
}

void TestCryptoPrimitives::keyUnwrapRejects()
{
    const QByteArray kek = Hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
    QByteArray wrapped = Hex("28C9F404C4B810F4CBCCB35CFB87F8263F5786E2D80ED326CBC7F0E71A99F43BFB988B9B7A02DD21");
    QByteArray out("untouched");

    // Another key (a wrong password) fails the integrity check.
    QByteArray otherKek = kek;
    otherKek[0] = char(0x01);
    QVERIFY(!AesUnwrapKey(otherKek, wrapped, &out));
    // So does a flipped bit anywhere in the wrapped key.
    for (int i = 0; i < wrapped.size(); i += 7) {
        QByteArray damaged = wrapped;
        damaged[i] = char(damaged[i] ^ 0x40);
        QVERIFY2(!AesUnwrapKey(kek, damaged, &out), qPrintable(QString::number(i)));
    }
    // Sizes that are not a wrap: too short, not a multiple of 8, bad KEK length.
    QVERIFY(!AesUnwrapKey(kek, wrapped.left(16), &out));
    QVERIFY(!AesUnwrapKey(kek, wrapped.left(39), &out));
    QVERIFY(!AesUnwrapKey(kek, QByteArray(), &out));
    QVERIFY(!AesUnwrapKey(kek.left(31), wrapped, &out));
    QVERIFY(!AesUnwrapKey(nullptr, 32, nullptr, 40, &out));
    QCOMPARE(out, QByteArray("untouched"));
}

void TestCryptoPrimitives::pbkdf2Vectors()
{
    // RFC 6070 (PBKDF2-HMAC-SHA1).
    QCOMPARE(Derive(PbkdfHash::Sha1, "password", "salt", 1, 20), Hex("0c60c80f961f0e71f3a9b524af6012062fe037a6"));
    QCOMPARE(Derive(PbkdfHash::Sha1, "password", "salt", 2, 20), Hex("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"));
    QCOMPARE(Derive(PbkdfHash::Sha1, "password", "salt", 4096, 20), Hex("4b007901b765489abead49d926f721d065a429c1"));
    QCOMPARE(Derive(PbkdfHash::Sha1, "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
             Hex("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"));
    QCOMPARE(Derive(PbkdfHash::Sha1, QByteArray("pass\0word", 9), QByteArray("sa\0lt", 5), 4096, 16),
             Hex("56fa6aa75548099dcc37d7f03425e0c3"));
    // PBKDF2-HMAC-SHA256, the first stage of newer keybags.
    QCOMPARE(Derive(PbkdfHash::Sha256, "password", "salt", 1, 32),
             Hex("120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"));
    QCOMPARE(Derive(PbkdfHash::Sha256, "password", "salt", 4096, 32),
             Hex("c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"));
    // A zero count is refused rather than silently treated as one.
    QCOMPARE(Derive(PbkdfHash::Sha1, "password", "salt", 0, 20), QByteArray("failed"));
}

void TestCryptoPrimitives::keybagKeyBothGenerations()
{
    KEYBAG_KDF_PARAMS params;
    params.salt = "SALTSALTSALTSALTSALT";
    params.nIterations = 7;
    QByteArray kek;
    QString error;

    // Older keybags: PBKDF2-SHA1 over the password itself.
    QVERIFY(DeriveKeybagKey("päss wörd", params, &kek, &error));
    QCOMPARE(kek, Derive(PbkdfHash::Sha1, "päss wörd", params.salt, 7, 32));

    // Newer keybags: PBKDF2-SHA256 over DPSL/DPIC first.
    params.bHasDoubleProtection = true;
    params.dpSalt = "DPSLDPSLDPSLDPSLDPSL";
    params.nDpIterations = 11;
    QVERIFY(DeriveKeybagKey("päss wörd", params, &kek, &error));
    const QByteArray first = Derive(PbkdfHash::Sha256, "päss wörd", params.dpSalt, 11, 32);
    QCOMPARE(kek, Derive(PbkdfHash::Sha1, first, params.salt, 7, 32));

    // The empty password still derives (and is then simply a wrong one).
    QVERIFY(DeriveKeybagKey(QByteArray(), params, &kek, &error));
    QCOMPARE(kek.size(), 32);

    // Unusable parameters give a reason instead of a key.
    params.nDpIterations = 0;
    QVERIFY(!DeriveKeybagKey("x", params, &kek, &error));
    QVERIFY(error.contains("DPIC"));
    params = KEYBAG_KDF_PARAMS();
    QVERIFY(!DeriveKeybagKey("x", params, &kek, &error));
    QVERIFY(error.contains("SALT"));
}

QTEST_APPLESS_MAIN(TestCryptoPrimitives)
#include "tst_cryptoprimitives.moc"
