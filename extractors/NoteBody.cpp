#include "extractors/NoteBody.h"

#include <climits>

#include <QByteArray>
#include <QString>
#include <zlib.h>

#include "support/ProtobufWire.h"

namespace {

// A note's text is rarely above a megabyte; more than this is a damaged or
// hostile blob, not a note.
const size_t kMaxNoteBytes = 16u * 1024u * 1024u;

bool Gunzip(const uint8_t* data, size_t size, std::string* out)
{
    if (size < 18 || size > UINT_MAX || data[0] != 0x1f || data[1] != 0x8b)
        return false;
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK)
        return false;
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = uInt(size);
    int rc = Z_OK;
    unsigned char chunk[16384];
    while (rc == Z_OK) {
        zs.next_out = chunk;
        zs.avail_out = sizeof chunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        const size_t produced = sizeof chunk - zs.avail_out;
        if (out->size() + produced > kMaxNoteBytes) {
            rc = Z_MEM_ERROR;
            break;
        }
        out->append(reinterpret_cast<const char*>(chunk), produced);
        // Input used up without the end of the stream: the blob was cut short.
        if (rc == Z_OK && zs.avail_in == 0 && zs.avail_out != 0) {
            rc = Z_DATA_ERROR;
            break;
        }
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END)
        out->clear();
    return rc == Z_STREAM_END;
}

} // namespace

bool DecodeNoteBody(const uint8_t* data, size_t size, std::string* text)
{
    text->clear();
    if (!data)
        return false;
    std::string proto;
    if (!Gunzip(data, size, &proto))
        return false;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(proto.data());
    size_t length = proto.size();
    // Document (2) -> note (3) -> text (2).
    for (uint32_t field : {2u, 3u, 2u}) {
        if (!FindProtobufBytes(bytes, length, field, &bytes, &length))
            return false;
    }
    text->assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

bool DecodeNoteBody(const QByteArray& data, std::string* text)
{
    return DecodeNoteBody(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), text);
}

bool IsLockedNoteData(const QByteArray& data)
{
    return data.startsWith("bplist00");
}

QString NoteBodyText(const QString& source, const QString& title)
{
    QString text = source;
    text.remove(QChar(0xFFFC));
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QString firstLine = end < 0 ? text : text.left(end);
    if (!title.trimmed().isEmpty() && firstLine.trimmed() == title.trimmed()) {
        text = end < 0 ? QString() : text.mid(end + 1);
        // The blank line the phone puts under the title goes with it.
        while (text.startsWith(QLatin1Char('\n')))
            text.remove(0, 1);
    }
    return text;
}
