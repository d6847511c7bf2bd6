#include <QtTest>

#include <QDesktopServices>
#include <QLabel>
#include <QStackedLayout>
#include <QTableWidget>

#include <sys/stat.h>

#include "UiTestBase.h"
#include "UrlCatcher.h"
#include "engine/IphoneBackupFile.h"
#include "support/Platform.h"
#include "ui/CURLConfig.h"
#include "ui/DRUI.h"
#include "ui/UiStyle.h"

namespace {
int Mode(const QString& path)
{
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return st.st_mode & 07777;
}

bool SameImage(const QIcon& icon, const QString& resource)
{
    const QImage expected(resource);
    return !expected.isNull() && icon.pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32)
                                     == expected.convertToFormat(QImage::Format_ARGB32);
}
} // namespace

class TestHome : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void startupListsBackups();
    void scanWaitsForARow();
    void chrome();
    void privateFolders();
    void helpButton();

private:
    QStringList m_backups;
};

void TestHome::initTestCase()
{
    SetUpFolders();
    m_backups << AddBackup(11) << AddBackup(12) << AddBackup(13);
    for (const QString& b : m_backups)
        QVERIFY(!b.isEmpty());
    // The second one looks encrypted: its contacts database no longer starts with "SQLite".
    QVERIFY(QDir().mkpath(m_backups[1] + "/31"));
    QFile contacts(m_backups[1] + "/31/31bb7ba8914766d4ba40d6dfb6113c8b614be442");
    QVERIFY(contacts.open(QIODevice::WriteOnly));
    contacts.write(QByteArray(64, '\x5a'));
    contacts.close();
}

void TestHome::startupListsBackups()
{
    DRUI window;
    window.Init();
    QCOMPARE(window.windowTitle(), QString("Quillmere"));
    QCOMPARE(window.minimumSize(), QSize(1000, 680));
    QCOMPARE(window.maximumSize(), QSize(1000, 680));
    QCOMPARE(window.ui.centralWidget->objectName(), QString("centralWidget"));
    QCOMPARE(window.m_pMainStack->currentWidget(), window.m_pHomeWidget);

    // The table shows the engine's list in reverse.
    CIphoneBackupFile engine;
    std::vector<__BACK_FILE_INFO__> expected;
    engine.GetBackFileInfo(expected);
    QCOMPARE(int(expected.size()), 3);
    QTableWidget* table = window.m_pBackupTable;
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("Last Backup Data"));
    int locked = 0;
    for (int i = 0; i < 3; ++i) {
        const __BACK_FILE_INFO__& info = expected[i];
        const int row = 2 - i;
        QCOMPARE(table->item(row, 0)->text(), QString::fromStdString(info.strDisplayName));
        QCOMPARE(table->item(row, 1)->text(), QString::fromStdString(info.strBackupDate));
        QCOMPARE(table->item(row, 2)->text(), QString::fromStdString(info.strSerialNumber));
        QCOMPARE(table->rowHeight(row), 50);
        for (int column = 0; column < 3; ++column) {
            const auto carried = table->item(row, column)->data(Qt::UserRole).value<__BACK_FILE_INFO__>();
            QCOMPARE(carried.strBackupPath, info.strBackupPath);
            QCOMPARE(carried.bEncrypted, info.bEncrypted);
        }
        const bool encrypted = QDir(QString::fromStdString(info.strBackupPath)) == QDir(m_backups[1]);
        QCOMPARE(info.bEncrypted, encrypted);
        QVERIFY(SameImage(table->item(row, 0)->icon(), encrypted ? ":/image/iPhoneLock.png" : ":/image/iPhone.png"));
        locked += encrypted;
    }
    QCOMPARE(locked, 1);
}

void TestHome::scanWaitsForARow()
{
    DRUI window;
    window.Init();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.m_pBtnScan->isEnabled());
    QCOMPARE(window.m_pBtnScan->styleSheet(), main_button_style_no_file);
    QCOMPARE(window.m_pBtnScan->text(), QString("Scan"));

    QTableWidget* table = window.m_pBackupTable;
    const QRect cell = table->visualItemRect(table->item(1, 2));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(window.m_pBtnScan->isEnabled());
    QCOMPARE(window.m_pBtnScan->styleSheet(), Layout2_main_button_style);
    const auto chosen = table->item(1, 0)->data(Qt::UserRole).value<__BACK_FILE_INFO__>();
    QCOMPARE(window.m_curBackupInfo.strBackupPath, chosen.strBackupPath);
    QCOMPARE(window.m_curBackupInfo.strSerialNumber, chosen.strSerialNumber);

    // A press outside any item changes nothing.
    window.iTunesTableItemPress(7, 0);
    QCOMPARE(window.m_curBackupInfo.strBackupPath, chosen.strBackupPath);
}

void TestHome::chrome()
{
    DRUI window;
    window.Init();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Escape does nothing: the window stays, on the same page.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QCOMPARE(window.m_pMainStack->currentWidget(), window.m_pHomeWidget);

    // Dragging with the left button moves the window by the mouse's travel;
    // other buttons do not.
    auto mouse = [&](QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(local), QPointF(window.mapToGlobal(local)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    };
    const QPoint start = window.pos();
    const QPoint grip(500, 20);
    mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    QMouseEvent moveEvent(QEvent::MouseMove, QPointF(grip), QPointF(window.mapToGlobal(grip) + QPoint(30, 12)),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &moveEvent);
    QTRY_COMPARE(window.pos(), start + QPoint(30, 12));
    mouse(QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);
    const QPoint moved = window.pos();
    QMouseEvent rightDrag(QEvent::MouseMove, QPointF(grip), QPointF(window.mapToGlobal(grip) + QPoint(50, 50)),
                          Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &rightDrag);
    QCOMPARE(window.pos(), moved);

    // While a worker runs the window refuses to close.
    CMyThread* fake = reinterpret_cast<CMyThread*>(&window);
    window.m_pWorker = fake;
    window.close();
    QVERIFY(window.isVisible());
    window.m_pWorker = nullptr;

    // Closing ends the application's event loop; the last window closing
    // alone would not.
    QApplication::setQuitOnLastWindowClosed(false);
    bool timedOut = false;
    QTimer::singleShot(0, &window, [&]() { window.close(); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [&]() {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    guard.stop();
    QVERIFY(!timedOut);
    QVERIFY(!window.isVisible());

    // The banner, the version and the two texts above and below the table.
    QStringList texts;
    for (QLabel* label : window.m_pHomeWidget->findChildren<QLabel*>())
        texts << label->text();
    QVERIFY(texts.contains("Quillmere\nExtractor all kinds of data from you iTunes backup file for free."));
    QVERIFY(texts.contains("Version 9.9.8"));
    QVERIFY(texts.contains("Select an iTunes Backup File of your iOS device below to scan."));
    QVERIFY(texts.contains("Select the iTunes Backup File from other folder to recover your data."));
}

void TestHome::privateFolders()
{
    const QString support = QmPlatform::AppSupportDir();
    const QString work = QmPlatform::WorkDir();
    {
        DRUI window;
        window.Init();
        QCOMPARE(Mode(support), 0700);
        QCOMPARE(Mode(work), 0700);

        // What the decryptor leaves behind is removed when the window goes.
        QFile file(work + "0123456789abcdef0123456789abcdef01234567");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("secret");
        file.close();
        QVERIFY(QDir().mkpath(work + "nested/deeper"));
        QFile nested(work + "nested/deeper/x");
        QVERIFY(nested.open(QIODevice::WriteOnly));
        nested.close();
    }
    QVERIFY(QFileInfo(work).isDir());
    QVERIFY(QDir(work).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());

    // A working folder that is a link is not followed when clearing.
    QTemporaryDir elsewhere;
    QFile keep(elsewhere.path() + "/keep.txt");
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.close();
    QVERIFY(QDir(work).removeRecursively());
    QVERIFY(QFile::link(elsewhere.path(), QDir::cleanPath(work)));
    DRUI::ClearWorkDir();
    QVERIFY(QFile::exists(elsewhere.path() + "/keep.txt"));
    QVERIFY(QFile::remove(QDir::cleanPath(work)));
}

void TestHome::helpButton()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    DRUI window;
    window.Init();
    QPushButton* help = nullptr;
    for (QPushButton* b : window.m_pHomeWidget->findChildren<QPushButton*>()) {
        if (b->text().isEmpty())
            help = b;
    }
    QVERIFY(help);
    const QImage image(":/image/help.png");
    QCOMPARE(help->size(), QSize(int(image.width() / 1.3), int(image.height() / 1.3)));
    QCOMPARE(help->x(), 1000 - 45);
    help->click();
    window.btnAboutSlot();
    window.btnSupportSlot();
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(catcher.urls.size(), 3);
    QCOMPARE(catcher.urls[0].toString(),
             QString::fromStdString(CURLConfig::GetInstance()->GetUrl(CURLConfig::USER_GUIDE)));
    QCOMPARE(catcher.urls[1].toString(),
             QString::fromStdString(CURLConfig::GetInstance()->GetUrl(CURLConfig::CONTACT)));
}

QTEST_MAIN(TestHome)
#include "tst_home.moc"
