#include "support/WrittenFiles.h"

#include <cerrno>
#include <unistd.h>

#include "support/ExportTree.h"
#include "support/Sha256.h"

namespace {
thread_local CWrittenFilesScope* t_pInnermostWritten = nullptr;
}

CWrittenFilesScope::CWrittenFilesScope(const std::string& root) : m_strPrefix(root), m_pOuter(t_pInnermostWritten)
{
    while (m_strPrefix.size() > 1 && m_strPrefix.back() == '/')
        m_strPrefix.pop_back();
    m_strPrefix.push_back('/');
    t_pInnermostWritten = this;
}

CWrittenFilesScope::~CWrittenFilesScope()
{
    t_pInnermostWritten = m_pOuter;
}

CWrittenFilesScope* CWrittenFilesScope::Holding(const std::string& path)
{
    for (CWrittenFilesScope* scope = t_pInnermostWritten; scope; scope = scope->m_pOuter) {
        if (path.size() > scope->m_strPrefix.size() && path.compare(0, scope->m_strPrefix.size(), scope->m_strPrefix) == 0)
                return scope;
    }
    return nullptr;
}

bool RecordingWrittenFile(const std::string& path)
{
    return CWrittenFilesScope::Holding(path) != nullptr;
}

void NoteWrittenFile(const std::string& path, long long size, const std::string& sha256)
{
    if (CWrittenFilesScope* scope = CWrittenFilesScope::Holding(path))
        scope->m_mapFiles[path] = WrittenFile{size, sha256};
}

int NoteWrittenFileFromDisk(const std::string& path)
{
    // Already noted by the writer that made it: no second read.
    const CWrittenFilesScope* scope = CWrittenFilesScope::Holding(path);
    if (!scope || scope->Files().count(path))
        return 0;
    const int fd = OpenExportFileForReading(path);
    if (fd < 0)
        return errno;
    WrittenFile file;
    const int err = HashOpenFile(fd, &file.strSha256, &file.nSize);
    ::close(fd);
    if (!err)
        NoteWrittenFile(path, file.nSize, file.strSha256);
    return err;
}
