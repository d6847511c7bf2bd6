// Keybag records: parsing, unlocking with right and wrong passwords, and damaged input.
#include <QtTest>

#include "decryptor/AesKeyWrap.h"
#include "decryptor/Keybag.h"
#include "tools/sample/SampleKeybag.h"

namespace {
SampleKeybag MakeBag(bool doubleProtection, std::set<uint32_t> deviceBound = {},
                     QList<QPair<QByteArray, QByteArray>> extra = {})
{
    SampleKeybagPlan plan;
    plan.password = "correct horse";
    plan.doubleProtection = doubleProtection;
    plan.iterations = 3;
    plan.dpIterations = 5;
    plan.deviceBoundClasses = deviceBound;
    plan.extraHeaderRecords = extra;
    SampleRandom random(42);
    SampleKeybag bag;
    QString error;
    if (!BuildSampleKeybag(plan, random, &bag, &error))
        qFatal("%s", qPrintable(error));
    return bag;
}
} // namespace

class TestKeybag : public QObject {
    Q_OBJECT
private slots:
    void unlockBothGenerations();
    void deviceBoundAndDamagedClasses();
    void truncatedAndIncompleteKeybags();
    void unknownTagsIgnored();
};

void TestKeybag::unlockBothGenerations()
{
    for (bool dp : { true, false }) {
        const SampleKeybag sample = MakeBag(dp);
        CKeybag bag;
        QString error;
        QVERIFY2(bag.Parse(sample.bytes, &error), qPrintable(error));
        QCOMPARE(bag.KdfParams().bHasDoubleProtection, dp);
        QCOMPARE(bag.KdfParams().nIterations, 3u);
        QCOMPARE(bag.Type(), 1u);
        QCOMPARE(int(bag.Classes().size()), 11);

        QCOMPARE(bag.Unlock("wrong horse", &error), CKeybag::WrongPassword);
        QCOMPARE(error, QStringLiteral("Wrong password"));
        QVERIFY(bag.ClassKey(3).isEmpty());
        QCOMPARE(bag.Unlock(QByteArray(), &error), CKeybag::WrongPassword);

        QCOMPARE(bag.Unlock("correct horse", &error), CKeybag::Unlocked);
        for (uint32_t cls = 1; cls <= 11; ++cls)
            QCOMPARE(bag.ClassKey(cls), sample.classKeys.at(cls));

        // A file key wrapped by class 4 opens through the keybag.
        const QByteArray fileKey(32, char(0x5a));
        QByteArray wrapped, opened;
        QVERIFY(AesWrapKey(sample.classKeys.at(4), fileKey, &wrapped));
        QVERIFY(bag.UnwrapWithClass(4, wrapped, &opened, &error));
        QCOMPARE(opened, fileKey);
        QVERIFY(!bag.UnwrapWithClass(3, wrapped, &opened, &error));
        QVERIFY(!bag.UnwrapWithClass(12, wrapped, &opened, &error));
        QVERIFY(error.contains("not in the keybag"));
        QVERIFY(!bag.UnwrapWithClass(4, wrapped.left(32), &opened, &error));
    }
}

void TestKeybag::deviceBoundAndDamagedClasses()
{
    SampleKeybag sample = MakeBag(true, { 2, 11 });
    CKeybag bag;
    QString error;
    QVERIFY(bag.Parse(sample.bytes, &error));
    QCOMPARE(bag.Unlock("correct horse", &error), CKeybag::Unlocked);
    QVERIFY(bag.IsDeviceBound(2));
    QVERIFY(!bag.IsDeviceBound(3));
    QVERIFY(bag.ClassKey(2).isEmpty());
    QByteArray out;
    QVERIFY(!bag.UnwrapWithClass(2, QByteArray(40, 'x'), &out, &error));
    QVERIFY(error.contains("bound to the device"));

    // One damaged wrapped key: the password is still right, only that class is lost.
    const int at = sample.bytes.indexOf(QByteArray("WPKY"));
    sample.bytes[at + 8 + 3] = char(sample.bytes[at + 8 + 3] ^ 1);
    CKeybag damaged;
    QVERIFY(damaged.Parse(sample.bytes, &error));
    QCOMPARE(damaged.Unlock("correct horse", &error), CKeybag::Unlocked);
    QVERIFY(damaged.ClassKey(1).isEmpty());
    QCOMPARE(damaged.ClassKey(3), sample.classKeys.at(3));

    // Only device-bound classes: no way to test the password at all.
    SampleKeybag allBound = MakeBag(false, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 });
    CKeybag none;
    QVERIFY(none.Parse(allBound.bytes, &error));
    QCOMPARE(none.Unlock("correct horse", &error), CKeybag::Unusable);
    QVERIFY(!error.isEmpty());
}

void TestKeybag::truncatedAndIncompleteKeybags()
{
    const SampleKeybag sample = MakeBag(true);
    // Every cut either fails with a reason or parses a shorter but consistent bag.
    for (int len = 0; len < sample.bytes.size(); ++len) {
        CKeybag bag;
        QString error;
        const QByteArray cut = sample.bytes.left(len);
        if (!bag.Parse(cut, &error))
            QVERIFY2(!error.isEmpty(), qPrintable(QString::number(len)));
        else
            QVERIFY(bag.Classes().size() <= 11);
    }
    QString error;
    CKeybag bag;
    QVERIFY(!bag.Parse(sample.bytes.left(sample.bytes.size() - 1), &error));
    QVERIFY2(error.contains("runs past the end"), qPrintable(error));
    QVERIFY(!bag.Parse(sample.bytes.left(13), &error));

    // A length field far beyond the data.
    QByteArray huge = KeybagRecordU32("VERS", 4) + QByteArray("SALT\xff\xff\xff\xf0", 8) + QByteArray(20, 's');
    QVERIFY(!bag.Parse(huge, &error));
    QVERIFY(error.contains("SALT"));

    // Missing SALT/ITER, half the double protection, or no class keys at all.
    const QByteArray header = KeybagRecordU32("VERS", 4) + KeybagRecord("UUID", QByteArray(16, 'u'));
    const QByteArray cls = KeybagRecord("UUID", QByteArray(16, 'c')) + KeybagRecordU32("CLAS", 1)
        + KeybagRecordU32("WRAP", 2) + KeybagRecordU32("KTYP", 0) + KeybagRecord("WPKY", QByteArray(40, 'w'));
    const QByteArray salt = KeybagRecord("SALT", QByteArray(20, 's'));
    const QByteArray iter = KeybagRecordU32("ITER", 10);
    QVERIFY(!bag.Parse(header + iter + cls, &error));
    QVERIFY(!bag.Parse(header + salt + cls, &error));
    QVERIFY(!bag.Parse(header + salt + KeybagRecordU32("ITER", 0) + cls, &error));
    QVERIFY(!bag.Parse(header + salt + KeybagRecord("ITER", "\x01\x02"), &error));
    QVERIFY(!bag.Parse(header + salt + iter + KeybagRecordU32("DPIC", 10) + cls, &error));
    QVERIFY(error.contains("DPSL"));
    QVERIFY(!bag.Parse(header + salt + iter, &error));
    QVERIFY(error.contains("no class keys"));
    QVERIFY(bag.Parse(header + salt + iter + cls, &error));
    QVERIFY(!bag.Parse(QByteArray(), &error));
    QVERIFY(!bag.Parse(nullptr, 10, &error));
    // Garbage tags are named in hex, never as raw bytes.
    QVERIFY(!bag.Parse(QByteArray("\x01\x02\x03\x04\x00\x00\x01\x00", 8), &error));
    QVERIFY2(error.contains("01020304"), qPrintable(error));
}

void TestKeybag::unknownTagsIgnored()
{
    const SampleKeybag sample = MakeBag(true, {}, { { "ZZZZ", "whatever" }, { "TYPE", QByteArray(4, '\0') } });
    CKeybag bag;
    QString error;
    QVERIFY2(bag.Parse(sample.bytes, &error), qPrintable(error));
    QCOMPARE(bag.Unlock("correct horse", &error), CKeybag::Unlocked);
    QCOMPARE(bag.ClassKey(7), sample.classKeys.at(7));
}

QTEST_APPLESS_MAIN(TestKeybag)
#include "tst_keybag.moc"
