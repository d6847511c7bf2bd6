#include "cli/ExportSelection.h"

#include <QStringList>

#include "engine/Categories.h"

bool ParseExportCategories(const QString& text, std::vector<bool>* wanted, QString* error)
{
    wanted->assign(CATEGORY_COUNT, text.trimmed().isEmpty());
    if (text.trimmed().isEmpty())
        return true;
    for (const QString& raw : text.split(QLatin1Char(','))) {
        const QString name = raw.trimmed();
        if (name.isEmpty())
            continue;
        const int category = CategoryOfKey(name);
        if (category < 0) {
            if (error)
                *error = QStringLiteral("unknown category %1").arg(name);
            return false;
        }
        (*wanted)[size_t(category)] = true;
    }
    return true;
}

RecoverySelection SelectForExport(const ExportScanData& data, const std::vector<bool>& wanted)
{
    auto want = [&](int c) { return c < int(wanted.size()) && wanted[c]; };
    RecoverySelection sel;
    if (want(CATEGORY_CAMERA_ROLL))
        sel.vecCamera = data.vecCamera;
    if (want(CATEGORY_PHOTO_STREAM))
        sel.vecPhotoStream = data.vecPhotoStream;
    if (want(CATEGORY_APP_PHOTOS))
        sel.mapAppPhotos = data.mapAppPhotos;
    if (want(CATEGORY_APP_VIDEOS))
        sel.mapAppVideos = data.mapAppVideos;
    if (want(CATEGORY_MESSAGE)) {
        for (const auto& conversation : data.mapMessage)
            sel.vecMessageKeys.push_back(conversation.first);
        sel.pMessages = &data.mapMessage;
    }
    if (want(CATEGORY_MESSAGE_ATTACHMENTS))
        sel.vecMessageAttach = data.vecAttachments;
    if (want(CATEGORY_CONTACTS))
        sel.vecContacts = data.vecContacts;
    if (want(CATEGORY_CALL_HISTORY))
        sel.vecCalls = data.vecCallHistory;
    if (want(CATEGORY_NOTES))
        sel.vecNotes = data.vecNotes;
    if (want(CATEGORY_WHATSAPP)) {
        for (const auto& chat : data.mapWhatsapp)
            sel.vecWhatsAppKeys.push_back(chat.first);
        sel.pWhatsApp = &data.mapWhatsapp;
    }
    if (want(CATEGORY_WHATSAPP_ATTACHMENTS))
        sel.vecWhatsAppAttach = data.vecWhatsappAttach;
    return sel;
}
