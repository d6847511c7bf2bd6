// AES-256-CBC (zero IV, PKCS#7) decryption of one stored file, streamed in chunks so
// that memory does not grow with the file. The real length is the ciphertext minus
// its padding; the manifest's size is never used to cut the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include <sys/types.h>

#include <QByteArray>
#include <QString>

#include "support/SafeFile.h"

struct DECRYPT_RESULT {
    enum Status {
        Ok,
        BadPadding,     // written, last block kept as it decrypted
        PartialBlock,   // written, trailing bytes short of a block dropped
        EmptyInput,     // written as an empty file
        BadKey,
        OpenFailed,
        NotRegularFile,
        ReadFailed,
        WriteFailed,
    };
    Status nStatus = Ok;
    qint64 nPlainSize = 0;
    qint64 nCipherSize = 0;
    QString strMessage;

    // True when an output was written (possibly with a warning).
    bool Written() const { return nStatus <= EmptyInput; }
};

// Incremental CBC decryption that holds back the last block until the end, so the
// padding can be checked and stripped without knowing the length in advance.
class CCbcDecryptStream {
public:
    using Sink = std::function<bool(const uint8_t* data, size_t len)>;

    CCbcDecryptStream();
    ~CCbcDecryptStream();
    CCbcDecryptStream(const CCbcDecryptStream&) = delete;
    CCbcDecryptStream& operator=(const CCbcDecryptStream&) = delete;

    bool Begin(const QByteArray& key);
    // Feeds ciphertext of any length; plaintext goes to the sink as it is ready.
    bool Update(const uint8_t* data, size_t len, const Sink& sink);
    // Ends the stream: strips valid padding and reports what was found.
    DECRYPT_RESULT::Status Finish(const Sink& sink, qint64* plainSize);

private:
    struct evp_cipher_ctx_st* m_pCtx = nullptr;
    QByteArray m_buffer;       // [held-back block][fresh plaintext]
    bool m_bHeld = false;
    qint64 m_nCipherBytes = 0;
    qint64 m_nPlainBytes = 0;
};

// One per thread: the cipher context and the buffers serve file after file.
class CFileDecryptor {
public:
    explicit CFileDecryptor(size_t chunkBytes = 1 << 20);

    // Decrypts inPath into outPath (created 0600, replacing an existing file, never
    // through a symbolic link). A failed run leaves no output behind.
    DECRYPT_RESULT DecryptFile(const QString& inPath, const QString& outPath, const QByteArray& key);

    // The same for a stored file opened with OpenBackupFile (`inFd`, closed here, of
    // `inSize` bytes when opened: reading ends there), into `outName` inside the folder
    // `outDir` (a descriptor, or AT_FDCWD for a path).
    DECRYPT_RESULT DecryptOpenFile(int inFd, off_t inSize, int outDir, const char* outName, const QByteArray& key);

    // What DecryptFile reports for a stored file OpenBackupFile refused with `err`.
    static DECRYPT_RESULT OpenFailure(int err);

    // The two-character folders this decryptor has opened, for OpenBackupFile.
    BackupFolderHandles& Folders() { return m_folders; }

    // The same on a buffer in memory (manifests, fuzzing).
    static DECRYPT_RESULT DecryptBuffer(const uint8_t* data, size_t len, const QByteArray& key, QByteArray* out);

private:
    CCbcDecryptStream m_stream;
    QByteArray m_readBuffer;
    QByteArray m_writeBuffer;      // a small file's plaintext leaves in one write
    mode_t m_nCreationMask = 0777; // the process's umask when this decryptor was made
    // A run decrypts thousands of files from the same 256 folders.
    BackupFolderHandles m_folders;
};
