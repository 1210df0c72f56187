// The divisions used when results are grouped by name or by size: ranges of
// first characters (GroupNameChars of advconf.ini, already cleaned up when
// the file is read) and bands of byte counts (GroupSizes of advconf.ini)
// with their display labels. Both are fixed after start-up.
#pragma once

#include "foundation/Settings.h"
#include "foundation/mvstring.h"

#include <cstdint>
#include <string_view>
#include <vector>

class mvini;

// Position in `ranges` (pairs of low and high characters) of the low
// character of the first pair that holds `ch`, a..z counting as A..Z:
// 0, 2, 4 and so on; -1 when no pair holds it or `ranges` is empty. When a
// pair is found and `label` is given, it becomes "low - high".
int GroupNameIndex(std::wstring_view ranges, wchar_t ch, mvstring* label = nullptr);
// The same over GroupNameChars of the process-wide settings.
int GroupNameIndex(wchar_t ch, mvstring* label = nullptr);

// Fills the bounds from key GroupSizes of [global] (comma-separated byte
// counts; items that are not a number of at least 1 are dropped; the five
// defaults 16 KiB, 1 MiB, 128 MiB, 1 GiB and 4 GiB when none is left) and
// empties the labels.
void LoadGroupSizes(SizeGroups& groups, const mvini& ini);

// The label of size group `id` of n bounds: the one in Labels when it holds
// one for `id`; else 0 the empty-file label, 1 to n "lower - upper" up to
// each bound, n + 1 "> last bound", made when asked from the system's size
// texts, which a run without windows never needs; empty for any other id.
mvstring SizeGroupLabel(const SizeGroups& groups, int id);
