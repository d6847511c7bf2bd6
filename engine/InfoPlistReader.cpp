#include "engine/InfoPlistReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QDateTime>
#include <QBuffer>
#include <QVariantMap>

#include "support/Plist.h"
#include "support/SafeFile.h"

namespace {

const int kLineBufferSize = 2048;

// XML escapes a name may carry (Tom &amp; Ann), turned back into their characters.
std::string DecodeXmlText(const std::string& text)
{
    if (text.find('&') == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const size_t end = text.find(';', i);
        if (end == std::string::npos || end - i > 10) {
            out += text[i];
            continue;
        }
        const std::string name = text.substr(i + 1, end - i - 1);
        QString replacement;
        if (name == "amp")
            replacement = QStringLiteral("&");
        else if (name == "lt")
            replacement = QStringLiteral("<");
        else if (name == "gt")
            replacement = QStringLiteral(">");
        else if (name == "quot")
            replacement = QStringLiteral("\"");
        else if (name == "apos")
            replacement = QStringLiteral("'");
        else if (name.size() > 1 && name[0] == '#') {
            bool ok = false;
            const uint code = (name[1] == 'x' || name[1] == 'X')
                ? QString::fromStdString(name.substr(2)).toUInt(&ok, 16)
                : QString::fromStdString(name.substr(1)).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                replacement = QString::fromUcs4(&c, 1);
            }
        }
        if (replacement.isEmpty()) {
            out += text[i];
            continue;
        }
        out += replacement.toStdString();
        i = end;
    }
    return out;
}

// Text between `open` and the first `close` of the line, or false when the
// line lacks `open` (the value is then not taken from outside the line).
bool ValueBetween(const std::string& line, const char* open, const char* close, std::string* value)
{
    std::string cut = line;
    const size_t end = cut.find(close);
    if (end != std::string::npos)
        cut.erase(end);
    const size_t start = cut.find(open);
    if (start == std::string::npos)
        return false;
    *value = cut.substr(start + strlen(open));
    if (end == std::string::npos) {
        while (!value->empty() && (value->back() == '\n' || value->back() == '\r'))
            value->pop_back();
    }
    return true;
}

// 2019-05-04T10:40:12Z -> 2019-05-04 10:40:12, no time-zone shift.
std::string BackupDateText(std::string date)
{
    const size_t t = date.find('T');
    if (t == std::string::npos)
        return date;
    date[t] = ' ';
    const int hour = atoi(date.c_str() + t + 1);
    if (hour >= 0 && hour < 100 && t + 2 < date.size()) {
        char digits[4];
        snprintf(digits, sizeof digits, "%02d", hour);
        date[t + 1] = digits[0];
        date[t + 2] = digits[1];
    }
    const size_t z = date.find('Z');
    if (z != std::string::npos)
        date.erase(z);
    return date;
}

bool VersionAbove11(const std::string& version)
{
    return atoi(version.c_str()) > 11;
}

void ReadXmlLines(QIODevice& file, __BACK_FILE_INFO__* info)
{
    char buffer[kLineBufferSize];
    auto nextLine = [&](std::string* line) {
        const qint64 n = file.readLine(buffer, kLineBufferSize);
        if (n <= 0)
            return false;
        line->assign(buffer, size_t(n));
        return true;
    };
    std::string line;
    std::string valueLine;
    std::string value;
    while (nextLine(&line)) {
        if (line.find("<key>Display Name</key>") != std::string::npos) {
            if (nextLine(&valueLine) && ValueBetween(valueLine, "<string>", "</string>", &value))
                info->strDisplayName = DecodeXmlText(value);
        } else if (line.find("<key>Last Backup Date</key>") != std::string::npos) {
            if (nextLine(&valueLine) && ValueBetween(valueLine, "<date>", "</date>", &value))
                info->strBackupDate = BackupDateText(value);
        } else if (line.find("<key>Phone Number</key>") != std::string::npos) {
            if (nextLine(&valueLine) && ValueBetween(valueLine, "<string>", "</string>", &value))
                info->strPhoneNumber = DecodeXmlText(value);
        } else if (line.find("<key>Product Version</key>") != std::string::npos) {
            if (nextLine(&valueLine) && ValueBetween(valueLine, "<string>", "</string>", &value))
                info->bVersionAbove11 = VersionAbove11(value);
        } else if (line.find("<key>Serial Number</key>") != std::string::npos) {
            if (nextLine(&valueLine) && ValueBetween(valueLine, "<string>", "</string>", &value))
                info->strSerialNumber = DecodeXmlText(value);
            break;
        }
    }
}

// The binary form: the line reader would find nothing in it.
void ReadBinary(const QByteArray& bytes, __BACK_FILE_INFO__* info)
{
    const QVariantMap map = ParsePlist(bytes).toMap();
    auto text = [&](const char* key, std::string* field) {
        const QVariant v = map.value(QLatin1String(key));
        if (v.typeId() == QMetaType::QString)
            *field = v.toString().toStdString();
    };
    text("Display Name", &info->strDisplayName);
    text("Phone Number", &info->strPhoneNumber);
    text("Serial Number", &info->strSerialNumber);
    const QVariant date = map.value(QStringLiteral("Last Backup Date"));
    if (date.typeId() == QMetaType::QDateTime)
        info->strBackupDate = date.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    const QVariant version = map.value(QStringLiteral("Product Version"));
    if (version.typeId() == QMetaType::QString)
        info->bVersionAbove11 = VersionAbove11(version.toString().toStdString());
}

} // namespace

bool ReadInfoPlist(const std::string& path, __BACK_FILE_INFO__* info)
{
    // Info.plist is a few kilobytes (sometimes a few megabytes of iTunes data); only a
    // bounded head of it is read, and a link, FIFO or device in its place not at all.
    const std::size_t cap = 16 * 1024 * 1024;
    std::string bytes;
    if (ReadBackupFile(path, cap, &bytes) != 0)
        return false;
    QByteArray data = QByteArray::fromStdString(bytes);
    bytes.clear();
    if (data.startsWith("bplist00")) {
        ReadBinary(data, info);
        return true;
    }
    QBuffer file(&data);
    file.open(QIODevice::ReadOnly);
    ReadXmlLines(file, info);
    return true;
}
