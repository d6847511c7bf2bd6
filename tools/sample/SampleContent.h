// Producers of a sample backup's content, called by GenerateSampleBackup in
// this order: AddPhoneDatabases, AddMediaFiles, (hostile samples)
// AddHostileContent, filler entries up to the scale's entry count, then (with a password) EncryptSampleBackup before the
// folder is written and EncryptSampleManifestDb after Manifest.db is written.
#pragma once

#include <QString>

#include "tools/sample/SampleBackup.h"

// The phone's databases (messages, contacts, calls, notes, WhatsApp) under
// their manifest names, with realistic schemas and rows for the scale.
void AddPhoneDatabases(SampleBackup& backup, const SampleOptions& options);

// Camera roll, photo stream, message attachments, app files and WhatsApp media
// with real content for the scale.
void AddMediaFiles(SampleBackup& backup, const SampleOptions& options);

// With options.hostile: hostile names in the manifest, the apps and the phone's
// databases; stored files that are links (to a copy outside the backup holding
// SampleOutsideMarker(), to /dev/zero), FIFOs, folders or empty; a truncated and a
// corrupt database; values of the wrong type, huge text, impossible dates.
void AddHostileContent(SampleBackup& backup);
// With options.planted: the shape that stalls a listing or scan of the whole backup.
void AddPlantedShape(SampleBackup& backup);
// Bytes found only in what hostile links point to outside the backup: an export
// or a scan that shows them has read through a link.
QByteArray SampleOutsideMarker();

// Turns the model into an encrypted backup before it is written:
// - each File entry's `content` becomes its ciphertext (its `size` keeps the
//   plain size) and `encryptionKey` holds LE32(class) + the wrapped file key,
//   with `protectionClass` matching;
// - BackupKeyBag, ManifestKey and IsEncrypted=true go into manifestPlistExtra;
// - the key Manifest.db will be encrypted with goes into manifestDbKey.
// Directory and symlink entries are left alone. Uses options.password and
// options.iterations. False with *error set on failure.
bool EncryptSampleBackup(SampleBackup& backup, QString* error);

// Replaces the plain Manifest.db just written at `manifestDbPath` with its
// ciphertext under backup.manifestDbKey (new layout only; an old-layout
// Manifest.mbdb stays plain). False with *error set on failure.
bool EncryptSampleManifestDb(const SampleBackup& backup, const QString& manifestDbPath, QString* error);
