// How a contact reads wherever it is shown (window, reports, name look-up):
// its display name, its labels as the phone words them, one line per value.
#pragma once

#include <string>
#include <vector>

#include "engine/BackupRecords.h"

// Given, middle and family name joined with single spaces ("Anna Berg"); a name
// written in Han, Kana or Hangul keeps the family name first without a space
// ("山田太郎"). Without any of them the organisation; "No Name" when that is
// empty too.
std::string ContactDisplayName(const std::string& given, const std::string& middle,
                               const std::string& family, const std::string& organisation);

// True when the name parts hold letters of Han, Kana or Hangul and no letter of
// any other script.
bool IsEastAsianName(const std::string& given, const std::string& middle, const std::string& family);

// A stored label as the phone shows it: "_$!<Mobile>!$_" -> "mobile",
// "_$!<HomeFAX>!$_" -> "home fax"; "iPhone" and the user's own labels unchanged.
std::string ContactLabelText(const std::string& storedLabel);

// True for the phone's own labels ("_$!<...>!$_" and "iPhone"), false for one
// the user typed.
bool IsBuiltInContactLabel(const std::string& storedLabel);

// "mobile: (555) 010-0479"; the value alone when it has no label.
std::string ContactValueLine(const std::string& storedLabel, const std::string& value);

// The parts of an address that are present, joined with ", ".
std::string ContactAddressText(const __CONTACT_ADDRESS__& address);

// Values (no labels) one per line, in order: the record's display texts.
std::string JoinContactValues(const std::vector<__CONTACT_VALUE__>& values);

// True when the record carries what the address book's own tables hold (labelled
// values or card details), false for one read from the full-text index alone.
bool HasContactValues(const __PERSON_CONTENT__& person);

// "label: value" for each value, in order.
std::vector<std::string> ContactValueLines(const std::vector<__CONTACT_VALUE__>& values);

// The rest of a card, one line each: job title, department, nickname, every postal
// address with its label, birthday, note.
std::vector<std::string> ContactDetailLines(const __PERSON_CONTENT__& person);
