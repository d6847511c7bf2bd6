// Chat pages that show their files: copies beside the page, links that survive
// hostile names, players and pictures by content, placeholders for missing files.
#include <QtTest>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "SampleChatExport.h"
#include "export/ChatAttachments.h"
#include "export/Recovery.h"
#include "support/HeifDecode.h"
#include "tools/sample/MediaContent.h"

namespace {

_MESSAGE_ATTACHMENT_ Att(const QString& path, const std::string& name, const std::string& mime = std::string())
{
    _MESSAGE_ATTACHMENT_ a;
    a.strName = name;
    a.strMimeType = mime;
    a.strManifestName = "MediaDomain-Library/SMS/Attachments/ab/01/G/" + name;
    if (!path.isEmpty()) {
        a.wstrFullPath = path.toStdWString();
        a.nSize = QFileInfo(path).size();
    } else {
        a.nSize = 4242;
    }
    return a;
}

QString OnlyDir(const QString& parent)
{
    const QStringList dirs = QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return dirs.size() == 1 ? parent + "/" + dirs.first() : QString();
}

} // namespace

class TestChatAttachments : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void namesAndKinds();
    void conversationPageShowsItsFiles();
    void whatsAppChatAndTextExports();
    void secondExportNeverOverwrites();
    void unwritableAttachmentFolder();
    void generatedSampleLinksStayInside();

private:
    void Prepare(CRecovery& rec, const QString& dir)
    {
        rec.SetTemplateRoot(m_templates.path());
        rec.Init(dir, nullptr);
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_src.path() + "/" + name;
        WriteText(path, bytes);
        return path;
    }
    std::vector<_MESSAGE_ATTACHMENT_> m_files;
    QTemporaryDir m_src;
    QTemporaryDir m_templates;
};

void TestChatAttachments::initTestCase()
{
    WriteTestTemplates(m_templates.path());
    SampleRandom random(3);
    // Stored files carry hashed names; only the database knows the real ones.
    m_files = {
        Att(Write("0a/1", MakeSampleMedia(SampleMediaKind::JpegExif, random, 1)), "IMG_4021.JPG", "image/jpeg"),
        Att(Write("0a/2", MakeSampleMedia(SampleMediaKind::Heic, random, 2)), "IMG_4022.HEIC", "image/heic"),
        Att(Write("0a/3", MakeSampleMedia(SampleMediaKind::QuickTime, random, 3)), "IMG_0042.jpeg", "image/jpeg"),
        Att(Write("0a/4", MakeSampleMedia(SampleMediaKind::Caf, random, 4)), "Audio Message.caf", "audio/x-caf"),
        Att(Write("0a/5", MakeSampleMedia(SampleMediaKind::Pdf, random, 5)), "Trip plan.pdf", "application/pdf"),
        Att(Write("0a/6", MakeSampleMedia(SampleMediaKind::Docx, random, 6)), "blob.xyz"),
        Att(Write("0a/7", "odd text"), "../Notes #2 \"draft\"?%41.txt", "text/plain"),
        Att(QString(), "IMG_9999.MOV", "video/quicktime"),
    };
}

void TestChatAttachments::namesAndKinds()
{
    QCOMPARE(PercentEncode("a b#c?d\"e%f/../é.txt"), std::string("a%20b%23c%3Fd%22e%25f%2F..%2F%C3%A9.txt"));
    QCOMPARE(PercentEncode("IMG_0001-x~y.JPG"), std::string("IMG_0001-x~y.JPG"));
    // Content decides what is shown as a picture: a ".jpeg" holding a movie plays.
    QCOMPARE(ClassifyAttachment(m_files[0]), AttachmentKind::Picture);
    QCOMPARE(ClassifyAttachment(m_files[1]), AttachmentKind::Heic);
    QCOMPARE(ClassifyAttachment(m_files[2]), AttachmentKind::Video);
    QCOMPARE(ClassifyAttachment(m_files[3]), AttachmentKind::Audio);
    QCOMPARE(ClassifyAttachment(m_files[4]), AttachmentKind::Other);
    QCOMPARE(ClassifyAttachment(m_files[5]), AttachmentKind::Other);
    // A missing file is never a picture, whatever its name says.
    QCOMPARE(ClassifyAttachment(Att(QString(), "x.jpg", "image/jpeg")), AttachmentKind::Other);
    QCOMPARE(ClassifyAttachment(Att(QString(), "voice.opus")), AttachmentKind::Audio);

    QCOMPARE(TextWithAttachments("Look", {m_files[0], m_files[3]}),
             std::string("Look\n[attachment: IMG_4021.JPG]\n[attachment: Audio Message.caf]"));
    QCOMPARE(TextWithAttachments("", {m_files[7]}), std::string("[attachment: IMG_9999.MOV]"));
    QCOMPARE(TextWithAttachments("plain", {}), std::string("plain"));
}

void TestChatAttachments::conversationPageShowsItsFiles()
{
    QTemporaryDir out;
    MessageMap map;
    __MESSAGE_INFO__ first = Msg(7, 0, "+15551234567", "Ann Lee", "Look at these");
    first.vecAttachments = {m_files[0], m_files[1], m_files[2], m_files[3]};
    __MESSAGE_INFO__ only = first;
    only.strText.clear();  // an attachment alone
    only.vecAttachments = {m_files[4], m_files[5], m_files[6], m_files[7]};
    map[7] = {first, only};

    CRecovery rec;
    Prepare(rec, out.path());
    QCOMPARE(rec.RecoveryMsg(&map[7].front(), &map), 0);
    const QString chat = OnlyDir(out.path() + "/Message");
    QVERIFY(!chat.isEmpty());
    const QString page = chat + "/Ann Lee(+15551234567).html";
    const std::string html = ReadAll(page);

    // Every link resolves to a file inside the conversation's folder.
    int links = 0;
    QCOMPARE(BadLinks(page, chat, &links), QStringList());
    QVERIFY(links >= 10);

    // Originals under their sent names; the HEIC also as a JPEG the page can show.
    QStringList copied = QDir(chat + "/attachments").entryList(QDir::Files);
    copied.sort();
    QStringList wanted = {"Audio Message.caf", "IMG_0042.jpeg", "IMG_4021.JPG", "IMG_4022.HEIC", "Trip plan.pdf",
                          "blob.xyz", "Notes #2 \"draft\"?%41.txt"};
    if (HeifDecode::IsAvailable() && SampleHeicIsEncoded())
        wanted << "IMG_4022.jpg";
    wanted.sort();
    QCOMPARE(copied, wanted);
    QCOMPARE(ReadAll(chat + "/attachments/Trip plan.pdf"), ReadAll(QString::fromStdWString(m_files[4].wstrFullPath)));
    QCOMPARE(rec.TakeAttachmentsWritten(nullptr), int(wanted.size()));

    QVERIFY(html.find("<img src=\"attachments/IMG_4021.JPG\" alt=\"IMG_4021.JPG\">") != std::string::npos);
    if (HeifDecode::IsAvailable() && SampleHeicIsEncoded()) {
        QVERIFY(html.find("<a href=\"attachments/IMG_4022.HEIC\"><img src=\"attachments/IMG_4022.jpg\"") !=
                std::string::npos);
        QImage converted(chat + "/attachments/IMG_4022.jpg");
        QVERIFY(!converted.isNull());
        QCOMPARE(converted.width(), 64);
    }
    QVERIFY(html.find("<video controls preload=\"metadata\" src=\"attachments/IMG_0042.jpeg\">") != std::string::npos);
    QVERIFY(html.find("<audio controls preload=\"metadata\" src=\"attachments/Audio%20Message.caf\">") !=
            std::string::npos);
    QVERIFY(html.find("<a class=\"file\" href=\"attachments/Trip%20plan.pdf\">Trip plan.pdf</a>") != std::string::npos);
    // The hostile name: one component, escaped in text, percent-encoded in the link.
    QVERIFY(html.find("href=\"attachments/Notes%20%232%20%22draft%22%3F%2541.txt\">"
                      "../Notes #2 &quot;draft&quot;?%41.txt</a>") != std::string::npos);
    // Missing from the backup: a named placeholder, nothing written.
    QVERIFY(html.find("<span class=\"missing\">IMG_9999.MOV (not in this backup)</span>") != std::string::npos);
    // The attachment-only message still has its bubble.
    QCOMPARE(QString::fromStdString(html).count("class=\"recv_msg\""), 2);

    const std::string txt = ReadAll(chat + "/Ann Lee(+15551234567).txt");
    QVERIFY(txt.find("Content: Look at these\n[attachment: IMG_4021.JPG]\n[attachment: IMG_4022.HEIC]") !=
            std::string::npos);
    QVERIFY(txt.find("Content: [attachment: Trip plan.pdf]\n") != std::string::npos);
    QVERIFY(txt.find("[attachment: IMG_9999.MOV]") != std::string::npos);
}

void TestChatAttachments::whatsAppChatAndTextExports()
{
    QTemporaryDir out;
    WhatsAppMessageMap chats;
    __WHATSAPP_MESSAGE__ m = Wa(3, 0, "Ann Lee", "15551234567", "[document] Trip plan.pdf");
    m.strExtra1 = "Ann Lee";
    m.strExtra2 = "15551234567";
    m.vecAttachments = {m_files[4], m_files[7]};
    chats[3] = {m};
    CRecovery rec;
    Prepare(rec, out.path());
    QCOMPARE(rec.RecoveryWhatsAppMsg(&chats[3].front(), &chats), 0);
    const QString chat = OnlyDir(out.path() + "/WhatsApp Message");
    QVERIFY(!chat.isEmpty());
    QCOMPARE(BadLinks(chat + "/Ann Lee(15551234567).html", chat), QStringList());
    QVERIFY(QFileInfo(chat + "/attachments/Trip plan.pdf").isFile());
    const std::string csv = ReadAll(chat + "/Ann Lee(15551234567).csv");
    QVERIFY(csv.find("\"[document] Trip plan.pdf\n[attachment: Trip plan.pdf]\n[attachment: IMG_9999.MOV]\"") !=
            std::string::npos);
}

void TestChatAttachments::secondExportNeverOverwrites()
{
    // Two conversations of one name in one run share a folder; each page links its own copy.
    QTemporaryDir out;
    MessageMap map;
    __MESSAGE_INFO__ a;
    a.nHandleId = 1;
    a.strSender = "555";
    a.strText = "first";
    a.vecAttachments = {m_files[4]};
    __MESSAGE_INFO__ b = a;
    b.nHandleId = 2;
    b.strText = "second";
    b.vecAttachments = {m_files[6]};
    b.vecAttachments[0].strName = "Trip plan.pdf";
    map[1] = {a};
    map[2] = {b};
    CRecovery rec;
    Prepare(rec, out.path());
    QCOMPARE(rec.RecoveryMsg(&map[1].front(), &map), 0);
    QCOMPARE(rec.RecoveryMsg(&map[2].front(), &map), 0);
    const QString chat = OnlyDir(out.path() + "/Message");
    QCOMPARE(ReadAll(chat + "/attachments/Trip plan.pdf"), ReadAll(QString::fromStdWString(m_files[4].wstrFullPath)));
    QCOMPARE(ReadAll(chat + "/attachments/Trip plan(1).pdf"), std::string("odd text"));
    QVERIFY(ReadAll(chat + "/Unknown(555)(1).html").find("href=\"attachments/Trip%20plan%281%29.pdf\"") !=
            std::string::npos);
    QCOMPARE(BadLinks(chat + "/Unknown(555).html", chat), QStringList());
    QCOMPARE(BadLinks(chat + "/Unknown(555)(1).html", chat), QStringList());
}

void TestChatAttachments::unwritableAttachmentFolder()
{
    // A file where the folder belongs: the page still comes out, the files are named
    // with the reason, and the run hears of every one that failed.
    QTemporaryDir out;
    MessageMap map;
    __MESSAGE_INFO__ a;
    a.nHandleId = 1;
    a.strSender = "555";
    a.strText = "x";
    a.vecAttachments = {m_files[0], m_files[4]};
    map[1] = {a};
    CRecovery rec;
    Prepare(rec, out.path());
    const QString chatDir = out.path() + "/Message/Unknown-" + rec.Stamp();
    QVERIFY(WriteText(chatDir + "/attachments", "in the way"));
    QCOMPARE(rec.RecoveryMsg(&map[1].front(), &map), 0);
    const std::string html = ReadAll(chatDir + "/Unknown(555).html");
    QVERIFY(html.find("IMG_4021.JPG (cannot make the folder: ") != std::string::npos);
    std::vector<std::pair<std::string, std::string>> failures;
    QCOMPARE(rec.TakeAttachmentsWritten(&failures), 0);
    QCOMPARE(int(failures.size()), 2);
    QCOMPARE(ReadAll(chatDir + "/attachments"), std::string("in the way"));
}

void TestChatAttachments::generatedSampleLinksStayInside()
{
    QTemporaryDir root;
    SampleOptions options;
    options.scale = SampleOptions::Scale::Tiny;
    options.seed = 4;
    SampleChatExport result;
    QString error;
    QVERIFY2(ExportSampleChats(options, root.path(), &result, &error), qPrintable(error));
    QCOMPARE(result.outcome.nFailed, 0);
    QVERIFY(result.pages.size() >= 4);
    int totalLinks = 0;
    for (const QString& page : result.pages) {
        int links = 0;
        const QStringList bad = BadLinks(page, result.exportDir, &links);
        QVERIFY2(bad.isEmpty(), qPrintable(page + ": " + bad.join(", ")));
        totalLinks += links;
    }
    QVERIFY(totalLinks > 20);
    // The fixed messages' files: a voice message, a PDF and a document of unknown type,
    // copied with their own extensions; the missing movie named where it was sent.
    QStringList copied;
    QDirIterator it(result.exportDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains("/attachments/"))
            copied << QFileInfo(path).fileName();
    }
    for (const char* name : {"Audio Message.caf", "Trip plan.pdf", "Budget 2024.docx", "Anna Berg.vcf"})
        QVERIFY2(copied.contains(QLatin1String(name)), name);
    bool placeholder = false;
    for (const QString& page : result.pages)
        placeholder = placeholder || ReadAll(page).find("IMG_9999.MOV (not in this backup)") != std::string::npos;
    QVERIFY(placeholder);
}

QTEST_GUILESS_MAIN(TestChatAttachments)
#include "tst_chatattachments.moc"
