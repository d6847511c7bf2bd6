#include <QtTest>

#include <QTableWidget>

#include "FlowTestUtil.h"
#include "UiTestBase.h"
#include "support/RememberedFolders.h"
#include "tests/engine/EngineFixtures.h"
#include "ui/CMessageBox.h"
#include "ui/DRUI.h"

// The home page lists backups where Linux users keep them: the backup root, a
// copied Mac home's MobileSync folder and the folders chosen before with
// Select; Select takes one backup or a folder of several.
class TestBackupFolders : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void homeListsEveryPlace();
    void selectFolderOfSeveral();

private:
    QString MakeBackup(const QString& folder, const char* name);
    QStringList TableNames(DRUI& w);
    QTemporaryDir m_dir;
};

void TestBackupFolders::initTestCase()
{
    SetUpFolders();
    QVERIFY(m_dir.isValid());
    // Never the real user's home (SetUpFolders keeps the settings private).
    qputenv("HOME", m_dir.filePath("home").toUtf8());
    QDir().mkpath(m_dir.filePath("home"));
}

QString TestBackupFolders::MakeBackup(const QString& folder, const char* name)
{
    QDir().mkpath(folder);
    EngineFixtures::WriteBytes(folder + "/Info.plist",
                               EngineFixtures::InfoPlistXml(EngineFixtures::KeyString("Display Name", name)));
    return folder;
}

QStringList TestBackupFolders::TableNames(DRUI& w)
{
    QStringList names;
    for (int row = 0; row < w.m_pBackupTable->rowCount(); ++row)
        names << w.m_pBackupTable->item(row, 0)->text();
    return names;
}

void TestBackupFolders::homeListsEveryPlace()
{
    MakeBackup(BackupRoot() + "aaaa", "Root phone");
    MakeBackup(m_dir.filePath("home/Library/Application Support/MobileSync/Backup/bbbb"), "Mac copy");
    const QString kept = MakeBackup(m_dir.filePath("usb/old phone"), "Remembered phone");
    const QString gone = MakeBackup(m_dir.filePath("gone/cccc"), "Gone phone");
    RememberedFolders::Remember(gone);
    RememberedFolders::Remember(kept);
    QVERIFY(QDir(m_dir.filePath("gone")).removeRecursively());

    DRUI w;
    w.Init();
    QCOMPARE(TableNames(w), (QStringList{"Root phone", "Mac copy", "Remembered phone"}));
    // The folder that vanished dropped off the remembered list.
    QCOMPARE(RememberedFolders::Load(), QStringList{kept});
    // The row tells where the backup lies.
    QCOMPARE(w.m_pBackupTable->item(2, 0)->toolTip(), kept);

    const QByteArray dir = qgetenv("QM_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QVERIFY(w.grab().save(QString::fromLocal8Bit(dir) + "/home-remembered-folder.png"));
    }
}

void TestBackupFolders::selectFolderOfSeveral()
{
    // idevicebackup2 writes one folder per device under its target.
    const QString target = m_dir.filePath("idevicebackup2 target");
    MakeBackup(target + "/00008101-000A", "Phone A");
    MakeBackup(target + "/00008101-000B", "Phone B");

    DRUI w;
    w.Init();
    const int before = w.m_pBackupTable->rowCount();
    QStringList messages;
    {
        ModalDriver driver([&](QWidget* modal) {
            if (auto* files = qobject_cast<QFileDialog*>(modal))
                AnswerFolderDialog(files, target);
            else if (auto* box = qobject_cast<CMessageBox*>(modal)) {
                messages << box->m_pLabelText->text();
                box->btnSlotOK();
            }
        });
        w.btnSlotSelect();
    }
    QVERIFY(messages.isEmpty());
    // Both are listed, the first chosen, nothing scanned yet.
    QCOMPARE(w.m_pBackupTable->rowCount(), before + 2);
    const QStringList names = TableNames(w);
    QVERIFY(names.contains("Phone A") && names.contains("Phone B"));
    QCOMPARE(w.m_pBackupTable->currentRow(), names.indexOf("Phone A"));
    QCOMPARE(QString::fromStdString(w.m_curBackupInfo.strBackupPath), target + "/00008101-000A");
    QVERIFY(w.m_pBtnScan->isEnabled());
    QVERIFY(w.m_pResultWidget == nullptr);
    QCOMPARE(RememberedFolders::Load().first(), target);

    // The next start lists them again.
    DRUI again;
    again.Init();
    QVERIFY(TableNames(again).contains("Phone B"));
}

QTEST_MAIN(TestBackupFolders)
#include "tst_backupfolders.moc"
