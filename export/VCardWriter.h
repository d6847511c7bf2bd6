// vCard 3.0 text for contacts, so the address book can be imported elsewhere.
#pragma once

#include <string>

#include "engine/BackupRecords.h"

// Appends one BEGIN:VCARD ... END:VCARD card: every phone number and e-mail address
// (one per line of the record's field) as its own property, values escaped and long
// lines folded, CRLF line ends.
void AppendVCard(std::string& out, const __PERSON_CONTENT__& person);
