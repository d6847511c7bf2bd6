// Per-file key records in Manifest.db blobs and Manifest.mbdb, and the keys of
// Manifest.plist: every layout peers have seen, and damaged input.
#include <QtTest>

#include <QRandomGenerator>

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

// The same record read from the whole QVariant tree of the archive: the reader takes
// only a few values and must agree with it on every input, damaged ones included.
bool WholeTreeRead(const QByteArray& data, MBFILE_INFO* out, QString* error)
{
    *out = MBFILE_INFO();
    const QVariant top = ParsePlist(data);
    if (data.isEmpty() || top.typeId() != QMetaType::QVariantMap) {
        *error = data.isEmpty() ? "file record is empty" : "file record is not a property list";
        return false;
    }
    const QVariantMap archive = top.toMap();
    // Only a list is a list (QVariant would turn a string into a list of its characters).
    const QVariant objectsValue = archive.value("$objects");
    const QVariantList objects =
        objectsValue.typeId() == QMetaType::QVariantList ? objectsValue.toList() : QVariantList();
    const QVariant topValue = archive.value("$top");
    const QVariantMap topRefs = topValue.typeId() == QMetaType::QVariantMap ? topValue.toMap() : QVariantMap();
    qlonglong index = -1;
    if (objects.isEmpty() || !IsPlistUid(topRefs.value("root"), &index) || index < 0 || index >= objects.size()) {
        *error = "file record has no archived root";
        return false;
    }
    if (objects.at(int(index)).typeId() != QMetaType::QVariantMap) {
        *error = "file record root is not a dictionary";
        return false;
    }
    const QVariantMap root = objects.at(int(index)).toMap();
    const auto resolve = [&](const QVariant& v) {
        qlonglong i = -1;
        if (!IsPlistUid(v, &i))
            return v;
        return i >= 0 && i < objects.size() ? objects.at(int(i)) : QVariant();
    };
    const auto integer = [&](const char* key, qlonglong* n) {
        const QVariant v = resolve(root.value(key));
        const int t = v.typeId();
        *n = v.toLongLong();
        return t == QMetaType::LongLong || t == QMetaType::Int || t == QMetaType::ULongLong || t == QMetaType::UInt;
    };
    qlonglong n = 0;
    if (integer("Size", &n))
        out->nSize = n;
    if (integer("Mode", &n))
        out->nMode = uint32_t(n);
    if (integer("ProtectionClass", &n)) {
        out->bHasProtectionClass = true;
        out->nProtectionClass = uint32_t(n);
    }
    if (!root.contains("EncryptionKey"))
        return true;
    QVariant key = resolve(root.value("EncryptionKey"));
    if (key.typeId() == QMetaType::QVariantMap)
        key = resolve(key.toMap().value("NS.data"));
    if (key.typeId() != QMetaType::QByteArray) {
        *error = "file record has an unreadable encryption key";
        return false;
    }
    if (!ParseWrappedFileKey(key.toByteArray(), &out->key, error))
        return false;
    out->bHasKey = true;
    return true;
}
} // namespace

class TestManifestRecords : public QObject {
    Q_OBJECT
private slots:
    void wrappedKeyPrefix();
    void mbFileBlobForms();
    void mbFileBlobDamaged();
    void mbFileBlobAgreesWithWholeTree();
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

void TestManifestRecords::mbFileBlobAgreesWithWholeTree()
{
    SampleEntry entry;
    entry.domain = "HomeDomain";
    entry.relativePath = "Library/SMS/sms.db";
    entry.protectionClass = 3;
    entry.encryptionKey = Key44(3);
    entry.size = 77;
    QVariantMap root;
    root.insert("Size", qlonglong(9));
    root.insert("Mode", qlonglong(0100644));
    root.insert("ProtectionClass", PlistUid(3));
    root.insert("EncryptionKey", PlistUid(2));
    const QByteArray shapes[] = {
        BuildMBFileBlob(entry),
        Archive(root, 1, {QVariantMap {{"NS.data", PlistUid(4)}}, qlonglong(4), Key44(4)}),
        ParsePlist(Archive(root, 1, {Key44(2), qlonglong(2)})).isValid()
            ? WritePlist(ParsePlist(Archive(root, 1, {Key44(2), qlonglong(2)})), false) // XML
            : QByteArray(),
    };
    QRandomGenerator random(11);
    int agreed = 0;
    for (const QByteArray& shape : shapes) {
        QVERIFY(!shape.isEmpty());
        for (int round = 0; round < 3000; ++round) {
            QByteArray data = shape;
            // Untouched first, then one to three bytes changed, or a cut.
            const int changes = round == 0 ? 0 : 1 + int(random.bounded(3));
            for (int c = 0; c < changes; ++c)
                data[int(random.bounded(data.size()))] = char(random.bounded(256));
            if (round % 10 == 9)
                data.truncate(int(random.bounded(data.size())));
            MBFILE_INFO fast, whole;
            QString error, wholeError;
            const bool read = ParseMbFileBlob(data, &fast, &error);
            QCOMPARE(read, WholeTreeRead(data, &whole, &wholeError));
            QCOMPARE(error, wholeError);
            QCOMPARE(fast.bHasKey, whole.bHasKey);
            QCOMPARE(fast.key.nClass, whole.key.nClass);
            QCOMPARE(fast.key.wrappedKey, whole.key.wrappedKey);
            if (read) {
                QCOMPARE(fast.nSize, whole.nSize);
                QCOMPARE(fast.nMode, whole.nMode);
                QCOMPARE(fast.bHasProtectionClass, whole.bHasProtectionClass);
                QCOMPARE(fast.nProtectionClass, whole.nProtectionClass);
                ++agreed;
            }
        }
    }
    QVERIFY(agreed > 100); // the mutations left many records readable
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
