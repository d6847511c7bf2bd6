#include "tools/sample/MediaContent.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QList>
#include <cstring>
#include <zlib.h>

#ifdef QM_HAVE_HEIF
#include <libheif/heif.h>
#endif

namespace {

const int kMinSize = 1024;
const int kMaxSize = 8192;

void AppendBe16(QByteArray& out, quint32 v)
{
    out.append(char((v >> 8) & 0xff));
    out.append(char(v & 0xff));
}

void AppendBe32(QByteArray& out, quint32 v)
{
    AppendBe16(out, v >> 16);
    AppendBe16(out, v & 0xffff);
}

void AppendLe16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xff));
    out.append(char((v >> 8) & 0xff));
}

quint32 Be16At(const QByteArray& data, int at)
{
    return (quint32(quint8(data[at])) << 8) | quint8(data[at + 1]);
}

// An ISO base-media box: 32-bit size, type, body.
QByteArray Box(const char* type, const QByteArray& body)
{
    QByteArray box;
    AppendBe32(box, quint32(8 + body.size()));
    box.append(type, 4);
    box.append(body);
    return box;
}

QByteArray FileTypeBox(const char* major, std::initializer_list<const char*> compatible)
{
    QByteArray body(major, 4);
    AppendBe32(body, 0x200);
    for (const char* brand : compatible)
        body.append(brand, 4);
    return Box("ftyp", body);
}

// A picture with some structure (gradient, blocks) so the encoders do real work
// and each pool image looks different.
QImage MakePicture(SampleRandom& random, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QColor from = QColor::fromHsv(int(random.range(0, 359)), 160, 230);
    const QColor to = QColor::fromHsv(int(random.range(0, 359)), 200, 90);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int t = (x + y) * 255 / (width + height);
            line[x] = qRgb((from.red() * (255 - t) + to.red() * t) / 255,
                           (from.green() * (255 - t) + to.green() * t) / 255,
                           (from.blue() * (255 - t) + to.blue() * t) / 255);
        }
    }
    for (int block = 0; block < 4; ++block) {
        const QRgb colour = QColor::fromHsv(int(random.range(0, 359)), 255, 255).rgb();
        const int x0 = int(random.range(0, width - 8));
        const int y0 = int(random.range(0, height - 8));
        const int w = int(random.range(4, width / 3));
        const int h = int(random.range(4, height / 3));
        for (int y = y0; y < qMin(height, y0 + h); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = x0; x < qMin(width, x0 + w); ++x)
                line[x] = colour;
        }
    }
    return image;
}

QByteArray Encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return out;
}

// Exif segment as a phone writes it: TIFF header, IFD0 with Make, Model, DateTime.
QByteArray ExifSegment()
{
    const QByteArray values[] = { QByteArray("Apple", 6), QByteArray("iPhone 12", 10),
                                  QByteArray("2020:06:01 12:00:00", 20) };
    const quint16 tags[] = { 0x010F, 0x0110, 0x0132 };
    QByteArray tiff("MM\0\x2A", 4);
    AppendBe32(tiff, 8);
    AppendBe16(tiff, 3);
    quint32 dataOffset = 8 + 2 + 3 * 12 + 4;
    QByteArray data;
    for (int i = 0; i < 3; ++i) {
        AppendBe16(tiff, tags[i]);
        AppendBe16(tiff, 2);  // ASCII
        AppendBe32(tiff, quint32(values[i].size()));
        AppendBe32(tiff, dataOffset + quint32(data.size()));
        data.append(values[i]);
    }
    AppendBe32(tiff, 0);
    tiff.append(data);
    QByteArray segment("\xFF\xE1", 2);
    AppendBe16(segment, quint32(2 + 6 + tiff.size()));
    segment.append("Exif\0\0", 6);
    segment.append(tiff);
    return segment;
}

// The encoder's JFIF segment replaced by an Exif one; the rest stays.
QByteArray JfifToExif(const QByteArray& jfif)
{
    if (!jfif.startsWith(QByteArray("\xFF\xD8\xFF\xE0", 4)) || jfif.size() < 6)
        return jfif;
    const int app0End = 4 + int(Be16At(jfif, 4));
    return jfif.left(2) + ExifSegment() + jfif.mid(app0End);
}

// --- GIF: no Qt writer, so a plain LZW stream that never grows past 8-bit codes.

QByteArray EncodeGif(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    // 128 colours: 5 levels of red and green, 5 of blue would be 125; quantise to that.
    QByteArray gif("GIF89a");
    AppendLe16(gif, quint32(width));
    AppendLe16(gif, quint32(height));
    gif.append(char(0xF6));  // global table of 128 colours, 8-bit source
    gif.append('\0');
    gif.append('\0');
    for (int i = 0; i < 128; ++i) {
        const int c = qMin(i, 124);
        gif.append(char(c / 25 * 63));
        gif.append(char(c / 5 % 5 * 63));
        gif.append(char(c % 5 * 63));
    }
    gif.append("\x2C\0\0\0\0", 5);
    AppendLe16(gif, quint32(width));
    AppendLe16(gif, quint32(height));
    gif.append('\0');
    gif.append('\x07');  // minimum code size: codes start 8 bits wide

    const char kClear = char(0x80);
    const char kEnd = char(0x81);
    QByteArray codes;
    int sinceClear = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // A clear every 100 codes keeps the table below 256 entries.
            if (sinceClear == 0)
                codes.append(kClear);
            const QRgb p = image.pixel(x, y);
            const int index = (qRed(p) + 32) / 64 * 25 + (qGreen(p) + 32) / 64 * 5 + (qBlue(p) + 32) / 64;
            codes.append(char(qMin(index, 124)));
            sinceClear = (sinceClear + 1) % 100;
        }
    }
    codes.append(kEnd);
    for (int at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append('\0');
    gif.append('\x3B');
    return gif;
}

// Offset of the image descriptor of EncodeGif's output: comments go before it.
const int kGifDescriptorOffset = 13 + 128 * 3;

#ifdef QM_HAVE_HEIF
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_SAMPLE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(QM_SAMPLE_ASAN)
// x265 3.5 keeps a copy of its parameters per opened encoder and never frees
// it; that is its leak, not ours, so leak checks under the sanitizer skip it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}
#endif

struct HeifBytes {
    QByteArray data;
};

heif_error WriteHeif(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<HeifBytes*>(userdata)->data.append(static_cast<const char*>(data), qsizetype(size));
    heif_error ok = { heif_error_Ok, heif_suberror_Unspecified, "" };
    return ok;
}

QByteArray EncodeHeic(const QImage& source)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    HeifBytes out;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok
        && heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code
            == heif_error_Ok
        && heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8).code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y)
            memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width() * 3));
        heif_encoder_set_lossy_quality(encoder, 40);
        // One thread: the same bytes on every run.
        heif_encoder_set_parameter_string(encoder, "x265:pools", "none");
        heif_encoder_set_parameter_string(encoder, "x265:frame-threads", "1");
        heif_image_handle* handle = nullptr;
        if (heif_context_encode_image(context, image, encoder, nullptr, &handle).code == heif_error_Ok) {
            heif_image_handle_release(handle);
            heif_writer writer = {};
            writer.writer_api_version = 1;
            writer.write = &WriteHeif;
            if (heif_context_write(context, &writer, &out).code != heif_error_Ok)
                out.data.clear();
        }
    }
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return out.data;
}
#endif

// Without an HEVC encoder: the boxes a HEIC file starts with, then payload.
QByteArray HeicHeaders(SampleRandom& random)
{
    QByteArray handler(4, '\0');
    AppendBe32(handler, 0);
    handler.append("pict");
    handler.append(QByteArray(12, '\0'));
    handler.append('\0');
    QByteArray primary(4, '\0');
    AppendBe16(primary, 1);
    QByteArray meta(4, '\0');
    meta.append(Box("hdlr", handler));
    meta.append(Box("pitm", primary));
    return FileTypeBox("heic", { "mif1", "heic" }) + Box("meta", meta) + Box("mdat", random.bytes(600));
}

struct MediaPool {
    QList<QByteArray> jfif, exif, png, gif, bmp, heic;
    QByteArray noise;  // payload of movies and audio
    bool heicEncoded = false;
};

MediaPool BuildPool()
{
    // A fixed source: the pool is the same whatever the sample's seed.
    SampleRandom random(0x5eed0001);
    MediaPool pool;
    for (int i = 0; i < 4; ++i) {
        const QImage picture = MakePicture(random, 48 + 8 * i, 36 + 4 * i);
        pool.jfif.append(Encode(picture, "JPEG", 70));
        pool.exif.append(JfifToExif(pool.jfif.last()));
        if (i < 3)
            pool.png.append(Encode(picture, "PNG"));
        if (i < 2) {
            pool.gif.append(EncodeGif(picture.scaled(32, 24)));
            pool.bmp.append(Encode(picture.scaled(24, 18), "BMP"));
        }
    }
#ifdef QM_HAVE_HEIF
    heif_init(nullptr);
    if (heif_have_encoder_for_format(heif_compression_HEVC)) {
        for (int i = 0; i < 3; ++i) {
            const QByteArray heic = EncodeHeic(MakePicture(random, 64, 64));
            if (heic.isEmpty())
                break;
            pool.heic.append(heic);
        }
        pool.heicEncoded = pool.heic.size() == 3;
    }
    heif_deinit();
#endif
    if (!pool.heicEncoded) {
        pool.heic.clear();
        for (int i = 0; i < 3; ++i)
            pool.heic.append(HeicHeaders(random));
    }
    pool.noise = random.bytes(16 * kMaxSize);
    return pool;
}

const MediaPool& Pool()
{
    static const MediaPool pool = BuildPool();
    return pool;
}

const QByteArray& PickFrom(const QList<QByteArray>& list, SampleRandom& random)
{
    return list.at(int(random.range(0, list.size() - 1)));
}

QByteArray Noise(SampleRandom& random, int size)
{
    const QByteArray& noise = Pool().noise;
    size = qBound(0, size, int(noise.size()));
    return noise.mid(int(random.range(0, noise.size() - size)), size);
}

// Comment text padded with blanks so the whole file reaches `target` bytes,
// given `rest` bytes outside it.
QByteArray Comment(SampleRandom& random, int serial, int rest, int target)
{
    QByteArray text = "Quillmere sample #" + QByteArray::number(serial) + ' ' + random.hex(12).toLatin1();
    if (rest + text.size() < target)
        text.append(QByteArray(target - rest - text.size(), ' '));
    return text;
}

QByteArray VariedJpeg(const QByteArray& base, SampleRandom& random, int serial, int target)
{
    // The comment segment goes right after the first (JFIF or Exif) segment.
    const int firstEnd = 4 + int(Be16At(base, 4));
    const QByteArray text = Comment(random, serial, base.size() + 4, target);
    QByteArray segment("\xFF\xFE", 2);
    AppendBe16(segment, quint32(2 + text.size()));
    return base.left(firstEnd) + segment + text + base.mid(firstEnd);
}

QByteArray VariedPng(const QByteArray& base, SampleRandom& random, int serial, int target)
{
    const int ihdrEnd = 8 + 25;
    const QByteArray body = "Comment" + QByteArray(1, '\0') + Comment(random, serial, base.size() + 12 + 8, target);
    QByteArray chunk;
    AppendBe32(chunk, quint32(body.size()));
    const QByteArray typed = "tEXt" + body;
    chunk.append(typed);
    AppendBe32(chunk, quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))));
    return base.left(ihdrEnd) + chunk + base.mid(ihdrEnd);
}

QByteArray VariedGif(const QByteArray& base, SampleRandom& random, int serial, int target)
{
    const QByteArray text = Comment(random, serial, base.size() + 3 + (target - base.size()) / 255 + 2, target);
    QByteArray extension("\x21\xFE", 2);
    for (int at = 0; at < text.size(); at += 255) {
        const QByteArray block = text.mid(at, 255);
        extension.append(char(block.size()));
        extension.append(block);
    }
    extension.append('\0');
    return base.left(kGifDescriptorOffset) + extension + base.mid(kGifDescriptorOffset);
}

QByteArray VariedBmp(const QByteArray& base, SampleRandom& random, int serial, int target)
{
    // Readers stop at the pixel data; bytes after it only change the file size field.
    QByteArray out = base + Comment(random, serial, base.size(), target);
    const quint32 size = quint32(out.size());
    for (int i = 0; i < 4; ++i)
        out[2 + i] = char((size >> (8 * i)) & 0xff);
    return out;
}

QByteArray Movie(SampleMediaKind kind, SampleRandom& random, int serial, int target)
{
    QByteArray head;
    if (kind == SampleMediaKind::QuickTime)
        head = FileTypeBox("qt  ", { "qt  " }) + Box("wide", QByteArray());
    else if (random.chance(0.5))
        head = FileTypeBox("isom", { "isom", "iso2", "avc1", "mp41" });
    else
        head = FileTypeBox("mp42", { "mp42", "isom" });

    // Movie header: times since 1904, time scale 600, a few seconds long.
    const quint32 created = quint32(3600000000u + random.range(0, 200000000));
    QByteArray mvhd(4, '\0');
    AppendBe32(mvhd, created);
    AppendBe32(mvhd, created);
    AppendBe32(mvhd, 600);
    AppendBe32(mvhd, quint32(random.range(600, 60 * 600)));
    AppendBe32(mvhd, 0x00010000);  // rate 1.0
    AppendBe16(mvhd, 0x0100);      // volume 1.0
    mvhd.append(QByteArray(10, '\0'));
    const quint32 matrix[9] = { 0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000 };
    for (quint32 v : matrix)
        AppendBe32(mvhd, v);
    mvhd.append(QByteArray(24, '\0'));
    AppendBe32(mvhd, 2);
    const QByteArray udta = Box("udta", Box("name", Comment(random, serial, 0, 0)));
    const QByteArray moov = Box("moov", Box("mvhd", mvhd) + udta);

    const int payload = qMax(64, target - head.size() - moov.size() - 8);
    return head + Box("mdat", Noise(random, payload)) + moov;
}

QByteArray Mp3(SampleRandom& random, int target)
{
    // MPEG-1 layer III frames, 128 kbit/s at 44.1 kHz: 417 bytes each.
    QByteArray out;
    while (out.size() < target) {
        out.append("\xFF\xFB\x90\x64", 4);
        out.append(Noise(random, 413));
    }
    return out;
}

QByteArray Opus(SampleRandom& random, int target)
{
    QByteArray page("OggS\0\x02", 6);
    page.append(QByteArray(8, '\0'));  // granule position
    AppendBe32(page, quint32(random.next()));
    page.append(QByteArray(4, '\0'));  // page number and checksum
    page.append(QByteArray(4, '\0'));
    page.append('\x01');
    page.append('\x13');
    page.append("OpusHead\x01\x01", 10);
    page.append(QByteArray(9, '\0'));
    return page + Noise(random, qMax(0, target - page.size()));
}

QByteArray Text(SampleRandom& random, int serial)
{
    static const QStringList words = {
        QStringLiteral("shopping"), QStringLiteral("milk"), QStringLiteral("call"), QStringLiteral("back"),
        QStringLiteral("tomorrow"), QStringLiteral("meeting"), QStringLiteral("notes"), QStringLiteral("river"),
        QStringLiteral("garden"), QStringLiteral("tickets"),
    };
    QByteArray out = "list " + QByteArray::number(serial) + ":";
    while (out.size() < 700) {
        out.append(' ');
        out.append(random.pick(words).toLatin1());
        if (random.chance(0.1))
            out.append('\n');
    }
    return out;
}

QByteArray Caf(SampleRandom& random, int target)
{
    // File header, then an audio description chunk and the data chunk.
    QByteArray out("caff\x00\x01\x00\x00", 8);
    out.append("desc", 4);
    AppendBe32(out, 0);
    AppendBe32(out, 32);
    out.append("\x40\xE5\x88\x80\x00\x00\x00\x00", 8);  // 44100 Hz as a double
    out.append("aac ", 4);
    out.append(QByteArray(20, '\0'));
    out.append("data", 4);
    const int payload = qMax(64, target - out.size() - 8);
    AppendBe32(out, 0);
    AppendBe32(out, quint32(payload));
    return out + Noise(random, payload);
}

QByteArray Amr(SampleRandom& random, int target)
{
    QByteArray out("#!AMR\n", 6);
    while (out.size() < target) {
        out.append('\x3C');  // 12.2 kbit/s frame header
        out.append(Noise(random, 31));
    }
    return out;
}

// A one-page PDF with a line of text, cross-reference table and all, so a
// browser shows it.
QByteArray Pdf(int serial)
{
    const QByteArray text = "Trip plan " + QByteArray::number(serial);
    const QByteArray stream = "BT /F1 24 Tf 72 720 Td (" + text + ") Tj ET";
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    // Real documents are rarely this small; a comment brings it to a usual size.
    QByteArray out = "%PDF-1.4\n%" + QByteArray(900, 'q') + "\n";
    QList<int> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const int xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray VCard(int serial)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\nTEL;TYPE=CELL:+46 70 123 "
        + QByteArray::number(1000 + serial % 9000) + "\r\nEND:VCARD\r\n";
}

QByteArray Docx(SampleRandom& random, int target)
{
    // A zip local file header naming the part every office document has.
    QByteArray out("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
    out.append(QByteArray(16, '\0'));
    AppendLe16(out, 19);
    AppendLe16(out, 0);
    out.append("[Content_Types].xml", 19);
    return out + Noise(random, qMax(64, target - out.size()));
}

} // namespace

QString SampleMediaExtension(SampleMediaKind kind)
{
    switch (kind) {
    case SampleMediaKind::JpegJfif:
    case SampleMediaKind::JpegExif:
        return QStringLiteral("jpg");
    case SampleMediaKind::Png:
        return QStringLiteral("png");
    case SampleMediaKind::Gif:
        return QStringLiteral("gif");
    case SampleMediaKind::Bmp:
        return QStringLiteral("bmp");
    case SampleMediaKind::QuickTime:
        return QStringLiteral("mov");
    case SampleMediaKind::Mp4:
        return QStringLiteral("mp4");
    case SampleMediaKind::Heic:
        return QStringLiteral("heic");
    case SampleMediaKind::Mp3:
    case SampleMediaKind::M4a:
    case SampleMediaKind::Opus:
    case SampleMediaKind::Short:
    case SampleMediaKind::Text:
    case SampleMediaKind::Caf:
    case SampleMediaKind::Amr:
    case SampleMediaKind::Pdf:
    case SampleMediaKind::VCard:
    case SampleMediaKind::Docx:
        break;
    }
    return QString();
}

QByteArray MakeSampleMedia(SampleMediaKind kind, SampleRandom& random, int serial)
{
    const MediaPool& pool = Pool();
    // Most phone thumbnails and small pictures sit at the low end: the smaller
    // of two draws keeps the large sample near 200 MB of media.
    const qint64 first = random.range(kMinSize, kMaxSize);
    const int target = int(qMin(first, random.range(kMinSize, kMaxSize)));
    switch (kind) {
    case SampleMediaKind::JpegJfif:
        return VariedJpeg(PickFrom(pool.jfif, random), random, serial, target);
    case SampleMediaKind::JpegExif:
        return VariedJpeg(PickFrom(pool.exif, random), random, serial, target);
    case SampleMediaKind::Png:
        return VariedPng(PickFrom(pool.png, random), random, serial, target);
    case SampleMediaKind::Gif:
        return VariedGif(PickFrom(pool.gif, random), random, serial, target);
    case SampleMediaKind::Bmp:
        return VariedBmp(PickFrom(pool.bmp, random), random, serial, target);
    case SampleMediaKind::QuickTime:
    case SampleMediaKind::Mp4:
        return Movie(kind, random, serial, target);
    case SampleMediaKind::Heic: {
        // Readers skip a top-level 'free' box, so the comment rides at the end.
        const QByteArray& base = PickFrom(pool.heic, random);
        return base + Box("free", Comment(random, serial, base.size() + 8, target));
    }
    case SampleMediaKind::Mp3:
        return Mp3(random, target);
    case SampleMediaKind::M4a: {
        const QByteArray head = FileTypeBox("M4A ", { "M4A ", "mp42", "isom" });
        return head + Box("mdat", Noise(random, target - head.size() - 8));
    }
    case SampleMediaKind::Opus:
        return Opus(random, target);
    case SampleMediaKind::Short:
        // A real JPEG start, cut before the 512 bytes a recogniser needs.
        return PickFrom(pool.jfif, random).left(int(random.range(64, 511)));
    case SampleMediaKind::Text:
        return Text(random, serial);
    case SampleMediaKind::Caf:
        return Caf(random, target);
    case SampleMediaKind::Amr:
        return Amr(random, target);
    case SampleMediaKind::Pdf:
        return Pdf(serial);
    case SampleMediaKind::VCard:
        return VCard(serial);
    case SampleMediaKind::Docx:
        return Docx(random, target);
    }
    return QByteArray();
}

bool SampleHeicIsEncoded()
{
    return Pool().heicEncoded;
}
