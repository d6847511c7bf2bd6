#include "export/RecoveryRun.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <set>

#include "engine/Categories.h"
#include "engine/MessageConversation.h"
#include "export/ExportNames.h"
#include "export/MediaCopy.h"
#include "export/Recovery.h"
#include "export/RecoveryDateFilter.h"
#include "export/RecoveryManifest.h"
#include "export/StoredFileDates.h"
#include "engine/IphoneBackupFile.h"
#include "support/ExportTree.h"
#include "support/Platform.h"
#include "support/WrittenFiles.h"

#include <QFile>

namespace {
class CRun {
public:
    CRun(const QString& saveDir, const RecoveryReportFn& report, const std::atomic<bool>* stop, bool skipIdentical)
        : m_strSaveDir(saveDir), m_report(report), m_pStop(stop), m_bSkipIdentical(skipIdentical)
    {
    }

    void Report(int fine, int coarse, int failed, const QString& name)
    {
        if (m_pStop && m_pStop->load())
            return;
        if (m_report)
            m_report(fine, coarse, failed, name);
    }

    void Written(int count = 1) { m_outcome.nWritten += count; }

    // Counts a report written, or its failure; true when it failed.
    bool Saved(const QString& name, int err)
    {
        if (err)
            Failed(name, err);
        else
            Written();
        return err != 0;
    }

    void Failed(const QString& name, int err)
    {
        Failed(name, QString::fromStdString(ExportErrorText(err)));
    }

    void Failed(const QString& name, const QString& reason)
    {
        ++m_outcome.nFailed;
        m_outcome.vecFailures.push_back({name, reason});
    }

    // Copies one media record into `folder` (made on first use) and reports it.
    template <typename Record>
    void CopyOne(const Record& rec, const QString& folder, int fine, int coarse)
    {
        const std::string dir = folder.toStdString();
        const std::string wanted = dir + "/" + SafeFileName(rec.strFileName);
        std::string written, reason, present;
        WrittenFile presentFile;
        int err = 0;
        errno = 0;
        if (!MakeFolder(folder)) {
            // errno stays 0 only when a part of the path is not a folder.
            err = errno ? errno : ENOTDIR;
            reason = "cannot make the folder: " + ExportErrorText(err);
        } else {
            err = CopyMediaFile(QString::fromStdWString(rec.wstrFullPath).toStdString(), wanted, &written, &reason,
                                m_bSkipIdentical ? &present : nullptr, &presentFile, &m_copyHandles);
        }
        if (err) {
            Failed(QString::fromStdString(wanted), QString::fromStdString(reason));
            Report(fine, coarse, 1, QString::fromStdString(wanted));
        } else if (!present.empty()) {
            // An identical copy is already in place: nothing new is written.
            Keep(present, presentFile);
            Report(fine, coarse, 0, QString::fromStdString(present));
        } else {
            Written();
            Report(fine, coarse, 0, QString::fromStdString(written));
        }
    }

    template <typename Vec>
    void MediaStep(const Vec& items, const QString& folderName, int fineSpan, int coarse, int stepEnd)
    {
        const int n = static_cast<int>(items.size());
        for (int i = 1; i <= n; ++i)
            CopyOne(items[i - 1], m_strSaveDir + folderName,
                    StepFine(static_cast<int>(static_cast<long long>(fineSpan) * i / n), coarse), coarse);
        Report(stepEnd, 1, 0, QString());
    }

    void AppStep(const std::map<std::string, AppFileInfoVec>& apps, const QString& folderName, int fineSpan,
                 int coarse, int stepEnd)
    {
        const int a = static_cast<int>(apps.size());
        int k = 0;
        for (const auto& app : apps) {
            ++k;
            const int fine = StepFine(static_cast<int>(static_cast<long long>(fineSpan) * k / a), coarse);
            for (const _IPHONE_APP_FILE_INFO_& file : app.second)
                CopyOne(file, m_strSaveDir + folderName + QString::fromStdString(SafeComponent(file.strAppName)), fine,
                        coarse);
        }
        Report(stepEnd, 1, 0, QString());
    }

    // The files a chat page copied beside it count as written; those it could not write fail.
    void AttachmentsOf(CRecovery& rec)
    {
        std::vector<std::pair<std::string, std::string>> failures;
        Written(rec.TakeAttachmentsWritten(&failures));
        for (const auto& failure : failures)
            Failed(QString::fromStdString(failure.first), QString::fromStdString(failure.second));
    }

    RecoveryOutcome& Outcome() { return m_outcome; }
    // Files not copied because an identical copy was in place.
    const std::map<std::string, WrittenFile>& Kept() const { return m_mapKept; }
    void Keep(const std::string& present, const WrittenFile& file)
    {
        ++m_outcome.nSkipped;
        m_mapKept[present] = file;
    }

private:
    // The previous step ended on coarse + 1 percent; the first items of a long step
    // must not report less, or the bar steps back.
    static int StepFine(int fine, int coarse) { return coarse > 0 && fine < 100 ? 100 : fine; }

    // Each media folder is made once per run (on first use, so nothing ticked makes none).
    bool MakeFolder(const QString& folder)
    {
        if (m_madeFolders.count(folder))
            return true;
        if (!QmPlatform::MakeExportDir(folder))
            return false;
        m_madeFolders.insert(folder);
        return true;
    }

    std::set<QString> m_madeFolders;
    // Folders the media copies keep open from file to file.
    CMediaCopyHandles m_copyHandles;
    QString m_strSaveDir;
    const RecoveryReportFn& m_report;
    const std::atomic<bool>* m_pStop;
    RecoveryOutcome m_outcome;
    bool m_bSkipIdentical;
    std::map<std::string, WrittenFile> m_mapKept;
};

QString BackupFolderOf(const RecoverySelection& sel, CIphoneBackupFile* engine)
{
    if (!sel.strBackupFolder.isEmpty())
        return sel.strBackupFolder;
    return engine ? QString::fromStdString(engine->m_strBackupDir) : QString();
}
}

RecoveryOutcome RunRecovery(const RecoverySelection& chosen, const QString& saveDir, CIphoneBackupFile* engine,
                            const RecoveryReportFn& report, const std::atomic<bool>* stop, const QString& templateRoot)
{
    // Everything below the chosen folder is reached from a descriptor of it, never
    // through a link planted inside it.
    CExportRootScope destination(QFile::encodeName(saveDir).toStdString());
    // Every file finished below it is noted, hashed as it was written, for the manifest.
    std::unique_ptr<CWrittenFilesScope> writtenFiles(chosen.bManifest ? new CWrittenFilesScope(saveDir.toStdString()) : nullptr);
    const QString backupFolder = BackupFolderOf(chosen, engine);
    NarrowedSelection narrowed;
    if (!chosen.dateRange.IsOpen())
        NarrowToDateRange(chosen, ReadStoredFileDates(backupFolder, SelectedStoredNames(chosen)), &narrowed);
    const RecoverySelection& sel = chosen.dateRange.IsOpen() ? chosen : narrowed.selection;
    CRun run(saveDir, report, stop, sel.bSkipIdentical);
    CRecovery rec;
    if (!templateRoot.isEmpty())
        rec.SetTemplateRoot(templateRoot);
    rec.Init(saveDir, engine);
    rec.SetJsonReports(sel.bJsonReports);
    run.Outcome().strStamp = rec.Stamp();
    const QString D = saveDir;

    run.MediaStep(sel.vecCamera, "/" + CategoryFolder(CATEGORY_CAMERA_ROLL), 2000, 0, 2000);
    run.MediaStep(sel.vecPhotoStream, "/" + CategoryFolder(CATEGORY_PHOTO_STREAM), 2000, 20, 4000);
    run.AppStep(sel.mapAppPhotos, "/" + CategoryFolder(CATEGORY_APP_PHOTOS) + "/", 1000, 40, 5000);
    run.AppStep(sel.mapAppVideos, "/" + CategoryFolder(CATEGORY_APP_VIDEOS) + "/", 2000, 50, 7000);
    run.MediaStep(sel.vecWhatsAppAttach, "/" + CategoryFolder(CATEGORY_WHATSAPP_ATTACHMENTS), 1000, 70, 8000);
    run.MediaStep(sel.vecMessageAttach, "/" + CategoryFolder(CATEGORY_MESSAGE_ATTACHMENTS), 1000, 80, 9000);

    if (!sel.vecMessageKeys.empty()) {
        bool failed = false;
        bool saved = false;
        for (unsigned int key : sel.vecMessageKeys) {
            if (!sel.pMessages)
                break;
            auto it = sel.pMessages->find(key);
            if (it == sel.pMessages->end() || it->second.empty())
                continue;
            const __MESSAGE_INFO__& first = it->second.front();
            const int err = rec.RecoveryMsg(key, &first, sel.pMessages);
            run.AttachmentsOf(rec);
            if (err) {
                failed = true;
                const std::string who = ConversationName(first).empty() ? "Unknown" : ConversationName(first);
                run.Failed(D + "/" + CategoryFolder(CATEGORY_MESSAGE) + "/" + QString::fromStdString(who), err);
            } else {
                saved = true;
                run.Written();
            }
        }
        // The database goes beside the conversations of this run, never on its own.
        std::string present;
        WrittenFile presentFile;
        if (saved && sel.bSkipIdentical && engine)
            present = FindIdenticalCopy(engine->GetStoredFilePath(g_szSmsDbFileId),
                                        (D + "/" + CategoryFolder(CATEGORY_MESSAGE) + "/sms.db").toStdString(), &presentFile);
        if (!present.empty()) {
            run.Keep(present, presentFile);
        } else if (saved) {
            if (int err = rec.SaveMessage()) {
                failed = true;
                run.Failed(D + "/" + CategoryFolder(CATEGORY_MESSAGE) + "/sms.db", err);
            } else {
                run.Written();
            }
        }
        run.Report(9100, 1, failed ? 1 : 0, D + "/" + CategoryFolder(CATEGORY_MESSAGE) + "/sms.csv");
    }

    if (!sel.vecContacts.empty()) {
        for (const __PERSON_CONTENT__& person : sel.vecContacts)
            rec.RecoveryContacts(&person);
        bool failed = false;
        rec.SaveContactsCsv();
        if (int err = rec.LastDatabaseCopyError()) {
            failed = true;
            run.Failed(rec.ContactsDir() + QStringLiteral("/Contacts.db"), err);
        } else {
            run.Written();
        }
        if (int err = rec.SaveContacts()) {
            failed = true;
            run.Failed(rec.ContactsDir() + QStringLiteral("/Contacts.html"), err);
        } else {
            run.Written();
        }
        if (int err = rec.SaveContactsVcf()) {
            failed = true;
            run.Failed(rec.ContactsDir() + QStringLiteral("/Contacts.vcf"), err);
        } else {
            run.Written();
        }
        if (sel.bJsonReports && run.Saved(rec.ContactsDir() + QStringLiteral("/Contacts.json"), rec.SaveContactsJson()))
            failed = true;
        run.Report(9200, 1, failed ? 1 : 0, D + "/" + CategoryFolder(CATEGORY_CONTACTS) + "/Contacts.html");
    }

    if (!sel.vecCalls.empty()) {
        for (const __CALLHISTORY__& call : sel.vecCalls)
            rec.RecoveryCallHistory(&call);
        bool failed = run.Saved(rec.CallHistoryPath(), rec.SaveCallHistory());
        if (sel.bJsonReports && run.Saved(rec.CallHistoryPath(), rec.SaveCallHistoryJson()))
            failed = true;
        run.Report(9300, 1, failed ? 1 : 0, D + "/" + CategoryFolder(CATEGORY_CALL_HISTORY) + "/CallHistory.html");
    }

    if (!sel.vecNotes.empty()) {
        for (const __NOTES__& note : sel.vecNotes)
            rec.RecoveryNotes(&note);
        bool failed = run.Saved(rec.NotesPath(), rec.SaveNotes());
        if (sel.bJsonReports && run.Saved(rec.NotesPath(), rec.SaveNotesJson()))
            failed = true;
        run.Report(9500, 1, failed ? 1 : 0, D + "/" + CategoryFolder(CATEGORY_NOTES) + "/Notes.html");
    }

    for (unsigned int key : sel.vecWhatsAppKeys) {
        if (!sel.pWhatsApp)
            break;
        auto it = sel.pWhatsApp->find(key);
        if (it == sel.pWhatsApp->end() || it->second.empty())
            continue;
        const __WHATSAPP_MESSAGE__& first = it->second.front();
        const int err = rec.RecoveryWhatsAppMsg(key, &first, sel.pWhatsApp);
        run.AttachmentsOf(rec);
        if (err) {
            // Chats have no report of their own; a failure still must not pass unseen.
            const QString name = D + "/" + CategoryFolder(CATEGORY_WHATSAPP) + "/" + QString::fromStdString(first.strExtra1.empty() ? first.strExtra2 : first.strExtra1);
            run.Failed(name, err);
            run.Report(9500, 1, 1, name);
        } else {
            run.Written();
        }
    }

    // Nothing asked for, nothing to prove: the folder stays as it was.
    if (chosen.IsEmpty() || !writtenFiles) {
        run.Report(10000, 1000, 0, QString());
        return run.Outcome();
    }
    RecoveryManifestInput proof;
    if (engine)
        proof.backup = engine->m_selected;
    proof.strBackupFolder = backupFolder;
    proof.pSelection = &chosen;
    proof.strStamp = rec.Stamp();
    proof.pWritten = &writtenFiles->Files();
    proof.pKept = &run.Kept();
    QString manifestError;
    run.Outcome().strManifestPath = WriteRecoveryManifest(proof, saveDir, &manifestError);
    if (run.Outcome().strManifestPath.isEmpty()) {
        const QString name = saveDir + QStringLiteral("/manifest-") + rec.Stamp() + QStringLiteral(".json");
        run.Failed(name, manifestError);
        run.Report(9900, 1, 1, name);
    }

    run.Report(10000, 1000, 0, QString());
    return run.Outcome();
}
