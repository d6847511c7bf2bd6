#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/CIPhoneWhatsApp.h"
#include "tools/sample/SampleSqlite.h"

class TestCIPhoneWhatsApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void oneToOneChat();
    void groupChatSenders();
    void systemOnlyGroupChat();
    void namesWithoutContacts();
    void businessTwinSharesTheMap();
    void mediaFilesOfMessages();
    void handMadeSchema();
    void badDatabasesGiveNothing();

private:
    QTemporaryDir m_dir;
    QString m_strChats, m_strContacts, m_strBusiness, m_strLid;
    WhatsAppMessageMap m_map;
};

static const __WHATSAPP_MESSAGE__* WithText(const std::vector<__WHATSAPP_MESSAGE__>& chat,
                                            const std::string& text)
{
    for (const auto& m : chat)
        if (m.strText == text)
            return &m;
    return nullptr;
}

void TestCIPhoneWhatsApp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Small);
    m_strChats = m_dir.filePath("ChatStorage.sqlite");
    m_strContacts = m_dir.filePath("ContactsV2.sqlite");
    m_strBusiness = m_dir.filePath("Business ChatStorage.sqlite");
    QString e;
    QVERIFY2(WriteChatStorageDatabase(m_strChats, scale, 8, false, &e), qPrintable(e));
    QVERIFY2(WriteWhatsAppContactsDatabase(m_strContacts, scale, 8, &e), qPrintable(e));
    QVERIFY2(WriteChatStorageDatabase(m_strBusiness, scale, 8, true, &e), qPrintable(e));
    m_strLid = m_dir.filePath("LID.sqlite");
    QVERIFY2(WriteWhatsAppLidDatabase(m_strLid, scale, 8, &e), qPrintable(e));
    g_u32WhatsappColNumber = 23;
    QCOMPARE(CIPhoneWhatsApp().GetWhatsAppMessageInfo(m_strChats.toUtf8().constData(),
                                                      m_strContacts.toUtf8().constData(), m_map,
                                                      m_strLid.toUtf8().constData()),
             0);
    // The column probe keeps the widest message table seen.
    QCOMPARE(g_u32WhatsappColNumber, 34u);
}

void TestCIPhoneWhatsApp::oneToOneChat()
{
    QVERIFY(m_map.count(1));
    const auto& chat = m_map.at(1);
    const __WHATSAPP_MESSAGE__* hello = WithText(chat, "Hello from WhatsApp, \"Ann\" <3\nbye 😀");
    QVERIFY(hello);
    QCOMPARE(hello->nIsFromMe, 0);
    QCOMPARE(hello->nChatId, 1);
    QCOMPARE(hello->nDeleted, 0);
    QCOMPARE(hello->strSenderName, Utf8("Ann Lee"));
    QCOMPARE(hello->strSenderId, Utf8("15551234567"));
    QCOMPARE(hello->strExtra1, Utf8("Ann Lee"));
    QCOMPARE(hello->strExtra2, Utf8("15551234567"));
    QCOMPARE(hello->strExtra3, Utf8("Ann Lee"));
    QCOMPARE(hello->strDate.size(), size_t(19));
    QVERIFY(hello->strDate.compare(0, 4, "2019") >= 0);

    const __WHATSAPP_MESSAGE__* reply = WithText(chat, "Reply 😀");
    QVERIFY(reply);
    QCOMPARE(reply->nIsFromMe, 1);
    QCOMPARE(reply->strSenderName, Utf8("Me"));

    // Media without text keep their place with a short description.
    QVERIFY(WithText(chat, "[image] Beach, 2023"));
    QVERIFY(WithText(chat, "[image]"));
    QVERIFY(WithText(chat, "[contact] José Müller"));
    QVERIFY(WithText(chat, "[sticker]"));

    // Newest first, every record under its own key.
    for (const auto& conv : m_map) {
        for (size_t i = 0; i < conv.second.size(); ++i) {
            QCOMPARE((unsigned int)conv.second[i].nChatId, conv.first);
            QVERIFY(!conv.second[i].strText.empty());
            if (i)
                QVERIFY(conv.second[i - 1].strDate >= conv.second[i].strDate);
        }
    }
}

void TestCIPhoneWhatsApp::groupChatSenders()
{
    QVERIFY(m_map.count(2));
    const auto& chat = m_map.at(2);
    QCOMPARE(WithText(chat, "Group hello")->strSenderName, Utf8("Ann Lee"));       // member's contact name
    QCOMPARE(WithText(chat, "Hola")->strSenderName, Utf8("José Müller 😀"));       // WhatsApp's contacts
    QCOMPARE(WithText(chat, "Hola")->strSenderId, Utf8("4915112345678"));
    QCOMPARE(WithText(chat, "Who am I?")->strSenderName, Utf8("Pepe 🎸"));         // push name
    // An "@lid" member: its number from LID.sqlite, then named from ContactsV2.
    const __WHATSAPP_MESSAGE__* where = WithText(chat, "[location] 48.858400, 2.294500");
    QVERIFY(where);
    QCOMPARE(where->strSenderName, Utf8("Émilie Dupont\n<i>&amp;</i>"));
    QCOMPARE(where->strSenderId, Utf8("33612345678"));
    // One LID.sqlite does not know keeps its id.
    QCOMPARE(WithText(chat, "Who maps me?")->strSenderName, Utf8("Unknown"));
    QCOMPARE(WithText(chat, "Who maps me?")->strSenderId, Utf8("987654321098765"));
    QCOMPARE(WithText(chat, "Me in WA group")->nIsFromMe, 1);
    // A group event is a short notice, by the member who caused it.
    QCOMPARE(WithText(chat, "[group event]")->strSenderName, Utf8("Ann Lee"));
    for (const auto& m : chat) {
        QVERIFY(m.strText != "[media]");
        QCOMPARE(m.strExtra1, Utf8("Family, Friends 🎉"));
        QCOMPARE(m.strExtra2, Utf8("120363000000000001"));
        QVERIFY(!m.strExtra3.empty());
    }
    // ZPUSHNAME of the message rows is encoded data and never shows as a name.
    for (const auto& conv : m_map)
        for (const auto& m : conv.second)
            QVERIFY2(m.strSenderName.find('=') == std::string::npos &&
                         m.strSenderName.rfind("CI", 0) != 0,
                     m.strSenderName.c_str());
}

void TestCIPhoneWhatsApp::systemOnlyGroupChat()
{
    // A group the owner was added to holds nothing but system rows; it is still listed.
    QVERIFY(m_map.count(5));
    const auto& chat = m_map.at(5);
    QCOMPARE(int(chat.size()), 3);
    QCOMPARE(chat[0].strText, Utf8("[group event] Neighbours 🏡")); // a new subject, newest first
    QCOMPARE(chat[0].strSenderName, Utf8("Ann Lee"));
    QCOMPARE(chat[1].strText, Utf8("[group event]"));
    QCOMPARE(chat[2].strText, Utf8("[system message]"));
    QCOMPARE(chat[2].strExtra1, Utf8("Neighbours 🏡"));
    QCOMPARE(chat[2].strExtra2, Utf8("120363000000000005"));

    // Every chat with a message row is listed, the generated system-only groups too.
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "count");
    {
        db.setDatabaseName(m_strChats);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT COUNT(DISTINCT ZCHATSESSION), (SELECT COUNT(*) FROM ZWACHATSESSION s WHERE "
                       "EXISTS (SELECT 1 FROM ZWAMESSAGE m WHERE m.ZCHATSESSION = s.Z_PK) AND NOT EXISTS "
                       "(SELECT 1 FROM ZWAMESSAGE m WHERE m.ZCHATSESSION = s.Z_PK AND m.ZMESSAGETYPE NOT IN (6, 10))) "
                       "FROM ZWAMESSAGE") &&
                q.next());
        QCOMPARE(int(m_map.size()), q.value(0).toInt());
        QVERIFY(q.value(1).toInt() >= 2); // the fixed one and a generated one
        db.close();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("count");

    QCOMPARE(WhatsAppSystemText(10, 2, ""), Utf8("[system message]"));
    QCOMPARE(WhatsAppSystemText(6, 12, ""), Utf8("[group event]"));
    QCOMPARE(WhatsAppSystemText(0, 2, "New name"), Utf8("[group event] New name"));
    QCOMPARE(WhatsAppSystemText(0, 0, "plain"), Utf8());
}

void TestCIPhoneWhatsApp::namesWithoutContacts()
{
    // A partner name that is only a number gives way to the push name; nothing
    // known gives "Unknown" and the number.
    QCOMPARE(m_map.at(3).at(0).strSenderName, Utf8("Nobody Named"));
    QCOMPARE(m_map.at(3).at(0).strExtra1, Utf8("+44 7700 900123"));
    QCOMPARE(m_map.at(4).at(0).strSenderName, Utf8("Unknown"));
    QCOMPARE(m_map.at(4).at(0).strSenderId, Utf8("19995550000"));
    QCOMPARE(m_map.at(4).at(0).strExtra3, Utf8("19995550000"));

    // Without ContactsV2 the group member known only there is "Unknown".
    WhatsAppMessageMap map;
    CIPhoneWhatsApp().GetWhatsAppMessageInfo(m_strChats.toUtf8().constData(), nullptr, map);
    QCOMPARE(WithText(map.at(2), "Hola")->strSenderName, Utf8("Unknown"));
    QCOMPARE(WithText(map.at(2), "Group hello")->strSenderName, Utf8("Ann Lee"));
    // Without LID.sqlite an "@lid" member keeps its id.
    QCOMPARE(WithText(map.at(2), "[location] 48.858400, 2.294500")->strSenderId, Utf8("123456789012345"));

    // A one-to-one chat under an "@lid" id, with the pairing inside the chat
    // database as some builds keep it: named and numbered as the phone shows it.
    const QString path = m_dir.filePath("lid chat.sqlite");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ZWACHATSESSION (Z_PK INTEGER PRIMARY KEY, ZCONTACTJID VARCHAR, ZPARTNERNAME VARCHAR)",
        "CREATE TABLE ZWAMESSAGE (Z_PK INTEGER PRIMARY KEY, ZCHATSESSION INTEGER, ZISFROMME INTEGER, "
        "ZMESSAGEDATE TIMESTAMP, ZFROMJID VARCHAR, ZTEXT VARCHAR, ZMESSAGETYPE INTEGER)",
        "CREATE TABLE ZWAPHONENUMBERLIDPAIR (Z_PK INTEGER PRIMARY KEY, ZLID VARCHAR, ZPHONENUMBER VARCHAR)",
        "INSERT INTO ZWACHATSESSION VALUES (1, '555000111@lid', NULL)",
        "INSERT INTO ZWAMESSAGE VALUES (1, 1, 0, 600000000, '555000111@lid', 'hi', 0)",
        "INSERT INTO ZWAPHONENUMBERLIDPAIR VALUES (1, '555000111', '+15551234567'), (2, '', 'x'), (3, 'y', NULL)",
    }));
    map.clear();
    CIPhoneWhatsApp().GetWhatsAppMessageInfo(path.toUtf8().constData(), m_strContacts.toUtf8().constData(), map);
    QCOMPARE(map.at(1).at(0).strSenderName, Utf8("Ann Lee"));
    QCOMPARE(map.at(1).at(0).strSenderId, Utf8("15551234567"));
    QCOMPARE(map.at(1).at(0).strExtra2, Utf8("15551234567"));
}

void TestCIPhoneWhatsApp::businessTwinSharesTheMap()
{
    WhatsAppMessageMap map = m_map;
    CIPhoneWhatsApp business(0x40000000u, " (Business)");
    business.GetWhatsAppMessageInfo(m_strBusiness.toUtf8().constData(), "", map);
    QCOMPARE(map.size(), m_map.size() + 2);
    QCOMPARE(int(map.at(0x40000001u).size()), 4);
    const __WHATSAPP_MESSAGE__& m = map.at(0x40000002u).front();
    QCOMPARE(m.nChatId, 0x40000002);
    QCOMPARE(m.strExtra1, Utf8("Émilie (Café)"));
    QCOMPARE(m.strExtra3, Utf8("Émilie (Café) (Business)"));
    QCOMPARE(map.at(1).size(), m_map.at(1).size());
}

void TestCIPhoneWhatsApp::mediaFilesOfMessages()
{
    const std::string shared = "AppDomainGroup-group.net.whatsapp.WhatsApp.shared-Message/Media/";
    const auto& chat = m_map.at(1);
    // The caption stays the text; the file comes from ZMEDIALOCALPATH under "Message/".
    const __WHATSAPP_MESSAGE__* beach = WithText(chat, "[image] Beach, 2023");
    QVERIFY(beach);
    QCOMPARE(int(beach->vecAttachments.size()), 1);
    const _MESSAGE_ATTACHMENT_& picture = beach->vecAttachments[0];
    QCOMPARE(picture.strManifestName.compare(0, shared.size(), shared), 0);
    QVERIFY(QString::fromStdString(picture.strName).endsWith(".jpg"));
    QVERIFY(picture.nSize > 0);
    // A document is named by its title; a voice note by its file.
    const __WHATSAPP_MESSAGE__* pdf = WithText(chat, "[document] Trip plan.pdf");
    QVERIFY(pdf);
    QCOMPARE(pdf->vecAttachments.at(0).strName, Utf8("Trip plan.pdf"));
    QVERIFY(QString::fromStdString(pdf->vecAttachments.at(0).strManifestName).endsWith(".pdf"));
    const __WHATSAPP_MESSAGE__* voice = WithText(chat, "[audio]");
    QVERIFY(voice);
    QVERIFY(QString::fromStdString(voice->vecAttachments.at(0).strName).endsWith(".opus"));
    // Text messages carry no files.
    QVERIFY(WithText(chat, "Reply 😀")->vecAttachments.empty());

    // WhatsApp Business keeps its files in its own app group.
    WhatsAppMessageMap map;
    CIPhoneWhatsApp business(0x40000000u, " (Business)");
    business.SetMediaDomain("AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared");
    business.GetWhatsAppMessageInfo(m_strBusiness.toUtf8().constData(), "", map);
    const __WHATSAPP_MESSAGE__* menu = WithText(map.at(0x40000001u), "[image] Menu");
    QVERIFY(menu);
    QVERIFY(QString::fromStdString(menu->vecAttachments.at(0).strManifestName)
                .startsWith("AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-Message/Media/"));
}

void TestCIPhoneWhatsApp::handMadeSchema()
{
    // A smaller, hand-made layout: no group members, no media table, sender in ZFROMJID.
    const QString path = m_dir.filePath("handmade.sqlite");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ZWACHATSESSION (Z_PK INTEGER PRIMARY KEY, ZCONTACTJID VARCHAR, ZPARTNERNAME VARCHAR)",
        "CREATE TABLE ZWAMESSAGE (Z_PK INTEGER PRIMARY KEY, ZCHATSESSION INTEGER, ZISFROMME INTEGER, "
        "ZMESSAGEDATE TIMESTAMP, ZFROMJID VARCHAR, ZTEXT VARCHAR, ZMESSAGETYPE INTEGER)",
        "INSERT INTO ZWACHATSESSION VALUES (5, '111@g.us', 'Club'), (6, '222@s.whatsapp.net', NULL)",
        "INSERT INTO ZWAMESSAGE VALUES (1, 5, 0, 600000000, '333@s.whatsapp.net', 'hi', 0), "
        "(2, 6, 1, 600000001.5, NULL, 'yo', 0), (3, 6, 0, 600000002, '222@s.whatsapp.net', NULL, 2), "
        "(4, 9, 0, 1, 'x', 'orphan', 0)",
    }));
    WhatsAppMessageMap map;
    CIPhoneWhatsApp().GetWhatsAppMessageInfo(path.toUtf8().constData(), "", map);
    QCOMPARE(int(map.size()), 2);
    QCOMPARE(map.at(5).at(0).strSenderId, Utf8("333"));
    QCOMPARE(map.at(5).at(0).strSenderName, Utf8("Unknown"));
    QCOMPARE(map.at(5).at(0).strDate, Utf8("2020-01-06 10:40:00"));
    QCOMPARE(int(map.at(6).size()), 2);
    QCOMPARE(map.at(6).at(0).strText, Utf8("[video]"));
    QCOMPARE(map.at(6).at(1).strText, Utf8("yo"));
    QCOMPARE(map.at(6).at(1).strDate, Utf8("2020-01-06 10:40:01"));
}

void TestCIPhoneWhatsApp::badDatabasesGiveNothing()
{
    const QString garbage = m_dir.filePath("garbage");
    const QString other = m_dir.filePath("other.db");
    QVERIFY(WriteBytes(garbage, QByteArray(4096, 'S')));
    QVERIFY(MakeDatabase(other, {"CREATE TABLE ZWAMESSAGE (Z_PK INTEGER PRIMARY KEY, ZTEXT)"}));
    for (const QString& path : {m_dir.filePath("none"), garbage, other}) {
        WhatsAppMessageMap map;
        QCOMPARE(CIPhoneWhatsApp().GetWhatsAppMessageInfo(path.toUtf8().constData(),
                                                          garbage.toUtf8().constData(), map),
                 0);
        QVERIFY(map.empty());
    }
    QCOMPARE(WhatsAppMediaText(1, "", false), Utf8("[image]"));
    QCOMPARE(WhatsAppMediaText(6, "", true), Utf8());
    QCOMPARE(WhatsAppMediaText(99, "", true), Utf8("[media]"));
    QCOMPARE(WhatsAppMediaText(99, "", false), Utf8());
    QCOMPARE(JidUser("123@s.whatsapp.net"), Utf8("123"));
    QCOMPARE(JidUser("plain"), Utf8("plain"));
}

QTEST_GUILESS_MAIN(TestCIPhoneWhatsApp)
#include "tst_ciphonewhatsapp.moc"
