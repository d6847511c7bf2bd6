#include "extractors/CIPhoneContacts.h"

#include <algorithm>
#include <strings.h>

#include <QSqlQuery>
#include <QVariant>

#include "extractors/ExtractorSql.h"

namespace {
const char kNewContactsQuery[] =
    "select c0First, c1Last,c6Organization,c16Phone,c17Email,c20URL,docid from "
    "ABPersonFullTextSearch_content";
const char kOldContactsQuery[] =
    "select c0First, c1Last,c6Organization,c15Phone,c16Email,c19URL,docid from "
    "ABPersonFullTextSearch_content";
} // namespace

CIPhoneContacts::CIPhoneContacts(int nReserved, bool bManifestDb)
    : m_nReserved(nReserved), m_bManifestDb(bManifestDb)
{
}

int CIPhoneContacts::GetContactsInfo(const char* addressBookPath,
                                     std::vector<__PERSON_CONTENT__>& people,
                                     unsigned long long& maxDocId)
{
    maxDocId = 0;
    m_strDbPath = QString::fromUtf8(addressBookPath ? addressBookPath : "");
    {
        CBackupConnection conn(m_strConnName, m_strDbPath);
        if (conn.IsOpen()) {
            QSqlQuery query(conn.Database());
            query.setForwardOnly(true);
            // The layout suggests the numbering; the columns decide.
            const QString first = m_bManifestDb ? kNewContactsQuery : kOldContactsQuery;
            const QString second = m_bManifestDb ? kOldContactsQuery : kNewContactsQuery;
            if (ExecEither(query, first, second)) {
                while (query.next()) {
                    __PERSON_CONTENT__ person;
                    person.nDeleted = 0;
                    person.strName = ValueText(query.value(0)) + ValueText(query.value(1));
                    person.strCompany = ValueText(query.value(2));
                    person.strPhone = ValueText(query.value(3));
                    person.strEmail = ValueText(query.value(4));
                    person.strUrl = ValueText(query.value(5));
                    const qlonglong docId = query.value(6).toLongLong();
                    if (docId > 0 && (unsigned long long)docId > maxDocId)
                        maxDocId = (unsigned long long)docId;
                    if (person.strPhone.empty())
                        continue;
                    if (person.strName.empty())
                        person.strName = "No Name";
                    people.push_back(std::move(person));
                }
            }
            query.clear();
            query.finish();
        }
    }
    std::stable_sort(people.begin(), people.end(),
                     [](const __PERSON_CONTENT__& a, const __PERSON_CONTENT__& b) {
                         return strcasecmp(a.strName.c_str(), b.strName.c_str()) < 0;
                     });
    return 0;
}

int CIPhoneContacts::SaveContactsCsvFile(const char* sourcePath, const char* targetPath,
                                         unsigned long long)
{
    CopyDatabaseOut(sourcePath, targetPath);
    return 0;
}
