#include <cstring>

#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/ContactNameLookup.h"

class TestContactNameLookup : public QObject {
    Q_OBJECT
private slots:
    void sameAnswersAsTheSubstringRule();
    void edgeCases();
    void storedNumbersMatchByTheirDigits();
};

// The plain rule: first contact (in order) whose phone text contains the address.
static std::string Naive(const std::vector<__PERSON_CONTENT__>& contacts, const std::string& address)
{
    if (address.c_str()[0] == '\0')
        return std::string();
    for (const auto& c : contacts)
        if (strstr(c.strPhone.c_str(), address.c_str()))
            return c.strName;
    return std::string();
}

void TestContactNameLookup::sameAnswersAsTheSubstringRule()
{
    PhoneRandom rnd(3);
    std::vector<__PERSON_CONTENT__> contacts;
    for (int i = 0; i < 300; ++i) {
        __PERSON_CONTENT__ p;
        p.strName = "P" + std::to_string(i);
        const int numbers = 1 + rnd.Below(2);
        for (int k = 0; k < numbers; ++k)
            p.strPhone += FullTextPhone({QString("+1%1").arg(2025550000 + rnd.Below(400))}).toStdString();
        contacts.push_back(p);
    }
    CContactNameLookup lookup(contacts);
    // Full numbers, fragments, fragments spanning two variants, misses; each asked twice.
    for (int round = 0; round < 2; ++round) {
        PhoneRandom senders(9);
        for (int i = 0; i < 2000; ++i) {
            std::string s;
            switch (senders.Below(4)) {
            case 0: s = "+1" + std::to_string(2025550000 + senders.Below(500)); break;
            case 1: s = std::to_string(5550000 + senders.Below(500)); break;
            case 2: s = std::to_string(senders.Below(10000)); break;
            default: s = "0 +1202"; break;
            }
            QCOMPARE(lookup.Find(s), Naive(contacts, s));
        }
    }
}

void TestContactNameLookup::edgeCases()
{
    std::vector<__PERSON_CONTENT__> contacts(3);
    contacts[0].strName = "First";
    contacts[0].strPhone = "111 222";
    contacts[1].strName = "Second";
    contacts[1].strPhone = "222 333";
    contacts[2].strName = "Third";
    contacts[2].strPhone = std::string("444\0" "555", 7); // text ends at the NUL
    CContactNameLookup lookup(contacts);
    QCOMPARE(lookup.Find("222"), std::string("First"));   // first in order wins
    QCOMPARE(lookup.Find("333"), std::string("Second"));
    QCOMPARE(lookup.Find("2 3"), std::string("Second"));
    QCOMPARE(lookup.Find("222 333"), std::string("Second"));
    QCOMPARE(lookup.Find("222 3334"), std::string());     // never across two contacts
    QCOMPARE(lookup.Find("555"), std::string());
    QCOMPARE(lookup.Find(""), std::string());
    QCOMPARE(lookup.Find(std::string("333\0" "x", 5)), std::string("Second"));

    CContactNameLookup none((std::vector<__PERSON_CONTENT__>()));
    QCOMPARE(none.Find("1"), std::string());
}

static __PERSON_CONTENT__ Card(const char* name, std::vector<const char*> phones, std::vector<const char*> mails = {})
{
    __PERSON_CONTENT__ p;
    p.strName = name;
    for (const char* phone : phones)
        p.vecPhones.push_back({"_$!<Mobile>!$_", phone});
    for (const char* mail : mails)
        p.vecEmails.push_back({"", mail});
    p.strPhone = "ignored: the stored numbers decide";
    return p;
}

void TestContactNameLookup::storedNumbersMatchByTheirDigits()
{
    std::vector<__PERSON_CONTENT__> contacts = {
        Card("Ann Lee", {"(555) 123-4567"}, {"Ann@Example.com"}),
        Card("Zed Twin", {"+1 (555) 765-4321", "(555) 123-4567"}),
        Card("No Name", {"07700 900123"}),
        Card("Short", {"12345"}),
        Card("Local", {"765-4321"}),
    };
    __PERSON_CONTENT__ text;  // read from the full-text index: the substring rule
    text.strName = "Text";
    text.strPhone = "+33699887766 0033699887766 ";
    contacts.push_back(text);
    CContactNameLookup lookup(contacts);
    // National, international and "00" forms of one number; the first card wins.
    QCOMPARE(lookup.Find("+15551234567"), std::string("Ann Lee"));
    QCOMPARE(lookup.Find("5551234567"), std::string("Ann Lee"));
    QCOMPARE(lookup.Find("001 555 123 4567"), std::string("Ann Lee"));
    QCOMPARE(lookup.Find("+15557654321"), std::string("Zed Twin"));
    QCOMPARE(lookup.Find("+447700900123"), std::string("No Name"));
    QCOMPARE(lookup.Find("00447700900123"), std::string("No Name"));
    // Seven digits are enough for an ending, fewer must be the whole number.
    QCOMPARE(lookup.Find("7654321"), std::string("Zed Twin"));
    QCOMPARE(lookup.Find("12345"), std::string("Short"));
    QCOMPARE(lookup.Find("2345"), std::string());
    QCOMPARE(lookup.Find("123456"), std::string());
    QCOMPARE(lookup.Find("+44 555 123 4567"), std::string("Ann Lee"));  // the stored number's digits end it
    QCOMPARE(lookup.Find("+15559999999"), std::string());
    QCOMPARE(lookup.Find("+4915112345678"), std::string());
    // An e-mail sender is never named by the digits in it (nor, as before, by e-mail).
    QCOMPARE(lookup.Find("ann@example.com"), std::string());
    QCOMPARE(lookup.Find("5551234567@example.com"), std::string());
    QCOMPARE(lookup.Find("Bank"), std::string());
    // The full-text card still answers by substring.
    QCOMPARE(lookup.Find("0033699"), std::string("Text"));
    QCOMPARE(lookup.Find("+33699887766"), std::string("Text"));
}

QTEST_GUILESS_MAIN(TestContactNameLookup)
#include "tst_contactnamelookup.moc"
