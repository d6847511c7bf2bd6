#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "export/ManifestVerify.h"
#include "export/RecoveryRun.h"

namespace {
struct Report {
    int fine, coarse, failed;
    QString name;
};

struct Recorder {
    std::vector<Report> reports;
    RecoveryReportFn Fn()
    {
        return [this](int fine, int coarse, int failed, const QString& name) {
            reports.push_back({fine, coarse, failed, name});
        };
    }
    int Percent(std::size_t i) const { return std::min(100, reports[i].fine / 100 + reports[i].coarse); }
};

template <typename Rec>
Rec Media(const QString& source, const std::string& name)
{
    Rec r;
    r.strFileName = name;
    r.wstrFullPath = source.toStdWString();
    return r;
}

_IPHONE_APP_FILE_INFO_ App(const QString& source, const std::string& app, const std::string& name)
{
    _IPHONE_APP_FILE_INFO_ r = Media<_IPHONE_APP_FILE_INFO_>(source, name);
    r.strAppName = app;
    return r;
}
}

class TestRecoveryRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void progressAndTree();
    void nothingTicked();
    void failedCopiesReportedAndRunGoesOn();
    void unwritableDestination();
    void hostileNamesStayInside();
    void stopSilencesReports();
    void ownershipForInvokingUser();

private:
    QTemporaryDir m_src;
    QTemporaryDir m_templates;
    QString m_strJpeg;
};

void TestRecoveryRun::initTestCase()
{
    WriteTestTemplates(m_templates.path());
    m_strJpeg = m_src.path() + "/ab/abcdef";
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    QVERIFY(WriteText(m_strJpeg, bytes));
}

void TestRecoveryRun::progressAndTree()
{
    QTemporaryDir out;
    RecoverySelection sel;
    for (const char* n : {"IMG_0001.JPG", "IMG_0001.JPG", "IMG_0002.HEIC"})
        sel.vecCamera.push_back(Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, n));
    sel.vecPhotoStream.push_back(Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "ps.jpg"));
    sel.mapAppPhotos["alpha"] = {App(m_strJpeg, "alpha", "a1.png"), App(m_strJpeg, "alpha", "a2.png")};
    sel.mapAppPhotos["beta"] = {App(m_strJpeg, "beta", "b1.png")};
    sel.mapAppPhotos["gone"] = {}; // ticked but not found: counts, adds nothing
    sel.mapAppVideos["alpha"] = {App(m_strJpeg, "alpha", "v.MOV")};
    sel.vecWhatsAppAttach.push_back(Media<_WHATSAPP_ATTACHMENTS_>(m_strJpeg, "w.jpg"));
    sel.vecMessageAttach.push_back(Media<_IPHONE_ATTACHMENTS_>(m_strJpeg, "m.JPG"));
    MessageMap messages;
    __MESSAGE_INFO__ m;
    m.nHandleId = 3;
    m.strSender = "555";
    m.strText = "hello";
    messages[3] = {m};
    sel.pMessages = &messages;
    sel.vecMessageKeys = {3, 42}; // 42 is no longer in the map
    sel.vecContacts = {TestContact("Ann", "1")};
    sel.vecCalls.resize(1);
    sel.vecNotes.resize(2);
    WhatsAppMessageMap chats;
    __WHATSAPP_MESSAGE__ w;
    w.nChatId = 9;
    w.strExtra1 = "Bo";
    w.strExtra2 = "1";
    w.strText = "x";
    chats[9] = {w};
    sel.pWhatsApp = &chats;
    sel.vecWhatsAppKeys = {9};

    Recorder rec;
    const QString D = out.path();
    const RecoveryOutcome outcome = RunRecovery(sel, D, nullptr, rec.Fn(), nullptr, m_templates.path());
    const QString T = outcome.strStamp;

    std::vector<int> percents;
    for (std::size_t i = 0; i < rec.reports.size(); ++i)
        percents.push_back(rec.Percent(i));
    // Camera 6/13/20 then 21; stream 40, 41; apps 43 43 46(beta at k=2 of 3), 51; videos 70, 71;
    // WhatsApp files 80, 81; attachments 90, 91; messages 92; contacts 93; calls 94; notes 96; end 100.
    const std::vector<int> expected = {6, 13, 20, 21, 40, 41, 43, 43, 46, 51, 70, 71, 80, 81, 90, 91, 92, 93, 94, 96, 100};
    QCOMPARE(percents, expected);
    QCOMPARE(rec.reports[0].fine, 666);
    QCOMPARE(rec.reports[1].fine, 1333);
    QCOMPARE(rec.reports[0].name, D + "/Camera Roll/IMG_0001.JPG");
    QCOMPARE(rec.reports[1].name, D + "/Camera Roll/IMG_0001(1).JPG");
    QCOMPARE(rec.reports[3].name, QString());
    QCOMPARE(rec.reports[16].name, D + "/Message/sms.csv");
    QCOMPARE(rec.reports[17].name, D + "/Contacts/Contacts.html");
    QCOMPARE(rec.reports[18].name, D + "/CallHistory/CallHistory.html");
    QCOMPARE(rec.reports[19].name, D + "/Notes/Notes.html");
    QCOMPARE(rec.reports.back().coarse, 1000);
    for (const Report& r : rec.reports) {
        // No engine here: the two database copies fail and flag their steps.
        const bool dbStep = r.name.endsWith("sms.csv") || r.name.endsWith("Contacts.html");
        QCOMPARE(r.failed, dbStep ? 1 : 0);
    }

    const QStringList expectedFiles = {
        "App Photos/alpha/a1.png", "App Photos/alpha/a2.png", "App Photos/beta/b1.png", "App Video/alpha/v.MOV",
        "CallHistory/CallHistory_" + T + ".html", "Camera Roll/IMG_0001(1).JPG", "Camera Roll/IMG_0001.JPG",
        "Camera Roll/IMG_0002.HEIC", "Contacts/" + T + "/Contacts.html", "Contacts/" + T + "/Contacts.vcf",
        "Message Attachments/m.JPG", "Message/Unknown-" + T + "/Unknown(555).html",
        "Message/Unknown-" + T + "/Unknown(555).txt", "Notes/Notes_" + T + ".html", "Photo Stream/ps.jpg",
        "WhatsApp Attachments/w.jpg", "WhatsApp Message/Bo(1)-" + T + "/Bo(1).csv",
        "WhatsApp Message/Bo(1)-" + T + "/Bo(1).html", "WhatsApp Message/Bo(1)-" + T + "/Bo(1).txt"};
    QCOMPARE(ExportedFiles(D), expectedFiles);
    // The manifest lists them all (the database copies failed, so they are not there).
    const ManifestVerification proof = VerifyRecoveryManifest(outcome.strManifestPath);
    QVERIFY(proof.AllIntact());
    QCOMPARE(proof.nChecked, expectedFiles.size());
    QCOMPARE(ReadAll(D + "/Camera Roll/IMG_0001(1).JPG"), ReadAll(m_strJpeg));
    QCOMPARE(ReadAll(D + "/Notes/Notes_" + T + ".html").size(), size_t(QByteArray("<n>iPhone's Notes of </n><table></table>").size() + 2 * 39));
    // 10 media + 1 conversation + 2 contact files + calls + notes + 1 chat; 2 database copies failed.
    QCOMPARE(outcome.nWritten, 10 + 1 + 2 + 1 + 1 + 1);
    QCOMPARE(outcome.nFailed, 2);

    // Copied files and made folders carry 0644 and 0755, not 0777.
    struct stat st;
    QCOMPARE(::stat((D + "/Camera Roll/IMG_0001.JPG").toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0644);
    QCOMPARE(::stat((D + "/App Photos/alpha").toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0755);

    // A second run into the same folder keeps every earlier file.
    Recorder again;
    RecoverySelection one;
    one.vecCamera.push_back(Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "IMG_0001.JPG"));
    RunRecovery(one, D, nullptr, again.Fn(), nullptr, m_templates.path());
    QCOMPARE(again.reports[0].name, D + "/Camera Roll/IMG_0001(2).JPG");
}

void TestRecoveryRun::nothingTicked()
{
    QTemporaryDir out;
    Recorder rec;
    RecoverySelection sel;
    const RecoveryOutcome o = RunRecovery(sel, out.path(), nullptr, rec.Fn(), nullptr, m_templates.path());
    QVERIFY(FilesUnder(out.path()).isEmpty());
    QVERIFY(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    // Only the six step reports and the end, all without names.
    QCOMPARE(int(rec.reports.size()), 7);
    for (const Report& r : rec.reports)
        QVERIFY(r.name.isEmpty() && !r.failed);
    QCOMPARE(o.nWritten + o.nFailed, 0);

    // A ticked conversation no longer in the map: no folder, still the step report.
    Recorder rec2;
    MessageMap empty;
    sel.pMessages = &empty;
    sel.vecMessageKeys = {5};
    RunRecovery(sel, out.path(), nullptr, rec2.Fn(), nullptr, m_templates.path());
    QCOMPARE(rec2.reports[6].name, out.path() + "/Message/sms.csv");
    QCOMPARE(rec2.reports[6].failed, 0);
    QVERIFY(!QFileInfo::exists(out.path() + "/Message"));
}

void TestRecoveryRun::failedCopiesReportedAndRunGoesOn()
{
    QTemporaryDir out;
    const QString link = m_src.path() + "/link";
    const QString fifo = m_src.path() + "/fifo";
    QFile::link(m_strJpeg, link);
    QVERIFY(::mkfifo(fifo.toUtf8().constData(), 0600) == 0 || errno == EEXIST);
    RecoverySelection sel;
    sel.vecCamera = {Media<_IPHONE_CAMERA_INFO_>(m_src.path() + "/missing", "a.jpg"),
                     Media<_IPHONE_CAMERA_INFO_>(link, "b.jpg"),
                     Media<_IPHONE_CAMERA_INFO_>(fifo, "c.jpg"),     // would block a plain read
                     Media<_IPHONE_CAMERA_INFO_>("/dev/zero", "d.jpg"), // would never end
                     Media<_IPHONE_CAMERA_INFO_>(m_src.path(), "e.jpg"),
                     Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "f.jpg")};
    Recorder rec;
    const RecoveryOutcome o = RunRecovery(sel, out.path(), nullptr, rec.Fn(), nullptr, m_templates.path());
    QCOMPARE(int(rec.reports.size()), 6 + 6 + 1);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(rec.reports[i].failed, 1);
        QVERIFY(!rec.reports[i].name.isEmpty());
    }
    QCOMPARE(rec.reports[5].failed, 0);
    QCOMPARE(o.nFailed, 5);
    QCOMPARE(o.nWritten, 1);
    QCOMPARE(int(o.vecFailures.size()), 5);
    QVERIFY(o.vecFailures[1].strReason.contains("link"));
    // Nothing half-written is left under a failed name.
    QCOMPARE(ExportedFiles(out.path()), QStringList({"Camera Roll/f.jpg"}));
}

void TestRecoveryRun::unwritableDestination()
{
    QTemporaryDir out;
    WriteText(out.path() + "/plain", "x");
    const QString D = out.path() + "/plain/dest";
    RecoverySelection sel;
    sel.vecCamera = {Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "a.jpg")};
    sel.mapAppVideos["x"] = {App(m_strJpeg, "x", "v.mp4")};
    MessageMap messages;
    messages[1].resize(1);
    sel.pMessages = &messages;
    sel.vecMessageKeys = {1};
    sel.vecContacts.resize(1);
    sel.vecCalls.resize(1);
    sel.vecNotes.resize(1);
    WhatsAppMessageMap chats;
    chats[2].resize(1);
    sel.pWhatsApp = &chats;
    sel.vecWhatsAppKeys = {2};
    Recorder rec;
    const RecoveryOutcome o = RunRecovery(sel, D, nullptr, rec.Fn(), nullptr, m_templates.path());
    QCOMPARE(o.nWritten, 0);
    int named = 0;
    for (const Report& r : rec.reports) {
        if (r.name.isEmpty())
            continue;
        ++named;
        QVERIFY2(r.failed, qPrintable(r.name)); // no false success
    }
    QCOMPARE(named, 2 + 4 + 1 + 1); // two files, four report steps, the chat's failure, the manifest
    QVERIFY(o.strManifestPath.isEmpty());
    QCOMPARE(rec.reports.back().coarse, 1000);
    QCOMPARE(FilesUnder(out.path()), QStringList({"plain"}));
}

void TestRecoveryRun::hostileNamesStayInside()
{
    QTemporaryDir outer;
    const QString D = outer.path() + "/dest";
    RecoverySelection sel;
    sel.vecCamera = {Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "../../escape.jpg"),
                     Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "a/b.jpg"),
                     Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, ".."),
                     Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, ""),
                     Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, std::string(1000, 'x') + ".jpg")};
    sel.mapAppPhotos["../.."] = {App(m_strJpeg, "../..", "p.png"), App(m_strJpeg, "/etc", "q.png")};
    Recorder rec;
    const RecoveryOutcome o = RunRecovery(sel, D, nullptr, rec.Fn(), nullptr, m_templates.path());
    QCOMPARE(o.nFailed, 0);
    QCOMPARE(o.nWritten, 7);
    const QStringList all = ExportedFiles(outer.path());
    QCOMPARE(all.size(), 7);
    for (const QString& f : all)
        QVERIFY2(f.startsWith("dest/Camera Roll/") || f.startsWith("dest/App Photos/"), qPrintable(f));
    QVERIFY(all.contains("dest/Camera Roll/.._.._escape.jpg"));
    QVERIFY(all.contains("dest/Camera Roll/a_b.jpg"));
    QVERIFY(all.contains("dest/App Photos/.._../p.png"));
    QVERIFY(all.contains("dest/App Photos/_etc/q.png"));
}

void TestRecoveryRun::stopSilencesReports()
{
    QTemporaryDir out;
    RecoverySelection sel;
    sel.vecCamera = {Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "a.jpg"), Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "b.jpg")};
    sel.vecNotes.resize(1);
    std::atomic<bool> stop(false);
    int calls = 0;
    auto fn = [&](int, int, int, const QString&) {
        if (++calls == 1)
            stop = true;
    };
    const RecoveryOutcome o = RunRecovery(sel, out.path(), nullptr, fn, &stop, m_templates.path());
    QCOMPARE(calls, 1);
    // The work still completes: both files and the report are there.
    QCOMPARE(o.nWritten, 3);
    QCOMPARE(ExportedFiles(out.path()).size(), 3);
}

void TestRecoveryRun::ownershipForInvokingUser()
{
    if (::geteuid() != 0)
        QSKIP("needs root to give files away");
    qputenv("SUDO_UID", "65534");
    qputenv("SUDO_GID", "65534");
    QTemporaryDir out;
    RecoverySelection sel;
    sel.vecCamera = {Media<_IPHONE_CAMERA_INFO_>(m_strJpeg, "a.jpg")};
    sel.vecNotes.resize(1);
    RunRecovery(sel, out.path() + "/new", nullptr, nullptr, nullptr, m_templates.path());
    qunsetenv("SUDO_UID");
    qunsetenv("SUDO_GID");
    for (const QString& rel : {QString("new"), QString("new/Camera Roll"), QString("new/Camera Roll/a.jpg"), QString("new/Notes")}) {
        struct stat st;
        QCOMPARE(::stat((out.path() + "/" + rel).toUtf8().constData(), &st), 0);
        QVERIFY2(st.st_uid == 65534 && st.st_gid == 65534, qPrintable(rel));
    }
    const QStringList notes = QDir(out.path() + "/new/Notes").entryList(QDir::Files);
    QCOMPARE(notes.size(), 1);
    struct stat st;
    QCOMPARE(::stat((out.path() + "/new/Notes/" + notes[0]).toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_uid), 65534);
}

QTEST_GUILESS_MAIN(TestRecoveryRun)
#include "tst_recoveryrun.moc"
