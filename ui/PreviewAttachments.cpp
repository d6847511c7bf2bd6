#include "ui/PreviewAttachments.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "export/ChatAttachments.h"
#include "support/SysHelpers.h"
#include "ui/HeifImage.h"
#include "ui/PreviewScript.h"

namespace PreviewAttachments {

namespace {

// Decoded at most at the size shown: a phone's 12-megapixel photo is read scaled.
QImage LoadScaled(const _MESSAGE_ATTACHMENT_& file, AttachmentKind kind)
{
    const QString path = QString::fromStdWString(file.wstrFullPath);
    QImage image;
    if (kind == AttachmentKind::Heic) {
        image = HeifImage::Decode(path);
    } else {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > PictureLimit().width() || size.height() > PictureLimit().height()))
            reader.setScaledSize(size.scaled(PictureLimit(), Qt::KeepAspectRatio));
        image = reader.read();
    }
    if (!image.isNull() && (image.width() > PictureLimit().width() || image.height() > PictureLimit().height()))
        image = image.scaled(PictureLimit(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QString DataUrl(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", 85);
    return QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(bytes.toBase64());
}

} // namespace

QSize PictureLimit()
{
    return QSize(240, 240);
}

QString Html(const std::vector<_MESSAGE_ATTACHMENT_>& files)
{
    QString html;
    for (const _MESSAGE_ATTACHMENT_& file : files) {
        const QString name = PreviewScript::HtmlText(file.strName);
        html += QStringLiteral("<br />");
        if (file.wstrFullPath.empty()) {
            html += QStringLiteral("<i>") + name + QStringLiteral(" (not in this backup)</i>");
            continue;
        }
        const AttachmentKind kind = ClassifyAttachment(file);
        if (kind == AttachmentKind::Picture || kind == AttachmentKind::Heic) {
            const QImage image = LoadScaled(file, kind);
            if (!image.isNull()) {
                html += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"%4\" style=\"border-radius:8px\">")
                            .arg(DataUrl(image))
                            .arg(image.width())
                            .arg(image.height())
                            .arg(name);
                continue;
            }
        }
        html += QStringLiteral("[attachment: ") + name + QStringLiteral("] ")
            + PreviewScript::HtmlText(GetFileSizeString(file.nSize));
    }
    return html;
}

} // namespace PreviewAttachments
