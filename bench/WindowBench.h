// Start-up and waiting shared by the benchmarks that drive the window.
#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "support/Version.h"

// Answers --version (true: the program should end) and, before the application
// exists, sets what the window needs without a display or as root.
inline bool PrepareWindowBench(int argc, char** argv, const char* name)
{
    if (AnswerVersion(argc, argv, name))
        return true;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web view's sandbox refuses to start for root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    return false;
}

// Lets the window paint and its pages load for `ms` milliseconds.
inline void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}
