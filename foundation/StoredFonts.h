// The two fonts the user can choose, the results list font (config.ini) and
// the hex viewer font (hexview.ini), stored under the key Font as the 92 bytes
// of a LOGFONTW in lower-case hexadecimal. The load and save operations are
// members of VQSettings (foundation/Settings.h); the helpers are here.
#pragma once

#include <windows.h>

class mvini;

// Leaves a fixed-pitch font as it is; any other becomes a 10-point
// "Courier New" (all other fields zero), so a stored hex viewer font of zero
// bytes means that font.
void EnsureFixedFont(LOGFONTW& font);

// Reads key Font of the ini's default section into `font`: exactly 184 hex
// digits give the font (its face name cut to end in a zero), anything else
// (a missing key too) all zero bytes.
void ReadStoredFont(const mvini& ini, LOGFONTW& font);
// Writes the font as 184 lower-case hex digits to key Font of the ini's
// default section.
void WriteStoredFont(mvini& ini, const LOGFONTW& font);
