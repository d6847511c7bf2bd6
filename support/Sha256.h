// SHA-256 of bytes fed in pieces, through OpenSSL (several times faster than Qt's own
// on machines with SHA instructions, which matters when every exported byte is hashed).
#pragma once

#include <cstddef>
#include <string>

#include <sys/types.h>

class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    void Add(const void* data, std::size_t size);
    // Lower-case hex of the digest; the object starts over afterwards.
    std::string Hex();

private:
    void* m_pContext;
};

// SHA-256 (lower-case hex) and size of the open file `fd`, read from offset 0 with
// pread (the file position is left alone). Returns 0 or errno.
int HashOpenFile(int fd, std::string* hex, long long* size);
