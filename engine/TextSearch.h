// Find-as-you-type over scan results: texts are folded once into an index
// (case-folded UTF-8), and each typed query is one byte search per entry.
// Case is ignored; accents count as typed ("é" finds "É", not "e").
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "engine/BackupRecords.h"

namespace TextSearch {

// Lower-case (case-folded), NFC UTF-8 form of a text, as the index stores it.
std::string Fold(const std::string& utf8);
std::string Fold(const QString& text);

// A typed query. A query made of a phone number's characters ("+1 (555) 01")
// also matches by its digits alone, so "555 01" finds "+15550100".
struct Query {
    std::string strFolded;
    std::string strDigits;  // empty unless the query looks like a number
    bool IsEmpty() const { return strFolded.empty(); }
};
Query MakeQuery(const QString& typed);

// Whether folded text (Fold's output) holds the query.
bool Contains(const std::string& folded, const Query& query);

// One folded text per entry (a table row), added in entry order.
class Index {
public:
    // Adds one entry: the cells of its row, then further UTF-8 texts (a
    // conversation's messages), each folded. Returns the entry's number.
    size_t Add(const QStringList& cells, const std::vector<const std::string*>& texts = {});
    size_t Size() const { return m_vecEntries.size(); }
    void Clear() { m_vecEntries.clear(); }
    bool Matches(size_t entry, const Query& query) const;

private:
    std::vector<std::string> m_vecEntries;
};

// What a conversation is searched by: the text of each of its messages
// (pointers into `messages`).
std::vector<const std::string*> ConversationTexts(const std::vector<__MESSAGE_INFO__>& messages);
std::vector<const std::string*> ConversationTexts(const std::vector<__WHATSAPP_MESSAGE__>& messages);

// Positions of the messages whose text holds the query, in order.
std::vector<int> MatchingMessages(const std::vector<__MESSAGE_INFO__>& messages, const Query& query);
std::vector<int> MatchingMessages(const std::vector<__WHATSAPP_MESSAGE__>& messages, const Query& query);

} // namespace TextSearch
