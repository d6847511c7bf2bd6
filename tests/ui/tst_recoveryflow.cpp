#include <QtTest>

#include <QCheckBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDirIterator>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <memory>

#include "FlowTestUtil.h"
#include "UiTestBase.h"
#include "ui/CDetail.h"
#include "ui/DRUI.h"
#include "ui/SCANUI.h"

namespace {
// Files (not folders) under `dir`, relative to it; the manifest each run
// writes beside its output left aside.
QStringList FilesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QDir(dir).relativeFilePath(it.next());
        if (!QRegularExpression(QStringLiteral("^manifest-\\d{14}(\\(\\d+\\))?\\.json$")).match(file).hasMatch())
            files << file;
    }
    files.sort();
    return files;
}

int FilesIn(const QString& dir)
{
    return FilesUnder(dir).size();
}

// A camera-roll record of a file with this content (or a missing file).
_IPHONE_CAMERA_INFO_ CameraFile(const QString& dir, const QString& name, bool exists = true)
{
    const QString path = dir + "/" + name + ".src";
    if (exists) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("picture " + name.toUtf8());
    }
    _IPHONE_CAMERA_INFO_ info;
    info.strFileName = name.toStdString();
    info.wstrFullPath = path.toStdWString();
    info.nSize = 12;
    return info;
}
} // namespace

class TestRecoveryFlow : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void recoverEverythingTicked();
    void progressAndSecondRun();
    void failedItemShowsFailed();
    void cancelledFolderDialogStartsNothing();
    void optionsReachTheRun();

public slots:
    void OpenUrl(const QUrl& url) { m_opened << url; }

private:
    // A window on a results page holding only the given camera files, all ticked.
    void CameraOnlyWindow(const std::vector<_IPHONE_CAMERA_INFO_>& files);
    std::unique_ptr<DRUI> m_pWindow;
    QList<QUrl> m_opened;
};

void TestRecoveryFlow::init()
{
    SetUpFolders();
    m_opened.clear();
}

void TestRecoveryFlow::cleanup()
{
    m_pWindow.reset();
    QDesktopServices::unsetUrlHandler("file");
}

void TestRecoveryFlow::CameraOnlyWindow(const std::vector<_IPHONE_CAMERA_INFO_>& files)
{
    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    w.InitLayout3Widget();
    w.m_vecCamera = files;
    for (unsigned i = 0; i < files.size(); ++i)
        w.m_cameraTableMap[i] = unsigned(files[i].nSize);
}

void TestRecoveryFlow::recoverEverythingTicked()
{
    const QString backup = AddBackup(41);
    QVERIFY(!backup.isEmpty());
    m_pWindow = std::make_unique<DRUI>();
    DRUI& w = *m_pWindow;
    w.Init();
    w.iTunesTableItemDoublePress(0, 0);
    QVERIFY(!w.m_vecCamera.empty());
    QVERIFY(w.m_pBtnRecovery->isEnabled());

    QTemporaryDir dest;
    QDesktopServices::setUrlHandler("file", this, "OpenUrl");
    RecoveryDriver driver(w, dest.path(), [](SCANUI* dialog) {
        QPushButton* open = UiTestBase::FindButton(dialog, "Open Folder");
        QVERIFY(open);
        open->click();
    });
    w.btnRecovery();
    const RecoveryView& view = driver.view;
    QVERIFY(view.sawDialog);
    QCOMPARE(view.cancelText, QString("Finished"));
    QCOMPARE(view.percents.back(), 100);
    QVERIFY(std::is_sorted(view.percents.begin(), view.percents.end()));

    // The output tree: one file per ticked media record, in its folder.
    const QString d = dest.path();
    QCOMPARE(size_t(FilesIn(d + "/Camera Roll")), w.m_vecCamera.size());
    QCOMPARE(size_t(FilesIn(d + "/Photo Stream")), w.m_vecPhotoStream.size());
    QCOMPARE(size_t(FilesIn(d + "/Message Attachments")), w.m_vecAttachments.size());
    QCOMPARE(size_t(FilesIn(d + "/WhatsApp Attachments")), w.m_vecWhatsappAttach.size());
    QCOMPARE(FilesIn(d + "/App Photos"), int(w.m_nAppPhotoCount));
    QCOMPARE(FilesIn(d + "/App Video"), int(w.m_nAppVideoCount));
    if (!w.m_mapMessage.empty())
        QVERIFY(QFileInfo::exists(d + "/Message/sms.db"));
    if (!w.m_vecContacts.empty())
        QVERIFY(FilesIn(d + "/Contacts") > 0);
    if (!w.m_vecCallHistory.empty())
        QVERIFY(FilesIn(d + "/CallHistory") > 0);
    if (!w.m_vecNotes.empty())
        QVERIFY(FilesIn(d + "/Notes") > 0);

    // Every item is reported and listed: one row per copied file plus one per
    // report step, all written.
    size_t media = w.m_vecCamera.size() + w.m_vecPhotoStream.size() + w.m_nAppPhotoCount + w.m_nAppVideoCount +
                   w.m_vecAttachments.size() + w.m_vecWhatsappAttach.size();
    size_t reports = (w.m_mapMessage.empty() ? 0 : 1) + (w.m_vecContacts.empty() ? 0 : 1) +
                     (w.m_vecCallHistory.empty() ? 0 : 1) + (w.m_vecNotes.empty() ? 0 : 1);
    QCOMPARE(size_t(view.rows.size()), media + reports);
    for (const auto& row : view.rows) {
        QCOMPARE(row.second, QString("Success"));
        QVERIFY2(row.first.startsWith(d + "/"), qPrintable(row.first));
    }
    QVERIFY(view.title.contains(QString("Sucess:%1 Failed:0").arg(view.rows.size())));
    // The rows name files that exist (the fixed report names aside).
    for (const auto& row : view.rows) {
        if (!row.first.endsWith(".html") && !row.first.endsWith(".csv"))
            QVERIFY2(QFileInfo(row.first).isFile(), qPrintable(row.first));
    }
    QCOMPARE(m_opened, QList<QUrl>({QUrl::fromLocalFile(d)}));
    // The selection stays for another run.
    QCOMPARE(w.m_cameraTableMap.size(), w.m_vecCamera.size());
}

void TestRecoveryFlow::progressAndSecondRun()
{
    QTemporaryDir src;
    CameraOnlyWindow({CameraFile(src.path(), "IMG_0001.JPG"), CameraFile(src.path(), "IMG_0002.JPG"),
                      CameraFile(src.path(), "IMG_0003.JPG")});
    DRUI& w = *m_pWindow;
    QTemporaryDir dest;
    {
        RecoveryDriver driver(w, dest.path());
        w.btnRecovery();
        // Three files: 6, 13, 20 %, then the end of the step at 21 %; the
        // empty steps follow, and the end at 100 %.
        QCOMPARE(driver.view.percents, std::vector<int>({6, 13, 20, 21, 41, 51, 71, 81, 91, 100}));
        QCOMPARE(driver.view.rows.size(), 3);
        QCOMPARE(driver.view.rows[0].first, dest.path() + "/Camera Roll/IMG_0001.JPG");
    }
    QCOMPARE(FilesUnder(dest.path()),
             QStringList({"Camera Roll/IMG_0001.JPG", "Camera Roll/IMG_0002.JPG", "Camera Roll/IMG_0003.JPG"}));

    // Into the same folder again: nothing is overwritten.
    RecoveryDriver again(w, dest.path());
    w.btnRecovery();
    QCOMPARE(again.view.rows.size(), 3);
    QCOMPARE(again.view.rows[0].first, dest.path() + "/Camera Roll/IMG_0001(1).JPG");
    QVERIFY(QFileInfo(dest.path() + "/Camera Roll/IMG_0001(1).JPG").isFile());
    QCOMPARE(FilesIn(dest.path() + "/Camera Roll"), 6);
}

void TestRecoveryFlow::failedItemShowsFailed()
{
    QTemporaryDir src;
    CameraOnlyWindow({CameraFile(src.path(), "a.JPG"), CameraFile(src.path(), "gone.JPG", false),
                      CameraFile(src.path(), "c.JPG")});
    QTemporaryDir dest;
    RecoveryDriver driver(*m_pWindow, dest.path());
    m_pWindow->btnRecovery();
    const RecoveryView& view = driver.view;
    // The failure heads the list; the run went on with the next file.
    QCOMPARE(view.rows.size(), 3);
    QCOMPARE(view.rows[0].first, dest.path() + "/Camera Roll/gone.JPG");
    QCOMPARE(view.rows[0].second, QString("Failed"));
    QCOMPARE(view.rows[1].second, QString("Success"));
    QCOMPARE(view.rows[2].second, QString("Success"));
    QVERIFY(view.title.contains("Sucess:2 Failed:1"));
    QVERIFY(!QFileInfo::exists(dest.path() + "/Camera Roll/gone.JPG"));
    QCOMPARE(view.percents.back(), 100);
}

void TestRecoveryFlow::cancelledFolderDialogStartsNothing()
{
    QTemporaryDir src;
    CameraOnlyWindow({CameraFile(src.path(), "a.JPG")});
    DRUI& w = *m_pWindow;
    RecoveryDriver driver(w, QString());
    w.btnRecovery();
    QVERIFY(!driver.view.sawDialog);
    QVERIFY(driver.view.percents.empty());
    QVERIFY(w.m_strSaveDir.isEmpty());
}

void TestRecoveryFlow::optionsReachTheRun()
{
    QTemporaryDir src;
    CameraOnlyWindow({CameraFile(src.path(), "IMG_0001.JPG"), CameraFile(src.path(), "IMG_0002.JPG")});
    DRUI& w = *m_pWindow;
    auto* range = w.findChild<QCheckBox*>("dateRangeEnabled");
    range->click();
    w.findChild<QDateEdit*>("dateFrom")->setDate(QDate(2021, 3, 1));
    w.findChild<QDateEdit*>("dateTo")->setDate(QDate(2021, 3, 31));
    w.findChild<QCheckBox*>("skipRecovered")->click();

    // What the worker runs with, read while its dialog is still up.
    QTemporaryDir dest;
    RecoverySelection seen;
    {
        RecoveryDriver driver(w, dest.path(), [&](SCANUI*) { seen = w.m_recoverySelection; });
        w.btnRecovery();
        QVERIFY(driver.view.sawDialog);
    }
    QCOMPARE(seen.vecCamera.size(), size_t(2));
    QCOMPARE(seen.dateRange.since, QDate(2021, 3, 1));
    QCOMPARE(seen.dateRange.until, QDate(2021, 3, 31));
    QVERIFY(seen.bSkipIdentical);
    // The window keeps no copy of the run's records afterwards.
    QVERIFY(w.m_recoverySelection.IsEmpty());
    // These files carry no date from a backup, so no range holds them.
    QCOMPARE(FilesIn(dest.path() + "/Camera Roll"), 0);

    // Without the range both are written, and the dialog names the manifest.
    range->click();
    QString status;
    {
        RecoveryDriver driver(w, dest.path(), [&](SCANUI* dialog) { status = dialog->m_labelStatus->text(); });
        w.btnRecovery();
    }
    QCOMPARE(FilesUnder(dest.path() + "/Camera Roll"), QStringList({"IMG_0001.JPG", "IMG_0002.JPG"}));
    QVERIFY2(status.contains("Manifest: manifest-"), qPrintable(status));
    // Again into the same folder: the identical copies are left as they are.
    {
        RecoveryDriver driver(w, dest.path());
        w.btnRecovery();
    }
    QCOMPARE(FilesUnder(dest.path() + "/Camera Roll"), QStringList({"IMG_0001.JPG", "IMG_0002.JPG"}));
}

QTEST_MAIN(TestRecoveryFlow)
#include "tst_recoveryflow.moc"
