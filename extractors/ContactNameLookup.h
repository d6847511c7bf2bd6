// Names the other party of a message or call from the address book: the first
// contact, in address-book order, whose phone text contains the address as a
// substring (exact bytes). Each distinct address is searched once, so the work
// grows with distinct addresses x contacts, not with messages x contacts.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/BackupRecords.h"

class CContactNameLookup {
public:
    // Only strName and strPhone of each contact are used; order matters.
    explicit CContactNameLookup(const std::vector<__PERSON_CONTENT__>& contacts);

    // The name of the first contact whose phone text contains `address`, or an
    // empty string. An empty address matches nothing.
    const std::string& Find(const std::string& address);

    size_t ContactCount() const { return m_vecNames.size(); }

private:
    // All phone texts, each ended by a NUL, so a match never spans two contacts.
    std::string m_strPhones;
    std::vector<size_t> m_vecStarts;
    std::vector<uint32_t> m_vecSuffixes;  // offsets into m_strPhones, in suffix order
    std::vector<std::string> m_vecNames;
    std::unordered_map<std::string, int> m_mapCache;
    const std::string m_strEmpty;
};

// Reads the (name, phone) look-up list of the address book at `path` under the
// connection "contact_connection". The newer column numbering (c16Phone) is tried
// first when `newNumberingFirst`, else the older (c15Phone); when that query fails
// the other one runs. People without a phone are left out.
std::vector<__PERSON_CONTENT__> ReadLookupContacts(const QString& path, bool newNumberingFirst);
