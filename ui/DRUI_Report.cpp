// Main window: the worker side of a run (progress reports, stop flags) and the
// one way to run a worker behind the progress dialog.
#include "ui/DRUI.h"

#include <QCoreApplication>

#include "ui/CMyThread.h"
#include "ui/SCANUI.h"

int DRUI::ScanCallBack(void* context, int percent)
{
    return static_cast<DRUI*>(context)->ScanCallBack(percent);
}

int DRUI::ScanCallBack(int percent)
{
    if (m_bStopScan)
        return 1;
    if (percent != m_nLastScanPercent) {
        m_nLastScanPercent = percent;
        emit ScanProcessCallBack(percent);
    }
    return 0;
}

int DRUI::RecoveryCallBack(int fine, int coarse, int failed, const wchar_t* name)
{
    if (m_bStopRecovery)
        return 1;
    emit RecoveryCallBack(fine, coarse, failed, name ? QString::fromWCharArray(name) : QString());
    return 0;
}

void DRUI::_ScanProcess(void* context, int& result)
{
    DRUI* window = static_cast<DRUI*>(context);
    std::wstring folder = window->m_strSelectDir.toStdWString();
    window->Scan(folder.data(), result);
    // Whatever way the scan ended, the dialog may now stop waiting.
    window->m_bScanEnded = true;
}

void DRUI::_RecoveryProcess(void* context, int&)
{
    DRUI* window = static_cast<DRUI*>(context);
    window->RecoveryProcess();
    window->m_bRecoveryEnded = true;
}

void DRUI::RunWithProgress(int oprType, void (*func)(void*, int&))
{
    std::atomic<bool>* stop = oprType == SCANUI::OPR_RECOVERY ? &m_bStopRecovery : &m_bStopScan;
    std::atomic<bool>* ended = oprType == SCANUI::OPR_RECOVERY ? &m_bRecoveryEnded : &m_bScanEnded;
    // Cleared before the worker exists, so a cancel pressed at once is neither
    // lost nor answered by the end flag of the previous run.
    stop->store(false);
    ended->store(false);

    SCANUI dialog;
    if (oprType == SCANUI::OPR_RECOVERY)
        dialog.SetSaveDir(m_strSaveDir);
    dialog.InitSlot(this, oprType);
    dialog.setGeometry(DialogGeometry(4, 500, 250));

    CMyThread thread;
    thread.SetFunc(func, this);
    m_pWorker = &thread;
    thread.start(QThread::InheritPriority);
    dialog.exec();
    // Never terminate: the worker writes files and fills the window's containers.
    // Calls it queues to this thread are still served while it finishes.
    while (!thread.wait(50))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_pWorker = nullptr;
}
