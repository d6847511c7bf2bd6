#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QUrl>

#include "FlowTestUtil.h"
#include "UiTestBase.h"
#include "ui/CMessageBox.h"
#include "ui/CURLConfig.h"
#include "ui/DRUI.h"
#include "ui/StartRights.h"

// The window started by a plain user: administrator rights are offered only
// for a backup root closed to him, a missing pkexec is said in the window, and
// a root run opens links in the invoking user's session. The tests run the
// checks as an unprivileged user (dropping the effective user when run as root).
class TestStartRights : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void offerOnlyForAClosedRoot();
    void linksOpenAsTheUser();

private:
    QString Fake(const QString& name, const QByteArray& body);
    QString ReadLog(const QString& name);
    // Runs the start check as a plain user, answering the question with
    // `answer` (1 OK, 0 NO); the texts of the dialogs shown are appended.
    StartRights::Outcome Offer(DRUI& w, int answer, QStringList* texts);
    QTemporaryDir m_dir;
    QByteArray m_path;
};

void TestStartRights::initTestCase()
{
    SetUpFolders();
    QVERIFY(m_dir.isValid());
    QVERIFY(chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
    QDir().mkpath(m_dir.filePath("bin"));
    QDir().mkpath(m_dir.filePath("logs"));
    QVERIFY(chmod(QFile::encodeName(m_dir.filePath("logs")).constData(), 0777) == 0);
    m_path = qgetenv("PATH");
    Fake("pkexec", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > LOG\n");
    Fake("xdg-open", "printf '%s|%s\\n' \"$(id -u)\" \"$1\" > LOG\n");
}

QString TestStartRights::Fake(const QString& name, const QByteArray& body)
{
    const QString path = m_dir.filePath("bin/" + name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        QByteArray text = body;
        text.replace("LOG", m_dir.filePath("logs/" + name + ".log").toUtf8());
        f.write("#!/bin/sh\n" + text);
        f.close();
    }
    chmod(QFile::encodeName(path).constData(), 0755);
    return path;
}

QString TestStartRights::ReadLog(const QString& name)
{
    QFile f(m_dir.filePath("logs/" + name + ".log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

StartRights::Outcome TestStartRights::Offer(DRUI& w, int answer, QStringList* texts)
{
    ModalDriver driver([&](QWidget* modal) {
        if (auto* box = qobject_cast<CMessageBox*>(modal)) {
            texts->append(box->m_pLabelText->text());
            // The question has a NO button; an information box only OK.
            if (answer == 0 && FindButton(box, "NO"))
                box->btnSlotNO();
            else
                box->btnSlotOK();
        }
    });
    const bool drop = geteuid() == 0;
    if (drop && seteuid(65534) != 0)
        qFatal("cannot switch to an unprivileged user");
    const StartRights::Outcome outcome = StartRights::OfferIfNeeded(&w);
    if (drop && seteuid(0) != 0)
        qFatal("cannot return to root");
    return outcome;
}

void TestStartRights::offerOnlyForAClosedRoot()
{
    DRUI w;
    w.Init();
    w.show();
    qputenv("PATH", m_dir.filePath("bin").toUtf8() + ":" + m_path);
    QStringList texts;

    // A readable root (or none at all): nothing is asked.
    const QString open = m_dir.filePath("open-root");
    QDir().mkpath(open);
    qputenv("QUILLMERE_BACKUP_ROOT", open.toUtf8());
    QCOMPARE(Offer(w, 1, &texts), StartRights::RIGHTS_ENOUGH);
    qputenv("QUILLMERE_BACKUP_ROOT", m_dir.filePath("absent").toUtf8());
    QCOMPARE(Offer(w, 1, &texts), StartRights::RIGHTS_ENOUGH);
    QVERIFY(texts.isEmpty());

    // A root closed to the user: asked; no means going on as the user.
    const QString closed = m_dir.filePath("closed-root");
    QDir().mkpath(closed);
    QVERIFY(chmod(QFile::encodeName(closed).constData(), geteuid() == 0 ? 0700 : 0000) == 0);
    qputenv("QUILLMERE_BACKUP_ROOT", closed.toUtf8());
    QCOMPARE(Offer(w, 0, &texts), StartRights::RIGHTS_DECLINED);
    QCOMPARE(texts.size(), 1);
    QVERIFY(texts.first().contains("administrator rights"));
    QVERIFY(ReadLog("pkexec").isEmpty());

    // Yes: the program starts again through pkexec, with "start".
    texts.clear();
    QCOMPARE(Offer(w, 1, &texts), StartRights::RIGHTS_RELAUNCHED);
    QTRY_VERIFY_WITH_TIMEOUT(ReadLog("pkexec").endsWith("start\n"), 20000);
    const QStringList args = ReadLog("pkexec").split('\n', Qt::SkipEmptyParts);
    QCOMPARE(args.first(), QString("env"));
    QVERIFY(args.contains("QUILLMERE_BACKUP_ROOT=" + closed));
    QCOMPARE(args[args.size() - 2], QCoreApplication::applicationFilePath());

    // Yes without pkexec: the window says so and stays.
    QFile::remove(m_dir.filePath("logs/pkexec.log"));
    texts.clear();
    qputenv("PATH", "/nonexistent");
    QCOMPARE(Offer(w, 1, &texts), StartRights::RIGHTS_UNAVAILABLE);
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts.last().contains("pkexec is not installed"), qPrintable(texts.last()));
    QVERIFY(w.isVisible());
    QVERIFY(ReadLog("pkexec").isEmpty());

    // Already root (the relaunched copy uses one argument and never asks).
    if (geteuid() == 0) {
        texts.clear();
        QCOMPARE(StartRights::OfferIfNeeded(&w), StartRights::RIGHTS_ENOUGH);
    }
    qputenv("PATH", m_path);
    qputenv("QUILLMERE_BACKUP_ROOT", BackupRoot().toUtf8());
}

void TestStartRights::linksOpenAsTheUser()
{
    if (geteuid() != 0)
        QSKIP("only a root run hands links to another user");
    qputenv("PATH", m_dir.filePath("bin").toUtf8() + ":" + m_path);
    StartRights::OpenLinksAsUser();
    DRUI w;
    w.Init();

    // Root with nobody behind it: nothing opens (no browser as root).
    qunsetenv("PKEXEC_UID");
    qunsetenv("SUDO_UID");
    w.btnHelpSlot();
    QTest::qWait(300);
    QVERIFY(ReadLog("xdg-open").isEmpty());

    // Root for a user: Help and Open Folder open in his session, as him.
    qputenv("PKEXEC_UID", "65534");
    w.btnHelpSlot();
    const QString guide = QString::fromStdString(CURLConfig::GetInstance()->GetUrl(CURLConfig::USER_GUIDE));
    QTRY_COMPARE_WITH_TIMEOUT(ReadLog("xdg-open"), "65534|" + guide + "\n", 20000);
    QFile::remove(m_dir.filePath("logs/xdg-open.log"));
    SCANUI dialog;
    dialog.m_strSaveDir = m_dir.filePath("recovered here");
    dialog.btnOpenFolder();
    QTRY_COMPARE_WITH_TIMEOUT(ReadLog("xdg-open"), "65534|" + m_dir.filePath("recovered here") + "\n", 20000);
    qunsetenv("PKEXEC_UID");
    qputenv("PATH", m_path);
}

QTEST_MAIN(TestStartRights)
#include "tst_startrights.moc"
