// The input histories: the texts entered before in the search panel's name,
// word and folder boxes and in the hex viewer's find box, kept in history.ini
// one section per list, newest first. Nothing is held in memory: every call
// reads the file afresh and every change rewrites it at once.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>
#include <vector>

inline constexpr wchar_t kHistoryIni[] = L"history.ini";

// The lists, as bits: a list's section is "Names", "Words", "Folders" or
// "Hexview_Words". Within a section the keys are the positions in "%.4x"
// form, "0000" the newest.
enum HistoryKind : uint8_t {
    HistoryNames = 1,
    HistoryWords = 2,
    HistoryFolders = 4,
    HistoryHexviewWords = 8,
    HistoryAll = 0xF,
};

// Fills each given list with its section's texts, newest first; a missing
// file or section gives an empty list.
void LoadHistory(std::vector<mvstring>* names, std::vector<mvstring>* words,
                 std::vector<mvstring>* folders);

// Puts the text at the head of the list `kind` (one of the four bits), drops
// other entries equal to it ignoring case and cuts the list to MaxHistory
// entries, then rewrites the file. An empty text or any other kind does
// nothing. Nothing is written when history.ini exists but cannot be read.
void AddHistory(uint8_t kind, const mvstring& text);

// Removes the lists whose bits are set; all four bits empty the whole file.
// A partial clear writes nothing when history.ini exists but cannot be read.
void ClearHistory(uint32_t kinds);
