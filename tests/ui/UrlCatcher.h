// Catches the links the window opens (registered with QDesktopServices::setUrlHandler
// for a scheme, slot "open"), so tests see them instead of a browser.
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
