// Helpers of the scan and recovery flow tests: answering the modal dialogs the
// flows open, choosing folders in the folder dialog, and the counts a scan of
// a backup should show, taken from the engine without a window.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"

// Hands every modal dialog that comes up to `handler`, once per dialog, until
// the driver is destroyed. The handler answers it (or leaves it alone).
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget*)> handler) : m_handler(std::move(handler))
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last)
                return;
            m_last = modal;
            m_handler(modal);
        });
        m_timer.start(20);
    }

private:
    std::function<void(QWidget*)> m_handler;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

// Accepts the folder dialog with `folder` chosen; an empty folder cancels it.
inline void AnswerFolderDialog(QFileDialog* dialog, const QString& folder)
{
    if (folder.isEmpty()) {
        dialog->reject();
        return;
    }
    // With nothing typed or selected, a folder dialog answers its current folder.
    dialog->setDirectory(folder);
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
        name->clear();
    static_cast<QDialog*>(dialog)->accept();
}

typedef std::array<unsigned long long, 11> CategoryCounts;

// What the engine finds in a plain backup, per category (tree order).
inline CategoryCounts EngineCounts(const QString& backupDir)
{
    CategoryCounts counts{};
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    QByteArray folder = backupDir.toUtf8();
    if (engine.GetBackFileInfo(folder.data(), &info) != 0)
        return counts;
    engine.Init(&info);
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    CameraInfoVec camera, photoStream;
    MessageMap messages;
    AttachmentVec attachments;
    PersonContentVec contacts;
    CallHistoryVec calls;
    NotesVec notes;
    AppFileInfoVec appFiles;
    AppFileMap appPhotos, appVideos;
    unsigned appPhotoCount = 0, appVideoCount = 0;
    WhatsAppMessageMap whatsapp;
    WhatsAppAttachmentVec whatsappAttach;
    SCAN_FETCH_TARGETS targets{camera,    photoStream, messages,      attachments,   contacts, calls,   notes,
                               appFiles,  appPhotos,   appVideos,     appPhotoCount, appVideoCount, whatsapp,
                               whatsappAttach};
    RunBackupScan(parse.get(), QString(), targets, nullptr);
    for (int c = 0; c < 11; ++c)
        counts[size_t(c)] = ScanCategoryCount(targets, c);
    return counts;
}
