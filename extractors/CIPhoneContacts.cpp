#include "extractors/CIPhoneContacts.h"

#include <algorithm>
#include <strings.h>

#include "extractors/AddressBookTables.h"
#include "extractors/ExtractorSql.h"

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
        // The address book's own tables hold each value once, as stored; its
        // full-text index only where they are missing.
        if (conn.IsOpen() && !ReadAddressBookTables(conn.Database(), AddressBookRead::Everything, people, maxDocId)) {
            // The layout suggests the numbering; the columns decide.
            ReadAddressBookFullText(conn.Database(), m_bManifestDb, people, maxDocId);
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
