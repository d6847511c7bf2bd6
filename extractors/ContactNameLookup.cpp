#include "extractors/ContactNameLookup.h"

#include <algorithm>
#include <cstring>

#include "extractors/AddressBookTables.h"
#include "extractors/ExtractorSql.h"

namespace {
// Digits shorter than this only match a number that is exactly the same.
const size_t kMinSuffixDigits = 7;

// The digits of a number without its leading zeros ("0044 7700 900123" and
// "+44 7700 900123" both give "447700900123", "07700 900123" gives "7700900123").
std::string NumberKey(const std::string& text)
{
    std::string key;
    for (const char c : text) {
        if (c >= '0' && c <= '9' && !(c == '0' && key.empty()))
            key.push_back(c);
    }
    return key;
}

// Keeps the first contact (lowest index) for a key.
void Remember(std::unordered_map<std::string, int>& map, const std::string& key, int contact)
{
    map.emplace(key, contact);
}

int Earlier(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

int Lookup(const std::unordered_map<std::string, int>& map, const std::string& key)
{
    const auto it = map.find(key);
    return it == map.end() ? -1 : it->second;
}
} // namespace

CContactNameLookup::CContactNameLookup(const std::vector<__PERSON_CONTENT__>& contacts)
{
    m_vecNames.reserve(contacts.size());
    for (const __PERSON_CONTENT__& person : contacts) {
        const int index = int(m_vecNames.size());
        m_vecNames.push_back(person.strName);
        if (person.vecPhones.empty()) {
            m_vecStarts.push_back(m_strPhones.size());
            m_vecStartOwners.push_back(index);
            // A C-string search ends at the first NUL; keep that rule.
            m_strPhones.append(person.strPhone.c_str());
            m_strPhones.push_back('\0');
            continue;
        }
        for (const __CONTACT_VALUE__& phone : person.vecPhones) {
            const std::string key = NumberKey(phone.strValue);
            if (key.empty())
                continue;
            Remember(m_mapWholeKeys, key, index);
            for (size_t len = kMinSuffixDigits; len <= key.size(); ++len)
                Remember(m_mapKeySuffixes, key.substr(key.size() - len), index);
        }
    }
    // Every suffix of the phone texts, sorted: the suffixes an address starts form
    // one run, found by binary search instead of a scan of every phone per address.
    m_vecSuffixes.resize(m_strPhones.size());
    for (size_t i = 0; i < m_vecSuffixes.size(); ++i)
        m_vecSuffixes[i] = uint32_t(i);
    const char* text = m_strPhones.c_str();
    std::sort(m_vecSuffixes.begin(), m_vecSuffixes.end(),
              [text](uint32_t a, uint32_t b) { return std::strcmp(text + a, text + b) < 0; });
}

int CContactNameLookup::FindInText(const std::string& needle) const
{
    if (m_strPhones.empty())
        return -1;
    // The first occurrence in the joined text is the first contact that holds it.
    const size_t len = needle.size();
    const char* text = m_strPhones.c_str();
    auto first = std::lower_bound(m_vecSuffixes.begin(), m_vecSuffixes.end(), needle,
                                  [text, len](uint32_t suffix, const std::string& n) {
                                      return std::strncmp(text + suffix, n.c_str(), len) < 0;
                                  });
    size_t offset = std::string::npos;
    for (auto it = first; it != m_vecSuffixes.end() && std::strncmp(text + *it, needle.c_str(), len) == 0; ++it)
        offset = std::min<size_t>(offset, *it);
    if (offset == std::string::npos)
        return -1;
    auto it = std::upper_bound(m_vecStarts.begin(), m_vecStarts.end(), offset);
    return m_vecStartOwners[size_t(it - m_vecStarts.begin()) - 1];
}

int CContactNameLookup::FindNumber(const std::string& needle) const
{
    // An e-mail sender is no number, whatever digits it holds.
    if (needle.find('@') != std::string::npos)
        return -1;
    const std::string key = NumberKey(needle);
    if (key.empty())
        return -1;
    int found = Lookup(m_mapWholeKeys, key);
    if (key.size() < kMinSuffixDigits)
        return found;
    // Stored numbers ending with the address's digits ...
    found = Earlier(found, Lookup(m_mapKeySuffixes, key));
    // ... and stored numbers the address's digits end with.
    for (size_t len = kMinSuffixDigits; len < key.size(); ++len)
        found = Earlier(found, Lookup(m_mapWholeKeys, key.substr(key.size() - len)));
    return found;
}

const std::string& CContactNameLookup::Find(const std::string& address)
{
    // A C-string needle ends at its first NUL, as the substring rule reads it.
    const size_t len = strnlen(address.c_str(), address.size());
    if (len == 0 || m_vecNames.empty())
        return m_strEmpty;
    const std::string needle(address.c_str(), len);
    auto cached = m_mapCache.find(needle);
    if (cached != m_mapCache.end())
        return cached->second < 0 ? m_strEmpty : m_vecNames[size_t(cached->second)];

    const int index = Earlier(FindInText(needle), FindNumber(needle));
    m_mapCache.emplace(needle, index);
    return index < 0 ? m_strEmpty : m_vecNames[size_t(index)];
}

std::vector<__PERSON_CONTENT__> ReadLookupContacts(const QString& path, bool newNumberingFirst)
{
    std::vector<__PERSON_CONTENT__> read;
    {
        CBackupConnection conn("contact_connection", path);
        if (!conn.IsOpen())
            return read;
        unsigned long long maxId = 0;
        if (!ReadAddressBookTables(conn.Database(), AddressBookRead::LookupOnly, read, maxId))
            ReadAddressBookFullText(conn.Database(), newNumberingFirst, read, maxId);
    }
    std::vector<__PERSON_CONTENT__> contacts;
    contacts.reserve(read.size());
    for (__PERSON_CONTENT__& person : read) {
        if (!person.strPhone.empty())
            contacts.push_back(std::move(person));
    }
    return contacts;
}
