// What a sample backup should look like.
#pragma once

#include <QString>
#include <QtGlobal>

struct SampleOptions {
    // New: Manifest.db, stored files in two-character sub-folders (iOS 10+).
    // Old: Manifest.mbdb, stored files flat (iOS 4-9).
    enum class Layout { New, Old };
    // Tiny: about 300 entries (unit tests). Small: a few thousand (demo).
    // Large: about 200 000 entries (benchmarks).
    enum class Scale { Tiny, Small, Large };

    Layout layout = Layout::New;
    Scale scale = Scale::Tiny;
    quint64 seed = 1;
    // Non-empty: write a real encrypted backup with this password.
    QString password;
    // Key-derivation rounds of an encrypted backup; small for tests, 0 or less
    // for the real counts (SampleEncrypt.h).
    int iterations = 10;
    // Write Info.plist as a binary property list instead of XML.
    bool binaryInfo = false;
    // Names with spaces, accents, emoji and awkward punctuation, as real phones have.
    bool unusualNames = true;
    // A backup built to break its reader: path-escaping and malformed names, stored
    // files that are links, FIFOs, folders or empty, damaged databases, absurd values.
    bool hostile = false;
    // A backup planted to stall whoever lists or scans it: Info.plist a FIFO or a
    // link to /dev/zero, or its address book a FIFO and the two-character folder of
    // its message database a link to a copy outside the backup.
    enum class Planted { None, InfoFifo, InfoDevice, StoredLinks };
    Planted planted = Planted::None;
};

// "new" / "old", "tiny" / "small" / "large". False on an unknown word.
bool ParseSampleLayout(const QString& text, SampleOptions::Layout* layout);
bool ParseSampleScale(const QString& text, SampleOptions::Scale* scale);

// Number of manifest entries a sample of this scale aims at (content included).
int SampleTargetEntryCount(SampleOptions::Scale scale);
