#include <cerrno>

#include <QtTest>

#include "ExtractorFixtures.h"
#include "engine/IphoneBackupFile.h"
#include "engine/MessageConversation.h"
#include "extractors/CIPhoneQQ.h"
#include "support/TextEncoding.h"
#include "tools/sample/SampleGenerator.h"

class TestEngineContentEntryPoints : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newLayoutBackup();
    void callLogAndNotesStores();
    void oldLayoutBackup();
    void whatsAppTextFile();
    void qqAccounts();

private:
    bool Open(CIphoneBackupFile& engine, const QString& folder);
    QTemporaryDir m_dir;
    QString m_strNew, m_strOld;
};

namespace {
std::vector<int> g_reports;
int Record(void*, int position)
{
    g_reports.push_back(position);
    return 0;
}

struct FileReport {
    int percent;
    int result;
};
std::vector<FileReport> g_fileReports;
int g_stopReply = 0;
int RecordFile(void*, int percent, int result, wchar_t*)
{
    g_fileReports.push_back({percent, result});
    return g_stopReply;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList TreeOf(const QString& dir)
{
    QStringList all;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        all << it.next();
    all.sort();
    return all;
}

// Every card of the address book is a contact, with a number or without.
int BookSize(uint64_t seed)
{
    return int(SampleAddressBook(PhoneDataScaleFor(SampleOptions::Scale::Tiny), seed).size());
}

size_t CountMessages(const MessageMap& map)
{
    size_t n = 0;
    for (const auto& c : map)
        n += c.second.size();
    return n;
}
} // namespace

void TestEngineContentEntryPoints::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", m_dir.filePath("support/").toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", m_dir.filePath("root/").toUtf8());
    qputenv("TZ", "UTC");
    QDir().mkpath(m_dir.filePath("root"));
    SampleOptions options;
    options.seed = 21;
    QString error;
    QVERIFY2(GenerateSampleBackup(options, m_dir.filePath("new"), &m_strNew, &error), qPrintable(error));
    options.layout = SampleOptions::Layout::Old;
    QVERIFY2(GenerateSampleBackup(options, m_dir.filePath("old"), &m_strOld, &error), qPrintable(error));
}

bool TestEngineContentEntryPoints::Open(CIphoneBackupFile& engine, const QString& folder)
{
    __BACK_FILE_INFO__ info;
    QByteArray path = folder.toUtf8();
    if (engine.GetBackFileInfo(path.data(), &info) != 0)
        return false;
    engine.Init(&info);
    engine.InitCallback(Record, nullptr);
    return engine.Scan(QString()) == 0;
}

void TestEngineContentEntryPoints::newLayoutBackup()
{
    const QStringList before = TreeOf(m_strNew);
    CIphoneBackupFile engine;
    QVERIFY(Open(engine, m_strNew));
    QVERIFY(engine.m_bManifestDb);
    QCOMPARE(engine.m_nProgressPos, 12);

    g_reports.clear();
    MessageMap messages;
    QCOMPARE(engine.GetBackupFileMessageInfo(messages), 0);
    // The extractor reports inside its span, then the engine moves on by half of it.
    QCOMPARE(g_reports, std::vector<int>({14, 14, 23, 17}));
    QCOMPARE(engine.m_nProgressPos, 17);
    // The owner's group messages are in their groups, not in a conversation of their own.
    QVERIFY(!messages.count(0));
    QVERIFY(messages.count(GroupConversationKey(3)));
    QVERIFY(messages.count(1));
    QCOMPARE(messages[1].front().strContactName, Utf8("Ann Lee"));
    QCOMPARE(engine.m_nMaxMessageRowId, 40ULL);
    QCOMPARE(CountMessages(engine.m_mapMessages), CountMessages(messages));

    PersonContentVec people;
    QCOMPARE(engine.GetBackupFilePersonContent(people), 0);
    QCOMPARE(int(people.size()), BookSize(21));
    QCOMPARE(engine.m_nMaxContactDocId, (unsigned long long)BookSize(21));
    CallHistoryVec calls;
    engine.GetBackupFileHistoryCallInfo(calls);
    QCOMPARE(int(calls.size()), 15);
    NotesVec notes;
    engine.GetBackupFileNotes(notes);
    QCOMPARE(int(notes.size()), 10); // both stores: 7 newer, 4 older, one of them in both
    WhatsAppMessageMap chats;
    g_reports.clear();
    const int pos = engine.m_nProgressPos;
    QCOMPARE(engine.GetWhatsappMessageInfo(chats), 0);
    QCOMPARE(g_reports, std::vector<int>({pos + 11}));
    QVERIFY(chats.count(1) && chats.count(2) && chats.count(0x40000001u));
    QCOMPARE(chats.size(), engine.m_mapWhatsApp.size());
    QCOMPARE(chats.at(2).size(), engine.m_mapWhatsApp.at(2).size());

    // The database copies of the export.
    const QString smsCopy = m_dir.filePath("sms copy.db"), bookCopy = m_dir.filePath("Contacts.db");
    QByteArray smsTarget = smsCopy.toUtf8(), bookTarget = bookCopy.toUtf8();
    QCOMPARE(engine.RecoverySMSMessage(smsTarget.data()), 0);
    QCOMPARE(engine.RecoveryPersonContacts(bookTarget.data()), 0);
    QCOMPARE(ReadAll(smsCopy).left(15), QByteArray("SQLite format 3"));
    QCOMPARE(ReadAll(bookCopy).size(),
             ReadAll(QString::fromStdString(engine.GetStoredFilePath(g_szAddressBookFileId))).size());

    // Nothing was written inside the backup.
    QCOMPARE(TreeOf(m_strNew), before);
}

void TestEngineContentEntryPoints::callLogAndNotesStores()
{
    CIphoneBackupFile engine;
    QVERIFY(Open(engine, m_strNew));
    const QString oldCalls = QString::fromStdString(engine.GetStoredFilePath(g_szOldCallHistoryFileId));
    const QString newCalls = QString::fromStdString(engine.GetStoredFilePath(g_szCallHistoryFileId));
    QDir().mkpath(QFileInfo(oldCalls).path());
    QString e;
    const PhoneDataScale small = PhoneDataScaleFor(SampleOptions::Scale::Small);
    QVERIFY(WriteOldCallHistoryDatabase(oldCalls, small, 1, &e));

    // Both call logs: only the newer one is read.
    CallHistoryVec calls;
    engine.GetBackupFileHistoryCallInfo(calls);
    QCOMPARE(int(calls.size()), 15);
    // Without it, the older one (its `call` table) is.
    QVERIFY(QFile::rename(newCalls, newCalls + ".away"));
    calls.clear();
    engine.GetBackupFileHistoryCallInfo(calls);
    QCOMPARE(int(calls.size()), small.nCalls - 1);
    QVERIFY(QFile::rename(newCalls + ".away", newCalls));
    QFile::remove(oldCalls);

    // The older notes database never hides the newer store: both are listed, a
    // note held by both once.
    NotesVec notes;
    engine.GetBackupFileNotes(notes);
    auto titled = [&](const char* title) {
        return std::count_if(notes.begin(), notes.end(), [&](const __NOTES__& n) { return n.strTitle == title; });
    };
    QCOMPARE(int(notes.size()), 10);
    QCOMPARE(titled("First note"), 1L);
    QCOMPARE(titled("Shopping, list"), 1L);
    QCOMPARE(titled("Locked note"), 1L);
    // Without the newer store, the older one alone (with its copy of the shared note).
    const QString store = QString::fromStdString(engine.GetStoredFilePath(g_szNoteStoreFileId));
    QVERIFY(QFile::rename(store, store + ".away"));
    notes.clear();
    engine.GetBackupFileNotes(notes);
    QCOMPARE(int(notes.size()), 4);
    QCOMPARE(titled("Shopping, list"), 1L);
    QVERIFY(QFile::rename(store + ".away", store));
}

void TestEngineContentEntryPoints::oldLayoutBackup()
{
    CIphoneBackupFile engine;
    QVERIFY(Open(engine, m_strOld));
    QVERIFY(!engine.m_bManifestDb);
    MessageMap messages;
    engine.GetBackupFileMessageInfo(messages);
    QVERIFY(messages.count(1));
    // The iOS 9 address book (c15Phone) still names the sender.
    QCOMPARE(messages[1].front().strContactName, Utf8("Ann Lee"));
    PersonContentVec people;
    engine.GetBackupFilePersonContent(people);
    QCOMPARE(int(people.size()), BookSize(21));
    CallHistoryVec calls;
    engine.GetBackupFileHistoryCallInfo(calls);
    QCOMPARE(int(calls.size()), 15); // from call_history.db
    QVERIFY(std::any_of(calls.begin(), calls.end(), [](const __CALLHISTORY__& c) {
        return c.strAddress == "+15551234567" && c.strContactName == "Ann Lee" &&
               c.strDate == "2020-01-06 10:40:00";
    }));
    NotesVec notes;
    engine.GetBackupFileNotes(notes);
    QCOMPARE(int(notes.size()), 7); // from notes.sqlite
}

void TestEngineContentEntryPoints::whatsAppTextFile()
{
    CIphoneBackupFile engine;
    auto message = [](int fromMe, const char* date, const char* name, const char* id, const char* text) {
        __WHATSAPP_MESSAGE__ m;
        m.nIsFromMe = fromMe;
        m.nChatId = 9;
        m.strDate = date;
        m.strSenderName = name;
        m.strSenderId = id;
        m.strText = text;
        return m;
    };
    engine.m_mapWhatsApp[9] = {message(1, "2020-01-06 10:40:00", "Me", "", "hi %s 100%"),
                               message(0, "2020-01-06 10:41:00", "Unknown", "15551234567", "yo"),
                               message(0, "2020-01-06 10:42:00", "", "4477", "a\nb")};
    const QString path = m_dir.filePath("chat 9.txt");
    std::wstring wide = WideFromQString(path);

    g_fileReports.clear();
    g_stopReply = 0;
    QCOMPARE(engine.RecoveryWhatsAppMessage(9, wide.data(), RecordFile, nullptr), 0);
    QCOMPARE(ReadAll(path), QByteArray("2020-01-06 10:40:00 Me:\n    hi %s 100%\n\n"
                                       "2020-01-06 10:41:00 15551234567:\n    yo\n\n"
                                       "2020-01-06 10:42:00 4477:\n    a\nb\n\n"));
    QCOMPARE(int(g_fileReports.size()), 3);
    QCOMPARE(g_fileReports[0].percent, 33);
    QCOMPARE(g_fileReports[1].percent, 66);
    QCOMPARE(g_fileReports[2].percent, 100);
    QVERIFY(!(QFile::permissions(path) & QFileDevice::WriteOther));

    // A callback answering 5 stops after the first message and hears 100 and 5.
    g_fileReports.clear();
    g_stopReply = 5;
    QCOMPARE(engine.RecoveryWhatsAppMessage(9, wide.data(), RecordFile, nullptr), 5);
    QCOMPARE(ReadAll(path), QByteArray("2020-01-06 10:40:00 Me:\n    hi %s 100%\n\n"));
    QCOMPARE(int(g_fileReports.size()), 2);
    QCOMPARE(g_fileReports[1].percent, 100);
    QCOMPARE(g_fileReports[1].result, 5);
    g_stopReply = 0;

    // An unknown chat leaves an empty file and no report.
    g_fileReports.clear();
    QCOMPARE(engine.RecoveryWhatsAppMessage(1234, wide.data(), RecordFile, nullptr), 0);
    QCOMPARE(ReadAll(path), QByteArray());
    QVERIFY(g_fileReports.empty());

    // A file that cannot be opened: its error number, reported once with 100.
    std::wstring bad = WideFromQString(m_dir.filePath("no such folder/x.txt"));
    QCOMPARE(engine.RecoveryWhatsAppMessage(9, bad.data(), RecordFile, nullptr), ENOENT);
    QCOMPARE(int(g_fileReports.size()), 1);
    QCOMPARE(g_fileReports[0].percent, 100);
    QCOMPARE(g_fileReports[0].result, ENOENT);
}

void TestEngineContentEntryPoints::qqAccounts()
{
    CIphoneBackupFile engine;
    engine.m_vecManifest = {{"AppDomain-com.tencent.mqq-Documents/12345/QQ.db", "a"},
                            {"AppDomain-com.tencent.mqq-Documents/contents.db", "b"},
                            {"AppDomain-com.tencent.mqq-Documents/67890/QQ.db", "c"},
                            {"AppDomain-com.tencent.mqq-Documents/" + std::string(400, 'x') + "/QQ.db", "d"}};
    engine.InitCallback(Record, nullptr);
    engine.m_nProgressPos = 50;
    engine.m_nProgressStep = 10;
    g_reports.clear();
    QQMessageMap accounts;
    QCOMPARE(engine.GetQQMessageInfo(accounts), 0);
    QCOMPARE(int(accounts.size()), 3);
    QVERIFY(accounts.count("12345") && accounts.count("67890"));
    QVERIFY(accounts["12345"].empty());
    QCOMPARE(g_reports, std::vector<int>({51, 52, 53, 60}));
    QCOMPARE(engine.m_mapQQ.size(), accounts.size());
    // An over-long account name is cut, never overrun.
    for (const auto& a : accounts)
        QVERIFY(a.first.size() <= 255);
    QCOMPARE(QQAccountName("x-QQ.db"), Utf8());
    QCOMPARE(QQAccountName("a/b/QQ.db"), Utf8("b"));
}

QTEST_GUILESS_MAIN(TestEngineContentEntryPoints)
#include "tst_enginecontententrypoints.moc"
