// The eleven categories a scan fills, in the results tree's order: how the
// window labels them, the keys of the command line and its JSON, the folder a
// recovery writes them to, and what kind of records they hold. Every program
// takes these from here.
#pragma once

#include <QString>

// Category numbers: order of the tree nodes and of the fetch results.
enum SCAN_CATEGORY {
    CATEGORY_CAMERA_ROLL = 0,
    CATEGORY_PHOTO_STREAM,
    CATEGORY_APP_PHOTOS,
    CATEGORY_APP_VIDEOS,
    CATEGORY_MESSAGE,
    CATEGORY_MESSAGE_ATTACHMENTS,
    CATEGORY_CONTACTS,
    CATEGORY_CALL_HISTORY,
    CATEGORY_NOTES,
    CATEGORY_WHATSAPP,
    CATEGORY_WHATSAPP_ATTACHMENTS,
    CATEGORY_COUNT
};

enum CATEGORY_KIND {
    KIND_MEDIA,          // stored files copied out one by one
    KIND_APP_MEDIA,      // stored files grouped by application
    KIND_CONVERSATIONS,  // chats, each written as text, table and page
    KIND_RECORDS         // rows of one database, written as one report
};

struct CATEGORY_INFO {
    SCAN_CATEGORY nCategory;
    const char* szLabel;       // tree node label, before "(count)"
    const char* szKey;         // --only name and scan JSON key (records, or conversations)
    const char* szMessageKey;  // of a conversation category: the key of its message count; else null
    const char* szFolder;      // folder under the recovery destination
    CATEGORY_KIND kind;
};

// The row of `category`; null when out of range.
const CATEGORY_INFO* CategoryInfo(int category);

// Category named by `key` (its key or its message key); -1 when none.
int CategoryOfKey(const QString& key);

// The folder of `category` under the destination, e.g. "App Video"; empty when out of range.
QString CategoryFolder(int category);
