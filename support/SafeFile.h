// Reading files that live inside a backup, whose stored files a hostile backup can
// replace by a symbolic link (to a file outside it, to a device), a FIFO or a folder:
// such a file is never read, never blocked on, and never copied.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <sys/types.h>

// Opens `path` for reading without following a final symbolic link (nor the
// two-character folder of a stored file <backup>/<xx>/<name>) and without blocking,
// and keeps it only when it is a regular file (then back in blocking mode). Returns
// the descriptor, or -1 with *err set (ELOOP for a link, EINVAL for anything that is
// not a regular file) and *reason, when given, saying why.
int OpenBackupFile(const std::string& path, off_t* size, int* err, std::string* reason = nullptr);

// The descriptors of the two-character folders a run of OpenBackupFile calls went
// through, kept so that reading the heads of thousands of stored files opens each
// folder once (each is still opened without following a link). Closed on
// destruction; for one thread.
class BackupFolderHandles {
public:
    BackupFolderHandles() = default;
    ~BackupFolderHandles();
    BackupFolderHandles(const BackupFolderHandles&) = delete;
    BackupFolderHandles& operator=(const BackupFolderHandles&) = delete;

    // A descriptor of `folder`, or -1 with errno set as a fresh open would set it.
    int Folder(const std::string& folder);

private:
    std::unordered_map<std::string, int> m_mapOpen;
};

// OpenBackupFile, taking the two-character folder's descriptor from `folders`.
int OpenBackupFile(const std::string& path, off_t* size, int* err, BackupFolderHandles& folders,
                   std::string* reason = nullptr);

// Reads at most `cap` bytes of the file `path` into *out, opened as OpenBackupFile
// does. A file that shrank is read as far as it goes. Returns 0 or errno.
int ReadBackupFile(const std::string& path, std::size_t cap, std::string* out, std::string* reason = nullptr);

// Copies `size` bytes of the open file `in` into a new file `target`, created
// exclusively (an existing name is never replaced: EEXIST, nothing touched) in a
// folder reached without following any link (ExportTree.h). A failed copy removes what it wrote, so a name left
// behind always holds the whole content. The file gets the export mode. Returns 0
// or errno, with *reason saying why.
int CopyIntoNewFile(int in, off_t size, const std::string& target, std::string* reason = nullptr);

// CopyIntoNewFile for the name `leaf` inside the folder `dir`, a descriptor from
// OpenExportParent (so a caller trying numbered names walks to the folder once);
// `target` is the whole path, under which the file is noted. EEXIST when the name
// is taken, nothing touched.
int CopyIntoNewFileAt(int in, off_t size, int dir, const std::string& leaf, const std::string& target,
                      std::string* reason = nullptr);

// The process's file creation mask (umask), read without changing it: umask() sets
// it, for a moment, for every thread. 0777 when it cannot be read.
mode_t ReadFileCreationMask();

// OpenBackupFile, then CopyIntoNewFile. Returns 0 or errno.
int CopyBackupFile(const std::string& source, const std::string& target, std::string* reason = nullptr);
