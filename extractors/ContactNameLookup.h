// Names the other party of a message or call from the address book: the first
// contact, in address-book order, that holds the address.
// - A contact read from the address book's own tables holds a number when the
//   digits agree: equal, or one ends with the other and the shorter has at least
//   seven digits (the phone keeps "(555) 123-4567" where the message came from
//   "+15551234567"; leading zeros, trunk and "00" prefixes, do not count). An
//   address holding "@" is no number.
// - A contact read from the full-text index holds every address its phone text
//   contains as a substring (exact bytes).
// Each distinct address is searched once, through indexes built up front, so the
// work never grows with messages x contacts.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/BackupRecords.h"

class CContactNameLookup {
public:
    // strName and vecPhones of each contact are used, or strPhone where that list
    // is empty; order matters.
    explicit CContactNameLookup(const std::vector<__PERSON_CONTENT__>& contacts);

    // The name of the first contact that holds `address`, or an empty string. An
    // empty address matches nothing.
    const std::string& Find(const std::string& address);

    size_t ContactCount() const { return m_vecNames.size(); }

private:
    int FindInText(const std::string& needle) const;
    int FindNumber(const std::string& needle) const;

    // Digit keys of the stored numbers: whole keys, and every suffix of seven
    // digits or more, each to the first contact holding it.
    std::unordered_map<std::string, int> m_mapWholeKeys;
    std::unordered_map<std::string, int> m_mapKeySuffixes;
    // All full-text phone texts, each ended by a NUL, so a match never spans two contacts.
    std::string m_strPhones;
    std::vector<size_t> m_vecStarts;
    std::vector<int> m_vecStartOwners;    // the contact of each phone text
    std::vector<uint32_t> m_vecSuffixes;  // offsets into m_strPhones, in suffix order
    std::vector<std::string> m_vecNames;
    std::unordered_map<std::string, int> m_mapCache;
    const std::string m_strEmpty;
};

// Reads the look-up list of the address book at `path` under the connection
// "contact_connection": names with their numbers from its own tables, or,
// where those are missing, names and phone texts from its full-text index (the
// newer column numbering, c16Phone, tried first when `newNumberingFirst`, else the
// older, c15Phone). People without a number are left out.
std::vector<__PERSON_CONTENT__> ReadLookupContacts(const QString& path, bool newNumberingFirst);
