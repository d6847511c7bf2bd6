#include <QtTest>

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTreeWidget>

#include <atomic>
#include <memory>

#include "FlowTestUtil.h"
#include "engine/DecryptorRun.h"
#include "support/Platform.h"
#include "UiTestBase.h"
#include "tools/sample/SampleGenerator.h"
#include "ui/CMessageBox.h"
#include "ui/CPasswordUI.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"
#include "ui/SCANUI.h"

namespace {
// Categories in the order the scan fetches them.
const int kFetchOrder[] = {0, 1, 4, 5, 6, 7, 8, 2, 3, 9, 10};

QTableWidget* CategoryTable(DRUI& w, int category)
{
    QTableWidget* tables[] = {w.m_pCameraTable,      w.m_pPhotoStreamTable, w.m_pAppPhotosTable, w.m_pAppVideosTable,
                              w.m_pMessageTable,     w.m_pMessAttachTable,  w.m_pContactsTable,  w.m_pCallHistoryTable,
                              w.m_pNotesTable,       w.m_pWhatsappTable,    w.m_pWhatsappAttachTable};
    return tables[category];
}

size_t TickedCount(DRUI& w, int category)
{
    switch (category) {
    case 0: return w.m_cameraTableMap.size();
    case 1: return w.m_photoStreamTableMap.size();
    case 4: return w.m_messageTableMap.size();
    case 5: return w.m_messAttachTableMap.size();
    case 6: return w.m_contactsTableMap.size();
    case 7: return w.m_callHistoryTableMap.size();
    case 8: return w.m_notesTableMap.size();
    case 9: return w.m_whatsappTableMap.size();
    case 10: return w.m_whatsappAttachTableMap.size();
    default: {
        const AppSelectMap& apps = category == 2 ? w.m_appPhotosTableMap : w.m_appVideosTableMap;
        size_t n = 0;
        for (const auto& app : apps)
            n += app.second.size();
        return n;
    }
    }
}

// Writes an executable stand-in for the decryptor. It logs its arguments, reads
// the password from standard input and answers like the real one: "open sesame"
// is right. A check that is not cut short after "Count: 0" hangs for a while.
QString WriteFakeDecryptor(const QString& dir)
{
    const QString path = dir + "/fake-decryptor.sh";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\n"
               "printf '%s|' \"$@\" >> \"$FAKE_DECRYPTOR_LOG\"; echo >> \"$FAKE_DECRYPTOR_LOG\"\n"
               "IFS= read -r pw\n"
               "echo \"starting\"\n"
               "if [ \"$pw\" != 'open sesame' ]; then echo 'Wrong password'; exit 1; fi\n"
               "if [ \"$4\" = CheckPasswd ]; then echo 'Count: 0'; sleep 30; exit 0; fi\n"
               "echo \"Count: $((FAKE_TOTAL / 2))\"\n"
               "echo \"Count: $FAKE_TOTAL\"\n"
               "printf 'Count: %s' \"$((FAKE_TOTAL * 3))\"\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}
} // namespace

class TestScanFlow : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void decryptorProtocol();
    void tableClickAndDoubleClick();
    void selectPlainBackupScansAtOnce();
    void selectEncryptedAsksUntilRight();
    void tableEncryptedAsksAndDecrypts();
    void decryptorWithoutVerdict();
    void stopDuringScan();
    void homeQuestion();

private:
    // Checks the tree, ticks, tables and selection maps against `expected`.
    void CheckTree(const CategoryCounts& expected);
    std::unique_ptr<DRUI> m_pWindow;
    QTemporaryDir m_tmp;
};

void TestScanFlow::initTestCase()
{
    QVERIFY(m_tmp.isValid());
}

void TestScanFlow::init()
{
    SetUpFolders();
    DecryptorRun::SetProgramPath(QString());
}

void TestScanFlow::cleanup()
{
    m_pWindow.reset();
    DecryptorRun::SetProgramPath(QString());
}

void TestScanFlow::CheckTree(const CategoryCounts& expected)
{
    DRUI& w = *m_pWindow;
    QVERIFY(w.m_pTree);
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pResultWidget);
    for (int c = 0; c < 11; ++c) {
        QTreeWidgetItem* node = w.m_pTree->topLevelItem(c);
        const unsigned long long n = expected[size_t(c)];
        QCOMPARE(node->text(0), CategoryTree::Label(c, unsigned(n)));
        QCOMPARE(node->checkState(0), n ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(TickedCount(w, c), size_t(n));
        if (c != 2 && c != 3) {
            QTableWidget* table = CategoryTable(w, c);
            QCOMPARE((unsigned long long)table->rowCount(), n);
            for (int row = 0; row < table->rowCount(); ++row)
                QCOMPARE(table->item(row, 0)->checkState(), Qt::Checked);
        }
    }
}

void TestScanFlow::decryptorProtocol()
{
    QCOMPARE(DecryptorRun::Arguments("/b", "/w", true), QStringList({"/b", "/w", "-", "CheckPasswd"}));
    QCOMPARE(DecryptorRun::Arguments("/b", "/w", false), QStringList({"/b", "/w", "-"}));

    qint64 n = -1;
    QCOMPARE(DecryptorRun::ClassifyLine("Count: 50\n", &n), DecryptorRun::LINE_COUNT);
    QCOMPARE(n, qint64(50));
    QCOMPARE(DecryptorRun::ClassifyLine("Count:7", &n), DecryptorRun::LINE_COUNT);
    QCOMPARE(n, qint64(7));
    QCOMPARE(DecryptorRun::ClassifyLine("Error: Wrong password given\n", &n), DecryptorRun::LINE_WRONG_PASSWORD);
    QCOMPARE(DecryptorRun::ClassifyLine("skipping a device-bound file\n", &n), DecryptorRun::LINE_OTHER);

    QCOMPARE(DecryptorRun::ProgressPercent(0, 200), 1);
    QCOMPARE(DecryptorRun::ProgressPercent(50, 200), 3);
    QCOMPARE(DecryptorRun::ProgressPercent(200, 200), 11);
    QCOMPARE(DecryptorRun::ProgressPercent(500, 200), 11);
    QCOMPARE(DecryptorRun::ProgressPercent(5, 0), 11);

    // Two sub-folders of 3 and 4 files and 5 plain files: 12. Empty: 1.
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("a0");
    root.mkpath("b1");
    auto touch = [](const QString& path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    };
    for (int i = 0; i < 3; ++i)
        touch(root.filePath(QString("a0/f%1").arg(i)));
    for (int i = 0; i < 4; ++i)
        touch(root.filePath(QString("b1/f%1").arg(i)));
    for (int i = 0; i < 5; ++i)
        touch(root.filePath(QString("p%1").arg(i)));
    QCOMPARE(DecryptorRun::CountBackupFiles(dir.path()), qint64(12));
    QTemporaryDir empty;
    QCOMPARE(DecryptorRun::CountBackupFiles(empty.path()), qint64(1));
}

void TestScanFlow::tableClickAndDoubleClick()
{
    const QString first = AddBackup(31);
    const QString second = AddBackup(32);
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    const CategoryCounts expected = EngineCounts(second);
    // A sample with every category filled, except WhatsApp when the engine
    // has no reader for it yet.
    QVERIFY(expected[0] > 0);

    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    QVERIFY(!w.m_pBtnScan->isEnabled());
    QCOMPARE(w.m_pBackupTable->rowCount(), 2);

    // A click on an empty spot does nothing; a click on a row enables Scan.
    w.iTunesTableItemPress(5, 0);
    QVERIFY(!w.m_pBtnScan->isEnabled());
    int row = -1;
    for (int r = 0; r < 2; ++r) {
        if (w.m_pBackupTable->item(r, 0)->data(Qt::UserRole).value<__BACK_FILE_INFO__>().strBackupPath ==
            second.toStdString())
            row = r;
    }
    QVERIFY(row >= 0);
    w.iTunesTableItemPress(1 - row, 2);
    QVERIFY(w.m_pBtnScan->isEnabled());
    QCOMPARE(QString::fromStdString(w.m_curBackupInfo.strBackupPath), first);
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pHomeWidget);

    // The double click scans at once. Each progress report snapshots the
    // tree: the labels that changed before it must be a prefix of the fetch
    // order (reports and node updates reach this thread in the order sent).
    std::vector<int> percents;
    bool ordered = true;
    QObject probe;
    connect(&w, &DRUI::ScanProcessCallBack, &probe, [&](int percent) {
        percents.push_back(percent);
        if (!w.m_pTree)
            return;
        bool gap = false;
        for (int c : kFetchOrder) {
            if (!expected[size_t(c)])
                continue;
            const bool updated = w.m_pTree->topLevelItem(c)->text(0) != CategoryTree::Label(c, 0);
            if (updated && gap)
                ordered = false;
            if (!updated)
                gap = true;
        }
    });
    w.iTunesTableItemDoublePress(row, 1);
    QCOMPARE(QString::fromStdString(w.m_curBackupInfo.strBackupPath), second);
    CheckTree(expected);
    QVERIFY(ordered);
    QVERIFY(!percents.empty());
    QCOMPARE(percents.back(), 100);
    QVERIFY(w.m_bScanEnded);
    QVERIFY(!w.m_pWorker);
    QVERIFY(w.m_pBtnRecovery->isEnabled());

    // A second scan starts from empty containers and a new page.
    QPointer<QWidget> oldPage = w.m_pResultWidget;
    w.m_cameraTableMap.erase(w.m_cameraTableMap.begin());
    w.btnSlotScan();
    QVERIFY(oldPage.isNull());
    CheckTree(expected);
}

void TestScanFlow::selectPlainBackupScansAtOnce()
{
    const QString plain = AddBackup(33);
    QVERIFY(!plain.isEmpty());
    const CategoryCounts expected = EngineCounts(plain);

    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    int passwordDialogs = 0;
    QStringList messages;
    auto driver = std::make_unique<ModalDriver>([&](QWidget* modal) {
        if (auto* files = qobject_cast<QFileDialog*>(modal))
            AnswerFolderDialog(files, plain);
        else if (auto* password = qobject_cast<CPasswordUI*>(modal)) {
            ++passwordDialogs;
            password->btnSlotNO();
        } else if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            messages << box->m_pLabelText->text();
            box->btnSlotOK();
        }
    });
    w.btnSlotSelect();
    QCOMPARE(passwordDialogs, 0);
    QVERIFY(messages.isEmpty());
    QCOMPARE(w.m_strSelectDir, plain);
    QVERIFY(w.m_nBackupFileCount > 1);
    CheckTree(expected);
    driver.reset();

    // A folder without a backup says so and changes nothing.
    const QString notBackup = m_tmp.path() + "/not-a-backup";
    QDir().mkpath(notBackup);
    ModalDriver again([&](QWidget* modal) {
        if (auto* files = qobject_cast<QFileDialog*>(modal))
            AnswerFolderDialog(files, notBackup);
        else if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            messages << box->m_pLabelText->text();
            box->btnSlotOK();
        }
    });
    QPointer<QWidget> page = w.m_pResultWidget;
    w.btnSlotSelect();
    QCOMPARE(messages, QStringList({"Can not found the iTunes Backup file."}));
    QCOMPARE(QString::fromStdString(w.m_curBackupInfo.strBackupPath), plain);
    QVERIFY(!page.isNull());
}

void TestScanFlow::selectEncryptedAsksUntilRight()
{
    const QString encrypted = AddBackup(34, "open sesame");
    if (encrypted.isEmpty())
        QSKIP("encrypted samples are not available in this build");
    const QString log = m_tmp.path() + "/decryptor-args.log";
    QFile::remove(log);
    qputenv("FAKE_DECRYPTOR_LOG", log.toUtf8());
    const qint64 total = DecryptorRun::CountBackupFiles(encrypted);
    qputenv("FAKE_TOTAL", QByteArray::number(total));
    DecryptorRun::SetProgramPath(WriteFakeDecryptor(m_tmp.path()));

    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    QStringList answers{"", "wrong", "open sesame"};
    QStringList messages;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* files = qobject_cast<QFileDialog*>(modal))
            AnswerFolderDialog(files, encrypted);
        else if (auto* password = qobject_cast<CPasswordUI*>(modal)) {
            QCOMPARE(password->m_pLineEdit->echoMode(), QLineEdit::Password);
            password->m_pLineEdit->setText(answers.takeFirst());
            password->btnSlotOK();
        } else if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            messages << box->m_pLabelText->text();
            box->btnSlotOK();
        }
    });
    std::vector<int> percents;
    QObject probe;
    connect(&w, &DRUI::ScanProcessCallBack, &probe, [&](int p) { percents.push_back(p); });
    QElapsedTimer timer;
    timer.start();
    w.btnSlotSelect();
    // The check is cut short at its "Count:" line, not waited out.
    QVERIFY(timer.elapsed() < 25000);

    QVERIFY(answers.isEmpty());
    QCOMPARE(messages, QStringList({"The password can't be empty, please try again.",
                                    "Your password is not correct! Please try again."}));
    QCOMPARE(w.m_strPassword, QString("open sesame"));
    QCOMPARE(w.m_nBackupFileCount, total);
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pResultWidget);
    // Decryption progress from the "Count:" lines (half, all, beyond all),
    // then the end of the scan.
    QVERIFY(percents.size() >= 4);
    // n * 10 / total + 1 with integer arithmetic: 6 for an even total, 5 for an odd one.
    const int half = int((total / 2) * 10 / total + 1);
    QCOMPARE(std::vector<int>(percents.begin(), percents.begin() + 3), std::vector<int>({half, 11, 11}));
    QCOMPARE(percents.back(), 100);

    // Two checks and one decryption; the password never on a command line.
    QFile args(log);
    QVERIFY(args.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = args.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    const QByteArray work = QmPlatform::WorkDir().toUtf8();
    QCOMPARE(lines[0], encrypted.toUtf8() + "|" + work + "|-|CheckPasswd|");
    QCOMPARE(lines[1], lines[0]);
    QCOMPARE(lines[2], encrypted.toUtf8() + "|" + work + "|-|");
}

void TestScanFlow::tableEncryptedAsksAndDecrypts()
{
    const QString decryptor = QStringLiteral(QM_BIN_DIR) + "/Quillmere";
    if (!QFileInfo(decryptor).isExecutable())
        QSKIP("the decryptor is not built");
    // The plain twin (same seed) lives under another root: same folder name.
    QTemporaryDir plainRoot;
    SampleOptions options;
    options.seed = 35;
    QString plain, error;
    QVERIFY2(GenerateSampleBackup(options, plainRoot.path(), &plain, &error), qPrintable(error));
    const CategoryCounts expected = EngineCounts(plain);
    const QString encrypted = AddBackup(35, "correct horse");
    if (encrypted.isEmpty())
        QSKIP("encrypted samples are not available in this build");

    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    QVERIFY(w.m_pBackupTable->item(0, 0)->data(Qt::UserRole).value<__BACK_FILE_INFO__>().bEncrypted);
    QStringList answers{"not it", "correct horse"};
    QStringList messages;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* password = qobject_cast<CPasswordUI*>(modal)) {
            password->m_pLineEdit->setText(answers.takeFirst());
            password->btnSlotOK();
        } else if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            messages << box->m_pLabelText->text();
            box->btnSlotOK();
        }
    });
    // Chosen from the table: asked and counted like Select (before the
    // decrypted manifest lands beside the backup's own).
    const qint64 files = DecryptorRun::CountBackupFiles(encrypted);
    w.iTunesTableItemPress(0, 0);
    w.btnSlotScan();
    QVERIFY(answers.isEmpty());
    QCOMPARE(messages, QStringList({"Your password is not correct! Please try again."}));
    QCOMPARE(w.m_nBackupFileCount, files);
    CheckTree(expected);

    // Home and Scan again: the accepted password is kept for this backup.
    answers << "never asked";
    w.btnSlotScan();
    QCOMPARE(answers.size(), 1);
    CheckTree(expected);
}

void TestScanFlow::decryptorWithoutVerdict()
{
    const QString encrypted = AddBackup(38, "open sesame");
    if (encrypted.isEmpty())
        QSKIP("encrypted samples are not available in this build");
    // A decryptor that ends without saying whether the password is right
    // (a damaged backup, a crash), and one that cannot be started: neither
    // counts as accepted, the user is told, and nothing is scanned.
    const QString silent = m_tmp.path() + "/silent-decryptor.sh";
    QFile script(silent);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho 'Error: Manifest.plist holds no key bag'\nexit 3\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    QStringList messages;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* password = qobject_cast<CPasswordUI*>(modal)) {
            password->m_pLineEdit->setText("open sesame");
            password->btnSlotOK();
        } else if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            messages << box->m_pLabelText->text();
            box->btnSlotOK();
        }
    });
    w.iTunesTableItemPress(0, 0);
    DecryptorRun::SetProgramPath(silent);
    w.btnSlotScan();
    QCOMPARE(messages, QStringList({"The decryptor could not open this backup:\n"
                                    "Error: Manifest.plist holds no key bag"}));
    QVERIFY(w.m_strPassword.isEmpty());
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pHomeWidget);

    QTest::qWait(50);  // lets the driver forget the first box
    const QString missing = m_tmp.path() + "/no-such-decryptor";
    DecryptorRun::SetProgramPath(missing);
    w.btnSlotScan();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[1], "The decryptor could not be started:\n" + missing);
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pHomeWidget);
}

void TestScanFlow::stopDuringScan()
{
    const QString plain = AddBackup(36);
    QVERIFY(!plain.isEmpty());
    const CategoryCounts expected = EngineCounts(plain);
    QVERIFY(expected[4] > 0);

    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    w.iTunesTableItemPress(0, 0);

    // At the first report after the Message node has its count, the worker
    // waits until the user has cancelled through the dialog and answered yes.
    std::atomic<bool> cancelAsked{false};
    bool askedWhat = false;
    QObject probe;
    connect(
        &w, &DRUI::ScanProcessCallBack, &probe,
        [&](int) {
            if (cancelAsked)
                return;
            bool shown = false;
            QMetaObject::invokeMethod(
                &probe,
                [&]() { shown = w.m_pTree && w.m_pTree->topLevelItem(4)->text(0) != CategoryTree::Label(4, 0); },
                Qt::BlockingQueuedConnection);
            if (!shown)
                return;
            cancelAsked = true;
            QMetaObject::invokeMethod(&probe, [&]() {
                auto* answer = new ModalDriver([&](QWidget* modal) {
                    if (auto* box = qobject_cast<CMessageBox*>(modal)) {
                        askedWhat = box->m_pLabelText->text() == "Are you sure to cancel the scanning?";
                        box->btnSlotOK();
                    }
                });
                answer->setParent(&probe);
                if (auto* dialog = qobject_cast<SCANUI*>(QApplication::activeModalWidget()))
                    dialog->close();
            });
            while (!w.m_bStopScan)
                QThread::msleep(5);
        },
        Qt::DirectConnection);
    std::vector<int> percents;
    connect(&w, &DRUI::ScanProcessCallBack, &probe, [&](int p) { percents.push_back(p); });

    w.btnSlotScan();
    QVERIFY(cancelAsked);
    QVERIFY(askedWhat);
    QVERIFY(w.m_bStopScan);
    QVERIFY(w.m_bScanEnded);
    QVERIFY(!w.m_pWorker);
    QVERIFY(percents.empty() || percents.back() != 100);
    // The nodes up to Message keep their counts; from the first node left at
    // zero on, every later one stays at zero and unticked.
    bool stopped = false;
    int filled = 0;
    for (int c : kFetchOrder) {
        const unsigned long long n = expected[size_t(c)];
        if (!n)
            continue;
        QTreeWidgetItem* node = w.m_pTree->topLevelItem(c);
        if (node->text(0) == CategoryTree::Label(c, 0))
            stopped = true;
        if (stopped) {
            QCOMPARE(node->text(0), CategoryTree::Label(c, 0));
            QCOMPARE(node->checkState(0), Qt::Unchecked);
        } else {
            QCOMPARE(node->text(0), CategoryTree::Label(c, unsigned(n)));
            QCOMPARE(node->checkState(0), Qt::Checked);
            ++filled;
        }
    }
    QVERIFY(filled >= 2);  // camera roll (and photo stream) and messages
    QVERIFY(stopped);

    // The next scan works.
    w.btnSlotScan();
    CheckTree(expected);
}

void TestScanFlow::homeQuestion()
{
    const QString plain = AddBackup(37);
    QVERIFY(!plain.isEmpty());
    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    w.iTunesTableItemPress(0, 0);
    w.btnSlotScan();
    const size_t cameras = w.m_vecCamera.size();
    QVERIFY(cameras > 0);

    QString asked;
    int answer = 0;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            asked = box->m_pLabelText->text();
            if (answer)
                box->btnSlotOK();
            else
                box->btnSlotNO();
        }
    });
    w.btnSlotBack();
    QCOMPARE(asked, QString("Are you sure want to go back to Home?\nIf back,the scanning results will not be saved."));
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pResultWidget);

    answer = 1;
    QTest::qWait(50);  // lets the driver forget the first box
    w.btnSlotBack();
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pHomeWidget);
    // Nothing else changes until the next scan.
    QVERIFY(w.m_pResultWidget);
    QCOMPARE(w.m_vecCamera.size(), cameras);
}

QTEST_MAIN(TestScanFlow)
#include "tst_scanflow.moc"
