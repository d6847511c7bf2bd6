// The two ways of reading people out of the phone's address book, shared by the
// contacts reader and the name look-up of messages and calls:
// - its own tables: ABPerson for the name parts and ABMultiValue for the numbers,
//   e-mails, postal and web addresses, each value once, as stored, with its label;
// - only where those tables are missing, the shadow table of its full-text index,
//   whose phone column holds every number in several search variants.
#pragma once

#include <vector>

#include <QSqlDatabase>

#include "engine/BackupRecords.h"

enum class AddressBookRead {
    Everything,  // every field, labels and postal addresses included
    LookupOnly   // names, numbers and e-mails; no labels
};

// Appends the people of ABPerson in its order, their values in the phone's order,
// display texts filled; records with nothing to show are skipped. maxRowId is the
// largest ROWID read. False, with nothing appended, when ABPerson or ABMultiValue
// cannot be read.
bool ReadAddressBookTables(QSqlDatabase& db, AddressBookRead what, std::vector<__PERSON_CONTENT__>& people,
                           unsigned long long& maxRowId);

// Appends the rows of ABPersonFullTextSearch_content: names, organisation, the phone,
// e-mail and URL columns as they stand. The newer column numbering (c16Phone) is tried
// first when `newNumberingFirst`, else the older (c15Phone); when that query fails
// the other runs. maxDocId is the largest docid read. False when neither query runs.
bool ReadAddressBookFullText(QSqlDatabase& db, bool newNumberingFirst, std::vector<__PERSON_CONTENT__>& people,
                             unsigned long long& maxDocId);
