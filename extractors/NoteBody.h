// The whole text of a note as NoteStore.sqlite keeps it in ZICNOTEDATA.ZDATA:
// gzip, inside it a protobuf message whose field 2 (a message) holds field 3 (a
// message) holding field 2, the text in UTF-8; later fields are formatting runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class QByteArray;
class QString;

// The note's text, or false (and *text left empty) for anything that does not
// decode: not gzip, damaged or cut short, larger than a note can be, or a
// protobuf whose lengths run past its end or that lacks the text field.
bool DecodeNoteBody(const uint8_t* data, size_t size, std::string* text);
bool DecodeNoteBody(const QByteArray& data, std::string* text);

// Data of a locked note: encrypted, kept as a binary property list.
bool IsLockedNoteData(const QByteArray& data);

// What the notes list shows as a body: the text without U+FFFC (an attachment's
// place), and without its first line when that line is the note's title.
QString NoteBodyText(const QString& text, const QString& title);
