#include "ui/PreviewPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <vector>

#include "support/Platform.h"

namespace {

// Holds scripts that arrive while the start page is still loading, and loads
// that page when the first script comes: a page loaded costs the window tens
// of megabytes, and a scan's results page is often never asked for a chat.
class PreviewScriptQueue : public QObject {
public:
    explicit PreviewScriptQueue(QWebEngineView* view) : QObject(view), m_pView(view)
    {
        setObjectName(QStringLiteral("qm_preview_queue"));
        connect(view, &QWebEngineView::loadStarted, this, [this] { m_bLoaded = false; });
        connect(view, &QWebEngineView::loadFinished, this, [this](bool) {
            m_bLoaded = true;
            std::vector<Pending> pending;
            pending.swap(m_vecPending);
            for (const Pending& p : pending)
                RunNow(p.strScript, p.result);
        });
    }

    // The page to load before the first script.
    void SetStartPage(const QString& html)
    {
        m_strStartPage = html;
        m_bLoaded = false;
        m_bStarted = false;
    }

    void Add(const QString& script, const std::function<void(const QVariant&)>& result)
    {
        if (m_bLoaded) {
            RunNow(script, result);
            return;
        }
        m_vecPending.push_back({script, result});
        if (!m_bStarted) {
            m_bStarted = true;
            m_pView->setHtml(m_strStartPage, QUrl());
        }
    }

    bool IsLoaded() const { return m_bLoaded; }

private:
    struct Pending {
        QString strScript;
        std::function<void(const QVariant&)> result;
    };

    void RunNow(const QString& script, const std::function<void(const QVariant&)>& result)
    {
        if (result)
            m_pView->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, result);
        else
            m_pView->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
    }

    QWebEngineView* m_pView;
    bool m_bLoaded = false;
    // Without a start page set, the view's own page is used as it stands.
    bool m_bStarted = true;
    QString m_strStartPage;
    std::vector<Pending> m_vecPending;
};

PreviewScriptQueue* QueueOf(QWebEngineView* view)
{
    auto* queue = view->findChild<PreviewScriptQueue*>(QStringLiteral("qm_preview_queue"),
                                                       Qt::FindDirectChildrenOnly);
    if (!queue)
        queue = new PreviewScriptQueue(view);
    return queue;
}

const char* const kBarePage =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
    "<body id=\"content\"></body></html>";

} // namespace

namespace PreviewPage {

QString StylePagePath()
{
    const QString besideProgram = QmPlatform::ProgramDataDir() + QStringLiteral("/style.html");
    if (QFileInfo::exists(besideProgram))
        return besideProgram;
    const QString inWorkingDir = QDir::current().absoluteFilePath(QStringLiteral("style.html"));
    if (QFileInfo::exists(inWorkingDir))
        return inWorkingDir;
    return QString();
}

void Setup(QWebEngineView* view)
{
    QWebEngineSettings* settings = view->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);

    QString html;
    const QString path = StylePagePath();
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly))
        html = QString::fromUtf8(file.readAll());
    if (html.isEmpty())
        html = QString::fromLatin1(kBarePage);
    QueueOf(view)->SetStartPage(html);
}

void Run(QWebEngineView* view, const QString& script,
         const std::function<void(const QVariant&)>& result)
{
    if (!view)
        return;
    QueueOf(view)->Add(script, result);
}

bool IsLoaded(QWebEngineView* view)
{
    return view && QueueOf(view)->IsLoaded();
}

} // namespace PreviewPage
