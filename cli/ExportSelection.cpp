#include "cli/ExportSelection.h"

#include <QStringList>

namespace {
const int kCategoryCount = 11;

struct CategoryName {
    const char* szName;
    int nCategory;
};

const CategoryName kNames[] = {
    {"camera_roll", 0},       {"photo_stream", 1},          {"app_photos", 2},
    {"app_videos", 3},        {"message_conversations", 4}, {"messages", 4},
    {"message_attachments", 5}, {"contacts", 6},            {"call_history", 7},
    {"notes", 8},             {"whatsapp_chats", 9},        {"whatsapp_messages", 9},
    {"whatsapp_attachments", 10},
};
}

bool ParseExportCategories(const QString& text, std::vector<bool>* wanted, QString* error)
{
    wanted->assign(kCategoryCount, text.trimmed().isEmpty());
    if (text.trimmed().isEmpty())
        return true;
    for (const QString& raw : text.split(QLatin1Char(','))) {
        const QString name = raw.trimmed();
        if (name.isEmpty())
            continue;
        bool known = false;
        for (const CategoryName& c : kNames) {
            if (name == QLatin1String(c.szName)) {
                (*wanted)[c.nCategory] = true;
                known = true;
            }
        }
        if (!known) {
            if (error)
                *error = QStringLiteral("unknown category %1").arg(name);
            return false;
        }
    }
    return true;
}

RecoverySelection SelectForExport(const ExportScanData& data, const std::vector<bool>& wanted)
{
    auto want = [&](int c) { return c < int(wanted.size()) && wanted[c]; };
    RecoverySelection sel;
    if (want(0))
        sel.vecCamera = data.vecCamera;
    if (want(1))
        sel.vecPhotoStream = data.vecPhotoStream;
    if (want(2))
        sel.mapAppPhotos = data.mapAppPhotos;
    if (want(3))
        sel.mapAppVideos = data.mapAppVideos;
    if (want(4)) {
        for (const auto& conversation : data.mapMessage)
            sel.vecMessageKeys.push_back(conversation.first);
        sel.pMessages = &data.mapMessage;
    }
    if (want(5))
        sel.vecMessageAttach = data.vecAttachments;
    if (want(6))
        sel.vecContacts = data.vecContacts;
    if (want(7))
        sel.vecCalls = data.vecCallHistory;
    if (want(8))
        sel.vecNotes = data.vecNotes;
    if (want(9)) {
        for (const auto& chat : data.mapWhatsapp)
            sel.vecWhatsAppKeys.push_back(chat.first);
        sel.pWhatsApp = &data.mapWhatsapp;
    }
    if (want(10))
        sel.vecWhatsAppAttach = data.vecWhatsappAttach;
    return sel;
}
