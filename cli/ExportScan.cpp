#include "cli/ExportScan.h"

#include <memory>

#include <QStringList>

#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"

int ScanForExport(CIphoneBackupFile& engine, const QString& scanFolder, ExportScanData& d,
                  int (*progress)(void*, int), void* context, int* scanResult)
{
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    parse->InitCallback(progress, context);
    return RunEngineScan(engine, parse.get(), scanFolder, d, nullptr, scanResult);
}

bool ManifestUnreadable(const CIphoneBackupFile& engine, int scanResult)
{
    return scanResult != 0 && engine.m_vecManifest.empty();
}

const QStringList& ScanCategoryKeys()
{
    static const QStringList keys = [] {
        QStringList all;
        for (int c = 0; c < CATEGORY_COUNT; ++c) {
            const CATEGORY_INFO* info = CategoryInfo(c);
            all << QString::fromLatin1(info->szKey);
            if (info->szMessageKey)
                all << QString::fromLatin1(info->szMessageKey);
        }
        return all;
    }();
    return keys;
}

namespace {
template <typename Chats>
qint64 MessageCount(const Chats& chats)
{
    qint64 count = 0;
    for (const auto& chat : chats)
        count += qint64(chat.second.size());
    return count;
}
} // namespace

QJsonObject ScanCategoryCounts(const ExportScanData& d)
{
    QJsonObject counts;
    for (int c = 0; c < CATEGORY_COUNT; ++c) {
        const CATEGORY_INFO* info = CategoryInfo(c);
        counts.insert(QString::fromLatin1(info->szKey), qint64(ScanCategoryCount(d, c)));
    }
    counts.insert(QString::fromLatin1(CategoryInfo(CATEGORY_MESSAGE)->szMessageKey), MessageCount(d.mapMessage));
    counts.insert(QString::fromLatin1(CategoryInfo(CATEGORY_WHATSAPP)->szMessageKey), MessageCount(d.mapWhatsapp));
    return counts;
}
