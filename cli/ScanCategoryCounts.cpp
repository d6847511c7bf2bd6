// Counts of the content categories (messages, contacts, calls, notes, WhatsApp)
// after a scan, fetched in the window's order.
#include "cli/ScanCategories.h"

#include "engine/IphoneBackupFile.h"

QJsonObject ScanCategoryCounts(CIphoneBackupFile& engine)
{
    QJsonObject counts;
    std::map<unsigned int, std::vector<__MESSAGE_INFO__>> messages;
    engine.GetBackupFileMessageInfo(messages);
    qint64 messageCount = 0;
    for (const auto& conversation : messages)
        messageCount += qint64(conversation.second.size());
    counts.insert("message_conversations", qint64(messages.size()));
    counts.insert("messages", messageCount);

    std::vector<__PERSON_CONTENT__> contacts;
    engine.GetBackupFilePersonContent(contacts);
    counts.insert("contacts", qint64(contacts.size()));

    std::vector<__CALLHISTORY__> calls;
    engine.GetBackupFileHistoryCallInfo(calls);
    counts.insert("call_history", qint64(calls.size()));

    std::vector<__NOTES__> notes;
    engine.GetBackupFileNotes(notes);
    counts.insert("notes", qint64(notes.size()));

    std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>> chats;
    engine.GetWhatsappMessageInfo(chats);
    qint64 chatMessages = 0;
    for (const auto& chat : chats)
        chatMessages += qint64(chat.second.size());
    counts.insert("whatsapp_chats", qint64(chats.size()));
    counts.insert("whatsapp_messages", chatMessages);
    return counts;
}
