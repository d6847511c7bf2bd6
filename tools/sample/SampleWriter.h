// Turns a SampleBackup model into a backup folder. Each piece is exposed so
// tests can build a single file (a manifest to damage, an Info.plist to vary).
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include "tools/sample/SampleBackup.h"

// Info.plist values (device description merged with infoPlistExtra).
QVariantMap SampleInfoPlistValues(const SampleBackup& backup);
// Info.plist as XML, one element per line, keys sorted as the phone writes them.
QByteArray BuildInfoPlistXml(const QVariantMap& values);
QVariantMap SampleManifestPlistValues(const SampleBackup& backup);
QVariantMap SampleStatusPlistValues(const SampleBackup& backup);

// The binary Manifest.mbdb of all entries.
QByteArray BuildManifestMbdb(const SampleBackup& backup);
// The NSKeyedArchiver MBFile property list of one entry (Manifest.db `file`).
QByteArray BuildMBFileBlob(const SampleEntry& entry);
// Writes Manifest.db (tables Files and Properties, WAL mode as on a phone).
bool WriteManifestDb(const SampleBackup& backup, const QString& path, QString* error);
// Writes each file entry's content under its stored name.
bool WriteStoredFiles(const SampleBackup& backup, const QString& backupDir, QString* error);

// Writes the backup folder destRoot/<targetIdentifier>: Info.plist,
// Manifest.plist, Status.plist, the manifest of the layout and the stored
// files. With options.password set, encrypts first (SampleContent.h). Refuses
// to write into a folder that already exists. *backupDir gets the folder.
bool WriteSampleBackup(SampleBackup& backup, const QString& destRoot, QString* backupDir, QString* error);
