#include "export/ExportFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "support/ExportTree.h"
#include "support/Sha256.h"
#include "support/WrittenFiles.h"

namespace {
const std::size_t kBufferSize = 1 << 20;

// Six letters for a temporary name beside the file.
std::string TempSuffix()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::string s(6, 'x');
    for (char& c : s)
        c = kLetters[random() % (sizeof kLetters - 1)];
    return s;
}

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
    m_strTempLeaf.clear();
    m_strBuffer.clear();
    m_nWritten = 0;
    m_pHash.reset(RecordingWrittenFile(path) ? new CSha256 : nullptr);
    if (exclusive) {
        m_nFd = CreateExportFile(path, &m_nDirFd, &m_strLeaf);
    } else {
        m_nDirFd = OpenExportParent(path, &m_strLeaf);
        for (int attempt = 0; m_nDirFd >= 0 && attempt < 100; ++attempt) {
            const std::string temp = m_strLeaf + ".part" + TempSuffix();
            m_nFd = ::openat(m_nDirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (m_nFd >= 0)
                m_strTempLeaf = temp;
            if (m_nFd >= 0 || errno != EEXIST)
                break;
        }
    }
    if (m_nFd < 0) {
        m_nError = errno ? errno : EIO;
        CloseFolder();
        return m_nError;
    }
    return 0;
}

void CExportFile::Write(const char* data, std::size_t size)
{
    if (m_nFd < 0 || m_nError)
        return;
    if (m_pHash)
        m_pHash->Add(data, size);
    m_nWritten += static_cast<long long>(size);
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
    if (!m_nError)
        SetExportOwnership(m_nFd, 0644);
    if (::close(m_nFd) != 0 && !m_nError)
        m_nError = errno;
    m_nFd = -1;
    if (!m_nError && !m_strTempLeaf.empty()) {
        if (::renameat(m_nDirFd, m_strTempLeaf.c_str(), m_nDirFd, m_strLeaf.c_str()) != 0)
            m_nError = errno;
        else
            m_strTempLeaf.clear();
    }
    if (m_nError) {
        ::unlinkat(m_nDirFd, m_strTempLeaf.empty() ? m_strLeaf.c_str() : m_strTempLeaf.c_str(), 0);
        m_strTempLeaf.clear();
    } else if (m_pHash) {
        NoteWrittenFile(m_strPath, m_nWritten, m_pHash->Hex());
    }
    m_pHash.reset();
    CloseFolder();
    return m_nError;
}

void CExportFile::Abandon()
{
    if (m_nFd >= 0) {
        ::close(m_nFd);
        m_nFd = -1;
        ::unlinkat(m_nDirFd, m_strTempLeaf.empty() ? m_strLeaf.c_str() : m_strTempLeaf.c_str(), 0);
        m_strTempLeaf.clear();
    }
    CloseFolder();
}

void CExportFile::CloseFolder()
{
    if (m_nDirFd >= 0)
        ::close(m_nDirFd);
    m_nDirFd = -1;
}

int WriteExportFile(const std::string& path, const std::string& content, bool exclusive)
{
    CExportFile file;
    if (int err = file.Create(path, exclusive))
        return err;
    file.Write(content);
    return file.Finish();
}
