// Paints the window's images (resources/image) in one flat style: a rounded
// tile in the category's colour with a white glyph, file kinds as a page with a
// folded corner and a coloured band. Run by tools/icons/render.sh; the PNG files
// it writes are checked in so the build needs no extra step.
#include <cmath>

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QTextStream>

namespace {

QString g_out;

QImage NewImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void Save(const QImage& img, const QString& name)
{
    const QString path = g_out + "/" + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path);
    if (!writer.write(img))
        QTextStream(stderr) << "cannot write " << path << ": " << writer.errorString() << "\n";
}

void Begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// Everything is drawn in a 32 x 32 design space and scaled to the image size.
void Tile(QPainter& p, const QColor& c)
{
    QLinearGradient g(0, 0, 0, 32);
    g.setColorAt(0, c.lighter(112));
    g.setColorAt(1, c.darker(108));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
}

QPen WhitePen(double w)
{
    QPen pen(Qt::white, w);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QFont Bold(double px)
{
    QFont f("Carlito");
    f.setBold(true);
    f.setPixelSize(std::max(1, int(std::lround(px))));
    return f;
}

// ---- Glyphs (white, inside the 32 x 32 tile) ----

void GlyphCamera(QPainter& p, const QColor& tile)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath body;
    body.setFillRule(Qt::WindingFill);
    body.addRoundedRect(QRectF(6, 11, 20, 14), 3, 3);
    body.addRoundedRect(QRectF(12, 8, 8, 5), 1.5, 1.5);
    p.drawPath(body);
    p.setBrush(tile);
    p.drawEllipse(QPointF(16, 18), 4.6, 4.6);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 18), 2.6, 2.6);
}

void GlyphCloud(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath c;
    c.setFillRule(Qt::WindingFill);
    c.addEllipse(QPointF(12, 18), 5, 5);
    c.addEllipse(QPointF(18, 14.5), 6.5, 6.5);
    c.addEllipse(QPointF(23, 19), 4, 4);
    c.addRoundedRect(QRectF(7, 18, 20, 5), 2.5, 2.5);
    p.drawPath(c);
}

void GlyphPicture(QPainter& p)
{
    p.setPen(WhitePen(2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6, 8, 20, 16), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath m;
    m.moveTo(8, 22);
    m.lineTo(13.5, 15);
    m.lineTo(17, 19);
    m.lineTo(19.5, 16.5);
    m.lineTo(24, 22);
    m.closeSubpath();
    p.drawPath(m);
    p.drawEllipse(QPointF(20.5, 12.5), 2, 2);
}

void GlyphFilm(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(5, 10, 15, 12), 2.5, 2.5);
    QPainterPath t;
    t.moveTo(21, 16);
    t.lineTo(27, 11);
    t.lineTo(27, 21);
    t.closeSubpath();
    p.drawPath(t);
}

QPainterPath BubblePath(const QRectF& r, bool tailLeft)
{
    QPainterPath b;
    b.addRoundedRect(r, r.height() / 2.2, r.height() / 2.2);
    QPainterPath tail;
    if (tailLeft) {
        tail.moveTo(r.left() + 4, r.bottom() - 3);
        tail.lineTo(r.left() + 1, r.bottom() + 4);
        tail.lineTo(r.left() + 9, r.bottom() - 1);
    } else {
        tail.moveTo(r.right() - 4, r.bottom() - 3);
        tail.lineTo(r.right() - 1, r.bottom() + 4);
        tail.lineTo(r.right() - 9, r.bottom() - 1);
    }
    tail.closeSubpath();
    return b.united(tail);
}

void GlyphBubble(QPainter& p, const QColor& tile)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(BubblePath(QRectF(6, 8, 20, 14), true));
    p.setBrush(tile);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(11.5 + i * 4.5, 15), 1.4, 1.4);
}

void GlyphClip(QPainter& p)
{
    p.setPen(WhitePen(2));
    p.setBrush(Qt::NoBrush);
    QPainterPath c;
    c.moveTo(19, 11);
    c.lineTo(19, 22);
    c.arcTo(QRectF(12, 18.5, 7, 7), 0, -180);
    c.lineTo(12, 9);
    c.arcTo(QRectF(12, 5.5, 9.5, 7), 180, -180);
    c.lineTo(21.5, 21);
    c.arcTo(QRectF(9.5, 15, 12, 12), 0, -180);
    c.lineTo(9.5, 11);
    p.drawPath(c);
}

void GlyphPerson(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 12), 4.8, 4.8);
    QPainterPath body;
    body.moveTo(7, 26);
    body.cubicTo(7, 18.5, 11, 17.5, 16, 17.5);
    body.cubicTo(21, 17.5, 25, 18.5, 25, 26);
    body.closeSubpath();
    p.drawPath(body);
}

void GlyphHandset(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath h;
    h.moveTo(9.5, 7);
    h.cubicTo(11.5, 6.2, 12.5, 6.8, 13.5, 8.5);
    h.lineTo(15, 11.5);
    h.cubicTo(15.6, 13, 15, 14, 13.5, 15);
    h.cubicTo(14.5, 17.5, 16.5, 19.5, 18.5, 20.5);
    h.cubicTo(19.5, 19, 20.5, 18.5, 22, 19);
    h.lineTo(25, 20.5);
    h.cubicTo(26.5, 21.5, 26.8, 22.5, 26, 24.5);
    h.cubicTo(25, 26.2, 23, 26.5, 21, 26);
    h.cubicTo(14, 24, 8.5, 18.5, 6.5, 11.5);
    h.cubicTo(6, 9.5, 7.5, 7.8, 9.5, 7);
    h.closeSubpath();
    p.drawPath(h);
}

void GlyphNote(QPainter& p, const QColor& tile)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 6, 16, 20), 2, 2);
    p.setPen(QPen(tile.darker(125), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(11, 11 + i * 4), QPointF(i == 3 ? 17 : 21, 11 + i * 4));
}

void GlyphChatW(QPainter& p, const QColor& tile)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(BubblePath(QRectF(5.5, 7, 21, 16), true));
    p.setPen(tile.darker(110));
    p.setFont(Bold(12.5));
    p.drawText(QRectF(5.5, 7, 21, 16), Qt::AlignCenter, "W");
}

void GlyphTrash(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 9, 16, 3), 1, 1);
    p.drawRect(QRectF(13.5, 7, 5, 2.5));
    QPainterPath can;
    can.moveTo(9.5, 13);
    can.lineTo(22.5, 13);
    can.lineTo(21, 26);
    can.lineTo(11, 26);
    can.closeSubpath();
    p.drawPath(can);
}

// A category tile: colour plus glyph.
template <typename F>
void CategoryIcon(const QString& name, const QColor& colour, F glyph)
{
    for (int size : {32}) {
        QImage img = NewImage(size);
        QPainter p(&img);
        Begin(p);
        p.scale(size / 32.0, size / 32.0);
        Tile(p, colour);
        glyph(p);
        p.end();
        Save(img, name);
    }
}

// A round badge with a letter: help, information, question.
void RoundIcon(const QString& name, int size, const QColor& colour, const QString& letter, bool ring)
{
    QImage img = NewImage(size);
    QPainter p(&img);
    Begin(p);
    p.scale(size / 32.0, size / 32.0);
    QRadialGradient g(QPointF(13, 10), 22);
    g.setColorAt(0, colour.lighter(120));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.setPen(ring ? QPen(QColor(255, 255, 255, 220), 1.5) : Qt::NoPen);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(Qt::white);
    p.setFont(Bold(20));
    p.drawText(QRectF(2, 2.5, 28, 28), Qt::AlignCenter, letter);
    p.end();
    Save(img, name);
}

// The phone: dark body, light screen; the locked one carries a padlock.
void PhoneIcon(const QString& name, bool locked)
{
    const int size = 32;
    QImage img = NewImage(size);
    QPainter p(&img);
    Begin(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(44, 54, 76));
    p.drawRoundedRect(QRectF(8, 1.5, 16, 29), 3.5, 3.5);
    QLinearGradient screen(0, 5, 0, 25);
    screen.setColorAt(0, QColor(120, 180, 225));
    screen.setColorAt(1, QColor(70, 130, 180));
    p.setBrush(screen);
    p.drawRect(QRectF(9.8, 5, 12.4, 20));
    p.setBrush(QColor(200, 210, 225));
    p.drawEllipse(QPointF(16, 27.6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(14, 2.8, 4, 1), 0.5, 0.5);
    if (locked) {
        // Padlock over the lower right corner.
        p.setBrush(QColor(255, 255, 255));
        p.drawRoundedRect(QRectF(16.5, 17.5, 14, 13), 2.5, 2.5);
        QPen shackle(QColor(243, 115, 2), 2);
        p.setPen(shackle);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(20, 13.5, 7, 9), 0, 180 * 16);
        p.drawLine(QPointF(20, 18), QPointF(20, 20));
        p.drawLine(QPointF(27, 18), QPointF(27, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(243, 115, 2));
        p.drawRoundedRect(QRectF(18, 20, 11, 9), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(23.5, 24), 1.2, 1.2);
    }
    p.end();
    Save(img, name);
}

// A page with a folded corner and a coloured band holding the kind's label.
void FileIcon(const QString& name, const QColor& colour, const QString& label, int kind = 0)
{
    const int size = 32;
    QImage img = NewImage(size);
    QPainter p(&img);
    Begin(p);
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(20, 2);
    page.lineTo(27, 9);
    page.lineTo(27, 30);
    page.lineTo(6, 30);
    page.closeSubpath();
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.setBrush(QColor(250, 251, 253));
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(20, 2);
    fold.lineTo(20, 9);
    fold.lineTo(27, 9);
    fold.closeSubpath();
    p.setBrush(QColor(215, 222, 232));
    p.drawPath(fold);
    p.setPen(Qt::NoPen);
    if (kind == 1) {
        // Picture on the page.
        p.setBrush(colour);
        QPainterPath m;
        m.moveTo(9, 20);
        m.lineTo(14, 13);
        m.lineTo(17.5, 17.5);
        m.lineTo(20, 15);
        m.lineTo(24, 20);
        m.closeSubpath();
        p.drawPath(m);
        p.drawEllipse(QPointF(12, 10.5), 1.8, 1.8);
    } else if (kind == 2) {
        // Lines of text.
        p.setPen(QPen(QColor(170, 180, 195), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(9.5, 9 + i * 4), QPointF(i == 0 ? 17.5 : 23.5, 9 + i * 4));
        p.setPen(Qt::NoPen);
    }
    if (!label.isEmpty()) {
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(2, 19.5, 24, 9), 1.5, 1.5);
        p.setPen(Qt::white);
        p.setFont(Bold(label.size() > 3 ? 7.2 : 8.4));
        p.drawText(QRectF(2, 19.5, 24, 9.4), Qt::AlignCenter, label);
    }
    p.end();
    Save(img, "FileIcon/" + name + ".png");
}

void FolderIcon()
{
    const int size = 32;
    QImage img = NewImage(size);
    QPainter p(&img);
    Begin(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 160, 52));
    QPainterPath back;
    back.moveTo(2, 7);
    back.lineTo(11, 7);
    back.lineTo(14, 10);
    back.lineTo(30, 10);
    back.lineTo(30, 27);
    back.lineTo(2, 27);
    back.closeSubpath();
    p.drawPath(back);
    QLinearGradient g(0, 12, 0, 27);
    g.setColorAt(0, QColor(250, 204, 96));
    g.setColorAt(1, QColor(238, 180, 62));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 12.5, 28, 14.5), 1.5, 1.5);
    p.end();
    Save(img, "FileIcon/folder.png");
}

// The application's mark: a white quill over a steel-blue tile.
QImage Logo(int size)
{
    QImage img = NewImage(size);
    QPainter p(&img);
    Begin(p);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient g(0, 0, 64, 64);
    g.setColorAt(0, QColor(92, 156, 206));
    g.setColorAt(1, QColor(37, 101, 137));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);

    // Feather vane.
    QPainterPath vane;
    vane.moveTo(47, 9);
    vane.cubicTo(33, 12, 22, 24, 19, 42);
    vane.lineTo(23, 40);
    vane.cubicTo(34, 38, 44, 30, 48, 18);
    vane.lineTo(43, 20);
    vane.cubicTo(46, 16, 47.5, 12.5, 47, 9);
    vane.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(vane);
    // Shaft and nib.
    QPen shaft(QColor(37, 101, 137), 1.6);
    shaft.setCapStyle(Qt::RoundCap);
    p.setPen(shaft);
    p.drawLine(QPointF(44, 13), QPointF(22, 39));
    QPen nib(Qt::white, 2.6);
    nib.setCapStyle(Qt::RoundCap);
    p.setPen(nib);
    p.drawLine(QPointF(21, 41), QPointF(14.5, 50));
    // Ink line.
    QPen ink(QColor(255, 255, 255, 200), 2.2);
    ink.setCapStyle(Qt::RoundCap);
    p.setPen(ink);
    QPainterPath line;
    line.moveTo(13, 54);
    line.cubicTo(22, 50, 30, 57, 40, 53);
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.end();
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--app-icons") {
        // The desktop's icon theme folders: hicolor/<n>x<n>/apps/<id>.png.
        g_out = QString::fromLocal8Bit(argv[2]);
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
            Save(Logo(size), QStringLiteral("hicolor/%1x%1/apps/example.quillmere.Quillmere.png").arg(size));
        return 0;
    }
    if (argc != 2) {
        QTextStream(stderr) << "usage: paint_icons OUTPUT_DIR | --app-icons OUTPUT_DIR\n";
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);

    Save(Logo(64), "logo-64.png");
    Save(Logo(128), "logo-128.png");
    Save(Logo(32), "logo-32.png");
    Save(Logo(128), "logo.ico");

    RoundIcon("help.png", 39, QColor(70, 130, 180), "?", true);
    RoundIcon("information.png", 48, QColor(70, 130, 180), "i", false);
    RoundIcon("question.png", 48, QColor(243, 115, 2), "?", false);

    PhoneIcon("iPhone.png", false);
    PhoneIcon("iPhoneLock.png", true);

    const QColor orange(238, 138, 36), sky(56, 160, 220), purple(140, 98, 190), red(214, 72, 72),
        green(76, 175, 80), teal(0, 150, 136), slate(96, 125, 139), phoneGreen(46, 160, 90),
        yellow(230, 180, 30), wgreen(37, 180, 95), flag(243, 115, 2);
    CategoryIcon("photo.png", orange, [&](QPainter& p) { GlyphCamera(p, orange); });
    CategoryIcon("photostream.png", sky, GlyphCloud);
    CategoryIcon("appphoto.png", purple, GlyphPicture);
    CategoryIcon("video.png", red, GlyphFilm);
    CategoryIcon("message.png", green, [&](QPainter& p) { GlyphBubble(p, green); });
    CategoryIcon("messageatta.png", teal, GlyphClip);
    CategoryIcon("contact.png", slate, GlyphPerson);
    CategoryIcon("phone.png", phoneGreen, GlyphHandset);
    CategoryIcon("note.png", yellow, [&](QPainter& p) { GlyphNote(p, yellow); });
    CategoryIcon("whatsapp.png", wgreen, [&](QPainter& p) { GlyphChatW(p, wgreen); });
    CategoryIcon("whatsappatt.png", wgreen.darker(115), GlyphClip);
    CategoryIcon("delete.png", flag, GlyphTrash);

    const QColor picture(70, 130, 180), movie(214, 72, 72), audio(140, 98, 190), doc(43, 87, 154),
        sheet(33, 140, 80), pdf(200, 40, 40), archive(120, 110, 90), web(230, 120, 30), text(110, 120, 135),
        grey(150, 158, 170);
    FileIcon("image", picture, QString(), 1);
    for (const char* k : {"jpg", "jpeg", "png", "gif", "bmp", "tif", "heic", "psd"})
        FileIcon(k, picture, QString(k).toUpper());
    for (const char* k : {"mov", "mp4", "m4v", "avi", "3gp", "mkv", "wmv"})
        FileIcon(k, movie, QString(k).toUpper());
    for (const char* k : {"mp3", "m4a", "wav", "aac", "amr", "caf"})
        FileIcon(k, audio, QString(k).toUpper());
    FileIcon("doc", doc, "DOC");
    FileIcon("docx", doc, "DOCX");
    FileIcon("xls", sheet, "XLS");
    FileIcon("xlsx", sheet, "XLSX");
    FileIcon("csv", sheet, "CSV");
    FileIcon("pdf", pdf, "PDF");
    FileIcon("zip", archive, "ZIP");
    FileIcon("html", web, "HTML");
    FileIcon("txt", text, "TXT", 2);
    FileIcon("db", text, "DB");
    FileIcon("plist", text, "PLIST");
    FileIcon("vcf", text, "VCF");
    FileIcon("default", grey, QString(), 2);
    FileIcon("other", grey, "?");
    FolderIcon();
    return 0;
}
