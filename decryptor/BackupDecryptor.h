// Decrypts an encrypted backup into a working folder, or only checks its password.
// Writes nothing but the files in the working folder and the decrypted manifest
// "Manifest.db-decypted" beside Manifest.db.
#pragma once

#include <cstddef>
#include <functional>

#include <QByteArray>
#include <QString>

#include "decryptor/DecryptJobs.h"
#include "engine/DecryptorRun.h"  // the exit codes

struct DECRYPTOR_OPTIONS {
    QString strBackupDir;
    QString strWorkDir;
    QByteArray password;          // UTF-8 bytes; wiped by the caller
    bool bCheckOnly = false;
    int nThreads = 2;
    size_t nChunkBytes = size_t(1) << 20;
    // Which entries to decrypt; empty means those the engine reads.
    DecryptEntryFilter filter;
};

// Prints its lines through `sink` and returns a DecryptorExit code.
int RunBackupDecryptor(const DECRYPTOR_OPTIONS& options, const CDecryptProgress::LineSink& sink);

// Name of the decrypted manifest beside Manifest.db (the engine reads it there).
inline constexpr char g_szDecryptedManifestName[] = "Manifest.db-decypted";
