// Entry point. With exactly one argument (the relaunch passes "start") this is
// the working instance and shows the window; with any other count it only asks
// for administrator rights, starts itself again with "start", and ends.
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QtGlobal>

#include "support/Platform.h"
#include "support/TextEncoding.h"
#include "support/Version.h"
#include "ui/DRUI.h"

// Diagnostics of every level are dropped: the program prints nothing of Qt's.
static void customMessageHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

int main(int argc, char* argv[])
{
    if (AnswerVersion(argc, argv, "quillmere-app"))
        return 0;
    // The image bundle lives in a static library; pull it in explicitly.
    Q_INIT_RESOURCE(drui);
    // Installed before the application object, so that not even the platform
    // plugin's start-up warnings get through.
    qInstallMessageHandler(customMessageHandler);

    if (argc != 2) {
        // The launcher needs no window system, only its own path.
        QCoreApplication launcher(argc, argv);
        QmPlatform::RelaunchAsAdministrator(argc, argv);
        return 0;
    }

    // WebEngine refuses to start its sandbox as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    inner_initUnicodeMap("UTF-8");

    DRUI* window = new DRUI(nullptr, Qt::WindowFlags());
    window->Init();
    window->setVisible(true);
    app.exec();
    delete window;
    return 0;
}
