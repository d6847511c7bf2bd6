#include "tools/sample/SampleGenerator.h"

#include "support/Plist.h"
#include "tools/sample/SampleContent.h"
#include "tools/sample/SampleWriter.h"

namespace {

const QStringList& SystemDomains()
{
    static const QStringList domains = {
        QStringLiteral("HomeDomain"), QStringLiteral("MediaDomain"), QStringLiteral("RootDomain"),
        QStringLiteral("SystemPreferencesDomain"), QStringLiteral("KeychainDomain"),
        QStringLiteral("WirelessDomain"), QStringLiteral("ManagedPreferencesDomain"),
        QStringLiteral("DatabaseDomain"),
    };
    return domains;
}

const QStringList& FillerApps()
{
    static const QStringList apps = {
        QStringLiteral("com.example.weather"), QStringLiteral("com.example.maps"),
        QStringLiteral("net.example.reader"), QStringLiteral("com.example.fitness"),
        QStringLiteral("org.example.podcasts"), QStringLiteral("com.example.banking"),
    };
    return apps;
}

const QStringList& Words()
{
    static const QStringList words = {
        QStringLiteral("Caches"), QStringLiteral("Preferences"), QStringLiteral("Cookies"),
        QStringLiteral("WebKit"), QStringLiteral("Logs"), QStringLiteral("Snapshots"),
        QStringLiteral("Application Support"), QStringLiteral("SyncedPreferences"),
        QStringLiteral("Keyboard"), QStringLiteral("Accounts"), QStringLiteral("Safari"),
    };
    return words;
}

// Names a phone may well hold that break careless path handling.
const QStringList& HostileNames()
{
    static const QStringList names = {
        QStringLiteral("Résumé final.txt"), QStringLiteral("naïve café ☕.json"),
        QStringLiteral("party 🎉 plan.plist"), QStringLiteral("semi;colon & \"quotes\".txt"),
        QStringLiteral("back\\slash.dat"), QStringLiteral("..."), QStringLiteral(" leading space"),
        QStringLiteral("<script>alert(1)</script>.html"), QStringLiteral("percent %s %n.txt"),
    };
    return names;
}

QByteArray SmallPlist(SampleRandom& random)
{
    QVariantMap prefs;
    prefs.insert(QStringLiteral("LastLaunch"), qlonglong(random.range(1500000000, 1600000000)));
    prefs.insert(QStringLiteral("Enabled"), random.chance(0.5));
    prefs.insert(QStringLiteral("Identifier"), random.hex(16));
    return WritePlist(prefs, true);
}

} // namespace

void AddFillerEntries(SampleBackup& backup, int target)
{
    SampleRandom& r = backup.random;
    int serial = 0;
    while (int(backup.entries.size()) < target) {
        ++serial;
        const bool inApp = r.chance(0.4);
        const QString domain = inApp ? QStringLiteral("AppDomain-") + r.pick(FillerApps())
                                     : r.pick(SystemDomains());
        // One draw per statement: argument order is unspecified in C++.
        const QString outer = r.pick(Words());
        const QString inner = r.pick(Words());
        const QString folder = QStringLiteral("Library/%1/%2%3").arg(outer, inner).arg(serial / 40);
        const qint64 kind = r.range(0, 99);
        if (kind < 55) {
            backup.addDirectory(domain, folder + QStringLiteral("/d%1").arg(serial));
        } else if (kind < 60) {
            backup.addSymlink(domain, folder + QStringLiteral("/link%1").arg(serial),
                              QStringLiteral("/private/var/mobile/%1/target%2").arg(r.pick(Words())).arg(serial));
        } else {
            QString name = QStringLiteral("item%1.plist").arg(serial);
            if (backup.options.unusualNames && r.chance(0.02))
                name = QStringLiteral("%1 %2").arg(serial).arg(r.pick(HostileNames()));
            // Most system files are tiny; many are empty (no disk blocks).
            QByteArray content;
            if (r.chance(0.6))
                content = SmallPlist(r);
            SampleEntry& e = backup.addFile(domain, folder + QLatin1Char('/') + name, content,
                                            int(r.range(1, 4)));
            if (r.chance(0.1)) {
                const int count = int(r.range(1, 3));
                for (int i = 0; i < count; ++i) {
                    e.properties.append({QByteArrayLiteral("com.apple.metadata:kMDItem") + QByteArray::number(i),
                                         r.bytes(int(r.range(0, 24)))});
                }
            }
        }
    }
}

SampleBackup BuildSampleBackup(const SampleOptions& options)
{
    SampleBackup backup(options);
    AddPhoneDatabases(backup, options);
    AddMediaFiles(backup, options);
    if (options.hostile)
        AddHostileContent(backup);
    if (options.planted != SampleOptions::Planted::None)
        AddPlantedShape(backup);
    AddFillerEntries(backup, SampleTargetEntryCount(options.scale));
    return backup;
}

bool GenerateSampleBackup(const SampleOptions& options, const QString& destRoot,
                          QString* backupDir, QString* error)
{
    SampleBackup backup = BuildSampleBackup(options);
    return WriteSampleBackup(backup, destRoot, backupDir, error);
}
