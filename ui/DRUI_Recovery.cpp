// Main window: recovery of the ticked items to a folder. The ticked records are
// gathered here on the window's thread; the worker then runs the recovery
// shared with the command line, which reads no widget.
#include "ui/DRUI.h"

#include <string>

#include <QCheckBox>
#include <QFileDialog>
#include <QTableWidget>

#include "export/RecoveryRun.h"
#include "ui/SCANUI.h"

namespace {

// The records of the ticked rows, in ascending row order; a row beyond the
// end of its vector (a stale selection) is skipped.
template <class Vec>
Vec TickedRecords(const SelectMap& ticked, const Vec& records)
{
    Vec out;
    out.reserve(ticked.size());
    for (const auto& entry : ticked) {
        if (entry.first < records.size())
            out.push_back(records[entry.first]);
    }
    return out;
}

// Every application with a selection entry, with its ticked files.
std::map<std::string, AppFileInfoVec> TickedAppFiles(const AppSelectMap& ticked, const AppFileMap& files)
{
    std::map<std::string, AppFileInfoVec> out;
    for (const auto& app : ticked) {
        const std::string name = app.first.toStdString();
        AppFileInfoVec& chosen = out[name];
        auto found = files.find(name);
        if (found == files.end())
            continue;
        chosen = TickedRecords(app.second, found->second);
    }
    return out;
}

// The user data of column 0 of each ticked row of a table.
template <class T>
std::vector<T> TickedRowData(const SelectMap& ticked, QTableWidget* table)
{
    std::vector<T> out;
    if (!table)
        return out;
    out.reserve(ticked.size());
    for (const auto& entry : ticked) {
        QTableWidgetItem* item = table->item(int(entry.first), 0);
        if (item)
            out.push_back(item->data(Qt::UserRole).value<T>());
    }
    return out;
}

} // namespace

void DRUI::GatherRecoverySelection()
{
    RecoverySelection& sel = m_recoverySelection;
    sel = RecoverySelection();
    sel.vecCamera = TickedRecords(m_cameraTableMap, m_vecCamera);
    sel.vecPhotoStream = TickedRecords(m_photoStreamTableMap, m_vecPhotoStream);
    sel.mapAppPhotos = TickedAppFiles(m_appPhotosTableMap, m_mapAppPhotos);
    sel.mapAppVideos = TickedAppFiles(m_appVideosTableMap, m_mapAppVideos);
    sel.vecWhatsAppAttach = TickedRecords(m_whatsappAttachTableMap, m_vecWhatsappAttach);
    sel.vecMessageAttach = TickedRecords(m_messAttachTableMap, m_vecAttachments);
    sel.vecMessageKeys = TickedRowData<unsigned int>(m_messageTableMap, m_pMessageTable);
    sel.pMessages = &m_mapMessage;
    sel.vecContacts = TickedRowData<__PERSON_CONTENT__>(m_contactsTableMap, m_pContactsTable);
    sel.vecCalls = TickedRowData<__CALLHISTORY__>(m_callHistoryTableMap, m_pCallHistoryTable);
    sel.vecNotes = TickedRowData<__NOTES__>(m_notesTableMap, m_pNotesTable);
    sel.vecWhatsAppKeys = TickedRowData<unsigned int>(m_whatsappTableMap, m_pWhatsappTable);
    sel.pWhatsApp = &m_mapWhatsapp;
    sel.dateRange = ChosenDateRange();
    sel.bSkipIdentical = m_pSkipRecovered && m_pSkipRecovered->isChecked();
    // After an encrypted scan the engine points at its working folder: the media's
    // dates and the manifest's backup path come from the backup's own folder.
    sel.strBackupFolder = QString::fromStdString(m_curBackupInfo.strBackupPath);
}

void DRUI::btnRecovery()
{
    if (m_pWorker)
        return;
    m_strSaveDir.clear();
    m_strSaveDir = QFileDialog::getExistingDirectory(this, QString(), m_strSaveDir, QFileDialog::ShowDirsOnly);
    if (m_strSaveDir.isEmpty())
        return;

    GatherRecoverySelection();
    m_strManifestPath.clear();
    RunWithProgress(SCANUI::OPR_RECOVERY, &DRUI::_RecoveryProcess);
    // The copies are not needed any more; the selection maps stay, so the same
    // items can be recovered again into another folder.
    m_recoverySelection = RecoverySelection();
}

void DRUI::RecoveryProcess()
{
    const RecoveryOutcome outcome = RunRecovery(
        m_recoverySelection, m_strSaveDir, &m_backupFile,
        [this](int fine, int coarse, int failed, const QString& name) {
            const std::wstring wide = name.toStdWString();
            RecoveryCallBack(fine, coarse, failed, wide.c_str());
        },
        &m_bStopRecovery);
    // Read by the progress dialog once the end flag, set after this, is up.
    m_strManifestPath = outcome.strManifestPath;
}
