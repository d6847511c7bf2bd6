// Runs one script in a preview page and waits for its answer (tests only).
#pragma once

#include <QVariant>
#include <QWebEngineView>
#include <QtTest>

#include "ui/PreviewPage.h"

inline QVariant EvalInPreview(QWebEngineView& view, const QString& script)
{
    bool done = false;
    QVariant value;
    PreviewPage::Run(&view, script, [&](const QVariant& v) {
        value = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        qWarning("script did not answer: %s", qPrintable(script));
    return value;
}
