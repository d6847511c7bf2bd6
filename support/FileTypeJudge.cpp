#include "support/FileTypeJudge.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/SafeFile.h"
#include "support/SysHelpers.h"
#include "support/TextEncoding.h"

CFileTypeJudge::CFileTypeJudge()
    : m_u64Counter(0)
{
}

int CFileTypeJudge::ParseFileBuf(char* path, char* name, unsigned long long* fileSize)
{
    return ParseFile(path, name, fileSize, nullptr);
}

int CFileTypeJudge::ParseFileBuf(char* path, char* name, unsigned long long* fileSize, BackupFolderHandles& folders)
{
    return ParseFile(path, name, fileSize, &folders);
}

int CFileTypeJudge::ParseFile(char* path, char* name, unsigned long long* fileSize, BackupFolderHandles* folders)
{
    if (path == nullptr)
        return 87;
    // A hostile backup may hold a link out of it or a FIFO where a file belongs:
    // neither is followed nor waited on.
    off_t size = 0;
    int err = 0;
    const int fd = folders ? OpenBackupFile(path, &size, &err, *folders) : OpenBackupFile(path, &size, &err);
    if (fd < 0)
        return err;
    if (fileSize)
        *fileSize = static_cast<unsigned long long>(size);
    unsigned char head[FILE_TYPE_HEAD_SIZE];
    unsigned int got = 0;
    if (ReadData(fd, head, FILE_TYPE_HEAD_SIZE, &got) != 0 || got != (unsigned int)FILE_TYPE_HEAD_SIZE) {
        close(fd);
        return 30;
    }
    close(fd);
    const char* extension = GetTypeExtendName(GetDataBufType(head, FILE_TYPE_HEAD_SIZE));
    if (extension != nullptr) {
        // 20 digits, a dot and at most four letters: always well inside the caller's buffer.
        if (name != nullptr)
            std::snprintf(name, 32, "%llu.%s", m_u64Counter, extension);
        ++m_u64Counter;
    }
    return 0;
}

int CFileTypeJudge::ParseFileBuf(unsigned char* data, int length, wchar_t* name)
{
    const char* extension = GetTypeExtendName(GetDataBufType(data, length));
    if (extension != nullptr) {
        if (name != nullptr)
            rsb_wsprintf(name, L"%llu.%s", m_u64Counter, extension);
        ++m_u64Counter;
    }
    return 0;
}
