// Small builders shared by the engine tests: folders, Info.plist texts and
// raw Manifest.mbdb records.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtEndian>

namespace EngineFixtures {

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

// An Info.plist in the phone's XML form with the given key/value lines.
inline QByteArray InfoPlistXml(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<plist version=\"1.0\">\n<dict>\n" + body + "</dict>\n</plist>\n";
}

inline QByteArray KeyString(const char* key, const QByteArray& value)
{
    return QByteArray("\t<key>") + key + "</key>\n\t<string>" + value + "</string>\n";
}

// Raw mbdb pieces, big-endian.
inline QByteArray U16(quint16 v)
{
    char b[2];
    qToBigEndian(v, b);
    return QByteArray(b, 2);
}

inline QByteArray Str(const QByteArray& text)
{
    return U16(quint16(text.size())) + text;
}

inline QByteArray Absent()
{
    return QByteArray("\xff\xff", 2);
}

// One record: domain, path, absent link/hash/key, the mode, 37 zero bytes of
// fixed fields, then the properties (name, value pairs).
inline QByteArray MbdbRecord(const QByteArray& domain, const QByteArray& path, quint16 mode,
                             const QList<QByteArray>& properties = {})
{
    QByteArray r = Str(domain) + Str(path) + Absent() + Absent() + Absent() + U16(mode);
    r += QByteArray(37, '\0');
    r += char(properties.size() / 2);
    for (const QByteArray& p : properties)
        r += Str(p);
    return r;
}

inline QByteArray MbdbHeader()
{
    return QByteArray("mbdb\x05\x00", 6);
}

} // namespace EngineFixtures
