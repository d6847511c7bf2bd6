#include "support/BackupRows.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "support/SafeFile.h"

namespace {

bool StartsWithBom(const char* data, size_t length)
{
    return length >= 3 && static_cast<unsigned char>(data[0]) == 0xEF && static_cast<unsigned char>(data[1]) == 0xBB &&
           static_cast<unsigned char>(data[2]) == 0xBF;
}

int DecimalLength(long long value)
{
    int length = value < 0 ? 2 : 1;
    unsigned long long rest = value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    while (rest >= 10) {
        rest /= 10;
        ++length;
    }
    return length;
}

} // namespace

bool IsWellFormedUtf8(const char* data, size_t length)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* end = p + length;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned int code = 0, least = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1, code = c & 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, code = c & 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3, code = c & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

CBackupRows::CBackupRows(const QString& path, const QString& sql)
{
    // The same refusals as OpenBackupDatabase: no link, FIFO or device in the
    // file's place, checked right before SQLite opens the name.
    const int fd = OpenBackupFile(QFile::encodeName(path).toStdString(), nullptr, nullptr);
    if (fd < 0)
        return;
    ::close(fd);
    const QByteArray uri =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded).toUtf8() + "?immutable=1";
    if (sqlite3_open_v2(uri.constData(), &m_pDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close(m_pDb);
        m_pDb = nullptr;
        return;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_pDb, text.constData(), int(text.size()), &m_pStmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
    }
}

CBackupRows::~CBackupRows()
{
    sqlite3_finalize(m_pStmt);
    sqlite3_close(m_pDb);
}

bool CBackupRows::Next()
{
    return m_pStmt && sqlite3_step(m_pStmt) == SQLITE_ROW;
}

bool CBackupRows::IsNull(int column) const
{
    return sqlite3_column_type(m_pStmt, column) == SQLITE_NULL;
}

QVariant CBackupRows::Value(int column) const
{
    switch (sqlite3_column_type(m_pStmt, column)) {
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_pStmt, column)),
                          sqlite3_column_bytes(m_pStmt, column));
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(m_pStmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_pStmt, column);
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default: {
        const void* text = sqlite3_column_text16(m_pStmt, column);
        return QString(static_cast<const QChar*>(text), sqlite3_column_bytes16(m_pStmt, column) / int(sizeof(QChar)));
    }
    }
}

int CBackupRows::Int(int column) const
{
    switch (sqlite3_column_type(m_pStmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_pStmt, column))).toInt();
    case SQLITE_NULL:
        return 0;
    default:
        return Value(column).toInt();
    }
}

long long CBackupRows::Int64(int column) const
{
    switch (sqlite3_column_type(m_pStmt, column)) {
    case SQLITE_INTEGER:
        return sqlite3_column_int64(m_pStmt, column);
    case SQLITE_NULL:
        return 0;
    default:
        return Value(column).toLongLong();
    }
}

double CBackupRows::Double(int column) const
{
    switch (sqlite3_column_type(m_pStmt, column)) {
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_pStmt, column);
    case SQLITE_NULL:
        return 0;
    default:
        return Value(column).toDouble();
    }
}

std::string CBackupRows::Text(int column) const
{
    switch (sqlite3_column_type(m_pStmt, column)) {
    case SQLITE_NULL:
        return std::string();
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_column_int64(m_pStmt, column));
    case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, column));
        const size_t length = size_t(sqlite3_column_bytes(m_pStmt, column));
        if (text && IsWellFormedUtf8(text, length) && !StartsWithBom(text, length))
            return std::string(text, length);
        return Value(column).toString().toStdString();
    }
    case SQLITE_BLOB: {
        const char* bytes = static_cast<const char*>(sqlite3_column_blob(m_pStmt, column));
        const size_t length = size_t(sqlite3_column_bytes(m_pStmt, column));
        if (!bytes)
            return std::string();
        if (IsWellFormedUtf8(bytes, length) && !StartsWithBom(bytes, length))
            return std::string(bytes, length);
        return QString::fromUtf8(bytes, qsizetype(length)).toStdString();
    }
    default:
        return Value(column).toString().toStdString();
    }
}

QByteArray CBackupRows::Bytes(int column) const
{
    if (sqlite3_column_type(m_pStmt, column) == SQLITE_BLOB)
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_pStmt, column)),
                          sqlite3_column_bytes(m_pStmt, column));
    return Value(column).toByteArray();
}

int CBackupRows::TextLength(int column) const
{
    switch (sqlite3_column_type(m_pStmt, column)) {
    case SQLITE_INTEGER:
        return DecimalLength(sqlite3_column_int64(m_pStmt, column));
    case SQLITE_NULL:
        return 0;
    default:
        return int(Value(column).toString().size());
    }
}
