#include "support/SafePath.h"

namespace {

const size_t kMaxComponentBytes = 255;

} // namespace

std::string CutUtf8(const std::string& in, size_t maxBytes)
{
    if (in.size() <= maxBytes)
        return in;
    size_t n = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (n > 0 && (static_cast<unsigned char>(in[n]) & 0xC0) == 0x80)
        --n;
    return in.substr(0, n);
}

std::string SafePathComponent(const std::string& name)
{
    // Bytes that are not UTF-8 become U+FFFD: such a name cannot be written on every
    // file system, and Qt (the window, the folder listing) cannot name the file again.
    const QByteArray valid = QString::fromUtf8(name.data(), qsizetype(name.size())).toUtf8();
    std::string out;
    out.reserve(size_t(valid.size()));
    for (char c : valid) {
        if (c == '/' || c == '\\' || c == '\0')
            out += '_';
        else
            out += c;
    }
    out = CutUtf8(out, kMaxComponentBytes);
    if (out.empty() || out == "." || out == "..")
        out = "_" + out;
    return out;
}

QString SafePathComponent(const QString& name)
{
    return QString::fromUtf8(SafePathComponent(name.toUtf8().toStdString()));
}
