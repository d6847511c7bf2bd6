#include <QtTest>

#include <sys/stat.h>

#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "engine/IphoneBackupFile.h"
#include "engine/MessageConversation.h"
#include "export/Recovery.h"

class TestCRecovery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void templatesLoadedAndSplit();
    void titleFromDevice();
    void stampsFollowTheClock();
    void messageConversations();
    void groupConversation();
    void whatsAppChats();
    void tableReports();
    void reportsReplacedWithinOneSecond();
    void unwritableDestination();
    void hostileNamesStayInside();

private:
    QTemporaryDir* m_pTemplates = nullptr;
    QTemporaryDir* m_pOut = nullptr;
    void MakeRecovery(CRecovery& rec, const QString& dir)
    {
        rec.SetTemplateRoot(m_pTemplates->path());
        rec.Init(dir, nullptr);
    }
};

void TestCRecovery::init()
{
    delete m_pTemplates;
    delete m_pOut;
    m_pTemplates = new QTemporaryDir;
    m_pOut = new QTemporaryDir;
    WriteTestTemplates(m_pTemplates->path());
}

void TestCRecovery::templatesLoadedAndSplit()
{
    WriteText(m_pTemplates->path() + "/template/Notes.html", "A{|title|}B{|title|}C{|content|}D{|title|}");
    CRecovery rec;
    MakeRecovery(rec, m_pOut->path());
    __NOTES__ n;
    n.strTitle = "t";
    rec.RecoveryNotes(&n);
    QCOMPARE(rec.SaveNotes(), 0);
    QCOMPARE(ReadAll(rec.NotesPath()), std::string("AiPhone's Notes of BiPhone's Notes of C"
                                                   "\t<tr><td>t</td><td></td><td></td></tr>\r\nD{|title|}"));

    // A missing template: the report is the bare rows; the load reports the open error.
    QTemporaryDir empty;
    CRecovery bare;
    bare.SetTemplateRoot(empty.path());
    bare.Init(m_pOut->path(), nullptr);
    QCOMPARE(bare.LoadTemplateFile("/template/Notes.html"), ENOENT);
    QCOMPARE(bare.LoadAllTemplateFile(), ENOENT);
    bare.RecoveryNotes(&n);
    QCOMPARE(bare.SaveNotes(), 0);
    QCOMPARE(ReadAll(bare.NotesPath()), std::string("\t<tr><td>t</td><td></td><td></td></tr>\r\n"));

    // The shipped templates (as built beside the programs) meet the requirements: one content placeholder, inside a table
    // with the right number of headers for the table kinds, chat classes styled.
    const QString shipped = QStringLiteral(QM_BIN_DIR) + "/template/";
    const struct { const char* file; int columns; } kinds[] = {
        {"contacts.html", 7}, {"CallHistory.html", 5}, {"Notes.html", 3}, {"Sms.html", 0}, {"WhatsApp.html", 0}};
    for (const auto& k : kinds) {
        const QString text = QString::fromStdString(ReadAll(shipped + k.file));
        QVERIFY2(text.contains("<meta charset=\"utf-8\">"), k.file);
        QCOMPARE(text.count("{|content|}"), 1);
        const int content = text.indexOf("{|content|}");
        QVERIFY(text.lastIndexOf("{|title|}") < content);
        if (k.columns) {
            QVERIFY(text.lastIndexOf("<table>", content) >= 0 && text.indexOf("</table>", content) > content);
            QCOMPARE(text.count("<th>"), k.columns);
        } else {
            QVERIFY(text.lastIndexOf("{|person|}") < content && text.contains("{|person|}"));
            for (const char* cls : {".date", ".recv_msg", ".send_msg", ".del_recv_msg", ".del_send_msg"})
                QVERIFY2(text.contains(cls), cls);
        }
    }
}

void TestCRecovery::titleFromDevice()
{
    // The engine clears its working folder when made: keep it in a private place.
    QTemporaryDir support;
    qputenv("QUILLMERE_SUPPORT_DIR", support.path().toUtf8() + "/");
    qputenv("QUILLMERE_BACKUP_ROOT", support.path().toUtf8() + "/none/");
    CIphoneBackupFile engine;
    // A device name holding the placeholder is inserted once, escaped, and not expanded.
    engine.m_selected.strDisplayName = "Anna's <{|title|}>";
    WriteText(m_pTemplates->path() + "/template/Notes.html", "A{|title|}B{|title|}C{|content|}D{|title|}");
    CRecovery rec;
    rec.SetTemplateRoot(m_pTemplates->path());
    rec.Init(m_pOut->path(), &engine);
    QCOMPARE(rec.SaveNotes(), 0);
    const std::string title = "iPhone's Notes of Anna&#39;s &lt;{|title|}&gt;";
    QCOMPARE(ReadAll(rec.NotesPath()), "A" + title + "B" + title + "CD{|title|}");

    // The person line of a chat page is escaped as well; the title reaches both chat heads.
    MessageMap map;
    map[1] = {Msg(1, 0, "<1>", "Bo & Co", "t")};
    QCOMPARE(rec.RecoveryMsg(&map[1][0], &map), 0);
    const std::string page = ReadAll(m_pOut->path() + "/Message/Bo & Co-" + rec.Stamp() + "/Bo & Co(<1>).html");
    QVERIFY(page.rfind("<h>iPhone's Messages of Anna&#39;s &lt;{|title|}&gt;|Name: Bo &amp; Co, Phone: &lt;1&gt;</h>", 0) == 0);
}

void TestCRecovery::stampsFollowTheClock()
{
    // Two objects made within one second share the stamp; a stamp is the local time.
    QString a, b;
    QDateTime before;
    do {
        before = QDateTime::currentDateTime();
        CRecovery r1, r2;
        MakeRecovery(r1, m_pOut->path());
        MakeRecovery(r2, m_pOut->path());
        a = r1.Stamp();
        b = r2.Stamp();
    } while (QDateTime::currentDateTime().toString("yyyyMMddhhmmss") != before.toString("yyyyMMddhhmmss"));
    QCOMPARE(a, b);
    QCOMPARE(a, before.toString("yyyyMMddhhmmss"));
    QCOMPARE(a.size(), 14);
}

void TestCRecovery::messageConversations()
{
    MessageMap map;
    map[7] = {Msg(7, 0, "555", "", "hi <b>there</b> & \"you\""), Msg(7, 1, "555", "", "line1\nline2", "2020-01-02 03:04:06"),
              Msg(7, 0, "555", "Unknown", "from unknown", "2020-01-02 03:04:07", 1)};
    map[8] = {Msg(8, 0, "", "", "a")};
    map[9] = {Msg(9, 1, "", "", "b")};
    CRecovery rec;
    MakeRecovery(rec, m_pOut->path());
    QCOMPARE(rec.RecoveryMsg(&map[7][0], &map), 0);
    QCOMPARE(rec.RecoveryMsg(&map[8][0], &map), 0);
    QCOMPARE(rec.RecoveryMsg(&map[9][0], &map), 0);

    const QString folder = m_pOut->path() + "/Message/Unknown-" + rec.Stamp();
    QCOMPARE(FilesUnder(folder), QStringList({"Unknown(1).html", "Unknown(1).txt", "Unknown(555).html",
                                              "Unknown(555).txt", "Unknown.html", "Unknown.txt"}));
    QCOMPARE(ReadAll(folder + "/Unknown(555).txt"),
             std::string("      From: 555\n"
                         "      Data: 2020-01-02 03:04:05\n"
                         "   Content: hi <b>there</b> & \"you\"\n\n"
                         "        To: 555\n"
                         "      Data: 2020-01-02 03:04:06\n"
                         "   Content: line1\nline2\n\n"
                         "      From: 555\n"
                         "      Data: 2020-01-02 03:04:07\n"
                         "   Content: from unknown\n\n"));
    QCOMPARE(ReadAll(folder + "/Unknown(555).html"),
             std::string("<h>iPhone's Messages of |Name: Unknown, Phone: 555</h>\n"
                         "<div class=\"date\">Date: 2020-01-02 03:04:05 555:</div>\r\n"
                         "<div class=\"recv_msg\">hi &lt;b&gt;there&lt;/b&gt; &amp; &quot;you&quot;</div>\r\n"
                         "<div class=\"date\">Date: 2020-01-02 03:04:06 Me:</div>\r\n"
                         "<div class=\"send_msg\">line1\nline2</div>\r\n"
                         "<div class=\"date\">Date: 2020-01-02 03:04:07 555:</div>\r\n"
                         "<div class=\"del_recv_msg\">from unknown</div>\r\n"
                         "<end/>"));

    // A named contact: name(number) for the files and the text entries.
    map[3] = {Msg(3, 0, "+1 (555) 010", "Ann <Lee>", "<script>alert(1)</script>")};
    QCOMPARE(rec.RecoveryMsg(&map[3][0], &map), 0);
    const QString annDir = m_pOut->path() + "/Message/Ann <Lee>-" + rec.Stamp();
    QVERIFY(ReadAll(annDir + "/Ann <Lee>(+1 (555) 010).txt").find("      From: Ann <Lee>(+1 (555) 010)\n") == 0);
    const std::string html = ReadAll(annDir + "/Ann <Lee>(+1 (555) 010).html");
    QVERIFY(html.find("Name: Ann &lt;Lee&gt;, Phone: +1 (555) 010") != std::string::npos);
    QVERIFY(html.find("Date: 2020-01-02 03:04:05 Ann &lt;Lee&gt;:") != std::string::npos);
    QVERIFY(html.find("&lt;script&gt;alert(1)&lt;/script&gt;") != std::string::npos);
    QVERIFY(html.find("<script>") == std::string::npos);

    // A key missing from the map gives an entry-less page: head and tail only.
    QCOMPARE(rec.SaveSMSMessage(99, (folder + "/none.html").toStdWString().c_str(), &map), 0);
    QCOMPARE(ReadAll(folder + "/none.html"), std::string("<h>iPhone's Messages of |Name: Ann &lt;Lee&gt;, Phone: +1 (555) 010</h>\n<end/>"));

    // Without any conversation the database copy makes no folder and writes nothing.
    QTemporaryDir fresh;
    CRecovery other;
    MakeRecovery(other, fresh.path());
    QCOMPARE(other.SaveMessage(), 0);
    QVERIFY(FilesUnder(fresh.path()).isEmpty());
    QVERIFY(!QFileInfo::exists(fresh.path() + "/Message"));
}

void TestCRecovery::groupConversation()
{
    // A group: one folder under the group's name made safe, each entry naming its
    // sender ("Me" for the owner), the head listing the members' numbers.
    const unsigned key = GroupConversationKey(12);
    const int k = static_cast<int>(key);
    MessageMap map;
    map[key] = {Msg(k, 0, "+1 555", "Ann <Lee>", "hi all", "2020-01-02 03:04:07"),
                Msg(k, 1, "", "Me", "from me", "2020-01-02 03:04:06"),
                Msg(k, 0, "+1 777", "", "stranger", "2020-01-02 03:04:05")};
    for (__MESSAGE_INFO__& m : map[key]) {
        m.strChatName = "../Team/<x>";
        m.strChatNumbers = "+1 555, +1 777";
    }
    // The first message's own sender names neither the folder nor the files.
    map[3] = {Msg(3, 0, "+1 555", "Ann <Lee>", "private")};
    CRecovery rec;
    MakeRecovery(rec, m_pOut->path());
    QCOMPARE(rec.RecoveryMsg(&map[key][0], &map), 0);

    const QString dir = m_pOut->path() + "/Message/.._Team_<x>-" + rec.Stamp();
    QCOMPARE(FilesUnder(m_pOut->path() + "/Message"),
             QStringList({".._Team_<x>-" + rec.Stamp() + "/.._Team_<x>.html",
                          ".._Team_<x>-" + rec.Stamp() + "/.._Team_<x>.txt"}));
    QCOMPARE(ReadAll(dir + "/.._Team_<x>.txt"),
             std::string("      From: Ann <Lee>(+1 555)\n"
                         "      Data: 2020-01-02 03:04:07\n"
                         "   Content: hi all\n\n"
                         "      From: Me\n"
                         "      Data: 2020-01-02 03:04:06\n"
                         "   Content: from me\n\n"
                         "      From: +1 777\n"
                         "      Data: 2020-01-02 03:04:05\n"
                         "   Content: stranger\n\n"));
    QCOMPARE(ReadAll(dir + "/.._Team_<x>.html"),
             std::string("<h>iPhone's Messages of |Name: ../Team/&lt;x&gt;, Phone: +1 555, +1 777</h>\n"
                         "<div class=\"date\">Date: 2020-01-02 03:04:07 Ann &lt;Lee&gt;:</div>\r\n"
                         "<div class=\"recv_msg\">hi all</div>\r\n"
                         "<div class=\"date\">Date: 2020-01-02 03:04:06 Me:</div>\r\n"
                         "<div class=\"send_msg\">from me</div>\r\n"
                         "<div class=\"date\">Date: 2020-01-02 03:04:05 +1 777:</div>\r\n"
                         "<div class=\"recv_msg\">stranger</div>\r\n"
                         "<end/>"));
}

void TestCRecovery::whatsAppChats()
{
    WhatsAppMessageMap chats;
    __WHATSAPP_MESSAGE__ first = Wa(4, 0, "Smith, John", "+44 1", "Hello, \"world\"\nbye");
    first.strExtra1 = "Smith, John";
    first.strExtra2 = "+44 1";
    first.strExtra3 = "John Smith";
    __WHATSAPP_MESSAGE__ second = Wa(4, 1, "", "", "ok <i>");
    second.nDeleted = 1;
    chats[4] = {first, second};
    __WHATSAPP_MESSAGE__ plain = Wa(5, 0, "Unknown", "+1 2", "x");
    plain.strExtra1 = "Bo";
    plain.strExtra2 = "+1 2";
    chats[5] = {plain};
    __WHATSAPP_MESSAGE__ nameless = Wa(6, 0, "", "", "y");
    chats[6] = {nameless};

    CRecovery rec;
    MakeRecovery(rec, m_pOut->path());
    for (auto& c : chats)
        QCOMPARE(rec.RecoveryWhatsAppMsg(&c.second[0], &chats), 0);
    const QString base = m_pOut->path() + "/WhatsApp Message/";
    const QString T = rec.Stamp();
    QCOMPARE(FilesUnder(base), QStringList({"Bo(+1 2)-" + T + "/Bo(+1 2).csv", "Bo(+1 2)-" + T + "/Bo(+1 2).html",
                                            "Bo(+1 2)-" + T + "/Bo(+1 2).txt", "John Smith-" + T + "/John Smith.csv",
                                            "John Smith-" + T + "/John Smith.html", "John Smith-" + T + "/John Smith.txt",
                                            "Unknown-" + T + "/Unknown.csv", "Unknown-" + T + "/Unknown.html",
                                            "Unknown-" + T + "/Unknown.txt"}));
    const QString js = base + "John Smith-" + T + "/John Smith";
    QCOMPARE(ReadAll(js + ".csv"), std::string("Chats,Name/Phone,Date,Type,Content\n"
                                               "\"Smith, John\",+44 1,2021-06-07 08:09:10,Received,\"Hello, \"\"world\"\"\nbye\"\n"
                                               ",,2021-06-07 08:09:10,Send,ok <i>\n"));
    QCOMPARE(ReadAll(js + ".html"), std::string("<w>iPhone's WhatsApp Messages of |Name: Smith, John, Phone: +44 1</w>\n"
                                                "<div class=\"date\">Date: 2021-06-07 08:09:10 Smith, John:</div>\r\n"
                                                "<div class=\"recv_msg\">Hello, &quot;world&quot;\nbye</div>\r\n"
                                                "<div class=\"date\">Date: 2021-06-07 08:09:10 Me:</div>\r\n"
                                                "<div class=\"del_send_msg\">ok &lt;i&gt;</div>\r\n<end/>"));
    QVERIFY(ReadAll(js + ".txt").find("      From: Smith, John(+44 1)\n") == 0);
    // "Unknown" as a sender name falls back to the number.
    QVERIFY(ReadAll(base + "Bo(+1 2)-" + T + "/Bo(+1 2).txt").find("      From: +1 2\n") == 0);
    QVERIFY(ReadAll(base + "Bo(+1 2)-" + T + "/Bo(+1 2).html").find("Date: 2021-06-07 08:09:10 +1 2:") != std::string::npos);
}

void TestCRecovery::tableReports()
{
    CRecovery rec;
    MakeRecovery(rec, m_pOut->path());
    const __PERSON_CONTENT__ p = TestContact("Ann & Bob", "555 1\n<555 2>", "a@b.c", "Co", "http://x");
    rec.RecoveryContacts(&p);
    QCOMPARE(rec.SaveContacts(), 0);
    QCOMPARE(rec.SaveContactsVcf(), 0);
    QCOMPARE(ReadAll(rec.ContactsDir() + "/Contacts.html"),
             std::string("<c>iPhone's Contacts of </c><table>\t<tr><td>Ann &amp; Bob</td><td>555 1<br />&lt;555 2&gt;</td>"
                         "<td>a@b.c</td><td></td><td>http://x</td><td></td><td>Co</td></tr>\r\n</table>"));
    const std::string vcf = ReadAll(rec.ContactsDir() + "/Contacts.vcf");
    QVERIFY(vcf.find("FN:Ann & Bob\r\n") != std::string::npos);
    QVERIFY(vcf.find("TEL;TYPE=VOICE:<555 2>\r\n") != std::string::npos);

    // A card from the address book's own tables: labelled values, one per line.
    CRecovery own;
    MakeRecovery(own, m_pOut->path() + "/own");
    __PERSON_CONTENT__ z;
    z.strName = "Zed <Twin>";
    z.vecPhones = {{"iPhone", "+1 (555) 765-4321"}, {"TextNow", "(555) 123-4567"}};
    z.vecEmails = {{"_$!<Home>!$_", "z@example.com"}};
    z.vecUrls = {{"", "http://z"}};
    z.strBirthday = "1990-01-02";
    z.vecAddresses = {{"_$!<Work>!$_", "1 Road", "Oslo", "", "", "", ""}};
    own.RecoveryContacts(&z);
    QCOMPARE(own.SaveContacts(), 0);
    QCOMPARE(ReadAll(own.ContactsDir() + "/Contacts.html"),
             std::string("<c>iPhone's Contacts of </c><table>\t<tr><td>Zed &lt;Twin&gt;</td>"
                         "<td>iPhone: +1 (555) 765-4321<br />TextNow: (555) 123-4567</td><td>home: z@example.com</td>"
                         "<td>work: 1 Road, Oslo<br />birthday: 1990-01-02</td><td>http://z</td><td></td><td></td>"
                         "</tr>\r\n</table>"));

    const struct { int answered, duration; const char* type; const char* last; } calls[] = {
        {1, 3725, "Incoming", "01:02:05"}, {1, 0, "Incoming", "Missed"}, {0, 65, "Outgoing", "00:01:05"},
        {0, 0, "Outgoing", "Canceled"}, {0, 360000, "Outgoing", "100:00:00"}};
    std::string rows;
    for (const auto& c : calls) {
        __CALLHISTORY__ call;
        call.nAnswered = c.answered;
        call.nDuration = c.duration;
        call.strDate = "2020-01-01 00:00:00";
        call.strAddress = "555";
        call.strContactName = "Eve";
        rec.RecoveryCallHistory(&call);
        rows += std::string("\t<tr><td>Eve</td><td>555</td><td>2020-01-01 00:00:00</td><td>") + c.type + "</td><td>" +
                c.last + "</td></tr>\r\n";
    }
    QCOMPARE(rec.SaveCallHistory(), 0);
    QCOMPARE(ReadAll(rec.CallHistoryPath()), "<k>iPhone's Call History of </k><table>" + rows + "</table>");
    QCOMPARE(rec.CallHistoryPath(), m_pOut->path() + "/CallHistory/CallHistory_" + rec.Stamp() + ".html");

    __NOTES__ note;
    note.strTitle = "Shopping";
    note.strDate = "2020-02-29 10:00:00";
    note.strBody = "milk < 2 l";
    rec.RecoveryNotes(&note);
    QCOMPARE(rec.SaveNotes(), 0);
    QCOMPARE(ReadAll(rec.NotesPath()), std::string("<n>iPhone's Notes of </n><table>\t<tr><td>Shopping</td><td>2020-02-29 "
                                                   "10:00:00</td><td>milk &lt; 2 l</td></tr>\r\n</table>"));

    // Exported files 0644, folders 0755.
    struct stat st;
    QCOMPARE(::stat(rec.NotesPath().toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0644);
    QCOMPARE(::stat((m_pOut->path() + "/Notes").toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0755);
    QCOMPARE(::stat((rec.ContactsDir() + "/Contacts.vcf").toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0644);
}

void TestCRecovery::reportsReplacedWithinOneSecond()
{
    // Same stamp: the later report replaces the earlier, and no temporary file is left.
    QString stamp;
    do {
        CRecovery a, b;
        MakeRecovery(a, m_pOut->path());
        MakeRecovery(b, m_pOut->path());
        if (a.Stamp() != b.Stamp())
            continue;
        __NOTES__ n1, n2;
        n1.strTitle = "first";
        n2.strTitle = "second";
        a.RecoveryNotes(&n1);
        QCOMPARE(a.SaveNotes(), 0);
        b.RecoveryNotes(&n2);
        QCOMPARE(b.SaveNotes(), 0);
        QVERIFY(ReadAll(b.NotesPath()).find("second") != std::string::npos);
        QVERIFY(ReadAll(b.NotesPath()).find("first") == std::string::npos);
        stamp = a.Stamp();
    } while (stamp.isEmpty());
    QCOMPARE(FilesUnder(m_pOut->path() + "/Notes"), QStringList({"Notes_" + stamp + ".html"}));

    // Another second: a second report beside the first.
    CRecovery later;
    do {
        QTest::qWait(50);
        MakeRecovery(later, m_pOut->path());
    } while (later.Stamp() == stamp);
    __NOTES__ n;
    later.RecoveryNotes(&n);
    QCOMPARE(later.SaveNotes(), 0);
    QCOMPARE(FilesUnder(m_pOut->path() + "/Notes").size(), 2);
}

void TestCRecovery::unwritableDestination()
{
    // A destination below a plain file cannot be made, even by root.
    WriteText(m_pOut->path() + "/file", "x");
    const QString bad = m_pOut->path() + "/file/out";
    CRecovery rec;
    MakeRecovery(rec, bad);
    MessageMap map;
    map[1] = {Msg(1, 0, "1", "A", "t")};
    QVERIFY(rec.RecoveryMsg(&map[1][0], &map) != 0);
    __NOTES__ n;
    rec.RecoveryNotes(&n);
    QVERIFY(rec.SaveNotes() != 0);
    __CALLHISTORY__ c;
    rec.RecoveryCallHistory(&c);
    QVERIFY(rec.SaveCallHistory() != 0);
    __PERSON_CONTENT__ p;
    rec.RecoveryContacts(&p);
    QVERIFY(rec.SaveContacts() != 0);
    QVERIFY(rec.SaveContactsVcf() != 0);
    WhatsAppMessageMap chats;
    chats[1] = {Wa(1, 0, "a", "b", "c")};
    QVERIFY(rec.RecoveryWhatsAppMsg(&chats[1][0], &chats) != 0);
    QCOMPARE(FilesUnder(m_pOut->path()), QStringList({"file"}));

    // An existing file under the wanted name is never replaced by a conversation file.
    CRecovery ok;
    MakeRecovery(ok, m_pOut->path());
    const QString dir = m_pOut->path() + "/Message/A-" + ok.Stamp();
    WriteText(dir + "/A(1).txt", "mine");
    QCOMPARE(ok.RecoveryMsg(&map[1][0], &map), 0);
    QCOMPARE(ReadAll(dir + "/A(1).txt"), std::string("mine"));
    QCOMPARE(FilesUnder(dir), QStringList({"A(1)(1).txt", "A(1).html", "A(1).txt"}));
}

void TestCRecovery::hostileNamesStayInside()
{
    MessageMap map;
    map[1] = {Msg(1, 0, "../../../x", "../../x", "t")};
    map[2] = {Msg(2, 0, "b/c", "a/b", "t")};
    map[3] = {Msg(3, 0, "", "..", "t")};
    map[4] = {Msg(4, 0, std::string(600, '9'), std::string(400, 'n'), "t")};
    WhatsAppMessageMap chats;
    __WHATSAPP_MESSAGE__ w = Wa(1, 0, "", "", "t");
    w.strExtra1 = "../..";
    w.strExtra2 = "/etc/passwd";
    chats[1] = {w};

    QTemporaryDir outer;
    const QString dest = outer.path() + "/dest";
    CRecovery rec;
    MakeRecovery(rec, dest);
    for (auto& c : map)
        QCOMPARE(rec.RecoveryMsg(&c.second[0], &map), 0);
    QCOMPARE(rec.RecoveryWhatsAppMsg(&chats[1][0], &chats), 0);

    // Everything lands below dest, two levels deep, and nothing beside it.
    QCOMPARE(FilesUnder(outer.path()).filter(QRegularExpression("^dest/")).size(), FilesUnder(outer.path()).size());
    const QStringList files = FilesUnder(dest);
    QCOMPARE(files.size(), 4 * 2 + 3);
    for (const QString& f : files) {
        QCOMPARE(f.count('/'), 2);
        QVERIFY2(QFileInfo(f).fileName().toUtf8().size() <= 255, qPrintable(f));
    }
    QVERIFY(files.contains("Message/.._.._x-" + rec.Stamp() + "/.._.._x(.._.._.._x).txt"));
    QVERIFY(files.contains("Message/a_b-" + rec.Stamp() + "/a_b(b_c).html"));
    QVERIFY(files.contains("Message/..-" + rec.Stamp() + "/...txt"));
    QVERIFY(files.contains("WhatsApp Message/.._..(_etc_passwd)-" + rec.Stamp() + "/.._..(_etc_passwd).csv"));
}

QTEST_GUILESS_MAIN(TestCRecovery)
#include "tst_crecovery.moc"
