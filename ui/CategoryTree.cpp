#include "ui/CategoryTree.h"

#include "ui/DRUI.h"

namespace CategoryTree {

namespace {

struct CategoryInfo {
    const char* szPrefix;  // label up to and including "("
    const char* szIcon;
    int nPage;
};

const CategoryInfo kCategories[kCategoryCount] = {
    {"Camera Roll(", ":/image/photo.png", 0},
    {"Photo Stream(", ":/image/photostream.png", 1},
    {"App Photos(", ":/image/appphoto.png", 2},
    {"App Videos(", ":/image/video.png", 3},
    {"Message(", ":/image/message.png", 5},
    {"Messages Attachments(", ":/image/messageatta.png", 9},
    {"Contacts(", ":/image/contact.png", 6},
    {"Call History(", ":/image/phone.png", 7},
    {"Notes(", ":/image/note.png", 8},
    {"WhatsApp(", ":/image/whatsapp.png", 10},
    {"WhatsApp Attachments(", ":/image/whatsappatt.png", 11},
};

bool InRange(int category)
{
    return category >= 0 && category < kCategoryCount;
}

} // namespace

QString LabelFormat(int category)
{
    if (!InRange(category))
        return QString();
    return QString::fromLatin1(kCategories[category].szPrefix) + QStringLiteral("%1)");
}

QString Label(int category, unsigned count)
{
    if (!InRange(category))
        return QString();
    return LabelFormat(category).arg(count);
}

int CategoryOfLabel(const QString& label)
{
    for (int i = 0; i < kCategoryCount; ++i) {
        if (label.contains(QLatin1String(kCategories[i].szPrefix)))
            return i;
    }
    return -1;
}

int PageIndex(int category)
{
    return InRange(category) ? kCategories[category].nPage : -1;
}

QString IconPath(int category)
{
    return InRange(category) ? QString::fromLatin1(kCategories[category].szIcon) : QString();
}

unsigned Count(const DRUI& w, int category)
{
    switch (category) {
    case CATEGORY_CAMERA_ROLL: return unsigned(w.m_vecCamera.size());
    case CATEGORY_PHOTO_STREAM: return unsigned(w.m_vecPhotoStream.size());
    case CATEGORY_APP_PHOTOS: return w.m_nAppPhotoCount;
    case CATEGORY_APP_VIDEOS: return w.m_nAppVideoCount;
    case CATEGORY_MESSAGE: return unsigned(w.m_mapMessage.size());
    case CATEGORY_MESSAGE_ATTACHMENTS: return unsigned(w.m_vecAttachments.size());
    case CATEGORY_CONTACTS: return unsigned(w.m_vecContacts.size());
    case CATEGORY_CALL_HISTORY: return unsigned(w.m_vecCallHistory.size());
    case CATEGORY_NOTES: return unsigned(w.m_vecNotes.size());
    case CATEGORY_WHATSAPP: return unsigned(w.m_mapWhatsapp.size());
    case CATEGORY_WHATSAPP_ATTACHMENTS: return unsigned(w.m_vecWhatsappAttach.size());
    default: return 0;
    }
}

} // namespace CategoryTree
