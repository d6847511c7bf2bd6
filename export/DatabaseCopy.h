// What the export writer takes from the backup engine: the device's name for the
// report titles and checked copies of the phone's message and address-book databases.
#pragma once

#include <string>

class CIphoneBackupFile;

// The device's display name, or empty without an engine.
std::string EngineDeviceName(CIphoneBackupFile* engine);
// Copies the phone's message / address-book database to `target`; 0 or an error code.
int EngineCopyMessageDatabase(CIphoneBackupFile* engine, const std::string& target);
int EngineCopyContactsDatabase(CIphoneBackupFile* engine, const std::string& target);
