// Quillmere BACKUP_DIR WORK_DIR PASSWORD [CheckPasswd]: the decryptor the window starts.
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "decryptor/DecryptLineWriter.h"
#include "decryptor/DecryptorCommand.h"
#include "support/Version.h"

int main(int argc, char** argv)
{
    if (AnswerVersion(argc, argv, "Quillmere"))
        return 0;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    // A password given on the command line is blanked in our own argument area,
    // so later looks at the process list no longer show it.
    if (argc > 3 && std::strcmp(argv[3], "-") != 0)
        std::memset(argv[3], 'x', std::strlen(argv[3]));

    QCoreApplication app(argc, argv);  // for the SQL driver plugin
    int rc = 0;
    {
        CDecryptLineWriter writer(stdout);
        rc = RunDecryptorCommand(args, stdin, [&writer](const QString& line) { writer.Write(line); });
    }
    for (std::string& arg : args)
        std::fill(arg.begin(), arg.end(), '\0');
    return rc;
}
