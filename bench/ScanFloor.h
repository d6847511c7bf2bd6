// The least a scan of a backup can cost: the same SQL the engine runs, every row
// stepped and every column touched with nothing built, and the same 512-byte heads
// of the stored media files read (opened as safely as the engine must: no link
// followed, no blocking, size from fstat). The whole scan is measured against it.
#pragma once

#include <string>
#include <vector>

#include <QString>

struct ScanFloorPlan {
    struct Statement {
        std::string database;  // the file SQLite opened
        std::string sql;       // with its bound values written in
        unsigned long long rows = 0;  // as many as the engine stepped (it may stop early)
    };
    std::vector<Statement> statements;  // in the order the scan ran them
    std::vector<std::string> heads;     // stored files whose heads a catalogue reads
    std::vector<std::string> wholeFiles;  // read from end to end (Manifest.mbdb)
};

class CIphoneBackupFile;

// While recording, every statement run on a database SQLite opens after the
// start is noted in `plan`. One recording at a time.
void StartFloorRecording(ScanFloorPlan* plan);
void StopFloorRecording();
// Adds the stored files the media catalogues look at: the manifest entries the
// engine uses that are no database the recording saw, and the Manifest.mbdb.
void AddFloorFiles(const CIphoneBackupFile& engine, ScanFloorPlan* plan);

// Reads what the plan lists, building nothing; the note counts rows and heads.
bool StepScanFloor(const ScanFloorPlan& plan, QString* note);
