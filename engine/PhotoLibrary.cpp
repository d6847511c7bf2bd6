#include "engine/PhotoLibrary.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "extractors/ExtractorSql.h"

namespace {

const char kConnection[] = "qm_photo_library";

// The asset table's column, or NULL when this library's version lacks it.
QString ColumnOr(const QStringList& columns, const QString& prefix, const char* name, const char* fallback)
{
    return columns.contains(QLatin1String(name)) ? prefix + QLatin1String(name) : QLatin1String(fallback);
}

} // namespace

PhotoLibrary ReadPhotoLibrary(const std::string& path)
{
    PhotoLibrary library;
    CBackupConnection conn(QLatin1String(kConnection), QString::fromStdString(path));
    if (!conn.IsOpen())
        return library;
    const QString table = conn.HasTable(QStringLiteral("ZASSET")) ? QStringLiteral("ZASSET")
                                                                   : QStringLiteral("ZGENERICASSET");
    const QStringList columns = conn.Columns(table);
    if (!columns.contains(QLatin1String("ZDIRECTORY")) || !columns.contains(QLatin1String("ZFILENAME")))
        return library;
    const QStringList attributes = conn.Columns(QStringLiteral("ZADDITIONALASSETATTRIBUTES"));
    const bool named = columns.contains(QLatin1String("Z_PK")) && attributes.contains(QLatin1String("ZASSET")) &&
                       attributes.contains(QLatin1String("ZORIGINALFILENAME"));
    const QString sql =
        QStringLiteral("SELECT A.ZDIRECTORY, A.ZFILENAME, %1, %2 FROM %3 A")
            .arg(ColumnOr(columns, QStringLiteral("A."), "ZTRASHEDSTATE", "0"),
                 named ? QStringLiteral("B.ZORIGINALFILENAME") : QStringLiteral("NULL"), table) +
        (named ? QStringLiteral(" LEFT JOIN ZADDITIONALASSETATTRIBUTES B ON B.ZASSET = A.Z_PK") : QString());
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return library;
    while (query.next()) {
        std::string directory = ValueText(query.value(0));
        const std::string file = ValueText(query.value(1));
        while (!directory.empty() && directory.back() == '/')
            directory.pop_back();
        if (directory.empty() || file.empty())
            continue;
        PhotoLibraryAsset& asset = library["Media/" + directory + "/" + file];
        asset.bTrashed = asset.bTrashed || query.value(2).toLongLong() == 1;
        if (asset.strOriginalName.empty())
            asset.strOriginalName = ValueText(query.value(3));
    }
    // A database that breaks off part-way names nothing, as if it were absent.
    if (query.lastError().isValid())
        library.clear();
    return library;
}
