// Small helpers shared by the export tests.
#pragma once

#include <string>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

inline std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::string("<missing ") + path.toStdString() + ">";
    return f.readAll().toStdString();
}

inline bool WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// Every file under `root`, relative, sorted.
inline QStringList FilesUnder(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

// FilesUnder without the manifest-<stamp>.json every run writes at the top of its folder.
inline QStringList ExportedFiles(const QString& root)
{
    static const QRegularExpression manifest(QStringLiteral("(^|/)manifest-\\d{14}(\\(\\d+\\))?\\.json$"));
    QStringList files = FilesUnder(root);
    files.removeIf([](const QString& f) { return manifest.match(f).hasMatch(); });
    return files;
}

// Templates with visible markers, so tests can check head, rows and tail exactly.
inline void WriteTestTemplates(const QString& root)
{
    WriteText(root + "/template/Sms.html", "<h>{|title|}|{|person|}</h>\n{|content|}<end/>");
    WriteText(root + "/template/WhatsApp.html", "<w>{|title|}|{|person|}</w>\n{|content|}<end/>");
    WriteText(root + "/template/contacts.html", "<c>{|title|}</c><table>{|content|}</table>");
    WriteText(root + "/template/CallHistory.html", "<k>{|title|}</k><table>{|content|}</table>");
    WriteText(root + "/template/Notes.html", "<n>{|title|}</n><table>{|content|}</table>");
}
