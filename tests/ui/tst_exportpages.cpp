#include <QtTest>

#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "export/Recovery.h"

// The exported pages, opened in a real browser engine with page scripts on: every
// report loads with all its text, and a message's markup shows as text and runs nothing.
class TestExportPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void reportsShowTextAndRunNothing();
    void previewPageKeepsContentAfterClear();

private:
    bool Load(QWebEngineView& view, const QUrl& url, const QString& html = QString());
    QVariant Eval(QWebEngineView& view, const QString& script);
    void Snapshot(QWebEngineView& view, const QString& name);
};

namespace {
const char* const kHostile = "<img src=x onerror=\"window.qmPwned=1\"><script>window.qmPwned=2</script>"
                             "<b id=\"qmInjected\">bold</b>";
const char* const kWords = "Caf\xc3\xa9 cr\xc3\xa8me \xf0\x9f\x98\x80 \xe6\x97\xa5\xe6\x9c\xac";
}

void TestExportPages::initTestCase()
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

bool TestExportPages::Load(QWebEngineView& view, const QUrl& url, const QString& html)
{
    QSignalSpy spy(&view, &QWebEngineView::loadFinished);
    if (html.isNull())
        view.load(url);
    else
        view.setHtml(html, url);
    return spy.wait(30000) && spy.first().first().toBool();
}

QVariant TestExportPages::Eval(QWebEngineView& view, const QString& script)
{
    bool done = false;
    QVariant value;
    view.page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
        value = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        qWarning("script did not answer: %s", qPrintable(script));
    return value;
}

// QM_EXPORT_SNAPSHOTS=folder keeps a picture of each page for a look by eye.
void TestExportPages::Snapshot(QWebEngineView& view, const QString& name)
{
    const QString dir = qEnvironmentVariable("QM_EXPORT_SNAPSHOTS");
    if (dir.isEmpty())
        return;
    QTest::qWait(500);
    view.grab().save(dir + "/" + name + ".png");
}

void TestExportPages::reportsShowTextAndRunNothing()
{
    QTemporaryDir out;
    CRecovery rec; // templates from the build's bin/template
    rec.Init(out.path(), nullptr);

    MessageMap messages;
    __MESSAGE_INFO__ m;
    m.nHandleId = 1;
    m.strSender = "+33 6 12 34 56 78";
    m.strContactName = std::string("Z\xc3\xa9lie ") + kHostile;
    m.strDate = "2024-05-01 09:30:00";
    m.strText = std::string(kWords) + " " + kHostile;
    messages[1].push_back(m);
    m.nIsFromMe = 1;
    m.strText = "Line one\nline two & <i>three</i>";
    messages[1].push_back(m);
    m.nIsFromMe = 0;
    m.nDeleted = 1;
    m.strText = "deleted one";
    messages[1].push_back(m);
    QCOMPARE(rec.RecoveryMsg(&messages[1][0], &messages), 0);

    WhatsAppMessageMap chats;
    __WHATSAPP_MESSAGE__ w;
    w.nChatId = 2;
    w.strExtra1 = std::string("Group ") + kHostile;
    w.strExtra2 = "120363";
    w.strSenderName = "Ana";
    w.strSenderId = "+34 600";
    w.strText = std::string(kWords) + " " + kHostile;
    w.strDate = "2024-05-02 10:00:00";
    chats[2] = {w};
    QCOMPARE(rec.RecoveryWhatsAppMsg(&chats[2][0], &chats), 0);

    __PERSON_CONTENT__ p;
    p.strName = std::string(kWords) + kHostile;
    p.strPhone = "+1 555 0100\n+1 555 0101";
    p.strEmail = "zelie@example.com";
    p.strCompany = "ACME";
    rec.RecoveryContacts(&p);
    QCOMPARE(rec.SaveContacts(), 0);
    __CALLHISTORY__ c;
    c.nAnswered = 1;
    c.nDuration = 3725;
    c.strAddress = "+1 555 0100";
    c.strContactName = std::string(kWords) + kHostile;
    c.strDate = "2024-05-03 11:00:00";
    rec.RecoveryCallHistory(&c);
    QCOMPARE(rec.SaveCallHistory(), 0);
    __NOTES__ n;
    n.strTitle = std::string("Shopping ") + kWords;
    n.strBody = std::string("milk < 2 l\neggs ") + kHostile;
    n.strDate = "2024-05-04 12:00:00";
    rec.RecoveryNotes(&n);
    QCOMPARE(rec.SaveNotes(), 0);

    QStringList pages;
    QDirIterator it(out.path(), {"*.html"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        pages << it.next();
    pages.sort();
    QCOMPARE(pages.size(), 5);

    QWebEngineView view;
    view.resize(1000, 700);
    view.show();
    for (const QString& page : pages) {
        QVERIFY2(Load(view, QUrl::fromLocalFile(page)), qPrintable(page));
        const QString text = Eval(view, "document.body.innerText").toString();
        QVERIFY2(text.contains(QString::fromUtf8(kWords)), qPrintable(page + ": " + text));
        QVERIFY2(text.contains("<script>window.qmPwned=2</script>"), qPrintable(page));
        QVERIFY(!text.contains("{|"));
        QCOMPARE(Eval(view, "document.getElementById('qmInjected') === null").toBool(), true);
        QCOMPARE(Eval(view, "document.querySelectorAll('img, script').length").toInt(), 0);
        QCOMPARE(Eval(view, "typeof window.qmPwned").toString(), QString("undefined"));
        QVERIFY(Eval(view, "document.title").toString().startsWith("iPhone's "));
        Snapshot(view, QFileInfo(page).completeBaseName().left(20));
    }
    // The chat page keeps its bubbles apart: two received (one deleted), one sent.
    const QString sms = pages.filter("/Message/").value(0);
    QVERIFY(Load(view, QUrl::fromLocalFile(sms)));
    QCOMPARE(Eval(view, "document.querySelectorAll('.recv_msg').length").toInt(), 1);
    QCOMPARE(Eval(view, "document.querySelectorAll('.send_msg').length").toInt(), 1);
    QCOMPARE(Eval(view, "document.querySelectorAll('.del_recv_msg').length").toInt(), 1);
    QCOMPARE(Eval(view, "document.querySelectorAll('.date').length").toInt(), 3);
    // The table reports hold their columns.
    QVERIFY(Load(view, QUrl::fromLocalFile(pages.filter("/Contacts/").value(0))));
    QCOMPARE(Eval(view, "document.querySelectorAll('tbody tr td').length").toInt(), 7);
    QCOMPARE(Eval(view, "document.querySelectorAll('thead th').length").toInt(), 7);
    QVERIFY(Load(view, QUrl::fromLocalFile(pages.filter("/CallHistory/").value(0))));
    QCOMPARE(Eval(view, "document.querySelectorAll('tbody tr td').length").toInt(), 5);
    QVERIFY(Eval(view, "document.body.innerText").toString().contains("01:02:05"));
}

void TestExportPages::previewPageKeepsContentAfterClear()
{
    QFile f(QStringLiteral(QM_BIN_DIR) + "/style.html");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    QWebEngineView view;
    QVERIFY(Load(view, QUrl(), html));
    Eval(view, "document.body.innerHTML=''");
    Eval(view, "document.getElementById(\"content\").removeAttribute(\"disabled\")");
    Eval(view, "document.getElementById(\"content\").insertAdjacentHTML(\"beforeEnd\",\"<div style='overflow:hidden;'>"
               "<p class='triangle-right right'>2024-01-01Me<br />hi</p></div>\")");
    Eval(view, "document.getElementById(\"content\").insertAdjacentHTML(\"beforeEnd\",\"<div style='overflow:hidden;'>"
               "<p class='triangle-left left'>2024-01-01Ann<br />hello</p></div>\")");
    QCOMPARE(Eval(view, "document.querySelectorAll('#content p').length").toInt(), 2);
    QCOMPARE(Eval(view, "document.querySelector('#content p').className").toString(), QString("triangle-right right"));
    // The bubbles are styled: floated to their sides, with a background.
    QCOMPARE(Eval(view, "getComputedStyle(document.querySelector('.right')).float").toString(), QString("right"));
    QCOMPARE(Eval(view, "getComputedStyle(document.querySelector('.left')).float").toString(), QString("left"));
    // A second clear empties the bubbles and still leaves "content".
    Eval(view, "document.body.innerHTML=''");
    QCOMPARE(Eval(view, "document.getElementById('content') !== null && document.getElementById('content').children.length === 0").toBool(), true);
}

QTEST_MAIN(TestExportPages)
#include "tst_exportpages.moc"
