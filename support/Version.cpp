#include "support/Version.h"

#include <cstdio>
#include <cstring>

QString QuillmereVersion()
{
    return QStringLiteral(QM_VERSION);
}

bool AnswerVersion(int argc, char** argv, const char* name)
{
    if (argc != 2 || !argv || !argv[1] || std::strcmp(argv[1], "--version") != 0)
        return false;
    std::printf("%s %s\n", name, QM_VERSION);
    std::fflush(stdout);
    return true;
}
