#include <QtTest>

#include <QWebEngineView>

#include "engine/MessageConversation.h"
#include "tests/ui/PreviewEval.h"
#include "ui/PreviewPage.h"
#include "ui/PreviewScript.h"

// Record text must reach the chat pages as text: it can neither break the
// script that carries it nor become markup or code in the page.
class TestPreviewScript : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void literalIsOneSafeString();
    void htmlTextEscapesMarkup();
    void bubbleText();
    void everyHostileMessageGetsItsBubble();
    void groupSendersAboveBubbles();
    void startPageLoadsWithTheFirstScript();

private:
};

void TestPreviewScript::initTestCase()
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void TestPreviewScript::literalIsOneSafeString()
{
    const QString hostile = QStringLiteral("a\"b'c\\d\ne\rf</script><!--g\u2028h\u2029i\x01");
    const QString lit = PreviewScript::JsStringLiteral(hostile);
    QVERIFY(lit.startsWith('"') && lit.endsWith('"'));
    const QString inner = lit.mid(1, lit.size() - 2);
    // No raw character that could end the literal, the line or an HTML script block.
    for (const QChar c : {QChar('\n'), QChar('\r'), QChar('<'), QChar(0x2028),
                          QChar(0x2029), QChar(1)}) {
        QVERIFY2(!inner.contains(c), qPrintable(QString("raw U+%1").arg(c.unicode(), 4, 16)));
    }
    // Every quote is preceded by a backslash that is itself not escaped.
    QVERIFY(!inner.contains(QRegularExpression(QStringLiteral("(^|[^\\\\])(\\\\\\\\)*\""))));
    QCOMPARE(PreviewScript::JsStringLiteral(QString()), QStringLiteral("\"\""));
    QCOMPARE(PreviewScript::JsStringLiteral(QStringLiteral("plain ü 😀")),
             QStringLiteral("\"plain ü 😀\""));
}

void TestPreviewScript::htmlTextEscapesMarkup()
{
    QCOMPARE(PreviewScript::HtmlText(QStringLiteral("<b>x</b> & \"y\"")),
             QStringLiteral("&lt;b&gt;x&lt;/b&gt; &amp; &quot;y&quot;"));
    QCOMPARE(PreviewScript::HtmlText(QStringLiteral("one\ntwo\r\nthree\rfour")),
             QStringLiteral("one<br />two<br />three<br />four"));
}

void TestPreviewScript::bubbleText()
{
    __MESSAGE_INFO__ mine;
    mine.nIsFromMe = 1;
    mine.strDate = "2024-03-01 10:00:00";
    mine.strContactName = "Ann";
    mine.strText = "hi <there>";
    QCOMPARE(PreviewScript::MessageBubbleHtml(mine),
             QStringLiteral("2024-03-01 10:00:00Me<br />hi &lt;there&gt;"));

    __MESSAGE_INFO__ theirs = mine;
    theirs.nIsFromMe = 0;
    theirs.strContactName = "Zoë & Co";
    QCOMPARE(PreviewScript::MessageBubbleHtml(theirs),
             QStringLiteral("2024-03-01 10:00:00Zoë &amp; Co<br />hi &lt;there&gt;"));

    __WHATSAPP_MESSAGE__ wa;
    wa.strDate = "2024-03-01";
    wa.strText = "only <i>this</i>";
    QCOMPARE(PreviewScript::WhatsappBubbleHtml(wa), QStringLiteral("only &lt;i&gt;this&lt;/i&gt;"));

    QVERIFY(PreviewScript::BubbleScript(QStringLiteral("x"), true).contains("triangle-right right"));
    QVERIFY(PreviewScript::BubbleScript(QStringLiteral("x"), false).contains("triangle-left left"));
}

void TestPreviewScript::everyHostileMessageGetsItsBubble()
{
    QWebEngineView view;
    view.resize(400, 300);
    PreviewPage::Setup(&view);
    // Scripts given before the page is loaded wait for it.
    PreviewPage::Run(&view, PreviewScript::ClearScript());
    PreviewPage::Run(&view, PreviewScript::EnableScript());

    const QStringList texts = {
        QStringLiteral("say \"hello\""),
        QStringLiteral("line one\nline two"),
        QStringLiteral("<b>bold</b>"),
        QStringLiteral("</script><script>document.title='pwned'</script>"),
        QStringLiteral("<img src=x onerror=\"document.title='pwned'\">"),
        QStringLiteral("it's a back\\slash ` ${x} \u2028 end"),
        QStringLiteral("%1 %2"),
    };
    for (int i = 0; i < texts.size(); ++i) {
        __MESSAGE_INFO__ m;
        m.nIsFromMe = i % 2;
        m.strDate = "2024-01-01 00:00:00";
        m.strContactName = "Bob";
        m.strText = texts[i].toStdString();
        PreviewPage::Run(&view, PreviewScript::BubbleScript(PreviewScript::MessageBubbleHtml(m), m.nIsFromMe));
    }

    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('p').length")).toInt(), int(texts.size()));
    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('b,img,script').length")).toInt(), 0);
    for (int i = 0; i < texts.size(); ++i) {
        const QString shown = EvalInPreview(view, QStringLiteral("document.querySelectorAll('p')[%1].innerText").arg(i))
                                  .toString();
        QString expected = texts[i];
        QVERIFY2(shown.endsWith(expected), qPrintable(shown));
        QVERIFY(shown.startsWith(QStringLiteral("2024-01-01 00:00:00") + (i % 2 ? "Me" : "Bob")));
        const QString cls = EvalInPreview(view, QStringLiteral("document.querySelectorAll('p')[%1].className").arg(i))
                                .toString();
        QCOMPARE(cls, i % 2 ? QStringLiteral("triangle-right right") : QStringLiteral("triangle-left left"));
    }
    QTest::qWait(200);
    QVERIFY(EvalInPreview(view, QStringLiteral("document.title")).toString() != QStringLiteral("pwned"));

    // Clearing removes every bubble; later bubbles still find their box.
    PreviewPage::Run(&view, PreviewScript::ClearScript());
    PreviewPage::Run(&view, PreviewScript::BubbleScript(QStringLiteral("again"), true));
    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('p').length")).toInt(), 1);
}

void TestPreviewScript::groupSendersAboveBubbles()
{
    // In a group every incoming bubble has its sender above it (the name, else the
    // number), escaped like the text; the owner's bubbles and one-to-one chats have none.
    __MESSAGE_INFO__ group;
    group.nHandleId = static_cast<int>(GroupConversationKey(4));
    group.strChatName = "Team";
    group.strDate = "2024-01-01 00:00:00";
    group.strText = "hello";
    std::vector<__MESSAGE_INFO__> messages;
    __MESSAGE_INFO__ m = group;
    m.strContactName = "<img src=x onerror=\"document.title='pwned'\">";
    m.strSender = "+1 555";
    messages.push_back(m);
    m.strContactName.clear();
    m.strSender = "+44 20 & 7";
    messages.push_back(m);
    m.nIsFromMe = 1;
    m.strContactName = "Me";
    m.strSender.clear();
    messages.push_back(m);
    __MESSAGE_INFO__ single = messages.front();
    single.nHandleId = 3;
    single.strChatName.clear();
    messages.push_back(single);

    QVERIFY(PreviewScript::SenderHtml(messages[2]).isEmpty());
    QVERIFY(PreviewScript::SenderHtml(messages[3]).isEmpty());
    QCOMPARE(PreviewScript::SenderHtml(messages[1]), QStringLiteral("+44 20 &amp; 7"));

    QWebEngineView view;
    view.resize(400, 300);
    PreviewPage::Setup(&view);
    PreviewPage::Run(&view, PreviewScript::ClearScript());
    for (const __MESSAGE_INFO__& message : messages)
        PreviewPage::Run(&view, PreviewScript::BubbleScript(PreviewScript::MessageBubbleHtml(message),
                                                            message.nIsFromMe != 0,
                                                            PreviewScript::SenderHtml(message)));
    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('p').length")).toInt(), 4);
    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('.sender').length")).toInt(), 2);
    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('img').length")).toInt(), 0);
    const QString above = QStringLiteral("(function(){var p=document.querySelectorAll('p')[%1];"
                                         "var s=p.previousElementSibling;return s?s.innerText:'';})()");
    QCOMPARE(EvalInPreview(view, above.arg(0)).toString(), QString::fromStdString(messages[0].strContactName));
    QCOMPARE(EvalInPreview(view, above.arg(1)).toString(), QStringLiteral("+44 20 & 7"));
    QCOMPARE(EvalInPreview(view, above.arg(2)).toString(), QString());
    QCOMPARE(EvalInPreview(view, above.arg(3)).toString(), QString());
    QTest::qWait(200);
    QVERIFY(EvalInPreview(view, QStringLiteral("document.title")).toString() != QStringLiteral("pwned"));
}

void TestPreviewScript::startPageLoadsWithTheFirstScript()
{
    QWebEngineView view;
    view.resize(400, 300);
    QSignalSpy started(&view, &QWebEngineView::loadStarted);
    QSignalSpy finished(&view, &QWebEngineView::loadFinished);
    PreviewPage::Setup(&view);
    // Set up but never asked: nothing loads.
    QTest::qWait(300);
    QCOMPARE(started.count(), 0);
    QVERIFY(!PreviewPage::IsLoaded(&view));

    // The first script loads the start page once; those that follow wait with it
    // and all run in order on the loaded page.
    PreviewPage::Run(&view, PreviewScript::ClearScript());
    PreviewPage::Run(&view, PreviewScript::EnableScript());
    __MESSAGE_INFO__ m;
    m.strDate = "2024-01-01 00:00:00";
    m.strText = "first";
    PreviewPage::Run(&view, PreviewScript::BubbleScript(PreviewScript::MessageBubbleHtml(m), false));
    m.strText = "second";
    PreviewPage::Run(&view, PreviewScript::BubbleScript(PreviewScript::MessageBubbleHtml(m), true));
    const QString texts =
        QStringLiteral("Array.from(document.querySelectorAll('p')).map(function(p){return p.innerText;}).join('|')");
    const QString shown = EvalInPreview(view, texts).toString();
    QVERIFY2(shown.contains(QStringLiteral("first"))
                 && shown.indexOf(QStringLiteral("first")) < shown.indexOf(QStringLiteral("second")),
             qPrintable(shown));
    QVERIFY(PreviewPage::IsLoaded(&view));
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);

    // Cleared and filled again: no second load.
    PreviewPage::Run(&view, PreviewScript::ClearScript());
    QCOMPARE(EvalInPreview(view, QStringLiteral("document.querySelectorAll('p').length")).toInt(), 0);
    QCOMPARE(started.count(), 1);
}

QTEST_MAIN(TestPreviewScript)
#include "tst_previewscript.moc"
