#include "export/ExportText.h"

// Hand-written rather than QString::toHtmlEscaped: that one leaves ' alone and would
// round-trip the bytes through UTF-16, replacing any invalid sequence of the record.
void AppendHtmlEscaped(std::string& out, const std::string& in)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char* ref = nullptr;
        switch (in[i]) {
        case '&': ref = "&amp;"; break;
        case '<': ref = "&lt;"; break;
        case '>': ref = "&gt;"; break;
        case '"': ref = "&quot;"; break;
        case '\'': ref = "&#39;"; break;
        default: continue;
        }
        out.append(in, from, i - from);
        out.append(ref);
        from = i + 1;
    }
    out.append(in, from, std::string::npos);
}

std::string HtmlEscape(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    AppendHtmlEscaped(out, in);
    return out;
}

void AppendCsvField(std::string& out, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void ReplaceForward(std::string& text, const std::string& placeholder, const std::string& with)
{
    if (placeholder.empty())
        return;
    std::size_t pos = text.find(placeholder);
    while (pos != std::string::npos) {
        text.replace(pos, placeholder.size(), with);
        pos = text.find(placeholder, pos + with.size());
    }
}

void SplitTemplate(const std::string& text, const std::string& title, std::string& head, std::string& tail)
{
    static const std::string content = "{|content|}";
    const std::size_t p = text.find(content);
    if (p == std::string::npos) {
        head = text;
        tail.clear();
    } else {
        head = text.substr(0, p);
        tail = text.substr(p + content.size());
    }
    ReplaceForward(head, "{|title|}", title);
}
