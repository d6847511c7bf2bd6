// Folders and files below the destination of an export, reached one component at a
// time from a descriptor of the destination and never through a symbolic link. A link
// planted inside the destination (a category folder pointing at /root) is refused, so
// nothing is created, written or re-moded outside it, and folders that already exist
// keep their mode.
#pragma once

#include <map>
#include <string>
#include <sys/types.h>

// While alive, paths below `root` are resolved on this thread from a descriptor of
// `root` itself: the folder the user chose, whose own path may hold links. It is made
// (mkdir -p) on first use. Without a scope, every component from "/" must be a real
// folder. Scopes nest; the innermost one holding a path is used.
class CExportRootScope {
public:
    explicit CExportRootScope(const std::string& root);
    ~CExportRootScope();
    CExportRootScope(const CExportRootScope&) = delete;
    CExportRootScope& operator=(const CExportRootScope&) = delete;

private:
    friend class CExportWalk;
    std::string m_strRoot;
    int m_nFd = -1;
    int m_nOpenError = 0;
    std::map<std::string, int> m_mapFolders; // folders below the root, already walked
    CExportRootScope* m_pOuter = nullptr;
};

// Opens the folder `path`, making the missing ones (0755, given to the invoking user)
// when `create`. Returns a descriptor the caller closes, or -1 with errno set (ELOOP
// when a component is a link, ENOTDIR when it is not a folder).
int OpenExportFolder(const std::string& path, bool create);

// Opens (making it when missing) the folder that holds `path` and puts the last
// component in *leaf. Returns a descriptor the caller closes, or -1 with errno set.
int OpenExportParent(const std::string& path, std::string* leaf);

// Creates the file `path` exclusively (O_CREAT | O_EXCL | O_NOFOLLOW) in a folder
// reached as above, mode 0644. Returns the descriptor or -1 with errno set. When
// `dirFd` is given it receives the folder's descriptor (the caller closes it).
int CreateExportFile(const std::string& path, int* dirFd = nullptr, std::string* leaf = nullptr);

// Opens the existing regular file `path` for reading, its folder reached as above
// (nothing made, no link followed, never blocking on a FIFO). Returns the descriptor
// (blocking again) or -1 with errno set (EINVAL when it is not a regular file).
int OpenExportFileForReading(const std::string& path);

// Removes the file `path` when it is there, reaching its folder as above (nothing is
// made, no link followed). Returns 0 (also when there was nothing) or errno.
int RemoveExportFile(const std::string& path);

// Mode `mode` and, for a root run on behalf of a user, that user as owner.
void SetExportOwnership(int fd, mode_t mode);
// Only the owner: for a file created with its mode already right.
void SetExportOwner(int fd);

// Why an export folder or file could not be made, for a failure list.
std::string ExportErrorText(int err);
