// Conversions between Qt strings, narrow UTF-8 strings and wide strings (one
// character per wchar_t unit), and opening files by wide path.
#pragma once

#include <cstdio>
#include <string>

#include <QString>

int inner_initUnicodeMap(const char* encodingName);

std::wstring Ansi2Unicode(const char* text);
std::string Unicode2Ansi(const wchar_t* text);

// Copies the wide form of src into dest; dest holds at least destUnits units
// (a non-positive count means the traditional 260). The result is cut, never overrun.
long inner_str2uni(wchar_t* dest, const char* src, long destUnits = 260, long unused = 0);

// Latin-1 narrowing: characters above U+00FF become '?'. Cut to capacity - 1 bytes.
int inner_uni2str(char* dest, const wchar_t* src, long capacity, long srcLen);

// Narrowing through the iconv descriptor; -1 when source characters remained.
int inner_uni2str2(char* dest, const wchar_t* src, long capacity, long srcChars);

// Capacity of rsb_wsprintf's destination, terminator included.
constexpr int RSB_WSPRINTF_CAPACITY = 4096;
int rsb_wsprintf(wchar_t* dest, const wchar_t* format, ...);

// fopen by wide path; any ",ccs=..." suffix of the mode is dropped. No byte-order mark.
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);

QString QStringFromWide(const std::wstring& text);
std::wstring WideFromQString(const QString& text);
