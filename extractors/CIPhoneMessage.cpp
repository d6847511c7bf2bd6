#include "extractors/CIPhoneMessage.h"

#include <algorithm>
#include <strings.h>

#include <QSqlQuery>
#include <QVariant>

#include "extractors/ContactNameLookup.h"
#include "extractors/ExtractorSql.h"
#include "extractors/TypedStreamText.h"

namespace {

// Each message once, even when it is joined to two chats; messages with no handle
// (your own messages in group chats have handle_id 0) are kept under key 0.
const char kMessageQuery[] =
    "SELECT  message.text, message.is_from_me, "
    "datetime(message.date/1000000000 + 978307200, 'unixepoch') AS DateStr, "
    "message.RowID,message.handle_id, handle.id as sender_name,message.date, "
    "datetime(message.date + 978307200, 'unixepoch') AS DateStrOld, %1 "
    "FROM message  LEFT JOIN handle  ON handle.rowid = message.handle_id "
    "WHERE message.rowid IN (SELECT message_id FROM chat_message_join)";

const char kObjectReplacement[] = "\xEF\xBF\xBC"; // U+FFFC

} // namespace

std::string CleanMessageText(const std::string& text)
{
    std::string out;
    if (text.find(kObjectReplacement) == std::string::npos) {
        out = text;
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

    std::vector<__MESSAGE_INFO__> messages;
    {
        CBackupConnection conn(m_strMsgConnName, m_strMsgDbPath);
        if (conn.IsOpen()) {
            // Older databases have no attributedBody column.
            const bool hasBody = conn.Columns("message").contains("attributedBody");
            QSqlQuery query(conn.Database());
            query.setForwardOnly(true);
            if (query.exec(QString(kMessageQuery)
                               .arg(hasBody ? "message.attributedBody" : "NULL"))) {
                while (query.next()) {
                    __MESSAGE_INFO__ msg;
                    msg.nDeleted = 0;
                    std::string text = ValueText(query.value(0));
                    if (text.empty()) {
                        const QVariant body = query.value(8);
                        if (!body.isNull())
                            DecodeTypedStreamText(body.toByteArray(), &text);
                    }
                    msg.strText = CleanMessageText(text);
                    msg.nIsFromMe = query.value(1).toInt();
                    msg.strDate = ValueText(query.value(2));
                    const qlonglong rowId = query.value(3).toLongLong();
                    msg.nRowId = int(rowId);
                    msg.nHandleId = query.value(4).toInt();
                    msg.strSender = ValueText(query.value(5));
                    // Up to iOS 10 the date counts seconds, later nanoseconds.
                    if (query.value(6).toString().size() <= 14)
                        msg.strDate = ValueText(query.value(7));
                    if (rowId > 0 && (unsigned long long)rowId > maxRowId)
                        maxRowId = (unsigned long long)rowId;
                    if (!msg.strText.empty())
                        messages.push_back(std::move(msg));
                }
            }
            query.clear();
            query.finish();
        }
    }

    if (Report(m_nPosition + m_nSpan / 5) != 0)
        return Report(m_nPosition + m_nSpan);

    {
        CContactNameLookup lookup(ReadLookupContacts(m_strContactDbPath, m_bManifestDb));
        for (__MESSAGE_INFO__& msg : messages)
            msg.strContactName = lookup.Find(msg.strSender);
    }

    std::stable_sort(messages.begin(), messages.end(),
                     [](const __MESSAGE_INFO__& a, const __MESSAGE_INFO__& b) {
                         return strcasecmp(a.strDate.c_str(), b.strDate.c_str()) > 0;
                     });
    for (__MESSAGE_INFO__& msg : messages)
        conversations[(unsigned int)msg.nHandleId].push_back(std::move(msg));

    Report(m_nPosition + m_nSpan / 4);
    return Report(m_nPosition + m_nSpan);
}

int CIPhoneMessage::SaveSMSCsvFile(const char* sourcePath, const char* targetPath,
                                   unsigned long long)
{
    CopyDatabaseOut(sourcePath, targetPath);
    return 0;
}
