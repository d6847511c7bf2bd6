#include "ui/StartRights.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include "support/Platform.h"
#include "ui/CMessageBox.h"
#include "ui/DRUI.h"

namespace StartRights {

namespace {

// The receiver QDesktopServices hands links to while the window runs as root.
class UserSessionOpener : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

public slots:
    void open(const QUrl& url)
    {
        const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
        QmPlatform::StartInUserSession(QStringLiteral("xdg-open"), {target});
    }
};

} // namespace

Outcome OfferIfNeeded(DRUI* window)
{
    if (geteuid() == 0 || !QmPlatform::BackupRootUnreadable())
        return RIGHTS_ENOUGH;

    CMessageBox question;
    if (window)
        question.setGeometry(window->DialogGeometry(3, 400, 200));
    question.InitQuestionDialog("Your rights do not allow reading the\n"
                                "iTunes backup folder. Start Quillmere\n"
                                "again with administrator rights?",
                                false);
    question.exec();
    if (question.GetMessageBoxRet() != 1)
        return RIGHTS_DECLINED;

    QString error;
    if (QmPlatform::RelaunchThroughPkexec(&error))
        return RIGHTS_RELAUNCHED;
    const QString text = QmPlatform::PkexecPath().isEmpty()
                             ? QStringLiteral("pkexec is not installed, so Quillmere cannot ask for administrator "
                                              "rights. Use Select to choose a backup folder you can read.")
                             : QStringLiteral("Quillmere could not start pkexec to ask for administrator rights.");
    if (window)
        window->ShowInfoMessage(text);
    return RIGHTS_UNAVAILABLE;
}

void OpenLinksAsUser()
{
    if (geteuid() != 0)
        return;
    auto* opener = new UserSessionOpener(QCoreApplication::instance());
    for (const char* scheme : {"http", "https", "file", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), opener, "open");
}

} // namespace StartRights

#include "StartRights.moc"
