#include "engine/ManifestReader.h"

#include <cstdio>
#include <cstring>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>

#include "engine/MbdbRecords.h"
#include "support/BackupRows.h"
#include "support/SafeFile.h"
#include "support/TextEncoding.h"

namespace {

unsigned ReadU16(const unsigned char* p)
{
    return (unsigned(p[0]) << 8) | p[1];
}

// A stored name is 40 hex digits; kept in lower case as SHA-1 names are.
bool IsStoredName(const std::string& text, std::string* name)
{
    if (text.size() != 40)
        return false;
    name->resize(40);
    for (size_t i = 0; i < 40; ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))
            (*name)[i] = c;
        else if (c >= 'A' && c <= 'F')
            (*name)[i] = char(c - 'A' + 'a');
        else
            return false;
    }
    return true;
}

// Reads the whole file; false when it is no regular file (a link, a FIFO) or cannot be
// read completely. Positions are ints: a manifest of 2 GB is none.
bool ReadWholeFile(const wchar_t* path, std::string* buffer)
{
    const std::string narrow = Unicode2Ansi(path);
    off_t size = 0;
    int err = 0;
    const int fd = OpenBackupFile(narrow, &size, &err);
    if (fd < 0)
        return false;
    ::close(fd);
    if (size >= 0x7fffffffL)
        return false;
    try {
        return ReadBackupFile(narrow, std::size_t(size), buffer) == 0 && buffer->size() == std::size_t(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

std::string getstring(const char* data, int* pos)
{
    const unsigned length = ReadU16(reinterpret_cast<const unsigned char*>(data + *pos));
    *pos += 2;
    if (length == 0xFFFF || length == 0)
        return std::string();
    std::string text(data + *pos, length);
    *pos += int(length);
    return text;
}

int process_mbdb_file(wchar_t* path, std::vector<__MBDB_FILE__>& out)
{
    if (!path)
        return 87;
    std::string buffer;
    if (!ReadWholeFile(path, &buffer))
        return 87;
    return process_mbdb_buffer(buffer.data(), buffer.size(), out);
}

int process_mbdb_buffer(const char* bytes, size_t length, std::vector<__MBDB_FILE__>& out)
{
    CMbdbReader reader(bytes, length);
    if (!reader.HasMagic() || length > size_t(0x7fffffff))
        return 87;
    MBDB_RECORD record;
    char digest[41];
    while (reader.Next(&record)) {
        if (record.strDomain.empty() || record.strPath.empty() || record.IsDirectory())
            continue;
        __MBDB_FILE__ entry;
        entry.strName = record.strDomain + "-" + record.strPath;
        memset(digest, 0, sizeof digest);
        SHA1(reinterpret_cast<const unsigned char*>(entry.strName.c_str()), digest, 40);
        entry.strFileId = digest;
        out.push_back(std::move(entry));
    }
    // Cut or damaged: what was read stays, and the list is said to be incomplete.
    return reader.Damaged() ? 87 : 0;
}

int process_db_file(wchar_t* path, std::vector<__MBDB_FILE__>& out)
{
    out.clear();
    if (!path)
        return 87;
    int result = 87;
    // A couple of hundred thousand rows: read straight from SQLite, not as QVariants.
    CBackupRows rows(QString::fromStdString(Unicode2Ansi(path)),
                     QStringLiteral("select fileID, domain, relativePath from Files"));
    if (rows.IsReady()) {
        result = 0;
        while (rows.Next()) {
            __MBDB_FILE__ entry;
            // The stored name becomes part of a path: anything but 40
            // hex digits ("../..", "/etc/...") is not a stored name.
            if (!IsStoredName(rows.Text(0), &entry.strFileId))
                continue;
            entry.strName = rows.Text(1);
            const std::string relative = rows.Text(2);
            if (!relative.empty())
                entry.strName.append("-").append(relative);
            out.push_back(std::move(entry));
        }
    }
    return result;
}

const char* SHA1(const unsigned char* text, char* out, int capacity)
{
    if (!text || !out)
        return out;
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromRawData(reinterpret_cast<const char*>(text), int(strlen(reinterpret_cast<const char*>(text)))),
        QCryptographicHash::Sha1).toHex();
    // Eight digits per word while room for eight remains.
    for (int word = 0; word < 5 && capacity - word * 8 >= 8; ++word)
        memcpy(out + word * 8, digest.constData() + word * 8, 8);
    return out;
}

std::string StoredNameOf(const std::string& domain, const std::string& relativePath)
{
    const std::string name = domain + "-" + relativePath;
    return QCryptographicHash::hash(QByteArray::fromStdString(name), QCryptographicHash::Sha1).toHex().toStdString();
}

std::string StoredFilePath(const std::string& folder, const std::string& fileId, bool twoLevel)
{
    if (twoLevel)
        return folder + "/" + fileId.substr(0, 2) + "/" + fileId;
    return folder + "/" + fileId;
}
