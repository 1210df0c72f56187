// One result of a search: a file or folder with its metadata, the place of
// the content hit, its display texts and its place in the result list. The
// search job owns every item; everything else refers to items by pointer or
// display index.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

struct SearchCriteria;

// Item states (FoundItem::state).
enum FoundItemState : std::int32_t {
    ItemNormal = 0,
    ItemCut = 1,     // cut to the clipboard
    ItemRemoved = 2, // gone from the list; still owned by the job
};

// The attribute bits a result keeps: read-only, hidden, system, directory,
// archive, compressed, not content indexed, encrypted.
inline constexpr std::uint32_t kKeptItemAttributes = 0x6837;

struct FoundItem {
    mvstring folder;            // the folder holding the entry, as walked
    mvstring name;              // the entry's name
    std::uint64_t size = 0;     // bytes
    std::uint32_t attr = 0;     // file attributes
    std::uint64_t date_c = 0;   // created, UTC FILETIME
    std::uint64_t date_m = 0;   // modified
    std::uint64_t date_a = 0;   // accessed
    std::int64_t wsoffset = -1; // byte offset of the content hit, -1 none
    std::int32_t wslen = 0;     // byte length of the content hit
    mvstring ext;               // extension with its dot, empty for none
    mvstring size_kb_text;      // size in whole kilobytes
    mvstring size_text;         // short size text
    mvstring date_c_text;       // local-time display texts of the three times
    mvstring date_m_text;
    mvstring date_a_text;
    mvstring attr_text;                    // attribute text
    std::atomic<std::int64_t> icon{-1};    // system image-list index, -1 not loaded
    std::atomic<std::int64_t> overlay{-1}; // overlay index, -1 not loaded
    std::int32_t insert_index = -1;        // position in the order of finding
    std::int32_t display_index = -1;       // position in the displayed order
    std::int32_t state = ItemNormal;
    FoundItem* next = nullptr; // the job's owning list
    FoundItem* prev = nullptr;

    FoundItem() = default;
    FoundItem(const FoundItem&) = delete;
    FoundItem& operator=(const FoundItem&) = delete;

    // Readies a scratch item for the next entry: texts emptied, numbers
    // back to "none"; the insertion and display index stay as they are.
    void Clear();
    // Copies every field but the two links.
    void CopyFrom(const FoundItem& other);
    // Fills the date, size and attribute texts (defined with the result list).
    void FormatTexts(const SearchCriteria& criteria);

    bool IsFolder() const noexcept { return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};
