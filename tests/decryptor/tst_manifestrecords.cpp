// Per-file key records in Manifest.db blobs and Manifest.mbdb, and the keys of
// Manifest.plist: every layout peers have seen, and damaged input.
#include <QtTest>

#include "decryptor/FileKeyBlob.h"
#include "decryptor/ManifestPlistKeys.h"
#include "engine/MbdbRecords.h"
#include "support/Plist.h"
#include "tools/sample/SampleBackup.h"
#include "tools/sample/SampleWriter.h"

namespace {
QByteArray Key44(uint32_t cls)
{
    QByteArray k;
    k.append(char(cls)).append(char(cls >> 8)).append(char(cls >> 16)).append(char(cls >> 24));
    return k + QByteArray(40, char(0xab));
}

// A keyed archive whose root (at `rootIndex`) holds `root`; `extra` objects follow.
QByteArray Archive(const QVariantMap& root, int rootIndex, const QVariantList& extra = {})
{
    QVariantList objects;
    objects << QStringLiteral("$null");
    while (objects.size() < rootIndex)
        objects << QStringLiteral("filler");
    objects << root;
    objects += extra;
    QVariantMap top;
    top.insert(QStringLiteral("root"), PlistUid(rootIndex));
    QVariantMap archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver"));
    archive.insert(QStringLiteral("$version"), qlonglong(100000));
    archive.insert(QStringLiteral("$top"), top);
    archive.insert(QStringLiteral("$objects"), objects);
    return WritePlist(archive, true);
}
} // namespace

class TestManifestRecords : public QObject {
    Q_OBJECT
private slots:
    void wrappedKeyPrefix();
    void mbFileBlobForms();
    void mbFileBlobDamaged();
    void mbdbRecords();
    void manifestPlistKeys();
};

void TestManifestRecords::wrappedKeyPrefix()
{
    WRAPPED_FILE_KEY key;
    QString error;
    QVERIFY(ParseWrappedFileKey(Key44(0x0b), &key, &error));
    QCOMPARE(key.nClass, 11u);
    QCOMPARE(key.wrappedKey, QByteArray(40, char(0xab)));
    QVERIFY(ParseWrappedFileKey(Key44(0x01020304), &key, &error));
    QCOMPARE(key.nClass, 0x01020304u);  // little-endian
    QVERIFY(!ParseWrappedFileKey(Key44(3).left(43), &key, &error));
    QVERIFY(error.contains("43"));
    QVERIFY(!ParseWrappedFileKey(Key44(3) + "x", &key, &error));
    QVERIFY(!ParseWrappedFileKey(nullptr, 44, &key, &error));
}

void TestManifestRecords::mbFileBlobForms()
{
    MBFILE_INFO info;
    QString error;

    // The generator's archive, as real phones write it (NS.data dictionary by reference).
    SampleEntry entry;
    entry.domain = "HomeDomain";
    entry.relativePath = "Library/SMS/sms.db";
    entry.content = "data";
    entry.protectionClass = 3;
    entry.encryptionKey = Key44(3);
    entry.size = 1234;
    QVERIFY2(ParseMbFileBlob(BuildMBFileBlob(entry), &info, &error), qPrintable(error));
    QVERIFY(info.bHasKey);
    QCOMPARE(info.key.nClass, 3u);
    QCOMPARE(info.nProtectionClass, 3u);
    QCOMPARE(info.nSize, qint64(1234));
    QCOMPARE(info.nMode & 0xF000, 0x8000u);

    // Root found through $top even when it is not object 1; key as inline data.
    QVariantMap root;
    root.insert("Size", qlonglong(9));
    root.insert("ProtectionClass", qlonglong(4));
    root.insert("EncryptionKey", Key44(4));
    QVERIFY(ParseMbFileBlob(Archive(root, 3), &info, &error));
    QCOMPARE(info.key.nClass, 4u);
    QCOMPARE(info.nSize, qint64(9));

    // Key as a reference to plain data.
    root.insert("EncryptionKey", PlistUid(3));
    QVERIFY(ParseMbFileBlob(Archive(root, 2, { Key44(2) }), &info, &error));
    QCOMPARE(info.key.nClass, 2u);

    // No key at all: a directory or symlink row, read without error.
    root.remove("EncryptionKey");
    QVERIFY(ParseMbFileBlob(Archive(root, 1), &info, &error));
    QVERIFY(!info.bHasKey);
}

void TestManifestRecords::mbFileBlobDamaged()
{
    MBFILE_INFO info;
    QString error;
    QVariantMap root;
    root.insert("EncryptionKey", PlistUid(99));
    QVERIFY(!ParseMbFileBlob(Archive(root, 1), &info, &error));  // reference out of range
    QVERIFY(!error.isEmpty());
    root.insert("EncryptionKey", QStringLiteral("text"));
    QVERIFY(!ParseMbFileBlob(Archive(root, 1), &info, &error));
    root.insert("EncryptionKey", Key44(1).left(20));
    QVERIFY(!ParseMbFileBlob(Archive(root, 1), &info, &error));
    QVERIFY(error.contains("20"));

    QVariantMap archive;
    archive.insert("$objects", QVariantList{ QStringLiteral("$null") });
    QVERIFY(!ParseMbFileBlob(WritePlist(archive, true), &info, &error));
    QVERIFY(error.contains("root"));
    QVERIFY(!ParseMbFileBlob(QByteArray("bplist00garbage"), &info, &error));
    QVERIFY(!ParseMbFileBlob(QByteArray(), &info, &error));
    QVERIFY(!ParseMbFileBlob(WritePlist(QVariantList{ 1, 2 }, true), &info, &error));

    // Every cut of a real blob fails cleanly or parses.
    SampleEntry entry;
    entry.domain = "D";
    entry.relativePath = "p";
    entry.encryptionKey = Key44(3);
    const QByteArray blob = BuildMBFileBlob(entry);
    for (int len = 0; len < blob.size(); ++len)
        ParseMbFileBlob(reinterpret_cast<const uint8_t*>(blob.constData()), size_t(len), &info, &error);
}

void TestManifestRecords::mbdbRecords()
{
    SampleOptions options;
    options.layout = SampleOptions::Layout::Old;
    SampleBackup backup(options);
    SampleEntry& file = backup.addFile("HomeDomain", "Library/SMS/sms.db", "abc", 2);
    file.encryptionKey = Key44(2);
    file.properties.append(qMakePair(QByteArray("com.apple.a"), QByteArray("1")));
    file.properties.append(qMakePair(QByteArray("com.apple.b"), QByteArray("2")));
    file.properties.append(qMakePair(QByteArray("com.apple.c"), QByteArray("3")));
    backup.addSymlink("HomeDomain", "Library/link", "/var/mobile/x");
    const QByteArray mbdb = BuildManifestMbdb(backup);

    std::vector<MBDB_RECORD> records;
    const auto collect = [&records](const MBDB_RECORD& r) { records.push_back(r); };
    QString error;
    QVERIFY2(ReadMbdbRecords(reinterpret_cast<const uint8_t*>(mbdb.constData()), size_t(mbdb.size()), collect, &error),
             qPrintable(error));
    int files = 0, links = 0;
    for (const MBDB_RECORD& r : records) {
        if (r.strPath == "Library/SMS/sms.db") {
            ++files;
            QCOMPARE(r.encryptionKey, Key44(2));
            QCOMPARE(int(r.nProtectionClass), 2);
            QCOMPARE(r.nSize, quint64(3));
            QVERIFY(!r.IsDirectory() && !r.IsSymlink());
        }
        if (r.strPath == "Library/link") {
            ++links;
            QVERIFY(r.IsSymlink());
        }
    }
    QCOMPARE(files, 1);  // the three properties did not derail the next record
    QCOMPARE(links, 1);

    // Cut anywhere: the records before the cut are delivered, then a clear error.
    for (int len = 0; len < mbdb.size(); ++len) {
        records.clear();
        error.clear();
        const bool ok = ReadMbdbRecords(reinterpret_cast<const uint8_t*>(mbdb.constData()), size_t(len), collect, &error);
        if (len < 6)
            QVERIFY(!ok && error.contains("header"));
        else if (!ok)
            QVERIFY(error.contains("runs past the end"));
    }
    QVERIFY(!ReadMbdbRecords(reinterpret_cast<const uint8_t*>("mbdx\5\0"), 6, collect, &error));
    records.clear();
    QVERIFY(ReadMbdbRecords(reinterpret_cast<const uint8_t*>("mbdb\5\0"), 6, collect, &error));
    QVERIFY(records.empty());
}

void TestManifestRecords::manifestPlistKeys()
{
    MANIFEST_PLIST_KEYS keys;
    QString error;
    QVariantMap map;
    map.insert("IsEncrypted", true);
    map.insert("BackupKeyBag", QByteArray("bag"));
    map.insert("ManifestKey", Key44(4));
    for (bool binary : { true, false }) {
        QVERIFY(ParseManifestPlistKeys(WritePlist(map, binary), &keys, &error));
        QVERIFY(keys.bIsEncrypted);
        QCOMPARE(keys.keybag, QByteArray("bag"));
        QCOMPARE(keys.manifestKey, Key44(4));
    }
    map.insert("BackupKeyBag", QStringLiteral("not data"));
    QVERIFY(!ParseManifestPlistKeys(WritePlist(map, true), &keys, &error));
    QVERIFY(error.contains("BackupKeyBag"));
    QVERIFY(!ParseManifestPlistKeys("<?xml version=\"1.0\"?><plist><dict><key>a</key>", &keys, &error));
    QVERIFY(error.contains("damaged"));
    QVERIFY(!ParseManifestPlistKeys(QByteArray(), &keys, &error));
    QVERIFY(!ReadManifestPlistKeys("/nonexistent/folder", &keys, &error));
    QVERIFY(error.contains("Manifest.plist"));
}

QTEST_MAIN(TestManifestRecords)
#include "tst_manifestrecords.moc"
