// Text of an NSAttributedString archived in Apple's "streamtyped" form, the way
// sms.db keeps a message body in message.attributedBody when message.text is empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class QByteArray;

// Reads the first NSString of the archive. Returns false (and leaves *text empty)
// for anything that is not a well-formed archive of this shape: wrong header, no
// string, a length running past the end, a missing end marker or invalid UTF-8.
// Never reads outside [data, data + size). An empty text is a valid result.
bool DecodeTypedStreamText(const uint8_t* data, size_t size, std::string* text);

bool DecodeTypedStreamText(const QByteArray& blob, std::string* text);
