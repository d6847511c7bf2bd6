#include <QtTest>

#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>

#include <atomic>
#include <thread>

#include "UiTestBase.h"
#include "UrlCatcher.h"
#include "ui/CMessageBox.h"
#include "ui/CMyThread.h"
#include "ui/DRUI.h"
#include "ui/SCANUI.h"

namespace {
std::atomic<bool> g_workDone{false};
std::atomic<int> g_calls{0};

void CountCall(void* context, int& result)
{
    QCOMPARE(result, 0);
    *static_cast<int*>(context) += 1;
    ++g_calls;
}

// A scan that reports until it is told to stop, then takes a while to end.
void SlowCancellableScan(void* context, int&)
{
    DRUI* w = static_cast<DRUI*>(context);
    int percent = 1;
    while (w->ScanCallBack(percent) == 0) {
        percent = percent % 90 + 1;
        QThread::msleep(20);
    }
    QThread::msleep(300);
    g_workDone = true;
    w->m_bScanEnded = true;
}

// A scan that finishes by itself: end flag, 100, then a little more work.
void FinishingScan(void* context, int&)
{
    DRUI* w = static_cast<DRUI*>(context);
    w->ScanCallBack(50);
    w->m_bScanEnded = true;
    w->ScanCallBack(100);
    QThread::msleep(300);
    g_workDone = true;
}
} // namespace

class TestProgress : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase() { SetUpFolders(); }
    void workerThread();
    void dialogTexts();
    void scanReports();
    void recoveryReports();
    void recoveryEndFlagAfterLastReport();
    void recoveryButtons();
    void callbacksHonourStopFlag();
    void cancelQuestion();
    void runWaitsForWorker();
};

void TestProgress::workerThread()
{
    CMyThread empty;
    empty.start();
    QVERIFY(empty.wait(10000));

    int counter = 0;
    CMyThread thread;
    thread.SetFunc(CountCall, &counter);
    thread.start();
    QVERIFY(thread.wait(10000));
    QCOMPARE(counter, 1);
}

void TestProgress::dialogTexts()
{
    DRUI window;
    struct Case {
        int type;
        QString header;
        QStringList buttons;
        QString status;
    };
    const QList<Case> cases = {
        {1, "  Scanning \n  Scan iTunes backup for files", {"Cancel"},
         "  Current Process: 0%\n  Scanning takes a while, please wait...\n"},
        {2, "  Search File\n  Searching iTunes backup for files", {"Cancel"}, ""},
        {3, "  Preview File\n  \n", {"Cancel"}, ""},
        {4, "  Recovering \n  Recover iTunes backup files to folder", {"Detail", "Open Folder", "Cancel"}, ""},
    };
    for (const Case& c : cases) {
        SCANUI dialog;
        dialog.InitSlot(&window, c.type);
        QCOMPARE(dialog.windowTitle(), QString("Quillmere"));
        QCOMPARE(dialog.size(), QSize(500, 250));
        QCOMPARE(SCANUI::m_nOprType, c.type);
        QVERIFY(!SCANUI::m_bIsFinished);
        QCOMPARE(SCANUI::m_progressBar->objectName(), QString("progressBar"));
        QCOMPARE(SCANUI::m_progressBar->value(), 0);
        QVERIFY(!SCANUI::m_progressBar->isTextVisible());
        QCOMPARE(dialog.m_labelStatus->text(), c.status);
        bool headerFound = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            headerFound = headerFound || label->text() == c.header;
        QVERIFY2(headerFound, qPrintable(c.header));
        for (const QString& b : c.buttons)
            QVERIFY2(FindButton(&dialog, b), qPrintable(b));
        QCOMPARE(dialog.m_btnCancel != nullptr, c.type == 4);
    }
    // The single Cancel sits in the middle of the strip.
    SCANUI scan;
    scan.InitSlot(&window, 1);
    QCOMPARE(FindButton(&scan, "Cancel")->geometry(), QRect((500 - 10) / 2 - 40, 5, 80, 25));
}

void TestProgress::scanReports()
{
    DRUI window;
    SCANUI dialog;
    dialog.InitSlot(&window, 1);
    dialog.show();

    emit window.ScanProcessCallBack(0);
    QCOMPARE(SCANUI::m_progressBar->value(), 0);
    QCOMPARE(dialog.m_labelStatus->text(), QString("  Current Process: 0%\n  Scanning takes a while, please wait...\n"));
    emit window.ScanProcessCallBack(50);
    QCOMPARE(SCANUI::m_progressBar->value(), 50);
    QCOMPARE(dialog.m_labelStatus->text(), QString("  Current Process: 50%\n  Scanning takes a while, please wait...\n"));
    QVERIFY(dialog.isVisible());
    // Above 100 is capped, and the end closes without a question.
    emit window.ScanProcessCallBack(150);
    QCOMPARE(SCANUI::m_progressBar->value(), 100);
    QCOMPARE(dialog.m_labelStatus->text(), QString("  Current Process: 100%\n  Scanning takes a while, please wait...\n"));
    QVERIFY(SCANUI::m_bIsFinished);
    QVERIFY(!dialog.isVisible());
}

void TestProgress::recoveryReports()
{
    DRUI window;
    SCANUI dialog;
    dialog.SetSaveDir(QDir::tempPath());
    dialog.InitSlot(&window, 4);
    dialog.show();

    // A step report: percent only, no row, no new text.
    emit window.RecoveryCallBack(2000, 1, 0, QString());
    QCOMPARE(SCANUI::m_progressBar->value(), 21);
    QCOMPARE(dialog.m_detail.m_pTable->rowCount(), 0);
    QCOMPARE(dialog.m_labelStatus->text(), QString());

    emit window.RecoveryCallBack(666, 0, 0, QString("/out/Camera Roll/IMG_0001.JPG"));
    QCOMPARE(SCANUI::m_progressBar->value(), 6);
    QCOMPARE(dialog.m_labelStatus->text(), QString("  Process: 6%\n  Destination: /out/Camera Roll/IMG_0001.JPG"));
    emit window.RecoveryCallBack(1333, 0, 1, QString("/out/Camera Roll/Ünïcode 🙂.JPG"));
    QCOMPARE(dialog.m_labelStatus->text(), QString("  Process: 13%\n  Destination: /out/Camera Roll/Ünïcode 🙂.JPG"));
    QCOMPARE(dialog.m_strCurFile, QString("/out/Camera Roll/Ünïcode 🙂.JPG"));
    QCOMPARE(dialog.m_detail.m_pTable->rowCount(), 2);
    QCOMPARE(dialog.m_detail.m_pTable->item(0, 1)->text(), QString("Failed"));

    // The final report with the worker ended: 100 % (1100 capped) and "Finished".
    window.m_bRecoveryEnded = true;
    emit window.RecoveryCallBack(10000, 1000, 0, QString());
    QCOMPARE(SCANUI::m_progressBar->value(), 100);
    QCOMPARE(dialog.m_labelStatus->text(), QString("  Process: 100%\n  File recovery complete"));
    QCOMPARE(dialog.m_btnCancel->text(), QString("Finished"));
    QVERIFY(SCANUI::m_bIsFinished);

    // Closing a finished recovery asks nothing.
    dialog.m_btnCancel->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(!window.m_bStopRecovery);
}

void TestProgress::recoveryEndFlagAfterLastReport()
{
    // The last report can arrive before the worker has set its end flag:
    // "Finished" must still come once it has.
    DRUI window;
    SCANUI dialog;
    dialog.InitSlot(&window, 4);
    dialog.show();
    window.m_bRecoveryEnded = false;
    emit window.RecoveryCallBack(10000, 1000, 0, QString());
    QCOMPARE(dialog.m_btnCancel->text(), QString("Cancel"));
    QVERIFY(!SCANUI::m_bIsFinished);
    window.m_bRecoveryEnded = true;
    QTRY_COMPARE(dialog.m_btnCancel->text(), QString("Finished"));
    QVERIFY(SCANUI::m_bIsFinished);
}

void TestProgress::recoveryButtons()
{
    DRUI window;
    SCANUI dialog;
    const QString dest = QDir::tempPath() + "/Recovered here #1";
    dialog.SetSaveDir(dest);
    dialog.InitSlot(&window, 4);
    dialog.move(120, 90);
    dialog.show();

    // Open Folder hands the destination to the desktop as a local file address.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    FindButton(&dialog, "Open Folder")->click();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(catcher.urls.size(), 1);
    QVERIFY(catcher.urls[0].isLocalFile());
    QCOMPARE(catcher.urls[0].toLocalFile(), dest);

    // Detail shows the collected rows at the dialog's position, 600 x 400.
    emit window.RecoveryCallBack(500, 80, 0, QString("/x/Message Attachments/a.jpg"));
    QRect shown;
    int rows = -1;
    WhenModal<CDetail>([&](CDetail* detail) {
        shown = detail->geometry();
        rows = Named<QTableWidget>(detail, "detailTable")->rowCount();
        detail->close();
    });
    FindButton(&dialog, "Detail")->click();
    QCOMPARE(shown.size(), QSize(600, 400));
    QCOMPARE(rows, 1);
    QVERIFY(dialog.isVisible());
}

void TestProgress::callbacksHonourStopFlag()
{
    DRUI window;
    QSignalSpy scanSpy(&window, &DRUI::ScanProcessCallBack);
    QSignalSpy recoverySpy(&window, qOverload<int, int, int, QString>(&DRUI::RecoveryCallBack));

    QCOMPARE(DRUI::ScanCallBack(&window, 12), 0);
    QCOMPARE(scanSpy.count(), 1);
    QCOMPARE(scanSpy.at(0).at(0).toInt(), 12);
    window.m_bStopScan = true;
    QCOMPARE(DRUI::ScanCallBack(&window, 13), 1);
    QCOMPARE(scanSpy.count(), 1);

    const std::wstring name = L"/out/Notes/Zoë 🙂.html";
    QCOMPARE(window.RecoveryCallBack(9500, 1, 0, name.c_str()), 0);
    QCOMPARE(recoverySpy.count(), 1);
    QCOMPARE(recoverySpy.at(0).at(3).toString(), QString("/out/Notes/Zoë 🙂.html"));
    QCOMPARE(window.RecoveryCallBack(10000, 1000, 0, nullptr), 0);
    QCOMPARE(recoverySpy.at(1).at(3).toString(), QString());
    window.m_bStopRecovery = true;
    QCOMPARE(window.RecoveryCallBack(9600, 1, 0, name.c_str()), 1);
    QCOMPARE(recoverySpy.count(), 2);
}

void TestProgress::cancelQuestion()
{
    DRUI window;
    {
        // No: the dialog and the run go on.
        SCANUI dialog;
        dialog.InitSlot(&window, 4);
        dialog.show();
        emit window.RecoveryCallBack(3000, 20, 0, QString());
        QString asked;
        WhenModal<CMessageBox>([&](CMessageBox* box) {
            asked = Named<QLabel>(box, "messageText")->text();
            FindButton(box, "NO")->click();
        });
        dialog.m_btnCancel->click();
        QCOMPARE(asked, QString("Are you sure to cancel the recoverying?"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!window.m_bStopRecovery);
        QCOMPARE(SCANUI::m_progressBar->value(), 50);
    }
    {
        // Yes: stop flag, then the dialog waits for the worker's end flag.
        window.m_bStopScan = false;
        window.m_bScanEnded = false;
        SCANUI dialog;
        dialog.InitSlot(&window, 1);
        dialog.show();
        emit window.ScanProcessCallBack(40);
        std::atomic<bool> sawStop{false};
        std::thread worker([&]() {
            while (!window.m_bStopScan)
                QThread::msleep(5);
            sawStop = true;
            QThread::msleep(250);
            window.m_bScanEnded = true;
        });
        QString asked;
        WhenModal<CMessageBox>([&](CMessageBox* box) {
            asked = Named<QLabel>(box, "messageText")->text();
            FindButton(box, "OK")->click();
        });
        // A right click on the dialog starts the question as well.
        QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(20, 120));
        const bool endedWhenClosed = window.m_bScanEnded;
        worker.join();
        QCOMPARE(asked, QString("Are you sure to cancel the scanning?"));
        QVERIFY(sawStop);
        QVERIFY(endedWhenClosed);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(SCANUI::m_progressBar->value(), 0);
    }
    {
        // Escape routes through the same question.
        SCANUI dialog;
        dialog.InitSlot(&window, 1);
        dialog.show();
        bool asked = false;
        WhenModal<CMessageBox>([&](CMessageBox* box) {
            asked = true;
            FindButton(box, "NO")->click();
        });
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(asked);
        QVERIFY(dialog.isVisible());
    }
}

void TestProgress::runWaitsForWorker()
{
    DRUI window;
    // Flags left over from an earlier run must not end the next one early.
    window.m_bScanEnded = true;
    window.m_bStopScan = true;

    g_workDone = false;
    WhenModal<CMessageBox>([](CMessageBox* box) { FindButton(box, "OK")->click(); });
    WhenModal<SCANUI>([](SCANUI* dialog) {
        QTimer::singleShot(100, dialog, [dialog]() { dialog->close(); });
    });
    window.RunWithProgress(1, SlowCancellableScan);
    QVERIFY(g_workDone);
    QVERIFY(window.m_bStopScan);
    QVERIFY(window.m_bScanEnded);
    QVERIFY(!window.m_pWorker);

    // A run that ends by itself: the dialog closes at 100, the call returns
    // only after the worker's last step.
    g_workDone = false;
    window.RunWithProgress(1, FinishingScan);
    QVERIFY(g_workDone);
    QVERIFY(!window.m_bStopScan);
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
