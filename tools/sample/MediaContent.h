// Bytes of the sample's media files. Each kind is encoded a few times from a
// fixed source (the same on every run, whatever the seed) and every file is a
// cheap variation of one of those: a different comment and size, so large
// samples need no fresh encoding per file and stay deterministic for a seed.
#pragma once

#include <QByteArray>
#include <QString>

#include "tools/sample/SampleRandom.h"

enum class SampleMediaKind {
    JpegJfif,   // decodable JPEG starting with a JFIF segment
    JpegExif,   // decodable JPEG starting with an Exif segment
    Png,
    Gif,
    Bmp,
    QuickTime,  // 'ftyp' brand "qt  "
    Mp4,        // 'ftyp' brand "isom" or "mp42"
    Heic,       // 'ftyp' brand "heic"; a real HEVC picture when libheif can encode
    Mp3,        // MPEG audio frames without an ID3 tag: not recognised by content
    M4a,        // 'ftyp' brand "M4A ": not recognised
    Opus,       // Ogg page: not recognised
    Short,      // the start of a JPEG, under 512 bytes: never recognised
    Text,       // plain text of 512 bytes or more: not recognised
    Caf,        // Core Audio voice message ("caff"): not recognised
    Amr,        // AMR voice note ("#!AMR"): not recognised
    Pdf,        // a one-page PDF a browser opens: not recognised
    VCard,      // a contact card, under 512 bytes: not recognised
    Docx,       // a zip container (an office document): not recognised
};

// Extension the file-type judge gives the kind ("jpg", "png", "gif", "bmp",
// "mov", "mp4", "heic"), or empty for kinds it must not recognise.
QString SampleMediaExtension(SampleMediaKind kind);

// One file of the kind: between 1 and 8 KB for the recognised kinds (never
// below 512 bytes), under 512 bytes for Short. `serial` goes into the comment
// so files of the same pool image still differ.
QByteArray MakeSampleMedia(SampleMediaKind kind, SampleRandom& random, int serial);

// True when the HEIC files are encoded pictures rather than headers only.
bool SampleHeicIsEncoded();
