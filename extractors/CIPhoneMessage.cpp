#include "extractors/CIPhoneMessage.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <strings.h>
#include <unordered_map>

#include <QSqlQuery>
#include <QVariant>

#include "engine/MessageConversation.h"
#include "extractors/ContactNameLookup.h"
#include "extractors/ExtractorSql.h"
#include "extractors/MessageAttachments.h"
#include "extractors/TypedStreamText.h"
#include "support/BackupRows.h"

namespace {

// Each message once, even when it is joined to two chats; messages with no handle
// (your own messages in group chats have handle_id 0) are kept. %2 keeps only
// messages in a chat, or nothing where the database has no chat table at all.
const char kMessageQuery[] =
    "SELECT  message.text, message.is_from_me, "
    "datetime(message.date/1000000000 + 978307200, 'unixepoch') AS DateStr, "
    "message.RowID,message.handle_id, handle.id as sender_name,message.date, "
    "datetime(message.date + 978307200, 'unixepoch') AS DateStrOld, %1 "
    "FROM message  LEFT JOIN handle  ON handle.rowid = message.handle_id%2";
const char kInSomeChat[] = " WHERE message.rowid IN (SELECT message_id FROM chat_message_join)";

const char kObjectReplacement[] = "\xEF\xBF\xBC"; // U+FFFC
const int kGroupStyle = 43;

struct GroupChat {
    std::string strDisplayName;
    std::vector<std::string> vecNumbers; // members, in the chat's order, each once
    std::string strName;                 // filled once the address book is read
    std::string strNumbers;
};
typedef std::unordered_map<unsigned int, GroupChat> GroupChats;

std::string Joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty())
            out.append(", ");
        out.append(part);
    }
    return out;
}

// Group chats: style 43, or more than one member in chat_handle_join. Older
// databases may lack the columns or the member table; what is missing counts as
// unknown.
GroupChats ReadGroupChats(CBackupConnection& conn)
{
    GroupChats groups;
    const QStringList columns = conn.Columns("chat");
    if (columns.isEmpty())
        return groups;
    std::unordered_map<long long, GroupChat> chats;
    std::unordered_map<long long, int> styles;
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (query.exec(QString("SELECT ROWID, %1, %2 FROM chat")
                       .arg(columns.contains("style") ? "style" : "NULL",
                            columns.contains("display_name") ? "display_name" : "NULL"))) {
        while (query.next()) {
            const long long rowId = query.value(0).toLongLong();
            if (!GroupConversationKey(rowId))
                continue;
            styles[rowId] = query.value(1).toInt();
            chats[rowId].strDisplayName = ValueText(query.value(2));
        }
    }
    std::unordered_map<long long, int> memberRows;
    if (conn.HasTable("chat_handle_join")
        && query.exec("SELECT chat_handle_join.chat_id, handle.id FROM chat_handle_join "
                      "LEFT JOIN handle ON handle.rowid = chat_handle_join.handle_id")) {
        while (query.next()) {
            auto chat = chats.find(query.value(0).toLongLong());
            if (chat == chats.end())
                continue;
            ++memberRows[chat->first];
            const std::string number = ValueText(query.value(1));
            std::vector<std::string>& numbers = chat->second.vecNumbers;
            if (!number.empty() && std::find(numbers.begin(), numbers.end(), number) == numbers.end())
                numbers.push_back(number);
        }
    }
    query.clear();
    query.finish();
    for (auto& chat : chats) {
        if (styles[chat.first] == kGroupStyle || memberRows[chat.first] > 1)
            groups.emplace(GroupConversationKey(chat.first), std::move(chat.second));
    }
    return groups;
}

// Message row id -> key of its group chat; a message in two groups goes to the
// one with the lower row id. Reads only the join rows of the groups.
std::unordered_map<long long, unsigned int> ReadGroupMessages(CBackupConnection& conn, const GroupChats& groups)
{
    std::unordered_map<long long, unsigned int> groupOf;
    if (groups.empty())
        return groupOf;
    QStringList ids;
    for (const auto& group : groups)
        ids << QString::number(group.first & ~kGroupConversationBit);
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (query.exec("SELECT chat_id, message_id FROM chat_message_join WHERE chat_id IN (" + ids.join(',') + ")")) {
        while (query.next()) {
            const unsigned int key = GroupConversationKey(query.value(0).toLongLong());
            auto it = groupOf.emplace(query.value(1).toLongLong(), key).first;
            if (key < it->second)
                it->second = key;
        }
    }
    query.clear();
    query.finish();
    return groupOf;
}

// A group's name: its display name, else its members' names (their numbers where
// the address book does not know them).
void NameGroups(GroupChats& groups, CContactNameLookup& lookup)
{
    for (auto& entry : groups) {
        GroupChat& group = entry.second;
        group.strNumbers = Joined(group.vecNumbers);
        if (group.strDisplayName.find_first_not_of(" \t\r\n") != std::string::npos) {
            group.strName = group.strDisplayName;
            continue;
        }
        std::vector<std::string> names;
        for (const std::string& number : group.vecNumbers) {
            const std::string& name = lookup.Find(number);
            names.push_back(name.empty() ? number : name);
        }
        group.strName = Joined(names);
    }
}

// "YYYY-MM-DD HH:MM:SS" as one number above 0, an empty date as 0: for dates of
// these two forms the numbers order as strcasecmp orders the texts. -1: another form.
long long DateKey(const std::string& date)
{
    if (date.empty())
        return 0;
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (date.size() != sizeof(kShape) - 1)
        return -1;
    long long key = 0;
    for (size_t i = 0; i < date.size(); ++i) {
        const char c = date[i];
        if (kShape[i] != 'd') {
            if (c != kShape[i])
                return -1;
        } else if (c >= '0' && c <= '9') {
            key = key * 10 + (c - '0');
        } else {
            return -1;
        }
    }
    return key + 1;
}

// The messages of one conversation, newest first, ties in the order read; the
// result holds no spare capacity.
std::vector<__MESSAGE_INFO__> NewestFirst(std::vector<__MESSAGE_INFO__> messages)
{
    std::vector<std::pair<long long, uint32_t>> order(messages.size());
    bool keyed = true;
    for (size_t i = 0; i < messages.size() && keyed; ++i) {
        order[i] = {DateKey(messages[i].strDate), uint32_t(i)};
        keyed = order[i].first >= 0;
    }
    if (keyed) {
        std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    } else {
        for (size_t i = 0; i < order.size(); ++i)
            order[i].second = uint32_t(i);
        std::stable_sort(order.begin(), order.end(), [&messages](const auto& a, const auto& b) {
            return strcasecmp(messages[a.second].strDate.c_str(), messages[b.second].strDate.c_str()) > 0;
        });
    }
    std::vector<__MESSAGE_INFO__> sorted;
    sorted.reserve(messages.size());
    for (const auto& entry : order)
        sorted.push_back(std::move(messages[entry.second]));
    return sorted;
}

// The slot of each conversation key, numbered as first seen: a direct table for the
// small handle and chat ids databases have, a hash for any other key. Rows of one
// conversation lie far apart, and a hash lookup per row missed the cache.
class ConversationSlots {
public:
    // The key's slot; `fresh` tells a key seen for the first time.
    size_t Find(unsigned int key, bool* fresh)
    {
        const unsigned int id = key & ~kGroupConversationBit;
        if (id < kDirectLimit) {
            std::vector<uint32_t>& table = m_direct[IsGroupConversationKey(key) ? 1 : 0];
            if (id >= table.size())
                table.resize(std::min<size_t>(std::max<size_t>(id + 1, 2 * table.size()), kDirectLimit), 0);
            uint32_t& entry = table[id];
            *fresh = entry == 0;
            if (*fresh)
                entry = uint32_t(++m_nCount);
            return entry - 1;
        }
        const auto found = m_other.emplace(key, m_nCount);
        *fresh = found.second;
        if (*fresh)
            ++m_nCount;
        return found.first->second;
    }

private:
    static constexpr unsigned int kDirectLimit = 1u << 20;
    std::vector<uint32_t> m_direct[2]; // handle keys, group keys: slot + 1, 0 unseen
    std::unordered_map<unsigned int, size_t> m_other;
    size_t m_nCount = 0;
};

// Which message rows have files: one bit per small row id, so the many rows without
// any are answered without a hash lookup. Other ids must be looked up.
class RowsWithFiles {
public:
    explicit RowsWithFiles(const MessageAttachmentIndex& index)
    {
        for (const auto& entry : index)
            if (entry.first >= 0 && entry.first < kLimit) {
                if (size_t(entry.first) >= m_bits.size())
                    m_bits.resize(size_t(entry.first) + 1);
                m_bits[size_t(entry.first)] = true;
            }
    }
    bool MayHave(long long rowId) const
    {
        if (rowId < 0 || rowId >= kLimit)
            return true;
        return size_t(rowId) < m_bits.size() && m_bits[size_t(rowId)];
    }

private:
    static constexpr long long kLimit = 1LL << 26;
    std::vector<bool> m_bits;
};

} // namespace

std::string CleanMessageText(std::string text)
{
    std::string out;
    if (text.find(kObjectReplacement) == std::string::npos) {
        out = std::move(text);
    } else {
        out.reserve(text.size());
        size_t pos = 0;
        for (;;) {
            const size_t hit = text.find(kObjectReplacement, pos);
            out.append(text, pos, hit == std::string::npos ? std::string::npos : hit - pos);
            if (hit == std::string::npos)
                break;
            pos = hit + 3;
        }
    }
    if (out.find_first_not_of(" \t\r\n") == std::string::npos)
        out.clear();
    return out;
}

CIPhoneMessage::CIPhoneMessage(int nReserved, bool bManifestDb)
    : m_nReserved(nReserved), m_bManifestDb(bManifestDb)
{
}

int CIPhoneMessage::InitCallback(int (*callback)(void*, int), void* userData, int position,
                                 int span)
{
    m_pCallback = callback;
    m_pUserData = userData;
    m_nPosition = position;
    m_nSpan = span;
    return 0;
}

int CIPhoneMessage::Report(int position)
{
    return m_pCallback ? m_pCallback(m_pUserData, position) : 0;
}

int CIPhoneMessage::GetSMSInfo(const char* messageDbPath, const char* addressBookPath,
                               std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& conversations,
                               unsigned long long& maxRowId)
{
    maxRowId = 0;
    m_strMsgDbPath = QString::fromUtf8(messageDbPath ? messageDbPath : "");
    m_strContactDbPath = QString::fromUtf8(addressBookPath ? addressBookPath : "");

    // Each conversation's messages in the order they were read.
    std::vector<std::pair<unsigned int, std::vector<__MESSAGE_INFO__>>> read;
    ConversationSlots slotOf;
    GroupChats groups;
    {
        CBackupConnection conn(m_strMsgConnName, m_strMsgDbPath);
        if (conn.IsOpen()) {
            // A stripped database (only handle and message) has no chat to ask about.
            const bool hasChats = conn.HasTable("chat_message_join");
            if (hasChats)
                groups = ReadGroupChats(conn);
            const std::unordered_map<long long, unsigned int> groupOf = ReadGroupMessages(conn, groups);
            // Older databases have no attributedBody column.
            const bool hasBody = conn.Columns("message").contains("attributedBody");
            MessageAttachmentIndex attachments = ReadSmsAttachments(conn);
            const RowsWithFiles withFiles(attachments);
            // Hundreds of thousands of rows: read straight from SQLite, not as QVariants.
            CBackupRows rows(m_strMsgDbPath, QString(kMessageQuery)
                                                 .arg(hasBody ? "message.attributedBody" : "NULL",
                                                      hasChats ? kInSomeChat : ""));
            std::vector<__MESSAGE_INFO__>* last = nullptr;
            unsigned int lastKey = 0;
            for (unsigned rowCount = 0; rows.Next(); ++rowCount) {
                if (rowCount % 4096 == 0 && m_fnStopped && m_fnStopped())
                    break;
                __MESSAGE_INFO__ msg;
                msg.nDeleted = 0;
                std::string text = rows.Text(0);
                if (text.empty() && !rows.IsNull(8))
                    DecodeTypedStreamText(rows.Bytes(8), &text);
                msg.strText = CleanMessageText(std::move(text));
                msg.nIsFromMe = rows.Int(1);
                const qlonglong rowId = rows.Int64(3);
                msg.nRowId = int(rowId);
                msg.strSender = rows.Text(5);
                // Up to iOS 10 the date counts seconds, later nanoseconds.
                msg.strDate = rows.Text(rows.TextLength(6) <= 14 ? 7 : 2);
                if (rowId > 0 && (unsigned long long)rowId > maxRowId)
                    maxRowId = (unsigned long long)rowId;
                // Each message is one row, so its attachments are taken, not copied.
                if (withFiles.MayHave(rowId)) {
                    const auto sent = attachments.find(rowId);
                    if (sent != attachments.end())
                        msg.vecAttachments = std::move(sent->second);
                }
                // A message that is only an attachment is kept for it.
                if (msg.strText.empty() && msg.vecAttachments.empty())
                    continue;
                const auto group = groupOf.empty() ? groupOf.end() : groupOf.find(rowId);
                if (group != groupOf.end()) {
                    msg.nHandleId = static_cast<int>(group->second);
                    if (msg.nIsFromMe)
                        msg.strSender.clear();
                } else {
                    msg.nHandleId = static_cast<int>(HandleConversationKey(rows.Int64(4)));
                }
                // Consecutive rows mostly belong to one conversation.
                if (!last || lastKey != unsigned(msg.nHandleId)) {
                    lastKey = unsigned(msg.nHandleId);
                    bool fresh = false;
                    const size_t slot = slotOf.Find(lastKey, &fresh);
                    if (fresh)
                        read.emplace_back(lastKey, std::vector<__MESSAGE_INFO__>());
                    last = &read[slot].second;
                }
                last->push_back(std::move(msg));
            }
        }
    }

    if (Report(m_nPosition + m_nSpan / 5) != 0)
        return Report(m_nPosition + m_nSpan);

    {
        CContactNameLookup lookup(ReadLookupContacts(m_strContactDbPath, m_bManifestDb));
        NameGroups(groups, lookup);
        for (auto& conversation : read)
            for (__MESSAGE_INFO__& msg : conversation.second) {
                if (!IsGroupMessage(msg)) {
                    msg.strContactName = lookup.Find(msg.strSender);
                    continue;
                }
                const GroupChat& group = groups.at(static_cast<unsigned int>(msg.nHandleId));
                msg.strContactName = msg.nIsFromMe ? std::string("Me") : lookup.Find(msg.strSender);
                msg.strChatName = group.strName;
                msg.strChatNumbers = group.strNumbers;
            }
    }

    // Newest first, each conversation on its own: a stable sort of one conversation
    // orders its messages as a sort of all of them would.
    for (auto& conversation : read) {
        std::vector<__MESSAGE_INFO__>& target = conversations[conversation.first];
        if (target.empty()) {
            target = NewestFirst(std::move(conversation.second));
        } else {
            std::vector<__MESSAGE_INFO__> sorted = NewestFirst(std::move(conversation.second));
            target.reserve(target.size() + sorted.size());
            std::move(sorted.begin(), sorted.end(), std::back_inserter(target));
        }
    }

    Report(m_nPosition + m_nSpan / 4);
    return Report(m_nPosition + m_nSpan);
}

int CIPhoneMessage::SaveSMSCsvFile(const char* sourcePath, const char* targetPath,
                                   unsigned long long)
{
    CopyDatabaseOut(sourcePath, targetPath);
    return 0;
}
