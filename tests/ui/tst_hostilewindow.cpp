#include <QtTest>

#include <QStackedLayout>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "FlowTestUtil.h"
#include "UiTestBase.h"
#include "tests/hardening/HostileCheck.h"
#include "tools/sample/SampleGenerator.h"
#include "ui/CategoryTree.h"

// The window on a backup built to break its reader: the scan fills the tree with
// what the engine finds, and a recovery of everything ticked ends, writes only
// inside the chosen folder and lists every item it could not write as failed.
class TestHostileWindow : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void scanAndRecoverEverything_data();
    void scanAndRecoverEverything();
};

void TestHostileWindow::scanAndRecoverEverything_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("Manifest.db") << int(SampleOptions::Layout::New);
    QTest::newRow("Manifest.mbdb") << int(SampleOptions::Layout::Old);
}

void TestHostileWindow::scanAndRecoverEverything()
{
    QFETCH(int, layout);
    SetUpFolders();
    SampleOptions options;
    options.hostile = true;
    options.layout = SampleOptions::Layout(layout);
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, BackupRoot(), &backup, &error), qPrintable(error));
    const CategoryCounts expected = EngineCounts(backup);
    QVERIFY(expected[0] > 0);
    QCOMPARE(expected[7], 0ULL); // the call log is a link out of the backup

    auto window = std::make_unique<DRUI>();
    DRUI& w = *window;
    w.Init();
    // The folder the links point into has no Info.plist: not a backup.
    QCOMPARE(w.m_pBackupTable->rowCount(), 1);
    w.iTunesTableItemDoublePress(0, 0);
    QVERIFY(w.m_pTree);
    QCOMPARE(w.m_pMainStack->currentWidget(), w.m_pResultWidget);
    for (int c = 0; c < 11; ++c)
        QCOMPARE(w.m_pTree->topLevelItem(c)->text(0), CategoryTree::Label(c, unsigned(expected[size_t(c)])));

    QTemporaryDir out;
    const QString dest = out.filePath("dest");
    QVERIFY(QDir().mkpath(dest));
    const QStringList before = HostileCheck::Tree(BackupRoot());
    const QStringList outsideBefore = HostileCheck::Tree(out.path(), dest);
    RecoveryDriver driver(w, dest);
    w.btnRecovery();
    const RecoveryView& view = driver.view;
    QVERIFY(view.sawDialog);
    QCOMPARE(view.cancelText, QString("Finished"));
    QCOMPARE(view.percents.back(), 100);

    int failed = 0;
    for (const auto& row : view.rows) {
        QVERIFY2(row.first.startsWith(dest + "/"), qPrintable(row.first));
        QVERIFY2(row.second == "Success" || row.second == "Failed", qPrintable(row.second));
        failed += row.second == "Failed";
        if (row.second == "Success" && !row.first.endsWith(".html") && !row.first.endsWith(".csv"))
            QVERIFY2(QFileInfo(row.first).isFile(), qPrintable(row.first));
    }
    QVERIFY(view.rows.size() > 10);
    QVERIFY2(view.title.contains(QString("Failed:%1").arg(failed)), qPrintable(view.title));

    const QString problem = HostileCheck::ExportProblem(dest);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(HostileCheck::Tree(BackupRoot()), before);
    QCOMPARE(HostileCheck::Tree(out.path(), dest), outsideBefore);
    QVERIFY(QFileInfo::exists(dest + "/Camera Roll"));
    QVERIFY(QDir(dest + "/App Photos").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() > 5);
}

QTEST_MAIN(TestHostileWindow)
#include "tst_hostilewindow.moc"
