#include "engine/ContactText.h"

#include <cstring>

#include <QChar>
#include <QList>
#include <QString>

namespace {
const char kLabelOpen[] = "_$!<";
const char kLabelClose[] = ">!$_";

// The phone's own labels whose shown words differ from a lower-cased key.
struct LabelWords {
    const char* key;
    const char* words;
};
const LabelWords kLabelWords[] = {
    {"HomeFAX", "home fax"}, {"WorkFAX", "work fax"}, {"OtherFAX", "other fax"},
};

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsEastAsianScript(QChar::Script script)
{
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana ||
           script == QChar::Script_Hangul;
}

// Inner key of "_$!<Key>!$_", or false when the label is not in that form.
bool BuiltInKey(const std::string& label, std::string& key)
{
    const std::size_t open = std::strlen(kLabelOpen), close = std::strlen(kLabelClose);
    if (label.size() <= open + close || label.compare(0, open, kLabelOpen) != 0 ||
        label.compare(label.size() - close, close, kLabelClose) != 0)
        return false;
    key = label.substr(open, label.size() - open - close);
    return true;
}
} // namespace

bool IsEastAsianName(const std::string& given, const std::string& middle, const std::string& family)
{
    bool eastAsian = false;
    for (const std::string* part : {&given, &middle, &family}) {
        for (const uint ch : QString::fromStdString(*part).toUcs4()) {
            if (!QChar::isLetter(ch))
                continue;
            if (!IsEastAsianScript(QChar::script(ch)))
                return false;
            eastAsian = true;
        }
    }
    return eastAsian;
}

std::string ContactDisplayName(const std::string& given, const std::string& middle,
                               const std::string& family, const std::string& organisation)
{
    const std::string g = Trimmed(given), m = Trimmed(middle), f = Trimmed(family);
    std::string name;
    if (IsEastAsianName(g, m, f)) {
        name = f + m + g;
    } else {
        for (const std::string* part : {&g, &m, &f}) {
            if (part->empty())
                continue;
            if (!name.empty())
                name.push_back(' ');
            name += *part;
        }
    }
    if (name.empty())
        name = Trimmed(organisation);
    return name.empty() ? std::string("No Name") : name;
}

bool IsBuiltInContactLabel(const std::string& storedLabel)
{
    std::string key;
    return storedLabel == "iPhone" || BuiltInKey(storedLabel, key);
}

std::string ContactLabelText(const std::string& storedLabel)
{
    std::string key;
    if (!BuiltInKey(storedLabel, key))
        return storedLabel;
    for (const LabelWords& words : kLabelWords) {
        if (key == words.key)
            return words.words;
    }
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return key;
}

std::string ContactValueLine(const std::string& storedLabel, const std::string& value)
{
    const std::string label = ContactLabelText(storedLabel);
    return label.empty() ? value : label + ": " + value;
}

std::string ContactAddressText(const __CONTACT_ADDRESS__& address)
{
    std::string text;
    for (const std::string* part : {&address.strStreet, &address.strCity, &address.strState, &address.strZip,
                                    &address.strCountry}) {
        const std::string value = Trimmed(*part);
        if (value.empty())
            continue;
        if (!text.empty())
            text += ", ";
        text += value;
    }
    return text;
}

std::string JoinContactValues(const std::vector<__CONTACT_VALUE__>& values)
{
    std::string text;
    for (const __CONTACT_VALUE__& value : values) {
        if (!text.empty())
            text.push_back('\n');
        text += value.strValue;
    }
    return text;
}

bool HasContactValues(const __PERSON_CONTENT__& p)
{
    return !p.vecPhones.empty() || !p.vecEmails.empty() || !p.vecUrls.empty() || !p.vecAddresses.empty() ||
           !p.strTitle.empty() || !p.strDepartment.empty() || !p.strNickname.empty() || !p.strBirthday.empty() ||
           !p.strNote.empty();
}

std::vector<std::string> ContactValueLines(const std::vector<__CONTACT_VALUE__>& values)
{
    std::vector<std::string> lines;
    lines.reserve(values.size());
    for (const __CONTACT_VALUE__& value : values)
        lines.push_back(ContactValueLine(value.strLabel, value.strValue));
    return lines;
}

std::vector<std::string> ContactDetailLines(const __PERSON_CONTENT__& p)
{
    std::vector<std::string> lines;
    auto add = [&lines](const char* what, const std::string& value) {
        if (!value.empty())
            lines.push_back(std::string(what) + ": " + value);
    };
    add("job title", p.strTitle);
    add("department", p.strDepartment);
    add("nickname", p.strNickname);
    for (const __CONTACT_ADDRESS__& address : p.vecAddresses)
        lines.push_back(ContactValueLine(address.strLabel, ContactAddressText(address)));
    add("birthday", p.strBirthday);
    add("note", p.strNote);
    return lines;
}
