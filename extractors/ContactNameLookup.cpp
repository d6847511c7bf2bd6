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

    int index = -1;
    const void* hit = memmem(m_strPhones.data(), m_strPhones.size(), needle.data(), len);
    if (hit) {
        const size_t offset = size_t(static_cast<const char*>(hit) - m_strPhones.data());
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
