// Reader of the phone's address book: every person with something to show,
// sorted by name.
#pragma once

#include <vector>

#include <QString>

#include "engine/BackupRecords.h"

class CIPhoneContacts {
public:
    CIPhoneContacts(int nReserved = 0, bool bManifestDb = true);

    // Appends to `people` and sorts the whole vector by name; maxDocId is the
    // largest person id read (0 when none). Always 0.
    int GetContactsInfo(const char* addressBookPath, std::vector<__PERSON_CONTENT__>& people,
                        unsigned long long& maxDocId);

    // Copies the database file whole; never overwrites an existing file. Always 0.
    int SaveContactsCsvFile(const char* sourcePath, const char* targetPath, unsigned long long);

private:
    [[maybe_unused]] int m_nReserved = 0;
    bool m_bManifestDb = true;
    QString m_strConnName = "contact_connection";
    QString m_strDriver = "QSQLITE";
    QString m_strDbPath;
};
