#include <QtTest>

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWebEngineView>

#include <memory>

#include "PreviewEval.h"
#include "UiTestBase.h"
#include "ui/DRUI.h"

// The search field of the results page: it narrows the table on show, finds
// conversations by their messages, marks the matching bubbles and never
// touches the ticks or the selection summary.
class TestResultsSearch : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void narrowsAndRestoresEveryTable();
    void findsConversationsByMessageText();
    void filteringKeepsTheSelection();
    void followsRefilledTables();
    void generatedBackup();
    void recoveryOptionsReachTheSelection();

private:
    void ShowScanResults() { UiTestBase::ShowScanResults(*m_pWindow); }
    void Select(int category) { m_pWindow->m_pTree->setCurrentItem(m_pWindow->m_pTree->topLevelItem(category)); }
    void Type(const QString& text) { Field()->setText(text); }
    QLineEdit* Field() { return m_pWindow->findChild<QLineEdit*>(QStringLiteral("searchField")); }
    // Column-0 texts of the rows not hidden.
    static QStringList Shown(const QTableWidget* table);
    // Texts of the bubbles marked as found in a chat preview.
    static QStringList Marked(QWebEngineView* view);

    std::unique_ptr<DRUI> m_pWindow;
};

void TestResultsSearch::initTestCase()
{
    SetUpFolders();
}

void TestResultsSearch::init()
{
    m_pWindow = std::make_unique<DRUI>();
    m_pWindow->Init();
    m_pWindow->InitLayout3Widget();
    QVERIFY(Field());
}

void TestResultsSearch::cleanup()
{
    m_pWindow.reset();
}

QStringList TestResultsSearch::Shown(const QTableWidget* table)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->isRowHidden(row))
            texts << table->item(row, 0)->text();
    }
    return texts;
}

QStringList TestResultsSearch::Marked(QWebEngineView* view)
{
    return EvalInPreview(*view, QStringLiteral("Array.from(document.querySelectorAll('p.search-match'))"
                                               ".map(function(p){return p.textContent;})"))
        .toStringList();
}

static __MESSAGE_INFO__ Message(const char* who, const char* number, const char* text)
{
    __MESSAGE_INFO__ m;
    m.strContactName = who;
    m.strSender = number;
    m.strDate = "2024-05-01 08:00:00";
    m.strText = text;
    return m;
}

static __WHATSAPP_MESSAGE__ WhatsappMessage(const char* chat, const char* text)
{
    __WHATSAPP_MESSAGE__ m;
    m.strExtra3 = chat;
    m.strSenderName = chat;
    m.strText = text;
    return m;
}

void TestResultsSearch::narrowsAndRestoresEveryTable()
{
    DRUI& w = *m_pWindow;
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.HEIC", "beach.png"}) {
        _IPHONE_CAMERA_INFO_ f;
        f.strFileName = name;
        f.nSize = 100;
        w.m_vecCamera.push_back(f);
        w.m_vecPhotoStream.push_back(f);
    }
    for (const char* name : {"voice.m4a", "Beach party.jpg"}) {
        _IPHONE_ATTACHMENTS_ a;
        a.strFileName = name;
        a.nSize = 10;
        w.m_vecAttachments.push_back(a);
        _WHATSAPP_ATTACHMENTS_ wa;
        wa.strFileName = name;
        wa.nSize = 10;
        w.m_vecWhatsappAttach.push_back(wa);
    }
    __PERSON_CONTENT__ ann;
    ann.strName = "Ann Berg";
    ann.strPhone = "+1 (555) 010-0199";
    ann.strEmail = "ann@example.org";
    __PERSON_CONTENT__ bob;
    bob.strName = "Bob Öhman";
    bob.strCompany = "Northwind";
    bob.strPhone = "+46 8 123 456";
    w.m_vecContacts = {ann, bob};
    __CALLHISTORY__ call;
    call.strContactName = "Ann Berg";
    call.strAddress = "+15550100199";
    w.m_vecCallHistory.push_back(call);
    call.strContactName = "";
    call.strAddress = "+4681234567";
    w.m_vecCallHistory.push_back(call);
    __NOTES__ shopping;
    shopping.strTitle = "Shopping";
    shopping.strBody = "milk\neggs\nSaffron";
    __NOTES__ trip;
    trip.strTitle = "Trip";
    trip.strBody = "train at 8";
    w.m_vecNotes = {shopping, trip};
    for (const char* name : {"holiday.JPG", "notes.txt"}) {
        _IPHONE_APP_FILE_INFO_ f;
        f.strAppName = "Camera+";
        f.strFileName = name;
        w.m_vecAppFile.push_back(f);
    }
    _IPHONE_APP_FILE_INFO_ other;
    other.strAppName = "Snapseed";
    other.strFileName = "edit.png";
    w.m_vecAppFile.push_back(other);
    w.RefreshAppFileNode();
    ShowScanResults();

    const struct {
        int category;
        QTableWidget* table;
        const char* query;
        QStringList found;
    } cases[] = {
        {CATEGORY_CAMERA_ROLL, w.m_pCameraTable, "heic", {"IMG_0002.HEIC"}},
        {CATEGORY_PHOTO_STREAM, w.m_pPhotoStreamTable, "img_", {"IMG_0001.JPG", "IMG_0002.HEIC"}},
        {CATEGORY_MESSAGE_ATTACHMENTS, w.m_pMessAttachTable, "BEACH", {"Beach party.jpg"}},
        {CATEGORY_WHATSAPP_ATTACHMENTS, w.m_pWhatsappAttachTable, ".m4a", {"voice.m4a"}},
        // Contacts by name, company, number (as written or by digits) and e-mail.
        {CATEGORY_CONTACTS, w.m_pContactsTable, "öhman", {"Bob Öhman"}},
        {CATEGORY_CONTACTS, w.m_pContactsTable, "northwind", {"Bob Öhman"}},
        {CATEGORY_CONTACTS, w.m_pContactsTable, "5550100199", {"Ann Berg"}},
        {CATEGORY_CONTACTS, w.m_pContactsTable, "@example", {"Ann Berg"}},
        {CATEGORY_CALL_HISTORY, w.m_pCallHistoryTable, "+1 (555) 010", {"Ann Berg"}},
        {CATEGORY_CALL_HISTORY, w.m_pCallHistoryTable, "468123", {""}},
        // Notes by title and body.
        {CATEGORY_NOTES, w.m_pNotesTable, "trip", {"Trip"}},
        {CATEGORY_NOTES, w.m_pNotesTable, "saffron", {"Shopping"}},
        {CATEGORY_APP_PHOTOS, w.m_pAppPhotosTable, "snap", {"Snapseed"}},
        {CATEGORY_CAMERA_ROLL, w.m_pCameraTable, "nothing like it", {}},
    };
    for (const auto& c : cases) {
        const QString what = QStringLiteral("%1 / %2").arg(c.category).arg(c.query);
        Type(QString());
        Select(c.category);
        const int rows = c.table->rowCount();
        QVERIFY2(rows > 1, qPrintable(what));
        Type(QString::fromUtf8(c.query));
        QVERIFY2(Shown(c.table) == c.found, qPrintable(what + ": " + Shown(c.table).join('|')));
        // Clearing the field shows every row again, in its place.
        Type(QString());
        QVERIFY2(Shown(c.table).size() == rows, qPrintable(what));
    }

    // The query stays in the field and narrows each table chosen next.
    Type(QStringLiteral("ann"));
    Select(CATEGORY_CONTACTS);
    QCOMPARE(Shown(w.m_pContactsTable), QStringList{"Ann Berg"});
    Select(CATEGORY_CALL_HISTORY);
    QCOMPARE(Shown(w.m_pCallHistoryTable), QStringList{"Ann Berg"});
    Select(CATEGORY_NOTES);
    QVERIFY(Shown(w.m_pNotesTable).isEmpty());

    // An application's files, opened while a query stands, are narrowed at once.
    Type(QStringLiteral("holiday"));
    Select(CATEGORY_APP_PHOTOS);
    const int camera = w.m_pAppPhotosTable->findItems("Camera+", Qt::MatchExactly).first()->row();
    w.appPhotosTableItemSelectDoubleClick(camera, 0);
    QCOMPARE(w.m_pTypeStack->currentIndex(), 4);
    QCOMPARE(Shown(w.m_pAppsTable), QStringList{"holiday.JPG"});
    Type(QStringLiteral("TXT"));
    QCOMPARE(Shown(w.m_pAppsTable), QStringList{"notes.txt"});
}

void TestResultsSearch::findsConversationsByMessageText()
{
    DRUI& w = *m_pWindow;
    w.m_mapMessage[1] = {Message("Ann", "+1 555 0100", "Hello"),
                         Message("Ann", "+1 555 0100", "Bring the PUMPKIN pie"),
                         Message("Ann", "+1 555 0100", "see you")};
    w.m_mapMessage[2] = {Message("Bob", "+1 555 0111", "Where are you?"),
                         Message("Bob", "+1 555 0111", "pumpkins are orange")};
    w.m_mapMessage[3] = {Message("Cid", "cid@example.org", "nothing here")};
    w.m_mapWhatsapp[7] = {WhatsappMessage("Family", "dinner at eight"), WhatsappMessage("Family", "bring wine")};
    w.m_mapWhatsapp[8] = {WhatsappMessage("Climbing", "rope"), WhatsappMessage("Climbing", "Wine after?")};
    ShowScanResults();

    Select(CATEGORY_MESSAGE);
    QCOMPARE(w.m_pMessageTable->rowCount(), 3);
    // A word inside one message, not the first: both conversations holding it.
    Type(QStringLiteral("pumpkin"));
    QCOMPARE(Shown(w.m_pMessageTable), (QStringList{"Ann", "Bob"}));
    Type(QStringLiteral("pumpkin pie"));
    QCOMPARE(Shown(w.m_pMessageTable), QStringList{"Ann"});
    // The conversation found is previewed, the matching bubble marked.
    QTRY_COMPARE(Marked(w.m_pMessageView).size(), 1);
    QVERIFY(Marked(w.m_pMessageView).first().endsWith("Bring the PUMPKIN pie"));
    // Another query re-marks the bubbles of the same conversation.
    Type(QStringLiteral("e"));
    QCOMPARE(Shown(w.m_pMessageTable).size(), 3);
    QTRY_COMPARE(Marked(w.m_pMessageView).size(), 3);
    // The conversation's name and number find it as well.
    Type(QStringLiteral("cid@"));
    QCOMPARE(Shown(w.m_pMessageTable), QStringList{"Cid"});
    Type(QStringLiteral("5550111"));
    QCOMPARE(Shown(w.m_pMessageTable), QStringList{"Bob"});
    // A query is text: markup or script in it finds nothing and breaks nothing.
    Type(QStringLiteral("\"</p><script>x</script>'"));
    QVERIFY(Shown(w.m_pMessageTable).isEmpty());
    Type(QStringLiteral("pumpkins"));
    QCOMPARE(Shown(w.m_pMessageTable), QStringList{"Bob"});
    QTRY_COMPARE(Marked(w.m_pMessageView), QStringList{"2024-05-01 08:00:00Bobpumpkins are orange"});
    // Clearing the field unmarks every bubble.
    Type(QString());
    QTRY_VERIFY(Marked(w.m_pMessageView).isEmpty());
    QCOMPARE(Shown(w.m_pMessageTable).size(), 3);

    Select(CATEGORY_WHATSAPP);
    Type(QStringLiteral("WINE"));
    QCOMPARE(Shown(w.m_pWhatsappTable), (QStringList{"Family", "Climbing"}));
    Type(QStringLiteral("wine after"));
    QCOMPARE(Shown(w.m_pWhatsappTable), QStringList{"Climbing"});
    QTRY_COMPARE(Marked(w.m_pWhatsappView), QStringList{"Wine after?"});
}

void TestResultsSearch::filteringKeepsTheSelection()
{
    DRUI& w = *m_pWindow;
    for (int i = 0; i < 6; ++i) {
        _IPHONE_CAMERA_INFO_ f;
        f.strFileName = QStringLiteral("%1_%2.JPG").arg(i % 2 ? "odd" : "even").arg(i).toStdString();
        f.nSize = 1000 * (i + 1);
        w.m_vecCamera.push_back(f);
    }
    w.m_mapMessage[1] = {Message("Ann", "1", "apple")};
    w.m_mapMessage[2] = {Message("Bob", "2", "pear")};
    ShowScanResults();
    Select(CATEGORY_CAMERA_ROLL);
    // Row 1 unticked by hand before the search.
    w.m_pCameraTable->item(1, 0)->setCheckState(Qt::Unchecked);
    w.cameraTableItemPress(1, 0);
    const SelectMap before = w.m_cameraTableMap;
    const QString summary = w.m_pLabelSelect->text();
    QCOMPARE(before.size(), size_t(5));

    Type(QStringLiteral("odd"));
    QCOMPARE(Shown(w.m_pCameraTable), (QStringList{"odd_1.JPG", "odd_3.JPG", "odd_5.JPG"}));
    // Hidden rows keep their ticks; the summary still counts them.
    QCOMPARE(w.m_cameraTableMap, before);
    QCOMPARE(w.m_pLabelSelect->text(), summary);
    for (int row : {0, 2, 4})
        QCOMPARE(w.m_pCameraTable->item(row, 0)->checkState(), Qt::Checked);
    QCOMPARE(w.m_pCameraTable->item(1, 0)->checkState(), Qt::Unchecked);

    // A row ticked while the table is narrowed enters the map by its real row.
    w.m_pCameraTable->item(1, 0)->setCheckState(Qt::Checked);
    w.cameraTableItemPress(1, 0);
    QCOMPARE(w.m_cameraTableMap.size(), size_t(6));
    QCOMPARE(w.m_cameraTableMap.at(1), 2000u);
    QCOMPARE(w.m_pTree->topLevelItem(CATEGORY_CAMERA_ROLL)->checkState(0), Qt::Checked);
    w.m_pCameraTable->item(3, 0)->setCheckState(Qt::Unchecked);
    w.cameraTableItemPress(3, 0);
    const QString narrowed = w.m_pLabelSelect->text();
    QVERIFY(narrowed.endsWith(" in 7 files"));  // five photos and two conversations

    // With every row hidden, no key reaches a row unseen.
    Type(QStringLiteral("no such photo"));
    QVERIFY(Shown(w.m_pCameraTable).isEmpty());
    QTest::keyClick(w.m_pCameraTable, Qt::Key_Space);
    QCOMPARE(w.m_pCameraTable->item(3, 0)->checkState(), Qt::Unchecked);
    QCOMPARE(w.m_pCameraTable->item(1, 0)->checkState(), Qt::Checked);
    QCOMPARE(w.m_pLabelSelect->text(), narrowed);
    Type(QStringLiteral("odd"));

    // Other categories, filtered or not, keep theirs too.
    Select(CATEGORY_MESSAGE);
    QVERIFY(Shown(w.m_pMessageTable).isEmpty());
    QCOMPARE(w.m_messageTableMap.size(), size_t(2));
    QCOMPARE(w.m_pLabelSelect->text(), narrowed);

    // Clearing restores every row with the tick it had.
    Type(QString());
    Select(CATEGORY_CAMERA_ROLL);
    QCOMPARE(Shown(w.m_pCameraTable).size(), 6);
    for (int row = 0; row < 6; ++row)
        QCOMPARE(w.m_pCameraTable->item(row, 0)->checkState(), row == 3 ? Qt::Unchecked : Qt::Checked);
    QCOMPARE(w.m_pLabelSelect->text(), narrowed);

    // What the recovery gathers is the whole selection, hidden rows included.
    Type(QStringLiteral("even"));
    w.GatherRecoverySelection();
    QCOMPARE(w.m_recoverySelection.vecCamera.size(), size_t(5));
    QCOMPARE(w.m_recoverySelection.vecMessageKeys.size(), size_t(2));
}

void TestResultsSearch::followsRefilledTables()
{
    DRUI& w = *m_pWindow;
    for (const char* app : {"Alpha", "Beta"}) {
        for (int i = 0; i < 2; ++i) {
            _IPHONE_APP_FILE_INFO_ f;
            f.strAppName = app;
            f.strFileName = QStringLiteral("%1-%2.jpg").arg(app).arg(i).toStdString();
            w.m_vecAppFile.push_back(f);
        }
    }
    w.RefreshAppFileNode();
    ShowScanResults();
    Select(CATEGORY_APP_PHOTOS);
    w.appPhotosTableItemSelectDoubleClick(0, 0);
    Type(QStringLiteral("alpha-1"));
    QCOMPARE(Shown(w.m_pAppsTable), QStringList{"Alpha-1.jpg"});
    // Another application with as many files: its own names are searched.
    Type(QString());
    w.appPhotosTableItemSelectDoubleClick(1, 0);
    Type(QStringLiteral("beta-1"));
    QCOMPARE(Shown(w.m_pAppsTable), QStringList{"Beta-1.jpg"});
    Type(QStringLiteral("alpha"));
    QVERIFY(Shown(w.m_pAppsTable).isEmpty());

    // A new scan's page starts with an empty field and whole tables.
    w.InitLayout3Widget();
    ShowScanResults();
    QVERIFY(Field() && Field()->text().isEmpty());
    Select(CATEGORY_APP_PHOTOS);
    QCOMPARE(Shown(w.m_pAppPhotosTable).size(), 2);
}

void TestResultsSearch::generatedBackup()
{
    DRUI& w = *m_pWindow;
    const QString dir = AddBackup(11);
    QVERIFY(!dir.isEmpty());
    QByteArray path = dir.toUtf8();
    QCOMPARE(w.m_backupFile.GetBackFileInfo(path.data(), &w.m_curBackupInfo), 0);
    w.m_backupFile.Init(&w.m_curBackupInfo);
    QCOMPARE(w.m_backupFile.Scan(QString()), 0);
    w.m_backupFile.GetBackupFileMessageInfo(w.m_mapMessage);
    QVERIFY(w.m_mapMessage.size() > 1);
    ShowScanResults();
    Select(CATEGORY_MESSAGE);

    // The last message of each conversation finds that conversation, shown
    // with at least one marked bubble.
    int checked = 0;
    for (const auto& conversation : w.m_mapMessage) {
        // One line: the field holds no line breaks.
        const QString text = QString::fromStdString(conversation.second.back().strText).split('\n').first();
        if (text.size() < 6 || checked >= 5)
            continue;
        Type(text);
        QList<QTableWidgetItem*> shown;
        for (int row = 0; row < w.m_pMessageTable->rowCount(); ++row) {
            if (!w.m_pMessageTable->isRowHidden(row))
                shown << w.m_pMessageTable->item(row, 0);
        }
        bool found = false;
        for (const QTableWidgetItem* item : shown)
            found = found || item->data(Qt::UserRole).toUInt() == conversation.first;
        QVERIFY2(found, qPrintable(text));
        QTRY_VERIFY(!Marked(w.m_pMessageView).isEmpty());
        ++checked;
    }
    QVERIFY(checked > 0);
    Type(QString());
    QCOMPARE(Shown(w.m_pMessageTable).size(), int(w.m_mapMessage.size()));
}

void TestResultsSearch::recoveryOptionsReachTheSelection()
{
    DRUI& w = *m_pWindow;
    auto* enabled = w.findChild<QCheckBox*>(QStringLiteral("dateRangeEnabled"));
    auto* from = w.findChild<QDateEdit*>(QStringLiteral("dateFrom"));
    auto* to = w.findChild<QDateEdit*>(QStringLiteral("dateTo"));
    auto* skip = w.findChild<QCheckBox*>(QStringLiteral("skipRecovered"));
    QVERIFY(enabled && from && to && skip);

    // Off by default: an open range, nothing skipped, the days not editable.
    QVERIFY(!enabled->isChecked() && !skip->isChecked());
    QVERIFY(!from->isEnabled() && !to->isEnabled());
    w.GatherRecoverySelection();
    QVERIFY(w.m_recoverySelection.dateRange.IsOpen());
    QVERIFY(!w.m_recoverySelection.bSkipIdentical);

    // The days chosen reach the run only while the range is ticked.
    from->setDate(QDate(2024, 1, 5));
    to->setDate(QDate(2024, 2, 1));
    w.GatherRecoverySelection();
    QVERIFY(w.m_recoverySelection.dateRange.IsOpen());
    enabled->click();
    QVERIFY(from->isEnabled() && to->isEnabled());
    skip->click();
    w.GatherRecoverySelection();
    QCOMPARE(w.m_recoverySelection.dateRange.since, QDate(2024, 1, 5));
    QCOMPARE(w.m_recoverySelection.dateRange.until, QDate(2024, 2, 1));
    QVERIFY(w.m_recoverySelection.bSkipIdentical);
    QVERIFY(w.m_recoverySelection.dateRange.Contains(QDateTime(QDate(2024, 2, 1), QTime(23, 0))));
    QVERIFY(!w.m_recoverySelection.dateRange.Contains(QDateTime(QDate(2024, 2, 2), QTime(0, 30))));

    // Ends the wrong way round mean the days between them, never an empty range.
    to->setDate(QDate(2023, 12, 1));
    w.GatherRecoverySelection();
    QCOMPARE(w.m_recoverySelection.dateRange.since, QDate(2023, 12, 1));
    QCOMPARE(w.m_recoverySelection.dateRange.until, QDate(2024, 1, 5));
    to->setDate(QDate(2024, 1, 5));
    w.GatherRecoverySelection();
    QCOMPARE(w.m_recoverySelection.dateRange.since, w.m_recoverySelection.dateRange.until);
    QVERIFY(w.m_recoverySelection.dateRange.Contains(QDateTime(QDate(2024, 1, 5), QTime(12, 0))));

    // Unticked again: open; the skip option is independent of it.
    enabled->click();
    w.GatherRecoverySelection();
    QVERIFY(w.m_recoverySelection.dateRange.IsOpen());
    QVERIFY(w.m_recoverySelection.bSkipIdentical);

    // A new scan's page starts with both off.
    w.InitLayout3Widget();
    QVERIFY(!w.findChild<QCheckBox*>(QStringLiteral("dateRangeEnabled"))->isChecked());
    QVERIFY(!w.findChild<QCheckBox*>(QStringLiteral("skipRecovered"))->isChecked());
    w.GatherRecoverySelection();
    QVERIFY(w.m_recoverySelection.dateRange.IsOpen());
    QVERIFY(!w.m_recoverySelection.bSkipIdentical);
}

QTEST_MAIN(TestResultsSearch)
#include "tst_resultssearch.moc"
