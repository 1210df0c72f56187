// Texts formatted by the shell's property system, as the shell itself shows
// sizes, dates and attributes. Every function gives the empty text when the
// property system is missing or refuses, and callers fall back to their own
// formatting. State is kept per thread: the search worker and the icon
// loader call these from their own threads.
#pragma once

#include "foundation/mvstring.h"

#include <propsys.h>
#include <shobjidl.h>
#include <windows.h>

#include <cstdint>
#include <vector>

// The property keys of the result columns this code formats.
inline constexpr GUID kStorageFormatId = {
    0xB725F130, 0x47EF, 0x101A, {0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC}};
inline constexpr PROPERTYKEY kKeySize = {kStorageFormatId, 12};
inline constexpr PROPERTYKEY kKeyFileAttributes = {kStorageFormatId, 13};
inline constexpr PROPERTYKEY kKeyDateModified = {kStorageFormatId, 14};
inline constexpr PROPERTYKEY kKeyDateCreated = {kStorageFormatId, 15};
inline constexpr PROPERTYKEY kKeyDateAccessed = {kStorageFormatId, 16};
inline constexpr PROPERTYKEY kKeyTileInfo = {
    {0xC9944A21, 0xA406, 0x48FE, {0x82, 0x25, 0xAE, 0xC7, 0xE2, 0x4C, 0x21, 0x1B}}, 3};
inline constexpr PROPERTYKEY kKeyRating = {
    {0x64440492, 0x4C8B, 0x11D1, {0x8B, 0x70, 0x08, 0x00, 0x36, 0xB1, 0x1A, 0x03}}, 9};
inline constexpr PROPERTYKEY kKeyItemPathDisplayNarrow = {
    {0x28636AA6, 0x953D, 0x11D2, {0xB5, 0xD6, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0}}, 8};

// The system's own labels of the nine result columns, in column order (name,
// size, type, modified, folder, created, accessed, attributes, extension),
// from the calling thread's property system; where it describes a key more
// than once, the last description with a label counts. False, with `titles`
// empty, when there is no property system, it lists no descriptions, or any
// of the nine has no label. The program installs it as the lister of the
// system column titles (foundation/WordLists.h); the UI thread asks it once.
bool ListPropertyColumns(std::vector<mvstring>& titles);

// The calling thread's property system, asked for once per thread (a
// failure is remembered); not an added reference. Null when there is none.
IPropertySystem* GetPropertySystem();

// Puts another property system in place of the calling thread's (taking a
// reference), for a thread that must not reach the system's own; null
// forgets it and asks the system again on the next use. Texts kept from the
// thread's former system are to be formatted again (see the count below).
void SetThreadPropertySystem(IPropertySystem* system);
// How many times the calling thread's property system was set: texts a
// thread keeps from its property system are valid while this stays.
std::uint32_t PropertySystemChanges();

// The display text of a value under a key, with PDFF_* flags.
void FormatPropertyValue(const PROPERTYKEY& key, const PROPVARIANT& value,
                         PROPDESC_FORMAT_FLAGS flags, mvstring& out);
// A size in bytes, always in kilobytes with `kb`.
void FormatSizeProperty(std::uint64_t size, mvstring& out, bool kb);
// A file attribute mask (FILE_ATTRIBUTE_NORMAL is left out).
void FormatAttributesProperty(std::uint32_t attributes, mvstring& out);

// The shell item of a path, kept per thread for the last path asked (the
// same path, code unit by code unit, gives the same item). Not an added
// reference: valid until the thread's next call. Null for an empty path or
// one the shell cannot parse.
IShellItem2* GetShellItem(const mvstring& path);

// The formatted values of the first two properties of the item's tile
// information (a rating is skipped but counts as one of the two). False,
// with no lines, when there is no property system, item or tile list.
bool GetItemPropertyTexts(const mvstring& path, std::vector<mvstring>& lines);

// The item's info tip as the shell shows it on hovering, followed by a line
// with its labelled path; empty when the shell has neither.
mvstring GetItemInfoTip(const mvstring& path);
// Appends the labelled path line to an info tip: blank line ends of the tip
// are cut first, so the path always follows exactly one line break (also
// when the tip is empty). An empty path line leaves the tip as it is.
void AppendInfoTipPathLine(mvstring& tip, const mvstring& pathLine);
