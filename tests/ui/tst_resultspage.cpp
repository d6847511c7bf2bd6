#include <QtTest>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>

#include "UiTestBase.h"
#include "support/TextEncoding.h"
#include "engine/IphoneBackupFile.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"
#include "ui/PreviewPage.h"

// The results page of the main window: tree, tables, ticking, the selection
// summary and the previews, with the scan results filled in by hand.
class TestResultsPage : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshPage();
    void secondPageReplacesTheOld();
    void summaryAfterScan();
    void rowTicksDriveTheNode();
    void nodeTicksDriveTheRows();
    void flaggedRecordsFirst();
    void appFilesSplit();
    void doubleClickOpensApplication();
    void messageBubbles();
    void textPreviews();
    void picturePreview();
    void generatedBackup();

private:
    // What the scan does after its fetches: tick the nodes that have records,
    // fill their tables and put the counts in the labels.
    void ShowScanResults();
    QTreeWidgetItem* Node(int category) { return m_pWindow->m_pTree->topLevelItem(category); }
    void Select(int category);
    void PressRow(QTableWidget* table, int row, Qt::CheckState state, void (DRUI::*slot)(int, int));
    QVariant Eval(QWebEngineView* view, const QString& script);

    QTemporaryDir m_dir;
    std::unique_ptr<DRUI> m_pWindow;
};

void TestResultsPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SetUpFolders();
}

void TestResultsPage::init()
{
    m_pWindow = std::make_unique<DRUI>();
    m_pWindow->Init();
    m_pWindow->InitLayout3Widget();
}

void TestResultsPage::cleanup()
{
    m_pWindow.reset();
}

void TestResultsPage::ShowScanResults()
{
    UiTestBase::ShowScanResults(*m_pWindow);
}

void TestResultsPage::Select(int category)
{
    m_pWindow->m_pTree->setCurrentItem(Node(category));
    QCOMPARE(m_pWindow->m_pCurTreeItem, Node(category));
}

void TestResultsPage::PressRow(QTableWidget* table, int row, Qt::CheckState state, void (DRUI::*slot)(int, int))
{
    // As a click on the check box: Qt toggles it, then reports the click.
    table->item(row, 0)->setCheckState(state);
    (m_pWindow.get()->*slot)(row, 0);
}

QVariant TestResultsPage::Eval(QWebEngineView* view, const QString& script)
{
    bool done = false;
    QVariant value;
    PreviewPage::Run(view, script, [&](const QVariant& v) {
        value = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        qWarning("no answer to %s", qPrintable(script));
    return value;
}

static _IPHONE_CAMERA_INFO_ CameraFile(const char* name, int size, const QString& path = QString())
{
    _IPHONE_CAMERA_INFO_ f;
    f.strFileName = name;
    f.nSize = size;
    f.wstrFullPath = WideFromQString(path);
    return f;
}

static __PERSON_CONTENT__ Contact(const char* name, const char* phone, int deleted = 0)
{
    __PERSON_CONTENT__ p;
    p.strName = name;
    p.strPhone = phone;
    p.nDeleted = deleted;
    return p;
}

void TestResultsPage::freshPage()
{
    DRUI& w = *m_pWindow;
    const QStringList expected = {"Camera Roll(0)", "Photo Stream(0)", "App Photos(0)", "App Videos(0)",
                                  "Message(0)", "Messages Attachments(0)", "Contacts(0)", "Call History(0)",
                                  "Notes(0)", "WhatsApp(0)", "WhatsApp Attachments(0)"};
    QCOMPARE(w.m_pTree->topLevelItemCount(), 11);
    for (int i = 0; i < 11; ++i) {
        QCOMPARE(Node(i)->text(0), expected[i]);
        QCOMPARE(Node(i)->checkState(0), Qt::Unchecked);
        QCOMPARE(CategoryTree::CategoryOfLabel(expected[i]), i);
    }
    QCOMPARE(w.m_pLabelSelect->text(), QString("Select 0 Bytes in 0 file"));
    QVERIFY(!w.m_pBtnRecovery->isEnabled());
    QCOMPARE(w.m_pTypeStack->count(), 12);
    QCOMPARE(w.m_pTypeStack->currentIndex(), 0);

    // Pages hold their tables in stack order.
    const QList<QPair<int, QWidget*>> pages = {
        {0, w.m_pCameraTable},     {1, w.m_pPhotoStreamTable}, {2, w.m_pAppPhotosTable},
        {3, w.m_pAppVideosTable},  {4, w.m_pAppsTable},        {5, w.m_pMessageTable},
        {6, w.m_pContactsTable},   {7, w.m_pCallHistoryTable}, {8, w.m_pNotesTable},
        {9, w.m_pMessAttachTable}, {10, w.m_pWhatsappTable},   {11, w.m_pWhatsappAttachTable}};
    for (const auto& page : pages)
        QVERIFY2(w.m_pTypeStack->widget(page.first)->isAncestorOf(page.second), qPrintable(QString::number(page.first)));

    QCOMPARE(w.m_pMessageTable->columnCount(), 4);
    QCOMPARE(w.m_pMessageTable->horizontalHeaderItem(2)->text(), QString("Data"));
    QCOMPARE(w.m_pCallHistoryTable->horizontalHeaderItem(1)->text(), QString("Photo"));
    QCOMPARE(w.m_pContactsTable->horizontalHeaderItem(4)->text(), QString("Home Page"));
    QCOMPARE(w.m_pNotesTable->columnWidth(2), 350);
    QCOMPARE(w.m_pCameraTable->minimumSize(), QSize(300, 180));
    QCOMPARE(w.m_pCameraPreview->size(), QSize(750, 300));
    QCOMPARE(w.m_pMessAttachPreview->size(), QSize(720, 200));
    QVERIFY(!w.m_pMessageView->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
}

void TestResultsPage::secondPageReplacesTheOld()
{
    DRUI& w = *m_pWindow;
    QPointer<QTreeWidget> tree = w.m_pTree;
    QPointer<QTableWidget> table = w.m_pCameraTable;
    QPointer<QWebEngineView> view = w.m_pMessageView;
    QPointer<QLabel> preview = w.m_pCameraPreview;
    Select(6);
    w.InitLayout3Widget();
    QVERIFY(tree.isNull() && table.isNull() && view.isNull() && preview.isNull());
    QVERIFY(w.m_pTree && w.m_pCameraTable && w.m_pMessageView);
    QVERIFY(w.m_pCurTreeItem == nullptr);
    QCOMPARE(w.m_pCameraTable->rowCount(), 0);
}

void TestResultsPage::summaryAfterScan()
{
    DRUI& w = *m_pWindow;
    w.m_vecCamera = {CameraFile("a.JPG", 1000), CameraFile("b.JPG", 3000)};
    w.m_vecContacts = {Contact("Ann", "1"), Contact("Bob", "2"), Contact("Cid", "3"), Contact("Dee", "4")};
    ShowScanResults();

    QCOMPARE(Node(0)->text(0), QString("Camera Roll(2)"));
    QCOMPARE(Node(0)->checkState(0), Qt::Checked);
    QCOMPARE(Node(6)->text(0), QString("Contacts(4)"));
    QCOMPARE(Node(7)->checkState(0), Qt::Unchecked);
    QCOMPARE(w.m_cameraTableMap, (SelectMap{{0, 1000}, {1, 3000}}));
    QCOMPARE(w.m_contactsTableMap, (SelectMap{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    QCOMPARE(w.m_pLabelSelect->text(), QString("Select 1.00 MB in 6 files"));
    QVERIFY(w.m_pBtnRecovery->isEnabled());

    // One contact alone still counts its category's fixed charge, and "files".
    Select(0);
    PressRow(w.m_pCameraTable, 0, Qt::Unchecked, &DRUI::cameraTableItemPress);
    PressRow(w.m_pCameraTable, 1, Qt::Unchecked, &DRUI::cameraTableItemPress);
    Select(6);
    for (int r = 1; r < 4; ++r)
        PressRow(w.m_pContactsTable, r, Qt::Unchecked, &DRUI::contactsTableItemPress);
    QCOMPARE(w.m_pLabelSelect->text(), QString("Select 1.00 MB in 1 files"));

    PressRow(w.m_pContactsTable, 0, Qt::Unchecked, &DRUI::contactsTableItemPress);
    QVERIFY(w.m_cameraTableMap.empty() && w.m_contactsTableMap.empty());
    QCOMPARE(w.m_pLabelSelect->text(), QString("Select 0 Bytes in 0 file"));
    QVERIFY(!w.m_pBtnRecovery->isEnabled());
    QCOMPARE(Node(0)->checkState(0), Qt::Unchecked);
    QCOMPARE(Node(6)->checkState(0), Qt::Unchecked);
}

void TestResultsPage::rowTicksDriveTheNode()
{
    DRUI& w = *m_pWindow;
    w.m_vecContacts = {Contact("Ann", "1"), Contact("Bob", "2"), Contact("Cid", "3")};
    ShowScanResults();
    Select(6);
    QCOMPARE(w.m_pTypeStack->currentIndex(), 6);

    PressRow(w.m_pContactsTable, 1, Qt::Unchecked, &DRUI::contactsTableItemPress);
    QCOMPARE(Node(6)->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(w.m_contactsTableMap, (SelectMap{{0, 0}, {2, 2}}));
    PressRow(w.m_pContactsTable, 1, Qt::Checked, &DRUI::contactsTableItemPress);
    QCOMPARE(Node(6)->checkState(0), Qt::Checked);
    QCOMPARE(w.m_contactsTableMap.size(), size_t(3));

    // Only column 0 counts.
    w.m_pContactsTable->item(2, 0)->setCheckState(Qt::Unchecked);
    w.contactsTableItemPress(2, 1);
    QCOMPARE(w.m_contactsTableMap.size(), size_t(3));
    QCOMPARE(Node(6)->checkState(0), Qt::Checked);
    w.contactsTableItemPress(99, 0);  // no such row
    QCOMPARE(w.m_contactsTableMap.size(), size_t(3));
    w.m_pContactsTable->item(2, 0)->setCheckState(Qt::Checked);

    // The space bar ticks like a click, so the map keeps agreeing with the boxes.
    w.m_pContactsTable->setCurrentCell(2, 0);
    QTest::keyClick(w.m_pContactsTable, Qt::Key_Space);
    QCOMPARE(w.m_pContactsTable->item(2, 0)->checkState(), Qt::Unchecked);
    QCOMPARE(w.m_contactsTableMap, (SelectMap{{0, 0}, {1, 1}}));
    QCOMPARE(Node(6)->checkState(0), Qt::PartiallyChecked);
    QTest::keyClick(w.m_pContactsTable, Qt::Key_Space);
    QCOMPARE(w.m_contactsTableMap.size(), size_t(3));
    QTest::keyClick(w.m_pTree, Qt::Key_Space);
    QCOMPARE(Node(6)->checkState(0), Qt::Unchecked);
    QVERIFY(w.m_contactsTableMap.empty());
    QCOMPARE(w.m_pContactsTable->item(0, 0)->checkState(), Qt::Unchecked);
}

void TestResultsPage::nodeTicksDriveTheRows()
{
    DRUI& w = *m_pWindow;
    w.m_vecContacts = {Contact("Ann", "1"), Contact("Bob", "2"), Contact("Cid", "3")};
    ShowScanResults();
    Select(6);

    // A click on the current node's check box: Qt toggles it, then reports the click.
    Node(6)->setCheckState(0, Qt::Unchecked);
    w.treeItemClick(Node(6), 0);
    QVERIFY(w.m_contactsTableMap.empty());
    for (int r = 0; r < 3; ++r)
        QCOMPARE(w.m_pContactsTable->item(r, 0)->checkState(), Qt::Unchecked);
    QCOMPARE(w.m_pLabelSelect->text(), QString("Select 0 Bytes in 0 file"));

    Node(6)->setCheckState(0, Qt::Checked);
    w.treeItemClick(Node(6), 0);
    QCOMPARE(w.m_contactsTableMap, (SelectMap{{0, 0}, {1, 1}, {2, 2}}));
    for (int r = 0; r < 3; ++r)
        QCOMPARE(w.m_pContactsTable->item(r, 0)->checkState(), Qt::Checked);

    // A partly ticked node restores its rows from the map.
    PressRow(w.m_pContactsTable, 0, Qt::Unchecked, &DRUI::contactsTableItemPress);
    w.m_pContactsTable->item(0, 0)->setCheckState(Qt::Checked);  // stray state, not in the map
    w.treeItemClick(Node(6), 0);
    QCOMPARE(w.m_pContactsTable->item(0, 0)->checkState(), Qt::Unchecked);
    QCOMPARE(w.m_pContactsTable->item(1, 0)->checkState(), Qt::Checked);

    // A node with no records can be ticked without rows.
    Select(7);
    Node(7)->setCheckState(0, Qt::Checked);
    w.treeItemClick(Node(7), 0);
    QVERIFY(w.m_callHistoryTableMap.empty());
}

void TestResultsPage::flaggedRecordsFirst()
{
    DRUI& w = *m_pWindow;
    w.m_vecContacts = {Contact("Ann", "1"), Contact("Bob", "2", 1), Contact("Cid", "3")};
    __NOTES__ kept, gone;
    kept.strTitle = "kept";
    gone.strTitle = "gone";
    gone.nDeleted = 1;
    w.m_vecNotes = {kept, gone};
    ShowScanResults();

    QCOMPARE(w.m_pContactsTable->item(0, 0)->text(), QString("Bob"));
    QCOMPARE(w.m_pContactsTable->item(0, 2)->foreground().color(), QColor(243, 115, 2));
    QCOMPARE(w.m_pContactsTable->item(1, 0)->text(), QString("Ann"));
    const QImage deleteIcon = QIcon(":/image/delete.png").pixmap(16).toImage();
    QVERIFY(!deleteIcon.isNull());
    QCOMPARE(w.m_pContactsTable->item(0, 0)->icon().pixmap(16).toImage(), deleteIcon);
    QVERIFY(w.m_pContactsTable->item(1, 0)->icon().pixmap(16).toImage() != deleteIcon);
    QCOMPARE(w.m_pNotesTable->item(0, 0)->text(), QString("gone"));
    // The row's record travels with it, so a consumer finds the right one.
    QCOMPARE(w.m_pContactsTable->item(0, 0)->data(Qt::UserRole).value<__PERSON_CONTENT__>().nDeleted, 1);
}

void TestResultsPage::appFilesSplit()
{
    DRUI& w = *m_pWindow;
    const char* names[] = {"a.JPG", "b.mov", "c.mp3", "d.xyz"};
    for (const char* name : names) {
        _IPHONE_APP_FILE_INFO_ f;
        f.strAppName = "demo";
        f.strFileName = name;
        f.nSize = 10;
        w.m_vecAppFile.push_back(f);
    }
    w.RefreshAppFileNode();
    QCOMPARE(w.m_nAppPhotoCount, 2u);
    QCOMPARE(w.m_nAppVideoCount, 2u);
    QCOMPARE(w.m_mapAppPhotos["demo"].size(), size_t(2));
    QCOMPARE(w.m_mapAppPhotos["demo"][0].strFileName, std::string("a.JPG"));
    QCOMPARE(w.m_mapAppPhotos["demo"][1].strFileName, std::string("d.xyz"));
    QCOMPARE(w.m_mapAppVideos["demo"][0].strFileName, std::string("b.mov"));
    QCOMPARE(w.m_mapAppVideos["demo"][1].strFileName, std::string("c.mp3"));

    // A later scan of another backup lists only that backup's applications.
    w.m_vecAppFile.clear();
    _IPHONE_APP_FILE_INFO_ other;
    other.strAppName = "other";
    other.strFileName = "x.png";
    w.m_vecAppFile.push_back(other);
    w.InitLayout3Widget();
    w.RefreshAppFileNode();
    ShowScanResults();
    QCOMPARE(w.m_mapAppPhotos.size(), size_t(1));
    QVERIFY(w.m_mapAppVideos.empty());
    QCOMPARE(w.m_pAppPhotosTable->rowCount(), 1);
    QCOMPARE(w.m_pAppPhotosTable->item(0, 0)->text(), QString("other"));
    QCOMPARE(w.m_pAppVideosTable->rowCount(), 0);
    QCOMPARE(Node(2)->text(0), QString("App Photos(1)"));
}

void TestResultsPage::doubleClickOpensApplication()
{
    DRUI& w = *m_pWindow;
    for (int i = 0; i < 3; ++i) {
        _IPHONE_APP_FILE_INFO_ f;
        f.strAppName = "camera.app";
        f.strFileName = QString("p%1.png").arg(i).toStdString();
        f.nSize = 100 * (i + 1);
        w.m_vecAppFile.push_back(f);
    }
    w.RefreshAppFileNode();
    ShowScanResults();
    QCOMPARE(w.m_appPhotosTableMap["camera.app"], (SelectMap{{0, 100}, {1, 200}, {2, 300}}));
    Select(2);
    QCOMPARE(w.m_pTypeStack->currentIndex(), 2);

    w.appPhotosTableItemPress(0, 0);
    w.appPhotosTableItemSelectDoubleClick(0, 0);
    QCOMPARE(w.m_pTypeStack->currentIndex(), 4);
    QCOMPARE(w.m_strCurApp, QString("camera.app"));
    QCOMPARE(w.m_pAppsTable->rowCount(), 3);
    const QImage imageIcon = QIcon(":/image/FileIcon/image.png").pixmap(16).toImage();
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(w.m_pAppsTable->item(r, 0)->checkState(), Qt::Checked);
        QCOMPARE(w.m_pAppsTable->item(r, 0)->icon().pixmap(16).toImage(), imageIcon);
    }
    QCOMPARE(w.m_appPhotosTableMap["camera.app"], (SelectMap{{0, 100}, {1, 200}, {2, 300}}));

    // Unticking a file makes the application and the node partly ticked.
    PressRow(w.m_pAppsTable, 1, Qt::Unchecked, &DRUI::appsTableItemPress);
    QCOMPARE(w.m_appPhotosTableMap["camera.app"], (SelectMap{{0, 100}, {2, 300}}));
    QCOMPARE(w.m_pAppPhotosTable->item(0, 0)->checkState(), Qt::PartiallyChecked);
    QCOMPARE(Node(2)->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(w.m_pLabelSelect->text(), QString("Select 400 Bytes in 2 files"));
    PressRow(w.m_pAppsTable, 1, Qt::Checked, &DRUI::appsTableItemPress);
    QCOMPARE(w.m_pAppPhotosTable->item(0, 0)->checkState(), Qt::Checked);
    QCOMPARE(Node(2)->checkState(0), Qt::Checked);

    // A click on the "Folder" cell neither changes the selection nor the application row.
    w.m_pAppPhotosTable->item(0, 0)->setCheckState(Qt::Unchecked);
    w.appPhotosTableItemPress(0, 1);
    QCOMPARE(w.m_appPhotosTableMap["camera.app"].size(), size_t(3));
    QCOMPARE(w.m_pCurAppItem, w.m_pAppPhotosTable->item(0, 0));
    QVERIFY(!w.m_appPhotosTableMap.count("Folder"));

    // Pressing the unticked application empties its entry.
    w.appPhotosTableItemPress(0, 0);
    QVERIFY(w.m_appPhotosTableMap["camera.app"].empty());
    w.appPhotosTableItemSelectDoubleClick(0, 0);
    for (int r = 0; r < 3; ++r)
        QCOMPARE(w.m_pAppsTable->item(r, 0)->checkState(), Qt::Unchecked);
}

void TestResultsPage::messageBubbles()
{
    DRUI& w = *m_pWindow;
    __MESSAGE_INFO__ m;
    m.nHandleId = 4;
    m.strSender = "+1 555 0100";
    m.strContactName = "Ann";
    // Newest first: the owner's message leads.
    m.nIsFromMe = 1;
    m.strDate = "2024-05-02 09:00:00";
    m.strText = "she said \"hi\"\nthen <b>left</b>";
    w.m_mapMessage[4].push_back(m);
    m.nIsFromMe = 0;
    m.strDate = "2024-05-01 08:00:00";
    m.strText = "</script><img src=x onerror=alert(1)>";
    w.m_mapMessage[4].push_back(m);
    m.strText = "third";
    w.m_mapMessage[4].push_back(m);
    ShowScanResults();

    Select(4);
    QCOMPARE(w.m_pTypeStack->currentIndex(), 5);
    QVERIFY(w.m_pMessageView->isVisibleTo(w.m_pResultWidget));
    QWebEngineView* view = w.m_pMessageView;
    QTRY_COMPARE_WITH_TIMEOUT(Eval(view, "document.querySelectorAll('p').length").toInt(), 3, 20000);
    QCOMPARE(Eval(view, "document.querySelectorAll('p')[0].className").toString(),
             QString("triangle-right right"));
    const QString first = Eval(view, "document.querySelectorAll('p')[0].innerText").toString();
    QVERIFY2(first.startsWith("2024-05-02 09:00:00Me"), qPrintable(first));
    QVERIFY2(first.endsWith("she said \"hi\"\nthen <b>left</b>"), qPrintable(first));
    QCOMPARE(Eval(view, "document.querySelectorAll('b,img,script').length").toInt(), 0);
    QCOMPARE(Eval(view, "document.querySelectorAll('p')[1].className").toString(),
             QString("triangle-left left"));
    QVERIFY(Eval(view, "document.querySelectorAll('p')[1].innerText").toString().startsWith("2024-05-01 08:00:00Ann"));

    // Showing it again draws it afresh; a conversation no longer known leaves the view empty.
    w.tableItemClick(w.m_pMessageTable->item(0, 0));
    QCOMPARE(Eval(view, "document.querySelectorAll('p').length").toInt(), 3);
    w.m_mapMessage.erase(4);
    w.tableItemClick(w.m_pMessageTable->item(0, 0));
    QCOMPARE(Eval(view, "document.querySelectorAll('p').length").toInt(), 0);
}

void TestResultsPage::textPreviews()
{
    DRUI& w = *m_pWindow;
    w.m_vecContacts = {Contact("Ann", "+1 555")};
    __NOTES__ note;
    note.strTitle = "Shopping";
    note.strBody = "milk";
    w.m_vecNotes = {note};
    __CALLHISTORY__ call;
    call.strAddress = "123";
    w.m_vecCallHistory = {call};
    ShowScanResults();

    Select(6);
    QCOMPARE(w.m_pContactsDetail->text(), QString("Ann\n+1 555"));
    QVERIFY(w.m_pContactsDetail->isVisibleTo(w.m_pResultWidget));
    Select(8);
    QCOMPARE(w.m_pNotesDetail->text(), QString("Title:\nShopping\nNote:\nmilk"));

    __PERSON_CONTENT__ full = Contact("Bob", "2");
    full.strCompany = "Acme";
    full.strUrl = "http://b.example";
    full.strEmail = "b@example.com";
    w.m_vecContacts.push_back(full);
    w.m_pContactsTable->setRowCount(0);
    Select(6);
    w.m_pContactsTable->selectRow(1);
    QCOMPARE(w.m_pContactsDetail->text(), QString("Bob\n2\nAcme\nhttp://b.example\nb@example.com"));

    // Selecting a call shows nothing and changes no other preview.
    Select(7);
    w.m_pCallHistoryTable->selectRow(0);
    QCOMPARE(w.m_pContactsDetail->text(), QString("Bob\n2\nAcme\nhttp://b.example\nb@example.com"));
    QCOMPARE(w.m_pNotesDetail->text(), QString("Title:\nShopping\nNote:\nmilk"));
}

void TestResultsPage::picturePreview()
{
    DRUI& w = *m_pWindow;
    QImage tall(700, 2000, QImage::Format_RGB32);
    tall.fill(Qt::red);
    const QString tallPath = m_dir.filePath("tall.png");
    QVERIFY(tall.save(tallPath));
    QImage wide(701, 100, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    const QString widePath = m_dir.filePath("wide.png");
    QVERIFY(wide.save(widePath));
    w.m_vecCamera = {CameraFile("tall.png", 10, tallPath), CameraFile("wide.png", 10, widePath),
                     CameraFile("clip.mov", 10, m_dir.filePath("missing.mov"))};
    ShowScanResults();

    Select(0);  // shows the first row
    QCOMPARE(w.m_pCameraPreview->pixmap().size(), QSize(700, 2000));
    w.m_pCameraTable->selectRow(1);
    QCOMPARE(w.m_pCameraPreview->pixmap().size(), QSize(701, 100).scaled(750, 300, Qt::KeepAspectRatio));
    w.m_pCameraTable->selectRow(2);
    QVERIFY(w.m_pCameraPreview->pixmap().isNull());

    // An application row carries a name, not a picture: selecting one while the
    // camera roll was the last preview leaves that preview alone.
    w.m_pCameraTable->selectRow(0);
    _IPHONE_APP_FILE_INFO_ f;
    f.strAppName = "notes.app";
    f.strFileName = "n.png";
    w.m_vecAppFile = {f};
    w.RefreshAppFileNode();
    w.UpdateTreeInfo(Node(2), 0, true);
    w.m_pAppPhotosTable->selectRow(0);
    QCOMPARE(w.m_pCameraPreview->pixmap().size(), QSize(700, 2000));
}

void TestResultsPage::generatedBackup()
{
    DRUI& w = *m_pWindow;
    const QString dir = AddBackup(7);
    QVERIFY(!dir.isEmpty());
    QByteArray path = dir.toUtf8();
    QCOMPARE(w.m_backupFile.GetBackFileInfo(path.data(), &w.m_curBackupInfo), 0);
    w.m_backupFile.Init(&w.m_curBackupInfo);
    QCOMPARE(w.m_backupFile.Scan(QString()), 0);
    w.m_backupFile.GetBackupCameraFile(w.m_vecCamera, w.m_vecPhotoStream);
    w.m_backupFile.GetBackupFileMessageInfo(w.m_mapMessage);
    w.m_backupFile.GetBackupMsgAttachments(w.m_vecAttachments);
    w.m_backupFile.GetBackupFilePersonContent(w.m_vecContacts);
    w.m_backupFile.GetBackupFileHistoryCallInfo(w.m_vecCallHistory);
    w.m_backupFile.GetBackupFileNotes(w.m_vecNotes);
    w.m_backupFile.GetAppFileInfo(w.m_vecAppFile);
    w.RefreshAppFileNode();
    w.m_backupFile.GetWhatsappMessageInfo(w.m_mapWhatsapp);
    w.m_backupFile.GetWhatsAppAttachment(w.m_vecWhatsappAttach);
    QVERIFY(!w.m_mapMessage.empty());
    ShowScanResults();

    // Every category with records is ticked, all its rows ticked and in its map.
    long long rows = 0;
    const QList<QPair<int, SelectMap*>> maps = {
        {0, &w.m_cameraTableMap},   {1, &w.m_photoStreamTableMap}, {4, &w.m_messageTableMap},
        {5, &w.m_messAttachTableMap}, {6, &w.m_contactsTableMap},  {7, &w.m_callHistoryTableMap},
        {8, &w.m_notesTableMap},    {9, &w.m_whatsappTableMap},    {10, &w.m_whatsappAttachTableMap}};
    for (const auto& entry : maps) {
        const unsigned count = CategoryTree::Count(w, entry.first);
        QCOMPARE(Node(entry.first)->text(0), CategoryTree::Label(entry.first, count));
        QCOMPARE(Node(entry.first)->checkState(0), count ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(entry.second->size(), size_t(count));
        rows += count;
    }
    for (const AppSelectMap* apps : {&w.m_appPhotosTableMap, &w.m_appVideosTableMap})
        for (const auto& app : *apps)
            rows += static_cast<long long>(app.second.size());
    QVERIFY(w.m_pLabelSelect->text().endsWith(QString(" in %1 files").arg(rows)));
    QVERIFY(w.m_pBtnRecovery->isEnabled());

    // Every message of every conversation gets its bubble, whatever its text.
    Select(4);
    QCOMPARE(w.m_pMessageTable->rowCount(), int(w.m_mapMessage.size()));
    for (int r = 0; r < w.m_pMessageTable->rowCount(); ++r) {
        const unsigned key = w.m_pMessageTable->item(r, 0)->data(Qt::UserRole).toUInt();
        w.tableItemClick(w.m_pMessageTable->item(r, 0));
        QCOMPARE(Eval(w.m_pMessageView, "document.querySelectorAll('p').length").toInt(),
                 int(w.m_mapMessage[key].size()));
    }
    if (!w.m_mapWhatsapp.empty()) {
        Select(9);
        const unsigned key = w.m_pWhatsappTable->item(0, 0)->data(Qt::UserRole).toUInt();
        QCOMPARE(Eval(w.m_pWhatsappView, "document.querySelectorAll('p').length").toInt(),
                 int(w.m_mapWhatsapp[key].size()));
    }
}

QTEST_MAIN(TestResultsPage)
#include "tst_resultspage.moc"
