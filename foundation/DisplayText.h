// Texts shown in the result list and the search panel: attribute letters,
// file sizes and times in the user's locale, the week's first day, and the
// title made from a name pattern.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

// The letters R H S D A C E I (read-only, hidden, system, directory, archive,
// compressed, encrypted, not content-indexed) of the bits set, in that order.
void AttributesToLetters(DWORD attributes, mvstring& out);

// The shell's size text ("1.50 KB", "0 bytes"), or whole kilobytes ("2 KB",
// "1,024 KB") with `kb`; empty when the system cannot format it.
void FormatFileSize(std::uint64_t size, bool kb, mvstring& out);

// Short date and time of the user's locale joined by one blank, the time
// without seconds when asked. Callers pass a local file time. Only the part
// that can be formatted when the other cannot; empty when neither can.
mvstring FormatFileTime(const FILETIME& time, bool noSeconds);
// Its two parts: the user's short date, and the clock (without seconds when
// asked); each empty when the system cannot format it.
mvstring FormatShortDate(const SYSTEMTIME& time);
mvstring FormatClock(const SYSTEMTIME& time, bool noSeconds);

// Rebases wDayOfWeek (0 = Sunday) on the user's first day of the week: with
// Monday first, Monday becomes 0 and Sunday 6. Unchanged when the week
// starts on Sunday or the locale cannot tell.
void ShiftDayOfWeek(SYSTEMTIME& time);

// True when the text holds "*" or "?".
bool HasWildcards(std::wstring_view text);

// Title of a name pattern such as "*.txt|C:\dir\*.doc": the file-name part of
// each "|"-separated piece joined by " | " ("*.txt | *.doc") for selector 1;
// for selector 0 the same with "|" as "&" and the characters that a file name
// cannot hold removed (".txt & .doc"). The result stays valid until the next
// call; the last input and its results are kept, so call from the UI thread
// only.
const mvstring& MakeSearchTitle(const mvstring& pattern, int selector);
