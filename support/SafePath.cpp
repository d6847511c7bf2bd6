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
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
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
