// The version every program of the project reports with --version.
#pragma once

#include <QString>

QString QuillmereVersion();

// When the only argument is --version: prints "<name> <version>" on standard output
// and returns true, so the caller ends with 0.
bool AnswerVersion(int argc, char** argv, const char* name);
