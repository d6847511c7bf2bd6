// The report template split and the forward placeholder replacement. The input is
// "template \0 title": the title comes from the backup (a device name) and may hold
// placeholders itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/ExportText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find('\0');
    const std::string text = input.substr(0, cut);
    const std::string title = cut == std::string::npos ? std::string("{|title|}") : input.substr(cut + 1);

    std::string head, tail;
    SplitTemplate(text, HtmlEscape(title), head, tail);
    // Nothing of the template is lost or doubled beyond the title insertions.
    if (tail.size() > text.size())
        __builtin_trap();
    SplitTemplate(text, title, head, tail);
    std::string copy = text;
    ReplaceForward(copy, "{|person|}", title);
    std::string csv;
    AppendCsvField(csv, title);
    CutUtf8(title, size / 2);
    return 0;
}
