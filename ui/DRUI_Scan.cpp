// Main window: choosing a backup, its password, the decryptor and the scan.
#include "ui/DRUI.h"

#include <string>
#include <vector>

#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QStackedLayout>
#include <QTableWidget>
#include <QThread>
#include <QTreeWidget>

#include "engine/BackupLocations.h"
#include "engine/DecryptorRun.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"
#include "support/Platform.h"
#include "support/RememberedFolders.h"
#include "support/SysHelpers.h"
#include "ui/CMessageBox.h"
#include "ui/CPasswordUI.h"
#include "ui/CategoryTree.h"
#include "ui/SCANUI.h"

// ---- Choosing a backup ----

void DRUI::btnSlotSelect()
{
    m_strSelectDir.clear();
    m_strSelectDir =
        QFileDialog::getExistingDirectory(this, QString(), m_strSelectDir, QFileDialog::ShowDirsOnly);
    if (m_strSelectDir.isEmpty())
        return;

    __BACK_FILE_INFO__ info;
    QByteArray folder = m_strSelectDir.toUtf8();
    if (m_backupFile.GetBackFileInfo(folder.data(), &info) != 0) {
        // A folder holding several backups (a copied MobileSync folder, an
        // idevicebackup2 target): list them all and let the user pick one.
        const BackFileInfoVec inside = ListBackupsIn(m_backupFile, m_strSelectDir);
        if (inside.empty()) {
            ShowInfoMessage("Can not found the iTunes Backup file.");
            return;
        }
        RememberedFolders::Remember(m_strSelectDir);
        FillBackupTable();
        const int row = BackupTableRow(QString::fromStdString(inside.front().strBackupPath));
        if (row >= 0) {
            m_pBackupTable->setCurrentCell(row, 0);
            m_pBackupTable->scrollToItem(m_pBackupTable->item(row, 0));
            iTunesTableItemPress(row, 0);
        }
        return;
    }
    // Listed on the home page from now on.
    RememberedFolders::Remember(m_strSelectDir);
    FillBackupTable();
    m_curBackupInfo = info;
    m_nBackupFileCount = DecryptorRun::CountBackupFiles(m_strSelectDir);
    // A folder chosen again asks again: its password may have changed.
    m_strPassword.clear();
    m_strPasswordBackup.clear();
    btnSlotScan();
}

bool DRUI::PrepareEncryptedBackup()
{
    if (!m_curBackupInfo.bEncrypted)
        return true;
    const QString backup = QString::fromStdString(m_curBackupInfo.strBackupPath);
    if (!m_strPassword.isEmpty() && m_strPasswordBackup == backup)
        return true;

    // Chosen from the table: count like Select, so the decryption's progress
    // has something to be measured against (Select has counted already).
    if (m_strSelectDir.isEmpty() || QFileInfo(m_strSelectDir) != QFileInfo(backup))
        m_nBackupFileCount = DecryptorRun::CountBackupFiles(backup);
    m_strPassword.clear();
    m_strPasswordBackup.clear();
    for (;;) {
        CPasswordUI dialog;
        dialog.setGeometry(DialogGeometry(4, 500, 250));
        dialog.exec();
        if (dialog.m_nRet != 0)
            return false;
        const QString password = dialog.Password();
        if (password.isEmpty()) {
            ShowInfoMessage("The password can't be empty, please try again.");
            continue;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const int checked = RunDecryptor(password, true);
        QApplication::restoreOverrideCursor();
        if (checked == 0) {
            m_strPassword = password;
            m_strPasswordBackup = backup;
            return true;
        }
        if (checked == -110) {
            ShowInfoMessage("Your password is not correct! Please try again.");
            continue;
        }
        // Without a verdict going on would only scan an empty working folder
        // and report nothing found.
        ShowInfoMessage(DecryptorFailureText());
        return false;
    }
}

// ---- The decryptor ----

namespace {
// Dynamic properties of the decryptor process: its verdict has been taken
// (nothing more is read), a "Count:" line was seen, and the last other line.
const char kDecided[] = "qmDecided";
const char kCounted[] = "qmCounted";
const char kLastLine[] = "qmLastLine";

// One line of the decryptor; true when reading should stop (the process has
// been killed).
bool HandleDecryptorLine(DRUI& window, QProcess* process, const QByteArray& line, bool check)
{
    qint64 done = 0;
    switch (DecryptorRun::ClassifyLine(line, &done)) {
    case DecryptorRun::LINE_WRONG_PASSWORD:
        window.m_nDecryptRet = -110;
        process->setProperty(kDecided, true);
        process->kill();
        return true;
    case DecryptorRun::LINE_COUNT:
        process->setProperty(kCounted, true);
        if (check) {
            // The password is known to be right: no need to wait for more.
            window.m_nDecryptRet = 0;
            process->setProperty(kDecided, true);
            process->kill();
            return true;
        }
        if (window.m_bStopScan) {
            process->setProperty(kDecided, true);
            process->kill();
            return true;
        }
        emit window.ScanProcessCallBack(DecryptorRun::ProgressPercent(done, window.m_nBackupFileCount));
        return false;
    default:
        if (!line.trimmed().isEmpty())
            process->setProperty(kLastLine, QString::fromUtf8(line.trimmed()));
        return false;
    }
}

void ReadDecryptorLines(DRUI& window, QProcess* process, bool check)
{
    if (!process)
        return;
    while (!process->property(kDecided).toBool() && process->canReadLine()) {
        if (HandleDecryptorLine(window, process, process->readLine(), check))
            return;
    }
    // A last line without its line end, once the process has gone.
    if (!process->property(kDecided).toBool() && process->state() == QProcess::NotRunning &&
        process->bytesAvailable() > 0)
        HandleDecryptorLine(window, process, process->readAll(), check);
}
} // namespace

QString DRUI::DecryptorFailureText() const
{
    const QString last = m_pProcess ? m_pProcess->property(kLastLine).toString() : QString();
    if (!m_pProcess || m_pProcess->error() == QProcess::FailedToStart)
        return "The decryptor could not be started:\n" + DecryptorRun::ProgramPath();
    return last.isEmpty() ? QString("The decryptor could not open this backup.")
                          : "The decryptor could not open this backup:\n" + last;
}

int DRUI::RunDecryptor(const QString& password, bool check)
{
    if (m_pProcess) {
        if (m_pProcess->state() != QProcess::NotRunning) {
            m_pProcess->kill();
            m_pProcess->waitForFinished(3000);
        }
        // The previous run may have been waited for on the other thread.
        if (m_pProcess->thread() == QThread::currentThread())
            delete m_pProcess;
        else
            m_pProcess->deleteLater();
        m_pProcess = nullptr;
    }
    m_nDecryptRet = 0;

    // Made on the thread that waits for it, so its lines are handled there as
    // they come (the scan runs this on the worker); kept afterwards as the
    // process of the last run, owned by the window.
    auto* process = new QProcess;
    m_pProcess = process;
    process->setProcessChannelMode(QProcess::MergedChannels);
    connect(process, &QProcess::readyRead, this, check ? &DRUI::CheckPasswordRecieve : &DRUI::DecryptDataRecieve,
            Qt::DirectConnection);
    process->start(DecryptorRun::ProgramPath(),
                   DecryptorRun::Arguments(QString::fromStdString(m_curBackupInfo.strBackupPath),
                                           QmPlatform::WorkDir(), check),
                   QIODevice::ReadWrite);
    if (!process->waitForStarted(30000)) {
        m_nDecryptRet = -1;
    } else {
        // The password goes on standard input, never on the command line.
        process->write(password.toUtf8() + '\n');
        process->closeWriteChannel();
        // Polled rather than waited for at once, so a cancelled scan also
        // stops a decryptor that has not printed its next line yet.
        while (!process->waitForFinished(100)) {
            if (process->state() == QProcess::NotRunning)
                break;
            if (!check && m_bStopScan) {
                process->kill();
                process->waitForFinished(3000);
                break;
            }
        }
        // Lines still buffered when the process ended.
        ReadDecryptorLines(*this, process, check);
        // A check proves the password only by a "Count:" line; one that ended
        // without any verdict (a damaged backup, a crash) has proved nothing.
        if (check && m_nDecryptRet == 0 && !process->property(kCounted).toBool())
            m_nDecryptRet = -1;
    }
    disconnect(process, nullptr, this, nullptr);
    if (process->thread() != thread())
        process->moveToThread(thread());
    return m_nDecryptRet;
}


// Both run on the thread that waits for the decryptor (sender() is not
// usable there), while m_pProcess is the running decryptor.
void DRUI::CheckPasswordRecieve()
{
    ReadDecryptorLines(*this, m_pProcess, true);
}

void DRUI::DecryptDataRecieve()
{
    ReadDecryptorLines(*this, m_pProcess, false);
}

namespace {

// Empties a container and lets its storage go.
template <class T>
void Release(T& container)
{
    T().swap(container);
}

// Everything the last scan left: its records and what the pages selected of them.
void ReleaseScanResults(DRUI& w)
{
    Release(w.m_vecCamera);
    Release(w.m_vecPhotoStream);
    Release(w.m_vecAppFile);
    Release(w.m_mapAppPhotos);
    Release(w.m_mapAppVideos);
    Release(w.m_vecAttachments);
    Release(w.m_mapMessage);
    Release(w.m_mapWhatsapp);
    Release(w.m_vecContacts);
    Release(w.m_vecCallHistory);
    Release(w.m_vecNotes);
    Release(w.m_vecWhatsappAttach);
    w.m_nAppPhotoCount = 0;
    w.m_nAppVideoCount = 0;
    w.m_cameraTableMap.clear();
    w.m_photoStreamTableMap.clear();
    w.m_appPhotosTableMap.clear();
    w.m_appVideosTableMap.clear();
    w.m_messageTableMap.clear();
    w.m_messAttachTableMap.clear();
    w.m_contactsTableMap.clear();
    w.m_callHistoryTableMap.clear();
    w.m_notesTableMap.clear();
    w.m_whatsappTableMap.clear();
    w.m_whatsappAttachTableMap.clear();
    w.m_strCurApp.clear();
    // What the engine kept of the last scan: the next one reads it afresh, and
    // held over it would pin the last worker's memory while the new one fills.
    w.ReleaseRecoveryParse();
    Release(w.m_backupFile.m_vecManifest);
    Release(w.m_backupFile.m_vecWhatsAppAttachments);
    Release(w.m_backupFile.m_mapQQ);
}

// A scan's records are allocated on its worker thread; the C library keeps what is
// freed there for that thread's arena unless asked to give it back.
void ReturnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

// ---- Starting a scan ----

void DRUI::btnSlotScan()
{
    if (m_pWorker)
        return;
    if (!PrepareEncryptedBackup())
        return;

    ReleaseScanResults(*this);

    InitLayout3Widget();
    // The old page's tables are gone too: hand what they and the last scan held
    // back to the system before the next scan allocates its own.
    ReturnFreedMemory();
    m_pCurTreeItem = nullptr;
    m_pCurAppItem = nullptr;
    if (m_pMainStack) {
        m_pMainStack->addWidget(m_pResultWidget);
        m_pMainStack->setCurrentWidget(m_pResultWidget);
    }

    RunWithProgress(SCANUI::OPR_SCAN, &DRUI::_ScanProcess);
    // Nodes whose fetch ended just before a cancelled scan did.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    RefreshSelectFileInfo();
}

// ---- The scan, on the worker thread ----

int DRUI::Scan(wchar_t*, int&)
{
    m_bStopScan = false;
    m_bScanEnded = false;
    m_nLastScanPercent = -1;
    ReleaseRecoveryParse();

    int result = 0;
    m_backupFile.Init(&m_curBackupInfo);
    m_pRecoveryParse = CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&m_backupFile, RECOVERY_TYPE(1));
    if (!m_pRecoveryParse) {
        result = -1;
    } else {
        m_pRecoveryParse->InitCallback(&DRUI::ScanCallBack, this);
        QString scanFolder;
        bool go = true;
        if (m_curBackupInfo.bEncrypted) {
            // Whatever an earlier decryption left must not mix with this one.
            std::vector<std::string> entries;
            const QByteArray work = QmPlatform::WorkDir().toUtf8();
            TraverseFolderAndFile(work.constData(), entries);
            for (const std::string& entry : entries)
                unlink(entry.c_str());
            RunDecryptor(m_strPassword, false);
            if (m_nDecryptRet != 0 || m_bStopScan)
                go = false;  // nothing decrypted: the tree keeps its zeros
            else
                scanFolder = QmPlatform::WorkDir();
        }
        if (go) {
            SCAN_FETCH_TARGETS targets{m_vecCamera,    m_vecPhotoStream, m_mapMessage,     m_vecAttachments,
                                       m_vecContacts,  m_vecCallHistory, m_vecNotes,       m_vecAppFile,
                                       m_mapAppPhotos, m_mapAppVideos,   m_nAppPhotoCount, m_nAppVideoCount,
                                       m_mapWhatsapp,  m_vecWhatsappAttach};
            // Widgets belong to the window's thread: each node is updated
            // there, in fetch order, while the worker goes on with the next
            // fetch. A fetch writes only its own containers and is done with
            // them when it reports, so the node reads them alone.
            const bool onWorker = QThread::currentThread() != thread();
            result = RunBackupScan(m_pRecoveryParse, scanFolder, targets, [this, onWorker](int category,
                                                                                           unsigned long long) {
                if (onWorker)
                    QMetaObject::invokeMethod(
                        this, [this, category]() { UpdateScanNode(category); }, Qt::QueuedConnection);
                else
                    UpdateScanNode(category);
            });
        }
    }

    m_bScanEnded = true;
    if (!m_bStopScan)
        emit ScanProcessCallBack(100);
    return result;
}

void DRUI::UpdateScanNode(int category)
{
    if (!m_pTree)
        return;
    const QString zeroLabel = CategoryTree::Label(category, 0);
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < m_pTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_pTree->topLevelItem(i);
        if (item->text(0) == zeroLabel) {
            node = item;
            break;
        }
    }
    if (node)
        CategoryTree::ShowFetched(*this, node, category);
}

// ---- Home ----

void DRUI::btnSlotBack()
{
    CMessageBox box;
    box.setGeometry(DialogGeometry(3, 400, 200));
    box.InitQuestionDialog("Are you sure want to go back to Home?\nIf back,the scanning results will not be saved.",
                           false);
    box.exec();
    if (box.GetMessageBoxRet() == 1 && m_pMainStack && m_pHomeWidget)
        m_pMainStack->setCurrentWidget(m_pHomeWidget);
}

void DRUI::ShowInfoMessage(const QString& text)
{
    CMessageBox box;
    box.setGeometry(DialogGeometry(3, 400, 150));
    box.InitInfoDialog(text);
    box.exec();
}

void DRUI::ReleaseRecoveryParse()
{
    delete m_pRecoveryParse;
    m_pRecoveryParse = nullptr;
}
