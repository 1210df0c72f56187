// Named clipboard formats, registered once per process, and the small
// DWORD values the shell and this program exchange through data objects
// ("Preferred DropEffect", "Paste Succeeded" and their kin).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstdint>

// Formats by which the shell and a receiver of dropped or pasted files talk
// to the data object's maker.
inline constexpr wchar_t kPreferredDropEffect[] = L"Preferred DropEffect";
inline constexpr wchar_t kPerformedDropEffect[] = L"Performed DropEffect";
inline constexpr wchar_t kLogicalPerformedDropEffect[] = L"Logical Performed DropEffect";
inline constexpr wchar_t kPasteSucceeded[] = L"Paste Succeeded";
inline constexpr wchar_t kShellIdListArray[] = L"Shell IDList Array";

// The id of a named clipboard format: 0 for a null or empty name; otherwise
// the id remembered for that exact name (compared by code units, so the
// letter case counts), registered on the first request and remembered even
// when the registration gave 0. Safe on any thread.
std::uint16_t GetClipboardFormatId(const wchar_t* name);

// The first 32-bit word of the format's HGLOBAL in the data object (content
// aspect, index -1). False for a null object, a refusal, a null or unlockable
// block or one shorter than four bytes.
bool ReadDataObjectDword(IDataObject* object, std::uint16_t format, DWORD& value);

// Stores a 4-byte HGLOBAL holding `value` under the named format (content
// aspect, index -1); the object keeps its own copy. False when the format
// cannot be had or the object refuses it.
bool WriteDataObjectDword(IDataObject* object, const wchar_t* formatName, DWORD value);

// Hands the object a zeroed block of `size` bytes that `fill` writes (given
// its first byte) under `format` (content aspect, index -1, HGLOBAL); the
// object keeps its own copy and the block is freed either way. False when
// the block cannot be had or the object refuses it.
bool StoreGlobalBlock(IDataObject* object, std::uint16_t format, std::size_t size,
                      void (*fill)(BYTE* bytes, const void* context), const void* context);

template <typename Fill>
bool StoreGlobalBlock(IDataObject* object, std::uint16_t format, std::size_t size, const Fill& fill) {
    return StoreGlobalBlock(
        object, format, size,
        [](BYTE* bytes, const void* context) { (*static_cast<const Fill*>(context))(bytes); },
        &fill);
}
