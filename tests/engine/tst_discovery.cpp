#include <QtTest>

#include <QTemporaryDir>

#include "EngineFixtures.h"
#include "engine/IphoneBackupFile.h"
#include "support/Plist.h"

using namespace EngineFixtures;

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void foldersDescending();
    void listedRecords();
    void singleFolderKeepsCallerValues();
    void versionDateAndValueLines();
    void binaryInfoPlist();
    void encryptionJudgement();
    void selecting();

private:
    QString makeBackup(const QString& name, const QByteArray& info);
    QTemporaryDir m_dir;
    QString m_root;
};

void TestDiscovery::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", (m_dir.path() + QStringLiteral("/support/")).toUtf8());
}

void TestDiscovery::init()
{
    static int round = 0;
    m_root = m_dir.filePath(QStringLiteral("root%1").arg(++round));
    QVERIFY(QDir().mkpath(m_root));
    qputenv("QUILLMERE_BACKUP_ROOT", (m_root + QLatin1Char('/')).toUtf8());
}

QString TestDiscovery::makeBackup(const QString& name, const QByteArray& info)
{
    const QString folder = m_root + QLatin1Char('/') + name;
    QDir().mkpath(folder);
    if (!info.isNull())
        WriteBytes(folder + QStringLiteral("/Info.plist"), info);
    return folder;
}

void TestDiscovery::foldersDescending()
{
    makeBackup(QStringLiteral("a1"), InfoPlistXml(KeyString("Display Name", "A")));
    makeBackup(QStringLiteral("B2"), InfoPlistXml(KeyString("Display Name", "B")));
    makeBackup(QStringLiteral(".hidden"), InfoPlistXml(KeyString("Display Name", "H")));
    WriteBytes(m_root + QStringLiteral("/c3"), "a file, not a folder");

    CIphoneBackupFile engine;
    QCOMPARE(engine.m_strBackupDir, (m_root + QLatin1Char('/')).toStdString());
    QCOMPARE(int(engine.m_vecBackupFolders.size()), 2);
    QCOMPARE(engine.m_vecBackupFolders[0], (m_root + QStringLiteral("/B2")).toStdString());
    QCOMPARE(engine.m_vecBackupFolders[1], (m_root + QStringLiteral("/a1")).toStdString());

    std::vector<std::string> out{"kept"};
    std::string path = m_root.toStdString();  // no trailing slash: one is added
    engine.TraverseFolder(path.data(), out);
    QCOMPARE(int(out.size()), 3);
    QCOMPARE(out.back(), std::string("kept"));
    QCOMPARE(out[0], engine.m_vecBackupFolders[0]);
}

void TestDiscovery::listedRecords()
{
    // a1 is listed after b2 and has no phone number: it must not inherit b2's.
    makeBackup(QStringLiteral("a1"), InfoPlistXml(KeyString("Display Name", "Ann") + KeyString("Serial Number", "S1")));
    makeBackup(QStringLiteral("b2"), InfoPlistXml(KeyString("Display Name", "Bob")
                                                  + KeyString("Phone Number", "+44 7700 900123")
                                                  + KeyString("Product Version", "12.0")
                                                  + KeyString("Serial Number", "S2")));
    makeBackup(QStringLiteral("c3"), QByteArray());  // no Info.plist: left out
    makeBackup(QStringLiteral("d4"), QByteArray());
    QDir().mkpath(m_root + QStringLiteral("/d4/Info.plist"));  // a folder: unreadable

    CIphoneBackupFile engine;
    std::vector<__BACK_FILE_INFO__> list;
    QCOMPARE(engine.GetBackFileInfo(list), 0L);
    QCOMPARE(int(list.size()), 2);
    QCOMPARE(list[0].strDisplayName, std::string("Bob"));
    QCOMPARE(list[0].strPhoneNumber, std::string("+44 7700 900123"));
    QVERIFY(list[0].bVersionAbove11);
    QCOMPARE(list[0].strBackupPath, (m_root + QStringLiteral("/b2")).toStdString());
    QCOMPARE(list[1].strDisplayName, std::string("Ann"));
    QCOMPARE(list[1].strPhoneNumber, std::string());
    QVERIFY(!list[1].bVersionAbove11);
    QCOMPARE(list[1].strSerialNumber, std::string("S1"));
}

void TestDiscovery::singleFolderKeepsCallerValues()
{
    const QString folder = makeBackup(QStringLiteral("x"), InfoPlistXml(KeyString("Display Name", "Tom &amp; Ann&#39;s &lt;3")
                                                                       + KeyString("Serial Number", "SER")
                                                                       + KeyString("Phone Number", "after serial")));
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    info.strPhoneNumber = "caller's";
    info.strBackupDate = "caller's date";
    std::string path = folder.toStdString();
    QCOMPARE(engine.GetBackFileInfo(path.data(), &info), 0);
    QCOMPARE(info.strDisplayName, std::string("Tom & Ann's <3"));
    QCOMPARE(info.strSerialNumber, std::string("SER"));
    QCOMPARE(info.strPhoneNumber, std::string("caller's"));  // after "Serial Number": never read
    QCOMPARE(info.strBackupDate, std::string("caller's date"));
    QCOMPARE(info.strBackupPath, path);

    __BACK_FILE_INFO__ untouched;
    untouched.strDisplayName = "keep";
    std::string none = makeBackup(QStringLiteral("none"), QByteArray()).toStdString();
    QCOMPARE(engine.GetBackFileInfo(none.data(), &untouched), 87);
    QCOMPARE(untouched.strDisplayName, std::string("keep"));
    QCOMPARE(untouched.strBackupPath, std::string());
}

void TestDiscovery::versionDateAndValueLines()
{
    struct Case {
        QByteArray version;
        bool above;
    } cases[] = {{"11.4", false}, {"12.0", true}, {"12.4.1", true}, {"9.3.5", false}, {"", false}};
    CIphoneBackupFile engine;
    for (const Case& c : cases) {
        const QString folder = makeBackup(QStringLiteral("v") + QString::fromLatin1(c.version),
                                          InfoPlistXml(KeyString("Product Version", c.version)));
        __BACK_FILE_INFO__ info;
        info.bVersionAbove11 = !c.above;
        std::string path = folder.toStdString();
        QCOMPARE(engine.GetBackFileInfo(path.data(), &info), 0);
        QCOMPARE(info.bVersionAbove11, c.above);
    }

    const QString folder = makeBackup(QStringLiteral("date"), InfoPlistXml(
        "\t<key>Last Backup Date</key>\n\t<date>2019-05-04T10:40:12Z</date>\n"
        "\t<key>Display Name</key><string>same line</string>\n"
        "\t<key>Phone Number</key>\n\t<integer>5</integer>\n"));
    __BACK_FILE_INFO__ info;
    info.strDisplayName = "unchanged";
    info.strPhoneNumber = "unchanged";
    std::string path = folder.toStdString();
    QCOMPARE(engine.GetBackFileInfo(path.data(), &info), 0);
    QCOMPARE(info.strBackupDate, std::string("2019-05-04 10:40:12"));
    QCOMPARE(info.strDisplayName, std::string("unchanged"));  // value on the key's line: not found
    QCOMPARE(info.strPhoneNumber, std::string("unchanged"));  // no <string> on the value line

    // A key on the last line has no value line; a very long name arrives in pieces.
    const QByteArray longName(5000, 'n');
    const QString tail = makeBackup(QStringLiteral("tail"), "\t<key>Display Name</key>\n\t<string>" + longName
                                    + "</string>\n<key>Serial Number</key>");
    __BACK_FILE_INFO__ tailInfo;
    tailInfo.strSerialNumber = "unchanged";
    std::string tailPath = tail.toStdString();
    QCOMPARE(engine.GetBackFileInfo(tailPath.data(), &tailInfo), 0);
    QCOMPARE(tailInfo.strSerialNumber, std::string("unchanged"));
    QVERIFY(tailInfo.strDisplayName.size() < 2048);
    QVERIFY(!tailInfo.strDisplayName.empty());
}

void TestDiscovery::binaryInfoPlist()
{
    QVariantMap values;
    values.insert(QStringLiteral("Display Name"), QStringLiteral("Zoë’s iPhone"));
    values.insert(QStringLiteral("Last Backup Date"), QDateTime(QDate(2021, 2, 3), QTime(4, 5, 6), Qt::UTC));
    values.insert(QStringLiteral("Phone Number"), QStringLiteral("+1 555 0100"));
    values.insert(QStringLiteral("Product Version"), QStringLiteral("14.3"));
    values.insert(QStringLiteral("Serial Number"), QStringLiteral("F2LXXXX"));
    makeBackup(QStringLiteral("bin"), WritePlist(values, true));

    CIphoneBackupFile engine;
    std::vector<__BACK_FILE_INFO__> list;
    engine.GetBackFileInfo(list);
    QCOMPARE(int(list.size()), 1);
    QCOMPARE(QString::fromStdString(list[0].strDisplayName), QStringLiteral("Zoë’s iPhone"));
    QCOMPARE(list[0].strBackupDate, std::string("2021-02-03 04:05:06"));
    QCOMPARE(list[0].strPhoneNumber, std::string("+1 555 0100"));
    QCOMPARE(list[0].strSerialNumber, std::string("F2LXXXX"));
    QVERIFY(list[0].bVersionAbove11);

    // Missing keys keep the caller's values in the binary form too.
    values.clear();
    values.insert(QStringLiteral("Serial Number"), QStringLiteral("ONLY"));
    const QString folder = makeBackup(QStringLiteral("bin2"), WritePlist(values, true));
    __BACK_FILE_INFO__ info;
    info.strDisplayName = "caller";
    std::string path = folder.toStdString();
    QCOMPARE(engine.GetBackFileInfo(path.data(), &info), 0);
    QCOMPARE(info.strDisplayName, std::string("caller"));
    QCOMPARE(info.strSerialNumber, std::string("ONLY"));
}

void TestDiscovery::encryptionJudgement()
{
    CIphoneBackupFile engine;
    const QByteArray sqlite = "SQLite format 3" + QByteArray(600, '\0');
    const QByteArray cipher = QByteArray(600, '\x5a');
    const QString id = QString::fromLatin1(g_szAddressBookFileId);
    auto judge = [&](const QString& folder) {
        std::string path = folder.toStdString();
        return engine.IsEncrypted(path.data());
    };

    const QString absent = makeBackup(QStringLiteral("absent"), QByteArray());
    QVERIFY(!judge(absent));

    const QString oldPlain = makeBackup(QStringLiteral("oldPlain"), QByteArray());
    WriteBytes(oldPlain + QLatin1Char('/') + id, sqlite);
    QVERIFY(!judge(oldPlain));

    const QString oldCipher = makeBackup(QStringLiteral("oldCipher"), QByteArray());
    WriteBytes(oldCipher + QLatin1Char('/') + id, cipher);
    QVERIFY(judge(oldCipher));

    const QString mddata = makeBackup(QStringLiteral("mddata"), QByteArray());
    WriteBytes(mddata + QLatin1Char('/') + id + QStringLiteral(".mddata"), cipher);
    QVERIFY(judge(mddata));

    const QString empty = makeBackup(QStringLiteral("empty"), QByteArray());
    WriteBytes(empty + QLatin1Char('/') + id, QByteArray());
    QVERIFY(judge(empty));

    const QString newPlain = makeBackup(QStringLiteral("newPlain"), QByteArray());
    WriteBytes(newPlain + QStringLiteral("/Manifest.db"), "x");
    WriteBytes(newPlain + QStringLiteral("/31/") + id, sqlite);
    QVERIFY(!judge(newPlain));

    // Manifest.db present: only the two-level name is tried.
    const QString newFlat = makeBackup(QStringLiteral("newFlat"), QByteArray());
    WriteBytes(newFlat + QStringLiteral("/Manifest.db"), "x");
    WriteBytes(newFlat + QLatin1Char('/') + id, cipher);
    QVERIFY(!judge(newFlat));

    const QString newCipher = makeBackup(QStringLiteral("newCipher"), QByteArray());
    WriteBytes(newCipher + QStringLiteral("/Manifest.db"), "x");
    WriteBytes(newCipher + QStringLiteral("/31/") + id, cipher);
    QVERIFY(judge(newCipher));
}

void TestDiscovery::selecting()
{
    CIphoneBackupFile engine;
    QVERIFY(!engine.GetSelectBackUpFileInfo()->bEncrypted);
    QCOMPARE(engine.m_nMaxMessageRowId, 20000ULL);
    QCOMPARE(engine.m_nMaxContactDocId, 20000ULL);
    QVERIFY(!engine.m_pCallback);
    __BACK_FILE_INFO__ info;
    info.bEncrypted = true;
    info.bVersionAbove11 = true;
    info.strBackupDate = "2019-05-04 10:40:12";
    info.strPhoneNumber = "p";
    info.strSerialNumber = "s";
    info.strBackupPath = "/some/backup";
    info.strDisplayName = "d";
    QCOMPARE(engine.Init(&info), 0L);
    const __BACK_FILE_INFO__* selected = engine.GetSelectBackUpFileInfo();
    QCOMPARE(selected, &engine.m_selected);
    QVERIFY(selected->bEncrypted && selected->bVersionAbove11);
    QCOMPARE(selected->strDisplayName, std::string("d"));
    QCOMPARE(selected->strSerialNumber, std::string("s"));
    QCOMPARE(engine.m_strBackupDir, std::string("/some/backup"));
}

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
