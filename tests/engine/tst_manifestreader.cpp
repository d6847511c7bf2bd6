#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstring>

#include "EngineFixtures.h"
#include "engine/ManifestReader.h"
#include "engine/MbdbRecords.h"
#include "support/TextEncoding.h"
#include "tools/sample/SampleBackup.h"
#include "tools/sample/SampleWriter.h"

using namespace EngineFixtures;

class TestManifestReader : public QObject {
    Q_OBJECT
private slots:
    void getstringLengths();
    void storedNames();
    void mbdbRecords();
    void mbdbHeaderAndFailures();
    void mbdbCutAtEveryOffset();
    void manifestDbRows();
    void manifestDbLeftUntouched();

private:
    int readMbdb(const QByteArray& bytes, std::vector<__MBDB_FILE__>& out);
    QTemporaryDir m_dir;
};

int TestManifestReader::readMbdb(const QByteArray& bytes, std::vector<__MBDB_FILE__>& out)
{
    const QString path = m_dir.filePath(QStringLiteral("Manifest.mbdb"));
    if (!WriteBytes(path, bytes))
        return -1;
    std::wstring wide = WideFromQString(path);
    return process_mbdb_file(wide.data(), out);
}

void TestManifestReader::getstringLengths()
{
    // Absent and empty both read as "" and move by exactly two bytes.
    const QByteArray data = Absent() + U16(0) + Str("HomeDomain");
    int pos = 0;
    QCOMPARE(getstring(data.constData(), &pos), std::string());
    QCOMPARE(pos, 2);
    QCOMPARE(getstring(data.constData(), &pos), std::string());
    QCOMPARE(pos, 4);
    QCOMPARE(getstring(data.constData(), &pos), std::string("HomeDomain"));
    QCOMPARE(pos, 16);
}

void TestManifestReader::storedNames()
{
    char out[41];
    memset(out, 0, sizeof out);
    SHA1(reinterpret_cast<const unsigned char*>("HomeDomain-Library/SMS/sms.db"), out, 40);
    QCOMPARE(QByteArray(out), QByteArray("3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
    QCOMPARE(StoredNameOf("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"),
             std::string(g_szAddressBookFileId));
    QCOMPARE(StoredNameOf("AppDomainGroup-group.net.whatsapp.WhatsApp.shared", "ChatStorage.sqlite"),
             std::string(g_szWhatsAppChatFileId));
    // Every stored name the extractors open is the one of its database.
    const std::pair<const char*, const char*> databases[] = {
        {"HomeDomain-Library/SMS/sms.db", g_szSmsDbFileId},
        {"HomeDomain-Library/AddressBook/AddressBook.sqlitedb", g_szAddressBookFileId},
        {"HomeDomain-Library/Notes/notes.sqlite", g_szOldNotesFileId},
        {"AppDomainGroup-group.com.apple.notes-NoteStore.sqlite", g_szNoteStoreFileId},
        {"WirelessDomain-Library/CallHistory/call_history.db", g_szOldCallHistoryFileId},
        {"HomeDomain-Library/CallHistoryDB/CallHistory.storedata", g_szCallHistoryFileId},
        {"AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ChatStorage.sqlite", g_szWhatsAppChatFileId},
        {"AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-ChatStorage.sqlite", g_szWhatsAppBusinessChatFileId},
        {"AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ContactsV2.sqlite", g_szWhatsAppContactsFileId},
        {"AppDomainGroup-group.net.whatsapp.WhatsApp.shared-LID.sqlite", g_szWhatsAppLidFileId},
        {"AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-LID.sqlite", g_szWhatsAppBusinessLidFileId},
    };
    for (const auto& database : databases) {
        const QByteArray name(database.first);
        const int dash = name.indexOf('-', name.startsWith("AppDomainGroup-") ? 15 : 0);
        QCOMPARE(StoredNameOf(name.left(dash).toStdString(), name.mid(dash + 1).toStdString()),
                 std::string(database.second));
    }

    // Only whole eight-digit words that fit the capacity are written.
    memset(out, 0, sizeof out);
    SHA1(reinterpret_cast<const unsigned char*>("HomeDomain-Library/SMS/sms.db"), out, 20);
    QCOMPARE(QByteArray(out), QByteArray("3d0d7e5fb2ce2888"));
    memset(out, 'x', sizeof out);
    SHA1(nullptr, out, 40);
    QCOMPARE(out[0], 'x');

    QCOMPARE(StoredFilePath("/b", "3d0d7e5f", true), std::string("/b/3d/3d0d7e5f"));
    QCOMPARE(StoredFilePath("/b", "3d0d7e5f", false), std::string("/b/3d0d7e5f"));
}

void TestManifestReader::mbdbRecords()
{
    QByteArray bytes = MbdbHeader();
    bytes += MbdbRecord("HomeDomain", "", 040755);                      // domain root: dropped
    bytes += MbdbRecord("HomeDomain", "Library", 040755);               // directory: dropped
    bytes += MbdbRecord("HomeDomain", "Library/SMS/sms.db", 0100644,   // three properties skipped
                        {"a", "1", "bb", "", "ccc", QByteArray(300, 'v')});
    bytes += MbdbRecord("HomeDomain", "Library/link", 0120755);         // symlink: kept
    bytes += MbdbRecord("", "orphan.txt", 0100644);                     // no domain: dropped
    bytes += MbdbRecord("MediaDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", 0100600);

    std::vector<__MBDB_FILE__> out;
    out.push_back({"kept", "0000"});  // the reader appends
    QCOMPARE(readMbdb(bytes, out), 0);
    QCOMPARE(int(out.size()), 4);
    QCOMPARE(out[1].strName, std::string("HomeDomain-Library/SMS/sms.db"));
    QCOMPARE(out[1].strFileId, std::string(g_szSmsDbFileId));
    QCOMPARE(out[2].strName, std::string("HomeDomain-Library/link"));
    QCOMPARE(out[3].strName, std::string("MediaDomain-Media/DCIM/100APPLE/IMG_0001.JPG"));
    QCOMPARE(out[3].strFileId, StoredNameOf("MediaDomain", "Media/DCIM/100APPLE/IMG_0001.JPG"));
}

void TestManifestReader::mbdbHeaderAndFailures()
{
    std::vector<__MBDB_FILE__> out;
    QCOMPARE(readMbdb(MbdbHeader(), out), 0);
    QVERIFY(out.empty());

    out.push_back({"kept", "0000"});
    QCOMPARE(readMbdb("mbd", out), 87);
    QCOMPARE(readMbdb("MBDB\x05\x00", out), 87);
    QCOMPARE(readMbdb(QByteArray(), out), 87);
    QCOMPARE(int(out.size()), 1);

    std::wstring missing = WideFromQString(m_dir.filePath(QStringLiteral("absent.mbdb")));
    QCOMPARE(process_mbdb_file(missing.data(), out), 87);
    QCOMPARE(process_mbdb_file(nullptr, out), 87);
    // A folder is not a manifest.
    std::wstring folder = WideFromQString(m_dir.path());
    QCOMPARE(process_mbdb_file(folder.data(), out), 87);
    QCOMPARE(int(out.size()), 1);
}

// Every prefix of a real-looking manifest: never a crash or a read past the
// end (the sanitizer build checks), and what is kept is a prefix of the whole.
void TestManifestReader::mbdbCutAtEveryOffset()
{
    SampleOptions options;
    options.layout = SampleOptions::Layout::Old;
    SampleBackup backup(options);
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "SQLite format 3");
    backup.addSymlink(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/link"), QStringLiteral("/var/x"));
    SampleEntry& withProps = backup.addFile(QStringLiteral("CameraRollDomain"),
                                            QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"), "jpeg");
    withProps.properties = {{"com.apple.assetsd.UUID", "1234"}, {"x", ""}, {"y", "z"}};
    withProps.encryptionKey = QByteArray(44, '\x04');
    backup.addFile(QStringLiteral("AppDomain-com.example.app"), QStringLiteral("Documents/naïve ☕.txt"), "text");
    const QByteArray whole = BuildManifestMbdb(backup);

    std::vector<__MBDB_FILE__> full;
    QCOMPARE(readMbdb(whole, full), 0);
    QCOMPARE(int(full.size()), 4);

    for (int cut = 0; cut < whole.size(); ++cut) {
        std::vector<__MBDB_FILE__> part;
        // A heap block of exactly the cut size, so any overread is caught.
        const std::vector<char> bytes(whole.constData(), whole.constData() + cut);
        const int result = process_mbdb_buffer(bytes.data(), bytes.size(), part);
        QVERIFY2(result == 0 || result == 87, qPrintable(QString::number(cut)));
        QVERIFY(part.size() <= full.size());
        for (size_t i = 0; i < part.size(); ++i)
            QCOMPARE(part[i].strName, full[i].strName);
        // Only a cut exactly between records reads as a whole manifest.
        if (cut < 4)
            QCOMPARE(result, 87);
        // The decryptor walks the same records: same verdict, same files.
        if (cut >= 6) {
            std::vector<std::string> walked;
            const bool whole = ReadMbdbRecords(
                reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                [&walked](const MBDB_RECORD& r) {
                    if (!r.strDomain.empty() && !r.strPath.empty() && !r.IsDirectory())
                        walked.push_back(r.strDomain + "-" + r.strPath);
                },
                nullptr);
            QCOMPARE(whole, result == 0);
            QCOMPARE(walked.size(), part.size());
            for (size_t i = 0; i < part.size(); ++i)
                QCOMPARE(walked[i], part[i].strName);
        }
    }

    // A string length pointing far past the end.
    std::vector<__MBDB_FILE__> out;
    QCOMPARE(readMbdb(MbdbHeader() + U16(0x7000) + "Home", out), 87);
    QVERIFY(out.empty());
    // A damaged second record keeps the first.
    QCOMPARE(readMbdb(MbdbHeader() + MbdbRecord("HomeDomain", "a.txt", 0100644) + U16(9) + "Hom", out), 87);
    QCOMPARE(int(out.size()), 1);
    QCOMPARE(out[0].strName, std::string("HomeDomain-a.txt"));
}

void TestManifestReader::manifestDbRows()
{
    const QString path = m_dir.filePath(QStringLiteral("rows/Manifest.db"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa', 'HomeDomain', '', 2, NULL)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb', 'HomeDomain', 'Library', 2, NULL)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('3d0d7e5fb2ce288813306e4d4636395e047a3d28', 'HomeDomain', 'Library/SMS/sms.db', 1, NULL)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('', 'HomeDomain', 'nameless', 1, NULL)"));
        // Not stored names: they would lead outside the backup folder.
        QVERIFY(q.exec("INSERT INTO Files VALUES ('../../../../etc/passwd', 'HomeDomain', 'evil', 1, NULL)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('3d0d7e5fb2ce288813306e4d4636395e047a3d2/', 'HomeDomain', 'evil2', 1, NULL)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('3D0D7E5FB2CE288813306E4D4636395E047A3D29', 'HomeDomain', 'upper', 1, NULL)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));

    std::vector<__MBDB_FILE__> out{{"stale", "0000"}};
    std::wstring wide = WideFromQString(path);
    QCOMPARE(process_db_file(wide.data(), out), 0);
    QCOMPARE(int(out.size()), 4);
    QCOMPARE(out[3].strName, std::string("HomeDomain-upper"));
    QCOMPARE(out[3].strFileId, std::string("3d0d7e5fb2ce288813306e4d4636395e047a3d29"));
    QCOMPARE(out[0].strName, std::string("HomeDomain"));  // empty path: the domain alone
    QCOMPARE(out[1].strName, std::string("HomeDomain-Library"));  // directories stay
    QCOMPARE(out[2].strName, std::string("HomeDomain-Library/SMS/sms.db"));
    QCOMPARE(out[2].strFileId, std::string(g_szSmsDbFileId));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("mbdb_connection")));

    // Unreadable or foreign databases: 87 (the caller must not take them for an
    // empty backup) and an empty list.
    const QString junk = m_dir.filePath(QStringLiteral("junk.db"));
    QVERIFY(WriteBytes(junk, "not a database at all"));
    std::wstring junkWide = WideFromQString(junk);
    out = {{"stale", "0000"}};
    QCOMPARE(process_db_file(junkWide.data(), out), 87);
    QVERIFY(out.empty());
    std::wstring missing = WideFromQString(m_dir.filePath(QStringLiteral("missing.db")));
    QCOMPARE(process_db_file(missing.data(), out), 87);
    QVERIFY(out.empty());
}

// The manifest of a backup is read in place without a byte written beside
// it, even in WAL mode and in a read-only folder.
void TestManifestReader::manifestDbLeftUntouched()
{
    SampleBackup backup;
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/Preferences/a b#?%.plist"), "x");
    const QString folder = m_dir.filePath(QStringLiteral("read only #?%"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Manifest.db");
    QString error;
    QVERIFY2(WriteManifestDb(backup, path, &error), qPrintable(error));
    const QStringList before = QDir(folder).entryList(QDir::Files);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    std::vector<__MBDB_FILE__> out;
    std::wstring wide = WideFromQString(path);
    QCOMPARE(process_db_file(wide.data(), out), 0);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(int(out.size()), int(backup.entries.size()));
    QCOMPARE(QDir(folder).entryList(QDir::Files), before);
}

QTEST_GUILESS_MAIN(TestManifestReader)
#include "tst_manifestreader.moc"
