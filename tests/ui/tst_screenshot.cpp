#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "UiTestBase.h"
#include "ui/CDetail.h"
#include "ui/CMessageBox.h"
#include "ui/CPasswordUI.h"
#include "ui/DRUI.h"
#include "ui/SCANUI.h"

// Renders the home page and the dialogs and checks that no text is cut off.
// With QM_SCREENSHOT_DIR set it also saves each one as a PNG there (README).
class TestScreenshot : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void homePage();
    void dialogs();

private:
    void Check(QWidget* widget, const QString& name);
};

void TestScreenshot::initTestCase()
{
    SetUpFolders();
    QVERIFY(!AddBackup(21).isEmpty());
    QVERIFY(!AddBackup(22).isEmpty());
}

// Every text of the widget fits in the room it was given, and the picture is saved if asked.
void TestScreenshot::Check(QWidget* widget, const QString& name)
{
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    QApplication::processEvents();
    const QByteArray dir = qgetenv("QM_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QVERIFY(widget->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png"));
    }
    for (QLabel* label : widget->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(widget))
            continue;
        const QRect room = label->contentsRect();
        // A trailing line break adds an empty line that may be cut.
        QString text = label->text();
        while (text.endsWith('\n'))
            text.chop(1);
        const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
        const QSize need = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000), flags, text).size();
        QVERIFY2(need.width() <= room.width() + 1 && need.height() <= room.height() + 1,
                 qPrintable(QString("%1: \"%2\" needs %3x%4, has %5x%6")
                                .arg(name, label->text())
                                .arg(need.width())
                                .arg(need.height())
                                .arg(room.width())
                                .arg(room.height())));
        // The label is not pushed out of its parent either.
        if (QWidget* parent = label->parentWidget()) {
            const QRect inParent = label->geometry() & parent->rect();
            QVERIFY2(inParent.height() >= need.height() - 1,
                     qPrintable(QString("%1: \"%2\" is cut by its parent").arg(name, label->text())));
        }
    }
    for (QPushButton* button : widget->findChildren<QPushButton*>()) {
        if (button->text().isEmpty() || !button->isVisibleTo(widget))
            continue;
        const int textWidth = button->fontMetrics().horizontalAdvance(button->text());
        QVERIFY2(textWidth <= button->width() - 4, qPrintable(name + ": button " + button->text()));
    }
}

void TestScreenshot::homePage()
{
    DRUI window;
    window.Init();
    window.m_pBackupTable->selectRow(0);
    window.iTunesTableItemPress(0, 0);
    Check(&window, "home");
}

void TestScreenshot::dialogs()
{
    DRUI window;
    {
        SCANUI scan;
        scan.InitSlot(&window, 1);
        emit window.ScanProcessCallBack(37);
        Check(&scan, "progress-scan");
        scan.hide();
    }
    {
        SCANUI recovery;
        recovery.SetSaveDir(QDir::tempPath());
        recovery.InitSlot(&window, 4);
        emit window.RecoveryCallBack(1333, 20, 0, QString("/home/user/Recovered/Photo Stream/IMG_0042.JPG"));
        Check(&recovery, "progress-recovery");
        recovery.m_detail.AddTableItem("/home/user/Recovered/Camera Roll/IMG_0001.JPG", 0);
        recovery.m_detail.AddTableItem("/home/user/Recovered/Camera Roll/IMG_0002.HEIC", 1);
        recovery.m_detail.AddTableItem("/home/user/Recovered/Notes/Notes.html", 0);
        Check(&recovery.m_detail, "detail");
        recovery.m_detail.hide();
        recovery.hide();
    }
    {
        CMessageBox info;
        info.InitInfoDialog("Your password is not correct! Please try again.");
        Check(&info, "message-info");
        info.hide();
        CMessageBox question;
        question.InitQuestionDialog("Are you sure want to go back to Home?\nIf back,the scanning results will not be saved.", false);
        Check(&question, "message-question");
        question.hide();
    }
    {
        CPasswordUI password;
        QTest::keyClicks(password.m_pLineEdit, "secret");
        Check(&password, "password");
        password.hide();
    }
}

QTEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
