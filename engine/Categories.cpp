#include "engine/Categories.h"

namespace {

const CATEGORY_INFO kCategories[CATEGORY_COUNT] = {
    {CATEGORY_CAMERA_ROLL, "Camera Roll", "camera_roll", nullptr, "Camera Roll", KIND_MEDIA},
    {CATEGORY_PHOTO_STREAM, "Photo Stream", "photo_stream", nullptr, "Photo Stream", KIND_MEDIA},
    {CATEGORY_APP_PHOTOS, "App Photos", "app_photos", nullptr, "App Photos", KIND_APP_MEDIA},
    {CATEGORY_APP_VIDEOS, "App Videos", "app_videos", nullptr, "App Video", KIND_APP_MEDIA},
    {CATEGORY_MESSAGE, "Message", "message_conversations", "messages", "Message", KIND_CONVERSATIONS},
    {CATEGORY_MESSAGE_ATTACHMENTS, "Messages Attachments", "message_attachments", nullptr, "Message Attachments",
     KIND_MEDIA},
    {CATEGORY_CONTACTS, "Contacts", "contacts", nullptr, "Contacts", KIND_RECORDS},
    {CATEGORY_CALL_HISTORY, "Call History", "call_history", nullptr, "CallHistory", KIND_RECORDS},
    {CATEGORY_NOTES, "Notes", "notes", nullptr, "Notes", KIND_RECORDS},
    {CATEGORY_WHATSAPP, "WhatsApp", "whatsapp_chats", "whatsapp_messages", "WhatsApp Message", KIND_CONVERSATIONS},
    {CATEGORY_WHATSAPP_ATTACHMENTS, "WhatsApp Attachments", "whatsapp_attachments", nullptr, "WhatsApp Attachments",
     KIND_MEDIA},
};

} // namespace

const CATEGORY_INFO* CategoryInfo(int category)
{
    return category >= 0 && category < CATEGORY_COUNT ? &kCategories[category] : nullptr;
}

int CategoryOfKey(const QString& key)
{
    for (const CATEGORY_INFO& info : kCategories) {
        if (key == QLatin1String(info.szKey) || (info.szMessageKey && key == QLatin1String(info.szMessageKey)))
            return info.nCategory;
    }
    return -1;
}

QString CategoryFolder(int category)
{
    const CATEGORY_INFO* info = CategoryInfo(category);
    return info ? QString::fromLatin1(info->szFolder) : QString();
}
