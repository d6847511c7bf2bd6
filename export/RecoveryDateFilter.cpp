#include "export/RecoveryDateFilter.h"

#include <QString>

#include "export/StoredFileDates.h"

namespace {
std::string StoredNameOfRecord(const std::wstring& path)
{
    return StoredNameOfPath(QString::fromStdWString(path).toStdString());
}

template <typename Vec>
Vec MediaInRange(const Vec& items, const RecoveryDateRange& range, const std::map<std::string, QDateTime>& dates)
{
    Vec kept;
    for (const auto& item : items) {
        const auto it = dates.find(StoredNameOfRecord(item.wstrFullPath));
        if (range.Contains(it == dates.end() ? QDateTime() : it->second))
            kept.push_back(item);
    }
    return kept;
}

template <typename Vec>
Vec RecordsInRange(const Vec& items, const RecoveryDateRange& range)
{
    Vec kept;
    for (const auto& item : items) {
        if (range.Contains(RecordMoment(item.strDate)))
            kept.push_back(item);
    }
    return kept;
}

// The chosen conversations with their messages in range, and the keys of those
// that keep any.
template <typename Map>
std::vector<unsigned int> ConversationsInRange(const std::vector<unsigned int>& keys, const Map* source,
                                               const RecoveryDateRange& range, Map* out)
{
    std::vector<unsigned int> kept;
    if (!source)
        return kept;
    for (unsigned int key : keys) {
        const auto it = source->find(key);
        if (it == source->end())
            continue;
        auto messages = RecordsInRange(it->second, range);
        if (messages.empty())
            continue;
        (*out)[key] = std::move(messages);
        kept.push_back(key);
    }
    return kept;
}

template <typename Vec>
void AddStoredNames(const Vec& items, std::set<std::string>* names)
{
    for (const auto& item : items) {
        const std::string name = StoredNameOfRecord(item.wstrFullPath);
        if (!name.empty())
            names->insert(name);
    }
}
}

QDateTime RecordMoment(const std::string& text)
{
    if (text.size() != 19)
        return QDateTime();
    QDateTime when = QDateTime::fromString(QString::fromLatin1(text.c_str()), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!when.isValid())
        return QDateTime();
    when.setTimeSpec(Qt::UTC);
    return when;
}

std::set<std::string> SelectedStoredNames(const RecoverySelection& s)
{
    std::set<std::string> names;
    AddStoredNames(s.vecCamera, &names);
    AddStoredNames(s.vecPhotoStream, &names);
    for (const auto& app : s.mapAppPhotos)
        AddStoredNames(app.second, &names);
    for (const auto& app : s.mapAppVideos)
        AddStoredNames(app.second, &names);
    AddStoredNames(s.vecWhatsAppAttach, &names);
    AddStoredNames(s.vecMessageAttach, &names);
    return names;
}

void NarrowToDateRange(const RecoverySelection& in, const std::map<std::string, QDateTime>& mediaDates,
                       NarrowedSelection* out)
{
    const RecoveryDateRange& range = in.dateRange;
    RecoverySelection& s = out->selection;
    s = RecoverySelection();
    s.dateRange = range;
    s.bSkipIdentical = in.bSkipIdentical;
    s.strBackupFolder = in.strBackupFolder;
    s.bJsonReports = in.bJsonReports;
    s.bManifest = in.bManifest;
    s.vecCamera = MediaInRange(in.vecCamera, range, mediaDates);
    s.vecPhotoStream = MediaInRange(in.vecPhotoStream, range, mediaDates);
    // An application keeps its key even with nothing in range: it still counts in the progress.
    for (const auto& app : in.mapAppPhotos)
        s.mapAppPhotos[app.first] = MediaInRange(app.second, range, mediaDates);
    for (const auto& app : in.mapAppVideos)
        s.mapAppVideos[app.first] = MediaInRange(app.second, range, mediaDates);
    s.vecWhatsAppAttach = MediaInRange(in.vecWhatsAppAttach, range, mediaDates);
    s.vecMessageAttach = MediaInRange(in.vecMessageAttach, range, mediaDates);

    out->messages.clear();
    out->whatsApp.clear();
    s.vecMessageKeys = ConversationsInRange(in.vecMessageKeys, in.pMessages, range, &out->messages);
    s.pMessages = &out->messages;
    s.vecWhatsAppKeys = ConversationsInRange(in.vecWhatsAppKeys, in.pWhatsApp, range, &out->whatsApp);
    s.pWhatsApp = &out->whatsApp;

    s.vecContacts = in.vecContacts;   // contacts carry no date of their own
    s.vecCalls = RecordsInRange(in.vecCalls, range);
    s.vecNotes = RecordsInRange(in.vecNotes, range);
}
