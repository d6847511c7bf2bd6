#include <QtTest>

#include <algorithm>

#include "engine/BackupRecords.h"

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void sortOrders();
    void copiesAreIndependent();
    void variantRoundTrip();
};

void TestRecords::sortOrders()
{
    // Names fold ASCII case: alice before Bob.
    std::vector<__PERSON_CONTENT__> people(3);
    people[0].strName = "Bob";
    people[1].strName = "alice";
    people[2].strName = "Carol";
    std::sort(people.begin(), people.end(), [](const auto& a, const auto& b) { return VectorCmp(a, b); });
    QCOMPARE(QString::fromStdString(people[0].strName), QString("alice"));
    QCOMPARE(QString::fromStdString(people[1].strName), QString("Bob"));

    // Dates newest first; equal ignoring case compares equal both ways.
    __MESSAGE_INFO__ older, newer;
    older.strDate = "2019-05-04 10:40:12";
    newer.strDate = "2020-01-01 00:00:00";
    QVERIFY(VectorCmp(newer, older));
    QVERIFY(!VectorCmp(older, newer));
    __MESSAGE_INFO__ x, y;
    x.strDate = "abc";
    y.strDate = "ABC";
    QVERIFY(!VectorCmp(x, y) && !VectorCmp(y, x));

    std::vector<_IPHONE_CAMERA_INFO_> cams(2);
    cams[0].strFileName = "IMG_0002.JPG";
    cams[1].strFileName = "img_0001.jpg";
    std::sort(cams.begin(), cams.end(), [](const auto& a, const auto& b) { return CamVectorCmp(a, b); });
    QCOMPARE(QString::fromStdString(cams[0].strFileName), QString("img_0001.jpg"));
}

void TestRecords::copiesAreIndependent()
{
    _IPHONE_APP_FILE_INFO_ a;
    a.nSize = static_cast<int>(5000000000ULL & 0xffffffffULL);
    QCOMPARE(a.nSize, 705032704);
    a.strAppName = "whatsapp";
    a.wstrFullPath = L"/x/y";
    _IPHONE_APP_FILE_INFO_ b = a;
    b.strAppName[0] = 'W';
    b.wstrFullPath += L"z";
    QCOMPARE(QString::fromStdString(a.strAppName), QString("whatsapp"));
    QVERIFY(a.wstrFullPath == L"/x/y");
}

void TestRecords::variantRoundTrip()
{
    RegisterRecordMetaTypes();
    QVERIFY(QMetaType::fromName("BACK_FILE_INFO").isValid());
    QVERIFY(QMetaType::fromName("IPHONE_CAMERA_INFO").isValid());
    QVERIFY(QMetaType::fromName("CALLHISTORY").isValid());
    __BACK_FILE_INFO__ info;
    info.bEncrypted = true;
    info.strDisplayName = "Anna's iPhone";
    QVariant v = QVariant::fromValue(info);
    QCOMPARE(v.metaType(), QMetaType::fromName("BACK_FILE_INFO"));
    __BACK_FILE_INFO__ back = v.value<__BACK_FILE_INFO__>();
    QVERIFY(back.bEncrypted);
    QCOMPARE(QString::fromStdString(back.strDisplayName), QString("Anna's iPhone"));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
