#include <QtTest>

#include <QLabel>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTreeWidget>

#include "PortraitJpeg.h"
#include "UiTestBase.h"
#include "support/TextEncoding.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"

// A portrait photo of the camera roll, stored sideways with an EXIF
// orientation as phones write it, previews upright in the window.
class TestPortraitPreview : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void cameraRollPreviewUpright();

private:
    QTemporaryDir m_dir;
};

void TestPortraitPreview::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SetUpFolders();
}

void TestPortraitPreview::cameraRollPreviewUpright()
{
    const QString path = m_dir.filePath("IMG_0420.JPG");
    QVERIFY(WriteSidewaysJpeg(path, 1600, 1200));

    DRUI w;
    w.Init();
    w.InitLayout3Widget();
    _IPHONE_CAMERA_INFO_ photo;
    photo.strFileName = "IMG_0420.JPG";
    photo.nSize = int(QFileInfo(path).size());
    photo.wstrFullPath = WideFromQString(path);
    w.m_vecCamera = {photo};
    QTreeWidgetItem* node = w.m_pTree->topLevelItem(CATEGORY_CAMERA_ROLL);
    node->setCheckState(0, Qt::Checked);
    w.UpdateTreeInfo(node, 0, true);
    node->setText(0, CategoryTree::Label(CATEGORY_CAMERA_ROLL, 1));
    w.m_pTree->setCurrentItem(node);
    w.m_pCameraTable->selectRow(0);

    const QImage shown = w.m_pCameraPreview->pixmap().toImage();
    // Upright and scaled into the preview: 1200 x 1600 shown as 225 x 300,
    // what the camera stored on the left on top.
    QCOMPARE(shown.size(), QSize(225, 300));
    QVERIFY(qRed(shown.pixel(112, 20)) > 200 && qBlue(shown.pixel(112, 20)) < 60);
    QVERIFY(qBlue(shown.pixel(112, 280)) > 200 && qRed(shown.pixel(112, 280)) < 60);

    const QByteArray dir = qgetenv("QM_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        w.m_pMainStack->addWidget(w.m_pResultWidget);
        w.m_pMainStack->setCurrentWidget(w.m_pResultWidget);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QVERIFY(w.grab().save(QString::fromLocal8Bit(dir) + "/portrait-preview.png"));
    }
}

QTEST_MAIN(TestPortraitPreview)
#include "tst_portraitpreview.moc"
