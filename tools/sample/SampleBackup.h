// The model of a sample backup being written: the device, the manifest entries
// with their contents, and the extra keys of Manifest.plist. Content producers
// (phone databases, media, encryption) add to or rewrite it before the writer
// turns it into a backup folder (SampleWriter.h).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>
#include <vector>

#include "tools/sample/SampleLinkedFile.h"
#include "tools/sample/SampleOptions.h"
#include "tools/sample/SampleRandom.h"

struct SampleDevice {
    QString displayName;     // also the device name
    QString serialNumber;
    QString phoneNumber;
    QString productVersion;  // e.g. "14.3"
    QString productType;     // e.g. "iPhone12,1"
    QString buildVersion;
    QString imei;
    QString iccid;
    QString guid;            // 32 upper-case hex digits
    QString targetIdentifier;  // 40 hex digits: also the backup folder's name
    QDateTime lastBackupDate;  // UTC, whole seconds
};

struct SampleEntry {
    enum Flags { File = 1, Directory = 2, Symlink = 4 };

    QString domain;
    QString relativePath;
    QByteArray content;          // stored bytes of a file (ciphertext once encrypted)
    int flags = File;
    quint16 mode = 0100644;
    qint64 birth = 0;            // Unix seconds
    qint64 modified = 0;
    qint64 statusChanged = 0;
    int protectionClass = 3;
    QString linkTarget;          // symlinks: an absolute device path
    quint64 inode = 0;
    quint32 userId = 501;
    quint32 groupId = 501;
    qint64 size = -1;            // manifest size; -1 means content.size()
    QByteArray encryptionKey;    // 44 bytes (LE32 class + wrapped key) when encrypted
    QByteArray digest;           // SHA-1 of the plain content (files), or empty
    // Extended attributes of the file (Manifest.mbdb properties).
    QList<QPair<QByteArray, QByteArray>> properties;
    // False: the manifest lists the file but no stored file is written
    // (an interrupted backup).
    bool writeData = true;
    // What goes where the stored file belongs (hostile samples): the content, a
    // link to a copy of the content outside the backup, a link to /dev/zero, a
    // FIFO or a folder.
    enum class Stored { Content, LinkOutside, LinkDevice, Fifo, Folder };
    Stored stored = Stored::Content;
    // Non-empty: the exact bytes the manifest holds for the domain / relative
    // path, which need not be UTF-8; `domain` and `relativePath` then only name
    // the entry inside the model.
    QByteArray rawDomain;
    QByteArray rawRelativePath;

    QByteArray domainBytes() const { return rawDomain.isEmpty() ? domain.toUtf8() : rawDomain; }
    QByteArray relativePathBytes() const
    {
        return rawRelativePath.isEmpty() ? relativePath.toUtf8() : rawRelativePath;
    }

    qint64 manifestSize() const { return size >= 0 ? size : content.size(); }
    // domain + "-" + relative path, as the manifest names it.
    QString manifestName() const;
    // SHA-1 of the manifest name: the stored file's name.
    QString fileId() const;
};

// One file a media catalogue lists: at least 512 bytes whose content the
// file-type judge recognises, under a manifest name one of the media catalogues
// matches; or, under the attachment paths (messages, WhatsApp's shared media),
// any file that is not empty. Tests compare a scan with this list exactly. Other
// files too short or of unknown content, and empty attachments, never go in.
// The media-like files of a hostile sample (AddHostileContent) are not listed,
// and a listed file they replace leaves the list.
struct SampleMedia {
    enum Kind { CameraRoll, PhotoStream, Attachment, AppFile, WhatsApp };
    Kind kind = CameraRoll;
    QString manifestName;
    // As the catalogue shows it. Photo stream: the last path component unchanged.
    // Camera roll: the original name Photos.sqlite gives the file, else the last
    // path component; an edit render "<original's stem> (edited).<ext>"; a later
    // one of two equal names (case ignored, by manifest name) "<stem> (2).<ext>". Others: that component cut at its last "." (kept
    // whole without one), then "." and the recognised extension in upper case:
    // IMG_0042.jpeg holding a JPEG gives IMG_0042.JPG, a QuickTime IMG_0042.MOV.
    // An attachment of another content keeps its last component unchanged.
    QString displayName;
    // App files only: the text after the first "com." (else the first "net.")
    // of the manifest name up to the next "-"; "other" when there is none.
    QString appName;
    qint64 size = 0;
    // Camera roll: in the phone's Recently Deleted album (flagged, listed first).
    bool deleted = false;
};

class SampleBackup {
public:
    explicit SampleBackup(const SampleOptions& options = SampleOptions());

    SampleOptions options;
    SampleRandom random;
    SampleDevice device;
    std::vector<SampleEntry> entries;
    // Keys merged over the writer's own Manifest.plist (BackupKeyBag,
    // ManifestKey, IsEncrypted, Applications ...).
    QVariantMap manifestPlistExtra;
    // Keys merged over the writer's own Info.plist values.
    QVariantMap infoPlistExtra;
    // What stands where Info.plist belongs (planted samples), as for stored files.
    SampleEntry::Stored infoPlistStored = SampleEntry::Stored::Content;
    // Two-character stored-file folders written as links to a copy outside the backup.
    QStringList linkedFolders;
    // Key of Manifest.db chosen by EncryptSampleBackup and used by
    // EncryptSampleManifestDb (SampleContent.h); empty for a plain backup.
    QByteArray manifestDbKey;
    // What AddMediaFiles wrote as recognisable media, in the order written.
    std::vector<SampleMedia> media;
    // Files the phone's databases name (attachments, WhatsApp media), listed by
    // AddPhoneDatabases and written by AddMediaFiles.
    std::vector<SampleLinkedFile> linkedFiles;

    // Each adds the entry (and directory entries for its missing parents) and
    // returns it; the reference is valid until the next add.
    SampleEntry& addFile(const QString& domain, const QString& relativePath,
                         const QByteArray& content, int protectionClass = 3);
    SampleEntry& addDirectory(const QString& domain, const QString& relativePath);
    SampleEntry& addSymlink(const QString& domain, const QString& relativePath,
                            const QString& target);

    // Registers an installed app in Manifest.plist's Applications.
    void addApplication(const QString& bundleId);

    // Index of the entry with this domain and path, or -1.
    int find(const QString& domain, const QString& relativePath) const;

private:
    SampleEntry& append(SampleEntry entry);
    void addParents(const QString& domain, const QString& relativePath);
    QHash<QString, int> m_index;  // manifest name -> entry index
};

// A device description derived from the seed (and the layout's iOS version).
SampleDevice MakeSampleDevice(SampleRandom& random, const SampleOptions& options);
