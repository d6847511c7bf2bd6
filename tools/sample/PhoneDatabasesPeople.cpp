// Scale, random source, the address book's people and the attributedBody writer
// shared by the phone-database writers.
#include "tools/sample/PhoneDatabases.h"

#include <QString>

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

QString FullTextPhone(const QStringList& numbers)
{
    QString text;
    for (const QString& number : numbers) {
        const QString digits = number.startsWith('+') ? number.mid(1) : number;
        if (number.startsWith("+1") && digits.size() == 11) {
            const QString national = digits.mid(1);
            text += QString("(%1) %2-%3 ").arg(national.left(3), national.mid(3, 3), national.mid(6));
            text += number + " 011" + digits + " 00" + digits + " " + digits + " " + national + " " +
                    national.mid(3) + " ";
        } else {
            text += number + " 00" + digits + " " + digits + " 0" + digits.mid(2) + " ";
        }
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
} // namespace

std::vector<SamplePerson> SamplePeople(const PhoneDataScale& scale, uint64_t seed)
{
    std::vector<SamplePerson> people;
    auto add = [&](const char* first, const char* last, const char* org, const char* email,
                   QStringList numbers) {
        SamplePerson p;
        p.strFirst = QString::fromUtf8(first);
        p.strLast = QString::fromUtf8(last);
        p.strOrganization = QString::fromUtf8(org);
        p.strEmail = QString::fromUtf8(email);
        p.vecNumbers = numbers;
        people.push_back(p);
    };
    // Fixed people the tests name:
    // 0 Ann Lee: one US number (and so every shorter variant of it).
    add("Ann", "Lee", "", "ann@example.com", {"+15551234567"});
    // 1 two numbers, accents and an emoji in the name.
    add("José", "Müller 😀", "Bäckerei Köhler", "jose@example.de", {"+4915112345678", "+493012345678"});
    // 2 a number but no name: listed as "No Name".
    add("", "", "", "", {"+447700900123"});
    // 3 e-mail only: not listed among contacts.
    add("Bob <b>", "O'Neil, \"Jr\"", "R&D <Labs>", "bob@example.org", {});
    // 4 a second contact holding Ann's number among its own: Ann comes first.
    add("Zed", "Twin", "", "", {"+15557654321", "+15551234567"});
    // 5 name with markup and a line break.
    add("Émilie", "Dupont\n<i>&amp;</i>", "Café \"Le Zinc\"", "", {"+33612345678"});

    PhoneRandom rnd(seed ^ 0xC0FFEEULL);
    const int nFirst = int(sizeof kFirstNames / sizeof *kFirstNames);
    const int nLast = int(sizeof kLastNames / sizeof *kLastNames);
    const int nCompanies = int(sizeof kCompanies / sizeof *kCompanies);
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
        people.push_back(p);
    }
    return people;
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
