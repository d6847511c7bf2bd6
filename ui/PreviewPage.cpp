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

// Holds scripts that arrive while the start page is still loading.
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

    void Add(const QString& script, const std::function<void(const QVariant&)>& result)
    {
        if (m_bLoaded)
            RunNow(script, result);
        else
            m_vecPending.push_back({script, result});
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

    QueueOf(view);

    QString html;
    const QString path = StylePagePath();
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly))
        html = QString::fromUtf8(file.readAll());
    if (html.isEmpty())
        html = QString::fromLatin1(kBarePage);
    view->setHtml(html, QUrl());
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
