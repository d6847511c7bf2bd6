// Text helpers of the export writers: escaping for HTML and CSV, the forward-scanning
// placeholder replacement and the template split. Byte-level on UTF-8 std::strings, so
// record text passes through unchanged apart from the characters that must be escaped.
#pragma once

#include "support/SafePath.h" // CutUtf8

#include <cstddef>
#include <string>

// Appends `in` to `out` with &, <, >, " and ' as character references.
void AppendHtmlEscaped(std::string& out, const std::string& in);
std::string HtmlEscape(const std::string& in);

// One CSV field: quoted, inner quotes doubled, when it holds a comma, a double quote,
// CR or LF; otherwise unchanged.
void AppendCsvField(std::string& out, const std::string& field);

// Replaces every `placeholder` in `text` by `with`, scanning forward: the search goes on
// just past the inserted text, so text brought in is never searched again.
void ReplaceForward(std::string& text, const std::string& placeholder, const std::string& with);

// Splits a report template at its first "{|content|}": `head` is the text before it with
// every "{|title|}" replaced by `title`, `tail` the text after it, untouched. Without the
// placeholder the whole text is the head and the tail is empty.
void SplitTemplate(const std::string& text, const std::string& title, std::string& head, std::string& tail);
