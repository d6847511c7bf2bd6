#include <QtTest>

#include "support/Plist.h"

class TestPlist : public QObject {
    Q_OBJECT
private slots:
    void roundTripBothForms();
    void damagedInput();
};

void TestPlist::roundTripBothForms()
{
    QVariantMap root;
    root.insert("Display Name", QStringLiteral("Zoë's iPhone"));
    root.insert("Last Backup Date", QDateTime(QDate(2019, 5, 4), QTime(10, 40, 12), Qt::UTC));
    root.insert("IsEncrypted", true);
    root.insert("Count", qlonglong(-5));
    root.insert("Big", qlonglong(1) << 40);
    root.insert("Key", QByteArray("\x00\x01\xff", 3));
    root.insert("Ratio", 0.5);
    root.insert("Ref", PlistUid(7));
    root.insert("List", QVariantList{QStringLiteral("a"), qlonglong(2)});
    for (bool binary : {false, true}) {
        QByteArray bytes = WritePlist(root, binary);
        QCOMPARE(bytes.startsWith("bplist00"), binary);
        QString err;
        QVariantMap back = ParsePlist(bytes, &err).toMap();
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QCOMPARE(back.value("Display Name").toString(), QStringLiteral("Zoë's iPhone"));
        QCOMPARE(back.value("Last Backup Date").toDateTime().toUTC().toString("yyyy-MM-dd HH:mm:ss"),
                 QString("2019-05-04 10:40:12"));
        QCOMPARE(back.value("IsEncrypted").toBool(), true);
        QCOMPARE(back.value("Count").toLongLong(), qlonglong(-5));
        QCOMPARE(back.value("Big").toLongLong(), qlonglong(1) << 40);
        QCOMPARE(back.value("Key").toByteArray(), QByteArray("\x00\x01\xff", 3));
        QCOMPARE(back.value("Ratio").toDouble(), 0.5);
        if (binary) {
            qlonglong uid = 0;
            QVERIFY(IsPlistUid(back.value("Ref"), &uid));
            QCOMPARE(uid, qlonglong(7));
        }
        QCOMPARE(back.value("List").toList().size(), 2);
    }
}

void TestPlist::damagedInput()
{
    QString err;
    QVERIFY(!ParsePlist(QByteArray(), &err).isValid());
    QVERIFY(!err.isEmpty());
    QVERIFY(!ParsePlist("bplist00garbage", &err).isValid());
    QVERIFY(!ParsePlist("<plist><dict><key>a</key>", &err).isValid() || true); // must not crash
    // A string holding a NUL byte (libplist's own accessor aborts on it).
    QByteArray nul("bplist00", 8);
    nul += QByteArray("\x53" "a\0b", 4);
    nul += char(8);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = 1;
    trailer[31] = 12;
    nul += trailer;
    QVariant v = ParsePlist(nul, &err);
    QVERIFY(v.toString().size() <= 3);
    QByteArray good = WritePlist(QVariantMap{{"k", QStringLiteral("v")}}, true);
    for (int cut = 0; cut < good.size(); ++cut)
        ParsePlist(good.left(cut)); // every prefix: no crash, no overread
}

QTEST_GUILESS_MAIN(TestPlist)
#include "tst_plist.moc"
