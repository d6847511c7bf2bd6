#include <QtTest>

#include "engine/ContactText.h"

class TestContactText : public QObject {
    Q_OBJECT
private slots:
    void displayNames();
    void labels();
    void lines();
};

static std::string U(const char* utf8)
{
    return std::string(utf8);
}

void TestContactText::displayNames()
{
    // Given, middle, family with single spaces; blanks around a part do not count.
    QCOMPARE(ContactDisplayName("Anna", "", "Berg", "Acme"), U("Anna Berg"));
    QCOMPARE(ContactDisplayName(" Anna ", "Maria", "Berg\n", ""), U("Anna Maria Berg"));
    QCOMPARE(ContactDisplayName("", "", "Berg", ""), U("Berg"));
    // Han, Kana and Hangul: family name first, no space.
    QCOMPARE(ContactDisplayName("太郎", "", "山田", ""), U("山田太郎"));
    QCOMPARE(ContactDisplayName("민준", "", "김", ""), U("김민준"));
    QCOMPARE(ContactDisplayName("はなこ", "", "すずき", ""), U("すずきはなこ"));
    QCOMPARE(ContactDisplayName("ハナコ", "", "スズキ", ""), U("スズキハナコ"));
    // A Latin part keeps the Western order.
    QCOMPARE(ContactDisplayName("Kenji", "", "田中", ""), U("Kenji 田中"));
    QVERIFY(IsEastAsianName("太郎", "", "山田 2"));  // digits and blanks are no script
    QVERIFY(!IsEastAsianName("太郎", "", "山田 (work)"));
    QVERIFY(!IsEastAsianName("", "", ""));
    QVERIFY(!IsEastAsianName("Zoë", "", ""));
    // No person name: the organisation; neither: "No Name".
    QCOMPARE(ContactDisplayName("", " ", "", "Northwind Traders"), U("Northwind Traders"));
    QCOMPARE(ContactDisplayName("", "", "", ""), U("No Name"));
    QCOMPARE(ContactDisplayName("", "", "", " \t"), U("No Name"));
}

void TestContactText::labels()
{
    QCOMPARE(ContactLabelText("_$!<Mobile>!$_"), U("mobile"));
    QCOMPARE(ContactLabelText("_$!<HomeFAX>!$_"), U("home fax"));
    QCOMPARE(ContactLabelText("_$!<WorkFAX>!$_"), U("work fax"));
    QCOMPARE(ContactLabelText("_$!<HomePage>!$_"), U("homepage"));
    QCOMPARE(ContactLabelText("iPhone"), U("iPhone"));
    QCOMPARE(ContactLabelText("TextNow"), U("TextNow"));
    QCOMPARE(ContactLabelText(""), U(""));
    // Half a marker is the user's own text.
    QCOMPARE(ContactLabelText("_$!<>!$_"), U("_$!<>!$_"));
    QCOMPARE(ContactLabelText("_$!<Mobile"), U("_$!<Mobile"));
    QVERIFY(IsBuiltInContactLabel("_$!<Pager>!$_"));
    QVERIFY(IsBuiltInContactLabel("iPhone"));
    QVERIFY(!IsBuiltInContactLabel("TextNow"));
    QVERIFY(!IsBuiltInContactLabel(""));
}

void TestContactText::lines()
{
    QCOMPARE(ContactValueLine("_$!<Mobile>!$_", "(555) 010-0479"), U("mobile: (555) 010-0479"));
    QCOMPARE(ContactValueLine("", "(555) 010-0479"), U("(555) 010-0479"));
    __CONTACT_ADDRESS__ a;
    a.strStreet = "1 Main St\nApt 2";
    a.strCity = "Springfield";
    a.strZip = " 62701 ";
    a.strCountryCode = "us";  // the code alone is not shown
    QCOMPARE(ContactAddressText(a), U("1 Main St\nApt 2, Springfield, 62701"));
    QCOMPARE(ContactAddressText(__CONTACT_ADDRESS__()), U(""));
    QCOMPARE(JoinContactValues({{"_$!<Mobile>!$_", "1"}, {"TextNow", "2"}}), U("1\n2"));
    QCOMPARE(JoinContactValues({}), U(""));
}

QTEST_GUILESS_MAIN(TestContactText)
#include "tst_contacttext.moc"
