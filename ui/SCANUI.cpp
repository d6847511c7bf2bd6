#include "ui/SCANUI.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/CMessageBox.h"
#include "ui/DRUI.h"
#include "ui/UiStyle.h"

int SCANUI::m_nOprType = 0;
QProgressBar* SCANUI::m_progressBar = nullptr;
bool SCANUI::m_bIsFinished = false;

SCANUI::SCANUI(QDialog*, Qt::WindowFlags)
{
    setWindowTitle("Quillmere");
    setWindowIcon(QIcon(":/image/logo.ico"));
    setFixedSize(500, 250);
    m_bIsFinished = false;
    m_endPoll.setInterval(100);
    connect(&m_endPoll, &QTimer::timeout, this, &SCANUI::CheckRecoveryEnded);
}

SCANUI::~SCANUI()
{
    if (m_progressBar && m_progressBar->parent() == this)
        m_progressBar = nullptr;
}

void SCANUI::SetSaveDir(QString dir)
{
    m_strSaveDir = dir;
}

void SCANUI::InitSlot(DRUI* window, int oprType)
{
    m_pDRUI = window;
    m_nOprType = oprType;
    InitDialog();
    m_progressBar->setValue(0);
    if (oprType == OPR_SCAN)
        m_labelStatus->setText("  Current Process: 0%\n  Scanning takes a while, please wait...\n");
    else
        m_labelStatus->setText(QString());
    // Reports are emitted on the worker thread; automatic connections queue them here.
    // The window has no search or preview signals, so those two slots stay unconnected.
    connect(window, &DRUI::ScanProcessCallBack, this, &SCANUI::ScanProcessCallBackSlot);
    connect(window, qOverload<int, int, int, QString>(&DRUI::RecoveryCallBack), this,
            &SCANUI::RecoveryCallBackSlot);
}

void SCANUI::InitDialog()
{
    m_bIsFinished = false;
    const int w = width();
    const QFont font = CalibriFont(11);
    const QFont headerFont = CalibriFont(11, QFont::Black);

    auto* header = new QLabel(this);
    // 60 rather than 50: the two header lines reach down to y = 60.
    header->setMinimumSize(w, 60);
    header->setStyleSheet(backGroud_style);
    auto* title = new QLabel(header);
    title->setGeometry(0, 10, 400, 50);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setStyleSheet("color: white;");
    title->setFont(headerFont);
    switch (m_nOprType) {
    case OPR_SCAN:
        title->setText("  Scanning \n  Scan iTunes backup for files");
        break;
    case OPR_SEARCH:
        title->setText("  Search File\n  Searching iTunes backup for files");
        break;
    case OPR_PREVIEW:
        title->setText(QString::asprintf("  Preview File\n  %s\n",
                                         m_pDRUI ? m_pDRUI->m_strPreviewFile.toUtf8().constData() : ""));
        break;
    case OPR_RECOVERY:
        title->setText("  Recovering \n  Recover iTunes backup files to folder");
        break;
    default:
        break;
    }
    auto* headerRow = new QHBoxLayout;
    headerRow->setSpacing(0);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addWidget(header);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName("progressBar");
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);

    m_labelStatus = new QLabel(this);
    m_labelStatus->setStyleSheet("color: black;");
    m_labelStatus->setFont(font);
    m_labelStatus->setWordWrap(true);
    m_labelStatus->setMinimumSize(w - 60, 80);

    auto* strip = new QLabel(this);
    strip->setMinimumSize(w - 60, 40);
    if (m_nOprType == OPR_RECOVERY) {
        AddStripButton(strip, "Detail", {100, 5}, font, &SCANUI::btnDetail, false);
        AddStripButton(strip, "Open Folder", {200, 5}, font, &SCANUI::btnOpenFolder, false);
        m_btnCancel = AddStripButton(strip, "Cancel", {300, 5}, font, &SCANUI::btnSlot, false);
    } else {
        AddStripButton(strip, "Cancel", {(w - 10) / 2 - 40, 5}, font, &SCANUI::btnSlot, false);
    }

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(5, 0, 5, 0);
    inner->addWidget(m_progressBar);
    inner->addStretch(2);
    inner->addWidget(m_labelStatus);
    inner->addWidget(strip);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(headerRow);
    outer->addStretch(2);
    outer->addLayout(inner);
}

void SCANUI::ScanProcessCallBackSlot(int percent)
{
    if (m_bCancelling || !m_progressBar)
        return;
    const int p = qMin(percent, 100);
    m_progressBar->setValue(p);
    m_labelStatus->setText(
        QString::asprintf("  Current Process: %d%%\n  %s\n", p, "Scanning takes a while, please wait..."));
    if (percent > 99) {
        m_bIsFinished = true;
        close();
    }
}

void SCANUI::RecoveryCallBackSlot(int fine, int coarse, int failed, QString name)
{
    if (m_bCancelling || !m_progressBar)
        return;
    const int p = qMin(fine / 100 + coarse, 100);
    m_progressBar->setValue(p);
    m_strCurFile = name;
    if (!name.isEmpty()) {
        m_detail.AddTableItem(name, failed);
        m_labelStatus->setText(QString::asprintf("  Process: %d%%\n  Destination: %s", p, name.toUtf8().constData()));
    } else if (coarse == 1000) {
        m_labelStatus->setText(QString::asprintf("  Process: %d%%\n  File recovery complete", p));
    }
    if (coarse == 1000) {
        // The worker sets its end flag just after its last report; until it has,
        // closing must still wait for it.
        if (m_pDRUI && m_pDRUI->m_bRecoveryEnded)
            MarkRecoveryFinished();
        else
            m_endPoll.start();
    }
}

void SCANUI::CheckRecoveryEnded()
{
    if (m_pDRUI && m_pDRUI->m_bRecoveryEnded) {
        m_endPoll.stop();
        MarkRecoveryFinished();
    }
}

void SCANUI::MarkRecoveryFinished()
{
    m_bIsFinished = true;
    if (m_btnCancel)
        m_btnCancel->setText("Finished");
    // The list of what was written, for a later check of the copies.
    if (m_pDRUI && !m_pDRUI->m_strManifestPath.isEmpty() && m_labelStatus
        && !m_labelStatus->text().contains(QStringLiteral("Manifest: ")))
        m_labelStatus->setText(m_labelStatus->text() + QStringLiteral("\n  Manifest: ")
                               + QFileInfo(m_pDRUI->m_strManifestPath).fileName());
}

void SCANUI::SearchCallBackSlot(int percent, QString name)
{
    if (m_bCancelling || !m_progressBar)
        return;
    m_progressBar->setValue(percent);
    m_strCurFile = name;
    m_labelStatus->setText(QString::asprintf("  Process: %d%%\n  Searching drive for recovery files", percent));
    if (percent == 100 && m_pDRUI && m_pDRUI->m_bSearchEnded) {
        m_bIsFinished = true;
        close();
    }
}

void SCANUI::PreViewCallBackSlot(int percent, int)
{
    if (m_bCancelling || !m_progressBar)
        return;
    m_progressBar->setValue(percent);
    m_labelStatus->setText(QString::asprintf("  Process: %d%%\n  Previewing file:%s", percent,
                                             m_pDRUI ? m_pDRUI->m_strPreviewFile.toUtf8().constData() : ""));
    if (percent == 100) {
        m_bIsFinished = true;
        close();
    }
}

void SCANUI::btnSlot()
{
    close();
}

void SCANUI::reject()
{
    close();
}

void SCANUI::btnDetail()
{
    m_detail.setGeometry(x(), y(), 600, 400);
    m_detail.exec();
}

void SCANUI::btnOpenFolder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_strSaveDir));
}

std::atomic<bool>* SCANUI::StopFlag() const
{
    if (!m_pDRUI)
        return nullptr;
    switch (m_nOprType) {
    case OPR_SCAN: return &m_pDRUI->m_bStopScan;
    case OPR_SEARCH: return &m_pDRUI->m_bStopSearch;
    case OPR_PREVIEW: return &m_pDRUI->m_bStopPreview;
    case OPR_RECOVERY: return &m_pDRUI->m_bStopRecovery;
    default: return nullptr;
    }
}

std::atomic<bool>* SCANUI::EndFlag() const
{
    if (!m_pDRUI)
        return nullptr;
    switch (m_nOprType) {
    case OPR_SCAN: return &m_pDRUI->m_bScanEnded;
    case OPR_SEARCH: return &m_pDRUI->m_bSearchEnded;
    case OPR_PREVIEW: return &m_pDRUI->m_bPreviewEnded;
    case OPR_RECOVERY: return &m_pDRUI->m_bRecoveryEnded;
    default: return nullptr;
    }
}

void SCANUI::closeEvent(QCloseEvent* event)
{
    if (m_bCancelling) {
        // Already waiting for the worker; that close decides.
        event->ignore();
        return;
    }
    if (m_bIsFinished) {
        event->accept();
        return;
    }
    const bool finishedRecovery =
        m_nOprType == OPR_RECOVERY && m_btnCancel && m_btnCancel->text() == "Finished";
    if (!finishedRecovery) {
        const char* text = "";
        switch (m_nOprType) {
        case OPR_SCAN: text = "Are you sure to cancel the scanning?"; break;
        case OPR_SEARCH: text = "Are you sure to cancel the searching?"; break;
        case OPR_PREVIEW: text = "Are you sure to cancel the previewing?"; break;
        case OPR_RECOVERY: text = "Are you sure to cancel the recoverying?"; break;
        default: break;
        }
        CMessageBox box;
        box.setGeometry(x() + width() / 8, y() + height() / 8, 400, 150);
        box.InitQuestionDialog(text, false);
        box.exec();
        // The run may have finished while the question was up.
        if (m_bIsFinished) {
            event->accept();
            return;
        }
        if (box.GetMessageBoxRet() == 0) {
            event->ignore();
            return;
        }
    }

    if (std::atomic<bool>* stop = StopFlag())
        stop->store(true);
    // Wait for the worker without a time limit: it writes files and holds the
    // window's containers. Its queued calls are still served (user input is not),
    // so a worker that waits on the window cannot dead-lock this loop.
    m_bCancelling = true;
    if (std::atomic<bool>* ended = EndFlag()) {
        while (!ended->load()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::msleep(100);
        }
    }
    m_endPoll.stop();
    if (m_progressBar)
        m_progressBar->setValue(0);
    m_bCancelling = false;
    m_bIsFinished = true;
    event->accept();
}
