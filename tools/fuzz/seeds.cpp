// quillmere-fuzz-seeds DIR: writes the seed corpus of every fuzz target into
// DIR/<target>/, from the sample generator's own output, so the fuzzers start
// from the shapes real backups have.
#include <cstdio>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include "support/Plist.h"
#include "tools/sample/PhoneDatabases.h"
#include "tools/sample/SampleContent.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

namespace {

QString g_strRoot;
bool g_bFailed = false;

void Seed(const char* target, const QString& name, const QByteArray& bytes)
{
    const QString dir = g_strRoot + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        fprintf(stderr, "quillmere-fuzz-seeds: cannot write %s\n", qPrintable(file.fileName()));
        g_bFailed = true;
    }
}

QByteArray FromStd(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ManifestSeeds(const SampleBackup& backup)
{
    const QByteArray mbdb = BuildManifestMbdb(backup);
    // The whole manifest is large for a fuzzer; its head and a few records are enough.
    Seed("fuzz_manifest_mbdb", QStringLiteral("head"), mbdb.left(4096));
    Seed("fuzz_manifest_mbdb", QStringLiteral("cut"), mbdb.left(301));
    Seed("fuzz_manifest_mbdb", QStringLiteral("empty"), QByteArray("mbdb\x05\x00", 6));
}

void PlistSeeds(const SampleBackup& backup)
{
    const QVariantMap info = SampleInfoPlistValues(backup);
    Seed("fuzz_infoplist_xml", QStringLiteral("info.xml"), BuildInfoPlistXml(info));
    Seed("fuzz_infoplist_binary", QStringLiteral("info.bplist"), WritePlist(info, true));
    Seed("fuzz_infoplist_binary", QStringLiteral("status.bplist"), WritePlist(SampleStatusPlistValues(backup), true));
    Seed("fuzz_infoplist_binary", QStringLiteral("uid.bplist"), WritePlist(QVariantList{PlistUid(7), 1.5, QByteArray("\x00\x01", 2)}, true));
}

void TypedStreamSeeds()
{
    int n = 0;
    for (const char* text : {"", "Hi", "Caf\xc3\xa9 \xf0\x9f\x98\x80 \xef\xbf\xbc", "a line\nand another"})
        Seed("fuzz_typedstream", QStringLiteral("text%1").arg(n++), FromStd(EncodeTypedStreamText(text)));
    Seed("fuzz_typedstream", QStringLiteral("long"), FromStd(EncodeTypedStreamText(std::string(300, 'x'))));
}

void NoteBodySeeds()
{
    // Raw protobufs (the target gzips them itself) and whole gzip'd bodies.
    int n = 0;
    for (const char* text : {"", "Title", "Trip\n\nHere is my first note. \xef\xbf\xbc\n\nMore.",
                             "Caf\xc3\xa9 \xf0\x9f\x98\x80\nline"}) {
        const QString note = QString::fromUtf8(text);
        Seed("fuzz_notebody", QStringLiteral("body%1").arg(n), EncodeNoteBody(note));
        Seed("fuzz_notebody", QStringLiteral("proto%1").arg(n++), EncodeNoteProto(note));
    }
    Seed("fuzz_notebody", QStringLiteral("locked"), QByteArray("bplist00\xd4\x01\x02", 11));
}

void TemplateSeeds(const SampleBackup& backup)
{
    const QDir templates(QStringLiteral(QM_SOURCE_DIR "/template"));
    for (const QString& name : templates.entryList(QDir::Files)) {
        QByteArray bytes = ReadFile(templates.filePath(name));
        bytes.append('\0');
        bytes.append(backup.device.displayName.toUtf8());
        Seed("fuzz_template", name, bytes);
    }
    Seed("fuzz_template", QStringLiteral("self"), QByteArray("<h1>{|title|}</h1>{|content|}{|title|}\0{|title|}&{|content|}", 59));
}

void FileTypeSeeds(const SampleBackup& backup)
{
    // One seed per media kind the sample holds, cut to what the lookup reads.
    QStringList seen;
    for (const SampleEntry& entry : backup.entries) {
        const QString ext = entry.relativePath.section(QLatin1Char('.'), -1).toLower();
        if (!(entry.flags & SampleEntry::File) || entry.content.size() < 16 || ext.size() > 4 || seen.contains(ext))
            continue;
        seen << ext;
        Seed("fuzz_filetypejudge", QStringLiteral("kind-") + ext, entry.content.left(4096));
    }
    Seed("fuzz_filetypejudge", QStringLiteral("jpeg"), QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11));
    Seed("fuzz_filetypejudge", QStringLiteral("png"), QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16));
    Seed("fuzz_filetypejudge", QStringLiteral("heic"), QByteArray("\x00\x00\x00\x18" "ftypheic\x00\x00\x00\x00mif1heic", 24));
    Seed("fuzz_filetypejudge", QStringLiteral("mov"), QByteArray("\x00\x00\x00\x14" "ftypqt  \x00\x00\x00\x00qt  ", 20));
}

void DecryptorSeeds()
{
    SampleOptions options;
    options.password = QStringLiteral("fuzz");
    options.iterations = 1;
    SampleBackup backup = BuildSampleBackup(options);
    QString error;
    if (!EncryptSampleBackup(backup, &error)) {
        // Without the encryption side of the generator: small hand-made records.
        Seed("fuzz_keybag", QStringLiteral("header"),
             QByteArray("VERS\x00\x00\x00\x04\x00\x00\x00\x03TYPE\x00\x00\x00\x04\x00\x00\x00\x01", 24));
        Seed("fuzz_filekeyblob", QStringLiteral("key"), QByteArray(44, '\x03'));
        return;
    }
    Seed("fuzz_keybag", QStringLiteral("backup"), backup.manifestPlistExtra.value(QStringLiteral("BackupKeyBag")).toByteArray());
    int n = 0;
    for (const SampleEntry& entry : backup.entries) {
        if (!(entry.flags & SampleEntry::File) || entry.encryptionKey.isEmpty() || n >= 4)
            continue;
        Seed("fuzz_filekeyblob", QStringLiteral("key%1").arg(n), entry.encryptionKey);
        Seed("fuzz_filekeyblob", QStringLiteral("mbfile%1").arg(n), BuildMBFileBlob(entry));
        ++n;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: quillmere-fuzz-seeds DIR\n");
        return 2;
    }
    g_strRoot = QString::fromLocal8Bit(argv[1]);

    SampleOptions options;
    options.layout = SampleOptions::Layout::Old;
    const SampleBackup backup = BuildSampleBackup(options);
    ManifestSeeds(backup);
    PlistSeeds(backup);
    TypedStreamSeeds();
    NoteBodySeeds();
    TemplateSeeds(backup);
    FileTypeSeeds(backup);
    DecryptorSeeds();
    return g_bFailed ? 1 : 0;
}
