// QQ chat databases are found (one per account) but their messages are not read.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/BackupRecords.h"

class CIPhoneQQ {
public:
    // Leaves `conversations` empty; returns 0.
    int GetQQInfo(const char* path, std::map<std::string, std::vector<__QQ_MESSAGE__>>& conversations);
};

// Account name of a manifest name holding "/QQ.db": the path component right
// before it (from the start when there is no earlier "/"), cut to at most 255
// bytes on a character boundary and made one safe path component. Empty when
// `manifestName` does not hold "/QQ.db".
std::string QQAccountName(const std::string& manifestName);
