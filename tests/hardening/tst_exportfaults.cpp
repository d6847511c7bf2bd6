#include <QtTest>

#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "export/ManifestVerify.h"
#include "ExportRig.h"
#include "HostileCheck.h"

// Exports that meet a full disk, an unwritable destination, or sources that went
// away or changed kind since the scan: each item is reported, the run completes,
// and no name is left holding part of a file.
class TestExportFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void destinationFillsUp();
    void destinationNotWritable();
    void sourcesChangeAfterScan();
    void plantedLinksInDestination();

private:
    QString AddPicture(const QString& name, int bytes);
    QTemporaryDir m_tmp;
    ExportRig m_rig;
};

QString TestExportFaults::AddPicture(const QString& name, int bytes)
{
    const QString path = m_tmp.filePath("pictures/" + name);
    QDir().mkpath(m_tmp.filePath("pictures"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QByteArray data = QByteArray::fromHex("ffd8ffe000104a464946") + QByteArray(bytes - 10, char(name.size()));
    f.write(data);
    _IPHONE_CAMERA_INFO_ rec;
    rec.nSize = bytes;
    rec.strFileName = name.toStdString();
    rec.wstrFullPath = path.toStdWString();
    m_rig.selection.vecCamera.push_back(rec);
    return path;
}

void TestExportFaults::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", m_tmp.filePath("support/").toUtf8());
    SampleOptions options;
    options.seed = 31;
    QString error;
    QVERIFY2(m_rig.Build(options, m_tmp.filePath("root"), &error), qPrintable(error));
    QCOMPARE(m_rig.nScanResult, 0);
    QVERIFY(!m_rig.selection.vecMessageKeys.empty());
    QVERIFY(!m_rig.selection.vecContacts.empty());
    AddPicture("small.jpg", 20000);
    AddPicture("big.jpg", 3 << 20);
    AddPicture("medium.jpg", 600000);
    // Reports too large for the limit below.
    __NOTES__ note;
    note.strTitle = "huge";
    note.strBody = std::string(3 << 20, 'n');
    m_rig.selection.vecNotes.push_back(note);
}

void TestExportFaults::destinationFillsUp()
{
    const QString ref = m_tmp.filePath("full-ref");
    const RecoveryOutcome whole = m_rig.Export(ref);
    QCOMPARE(whole.nFailed, 0);

    const QString dest = m_tmp.filePath("full");
    const ChildOutcome child = ExportInChild(m_rig, dest, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = 1 << 20;
        struct rlimit rl = {limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
    });
    QVERIFY(child.ok);
    const RecoveryOutcome& o = child.outcome;
    // Every item is either written or reported; the run went on after the failures.
    QCOMPARE(o.nWritten + o.nFailed, whole.nWritten);
    QVERIFY(o.nFailed >= 2);
    QStringList failedNames;
    for (const RecoveryFailure& f : o.vecFailures) {
        failedNames << f.strName;
        QVERIFY2(!f.strReason.isEmpty(), qPrintable(f.strName));
    }
    QVERIFY(failedNames.contains(dest + "/Camera Roll/big.jpg"));
    QVERIFY(failedNames.contains(dest + "/Notes/Notes_" + o.strStamp + ".html"));
    QVERIFY(!failedNames.contains(dest + "/Camera Roll/medium.jpg"));

    // What is there is whole: the same bytes as the unlimited run wrote.
    const QStringList got = StampFreeFiles(dest, o.strStamp);
    const QStringList all = StampFreeFiles(ref, whole.strStamp);
    QVERIFY(!got.isEmpty());
    for (const QString& rel : got) {
        // The manifests differ by the files they list; what this one lists is checked below.
        if (rel.startsWith("manifest-"))
            continue;
        QVERIFY2(all.contains(rel), qPrintable(rel));
        QString mine = dest + "/" + rel;
        mine.replace("STAMP", o.strStamp);
        QString theirs = ref + "/" + rel;
        theirs.replace("STAMP", whole.strStamp);
        QFile a(mine), b(theirs);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QByteArray mineBytes = a.readAll(), theirBytes = b.readAll();
        mineBytes.replace(o.strStamp.toUtf8(), "STAMP");
        theirBytes.replace(whole.strStamp.toUtf8(), "STAMP");
        QVERIFY2(mineBytes == theirBytes, qPrintable(rel));
    }
    QVERIFY(got.size() < all.size());
    // The manifest lists what is there, not what failed.
    const ManifestVerification proof = VerifyRecoveryManifest(dest + "/manifest-" + o.strStamp + ".json");
    QVERIFY2(proof.AllIntact(), qPrintable(proof.strError));
    QCOMPARE(proof.nChecked, got.size() - 1);
    const QString problem = HostileCheck::ExportProblem(dest);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestExportFaults::destinationNotWritable()
{
    // A folder the exporting user may not write into: every item fails, none is lost silently.
    const QString locked = m_tmp.filePath("locked");
    QVERIFY(QDir().mkpath(locked));
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0555) == 0);
    const QByteArray top = QFile::encodeName(m_tmp.path());
    const ChildOutcome child = ExportInChild(m_rig, locked + "/dest", [top] {
        // Root writes anywhere: become nobody first, who may still read the backup.
        if (::geteuid() == 0
            && (::chmod(top.constData(), 0755) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
    });
    QVERIFY(child.ok);
    QCOMPARE(child.outcome.nWritten, 0);
    QVERIFY(child.outcome.nFailed > 0);
    QVERIFY(QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // Category folders taken by a file, a FIFO and a link: those items fail, the rest is written.
    const QString dest = m_tmp.filePath("taken");
    QVERIFY(QDir().mkpath(dest));
    QFile file(dest + "/Camera Roll");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(::mkfifo(QFile::encodeName(dest + "/Notes").constData(), 0644) == 0);
    QVERIFY(QFile::link(m_tmp.filePath("nowhere"), dest + "/Contacts"));
    const RecoveryOutcome o = m_rig.Export(dest);
    QVERIFY(o.nWritten > 0);
    QStringList failedNames;
    for (const RecoveryFailure& f : o.vecFailures)
        failedNames << f.strName;
    for (const char* name : {"small.jpg", "big.jpg", "medium.jpg"})
        QVERIFY2(failedNames.contains(dest + "/Camera Roll/" + name), name);
    QVERIFY(failedNames.contains(dest + "/Notes/Notes_" + o.strStamp + ".html"));
    QVERIFY(!QFileInfo::exists(m_tmp.filePath("nowhere")));
    QVERIFY(QFileInfo(dest + "/Message").isDir());
}

void TestExportFaults::sourcesChangeAfterScan()
{
    // After the scan, a picture goes, another becomes a FIFO, a third a link out of
    // the backup, and the message database goes.
    ExportRig& rig = m_rig;
    const CameraInfoVec saved = rig.selection.vecCamera;
    const QString gone = AddPicture("gone.jpg", 5000);
    const QString fifo = AddPicture("fifo.jpg", 5000);
    const QString link = AddPicture("link.jpg", 5000);
    QVERIFY(QFile::remove(gone));
    QVERIFY(QFile::remove(fifo) && ::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
    const QString outside = m_tmp.filePath("outside.jpg");
    QFile secret(outside);
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write(SampleOutsideMarker());
    secret.close();
    QVERIFY(QFile::remove(link) && QFile::link(outside, link));
    const QString sms = QString::fromStdString(rig.engine->GetStoredFilePath(g_szSmsDbFileId));
    QVERIFY(QFile::rename(sms, sms + ".away"));

    const QString dest = m_tmp.filePath("changed");
    const RecoveryOutcome o = rig.Export(dest);
    QFile::rename(sms + ".away", sms);
    rig.selection.vecCamera = saved;

    QStringList failedNames;
    for (const RecoveryFailure& f : o.vecFailures)
        failedNames << f.strName;
    for (const char* name : {"gone.jpg", "fifo.jpg", "link.jpg"})
        QVERIFY2(failedNames.contains(dest + "/Camera Roll/" + name), name);
    QVERIFY(failedNames.contains(dest + "/Message/sms.db"));
    QCOMPARE(o.nFailed, 4);
    QVERIFY(QFileInfo::exists(dest + "/Camera Roll/small.jpg"));
    QVERIFY(!QFileInfo::exists(dest + "/Message/sms.db"));
    const QString problem = HostileCheck::ExportProblem(dest);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

namespace {
mode_t ModeOf(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}
}

void TestExportFaults::plantedLinksInDestination()
{
    // A shared destination where category folders were planted as links to folders
    // elsewhere: their items fail with a reason, nothing is written (nor re-moded)
    // outside, and the folders that were there keep their modes.
    const QString outside = m_tmp.filePath("elsewhere");
    for (const char* sub : {"camera", "chats", "notes"}) {
        QVERIFY(QDir().mkpath(outside + "/" + sub));
        QVERIFY(::chmod(QFile::encodeName(outside + "/" + sub).constData(), 0700) == 0);
    }
    const QString real = m_tmp.filePath("planted");
    QVERIFY(QDir().mkpath(real + "/Contacts"));
    QVERIFY(::chmod(QFile::encodeName(real).constData(), 0750) == 0);
    QVERIFY(::chmod(QFile::encodeName(real + "/Contacts").constData(), 0700) == 0);
    QVERIFY(QFile::link(outside + "/camera", real + "/Camera Roll"));
    QVERIFY(QFile::link(outside + "/notes", real + "/Notes"));
    QVERIFY(QFile::link(outside + "/chats", real + "/Message"));
    // The destination itself is reached through a link the user chose: that one is fine.
    const QString dest = m_tmp.filePath("chosen");
    QVERIFY(QFile::link(real, dest));

    const RecoveryOutcome o = m_rig.Export(dest);
    QVERIFY(o.nWritten > 0);
    QStringList failedNames;
    for (const RecoveryFailure& f : o.vecFailures) {
        failedNames << f.strName;
        QVERIFY2(f.strReason.contains("symbolic link"), qPrintable(f.strName + ": " + f.strReason));
    }
    for (const char* name : {"small.jpg", "big.jpg", "medium.jpg"})
        QVERIFY2(failedNames.contains(dest + "/Camera Roll/" + name), name);
    QVERIFY(failedNames.contains(dest + "/Notes/Notes_" + o.strStamp + ".html"));
    QVERIFY(!failedNames.filter(dest + "/Message/").isEmpty());

    QCOMPARE(HostileCheck::Tree(outside), QStringList({"camera", "chats", "notes"}));
    for (const char* sub : {"camera", "chats", "notes"})
        QCOMPARE(ModeOf(outside + "/" + sub), mode_t(0700));
    QCOMPARE(ModeOf(real), mode_t(0750));
    QCOMPARE(ModeOf(real + "/Contacts"), mode_t(0700));
    const QString contacts = real + "/Contacts/" + o.strStamp;
    QCOMPARE(ModeOf(contacts), mode_t(0755));
    QCOMPARE(ModeOf(contacts + "/Contacts.html"), mode_t(0644));
    QCOMPARE(ModeOf(real + "/CallHistory"), mode_t(0755));
}

QTEST_GUILESS_MAIN(TestExportFaults)
#include "tst_exportfaults.moc"
