// vCard 3.0 text for contacts, so the address book can be imported elsewhere.
#pragma once

#include <string>

#include "engine/BackupRecords.h"

// Appends one BEGIN:VCARD ... END:VCARD card: N from the name parts, FN the shown
// name, every number, e-mail, postal and web address as its own property with a
// TYPE from its label (a label of the user's own as an itemN.X-ABLabel pair), ORG,
// TITLE, BDAY and NOTE; text values escaped, lines folded at 75 bytes on character
// boundaries, CRLF line ends. A record read from the full-text index gives one
// property per line of its phone, e-mail and URL texts.
void AppendVCard(std::string& out, const __PERSON_CONTENT__& person);
