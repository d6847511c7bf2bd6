// Scripts that fill the chat preview pages. Record text never reaches a page
// as markup or as script source: it is HTML-escaped, then carried inside a
// properly escaped JavaScript string literal.
#pragma once

#include <QString>

#include <vector>

#include "engine/BackupRecords.h"

namespace PreviewScript {

// Empties the page before a conversation is drawn.
QString ClearScript();

// Lifts the "disabled" attribute the start page may put on the bubble box.
QString EnableScript();

// A double-quoted JavaScript string literal whose value is exactly `text`.
// Safe to embed anywhere in a script (also inside an HTML <script> element).
QString JsStringLiteral(const QString& text);

// Record text as HTML content: markup characters escaped, line breaks kept as <br />.
QString HtmlText(const QString& text);
QString HtmlText(const std::string& utf8);

// Appends one bubble holding `bubbleHtml` (already safe HTML) to the page, with
// `senderHtml` (already safe HTML) as a line above it when not empty.
QString BubbleScript(const QString& bubbleHtml, bool fromMe, const QString& senderHtml = QString());

// The line above a bubble: in a group, who sent a message that is not the owner's
// (name, else number), escaped; empty otherwise.
QString SenderHtml(const __MESSAGE_INFO__& message);

// Bubble content of a text message: date, then "Me" or the contact's name,
// a line break, then the message text.
QString MessageBubbleHtml(const __MESSAGE_INFO__& message);

// Marks the bubbles at these positions (0 = the first bubble of the page) as
// found by a search, unmarks the others and brings the first marked one into
// view. The positions reach the page as a JSON array, never as text.
QString HighlightScript(const std::vector<int>& bubbles);

// Bubble content of a WhatsApp message: its text alone.
QString WhatsappBubbleHtml(const __WHATSAPP_MESSAGE__& message);

} // namespace PreviewScript
