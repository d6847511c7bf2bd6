// Narrowing a recovery to its date range: media by the modification time the
// backup's manifest gives their stored files; messages, WhatsApp messages, calls and
// notes by their own dates. A conversation keeps only its messages in range and is
// left out when none is; the files of messages out of range go with them.
#pragma once

#include <map>
#include <set>
#include <string>

#include <QDateTime>

#include "export/RecoverySelection.h"

// The moment a record's date text names: "YYYY-MM-DD HH:MM:SS" in UTC, as the
// readers take it from SQLite's datetime(). Invalid for any other text.
QDateTime RecordMoment(const std::string& text);

// The stored names (see StoredNameOfPath) of every media file in `selection`.
std::set<std::string> SelectedStoredNames(const RecoverySelection& selection);

// The narrowed selection, with the conversation maps it points to.
struct NarrowedSelection {
    RecoverySelection selection;
    MessageMap messages;
    WhatsAppMessageMap whatsApp;
    NarrowedSelection() = default;
    NarrowedSelection(const NarrowedSelection&) = delete;
    NarrowedSelection& operator=(const NarrowedSelection&) = delete;
};

// Fills `out` with what of `in` lies in in.dateRange; `mediaDates` maps stored
// names to their modification times (a file without one is left out unless the
// range is open).
void NarrowToDateRange(const RecoverySelection& in, const std::map<std::string, QDateTime>& mediaDates,
                       NarrowedSelection* out);
