// The web views of the chat previews: their start page, their safety settings
// and the one way scripts reach them.
#pragma once

#include <functional>

#include <QString>
#include <QVariant>

class QWebEngineView;

namespace PreviewPage {

// The start page: "style.html" beside the executable, else in the working
// directory; empty when neither exists.
QString StylePagePath();

// Turns page scripts off (only our own scripts, in their own world, edit the
// page) and sets the start page, or a bare page with a "content" box when the
// start page is missing. The page loads when the first script comes.
void Setup(QWebEngineView* view);

// Runs one of our scripts in the application's isolated world. Scripts given
// before the start page has finished loading wait for it and then run in order.
void Run(QWebEngineView* view, const QString& script,
         const std::function<void(const QVariant&)>& result = {});

// Whether the start page has finished loading.
bool IsLoaded(QWebEngineView* view);

} // namespace PreviewPage
