#include "export/VCardWriter.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "engine/ContactText.h"

namespace {
// Backslash, comma, semicolon and line breaks are escaped in text values.
std::string EscapeValue(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case ',': out.append("\\,"); break;
        case ';': out.append("\\;"); break;
        case '\r':
            if (i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
            out.append("\\n");
            break;
        case '\n': out.append("\\n"); break;
        default: out.push_back(c);
        }
    }
    return out;
}

// Lines longer than 75 bytes continue on the next line after a CRLF and a space; a
// fold never splits a UTF-8 character.
void AppendFolded(std::string& out, const std::string& line)
{
    std::size_t pos = 0;
    std::size_t limit = 75;
    while (line.size() - pos > limit) {
        std::size_t cut = pos + limit;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line, pos, cut - pos);
        out.append("\r\n ");
        pos = cut;
        limit = 74; // the leading space counts
    }
    out.append(line, pos, std::string::npos);
    out.append("\r\n");
}

std::vector<std::string> NonEmptyLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        std::size_t lead = line.find_first_not_of(" \t");
        if (lead != std::string::npos)
            lines.push_back(line.substr(lead));
        start = end + 1;
    }
    return lines;
}

// A URI value is not text-escaped, but no control character (a line break above
// all) may end the line early.
std::string UriValue(const std::string& in)
{
    std::string out;
    for (const char c : in) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)
            out.push_back(c);
    }
    return out;
}

enum class ValueKind { Phone, Email, Address, Url };

// TYPE of a value from its stored label; false for a label the user typed (and
// for built-in labels vCard has no type for), which then travels as X-ABLabel.
bool TypesForLabel(ValueKind kind, const std::string& storedLabel, std::string& types)
{
    types.clear();
    if (!storedLabel.empty() && !IsBuiltInContactLabel(storedLabel))
        return false;
    const std::string label = ContactLabelText(storedLabel);
    if (kind == ValueKind::Phone) {
        static const std::pair<const char*, const char*> phoneTypes[] = {
            {"", "VOICE"},         {"mobile", "CELL"},         {"iPhone", "CELL"},
            {"home", "HOME"},      {"work", "WORK"},           {"main", "VOICE"},
            {"other", "VOICE"},    {"home fax", "HOME,FAX"},   {"work fax", "WORK,FAX"},
            {"other fax", "FAX"},  {"pager", "PAGER"},
        };
        for (const auto& entry : phoneTypes) {
            if (label == entry.first) {
                types = entry.second;
                return true;
            }
        }
        return false;
    }
    const char* base = kind == ValueKind::Email ? "INTERNET" : "";
    if (label == "home" || label == "work")
        types = std::string(base) + (*base ? "," : "") + (label == "home" ? "HOME" : "WORK");
    else if (label.empty() || label == "other" || (kind == ValueKind::Url && label == "homepage"))
        types = base;
    else
        return false;
    return true;
}

// NAME;TYPE=...:value, or for a label vCard cannot say, the grouped pair
// itemN.NAME:value + itemN.X-ABLabel:label that address books read back.
void AppendLabelled(std::string& out, int& item, const char* name, ValueKind kind, const std::string& storedLabel,
                    const std::string& value)
{
    std::string types;
    if (TypesForLabel(kind, storedLabel, types)) {
        AppendFolded(out, std::string(name) + (types.empty() ? "" : ";TYPE=" + types) + ":" + value);
        return;
    }
    const std::string group = "item" + std::to_string(++item) + ".";
    const std::string emailType = kind == ValueKind::Email ? ";TYPE=INTERNET" : "";
    AppendFolded(out, group + name + emailType + ":" + value);
    AppendFolded(out, group + "X-ABLabel:" + EscapeValue(ContactLabelText(storedLabel)));
}

std::string Components(std::initializer_list<const std::string*> parts)
{
    std::string joined;
    bool first = true;
    for (const std::string* part : parts) {
        if (!first)
            joined.push_back(';');
        first = false;
        joined += EscapeValue(*part);
    }
    return joined;
}

// BDAY from "YYYY-MM-DD", or "--MM-DD" written the way address books keep a
// birthday without a year.
void AppendBirthday(std::string& out, const std::string& birthday)
{
    if (birthday.empty())
        return;
    if (birthday.compare(0, 2, "--") == 0)
        AppendFolded(out, "BDAY;X-APPLE-OMIT-YEAR=1604:1604" + EscapeValue(birthday.substr(1)));
    else
        AppendFolded(out, "BDAY:" + EscapeValue(birthday));
}

bool HasOwnFields(const __PERSON_CONTENT__& p)
{
    return !p.vecPhones.empty() || !p.vecEmails.empty() || !p.vecUrls.empty() || !p.vecAddresses.empty();
}
} // namespace

void AppendVCard(std::string& out, const __PERSON_CONTENT__& person)
{
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    const bool hasNameParts = !person.strGiven.empty() || !person.strMiddle.empty() || !person.strFamily.empty() ||
                              !person.strPrefix.empty() || !person.strSuffix.empty();
    if (hasNameParts) {
        AppendFolded(out, "N:" + Components({&person.strFamily, &person.strGiven, &person.strMiddle,
                                             &person.strPrefix, &person.strSuffix}));
    } else {
        // Only the shown name is known (or the card is a company's): it goes in
        // the family-name slot.
        const std::string none;
        const std::string& family = person.strName == person.strCompany || person.strName == "No Name"
                                        ? none : person.strName;
        AppendFolded(out, "N:" + Components({&family, &none, &none, &none, &none}));
    }
    AppendFolded(out, "FN:" + EscapeValue(person.strName));
    if (!person.strNickname.empty())
        AppendFolded(out, "NICKNAME:" + EscapeValue(person.strNickname));
    if (!person.strCompany.empty() || !person.strDepartment.empty()) {
        AppendFolded(out, "ORG:" + (person.strDepartment.empty()
                                        ? EscapeValue(person.strCompany)
                                        : Components({&person.strCompany, &person.strDepartment})));
    }
    if (!person.strTitle.empty())
        AppendFolded(out, "TITLE:" + EscapeValue(person.strTitle));

    int item = 0;
    if (HasOwnFields(person)) {
        for (const __CONTACT_VALUE__& phone : person.vecPhones)
            AppendLabelled(out, item, "TEL", ValueKind::Phone, phone.strLabel, EscapeValue(phone.strValue));
        for (const __CONTACT_VALUE__& mail : person.vecEmails)
            AppendLabelled(out, item, "EMAIL", ValueKind::Email, mail.strLabel, EscapeValue(mail.strValue));
        for (const __CONTACT_ADDRESS__& a : person.vecAddresses) {
            const std::string none;
            AppendLabelled(out, item, "ADR", ValueKind::Address, a.strLabel,
                           Components({&none, &none, &a.strStreet, &a.strCity, &a.strState, &a.strZip,
                                       &a.strCountry}));
        }
        for (const __CONTACT_VALUE__& url : person.vecUrls)
            AppendLabelled(out, item, "URL", ValueKind::Url, url.strLabel, UriValue(url.strValue));
    } else {
        // Read from the full-text index: the display texts, one value per line.
        for (const std::string& phone : NonEmptyLines(person.strPhone))
            AppendFolded(out, "TEL;TYPE=VOICE:" + EscapeValue(phone));
        for (const std::string& mail : NonEmptyLines(person.strEmail))
            AppendFolded(out, "EMAIL;TYPE=INTERNET:" + EscapeValue(mail));
        for (const std::string& url : NonEmptyLines(person.strUrl))
            AppendFolded(out, "URL:" + UriValue(url));
    }
    AppendBirthday(out, person.strBirthday);
    if (!person.strNote.empty())
        AppendFolded(out, "NOTE:" + EscapeValue(person.strNote));
    out.append("END:VCARD\r\n");
}
