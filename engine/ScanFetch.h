// The scan's fetch sequence, shared by the window and the command line: the
// reader's Scan, then the nine category fetches in their fixed order.
#pragma once

#include <functional>

#include <QString>

#include "engine/BackupRecords.h"
#include "engine/Categories.h"

class CIphoneBackupFile;
class IPhoneRecoveryParse;

// Where each fetch puts its records (the window passes its own containers).
struct SCAN_FETCH_TARGETS {
    CameraInfoVec& vecCamera;
    CameraInfoVec& vecPhotoStream;
    MessageMap& mapMessage;
    AttachmentVec& vecAttachments;
    PersonContentVec& vecContacts;
    CallHistoryVec& vecCallHistory;
    NotesVec& vecNotes;
    AppFileInfoVec& vecAppFile;
    AppFileMap& mapAppPhotos;
    AppFileMap& mapAppVideos;
    unsigned& nAppPhotoCount;
    unsigned& nAppVideoCount;
    WhatsAppMessageMap& mapWhatsapp;
    WhatsAppAttachmentVec& vecWhatsappAttach;
};

// Containers of their own for callers without a window (CLI, benchmarks, tests).
struct SCAN_FETCH_DATA {
    CameraInfoVec vecCamera;
    CameraInfoVec vecPhotoStream;
    MessageMap mapMessage;
    AttachmentVec vecAttachments;
    PersonContentVec vecContacts;
    CallHistoryVec vecCallHistory;
    NotesVec vecNotes;
    AppFileInfoVec vecAppFile;
    AppFileMap mapAppPhotos;
    AppFileMap mapAppVideos;
    unsigned nAppPhotoCount = 0;
    unsigned nAppVideoCount = 0;
    WhatsAppMessageMap mapWhatsapp;
    WhatsAppAttachmentVec vecWhatsappAttach;

    SCAN_FETCH_TARGETS Targets()
    {
        return {vecCamera,  vecPhotoStream, mapMessage,     vecAttachments, vecContacts,
                vecCallHistory, vecNotes,   vecAppFile,     mapAppPhotos,   mapAppVideos,
                nAppPhotoCount, nAppVideoCount, mapWhatsapp, vecWhatsappAttach};
    }
};

// Told after each fetch, once per category it filled, in the window's node order
// (camera roll then photo stream; app photos then app videos): category, count.
typedef std::function<void(int, unsigned long long)> ScanFetchListener;

// Runs `parse`'s Scan on `scanFolder`, then the fetches. Scan's -110 and 2 end the
// run with that value and -1 ends it with 2; anything else goes on. A fetch that
// returns non-zero (a stop) ends the run with that value before its categories are
// told. The application files are split into photos and videos after their fetch.
// `scanResult`, when given, receives Scan's own result (87: manifest missing or damaged).
//
// With two cores and a reader that tapes its progress, some fetches run ahead of
// their turn on a second thread (ScanFetchThreads). The progress callback and the
// listener are still called on the calling thread only, in the order and with the
// values of a run one by one; a stop answer ends the run at once with that value.
// The second thread is stopped and joined before the call returns. While the
// listener runs, categories it has not been told of may still be filling.
// After a stop, categories never told may hold part of what was read of them.
int RunBackupScan(IPhoneRecoveryParse* parse, const QString& scanFolder, SCAN_FETCH_TARGETS& targets,
                  const ScanFetchListener& listener, int* scanResult = nullptr);

// How RunBackupScan runs the fetches: Automatic uses a second thread where the
// machine has at least two cores; the others force one way (tests, benchmarks).
enum class ScanFetchThreads { Automatic, One, Two };
void SetScanFetchThreads(ScanFetchThreads threads);

// Number of records a category holds in `targets` (conversations for messages and
// WhatsApp); 0 out of range.
unsigned long long ScanCategoryCount(const SCAN_FETCH_TARGETS& targets, int category);
unsigned long long ScanCategoryCount(const SCAN_FETCH_DATA& data, int category);

// RunBackupScan for a caller that holds the engine and fills `data`. The engine keeps
// the messages and WhatsApp chats it reads (its writers use them): they are read into
// its own maps and moved into `data` at the end instead of being handed over as a
// second copy, so the engine's maps are empty afterwards.
int RunEngineScan(CIphoneBackupFile& engine, IPhoneRecoveryParse* parse, const QString& scanFolder,
                  SCAN_FETCH_DATA& data, const ScanFetchListener& listener, int* scanResult = nullptr);
