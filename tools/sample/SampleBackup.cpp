#include "tools/sample/SampleBackup.h"

#include <QCryptographicHash>
#include <algorithm>

QString SampleEntry::manifestName() const
{
    return domain + QLatin1Char('-') + relativePath;
}

QString SampleEntry::fileId() const
{
    return QString::fromLatin1(
        QCryptographicHash::hash(domainBytes() + '-' + relativePathBytes(), QCryptographicHash::Sha1).toHex());
}

SampleBackup::SampleBackup(const SampleOptions& opts)
    : options(opts)
    , random(opts.seed)
{
    device = MakeSampleDevice(random, options);
}

SampleEntry& SampleBackup::append(SampleEntry entry)
{
    const qint64 backupTime = device.lastBackupDate.toSecsSinceEpoch();
    if (entry.modified == 0) {
        entry.birth = backupTime - random.range(86400, 3 * 365 * 86400);
        entry.modified = entry.birth + random.range(0, backupTime - entry.birth);
        entry.statusChanged = entry.modified;
    }
    entry.inode = 100000 + entries.size() * 7 + random.range(0, 6);
    const QString key = entry.manifestName();
    const auto found = m_index.constFind(key);
    if (found != m_index.constEnd()) {
        // Replacing keeps one entry per name, as in a real manifest; a media
        // record of the old content no longer holds.
        entries[size_t(*found)] = entry;
        media.erase(std::remove_if(media.begin(), media.end(),
                                   [&](const SampleMedia& m) { return m.manifestName == key; }),
                    media.end());
        return entries[size_t(*found)];
    }
    m_index.insert(key, int(entries.size()));
    entries.push_back(entry);
    return entries.back();
}

void SampleBackup::addParents(const QString& domain, const QString& relativePath)
{
    if (!m_index.contains(domain + QLatin1Char('-'))) {
        SampleEntry root;
        root.domain = domain;
        root.flags = SampleEntry::Directory;
        root.mode = 040755;
        root.protectionClass = 0;
        append(root);
    }
    int slash = relativePath.indexOf(QLatin1Char('/'));
    while (slash > 0) {
        const QString parent = relativePath.left(slash);
        if (!m_index.contains(domain + QLatin1Char('-') + parent)) {
            SampleEntry dir;
            dir.domain = domain;
            dir.relativePath = parent;
            dir.flags = SampleEntry::Directory;
            dir.mode = 040755;
            dir.protectionClass = int(random.range(0, 1)) * 3;
            append(dir);
        }
        slash = relativePath.indexOf(QLatin1Char('/'), slash + 1);
    }
}

SampleEntry& SampleBackup::addFile(const QString& domain, const QString& relativePath,
                                   const QByteArray& content, int protectionClass)
{
    addParents(domain, relativePath);
    SampleEntry entry;
    entry.domain = domain;
    entry.relativePath = relativePath;
    entry.content = content;
    entry.flags = SampleEntry::File;
    entry.mode = 0100644;
    entry.protectionClass = protectionClass;
    entry.digest = QCryptographicHash::hash(content, QCryptographicHash::Sha1);
    return append(entry);
}

SampleEntry& SampleBackup::addDirectory(const QString& domain, const QString& relativePath)
{
    addParents(domain, relativePath);
    SampleEntry entry;
    entry.domain = domain;
    entry.relativePath = relativePath;
    entry.flags = SampleEntry::Directory;
    entry.mode = 040755;
    entry.protectionClass = 3;
    return append(entry);
}

SampleEntry& SampleBackup::addSymlink(const QString& domain, const QString& relativePath,
                                      const QString& target)
{
    addParents(domain, relativePath);
    SampleEntry entry;
    entry.domain = domain;
    entry.relativePath = relativePath;
    entry.flags = SampleEntry::Symlink;
    entry.mode = 0120755;
    entry.protectionClass = 0;
    entry.linkTarget = target;
    return append(entry);
}

void SampleBackup::addApplication(const QString& bundleId)
{
    QVariantMap apps = manifestPlistExtra.value(QStringLiteral("Applications")).toMap();
    QVariantMap app;
    app.insert(QStringLiteral("CFBundleIdentifier"), bundleId);
    app.insert(QStringLiteral("CFBundleVersion"), QStringLiteral("%1.%2").arg(random.range(1, 40)).arg(random.range(0, 9)));
    app.insert(QStringLiteral("ContainerContentClass"), QStringLiteral("Data/Application"));
    app.insert(QStringLiteral("Path"), QStringLiteral("/var/containers/Bundle/Application/%1/App.app")
                                          .arg(random.hex(32).toUpper()));
    apps.insert(bundleId, app);
    manifestPlistExtra.insert(QStringLiteral("Applications"), apps);
}

int SampleBackup::find(const QString& domain, const QString& relativePath) const
{
    return m_index.value(domain + QLatin1Char('-') + relativePath, -1);
}

SampleDevice MakeSampleDevice(SampleRandom& random, const SampleOptions& options)
{
    static const QStringList owners = {
        QStringLiteral("Alice"), QStringLiteral("Bruno"), QStringLiteral("Chloé"),
        QStringLiteral("Dmitri"), QStringLiteral("Eilidh"), QStringLiteral("Farah"),
    };
    SampleDevice d;
    const QString owner = random.pick(owners);
    d.displayName = options.unusualNames ? owner + QStringLiteral(" & Zoë’s iPhone <3 \U0001F4F1")
                                    : owner + QStringLiteral("’s iPhone");
    d.serialNumber = random.alnum(12);
    d.phoneNumber = QStringLiteral("+44 7700 900%1").arg(random.range(0, 999), 3, 10, QLatin1Char('0'));
    if (options.layout == SampleOptions::Layout::New) {
        d.productVersion = QStringLiteral("14.3");
        d.productType = QStringLiteral("iPhone12,1");
        d.buildVersion = QStringLiteral("18C66");
    } else {
        d.productVersion = QStringLiteral("9.3.5");
        d.productType = QStringLiteral("iPhone7,2");
        d.buildVersion = QStringLiteral("13G36");
    }
    d.imei = QString::number(random.range(350000000000000LL, 359999999999999LL));
    d.iccid = QStringLiteral("8944") + QString::number(random.range(100000000000000LL, 999999999999999LL));
    d.guid = random.hex(32).toUpper();
    d.targetIdentifier = random.hex(40);
    const QDateTime base(QDate(2019, 5, 4), QTime(10, 40, 12), Qt::UTC);
    d.lastBackupDate = base.addSecs(random.range(0, 600LL * 86400));
    return d;
}
