#include "export/ExportFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include "support/Platform.h"

namespace {
const std::size_t kBufferSize = 1 << 20;

int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}
}

CExportFile::~CExportFile()
{
    Abandon();
}

int CExportFile::Create(const std::string& path, bool exclusive)
{
    Abandon();
    m_nError = 0;
    m_strPath = path;
    m_strTempPath.clear();
    m_strBuffer.clear();
    if (exclusive) {
        m_nFd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    } else {
        std::string tmpl = path + ".partXXXXXX";
        m_nFd = ::mkostemp(&tmpl[0], O_CLOEXEC);
        if (m_nFd >= 0)
            m_strTempPath = tmpl;
    }
    if (m_nFd < 0) {
        m_nError = errno ? errno : EIO;
        return m_nError;
    }
    return 0;
}

void CExportFile::Write(const char* data, std::size_t size)
{
    if (m_nFd < 0 || m_nError)
        return;
    if (m_strBuffer.size() + size > kBufferSize) {
        if (Flush())
            return;
        if (size >= kBufferSize) {
            m_nError = WriteAll(m_nFd, data, size);
            return;
        }
    }
    m_strBuffer.append(data, size);
}

int CExportFile::Flush()
{
    if (!m_nError && !m_strBuffer.empty())
        m_nError = WriteAll(m_nFd, m_strBuffer.data(), m_strBuffer.size());
    m_strBuffer.clear();
    return m_nError;
}

int CExportFile::Finish()
{
    if (m_nFd < 0)
        return m_nError ? m_nError : EBADF;
    Flush();
    if (!m_nError && ::fchmod(m_nFd, 0644) != 0)
        m_nError = errno;
    if (::close(m_nFd) != 0 && !m_nError)
        m_nError = errno;
    m_nFd = -1;
    if (!m_nError && !m_strTempPath.empty()) {
        if (::rename(m_strTempPath.c_str(), m_strPath.c_str()) != 0)
            m_nError = errno;
        else
            m_strTempPath.clear();
    }
    if (m_nError) {
        ::unlink(m_strTempPath.empty() ? m_strPath.c_str() : m_strTempPath.c_str());
        m_strTempPath.clear();
        return m_nError;
    }
    QmPlatform::SetExportFileMode(QString::fromStdString(m_strPath));
    return 0;
}

void CExportFile::Abandon()
{
    if (m_nFd < 0)
        return;
    ::close(m_nFd);
    m_nFd = -1;
    ::unlink(m_strTempPath.empty() ? m_strPath.c_str() : m_strTempPath.c_str());
    m_strTempPath.clear();
}

int WriteExportFile(const std::string& path, const std::string& content, bool exclusive)
{
    CExportFile file;
    if (int err = file.Create(path, exclusive))
        return err;
    file.Write(content);
    return file.Finish();
}
