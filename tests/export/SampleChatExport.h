// A generated sample backup scanned and every conversation exported (messages and
// WhatsApp) with the real templates, and a check that a page's links stay inside
// the export. Shared by the export tests and the browser test of the window area.
#pragma once

#include <memory>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"
#include "export/RecoveryRun.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

struct SampleChatExport {
    SCAN_FETCH_DATA data;
    RecoveryOutcome outcome;
    QString exportDir;
    QStringList pages;  // every chat page written, absolute paths
};

// Writes the sample under `root`/backup, scans it and exports all its conversations
// into `root`/export. False with *error on failure.
inline bool ExportSampleChats(const SampleOptions& options, const QString& root, SampleChatExport* out,
                              QString* error)
{
    SampleBackup backup = BuildSampleBackup(options);
    QString dir;
    if (!WriteSampleBackup(backup, root + "/backup", &dir, error))
        return false;
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    QByteArray folder = dir.toUtf8();
    if (engine.GetBackFileInfo(folder.data(), &info) != 0) {
        *error = "not a backup: " + dir;
        return false;
    }
    engine.Init(&info);
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    SCAN_FETCH_TARGETS targets = out->data.Targets();
    if (RunBackupScan(parse.get(), QString(), targets, nullptr) != 0) {
        *error = "scan failed";
        return false;
    }
    RecoverySelection selection;
    for (const auto& conversation : out->data.mapMessage)
        selection.vecMessageKeys.push_back(conversation.first);
    selection.pMessages = &out->data.mapMessage;
    for (const auto& chat : out->data.mapWhatsapp)
        selection.vecWhatsAppKeys.push_back(chat.first);
    selection.pWhatsApp = &out->data.mapWhatsapp;
    out->exportDir = root + "/export";
    QDir().mkpath(out->exportDir);
    out->outcome = RunRecovery(selection, out->exportDir, &engine, nullptr, nullptr, QStringLiteral(QM_BIN_DIR));
    QDirIterator it(out->exportDir, {"*.html"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out->pages << it.next();
    out->pages.sort();
    return true;
}

inline std::string ReadAllText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Every src and href of the page: a relative, percent-encoded path naming a file
// inside `root`. Returns what breaks that rule (empty: all is well).
inline QStringList BadLinks(const QString& page, const QString& root, int* linkCount = nullptr)
{
    QFile file(page);
    if (!file.open(QIODevice::ReadOnly))
        return {"cannot read " + page};
    const QString html = QString::fromUtf8(file.readAll());
    const QString rootPath = QFileInfo(root).canonicalFilePath() + "/";
    const QDir pageDir = QFileInfo(page).dir();
    QStringList bad;
    static const QRegularExpression attr(QStringLiteral("\\b(?:src|href)=\"([^\"]*)\""));
    int count = 0;
    for (auto m = attr.globalMatch(html); m.hasNext();) {
        const QString value = m.next().captured(1);
        ++count;
        // No scheme, no absolute path, no query or fragment: only a relative file path.
        if (value.isEmpty() || value.contains(':') || value.startsWith('/') || value.contains('?') ||
            value.contains('#') || value.contains(' ') || value.contains('&')) {
            bad << value;
            continue;
        }
        const QString target = QFileInfo(pageDir.filePath(QUrl::fromPercentEncoding(value.toUtf8()))).canonicalFilePath();
        if (target.isEmpty() || !target.startsWith(rootPath) || !QFileInfo(target).isFile())
            bad << value;
    }
    if (linkCount)
        *linkCount = count;
    return bad;
}
