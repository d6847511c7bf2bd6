// Hands fuzz input to readers that take a path: one memory-backed file whose
// content is replaced per input, reached through /proc/self/fd.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

class CFuzzFile {
public:
    CFuzzFile() : m_nFd(memfd_create("quillmere-fuzz", MFD_CLOEXEC)) {}
    ~CFuzzFile() { if (m_nFd >= 0) close(m_nFd); }
    CFuzzFile(const CFuzzFile&) = delete;
    CFuzzFile& operator=(const CFuzzFile&) = delete;

    // Path of the file now holding exactly `data`.
    std::string Hold(const uint8_t* data, size_t size)
    {
        if (m_nFd < 0 || ftruncate(m_nFd, 0) != 0)
            __builtin_trap();
        for (size_t done = 0; done < size;) {
            const ssize_t n = pwrite(m_nFd, data + done, size - done, off_t(done));
            if (n <= 0)
                __builtin_trap();
            done += size_t(n);
        }
        return "/proc/self/fd/" + std::to_string(m_nFd);
    }

private:
    int m_nFd;
};
