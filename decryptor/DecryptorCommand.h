// The decryptor's command line:
//   Quillmere BACKUP_DIR WORK_DIR PASSWORD [CheckPasswd]
// PASSWORD "-" reads the password from `passwordInput` (one line, without its end),
// which keeps it out of the process list.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "decryptor/DecryptProgress.h"

// `args` excludes the program name. Returns a DecryptorExit code.
int RunDecryptorCommand(const std::vector<std::string>& args, FILE* passwordInput,
                        const CDecryptProgress::LineSink& sink);

// Reads one line (up to LF, a CR before it dropped). False when nothing could be read.
bool ReadPasswordLine(FILE* input, std::string* password);
