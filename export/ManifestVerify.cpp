#include "export/ManifestVerify.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "support/ExportTree.h"
#include "support/SafeFile.h"
#include "support/Sha256.h"

namespace {
// Far above any real manifest (a few hundred bytes per file).
const std::size_t kMaxManifestBytes = std::size_t(512) << 20;

struct Listed {
    QString strPath;
    qint64 nSize = 0;
    QString strSha256;
};

bool ReadList(const QJsonObject& doc, const QString& key, bool required, std::vector<Listed>* out, QString* error)
{
    if (!doc.contains(key)) {
        if (required)
            *error = QStringLiteral("the manifest has no \"%1\" list").arg(key);
        return !required;
    }
    if (!doc.value(key).isArray()) {
        *error = QStringLiteral("\"%1\" is not a list").arg(key);
        return false;
    }
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    for (const QJsonValue& value : doc.value(key).toArray()) {
        const QJsonObject o = value.toObject();
        const QJsonValue size = o.value(QStringLiteral("size"));
        Listed item{o.value(QStringLiteral("path")).toString(), static_cast<qint64>(size.toDouble(-1)),
                    o.value(QStringLiteral("sha256")).toString().toLower()};
        if (!value.isObject() || !o.value(QStringLiteral("path")).isString() || !size.isDouble() || item.nSize < 0 ||
            double(item.nSize) != size.toDouble() || !hex.match(item.strSha256).hasMatch()) {
            *error = QStringLiteral("an entry of \"%1\" lacks a path, a size or a SHA-256").arg(key);
            return false;
        }
        out->push_back(item);
    }
    return true;
}

void Check(const QString& folder, const Listed& item, ManifestVerification* result)
{
    ++result->nChecked;
    if (!IsSafeRelativePath(item.strPath)) {
        result->vecFindings.push_back({item.strPath, ManifestProblem::Refused, QStringLiteral("not a path inside the folder")});
        return;
    }
    const int fd = OpenExportFileForReading(QFile::encodeName(folder + QLatin1Char('/') + item.strPath).toStdString());
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT)
            result->vecFindings.push_back({item.strPath, ManifestProblem::Missing, QString()});
        else
            result->vecFindings.push_back({item.strPath, err == ELOOP || err == EINVAL ? ManifestProblem::Refused : ManifestProblem::Missing,
                                           QString::fromStdString(ExportErrorText(err))});
        return;
    }
    std::string hash;
    long long size = 0;
    const int err = HashOpenFile(fd, &hash, &size);
    ::close(fd);
    if (err) {
        result->vecFindings.push_back({item.strPath, ManifestProblem::Missing, QString::fromStdString(ExportErrorText(err))});
    } else if (size != item.nSize) {
        result->vecFindings.push_back({item.strPath, ManifestProblem::Changed,
                                       QStringLiteral("%1 bytes instead of %2").arg(size).arg(item.nSize)});
    } else if (QString::fromStdString(hash) != item.strSha256) {
        result->vecFindings.push_back({item.strPath, ManifestProblem::Changed, QStringLiteral("content differs")});
    } else {
        ++result->nIntact;
    }
}
}

bool IsSafeRelativePath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return false;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

ManifestVerification VerifyRecoveryManifest(const QString& manifestPath)
{
    ManifestVerification result;
    std::string bytes, reason;
    if (ReadBackupFile(QFile::encodeName(manifestPath).toStdString(), kMaxManifestBytes, &bytes, &reason) != 0) {
        result.strError = QStringLiteral("cannot read ") + manifestPath + QStringLiteral(": ") + QString::fromStdString(reason);
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &parseError);
    if (doc.isNull() || !doc.isObject()) {
        result.strError = manifestPath + QStringLiteral(" is not a JSON object") +
                          (parseError.error != QJsonParseError::NoError ? QStringLiteral(": ") + parseError.errorString() : QString());
        return result;
    }
    std::vector<Listed> listed;
    if (!ReadList(doc.object(), QStringLiteral("files"), true, &listed, &result.strError) ||
        !ReadList(doc.object(), QStringLiteral("kept"), false, &listed, &result.strError)) {
        result.strError = manifestPath + QStringLiteral(": ") + result.strError;
        return result;
    }
    result.bReadable = true;
    const QString folder = QFileInfo(manifestPath).absolutePath();
    // Every listed path is reached from a descriptor of the manifest's folder.
    CExportRootScope root(QFile::encodeName(folder).toStdString());
    for (const Listed& item : listed)
        Check(folder, item, &result);
    return result;
}
