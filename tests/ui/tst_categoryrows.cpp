#include <QtTest>

#include <QTableWidget>

#include "engine/MessageConversation.h"
#include "ui/CategoryRows.h"

class TestCategoryRows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { RegisterRecordMetaTypes(); }
    void flaggedRecordsFirst();
    void conversationsAndChats();
    void callColumns();
    void mediaRowsCarryTheirRecord();
    void filledOnce();
    void contactsWithLabelledValues();
    void rowsReadTheSharedRecords();
};

static bool SameIcon(const QIcon& a, const QIcon& b)
{
    return a.pixmap(16).toImage() == b.pixmap(16).toImage();
}

void TestCategoryRows::flaggedRecordsFirst()
{
    PersonContentVec contacts(4);
    const char* names[] = {"Ann", "Bob", "Cid", "Dee"};
    for (int i = 0; i < 4; ++i) {
        contacts[size_t(i)].strName = names[i];
        contacts[size_t(i)].strPhone = "555";
    }
    contacts[1].nDeleted = 1;
    contacts[3].nDeleted = 1;
    QTableWidget table(0, 5);
    QCOMPARE(CategoryRows::FillContacts(&table, contacts, Qt::Checked), 4);

    // Flagged ones first, each group in its own order.
    QStringList order;
    for (int r = 0; r < 4; ++r)
        order << table.item(r, 0)->text();
    QCOMPARE(order, QStringList({"Bob", "Dee", "Ann", "Cid"}));

    const QColor orange(243, 115, 2);
    for (int c = 0; c < 5; ++c) {
        QCOMPARE(table.item(0, c)->foreground().color(), orange);
        QVERIFY(table.item(2, c)->foreground().style() == Qt::NoBrush);
    }
    QVERIFY(SameIcon(table.item(0, 0)->icon(), QIcon(":/image/delete.png")));
    QVERIFY(SameIcon(table.item(2, 0)->icon(), QIcon(":/image/contact.png")));
    // Each row carries its own record, so a row maps back whatever the order.
    QCOMPARE(table.item(1, 0)->data(Qt::UserRole).value<__PERSON_CONTENT__>().strName, std::string("Dee"));
    QCOMPARE(table.item(1, 0)->checkState(), Qt::Checked);
    QCOMPARE(table.rowHeight(0), CategoryRows::kRowHeight);

    NotesVec notes(2);
    notes[0].strTitle = "kept";
    notes[1].strTitle = "gone";
    notes[1].nDeleted = 1;
    QTableWidget notesTable(0, 3);
    CategoryRows::FillNotes(&notesTable, notes, Qt::Unchecked);
    QCOMPARE(notesTable.item(0, 0)->text(), QString("gone"));
    QCOMPARE(notesTable.item(0, 0)->checkState(), Qt::Unchecked);
}

void TestCategoryRows::conversationsAndChats()
{
    MessageMap conversations;
    __MESSAGE_INFO__ m;
    m.strContactName = "Ann";
    m.strSender = "+1 555";
    m.strDate = "2024-01-02 03:04:05";
    m.strText = "newest";
    conversations[3].push_back(m);
    m.strText = "older";
    conversations[3].push_back(m);
    conversations[5];  // a conversation without messages keeps its row
    m.strContactName = "Bob";
    m.nDeleted = 1;
    conversations[9].push_back(m);

    // A group row shows the group's name and its members' numbers, not its newest sender.
    const unsigned groupKey = GroupConversationKey(2);
    __MESSAGE_INFO__ g;
    g.nHandleId = static_cast<int>(groupKey);
    g.strContactName = "Ann";
    g.strSender = "+1 555";
    g.strChatName = "Ann, Cy";
    g.strChatNumbers = "+1 555, +1 777";
    g.strText = "group text";
    conversations[groupKey].push_back(g);

    QTableWidget table(0, 4);
    QCOMPARE(CategoryRows::FillMessages(&table, conversations, Qt::Checked), 4);
    QCOMPARE(table.item(3, 0)->data(Qt::UserRole).toUInt(), groupKey);
    QCOMPARE(table.item(3, 0)->text(), QString("Ann, Cy"));
    QCOMPARE(table.item(3, 1)->text(), QString("+1 555, +1 777"));
    QCOMPARE(table.item(3, 3)->text(), QString("group text"));
    QCOMPARE(table.item(0, 0)->text(), QString("Bob"));
    QCOMPARE(table.item(0, 0)->data(Qt::UserRole).toUInt(), 9u);
    QCOMPARE(table.item(1, 0)->data(Qt::UserRole).toUInt(), 3u);
    QCOMPARE(table.item(1, 1)->text(), QString("+1 555"));
    QCOMPARE(table.item(1, 2)->text(), QString("2024-01-02 03:04:05"));
    QCOMPARE(table.item(1, 3)->text(), QString("newest"));
    QCOMPARE(table.item(2, 0)->data(Qt::UserRole).toUInt(), 5u);
    QVERIFY(table.item(2, 0)->text().isEmpty());
    QVERIFY(table.item(1, 0)->icon().isNull());

    WhatsAppMessageMap chats;
    __WHATSAPP_MESSAGE__ w;
    w.strExtra3 = "Family";
    w.strSenderName = "Mum";
    w.strSenderId = "+44 1";
    chats[7].push_back(w);
    w.strExtra3 = "Work";
    w.strExtra1 = "Team";
    w.strExtra2 = "+44 2";
    chats[8].push_back(w);
    QTableWidget waTable(0, 3);
    CategoryRows::FillWhatsapp(&waTable, chats, Qt::Checked);
    QCOMPARE(waTable.item(0, 0)->text(), QString("Family"));
    QCOMPARE(waTable.item(0, 1)->text(), QString("Mum"));
    QCOMPARE(waTable.item(0, 2)->text(), QString("+44 1"));
    QCOMPARE(waTable.item(1, 1)->text(), QString("Team"));
    QCOMPARE(waTable.item(1, 2)->text(), QString("+44 2"));
}

void TestCategoryRows::callColumns()
{
    CallHistoryVec calls(3);
    calls[0].nAnswered = 0;
    calls[0].nDuration = 0;
    calls[1].nAnswered = 1;
    calls[1].nDuration = 0;
    calls[2].nAnswered = 1;
    calls[2].nDuration = 75;
    QTableWidget table(0, 5);
    CategoryRows::FillCalls(&table, calls, Qt::Checked);
    QCOMPARE(table.item(0, 3)->text(), QString("Outgoing"));
    QCOMPARE(table.item(0, 4)->text(), QString("Canceled"));
    QCOMPARE(table.item(1, 3)->text(), QString("Incoming"));
    QCOMPARE(table.item(1, 4)->text(), QString("Missed"));
    QVERIFY(!table.item(2, 4)->text().isEmpty());
    QVERIFY(table.item(2, 4)->text() != QString("Missed"));
}

void TestCategoryRows::mediaRowsCarryTheirRecord()
{
    CameraInfoVec files(2);
    files[0].strFileName = "IMG_0001.JPG";
    files[0].nSize = 1000;
    files[1].strFileName = "big.MOV";
    files[1].nSize = int(3000000000u);  // the low 32 bits of a 3 GB file
    QTableWidget table(0, 2);
    CategoryRows::FillCamera(&table, files, QIcon(), Qt::Unchecked);
    QCOMPARE(table.item(0, 1)->text(), QString("1000 Bytes"));
    QCOMPARE(table.item(1, 1)->text(), QString("2.79 GB"));
    QCOMPARE(table.item(0, 0)->data(Qt::UserRole).value<_IPHONE_CAMERA_INFO_>().strFileName,
             std::string("IMG_0001.JPG"));
    QVERIFY(table.item(0, 0)->foreground().style() == Qt::NoBrush);

    // A picture from Recently Deleted is flagged like a deleted note, in the row the
    // catalogue gave it: the selection maps rows to the container by index.
    files[1].nDeleted = 1;
    QTableWidget flagged(0, 2);
    CategoryRows::FillCamera(&flagged, files, QIcon(":/image/photo.png"), Qt::Unchecked);
    QCOMPARE(flagged.item(1, 0)->text(), QString("big.MOV"));
    QCOMPARE(flagged.item(1, 1)->foreground().color(), CategoryRows::FlaggedColor());
    QVERIFY(SameIcon(flagged.item(1, 0)->icon(), QIcon(":/image/delete.png")));
    QVERIFY(SameIcon(flagged.item(0, 0)->icon(), QIcon(":/image/photo.png")));

    AppFileMap apps;
    apps["whatsapp"];
    apps["apple.camera"];
    QTableWidget appTable(0, 2);
    CategoryRows::FillAppNames(&appTable, apps, QIcon(), Qt::Checked);
    QCOMPARE(appTable.item(0, 0)->text(), QString("apple.camera"));
    QCOMPARE(appTable.item(1, 1)->text(), QString("Folder"));

    std::vector<_IPHONE_APP_FILE_INFO_> appFiles(3);
    QTableWidget filesTable(5, 2);
    QCOMPARE(CategoryRows::FillAppFiles(&filesTable, appFiles), 3);
    QCOMPARE(filesTable.rowCount(), 3);
    QCOMPARE(CategoryRows::FillAppFiles(&filesTable, {}), 0);
    QCOMPARE(filesTable.rowCount(), 0);
}

void TestCategoryRows::filledOnce()
{
    NotesVec notes(2);
    QTableWidget table(0, 3);
    CategoryRows::FillNotes(&table, notes, Qt::Checked);
    notes.resize(5);
    QCOMPARE(CategoryRows::FillNotes(&table, notes, Qt::Checked), 2);
    QCOMPARE(table.rowCount(), 2);
    QCOMPARE(CategoryRows::FillNotes(nullptr, notes, Qt::Checked), 0);
}

void TestCategoryRows::contactsWithLabelledValues()
{
    __PERSON_CONTENT__ zed;
    zed.strName = "Zed Twin";
    zed.strCompany = "Acme";
    zed.vecPhones = {{"iPhone", "+1 (555) 765-4321"}, {"TextNow", "(555) 123-4567"}};
    zed.vecEmails = {{"_$!<Home>!$_", "z@example.com"}, {"", "y@example.com"}};
    zed.vecUrls = {{"_$!<HomePage>!$_", "http://z"}};
    zed.strNote = "two\nlines";
    QTableWidget table(0, 5);
    CategoryRows::FillContacts(&table, {zed}, Qt::Checked);
    QCOMPARE(table.item(0, 2)->text(), QString("iPhone: +1 (555) 765-4321, TextNow: (555) 123-4567"));
    QCOMPARE(table.item(0, 3)->text(), QString("z@example.com, y@example.com"));
    QCOMPARE(table.item(0, 4)->text(), QString("http://z"));
    QCOMPARE(CategoryRows::ContactPreviewText(zed),
             QString("Zed Twin\niPhone: +1 (555) 765-4321\nTextNow: (555) 123-4567\nAcme\nhome: z@example.com\n"
                     "y@example.com\nhomepage: http://z\nnote: two\nlines"));
    // Read from the full-text index alone: the texts as they stand.
    __PERSON_CONTENT__ old;
    old.strName = "Old";
    old.strPhone = "555 5550100";
    old.strEmail = "o@example.com";
    QCOMPARE(CategoryRows::ContactPreviewText(old), QString("Old\n555 5550100\no@example.com"));
}

void TestCategoryRows::rowsReadTheSharedRecords()
{
    CallHistoryVec calls(3);
    calls[0].strContactName = "Ann";
    calls[1].strContactName = "Bob";
    calls[1].nDeleted = 1;
    calls[2].strContactName = "Cid";
    QTableWidget table(0, 5);
    int inserted = 0, changed = 0;
    connect(table.model(), &QAbstractItemModel::rowsInserted, this, [&] { ++inserted; });
    connect(table.model(), &QAbstractItemModel::dataChanged, this, [&] { ++changed; });
    QCOMPARE(CategoryRows::FillCalls(&table, calls, Qt::Checked), 3);
    // One notice of the new rows (the search index listens for it), none per cell.
    QCOMPARE(inserted, 1);
    QCOMPARE(changed, 0);
    // Ticking a row afterwards is heard again, so the view repaints it.
    table.item(2, 0)->setCheckState(Qt::Unchecked);
    QVERIFY(changed > 0);

    // Rows show the records as they stand, by record rather than by row.
    QCOMPARE(table.item(0, 0)->text(), QString("Bob"));
    calls[2].strContactName = "Cyd";
    QCOMPARE(table.item(2, 0)->text(), QString("Cyd"));
    QCOMPARE(table.item(2, 0)->data(Qt::UserRole).value<__CALLHISTORY__>().strContactName, std::string("Cyd"));
    QVERIFY(!table.item(2, 1)->data(Qt::UserRole).isValid());
    // A text set on a cell is the cell's own.
    table.item(1, 3)->setText("edited");
    QCOMPARE(table.item(1, 3)->text(), QString("edited"));

    // Records released before their page (a new scan empties them first): the
    // rows show nothing rather than read what is gone.
    CallHistoryVec().swap(calls);
    QVERIFY(table.item(2, 0)->text().isEmpty());
    QVERIFY(!table.item(2, 0)->data(Qt::UserRole).isValid());
    QCOMPARE(table.item(2, 0)->checkState(), Qt::Unchecked);

    // Cleared and filled again from other records: the table and its model live on.
    CameraInfoVec files(2);
    files[1].strFileName = "IMG_0002.HEIC";
    QTableWidget media(0, 2);
    CategoryRows::FillCamera(&media, files, QIcon(), Qt::Checked);
    media.clearContents();
    media.setRowCount(0);
    CameraInfoVec others(1);
    others[0].strFileName = "IMG_0009.JPG";
    others[0].nSize = 2048;
    QCOMPARE(CategoryRows::FillCamera(&media, others, QIcon(), Qt::Checked), 1);
    QCOMPARE(media.item(0, 0)->text(), QString("IMG_0009.JPG"));
    QCOMPARE(media.item(0, 1)->text(), QString("2.00 KB"));
    QCOMPARE(media.item(0, 0)->data(Qt::UserRole).value<_IPHONE_CAMERA_INFO_>().nSize, 2048);
    QCOMPARE(media.model()->rowCount(), 1);
}

QTEST_MAIN(TestCategoryRows)
#include "tst_categoryrows.moc"
