#include "support/SafePath.h"

namespace {

const size_t kMaxComponentBytes = 255;

} // namespace

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
    if (out.size() > kMaxComponentBytes) {
        size_t cut = kMaxComponentBytes;
        // Back up over UTF-8 continuation bytes so no character is split.
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    if (out.empty() || out == "." || out == "..")
        out = "_" + out;
    return out;
}

QString SafePathComponent(const QString& name)
{
    return QString::fromUtf8(SafePathComponent(name.toUtf8().toStdString()));
}
