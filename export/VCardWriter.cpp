#include "export/VCardWriter.h"

#include <vector>

namespace {
// Backslash, comma, semicolon and line breaks are escaped in text values.
std::string EscapeValue(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case ',': out.append("\\,"); break;
        case ';': out.append("\\;"); break;
        case '\r':
            if (i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
            out.append("\\n");
            break;
        case '\n': out.append("\\n"); break;
        default: out.push_back(c);
        }
    }
    return out;
}

// Lines longer than 75 bytes continue on the next line after a CRLF and a space; a
// fold never splits a UTF-8 character.
void AppendFolded(std::string& out, const std::string& line)
{
    std::size_t pos = 0;
    std::size_t limit = 75;
    while (line.size() - pos > limit) {
        std::size_t cut = pos + limit;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line, pos, cut - pos);
        out.append("\r\n ");
        pos = cut;
        limit = 74; // the leading space counts
    }
    out.append(line, pos, std::string::npos);
    out.append("\r\n");
}

std::vector<std::string> NonEmptyLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        std::size_t lead = line.find_first_not_of(" \t");
        if (lead != std::string::npos)
            lines.push_back(line.substr(lead));
        start = end + 1;
    }
    return lines;
}
}

void AppendVCard(std::string& out, const __PERSON_CONTENT__& person)
{
    const std::string name = EscapeValue(person.strName);
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    AppendFolded(out, "FN:" + name);
    // The record keeps first and last name run together, so the whole goes in the
    // family-name slot.
    AppendFolded(out, "N:" + name + ";;;;");
    for (const std::string& phone : NonEmptyLines(person.strPhone))
        AppendFolded(out, "TEL;TYPE=VOICE:" + EscapeValue(phone));
    for (const std::string& mail : NonEmptyLines(person.strEmail))
        AppendFolded(out, "EMAIL;TYPE=INTERNET:" + EscapeValue(mail));
    if (!person.strCompany.empty())
        AppendFolded(out, "ORG:" + EscapeValue(person.strCompany));
    for (const std::string& url : NonEmptyLines(person.strUrl))
        AppendFolded(out, "URL:" + url); // a URI value: no text escaping
    out.append("END:VCARD\r\n");
}
