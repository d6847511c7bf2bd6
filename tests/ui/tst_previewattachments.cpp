// Pictures sent in a message show inline in the window's chat preview, through the
// same escaped, script-off page as the text; other and missing files are named.
#include <QtTest>

#include <QTemporaryDir>
#include <QWebEngineView>

#include "tools/sample/MediaContent.h"
#include "ui/HeifImage.h"
#include "ui/PreviewAttachments.h"
#include "tests/ui/PreviewEval.h"
#include "ui/PreviewPage.h"
#include "ui/PreviewScript.h"

class TestPreviewAttachments : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void bubbleMarkup();
    void picturesDecodeInThePreview();

private:
    _MESSAGE_ATTACHMENT_ File(SampleMediaKind kind, const std::string& name);
    QTemporaryDir m_dir;
    int m_serial = 0;
};

void TestPreviewAttachments::initTestCase()
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

_MESSAGE_ATTACHMENT_ TestPreviewAttachments::File(SampleMediaKind kind, const std::string& name)
{
    SampleRandom random(uint64_t(++m_serial));
    const QString path = m_dir.filePath(QString::number(m_serial));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(MakeSampleMedia(kind, random, m_serial));
    f.close();
    _MESSAGE_ATTACHMENT_ a;
    a.strName = name;
    a.wstrFullPath = path.toStdWString();
    a.nSize = QFileInfo(path).size();
    return a;
}

void TestPreviewAttachments::bubbleMarkup()
{
    QVERIFY(PreviewAttachments::Html({}).isEmpty());
    const QString picture = PreviewAttachments::Html({File(SampleMediaKind::JpegJfif, "a\"b<c>.jpg")});
    QVERIFY(picture.startsWith(QStringLiteral("<br /><img src=\"data:image/jpeg;base64,")));
    QVERIFY(picture.contains(QStringLiteral("alt=\"a&quot;b&lt;c&gt;.jpg\"")));
    // No path of the backup or the working folder reaches the page.
    QVERIFY(!picture.contains(m_dir.path()));

    _MESSAGE_ATTACHMENT_ missing;
    missing.strName = "<b>gone</b>.MOV";
    QCOMPARE(PreviewAttachments::Html({missing}),
             QStringLiteral("<br /><i>&lt;b&gt;gone&lt;/b&gt;.MOV (not in this backup)</i>"));
    const QString pdf = PreviewAttachments::Html({File(SampleMediaKind::Pdf, "Trip plan.pdf")});
    QVERIFY(pdf.startsWith(QStringLiteral("<br />[attachment: Trip plan.pdf] ")));
    QVERIFY2(pdf.endsWith(QStringLiteral(" KB")), qPrintable(pdf));
}

void TestPreviewAttachments::picturesDecodeInThePreview()
{
    QWebEngineView view;
    view.resize(500, 700);
    PreviewPage::Setup(&view);
    PreviewPage::Run(&view, PreviewScript::ClearScript());
    std::vector<_MESSAGE_ATTACHMENT_> files = {File(SampleMediaKind::JpegExif, "IMG_1.JPG"),
                                               File(SampleMediaKind::Png, "shot.png"),
                                               File(SampleMediaKind::Caf, "Audio Message.caf")};
    const bool heic = HeifImage::IsAvailable() && SampleHeicIsEncoded();
    if (heic)
        files.push_back(File(SampleMediaKind::Heic, "IMG_2.HEIC"));
    __MESSAGE_INFO__ m;
    m.strDate = "2024-01-01 00:00:00";
    m.strContactName = "Ann";
    m.vecAttachments = files;
    PreviewPage::Run(&view, PreviewScript::BubbleScript(PreviewScript::MessageBubbleHtml(m)
                                                            + PreviewAttachments::Html(m.vecAttachments),
                                                        false));
    const QString widths = QStringLiteral(
        "(function(){var s=[];for(var i of document.images){if(!i.complete)return null;"
        "s.push(i.naturalWidth);}return s;})()");
    QVariant shown;
    QVERIFY(QTest::qWaitFor([&] { return !(shown = EvalInPreview(view, widths)).isNull(); }, 20000));
    const QVariantList list = shown.toList();
    QCOMPARE(list.size(), heic ? 3 : 2);
    for (const QVariant& w : list) {
        QVERIFY(w.toInt() > 0);
        QVERIFY(w.toInt() <= PreviewAttachments::PictureLimit().width());
    }
    QVERIFY(EvalInPreview(view, QStringLiteral("document.body.innerText")).toString().contains("[attachment: Audio Message.caf]"));
}

QTEST_MAIN(TestPreviewAttachments)
#include "tst_previewattachments.moc"
