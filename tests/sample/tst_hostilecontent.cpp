#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "tools/sample/SampleContent.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

class TestHostileContent : public QObject {
    Q_OBJECT
private slots:
    void offByDefault();
    void oddStoredFilesOnDisk_data();
    void oddStoredFilesOnDisk();
    void rawNamesReachTheManifest();
    void damagedDatabases();

private:
    QTemporaryDir m_dir;
};

namespace {
SampleOptions Hostile(SampleOptions::Layout layout)
{
    SampleOptions options;
    options.hostile = true;
    options.layout = layout;
    options.seed = 7;
    return options;
}

QString StoredPath(const QString& dir, const SampleEntry& e, bool twoLevel)
{
    const QString id = e.fileId();
    return twoLevel ? dir + "/" + id.left(2) + "/" + id : dir + "/" + id;
}

const SampleEntry* Find(const SampleBackup& b, const QString& domain, const QString& path)
{
    const int i = b.find(domain, path);
    return i < 0 ? nullptr : &b.entries[size_t(i)];
}
}

void TestHostileContent::offByDefault()
{
    const SampleOptions plain;
    QVERIFY(!plain.hostile);
    QVERIFY(plain.unusualNames);
    const SampleBackup backup = BuildSampleBackup(plain);
    for (const SampleEntry& e : backup.entries) {
        QCOMPARE(int(e.stored), int(SampleEntry::Stored::Content));
        QVERIFY(e.rawDomain.isEmpty() && e.rawRelativePath.isEmpty());
    }
    // Same seed, same hostile sample.
    QCOMPARE(BuildManifestMbdb(BuildSampleBackup(Hostile(SampleOptions::Layout::Old))),
             BuildManifestMbdb(BuildSampleBackup(Hostile(SampleOptions::Layout::Old))));
}

void TestHostileContent::oddStoredFilesOnDisk_data()
{
    QTest::addColumn<bool>("twoLevel");
    QTest::newRow("Manifest.db") << true;
    QTest::newRow("Manifest.mbdb") << false;
}

void TestHostileContent::oddStoredFilesOnDisk()
{
    QFETCH(bool, twoLevel);
    SampleBackup backup = BuildSampleBackup(Hostile(twoLevel ? SampleOptions::Layout::New : SampleOptions::Layout::Old));
    QString dir, error;
    QVERIFY2(WriteSampleBackup(backup, m_dir.filePath(QTest::currentDataTag()), &dir, &error), qPrintable(error));

    QMap<int, int> seen;
    for (const SampleEntry& e : backup.entries) {
        if (e.flags != SampleEntry::File)
            continue;
        const QByteArray path = QFile::encodeName(StoredPath(dir, e, twoLevel));
        struct stat st;
        QVERIFY2(::lstat(path.constData(), &st) == 0, path.constData());
        ++seen[int(e.stored)];
        switch (e.stored) {
        case SampleEntry::Stored::Content:
            QVERIFY(S_ISREG(st.st_mode));
            QCOMPARE(qint64(st.st_size), qint64(e.content.size()));
            break;
        case SampleEntry::Stored::LinkOutside: {
            QVERIFY(S_ISLNK(st.st_mode));
            const QString target = QFile::symLinkTarget(QString::fromUtf8(path));
            QVERIFY2(!target.startsWith(dir + "/"), qPrintable(target));
            QFile f(target);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().contains(SampleOutsideMarker()));
            break;
        }
        case SampleEntry::Stored::LinkDevice:
            QVERIFY(S_ISLNK(st.st_mode));
            QCOMPARE(QFile::symLinkTarget(QString::fromUtf8(path)), QStringLiteral("/dev/zero"));
            break;
        case SampleEntry::Stored::Fifo:
            QVERIFY(S_ISFIFO(st.st_mode));
            break;
        case SampleEntry::Stored::Folder:
            QVERIFY(S_ISDIR(st.st_mode));
            break;
        }
    }
    // Every odd form appears several times (media, apps, a database).
    for (int form = 1; form <= 4; ++form)
        QVERIFY2(seen.value(form) >= 5, qPrintable(QString::number(form)));
    // A zero-byte stored file whose manifest claims far more.
    bool emptyButClaimed = false;
    for (const SampleEntry& e : backup.entries)
        emptyButClaimed |= e.content.isEmpty() && e.manifestSize() > (qint64(1) << 30);
    QVERIFY(emptyButClaimed);
    // The call log a link points at lies outside, and only there is the marker.
    const SampleEntry* calls = twoLevel ? Find(backup, "HomeDomain", "Library/CallHistoryDB/CallHistory.storedata")
                                        : Find(backup, "WirelessDomain", "Library/CallHistory/call_history.db");
    QVERIFY(calls);
    QCOMPARE(int(calls->stored), int(SampleEntry::Stored::LinkOutside));
    QVERIFY(calls->content.contains(SampleOutsideMarker()));
}

void TestHostileContent::rawNamesReachTheManifest()
{
    SampleBackup backup = BuildSampleBackup(Hostile(SampleOptions::Layout::New));
    QString dir, error;
    QVERIFY2(WriteSampleBackup(backup, m_dir.filePath("raw"), &dir, &error), qPrintable(error));

    QSet<QByteArray> wantedPaths, wantedDomains;
    for (const SampleEntry& e : backup.entries) {
        if (!e.rawRelativePath.isEmpty())
            wantedPaths.insert(e.rawRelativePath);
        if (!e.rawDomain.isEmpty())
            wantedDomains.insert(e.rawDomain);
    }
    // NUL, invalid UTF-8, 1000 bytes, "..", climbing paths, in paths and app identifiers.
    auto holds = [](const QSet<QByteArray>& set, const QByteArray& part) {
        for (const QByteArray& b : set)
            if (b.contains(part))
                return true;
        return false;
    };
    for (const QSet<QByteArray>* set : {&wantedPaths, &wantedDomains}) {
        QVERIFY(holds(*set, QByteArray("nul\0inside", 10)));
        QVERIFY(holds(*set, "\xC3\x28"));
        QVERIFY(holds(*set, "../../"));
        QVERIFY(holds(*set, "\\..\\"));
        QVERIFY(holds(*set, QString(QStringLiteral("\u00e9")).repeated(500).toUtf8()));
    }

    // Manifest.db holds the bytes as text, exactly, under the SHA-1 of the raw name.
    QSet<QByteArray> gotPaths, gotDomains;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hostile_manifest");
        db.setDatabaseName(dir + "/Manifest.db");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT CAST(domain AS BLOB), CAST(relativePath AS BLOB), typeof(relativePath), fileID "
                       "FROM Files"));
        while (q.next()) {
            const QByteArray domain = q.value(0).toByteArray();
            const QByteArray path = q.value(1).toByteArray();
            if (!path.isEmpty())
                QCOMPARE(q.value(2).toString(), QStringLiteral("text"));
            gotPaths.insert(path);
            gotDomains.insert(domain);
            QCOMPARE(q.value(3).toString().toLatin1(),
                     QCryptographicHash::hash(domain + '-' + path, QCryptographicHash::Sha1).toHex());
        }
    }
    QSqlDatabase::removeDatabase("hostile_manifest");
    QVERIFY(gotPaths.contains(wantedPaths));
    QVERIFY(gotDomains.contains(wantedDomains));

    // Manifest.mbdb carries the same raw bytes.
    const QByteArray mbdb = BuildManifestMbdb(backup);
    for (const QByteArray& raw : wantedPaths)
        QVERIFY(mbdb.contains(raw));
}

void TestHostileContent::damagedDatabases()
{
    const SampleBackup plain = BuildSampleBackup(SampleOptions());
    const SampleBackup backup = BuildSampleBackup(Hostile(SampleOptions::Layout::New));
    const SampleEntry* notes = Find(backup, "AppDomainGroup-group.com.apple.notes", "NoteStore.sqlite");
    const SampleEntry* plainNotes = Find(plain, "AppDomainGroup-group.com.apple.notes", "NoteStore.sqlite");
    QVERIFY(notes && plainNotes);
    QVERIFY(notes->content.size() < plainNotes->content.size());
    QVERIFY(notes->content.startsWith("SQLite format 3"));

    const QString smb = "AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared";
    const SampleEntry* corrupt = Find(backup, smb, "ChatStorage.sqlite");
    const SampleEntry* intact = Find(plain, smb, "ChatStorage.sqlite");
    QVERIFY(corrupt && intact);
    QCOMPARE(corrupt->content.size(), intact->content.size());
    QCOMPARE(corrupt->content.left(4096), intact->content.left(4096));
    QVERIFY(corrupt->content != intact->content);

    // The edited databases still open, and hold what was planted.
    const SampleEntry* sms = Find(backup, "HomeDomain", "Library/SMS/sms.db");
    QVERIFY(sms);
    QTemporaryDir scratch;
    QFile f(scratch.filePath("sms.db"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(sms->content);
    f.close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hostile_sms");
        db.setDatabaseName(f.fileName());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT max(length(CAST(text AS BLOB))), sum(typeof(date) = 'text'), "
                       "sum(date = 9223372036854775807), sum(instr(CAST(h.id AS BLOB), X'00') > 0) "
                       "FROM message LEFT JOIN handle h ON 1"));
        QVERIFY(q.next());
        QVERIFY(q.value(0).toLongLong() > 1000000);
        QVERIFY(q.value(1).toInt() >= 1);
        QVERIFY(q.value(2).toInt() >= 1);
        QVERIFY(q.value(3).toInt() >= 1);
    }
    QSqlDatabase::removeDatabase("hostile_sms");
}

QTEST_GUILESS_MAIN(TestHostileContent)
#include "tst_hostilecontent.moc"
