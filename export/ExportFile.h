// A file the export writes: created in a folder reached without following any link
// (see ExportTree.h), written through a large buffer, and on any failure removed again, so a name that exists after a successful
// Finish() holds the whole content and a failed write leaves nothing behind.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "support/Sha256.h"

class CExportFile {
public:
    CExportFile() = default;
    ~CExportFile();
    CExportFile(const CExportFile&) = delete;
    CExportFile& operator=(const CExportFile&) = delete;

    // Exclusive: fails with EEXIST when the name is taken (free-name files). Otherwise the
    // content goes to a temporary file beside it that replaces `path` on Finish().
    // Returns 0 or errno.
    int Create(const std::string& path, bool exclusive);

    void Write(const char* data, std::size_t size);
    void Write(const std::string& text) { Write(text.data(), text.size()); }

    // Flushes and closes; sets the export permissions (and the invoking user as owner when
    // running as root for one). Returns 0, or errno with the file removed.
    int Finish();

    const std::string& Path() const { return m_strPath; }

private:
    int Flush();
    void Abandon();
    void CloseFolder();

    int m_nFd = -1;
    int m_nDirFd = -1;      // the folder holding the file
    int m_nError = 0;
    std::string m_strPath;
    std::string m_strLeaf;      // the file's name in that folder
    std::string m_strTempLeaf;  // the temporary name while writing, when not exclusive
    std::string m_strBuffer;
    // Fed every byte written when the file is to be noted for the run's manifest.
    std::unique_ptr<CSha256> m_pHash;
    long long m_nWritten = 0;
};

// Writes `content` as one file; see CExportFile for the two modes. Returns 0 or errno.
int WriteExportFile(const std::string& path, const std::string& content, bool exclusive);
