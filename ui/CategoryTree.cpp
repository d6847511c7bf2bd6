#include "ui/CategoryTree.h"

#include <QTreeWidgetItem>

#include "ui/DRUI.h"

namespace CategoryTree {

namespace {

// What only the window shows of a category.
struct CategoryLook {
    const char* szIcon;
    int nPage;  // index in the category stack
};

const CategoryLook kLooks[kCategoryCount] = {
    {":/image/photo.png", 0},        {":/image/photostream.png", 1}, {":/image/appphoto.png", 2},
    {":/image/video.png", 3},        {":/image/message.png", 5},     {":/image/messageatta.png", 9},
    {":/image/contact.png", 6},      {":/image/phone.png", 7},       {":/image/note.png", 8},
    {":/image/whatsapp.png", 10},    {":/image/whatsappatt.png", 11},
};

// The label up to and including "(".
QString Prefix(int category)
{
    return QString::fromLatin1(CategoryInfo(category)->szLabel) + QLatin1Char('(');
}

bool InRange(int category)
{
    return category >= 0 && category < kCategoryCount;
}

} // namespace

QString LabelFormat(int category)
{
    if (!InRange(category))
        return QString();
    return Prefix(category) + QStringLiteral("%1)");
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
        if (label.contains(Prefix(i)))
            return i;
    }
    return -1;
}

int PageIndex(int category)
{
    return InRange(category) ? kLooks[category].nPage : -1;
}

QString IconPath(int category)
{
    return InRange(category) ? QString::fromLatin1(kLooks[category].szIcon) : QString();
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

void ShowFetched(DRUI& window, QTreeWidgetItem* node, int category)
{
    const unsigned count = Count(window, category);
    if (count > 0)
        node->setCheckState(0, Qt::Checked);
    window.UpdateTreeInfo(node, 0, true);
    node->setText(0, Label(category, count));
}

} // namespace CategoryTree
