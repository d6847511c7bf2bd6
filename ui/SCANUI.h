// The modal progress dialog of a scan (type 1) or a recovery (type 4); types 2
// (search) and 3 (preview) keep their texts but have no worker in this program.
// It never closes while a run goes on: cancelling asks first, then sets the
// run's stop flag and waits for the worker's end flag.
#pragma once

#include <atomic>

#include <QString>
#include <QTimer>

#include "ui/CDetail.h"
#include "ui/CDialogBase.h"

class DRUI;
class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;

class SCANUI : public CDialogBase {
    Q_OBJECT
public:
    enum { OPR_SCAN = 1, OPR_SEARCH = 2, OPR_PREVIEW = 3, OPR_RECOVERY = 4 };

    explicit SCANUI(QDialog* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~SCANUI() override;

    void SetSaveDir(QString dir);
    void InitSlot(DRUI* window, int oprType);
    void InitDialog();

    // Shared by whichever progress dialog is open (one at a time).
    static int m_nOprType;
    static QProgressBar* m_progressBar;
    static bool m_bIsFinished;

    QLabel* m_labelStatus = nullptr;
    DRUI* m_pDRUI = nullptr;
    QString m_strCurFile;
    QPushButton* m_btnCancel = nullptr;
    QString m_strSaveDir;
    CDetail m_detail;

public slots:
    void ScanProcessCallBackSlot(int percent);
    void RecoveryCallBackSlot(int fine, int coarse, int failed, QString name);
    void SearchCallBackSlot(int percent, QString name);
    void PreViewCallBackSlot(int percent, int unused);
    void btnSlot();
    void btnDetail();
    void btnOpenFolder();
    // Escape and other dismissals go through the cancel question too.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::atomic<bool>* StopFlag() const;
    std::atomic<bool>* EndFlag() const;
    void MarkRecoveryFinished();
    void CheckRecoveryEnded();

    // Set while the cancel wait polls: late reports no longer touch the display.
    bool m_bCancelling = false;
    // The final recovery report came before the worker had set its end flag.
    QTimer m_endPoll;
};
