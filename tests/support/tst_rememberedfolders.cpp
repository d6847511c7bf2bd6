#include <QtTest>

#include <QSettings>
#include <QTemporaryDir>

#include "support/RememberedFolders.h"

// Folders chosen with Select, kept in the settings of a private test folder
// (never the real user's).
class TestRememberedFolders : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newestFirstAtMostTen();
    void vanishedFoldersDropOff();

private:
    QString Folder(int n);
    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
};

void TestRememberedFolders::initTestCase()
{
    QVERIFY(m_settings.isValid() && m_dir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    QVERIFY(RememberedFolders::Load().isEmpty());
}

QString TestRememberedFolders::Folder(int n)
{
    const QString path = m_dir.filePath(QStringLiteral("backups %1").arg(n));
    QDir().mkpath(path);
    return path;
}

void TestRememberedFolders::newestFirstAtMostTen()
{
    RememberedFolders::Remember(Folder(1));
    RememberedFolders::Remember(Folder(2) + "/");
    RememberedFolders::Remember(Folder(3));
    QCOMPARE(RememberedFolders::Load(), (QStringList{Folder(3), Folder(2), Folder(1)}));
    // Chosen again: moves to the front, listed once.
    RememberedFolders::Remember(Folder(1));
    QCOMPARE(RememberedFolders::Load(), (QStringList{Folder(1), Folder(3), Folder(2)}));
    // Nothing, or a folder that does not exist, is not kept.
    RememberedFolders::Remember(QString());
    RememberedFolders::Remember(m_dir.filePath("nowhere"));
    QCOMPARE(RememberedFolders::Load().size(), 3);

    for (int n = 4; n <= 14; ++n)
        RememberedFolders::Remember(Folder(n));
    const QStringList kept = RememberedFolders::Load();
    QCOMPARE(kept.size(), RememberedFolders::kMaxFolders);
    QCOMPARE(kept.first(), Folder(14));
    QCOMPARE(kept.last(), Folder(5));
}

void TestRememberedFolders::vanishedFoldersDropOff()
{
    RememberedFolders::Remember(Folder(20));
    RememberedFolders::Remember(Folder(21));
    QVERIFY(QDir(Folder(20)).removeRecursively());
    QStringList kept = RememberedFolders::Load();
    QCOMPARE(kept.first(), Folder(21));
    QVERIFY(!kept.contains(m_dir.filePath("backups 20")));
    // Dropped from the settings too, not only from the answer.
    QSettings settings("Quillmere", "Quillmere");
    QVERIFY(!settings.value("backupFolders").toStringList().contains(m_dir.filePath("backups 20")));
    // Hand-edited settings with a relative path or a file are cleaned the same way.
    QFile file(m_dir.filePath("a file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    settings.setValue("backupFolders", QStringList{"relative/path", file.fileName(), Folder(22)});
    settings.sync();
    QCOMPARE(RememberedFolders::Load(), QStringList{Folder(22)});
}

QTEST_MAIN(TestRememberedFolders)
#include "tst_rememberedfolders.moc"
