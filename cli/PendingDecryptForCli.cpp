// Stand-in until the decryptor's command-line step lands; replaced (and deleted) then.
#include "cli/DecryptForCli.h"

int DecryptBackupForCli(const QString&, QTextStream& err, QString*)
{
    err << "quillmere-cli: encrypted backups cannot be read by this build yet\n";
    err.flush();
    return 2;
}
