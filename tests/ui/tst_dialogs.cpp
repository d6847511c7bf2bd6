#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "UiTestBase.h"
#include "ui/CDetail.h"
#include "ui/CMessageBox.h"
#include "ui/CPasswordUI.h"
#include "ui/CURLConfig.h"
#include "ui/Ui_Dialog.h"

class TestDialogs : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase() { SetUpFolders(); }
    void detailOrdersFailuresFirst();
    void messageBoxAnswers();
    void passwordDialog();
    void formAndAddresses();
};

void TestDialogs::detailOrdersFailuresFirst()
{
    CDetail detail;
    auto* title = Named<QLabel>(&detail, "detailTitle");
    auto* table = Named<QTableWidget>(&detail, "detailTable");
    QVERIFY(title && table);
    QCOMPARE(detail.windowTitle(), QString("Quillmere"));
    QCOMPARE(detail.size(), QSize(600, 400));
    QCOMPARE(title->text(), QString("  Recovery Detail\n\n  Sucess:0 Failed:0\n"));
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("Name"));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("Status"));

    detail.AddTableItem("A", 0);
    detail.AddTableItem("B", 1);
    detail.AddTableItem("C", 0);
    detail.AddTableItem("D", 7);
    const QStringList names = {"D", "B", "A", "C"};
    const QStringList states = {"Failed", "Failed", "Success", "Success"};
    QCOMPARE(table->rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(table->item(row, 0)->text(), names[row]);
        QCOMPARE(table->item(row, 1)->text(), states[row]);
        QCOMPARE(table->rowHeight(row), 22);
    }
    QCOMPARE(table->item(0, 1)->foreground().color(), QColor(255, 0, 0));
    QCOMPARE(detail.SuccessCount(), 2);
    QCOMPARE(detail.FailedCount(), 2);
    QCOMPARE(title->text(), QString("  Recovery Detail\n  Sucess:2 Failed:2\n"));
}

void TestDialogs::messageBoxAnswers()
{
    {
        // Information: text, icon, one OK button that answers 1.
        CMessageBox box;
        QCOMPARE(box.GetMessageBoxRet(), 0);
        box.InitInfoDialog("Can not found the iTunes Backup file.");
        QCOMPARE(box.windowTitle(), QString("Quillmere"));
        QCOMPARE(box.size(), QSize(400, 150));
        QCOMPARE(Named<QLabel>(&box, "messageText")->text(), QString("Can not found the iTunes Backup file."));
        QVERIFY(Named<QLabel>(&box, "messageText")->wordWrap());
        QVERIFY(FindButton(&box, "OK"));
        QVERIFY(!FindButton(&box, "NO"));
        WhenModal<CMessageBox>([](CMessageBox* b) { FindButton(b, "OK")->click(); });
        box.exec();
        QCOMPARE(box.GetMessageBoxRet(), 1);
    }
    {
        // Question: NO answers 0, with NO left of OK.
        CMessageBox box;
        box.InitQuestionDialog("Are you sure want to go back to Home?", false);
        QPushButton* no = FindButton(&box, "NO");
        QPushButton* ok = FindButton(&box, "OK");
        QVERIFY(no && ok);
        QCOMPARE(no->geometry(), QRect(100, 5, 80, 25));
        QCOMPARE(ok->geometry(), QRect(200, 5, 80, 25));
        QVERIFY(!Named<QLabel>(&box, "messageText")->wordWrap());
        WhenModal<CMessageBox>([](CMessageBox* b) { FindButton(b, "OK")->click(); });
        box.exec();
        QCOMPARE(box.GetMessageBoxRet(), 1);
        WhenModal<CMessageBox>([](CMessageBox* b) { FindButton(b, "NO")->click(); });
        box.exec();
        QCOMPARE(box.GetMessageBoxRet(), 0);
    }
    {
        // A right click anywhere closes it; the answer stays 0.
        CMessageBox box;
        box.InitQuestionDialog("Are you sure to cancel the scanning?", false);
        WhenModal<CMessageBox>([](CMessageBox* b) { QTest::mouseClick(b, Qt::RightButton, {}, QPoint(10, 10)); });
        box.exec();
        QVERIFY(!box.isVisible());
        QCOMPARE(box.GetMessageBoxRet(), 0);
    }
    {
        // Closed by the window's control or Escape: also 0.
        CMessageBox box;
        box.InitQuestionDialog("Are you sure to cancel the scanning?", false);
        WhenModal<CMessageBox>([](CMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); });
        box.exec();
        QCOMPARE(box.GetMessageBoxRet(), 0);
        WhenModal<CMessageBox>([](CMessageBox* b) { b->close(); });
        box.exec();
        QCOMPARE(box.GetMessageBoxRet(), 0);
    }
}

void TestDialogs::passwordDialog()
{
    CPasswordUI dialog;
    QCOMPARE(dialog.windowTitle(), QString("iTunes Backup Password"));
    QCOMPARE(dialog.size(), QSize(500, 250));
    QCOMPARE(dialog.m_nRet, 1);
    // The password shows as bullets, never as typed.
    QCOMPARE(Named<QLineEdit>(&dialog, "passwordField")->echoMode(), QLineEdit::Password);
    bool textFound = false;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text()
            == "The selected iTunes Backup File is encrypted. Please enter the password to unlock it.")
            textFound = true;
    }
    QVERIFY(textFound);

    WhenModal<CPasswordUI>([](CPasswordUI* d) {
        QTest::keyClicks(Named<QLineEdit>(d, "passwordField"), "s3cret pass");
        FindButton(d, "OK")->click();
    });
    dialog.exec();
    QCOMPARE(dialog.m_nRet, 0);
    QCOMPARE(dialog.Password(), QString("s3cret pass"));

    CPasswordUI cancelled;
    WhenModal<CPasswordUI>([](CPasswordUI* d) {
        QTest::keyClicks(Named<QLineEdit>(d, "passwordField"), "x");
        FindButton(d, "Cancel")->click();
    });
    cancelled.exec();
    QCOMPARE(cancelled.m_nRet, 1);

    CPasswordUI rightClicked;
    WhenModal<CPasswordUI>([](CPasswordUI* d) { QTest::mouseClick(d, Qt::RightButton, {}, QPoint(5, 5)); });
    rightClicked.exec();
    QCOMPARE(rightClicked.m_nRet, 1);
}

void TestDialogs::formAndAddresses()
{
    QDialog plain;
    Ui_Dialog form;
    form.setupUi(&plain);
    QCOMPARE(plain.objectName(), QString("Dialog"));
    QCOMPARE(plain.windowTitle(), QString("Dialog"));
    QCOMPARE(plain.size(), QSize(426, 300));

    CURLConfig* config = CURLConfig::GetInstance();
    QCOMPARE(CURLConfig::GetInstance(), config);
    for (int page = 0; page < CURLConfig::PAGE_COUNT; ++page)
        QVERIFY(QUrl(QString::fromStdString(config->GetUrl(page))).isValid());
    // Product page first and last, the contact page twice.
    QCOMPARE(config->GetUrl(CURLConfig::PRODUCT), config->GetUrl(CURLConfig::PRODUCT_HOME));
    QCOMPARE(config->GetUrl(CURLConfig::CONTACT), config->GetUrl(CURLConfig::SUPPORT));
    QVERIFY(config->GetUrl(CURLConfig::USER_GUIDE) != config->GetUrl(CURLConfig::PRODUCT));
    // Out of range falls back to the product page instead of reading past the end.
    QCOMPARE(config->GetUrl(99), config->GetUrl(CURLConfig::PRODUCT));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
