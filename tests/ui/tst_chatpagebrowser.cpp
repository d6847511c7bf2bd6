// Each exported chat page of a generated sample, opened in a real browser engine
// (Qt WebEngine, which is Chromium): every picture decodes, every request and every
// link stays inside the export folder. With QM_SCREENSHOT_DIR set, the group chat
// and the WhatsApp chat with a picture, a voice message and a PDF are saved as PNGs.
#include <QtTest>

#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "tests/export/SampleChatExport.h"

namespace {

class RequestLog : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override { urls << info.requestUrl(); }
    QList<QUrl> urls;
};

bool InsideFolder(const QUrl& url, const QString& root)
{
    if (url.scheme() == QLatin1String("data"))
        return true;
    if (!url.isLocalFile())
        return false;
    const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
    return !path.isEmpty() && path.startsWith(QFileInfo(root).canonicalFilePath() + "/");
}

} // namespace

class TestChatPageBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyPageLoadsWithItsPictures();

private:
    QVariant Eval(QWebEnginePage* page, const QString& script);
    QTemporaryDir m_root;
    SampleChatExport m_export;
};

void TestChatPageBrowser::initTestCase()
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    SampleOptions options;
    options.scale = SampleOptions::Scale::Tiny;
    options.seed = 9;
    QString error;
    QVERIFY2(ExportSampleChats(options, m_root.path(), &m_export, &error), qPrintable(error));
    QVERIFY(m_export.pages.size() >= 4);
}

QVariant TestChatPageBrowser::Eval(QWebEnginePage* page, const QString& script)
{
    bool done = false;
    QVariant value;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
        value = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        qWarning("script did not answer: %s", qPrintable(script));
    return value;
}

void TestChatPageBrowser::everyPageLoadsWithItsPictures()
{
    QWebEngineProfile profile;
    RequestLog log;
    profile.setUrlRequestInterceptor(&log);
    QWebEngineView view;
    QWebEnginePage* page = new QWebEnginePage(&profile, &view);
    view.setPage(page);
    view.resize(900, 1400);
    view.show();

    // The pages to photograph: a message page and a WhatsApp page showing a picture, a
    // player and a PDF link (the group chat "Family, Friends" where there is one).
    const QString shots = qEnvironmentVariable("QM_SCREENSHOT_DIR");
    QString messageShot, whatsAppShot;
    for (const QString& path : m_export.pages) {
        const std::string html = ReadAllText(path);
        const bool media = html.find("<img") != std::string::npos && html.find("<audio") != std::string::npos &&
                           html.find(".pdf\"") != std::string::npos;
        if (path.contains(QStringLiteral("/WhatsApp Message/")) && media && whatsAppShot.isEmpty())
            whatsAppShot = path;
        if (path.contains(QStringLiteral("/Message/")) && html.find("<img") != std::string::npos &&
            (messageShot.isEmpty() || path.contains(QStringLiteral("Family"))))
            messageShot = path;
    }
    int pictures = 0;
    for (const QString& path : m_export.pages) {
        log.urls.clear();
        QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
        page->load(QUrl::fromLocalFile(path));
        QVERIFY2(loaded.wait(30000) || loaded.count() > 0, qPrintable(path));
        QVERIFY2(loaded.first().first().toBool(), qPrintable(path));
        // Pictures decode (naturalWidth > 0) once they have all finished loading.
        const QString state = QStringLiteral(
            "(function(){var s=[];for(var i of document.images){if(!i.complete)return null;"
            "s.push(i.naturalWidth);}return s;})()");
        QVariant widths;
        QVERIFY2(QTest::qWaitFor([&] { return !(widths = Eval(page, state)).isNull(); }, 20000), qPrintable(path));
        for (const QVariant& w : widths.toList()) {
            QVERIFY2(w.toInt() > 0, qPrintable(path));
            ++pictures;
        }
        // What the page asked for and what it links to: files inside the export.
        const QVariant refs = Eval(page, QStringLiteral(
            "Array.from(document.querySelectorAll('[src],[href]')).map(function(e){return e.src||e.href;})"));
        for (const QVariant& ref : refs.toList())
            QVERIFY2(InsideFolder(QUrl(ref.toString()), m_export.exportDir), qPrintable(ref.toString()));
        for (const QUrl& url : log.urls)
            QVERIFY2(InsideFolder(url, m_export.exportDir), qPrintable(url.toString()));

        if (!shots.isEmpty() && (path == messageShot || path == whatsAppShot)) {
            QTest::qWait(500);
            const QString name = path == messageShot ? QStringLiteral("chat-page-messages.png")
                                                     : QStringLiteral("chat-page-whatsapp.png");
            QVERIFY(view.grab().save(shots + "/" + name));
        }
    }
    QVERIFY(pictures >= 3);
}

QTEST_MAIN(TestChatPageBrowser)
#include "tst_chatpagebrowser.moc"
