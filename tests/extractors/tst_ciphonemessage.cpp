#include <QtTest>

#include <set>

#include "ExtractorFixtures.h"
#include "engine/MessageConversation.h"
#include "extractors/CIPhoneMessage.h"
#include "extractors/MessageAttachments.h"

class TestCIPhoneMessage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsGeneratedDatabase();
    void linksAttachments();
    void namesFromEitherAddressBookNumbering();
    void keysAscendingAndNewestFirst();
    void equalAndMissingDates();
    void largeIdsKeepTheirFiles();
    void groupChatsAreOneConversation();
    void olderChatTables();
    void progressAndEarlyStop();
    void badDatabasesGiveNothing();
    void copiesDatabaseWithoutOverwriting();

private:
    QTemporaryDir m_dir;
    QString m_strSms, m_strOldSms, m_strBook, m_strOldBook;
};

namespace {
std::vector<int> g_reports;
int g_stopAt = -1;
int Record(void*, int position)
{
    g_reports.push_back(position);
    return position == g_stopAt ? 3 : 0;
}

const __MESSAGE_INFO__* ByRowId(const MessageMap& map, int rowId, int* count = nullptr)
{
    const __MESSAGE_INFO__* found = nullptr;
    int n = 0;
    for (const auto& conv : map)
        for (const auto& m : conv.second)
            if (m.nRowId == rowId) {
                found = &m;
                ++n;
            }
    if (count)
        *count = n;
    return found;
}
// Reads into `map` a database of the two tables every message database has
// (handle, message) plus `more` statements; false when it could not be made.
bool ReadPlainDatabase(const QString& path, const QStringList& more, MessageMap& map)
{
    const QStringList tables = {
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, "
        "date INTEGER, is_from_me INTEGER)",
    };
    if (!MakeDatabase(path, tables + more))
        return false;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader;
    reader.GetSMSInfo(path.toUtf8().constData(), "", map, maxRowId);
    return true;
}
} // namespace

void TestCIPhoneMessage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Small);
    m_strSms = m_dir.filePath("sms.db");
    m_strOldSms = m_dir.filePath("old sms #1.db");
    m_strBook = m_dir.filePath("ab.sqlitedb");
    m_strOldBook = m_dir.filePath("ab9.sqlitedb");
    QString error;
    QVERIFY2(WriteSmsDatabase(m_strSms, scale, 11, true, &error), qPrintable(error));
    QVERIFY2(WriteSmsDatabase(m_strOldSms, scale, 11, false, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strBook, scale, 11, true, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strOldBook, scale, 11, false, &error), qPrintable(error));
}

void TestCIPhoneMessage::readsGeneratedDatabase()
{
    const QStringList before = FilesIn(m_dir.path());
    MessageMap map;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader(0, true);
    QCOMPARE(reader.GetSMSInfo(m_strSms.toUtf8().constData(), m_strBook.toUtf8().constData(), map,
                               maxRowId),
             0);
    // Reading never writes beside the databases (no journal, -wal or -shm files).
    QCOMPARE(FilesIn(m_dir.path()), before);

    // Row 7 has no text at all: dropped, but it still counts for the largest row id.
    QCOMPARE(maxRowId, 2000ULL);
    QVERIFY(!ByRowId(map, 7));

    // A message joined to two chats is listed once.
    int count = 0;
    const __MESSAGE_INFO__* m1 = ByRowId(map, 1, &count);
    QVERIFY(m1);
    QCOMPARE(count, 1);
    QCOMPARE(m1->strText, Utf8("Hi, it's Ann 😀 \"quotes\" & <b>tags</b>\nsecond line"));
    QCOMPARE(m1->strSender, Utf8("+15551234567"));
    QCOMPARE(m1->strContactName, Utf8("Ann Lee")); // Ann comes before Zed, who has the number too
    QCOMPARE(m1->nIsFromMe, 0);
    QCOMPARE(m1->nHandleId, 1);
    QCOMPARE(m1->nDeleted, 0);
    QVERIFY(m1->strSpare.empty());

    // Text only in attributedBody.
    const __MESSAGE_INFO__* m2 = ByRowId(map, 2);
    QVERIFY(m2);
    QCOMPARE(m2->strText, Utf8("Sent from attributedBody ✓"));
    QCOMPARE(m2->nIsFromMe, 1);

    // Attachment placeholders are dropped; a message made of attachments alone has
    // no text but is kept for them.
    QCOMPARE(ByRowId(map, 3)->strText, Utf8("Look at this"));
    QVERIFY(ByRowId(map, 10));
    QVERIFY(ByRowId(map, 10)->strText.empty());
    QCOMPARE(int(ByRowId(map, 10)->vecAttachments.size()), 3);

    // Seconds-era and nanosecond-era dates give the same text.
    QCOMPARE(ByRowId(map, 4)->strDate, Utf8("2020-01-06 10:40:00"));
    QCOMPARE(ByRowId(map, 11)->strDate, Utf8("2020-01-06 10:40:00"));

    // Your own message in a group chat (handle_id 0) is kept, in its group.
    const __MESSAGE_INFO__* m5 = ByRowId(map, 5);
    QVERIFY(m5);
    QCOMPARE(unsigned(m5->nHandleId), GroupConversationKey(3));

    // Substring matching: a shorter form of Ann's number still names her; an
    // e-mail address matches nobody's phone text; a stranger stays unnamed.
    QCOMPARE(ByRowId(map, 8)->strContactName, Utf8("Ann Lee"));
    QVERIFY(ByRowId(map, 9)->strContactName.empty());
    QCOMPARE(ByRowId(map, 6)->strContactName, Utf8("José Müller 😀"));

    // Every record is filed under its own handle and has text or attachments.
    size_t total = 0;
    for (const auto& conv : map) {
        for (const auto& m : conv.second) {
            QCOMPARE((unsigned int)m.nHandleId, conv.first);
            QVERIFY(!m.strText.empty() || !m.vecAttachments.empty());
            QVERIFY(m.strText.find("\xEF\xBF\xBC") == std::string::npos);
            QCOMPARE(int(m.strDate.size()), 19);
        }
        total += conv.second.size();
    }
    QVERIFY(total > 1800);
}

void TestCIPhoneMessage::linksAttachments()
{
    for (const QString& db : {m_strSms, m_strOldSms}) {
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader(0, true);
        reader.GetSMSInfo(db.toUtf8().constData(), m_strBook.toUtf8().constData(), map, maxRowId);
        // Two pictures on one message, in the database's order, named as sent.
        const std::vector<_MESSAGE_ATTACHMENT_>& m3 = ByRowId(map, 3)->vecAttachments;
        QCOMPARE(int(m3.size()), 2);
        QCOMPARE(m3[0].strName, Utf8("IMG_4021.JPG"));
        QCOMPARE(m3[0].strMimeType, Utf8("image/jpeg"));
        QCOMPARE(m3[1].strName, Utf8("IMG_4022.HEIC"));
        // "~/Library/SMS/..." is where MediaDomain keeps it; no stored file is looked up here.
        QVERIFY(QString::fromStdString(m3[1].strManifestName)
                    .startsWith("MediaDomain-Library/SMS/Attachments/"));
        QVERIFY(QString::fromStdString(m3[1].strManifestName).endsWith("/IMG_4022.HEIC"));
        QVERIFY(m3[1].wstrFullPath.empty());
        QVERIFY(m3[1].nSize > 0);
        // Voice message and PDF in the group; the transfer name, not the file's, is shown.
        QCOMPARE(ByRowId(map, 6)->vecAttachments.at(1).strName, Utf8("Audio Message.caf"));
        QCOMPARE(ByRowId(map, 6)->vecAttachments.at(1).strMimeType, Utf8("audio/x-caf"));
        QCOMPARE(ByRowId(map, 5)->vecAttachments.at(0).strName, Utf8("Trip plan.pdf"));
        const _MESSAGE_ATTACHMENT_& odd = ByRowId(map, 10)->vecAttachments.at(1);
        QCOMPARE(odd.strName, Utf8("../Notes #2 \"draft\"?.txt"));
        QVERIFY(QString::fromStdString(odd.strManifestName).endsWith("/Notes #2 \"draft\"?.txt"));
        // Messages without attachments carry none.
        QVERIFY(ByRowId(map, 1)->vecAttachments.empty());
    }

    QCOMPARE(SmsAttachmentManifestName("~/Library/SMS/Attachments/ab/01/G/a b.jpg"),
             std::string("MediaDomain-Library/SMS/Attachments/ab/01/G/a b.jpg"));
    QCOMPARE(SmsAttachmentManifestName("/var/mobile/Library/SMS/Attachments/x.caf"),
             std::string("MediaDomain-Library/SMS/Attachments/x.caf"));
    QCOMPARE(SmsAttachmentManifestName("/private/var/mobile/Library/SMS/Attachments/x.caf"),
             std::string("MediaDomain-Library/SMS/Attachments/x.caf"));
    QVERIFY(SmsAttachmentManifestName("/etc/passwd").empty());
    QVERIFY(SmsAttachmentManifestName("~/").empty());
    QVERIFY(SmsAttachmentManifestName("").empty());
}

void TestCIPhoneMessage::namesFromEitherAddressBookNumbering()
{
    // An iOS 9 address book (c15Phone) read by a backup of either layout, and a
    // newer one read by an old-layout backup: the other numbering is tried.
    const std::pair<QString, bool> cases[] = {
        {m_strOldBook, false}, {m_strOldBook, true}, {m_strBook, false}};
    for (const auto& c : cases) {
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader(0, c.second);
        reader.GetSMSInfo(m_strOldSms.toUtf8().constData(), c.first.toUtf8().constData(), map, maxRowId);
        const __MESSAGE_INFO__* m1 = ByRowId(map, 1);
        QVERIFY(m1);
        QCOMPARE(m1->strContactName, Utf8("Ann Lee"));
        // The older database keeps seconds: still the right date text.
        QCOMPARE(ByRowId(map, 11)->strDate, Utf8("2020-01-06 10:40:00"));
    }
}

void TestCIPhoneMessage::keysAscendingAndNewestFirst()
{
    const QString path = m_dir.filePath("order.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, "
        "date INTEGER, is_from_me INTEGER)",
        "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER)",
        "INSERT INTO handle VALUES (3, 'three'), (7, 'seven')",
        "INSERT INTO message VALUES (1, 'a', 7, 600000000, 0), (2, 'b', 3, 600000100, 1), "
        "(3, 'c', 7, 600000200, 0), (4, '', 3, 600000300, 0), (5, 'd', 3, 500000000, 0)",
        "INSERT INTO chat_message_join VALUES (1, 1), (1, 2), (1, 3), (1, 4), (1, 5)",
    }));
    MessageMap map;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader;
    reader.GetSMSInfo(path.toUtf8().constData(), "", map, maxRowId);
    QCOMPARE(maxRowId, 5ULL);
    QCOMPARE(int(map.size()), 2);
    QCOMPARE(map.begin()->first, 3u);
    QCOMPARE(map.rbegin()->first, 7u);
    QCOMPARE(int(map[3].size()), 2); // the empty text is dropped
    QCOMPARE(map[3][0].strText, Utf8("b"));
    QCOMPARE(map[3][1].strText, Utf8("d"));
    QCOMPARE(map[7][0].strText, Utf8("c"));
    QCOMPARE(map[7][1].strText, Utf8("a"));
    // No address book: names stay empty.
    QVERIFY(map[7][0].strContactName.empty());
}

// Messages of one date stay in the database's order, a message without a date
// comes last, and what the map already held stays in front.
void TestCIPhoneMessage::equalAndMissingDates()
{
    MessageMap map;
    map[3].resize(1);
    map[3][0].strText = "kept";
    QVERIFY(ReadPlainDatabase(m_dir.filePath("dates.db"),
                              {"INSERT INTO handle VALUES (3, 'three'), (4, 'four')",
                               "INSERT INTO message VALUES (1, 'a', 3, 600000000, 0), (2, 'b', 3, 600000000, 1), "
                               "(3, 'c', 3, NULL, 0), (4, 'd', 3, 600000100, 0), (5, 'e', 3, 600000000, 0), "
                               "(6, 'f', 4, 1, 0), (7, 'g', 4, 1, 0)"},
                              map));
    QStringList texts;
    for (const auto& conversation : map)
        for (const __MESSAGE_INFO__& m : conversation.second)
            texts << QString::fromStdString(m.strText);
    QCOMPARE(texts, (QStringList {"kept", "d", "a", "b", "e", "c", "f", "g"}));
    QCOMPARE(map[3][5].strDate, std::string());
    QCOMPARE(map[4][0].strDate, std::string("2001-01-01 00:00:01"));
}

void TestCIPhoneMessage::largeIdsKeepTheirFiles()
{
    MessageMap map;
    QVERIFY(ReadPlainDatabase(
        m_dir.filePath("large ids.db"),
        {"CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY, filename TEXT, transfer_name TEXT)",
         "CREATE TABLE message_attachment_join (message_id INTEGER, attachment_id INTEGER)",
         "INSERT INTO handle VALUES (5, 'five'), (3000000, 'three million'), (2147483000, 'far')",
         "INSERT INTO message VALUES (2, 'small', 5, 600000000, 0), (3, 'none', 5, 600000001, 0), "
         "(100000000, 'large', 3000000, 600000002, 0), (100000001, 'none either', 2147483000, 600000003, 0), "
         "(4611686018427387904, 'huge', 2147483000, 600000004, 0)",
         "INSERT INTO attachment VALUES (1, '~/Library/SMS/Attachments/a.jpg', 'a.jpg'), "
         "(2, '~/Library/SMS/Attachments/b.jpg', 'b.jpg'), (3, '~/Library/SMS/Attachments/c.jpg', 'c.jpg')",
         "INSERT INTO message_attachment_join VALUES (2, 1), (100000000, 2), (4611686018427387904, 3)"},
        map));
    QStringList seen;
    for (const auto& conversation : map)
        for (const __MESSAGE_INFO__& m : conversation.second)
            seen << QStringLiteral("%1:%2:%3")
                        .arg(conversation.first)
                        .arg(QString::fromStdString(m.strText))
                        .arg(m.vecAttachments.empty() ? QString()
                                                      : QString::fromStdString(m.vecAttachments[0].strName));
    QCOMPARE(seen,
             (QStringList {"5:none:", "5:small:a.jpg", "3000000:large:b.jpg", "2147483000:huge:c.jpg",
                           "2147483000:none either:"}));
}

void TestCIPhoneMessage::groupChatsAreOneConversation()
{
    for (const QString& path : {m_strSms, m_strOldSms}) {
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.GetSMSInfo(path.toUtf8().constData(), m_strBook.toUtf8().constData(), map, maxRowId);
        const std::string ann = ByRowId(map, 1)->strContactName;
        QVERIFY(!ann.empty());

        // The named group: the owner's handle-0 message and two members' messages, one
        // conversation, each message with its own sender.
        const unsigned family = GroupConversationKey(3);
        QVERIFY(IsGroupConversationKey(family));
        QVERIFY(map.count(family));
        std::set<int> rows;
        for (const __MESSAGE_INFO__& m : map.at(family)) {
            rows.insert(m.nRowId);
            QCOMPARE(unsigned(m.nHandleId), family);
            QCOMPARE(m.strChatName, Utf8("Family, Friends 🎉"));
            QCOMPARE(m.strChatNumbers, Utf8("+15551234567, +4915112345678, +19995550000"));
            QCOMPARE(ConversationName(m), m.strChatName);
        }
        QVERIFY(rows.count(5) && rows.count(6) && rows.count(12));
        const __MESSAGE_INFO__* me = ByRowId(map, 5);
        QCOMPARE(me->strContactName, Utf8("Me"));
        QVERIFY(me->strSender.empty());
        QCOMPARE(MessageSenderName(*me), Utf8("Me"));
        const __MESSAGE_INFO__* jose = ByRowId(map, 6);
        QCOMPARE(jose->strSender, Utf8("+4915112345678"));
        QVERIFY(jose->strContactName.rfind("José", 0) == 0);
        const __MESSAGE_INFO__* annInGroup = ByRowId(map, 12);
        QCOMPARE(annInGroup->strSender, Utf8("+15551234567"));
        QCOMPARE(annInGroup->strContactName, ann);
        QCOMPARE(annInGroup->nIsFromMe, 0);

        // A member's one-to-one conversation keeps only its own messages; José wrote
        // only in groups, and no owner's message is left without a conversation.
        for (const __MESSAGE_INFO__& m : map.at(1))
            QVERIFY(m.nRowId != 12 && m.strChatName.empty());
        QVERIFY(!map.count(3));
        QVERIFY(!map.count(0));

        // Message 6 is joined to both groups: listed once, in the lower chat.
        int count = 0;
        ByRowId(map, 6, &count);
        QCOMPARE(count, 1);

        // The unnamed group is named by its members: a contact's name, else the number.
        const unsigned unnamed = GroupConversationKey(7);
        QVERIFY(map.count(unnamed));
        QCOMPARE(int(map.at(unnamed).size()), 2);
        const __MESSAGE_INFO__& newest = map.at(unnamed).front();
        QCOMPARE(newest.strChatName, jose->strContactName + ", +19995550000");
        QCOMPARE(newest.strChatNumbers, Utf8("+4915112345678, +19995550000"));
        QCOMPARE(newest.strText, Utf8("Stranger in the unnamed group"));
        QVERIFY(newest.strContactName.empty());
        QCOMPARE(MessageSenderName(newest), Utf8("+19995550000"));
        QCOMPARE(map.at(unnamed).back().strContactName, Utf8("Me"));

        // One-to-one conversations stay keyed by handle with their names.
        QCOMPARE(ConversationName(map.at(1).front()), ann);
        QCOMPARE(ConversationNumber(map.at(1).front()), Utf8("+15551234567"));
    }

    // The generator's own count of conversations, groups and shown messages.
    for (const bool modern : {true, false}) {
        const QString path = m_dir.filePath(modern ? "expect-new.db" : "expect-old.db");
        SmsExpectation expect;
        QString error;
        QVERIFY2(WriteSmsDatabase(path, PhoneDataScaleFor(SampleOptions::Scale::Small), 5, modern, &error, &expect),
                 qPrintable(error));
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.GetSMSInfo(path.toUtf8().constData(), "", map, maxRowId);
        int groups = 0;
        int messages = 0;
        for (const auto& conv : map) {
            groups += IsGroupConversationKey(conv.first) ? 1 : 0;
            messages += int(conv.second.size());
        }
        QCOMPARE(int(map.size()), expect.nConversations);
        QCOMPARE(groups, expect.nGroupConversations);
        QCOMPARE(messages, expect.nMessages);
        QVERIFY(groups >= 4);
    }
}

void TestCIPhoneMessage::olderChatTables()
{
    const QStringList base = {
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, date INTEGER, "
        "is_from_me INTEGER)",
        "INSERT INTO handle VALUES (1, 'one'), (2, 'two'), (3, 'three')",
        "INSERT INTO message VALUES (1, 'a', 1, 600000000, 0), (2, 'b', 2, 600000100, 0), "
        "(3, 'c', 0, 600000200, 1), (4, 'd', 3, 600000300, 0), (5, 'e', -2147483647, 600000400, 0)",
    };
    const QStringList chatTables = {
        "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER)",
        "INSERT INTO chat_message_join VALUES (1, 1), (1, 2), (1, 3), (2, 4), (2, 5), (3, 4)",
    };
    auto read = [&](const QString& name, const QStringList& statements) {
        const QString path = m_dir.filePath(name);
        MessageMap map;
        if (!MakeDatabase(path, statements))
            return map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.GetSMSInfo(path.toUtf8().constData(), "", map, maxRowId);
        return map;
    };

    // A chat table without style or display_name and its members: two members make
    // a group, named by their numbers; a chat with one member is a one-to-one chat.
    MessageMap map = read("ios6.db", base + chatTables + QStringList{
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY, guid TEXT)",
        "CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER)",
        "INSERT INTO chat VALUES (1, 'g'), (2, 'p'), (3, 'p2')",
        "INSERT INTO chat_handle_join VALUES (1, 1), (1, 2), (2, 3), (3, 3)",
    });
    QCOMPARE(int(map.size()), 3);
    const unsigned group = GroupConversationKey(1);
    QCOMPARE(int(map[group].size()), 3);
    QCOMPARE(map[group].front().strChatName, Utf8("one, two"));
    QCOMPARE(map[group].front().strContactName, Utf8("Me"));
    QCOMPARE(int(map[3].size()), 1); // in two one-to-one chats, listed once
    // A handle id no handle row can have never lands among the group keys.
    QCOMPARE(int(map[0].size()), 1);
    QCOMPARE(map[0].front().strText, Utf8("e"));

    // Only a style (no member table): style 43 is a group without members, so
    // without a name.
    map = read("nomembers.db", base + chatTables + QStringList{
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY, style INTEGER, display_name TEXT)",
        "INSERT INTO chat VALUES (1, 43, NULL), (2, 45, 'x')",
    });
    QCOMPARE(int(map.size()), 3);
    QCOMPARE(int(map[group].size()), 3);
    QVERIFY(map[group].front().strChatName.empty());
    QCOMPARE(int(map[3].size()), 1);

    // No chat table at all, or a stripped database with only handle and message:
    // every message under its handle.
    map = read("nochat.db", base + chatTables);
    QCOMPARE(int(map.size()), 4);
    QCOMPARE(int(map[0].size()), 2);
    map = read("handle-and-message.db", base);
    QCOMPARE(int(map.size()), 4);
    QCOMPARE(map[1].front().strText, Utf8("a"));
    for (const auto& conv : map)
        QVERIFY(!IsGroupConversationKey(conv.first));
}

void TestCIPhoneMessage::progressAndEarlyStop()
{
    const QByteArray sms = m_strSms.toUtf8(), book = m_strBook.toUtf8();
    {
        g_reports.clear();
        g_stopAt = -1;
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.InitCallback(Record, nullptr, 20, 11);
        QCOMPARE(reader.GetSMSInfo(sms.constData(), book.constData(), map, maxRowId), 0);
        QCOMPARE(g_reports, std::vector<int>({22, 22, 31}));
        QVERIFY(!map.empty());
    }
    {
        // Stopped after the message query: the caller's map is left as it was.
        g_reports.clear();
        g_stopAt = 12;
        MessageMap map;
        map[99].push_back(__MESSAGE_INFO__());
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.InitCallback(Record, nullptr, 10, 10);
        QCOMPARE(reader.GetSMSInfo(sms.constData(), book.constData(), map, maxRowId), 0);
        QCOMPARE(g_reports, std::vector<int>({12, 20}));
        QCOMPARE(int(map.size()), 1);
        QVERIFY(map.count(99));
        QCOMPARE(maxRowId, 2000ULL);

        g_reports.clear();
        g_stopAt = 20;
        CIPhoneMessage second;
        second.InitCallback(Record, nullptr, 10, 10);
        QCOMPARE(second.GetSMSInfo(sms.constData(), book.constData(), map, maxRowId), 3);
    }
    g_stopAt = -1;
}

void TestCIPhoneMessage::badDatabasesGiveNothing()
{
    const QString empty = m_dir.filePath("empty.db");
    const QString garbage = m_dir.filePath("garbage.db");
    const QString stripped = m_dir.filePath("stripped.db");
    QVERIFY(WriteBytes(empty, QByteArray()));
    QVERIFY(WriteBytes(garbage, QByteArray(5000, 'x')));
    // A message table lacking columns every real one has (is_from_me).
    QVERIFY(MakeDatabase(stripped, {
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, date INTEGER)",
        "INSERT INTO message VALUES (1, 'x', 0, 1)",
    }));
    for (const QString& path : {m_dir.filePath("missing.db"), empty, garbage, stripped}) {
        MessageMap map;
        unsigned long long maxRowId = 77;
        CIPhoneMessage reader;
        QCOMPARE(reader.GetSMSInfo(path.toUtf8().constData(), garbage.toUtf8().constData(), map, maxRowId), 0);
        QVERIFY(map.empty());
        QCOMPARE(maxRowId, 0ULL);
    }
    MessageMap map;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader;
    QCOMPARE(reader.GetSMSInfo(nullptr, nullptr, map, maxRowId), 0);
    QVERIFY(map.empty());
}

void TestCIPhoneMessage::copiesDatabaseWithoutOverwriting()
{
    const QString target = m_dir.filePath("out/sms copy.db");
    QVERIFY(QDir().mkpath(m_dir.filePath("out")));
    CIPhoneMessage reader;
    QCOMPARE(reader.SaveSMSCsvFile(m_strSms.toUtf8().constData(), target.toUtf8().constData(), 0), 0);
    QCOMPARE(QFileInfo(target).size(), QFileInfo(m_strSms).size());
    // Not world-writable.
    QVERIFY(!(QFile::permissions(target) & QFileDevice::WriteOther));
    QVERIFY(QFile::permissions(target) & QFileDevice::ReadOwner);
    // An existing file is kept as it is.
    QVERIFY(WriteBytes(target, "mine"));
    QCOMPARE(reader.SaveSMSCsvFile(m_strSms.toUtf8().constData(), target.toUtf8().constData(), 0), 0);
    QCOMPARE(QFileInfo(target).size(), 4);
}

QTEST_GUILESS_MAIN(TestCIPhoneMessage)
#include "tst_ciphonemessage.moc"
