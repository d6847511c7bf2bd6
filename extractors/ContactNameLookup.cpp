#include "extractors/ContactNameLookup.h"

#include <algorithm>
#include <cstring>

#include <QSqlQuery>
#include <QVariant>

#include "extractors/ExtractorSql.h"

namespace {
const char kNewLookupQuery[] =
    "select c0First, c1Last,c6Organization,c16Phone,c17Email,c18Address,c20URL from "
    "ABPersonFullTextSearch_content";
const char kOldLookupQuery[] =
    "select c0First, c1Last,c6Organization,c15Phone,c16Email,c17Address,c19URL from "
    "ABPersonFullTextSearch_content";
} // namespace

CContactNameLookup::CContactNameLookup(const std::vector<__PERSON_CONTENT__>& contacts)
{
    m_vecNames.reserve(contacts.size());
    m_vecStarts.reserve(contacts.size());
    for (const __PERSON_CONTENT__& person : contacts) {
        m_vecStarts.push_back(m_strPhones.size());
        // A C-string search ends at the first NUL; keep that rule.
        m_strPhones.append(person.strPhone.c_str());
        m_strPhones.push_back('\0');
        m_vecNames.push_back(person.strName);
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

    // The first occurrence in the joined text is the first contact that holds it.
    const char* text = m_strPhones.c_str();
    auto first = std::lower_bound(m_vecSuffixes.begin(), m_vecSuffixes.end(), needle,
                                  [text, len](uint32_t suffix, const std::string& n) {
                                      return std::strncmp(text + suffix, n.c_str(), len) < 0;
                                  });
    size_t offset = std::string::npos;
    for (auto it = first; it != m_vecSuffixes.end() && std::strncmp(text + *it, needle.c_str(), len) == 0; ++it)
        offset = std::min<size_t>(offset, *it);
    int index = -1;
    if (offset != std::string::npos) {
        auto it = std::upper_bound(m_vecStarts.begin(), m_vecStarts.end(), offset);
        index = int(it - m_vecStarts.begin()) - 1;
    }
    m_mapCache.emplace(needle, index);
    return index < 0 ? m_strEmpty : m_vecNames[size_t(index)];
}

std::vector<__PERSON_CONTENT__> ReadLookupContacts(const QString& path, bool newNumberingFirst)
{
    std::vector<__PERSON_CONTENT__> contacts;
    CBackupConnection conn("contact_connection", path);
    if (!conn.IsOpen())
        return contacts;
    {
        QSqlQuery query(conn.Database());
        query.setForwardOnly(true);
        const QString first = newNumberingFirst ? kNewLookupQuery : kOldLookupQuery;
        const QString second = newNumberingFirst ? kOldLookupQuery : kNewLookupQuery;
        if (ExecEither(query, first, second)) {
            while (query.next()) {
                __PERSON_CONTENT__ person;
                person.nDeleted = 0;
                person.strName = ValueText(query.value(0)) + ValueText(query.value(1));
                person.strPhone = ValueText(query.value(3));
                if (!person.strPhone.empty())
                    contacts.push_back(std::move(person));
            }
        }
        query.clear();
        query.finish();
    }
    return contacts;
}
