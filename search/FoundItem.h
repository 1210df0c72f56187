// One result of a search: a file or folder with its metadata, the place of
// the content hit and its place in the result list. The search job owns
// every item; everything else refers to items by pointer or display index.
// A million results must fit in a few hundred megabytes, so the items of one
// folder share its text, and the display texts (sizes, dates, attributes)
// are formatted when asked for rather than kept in every item.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>
#include <xmmintrin.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

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

// A text that many items hold alike, such as their folder: copies share one
// block counted by reference, and assigning the text already held (or held
// before the last clear) keeps that block, so that the entries of one folder
// filled into a reused scratch item and copied from it share one text. Reads
// like a constant mvstring; the block's text never changes, so a pointer to
// it stays valid while any holder lives.
class SharedText {
public:
    SharedText() = default;
    SharedText(const SharedText& other) noexcept;
    SharedText(std::wstring_view text) { *this = text; }
    SharedText& operator=(const SharedText& other) noexcept;
    SharedText& operator=(std::wstring_view text);
    ~SharedText();

    const mvstring& text() const noexcept;
    operator const mvstring&() const noexcept { return text(); }
    operator std::wstring_view() const noexcept { return text().view(); }
    std::wstring_view view() const noexcept { return text().view(); }
    const std::wstring& str() const noexcept { return text().str(); }
    const wchar_t* c_str() const noexcept { return text().c_str(); }
    std::size_t size() const noexcept { return text().size(); }
    std::size_t length() const noexcept { return text().length(); }
    bool empty() const noexcept { return text().empty(); }
    wchar_t operator[](std::size_t i) const { return text()[i]; }
    // Empties the text; the block is remembered for the next assignment.
    void clear() noexcept;
    // Whether both hold the very same block (not merely equal texts).
    bool SharesWith(const SharedText& other) const noexcept;
    // What every holder sharing the text's block has alike, without
    // reading the block: a key for what is made once per text. Null when
    // empty; unique while any holder lives.
    const void* Identity() const noexcept { return m_cleared ? nullptr : m_block; }

    friend bool operator==(const SharedText& a, const SharedText& b) noexcept {
        return a.view() == b.view();
    }
    friend bool operator==(const SharedText& a, std::wstring_view b) noexcept {
        return a.view() == b;
    }
    friend bool operator==(const SharedText& a, const wchar_t* b) noexcept {
        return a.view() == std::wstring_view(b);
    }
    friend bool operator==(const SharedText& a, const mvstring& b) noexcept {
        return a.view() == b.view();
    }

private:
    struct Block;
    void Release() noexcept;
    Block* m_block = nullptr; // null: empty, nothing remembered
    bool m_cleared = false;   // the block is only remembered; the text is empty
};

// The display texts of an item, formatted from its numbers when asked.
enum class ItemText : std::uint8_t {
    SizeKb,  // size in whole kilobytes; empty for folders
    Size,    // short size text; empty for folders
    Created, // local-time texts of the three times
    Modified,
    Accessed,
    Attributes, // attribute text
};

struct FoundItem {
    SharedText folder;               // the folder holding the entry, as walked
    mvstring name;                   // the entry's name
    std::uint64_t size = 0;          // bytes
    std::uint32_t attr = 0;          // file attributes
    std::uint64_t date_c = 0;        // created, UTC FILETIME
    std::uint64_t date_m = 0;        // modified
    std::uint64_t date_a = 0;        // accessed
    std::int64_t wsoffset = -1;      // byte offset of the content hit, -1 none
    std::int32_t wslen = 0;          // byte length of the content hit
    std::int32_t insert_index = -1;  // position in the order of finding
    std::int32_t display_index = -1; // position in the displayed order
    // Written under the job's results lock, read while drawing without it:
    // atomic, so that a reader sees either state whole.
    std::atomic<std::int32_t> state{ItemNormal};
    std::uint8_t text_form = 0;            // how the texts are formatted (kText* bits)
    mvstring ext;                          // extension with its dot, empty for none
    std::atomic<std::int64_t> icon{-1};    // system image-list index, -1 not loaded
    std::atomic<std::int64_t> overlay{-1}; // overlay index, -1 not loaded
    FoundItem* next = nullptr;             // the job's owning list
    FoundItem* prev = nullptr;

    // text_form bits, set by FormatTexts: the texts exist (until then they are
    // empty), dates show seconds, and the property system formats dates and
    // sizes first.
    static constexpr std::uint8_t kTextsFormatted = 1;
    static constexpr std::uint8_t kTextSeconds = 2;
    static constexpr std::uint8_t kTextShell = 4;

    FoundItem() = default;
    FoundItem(const FoundItem&) = delete;
    FoundItem& operator=(const FoundItem&) = delete;

    // Readies a scratch item for the next entry: texts emptied, numbers
    // back to "none"; the insertion and display index stay as they are.
    void Clear();
    // Copies every field but the two links.
    void CopyFrom(const FoundItem& other);
    // Readies the date, size and attribute texts: from now on they are those
    // of the item's numbers, dates with seconds when the criteria ask for
    // them and through the property system when the settings force it.
    void FormatTexts(const SearchCriteria& criteria);
    // One display text (empty before FormatTexts), formatted on the calling
    // thread; what is costly to format is kept per thread (the date by day,
    // the clock by second, attribute texts by value). A change of the user's
    // date or time formats shows in the texts within a quarter of a second.
    mvstring Text(ItemText which) const;
    // The same into `out`, whose memory is reused.
    void GetText(ItemText which, mvstring& out) const;
    // The attribute text without a copy (see ItemAttributeText); empty
    // before FormatTexts.
    const mvstring& AttributeText() const;

    bool IsFolder() const noexcept { return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The two parts of the text of a local file time that FormatFileTime joins
// with a blank: the user's short date and the clock, with seconds when
// asked. False for a time that has no calendar date.
bool LocalTimeParts(std::uint64_t local, bool seconds, mvstring& date, mvstring& clock);

// The attribute text of an attribute mask as items show it, kept per thread;
// valid until the thread's property system changes.
const mvstring& ItemAttributeText(std::uint32_t attributes);
// The same when the calling thread keeps it already, else null without
// making it: for code that must not wait for the property system.
const mvstring* FindItemAttributeText(std::uint32_t attributes);

// Asks the processor to fetch an item's record, or its name and folder
// texts, ahead of use: a pass over a million items in display order visits
// them in no order of memory, and waiting for each in turn costs more than
// the work done with it.
inline void PrefetchItem(const FoundItem* item) {
    const char* bytes = reinterpret_cast<const char*>(item);
    for (std::size_t at = 0; at < sizeof(FoundItem); at += 64)
        _mm_prefetch(bytes + at, _MM_HINT_T0);
    _mm_prefetch(bytes + sizeof(FoundItem) - 1, _MM_HINT_T0);
}
inline void PrefetchItemTexts(const FoundItem* item) {
    _mm_prefetch(reinterpret_cast<const char*>(item->name.data()), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(item->folder.c_str()), _MM_HINT_T0);
}

// Runs `visit` on every item of a range of item pointers, fetching records
// and texts a few items ahead.
template <typename Iterator, typename Visit>
void ForEachPrefetched(Iterator first, Iterator last, Visit visit) {
    constexpr std::ptrdiff_t kRecordsAhead = 16, kTextsAhead = 8;
    const std::ptrdiff_t count = last - first;
    Iterator records = first, texts = first;
    std::ptrdiff_t recordsAt = 0, textsAt = 0;
    for (; recordsAt < kRecordsAhead && recordsAt < count; ++recordsAt, ++records)
        PrefetchItem(*records);
    for (; textsAt < kTextsAhead && textsAt < count; ++textsAt)
        ++texts;
    for (std::ptrdiff_t at = 0; at < count; ++at, ++first) {
        if (recordsAt < count) {
            PrefetchItem(*records);
            ++records;
            ++recordsAt;
        }
        if (textsAt < count) {
            PrefetchItemTexts(*texts);
            ++texts;
            ++textsAt;
        }
        if (!visit(*first))
            return;
    }
}
