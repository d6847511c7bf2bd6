#include "decryptor/DecryptorCommand.h"

#include <QString>

#include <openssl/crypto.h>

#include "decryptor/BackupDecryptor.h"
#include "engine/DecryptorRun.h"

namespace {

void Wipe(std::string& text)
{
    if (!text.empty())
        OPENSSL_cleanse(&text[0], text.size());
    text.clear();
}

constexpr size_t kMaxPassword = 64 * 1024;

} // namespace

bool ReadPasswordLine(FILE* input, std::string* password)
{
    password->clear();
    if (!input)
        return false;
    bool any = false;
    int c;
    while ((c = std::fgetc(input)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (password->size() >= kMaxPassword)
            continue;
        password->push_back(char(c));
    }
    if (!password->empty() && password->back() == '\r')
        password->pop_back();
    return any;
}

int RunDecryptorCommand(const std::vector<std::string>& args, FILE* passwordInput,
                        const CDecryptProgress::LineSink& sink)
{
    const bool check = args.size() == 4 && args[3] == DecryptorRun::kCheckArgument;
    if (!(args.size() == 3 || check)) {
        if (sink)
            sink(QStringLiteral("Usage: Quillmere BACKUP_DIR WORK_DIR PASSWORD [CheckPasswd]  (PASSWORD - reads it from standard input)"));
        return DECRYPTOR_USAGE;
    }
    std::string password;
    if (args[2] == DecryptorRun::kPasswordOnStdin) {
        if (!ReadPasswordLine(passwordInput, &password)) {
            if (sink)
                sink(QStringLiteral("Error: no password on standard input"));
            return DECRYPTOR_USAGE;
        }
    } else {
        password = args[2];
    }

    DECRYPTOR_OPTIONS options;
    options.strBackupDir = QString::fromStdString(args[0]);
    options.strWorkDir = QString::fromStdString(args[1]);
    options.password = QByteArray(password.data(), int(password.size()));
    Wipe(password);
    options.bCheckOnly = check;
    const int rc = RunBackupDecryptor(options, sink);
    if (!options.password.isEmpty())
        OPENSSL_cleanse(options.password.data(), size_t(options.password.size()));
    return rc;
}
