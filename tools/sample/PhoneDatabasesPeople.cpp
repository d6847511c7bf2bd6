// Scale, random source, the address book's people and the attributedBody writer
// shared by the phone-database writers.
#include "tools/sample/PhoneDatabases.h"

#include <QString>

#include "engine/ContactText.h"

PhoneDataScale PhoneDataScaleFor(SampleOptions::Scale scale)
{
    PhoneDataScale s;
    if (scale == SampleOptions::Scale::Large) {
        s.nMessages = 300000;
        s.nConversations = 1950;
        s.nGroupChats = 48; // with the two fixed groups: 50 group conversations
        s.nContacts = 5000;
        s.nCalls = 30000;
        s.nNotes = 3000;
        s.nWhatsAppMessages = 50000;
        s.nWhatsAppChats = 300;
    } else if (scale == SampleOptions::Scale::Small) {
        s.nMessages = 2000;
        s.nConversations = 55;
        s.nGroupChats = 5;
        s.nContacts = 200;
        s.nCalls = 300;
        s.nNotes = 60;
        s.nWhatsAppMessages = 800;
        s.nWhatsAppChats = 20;
    } else {
        s.nMessages = 40;
        s.nConversations = 6;
        s.nGroupChats = 2;
        s.nContacts = 12;
        s.nCalls = 16;
        s.nNotes = 8;
        s.nWhatsAppMessages = 30;
        s.nWhatsAppChats = 4;
    }
    return s;
}

namespace {
// A number as a person would have typed it into the phone.
QString FormattedNumber(const QString& number)
{
    const QString digits = number.startsWith('+') ? number.mid(1) : number;
    if (number.startsWith("+1") && digits.size() == 11) {
        const QString national = digits.mid(1);
        return QString("(%1) %2-%3").arg(national.left(3), national.mid(3, 3), national.mid(6));
    }
    return "+" + digits.left(2) + " " + digits.mid(2);
}
} // namespace

QString FullTextPhone(const QStringList& numbers, const QStringList& stored)
{
    QString text;
    for (int i = 0; i < numbers.size(); ++i) {
        const QString& number = numbers[i];
        const QString digits = number.startsWith('+') ? number.mid(1) : number;
        const bool us = number.startsWith("+1") && digits.size() == 11;
        const QString national = us ? digits.mid(1) : "0" + digits.mid(2);
        const QString shown = i < stored.size() && !stored[i].isEmpty() ? stored[i] : FormattedNumber(number);
        text += shown + " +" + digits + " 011" + digits + " 00" + digits + " " + digits + " " + national + " " +
                digits.right(7) + " ";
    }
    return text;
}

namespace {
const char* const kFirstNames[] = {"Olivia", "Liam", "Zoë", "Mateo", "Chloé", "Noah", "Søren",
                                   "Amélie", "Jürgen", "Aiyana", "Björn", "Inès", "Łukasz",
                                   "Nuño", "Priya", "Kenji", "Fatima", "Grace 🌸", "Renée",
                                   "Oscar", "Ève", "Dmitri", "Ana-María", "Siobhán"};
const char* const kLastNames[] = {"García", "Smith", "Nguyễn", "O'Brien", "Kowalski", "Müller",
                                  "Rossi", "Dubois", "Johansson", "Yılmaz", "Silva", "Brown",
                                  "Ødegaard", "Tanaka", "Van der Berg", "López", "Černý",
                                  "Murphy & Sons", "Lee 🚀", "<Park>"};
const char* const kCompanies[] = {"", "", "", "Acme, Inc.", "Café \"Le Zinc\"", "Bäckerei Köhler",
                                  "R&D <Labs>", "東京商事", "Northwind"};
// Labels of a second number: built-in ones and two the user typed.
const char* const kSecondLabels[] = {"_$!<Work>!$_", "_$!<Home>!$_", "TextNow", "Google Voice",
                                     "_$!<WorkFAX>!$_", "_$!<HomeFAX>!$_", "_$!<Pager>!$_",
                                     "_$!<Other>!$_", "_$!<Main>!$_"};
const char* const kEmailLabels[] = {"_$!<Home>!$_", "_$!<Work>!$_", "_$!<Other>!$_"};
const char* const kMiddleNames[] = {"Maria", "J.", "Anne", "Lou"};

template <class T, size_t N>
int Count(const T (&)[N])
{
    return int(N);
}

QString FirstNumberLabel(PhoneRandom& rnd)
{
    const int pick = rnd.Below(100);
    return pick < 60 ? "_$!<Mobile>!$_" : pick < 85 ? "iPhone" : pick < 95 ? "_$!<Home>!$_" : "_$!<Work>!$_";
}

// The address-book side of a generated person, from its own random source so the
// people's numbers and names stay what the other databases were written against.
void AddCardDetails(SamplePerson& p, int index, PhoneRandom& rnd)
{
    for (int k = 0; k < p.vecNumbers.size(); ++k) {
        const QString national = p.vecNumbers[k].mid(2);
        const int form = rnd.Below(10);
        p.vecStoredNumbers << (form < 5   ? FormattedNumber(p.vecNumbers[k])
                               : form < 8 ? "+1 " + FormattedNumber(p.vecNumbers[k])
                                          : QString("+1 %1-%2-%3").arg(national.left(3), national.mid(3, 3),
                                                                       national.mid(6)));
        p.vecNumberLabels << (k == 0 ? FirstNumberLabel(rnd)
                                     : QString::fromUtf8(kSecondLabels[rnd.Below(Count(kSecondLabels))]));
    }
    if (!p.strEmail.isEmpty())
        p.strEmailLabel = kEmailLabels[rnd.Below(Count(kEmailLabels))];
    if (!p.strUrl.isEmpty())
        p.strUrlLabel = "_$!<HomePage>!$_";
    if (rnd.Chance(5))
        p.strMiddle = kMiddleNames[rnd.Below(Count(kMiddleNames))];
    if (rnd.Chance(10))
        p.strBirthday = QString("%1-%2-%3").arg(1950 + rnd.Below(55)).arg(1 + rnd.Below(12), 2, 10, QChar('0'))
                            .arg(1 + rnd.Below(28), 2, 10, QChar('0'));
    if (rnd.Chance(8))
        p.strJobTitle = "Manager";
    if (rnd.Chance(10)) {
        p.vecAddresses.push_back({"_$!<Home>!$_", QString("%1 Elm Street").arg(index), "Portland", "OR",
                                  "97201", "United States", "us"});
    }
}
} // namespace

std::vector<SamplePerson> SamplePeople(const PhoneDataScale& scale, uint64_t seed)
{
    std::vector<SamplePerson> people;
    auto add = [&](const char* first, const char* last, const char* org, const char* email,
                   QStringList numbers) -> SamplePerson& {
        SamplePerson p;
        p.strFirst = QString::fromUtf8(first);
        p.strLast = QString::fromUtf8(last);
        p.strOrganization = QString::fromUtf8(org);
        p.strEmail = QString::fromUtf8(email);
        p.vecNumbers = numbers;
        people.push_back(p);
        return people.back();
    };
    // Fixed people the tests name:
    // 0 Ann Lee: one US number (and so every shorter variant of it), every card field.
    SamplePerson& ann = add("Ann", "Lee", "", "ann@example.com", {"+15551234567"});
    ann.vecStoredNumbers = QStringList{"(555) 123-4567"};
    ann.vecNumberLabels = QStringList{"_$!<Mobile>!$_"};
    ann.strEmailLabel = "_$!<Home>!$_";
    ann.strPrefix = "Dr.";
    ann.strSuffix = "PhD";
    ann.strJobTitle = "Engineer";
    ann.strNote = QString::fromUtf8("Likes \"tea\"; met at C:\\conf, Oslo\nSecond line ☕");
    ann.strBirthday = "1985-04-12";
    ann.vecAddresses.push_back({"_$!<Home>!$_", "1 Main St\nApt 2", "Springfield", "IL", "62701",
                                "United States", "us"});
    // 1 two numbers, accents and an emoji in the name; a birthday without a year.
    SamplePerson& jose = add("José", "Müller 😀", "Bäckerei Köhler", "jose@example.de",
                             {"+4915112345678", "+493012345678"});
    jose.vecStoredNumbers = QStringList{"+49 151 12345678", "+49 30 12345678"};
    jose.vecNumberLabels = QStringList{"_$!<Mobile>!$_", "_$!<Home>!$_"};
    jose.strEmailLabel = "_$!<Work>!$_";
    jose.strBirthday = "--12-24";
    // 2 a number but no name: listed as "No Name".
    SamplePerson& nameless = add("", "", "", "", {"+447700900123"});
    nameless.vecStoredNumbers = QStringList{"07700 900123"};
    nameless.vecNumberLabels = QStringList{"_$!<Main>!$_"};
    // 3 e-mail only: no number, still a contact.
    add("Bob <b>", "O'Neil, \"Jr\"", "R&D <Labs>", "bob@example.org", {}).strEmailLabel = "_$!<Work>!$_";
    // 4 two labelled numbers, one under a label the user typed; the second is Ann's
    // number, so Ann comes first.
    SamplePerson& zed = add("Zed", "Twin", "", "", {"+15557654321", "+15551234567"});
    zed.vecStoredNumbers = QStringList{"+1 (555) 765-4321", "(555) 123-4567"};
    zed.vecNumberLabels = QStringList{"iPhone", "TextNow"};
    // 5 name with markup and a line break.
    SamplePerson& emilie = add("Émilie", "Dupont\n<i>&amp;</i>", "Café \"Le Zinc\"", "", {"+33612345678"});
    emilie.vecStoredNumbers = QStringList{"+33 6 12 34 56 78"};
    emilie.vecNumberLabels = QStringList{"_$!<Mobile>!$_"};

    PhoneRandom rnd(seed ^ 0xC0FFEEULL);
    PhoneRandom cardRnd(seed ^ 0xCA4DULL);
    const int nFirst = Count(kFirstNames);
    const int nLast = Count(kLastNames);
    const int nCompanies = Count(kCompanies);
    for (int i = int(people.size()); i < scale.nContacts; ++i) {
        SamplePerson p;
        p.strFirst = QString::fromUtf8(kFirstNames[rnd.Below(nFirst)]);
        p.strLast = QString::fromUtf8(kLastNames[rnd.Below(nLast)]);
        p.strOrganization = QString::fromUtf8(kCompanies[rnd.Below(nCompanies)]);
        if (rnd.Chance(40))
            p.strEmail = QString("person%1@example.net").arg(i);
        if (rnd.Chance(10))
            p.strUrl = QString("https://example.net/~p%1").arg(i);
        // Every generated person has a distinct US number; a few have two, a few none.
        if (!rnd.Chance(4)) {
            p.vecNumbers << QString("+1202%1").arg(5500000 + i, 7, 10, QChar('0'));
            if (rnd.Chance(15))
                p.vecNumbers << QString("+1303%1").arg(5500000 + i, 7, 10, QChar('0'));
        }
        AddCardDetails(p, i, cardRnd);
        people.push_back(p);
    }
    return people;
}

std::vector<SamplePerson> SampleAddressBook(const PhoneDataScale& scale, uint64_t seed)
{
    std::vector<SamplePerson> book = SamplePeople(scale, seed);
    // Family name first without a space, as the phone shows Han and Hangul names.
    auto eastAsian = [&book](const char* first, const char* last, const char* number, const char* stored,
                             const char* label) {
        SamplePerson p;
        p.strFirst = QString::fromUtf8(first);
        p.strLast = QString::fromUtf8(last);
        p.vecNumbers = QStringList{number};
        p.vecStoredNumbers = QStringList{stored};
        p.vecNumberLabels = QStringList{label};
        book.push_back(p);
    };
    eastAsian("太郎", "山田", "+81312345678", "03-1234-5678", "_$!<Home>!$_");
    eastAsian("민준", "김", "+821012345678", "010-1234-5678", "_$!<Mobile>!$_");
    // A company card: no person name, so the organisation names it.
    SamplePerson company;
    company.strOrganization = "Northwind Traders";
    company.vecNumbers = QStringList{"+12025550199", "+12025550198"};
    company.vecStoredNumbers = QStringList{"+1 (202) 555-0199", "+1 (202) 555-0198"};
    company.vecNumberLabels = QStringList{"_$!<Main>!$_", "_$!<WorkFAX>!$_"};
    company.strUrl = "https://northwind.example.com/";
    company.strUrlLabel = "_$!<HomePage>!$_";
    company.vecAddresses.push_back({"_$!<Work>!$_", "500 Harbor Blvd", "Seattle", "WA", "98101",
                                    "United States", "us"});
    book.push_back(company);
    // A name and nothing else.
    SamplePerson anna;
    anna.strFirst = "Anna";
    anna.strLast = "Berg";
    book.push_back(anna);
    return book;
}

QString SampleDisplayName(const SamplePerson& person)
{
    return QString::fromStdString(ContactDisplayName(person.strFirst.toStdString(), person.strMiddle.toStdString(),
                                                     person.strLast.toStdString(),
                                                     person.strOrganization.toStdString()));
}

std::string EncodeTypedStreamText(const std::string& text)
{
    auto len = [](std::string& out, uint64_t n) {
        if (n <= 0x7F) {
            out.push_back(char(n));
        } else if (n <= 0x7FFF) {
            out.push_back(char(0x81));
            out.push_back(char(n & 0xFF));
            out.push_back(char((n >> 8) & 0xFF));
        } else {
            out.push_back(char(0x82));
            for (int k = 0; k < 4; ++k)
                out.push_back(char((n >> (8 * k)) & 0xFF));
        }
    };
    const std::string header("\x04\x0bstreamtyped\x81\xe8\x03\x84\x01\x40", 19);
    std::string out = header;
    out += std::string("\x84\x84\x84\x12", 4) + "NSAttributedString" + std::string("\x00", 1);
    out += std::string("\x84\x84\x08", 3) + "NSObject" + std::string("\x00\x85", 2);
    out += std::string("\x92\x84\x84\x84\x08", 5) + "NSString" + std::string("\x01\x94", 2);
    out += std::string("\x84\x01\x2b", 3);
    len(out, text.size());
    out += text;
    out.push_back(char(0x86));
    if (!text.empty()) {
        const uint64_t units = uint64_t(QString::fromStdString(text).size());
        out += std::string("\x84\x02\x69\x49\x01", 5);
        len(out, units);
        out += std::string("\x92\x84\x84\x84\x0c", 5) + "NSDictionary" +
               std::string("\x00\x94\x84\x01\x69\x00\x86", 7);
    }
    out.push_back(char(0x86));
    return out;
}
