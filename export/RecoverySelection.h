// What a recovery run exports: the ticked records of every category, gathered on the
// window's thread (or by the command line) before the run starts, so the run itself
// reads no widget.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QString>

#include "engine/BackupRecords.h"
#include "export/RecoveryDateRange.h"

struct RecoverySelection {
    // Media, each in the order of its table's ticked rows.
    CameraInfoVec vecCamera;
    CameraInfoVec vecPhotoStream;
    // Application name -> its ticked files. Every application with a selection entry
    // has a key, even when none of its files is found (it still counts in the progress).
    std::map<std::string, AppFileInfoVec> mapAppPhotos;
    std::map<std::string, AppFileInfoVec> mapAppVideos;
    WhatsAppAttachmentVec vecWhatsAppAttach;
    AttachmentVec vecMessageAttach;

    // Ticked conversation and chat keys, looked up in the scan's maps, which must stay
    // unchanged while the run lasts (the window's modal dialog guarantees that).
    std::vector<unsigned int> vecMessageKeys;
    const MessageMap* pMessages = nullptr;
    std::vector<unsigned int> vecWhatsAppKeys;
    const WhatsAppMessageMap* pWhatsApp = nullptr;

    PersonContentVec vecContacts;
    CallHistoryVec vecCalls;
    NotesVec vecNotes;

    // Narrows every category by its own date; open by default.
    RecoveryDateRange dateRange;
    // Skip a file whose identical copy (size and SHA-256) already sits at its place
    // instead of writing a numbered name beside it.
    bool bSkipIdentical = false;
    // The backup's own folder, named in the manifest and read for the media's dates
    // (after an encrypted scan the engine points at its working folder). Empty: the engine's.
    QString strBackupFolder;
    // Beside the usual reports, every conversation and table report as JSON too.
    bool bJsonReports = false;
    // Write manifest-<stamp>.json; off only to measure what the proof costs.
    bool bManifest = true;

    bool IsEmpty() const
    {
        return vecCamera.empty() && vecPhotoStream.empty() && mapAppPhotos.empty() && mapAppVideos.empty() &&
               vecWhatsAppAttach.empty() && vecMessageAttach.empty() && vecMessageKeys.empty() &&
               vecWhatsAppKeys.empty() && vecContacts.empty() && vecCalls.empty() && vecNotes.empty();
    }
};
