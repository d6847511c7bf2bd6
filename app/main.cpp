// Entry point. The window runs with the rights of whoever starts it. Started
// from a menu or a shell (no argument, or two or more) it may offer to start
// again with administrator rights when the backup root is closed to the user;
// exactly one argument (the relaunch passes "start") opens the window without
// asking. "--version" and "--help" print and end.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QtGlobal>

#include "support/TextEncoding.h"
#include "support/Version.h"
#include "ui/DRUI.h"
#include "ui/StartRights.h"

// Diagnostics of every level are dropped: the program prints nothing of Qt's.
static void customMessageHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

// True when the one argument asked for help, already printed.
static bool PrintHelp(int argc, char* argv[])
{
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: quillmere-app [start]\n"
                    "Looks through the iPhone backups of this computer and recovers what they hold.\n"
                    "Backups are listed from QUILLMERE_BACKUP_ROOT (default \"/Library/Application "
                    "Support/MobileSync/Backup/\"),\n"
                    "~/Library/Application Support/MobileSync/Backup/ and the folders chosen before "
                    "with Select.\n"
                    "  --version  print the version and end\n"
                    "  --help     print this text and end\n");
        return true;
    }
    return false;
}

int main(int argc, char* argv[])
{
    if (AnswerVersion(argc, argv, "quillmere-app") || PrintHelp(argc, argv))
        return 0;
    // The image bundle lives in a static library; pull it in explicitly.
    Q_INIT_RESOURCE(drui);
    // Installed before the application object, so that not even the platform
    // plugin's start-up warnings get through.
    qInstallMessageHandler(customMessageHandler);
    const bool startedByUser = argc != 2;

    // WebEngine refuses to start its sandbox as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::setApplicationVersion(QuillmereVersion());
    // Ties the window to its menu entry and icon (Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quillmere.Quillmere"));
    inner_initUnicodeMap("UTF-8");
    StartRights::OpenLinksAsUser();

    DRUI* window = new DRUI(nullptr, Qt::WindowFlags());
    window->Init();
    window->setVisible(true);
    if (startedByUser) {
        // Asked once the window is up, so the question has something to sit on.
        QTimer::singleShot(0, window, [window]() {
            if (StartRights::OfferIfNeeded(window) == StartRights::RIGHTS_RELAUNCHED)
                QCoreApplication::quit();
        });
    }
    app.exec();
    delete window;
    return 0;
}
