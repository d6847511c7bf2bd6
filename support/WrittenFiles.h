// The files one export writes below its destination, each noted with its size and
// SHA-256 by the writer that made it, for the manifest that proves what was written.
#pragma once

#include <map>
#include <string>

struct WrittenFile {
    long long nSize = 0;
    std::string strSha256;   // lower-case hex
};

// While alive, files finished on this thread below `root` are noted here (keyed by
// path; a file replaced later in the run keeps its last content). Scopes nest; the
// innermost one that holds a path takes it.
class CWrittenFilesScope {
public:
    explicit CWrittenFilesScope(const std::string& root);
    ~CWrittenFilesScope();
    CWrittenFilesScope(const CWrittenFilesScope&) = delete;
    CWrittenFilesScope& operator=(const CWrittenFilesScope&) = delete;

    // Absolute path -> what was written there.
    const std::map<std::string, WrittenFile>& Files() const { return m_mapFiles; }

    // The innermost scope on this thread whose root holds `path`, or null.
    static CWrittenFilesScope* Holding(const std::string& path);

private:
    friend void NoteWrittenFile(const std::string& path, long long size, const std::string& sha256);

    std::string m_strPrefix;   // root + "/"
    std::map<std::string, WrittenFile> m_mapFiles;
    CWrittenFilesScope* m_pOuter = nullptr;
};

// Whether a file written at `path` would be noted (so the writer should hash it).
bool RecordingWrittenFile(const std::string& path);
void NoteWrittenFile(const std::string& path, long long size, const std::string& sha256);

// Notes a file some other code wrote (the engine's database copies), hashing it
// from disk (OpenExportFileForReading). A file already noted is not read again. Returns 0 or errno.
int NoteWrittenFileFromDisk(const std::string& path);
