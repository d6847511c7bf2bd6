#include "tools/sample/SampleWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>
#include <QtEndian>
#include <sys/stat.h>

#include "support/Plist.h"
#include "tools/sample/SampleContent.h"

namespace {

QVariant Uid(qlonglong index)
{
    QVariantMap uid;
    uid.insert(QStringLiteral("CF$UID"), index);
    return uid;
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    file.write(bytes);
    if (!file.commit())
        return Fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

QByteArray Indent(int depth)
{
    return QByteArray(depth, '\t');
}

QByteArray Escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

void AppendXmlValue(QByteArray& out, const QVariant& value, int depth)
{
    const QByteArray pad = Indent(depth);
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (map.isEmpty()) {
            out += pad + "<dict/>\n";
            break;
        }
        out += pad + "<dict>\n";
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            out += Indent(depth + 1) + "<key>" + Escaped(it.key()) + "</key>\n";
            AppendXmlValue(out, it.value(), depth + 1);
        }
        out += pad + "</dict>\n";
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        if (list.isEmpty()) {
            out += pad + "<array/>\n";
            break;
        }
        out += pad + "<array>\n";
        for (const QVariant& item : list)
            AppendXmlValue(out, item, depth + 1);
        out += pad + "</array>\n";
        break;
    }
    case QMetaType::Bool:
        out += pad + (value.toBool() ? "<true/>\n" : "<false/>\n");
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        out += pad + "<integer>" + QByteArray::number(value.toLongLong()) + "</integer>\n";
        break;
    case QMetaType::Double:
        out += pad + "<real>" + QByteArray::number(value.toDouble()) + "</real>\n";
        break;
    case QMetaType::QDateTime:
        out += pad + "<date>" + value.toDateTime().toUTC().toString(Qt::ISODate).toUtf8() + "</date>\n";
        break;
    case QMetaType::QByteArray:
        out += pad + "<data>" + value.toByteArray().toBase64() + "</data>\n";
        break;
    default:
        out += pad + "<string>" + Escaped(value.toString()) + "</string>\n";
        break;
    }
}

void PutU16(QByteArray& out, quint16 v)
{
    char b[2];
    qToBigEndian(v, b);
    out.append(b, 2);
}

void PutU32(QByteArray& out, quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void PutU64(QByteArray& out, quint64 v)
{
    char b[8];
    qToBigEndian(v, b);
    out.append(b, 8);
}

// A length-prefixed mbdb string; a null one is written as 0xFFFF.
void PutString(QByteArray& out, const QByteArray& text, bool absentWhenEmpty)
{
    if (text.isEmpty() && absentWhenEmpty) {
        PutU16(out, 0xFFFF);
        return;
    }
    const QByteArray cut = text.left(0xFFFE);
    PutU16(out, quint16(cut.size()));
    out.append(cut);
}

// Puts a link, FIFO or folder at `path` instead of `content`. The copy a link points
// out to is `outsideCopy`.
bool PlaceOddFile(SampleEntry::Stored stored, const QByteArray& content, const QString& path,
                  const QString& outsideCopy, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    bool ok = false;
    switch (stored) {
    case SampleEntry::Stored::LinkOutside:
        ok = QDir().mkpath(QFileInfo(outsideCopy).path()) && WriteWholeFile(outsideCopy, content, error)
            && QFile::link(outsideCopy, path);
        break;
    case SampleEntry::Stored::LinkDevice:
        ok = QFile::link(QStringLiteral("/dev/zero"), path);
        break;
    case SampleEntry::Stored::Fifo:
        ok = ::mkfifo(native.constData(), 0644) == 0;
        break;
    case SampleEntry::Stored::Folder:
        ok = QDir().mkdir(path);
        break;
    case SampleEntry::Stored::Content:
        break;
    }
    return ok || Fail(error, QStringLiteral("cannot place the odd file %1").arg(path));
}

} // namespace

QVariantMap SampleInfoPlistValues(const SampleBackup& backup)
{
    const SampleDevice& d = backup.device;
    QVariantMap v;
    v.insert(QStringLiteral("Applications"), QVariantMap());
    v.insert(QStringLiteral("Build Version"), d.buildVersion);
    v.insert(QStringLiteral("Device Name"), d.displayName);
    v.insert(QStringLiteral("Display Name"), d.displayName);
    v.insert(QStringLiteral("GUID"), d.guid);
    v.insert(QStringLiteral("ICCID"), d.iccid);
    v.insert(QStringLiteral("IMEI"), d.imei);
    QVariantList installed;
    for (const QString& id : backup.manifestPlistExtra.value(QStringLiteral("Applications")).toMap().keys())
        installed << id;
    v.insert(QStringLiteral("Installed Applications"), installed);
    v.insert(QStringLiteral("Last Backup Date"), d.lastBackupDate);
    v.insert(QStringLiteral("Phone Number"), d.phoneNumber);
    v.insert(QStringLiteral("Product Name"), QStringLiteral("iPhone"));
    v.insert(QStringLiteral("Product Type"), d.productType);
    v.insert(QStringLiteral("Product Version"), d.productVersion);
    v.insert(QStringLiteral("Serial Number"), d.serialNumber);
    v.insert(QStringLiteral("Target Identifier"), d.targetIdentifier);
    v.insert(QStringLiteral("Target Type"), QStringLiteral("Device"));
    v.insert(QStringLiteral("Unique Identifier"), d.targetIdentifier.toUpper());
    v.insert(QStringLiteral("iTunes Files"), QVariantMap());
    QVariantMap settings;
    settings.insert(QStringLiteral("LibraryApplications"), QVariantList());
    v.insert(QStringLiteral("iTunes Settings"), settings);
    v.insert(QStringLiteral("iTunes Version"), QStringLiteral("12.9.2.5"));
    for (auto it = backup.infoPlistExtra.constBegin(); it != backup.infoPlistExtra.constEnd(); ++it)
        v.insert(it.key(), it.value());
    return v;
}

QByteArray BuildInfoPlistXml(const QVariantMap& values)
{
    QByteArray out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";
    out += "<plist version=\"1.0\">\n";
    AppendXmlValue(out, values, 0);
    out += "</plist>\n";
    return out;
}

QVariantMap SampleManifestPlistValues(const SampleBackup& backup)
{
    const SampleDevice& d = backup.device;
    const bool isNew = backup.options.layout == SampleOptions::Layout::New;
    QVariantMap lockdown;
    lockdown.insert(QStringLiteral("BuildVersion"), d.buildVersion);
    lockdown.insert(QStringLiteral("DeviceName"), d.displayName);
    lockdown.insert(QStringLiteral("ProductType"), d.productType);
    lockdown.insert(QStringLiteral("ProductVersion"), d.productVersion);
    lockdown.insert(QStringLiteral("SerialNumber"), d.serialNumber);
    lockdown.insert(QStringLiteral("UniqueDeviceID"), d.targetIdentifier);
    QVariantMap v;
    v.insert(QStringLiteral("Applications"), QVariantMap());
    v.insert(QStringLiteral("Date"), d.lastBackupDate);
    v.insert(QStringLiteral("IsEncrypted"), false);
    v.insert(QStringLiteral("Lockdown"), lockdown);
    v.insert(QStringLiteral("SystemDomainsVersion"), isNew ? QStringLiteral("24.0") : QStringLiteral("20.0"));
    v.insert(QStringLiteral("Version"), isNew ? QStringLiteral("10.0") : QStringLiteral("9.1"));
    v.insert(QStringLiteral("WasPasscodeSet"), false);
    for (auto it = backup.manifestPlistExtra.constBegin(); it != backup.manifestPlistExtra.constEnd(); ++it)
        v.insert(it.key(), it.value());
    return v;
}

QVariantMap SampleStatusPlistValues(const SampleBackup& backup)
{
    const bool isNew = backup.options.layout == SampleOptions::Layout::New;
    QVariantMap v;
    v.insert(QStringLiteral("BackupState"), QStringLiteral("new"));
    v.insert(QStringLiteral("Date"), backup.device.lastBackupDate);
    v.insert(QStringLiteral("IsFullBackup"), false);
    v.insert(QStringLiteral("SnapshotState"), QStringLiteral("finished"));
    v.insert(QStringLiteral("UUID"), backup.device.guid);
    v.insert(QStringLiteral("Version"), isNew ? QStringLiteral("3.3") : QStringLiteral("2.4"));
    return v;
}

QByteArray BuildManifestMbdb(const SampleBackup& backup)
{
    QByteArray out;
    out.reserve(int(backup.entries.size()) * 160 + 6);
    out.append("mbdb\x05\x00", 6);
    for (const SampleEntry& e : backup.entries) {
        PutString(out, e.domainBytes(), false);
        PutString(out, e.relativePathBytes(), false);
        PutString(out, e.linkTarget.toUtf8(), true);
        PutString(out, e.flags == SampleEntry::File ? e.digest : QByteArray(), true);
        PutString(out, e.encryptionKey, true);
        PutU16(out, e.mode);
        PutU64(out, e.inode);
        PutU32(out, e.userId);
        PutU32(out, e.groupId);
        PutU32(out, quint32(e.modified));
        PutU32(out, quint32(e.modified));
        PutU32(out, quint32(e.statusChanged));
        PutU64(out, quint64(e.manifestSize()));
        out.append(char(e.protectionClass));
        const int count = qMin(int(e.properties.size()), 255);
        out.append(char(count));
        for (int i = 0; i < count; ++i) {
            PutString(out, e.properties.at(i).first, false);
            PutString(out, e.properties.at(i).second, false);
        }
    }
    return out;
}

QByteArray BuildMBFileBlob(const SampleEntry& e)
{
    QVariantList objects;
    objects << QStringLiteral("$null");
    QVariantMap file;
    objects << QVariant();  // the MBFile itself, filled below
    file.insert(QStringLiteral("RelativePath"), Uid(objects.size()));
    objects << e.relativePath;
    if (e.flags == SampleEntry::Symlink) {
        file.insert(QStringLiteral("Target"), Uid(objects.size()));
        objects << e.linkTarget;
    }
    if (e.flags == SampleEntry::File && !e.digest.isEmpty() && e.inode % 2 == 0) {
        file.insert(QStringLiteral("Digest"), Uid(objects.size()));
        objects << e.digest;
    }
    qlonglong dataClass = -1;
    if (!e.encryptionKey.isEmpty()) {
        file.insert(QStringLiteral("EncryptionKey"), Uid(objects.size()));
        QVariantMap key;
        key.insert(QStringLiteral("NS.data"), e.encryptionKey);
        objects << key;  // its $class is set once the class object exists
        dataClass = objects.size() - 1;
    }
    file.insert(QStringLiteral("Birth"), qlonglong(e.birth));
    file.insert(QStringLiteral("Flags"), qlonglong(0));
    file.insert(QStringLiteral("GroupID"), qlonglong(e.groupId));
    file.insert(QStringLiteral("InodeNumber"), qlonglong(e.inode));
    file.insert(QStringLiteral("LastModified"), qlonglong(e.modified));
    file.insert(QStringLiteral("LastStatusChange"), qlonglong(e.statusChanged));
    file.insert(QStringLiteral("Mode"), qlonglong(e.mode));
    file.insert(QStringLiteral("ProtectionClass"), qlonglong(e.protectionClass));
    file.insert(QStringLiteral("Size"), qlonglong(e.flags == SampleEntry::File ? e.manifestSize() : 0));
    file.insert(QStringLiteral("UserID"), qlonglong(e.userId));
    file.insert(QStringLiteral("$class"), Uid(objects.size()));
    QVariantMap mbClass;
    mbClass.insert(QStringLiteral("$classname"), QStringLiteral("MBFile"));
    mbClass.insert(QStringLiteral("$classes"), QVariantList{QStringLiteral("MBFile"), QStringLiteral("NSObject")});
    objects << mbClass;
    if (dataClass >= 0) {
        QVariantMap key = objects.at(dataClass).toMap();
        key.insert(QStringLiteral("$class"), Uid(objects.size()));
        objects[dataClass] = key;
        QVariantMap dataClassDef;
        dataClassDef.insert(QStringLiteral("$classname"), QStringLiteral("NSMutableData"));
        dataClassDef.insert(QStringLiteral("$classes"),
                            QVariantList{QStringLiteral("NSMutableData"), QStringLiteral("NSData"),
                                         QStringLiteral("NSObject")});
        objects << dataClassDef;
    }
    objects[1] = file;

    QVariantMap top;
    top.insert(QStringLiteral("root"), Uid(1));
    QVariantMap archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver"));
    archive.insert(QStringLiteral("$objects"), objects);
    archive.insert(QStringLiteral("$top"), top);
    archive.insert(QStringLiteral("$version"), qlonglong(100000));
    return WritePlist(archive, true);
}

bool WriteManifestDb(const SampleBackup& backup, const QString& path, QString* error)
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("sample_manifest_%1").arg(counter.fetchAndAddRelaxed(1));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            Fail(error, QStringLiteral("cannot create %1: %2").arg(path, db.lastError().text()));
        } else {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("PRAGMA journal_mode=WAL"))
                && q.exec(QStringLiteral("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, "
                                         "relativePath TEXT, flags INTEGER, file BLOB)"))
                && q.exec(QStringLiteral("CREATE INDEX FilesDomainIdx ON Files(domain)"))
                && q.exec(QStringLiteral("CREATE INDEX FilesRelativePathIdx ON Files(relativePath)"))
                && q.exec(QStringLiteral("CREATE INDEX FilesFlagsIdx ON Files(flags)"))
                && q.exec(QStringLiteral("CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)"))
                && db.transaction();
            if (ok) {
                // CAST keeps text text, and stores raw bytes (not always UTF-8) as text too.
                ok = q.prepare(QStringLiteral("INSERT INTO Files (fileID, domain, relativePath, flags, file) "
                                              "VALUES (?, CAST(? AS TEXT), CAST(? AS TEXT), ?, ?)"));
                for (size_t i = 0; ok && i < backup.entries.size(); ++i) {
                    const SampleEntry& e = backup.entries[i];
                    q.addBindValue(e.fileId());
                    q.addBindValue(e.rawDomain.isEmpty() ? QVariant(e.domain) : QVariant(e.rawDomain));
                    q.addBindValue(e.rawRelativePath.isEmpty() ? QVariant(e.relativePath)
                                                               : QVariant(e.rawRelativePath));
                    q.addBindValue(e.flags);
                    q.addBindValue(BuildMBFileBlob(e));
                    ok = q.exec();
                }
                ok = ok && db.commit();
            }
            if (!ok)
                Fail(error, QStringLiteral("cannot fill %1: %2").arg(path, q.lastError().text()));
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool WriteStoredFiles(const SampleBackup& backup, const QString& backupDir, QString* error)
{
    const bool twoLevel = backup.options.layout == SampleOptions::Layout::New;
    QSet<QString> madeDirs;
    for (const SampleEntry& e : backup.entries) {
        if (e.flags != SampleEntry::File || !e.writeData)
            continue;
        const QString id = e.fileId();
        QString dir = backupDir;
        if (twoLevel) {
            dir += QLatin1Char('/') + id.left(2);
            if (!madeDirs.contains(dir)) {
                // A linked folder: its files go to a copy outside, reached through the link.
                const QString outside = backupDir + QStringLiteral(".outside/") + id.left(2);
                const bool linked = backup.linkedFolders.contains(id.left(2));
                if (!QDir().mkpath(linked ? outside : dir) || (linked && !QFile::link(outside, dir)))
                    return Fail(error, QStringLiteral("cannot create %1").arg(dir));
                madeDirs.insert(dir);
            }
        }
        const QString path = dir + QLatin1Char('/') + id;
        if (e.stored != SampleEntry::Stored::Content) {
            if (!PlaceOddFile(e.stored, e.content, path, backupDir + QStringLiteral(".outside/") + id, error))
                return false;
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(e.content) != e.content.size()) {
            return Fail(error, QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
        }
    }
    return true;
}

bool WriteSampleBackup(SampleBackup& backup, const QString& destRoot, QString* backupDir, QString* error)
{
    const QString dir = QDir(destRoot).absoluteFilePath(backup.device.targetIdentifier);
    if (QFileInfo::exists(dir))
        return Fail(error, QStringLiteral("%1 already exists").arg(dir));
    const bool encrypted = !backup.options.password.isEmpty();
    if (encrypted && !EncryptSampleBackup(backup, error))
        return false;
    if (!QDir().mkpath(dir))
        return Fail(error, QStringLiteral("cannot create %1").arg(dir));

    const QVariantMap info = SampleInfoPlistValues(backup);
    const QByteArray infoBytes = backup.options.binaryInfo ? WritePlist(info, true) : BuildInfoPlistXml(info);
    const QString infoPath = dir + QStringLiteral("/Info.plist");
    const bool infoWritten = backup.infoPlistStored == SampleEntry::Stored::Content
        ? WriteWholeFile(infoPath, infoBytes, error)
        : PlaceOddFile(backup.infoPlistStored, infoBytes, infoPath, dir + QStringLiteral(".outside/Info.plist"), error);
    if (!infoWritten
        || !WriteWholeFile(dir + QStringLiteral("/Manifest.plist"),
                           WritePlist(SampleManifestPlistValues(backup), true), error)
        || !WriteWholeFile(dir + QStringLiteral("/Status.plist"),
                           WritePlist(SampleStatusPlistValues(backup), true), error)) {
        return false;
    }
    if (backup.options.layout == SampleOptions::Layout::New) {
        const QString manifest = dir + QStringLiteral("/Manifest.db");
        if (!WriteManifestDb(backup, manifest, error))
            return false;
        if (encrypted && !EncryptSampleManifestDb(backup, manifest, error))
            return false;
    } else if (!WriteWholeFile(dir + QStringLiteral("/Manifest.mbdb"), BuildManifestMbdb(backup), error)) {
        return false;
    }
    if (!WriteStoredFiles(backup, dir, error))
        return false;
    if (backupDir)
        *backupDir = dir;
    return true;
}
