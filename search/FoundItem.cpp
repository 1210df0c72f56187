#include "search/FoundItem.h"

#include "foundation/DisplayText.h"
#include "foundation/FileTimes.h"
#include "foundation/Settings.h"
#include "search/PropertyTexts.h"
#include "search/SearchCriteria.h"

#include <unordered_map>

// ---- SharedText ----

struct SharedText::Block {
    std::atomic<std::uint32_t> refs{1};
    mvstring text;
};

namespace {
const mvstring kNoText;
}

SharedText::SharedText(const SharedText& other) noexcept {
    *this = other;
}

SharedText& SharedText::operator=(const SharedText& other) noexcept {
    if (this == &other || (m_block == other.m_block && !other.m_cleared)) {
        m_cleared = other.m_cleared && m_cleared;
        return *this;
    }
    Release();
    if (other.m_block && !other.m_cleared) {
        other.m_block->refs.fetch_add(1, std::memory_order_relaxed);
        m_block = other.m_block;
    }
    return *this;
}

SharedText& SharedText::operator=(std::wstring_view text) {
    if (m_block && m_block->text.view() == text) {
        m_cleared = false;
        return *this;
    }
    if (text.empty()) {
        Release();
        return *this;
    }
    auto* block = new Block;
    block->text = mvstring(text);
    Release();
    m_block = block;
    return *this;
}

SharedText::~SharedText() {
    Release();
}

void SharedText::Release() noexcept {
    if (m_block && m_block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete m_block;
    m_block = nullptr;
    m_cleared = false;
}

const mvstring& SharedText::text() const noexcept {
    return m_block && !m_cleared ? m_block->text : kNoText;
}

void SharedText::clear() noexcept {
    if (m_block)
        m_cleared = true;
}

bool SharedText::SharesWith(const SharedText& other) const noexcept {
    return m_block && !m_cleared && m_block == other.m_block && !other.m_cleared;
}

// ---- FoundItem ----

void FoundItem::Clear() {
    folder.clear();
    name.clear();
    ext.clear();
    text_form = 0;
    size = 0;
    attr = 0;
    date_c = date_m = date_a = 0;
    wsoffset = -1;
    wslen = 0;
    icon = -1;
    overlay = -1;
    state = ItemNormal;
}

void FoundItem::CopyFrom(const FoundItem& o) {
    if (this == &o)
        return;
    folder = o.folder;
    name = o.name;
    size = o.size;
    attr = o.attr;
    date_c = o.date_c;
    date_m = o.date_m;
    date_a = o.date_a;
    wsoffset = o.wsoffset;
    wslen = o.wslen;
    ext = o.ext;
    text_form = o.text_form;
    icon = o.icon.load();
    overlay = o.overlay.load();
    insert_index = o.insert_index;
    display_index = o.display_index;
    state.store(o.state.load());
}

void FoundItem::FormatTexts(const SearchCriteria& criteria) {
    text_form = kTextsFormatted;
    if (criteria.date_usesec)
        text_form |= kTextSeconds;
    if (Settings().ForceUsePropSys)
        text_form |= kTextShell;
}

namespace {

constexpr std::uint64_t kDay = 864000000000ull; // 100 ns units
constexpr std::uint64_t kSecond = 10000000ull;
// Beyond this many entries a cache starts afresh, so that odd data cannot
// make it grow without end.
constexpr std::size_t kCacheLimit = 200000;

// How often a thread looks whether the user's date and time formats changed.
constexpr std::uint64_t kFormatsCheckMs = 250;

// What each thread keeps of the texts it formatted. The attribute texts may
// come from the property system, so they are dropped when another property
// system is set for the thread; the date and clock parts follow the user's
// formats, so they are dropped when those change.
struct TextCache {
    std::uint32_t systemChanges = 0;
    bool formatsChecked = false;
    std::uint64_t formatsCheckedAt = 0; // tick count
    std::wstring formats;               // a sample time in the formats last seen
    std::unordered_map<std::uint32_t, mvstring> attributes;
    std::unordered_map<std::uint64_t, mvstring> dates;  // by local day
    std::unordered_map<std::uint32_t, mvstring> clocks; // by second of the day, twice for the forms
};

TextCache& Cache() {
    thread_local TextCache cache;
    return cache;
}

template <typename Map> void Limit(Map& map) {
    if (map.size() >= kCacheLimit)
        map.clear();
}

// The user may change the date and time formats while the program runs:
// the kept date and clock parts are dropped once a look at the formats (a
// sample time in each form, at most every kFormatsCheckMs) finds them
// changed, so a list never mixes texts of the former and the new formats.
void DropPartsOfChangedFormats(TextCache& cache) {
    const std::uint64_t now = GetTickCount64();
    if (cache.formatsChecked && now - cache.formatsCheckedAt < kFormatsCheckMs)
        return;
    cache.formatsChecked = true;
    cache.formatsCheckedAt = now;
    // Day and month apart, an afternoon hour: the order of the fields, the
    // day-half markers and the seconds all show in it.
    const SYSTEMTIME sample{2001, 12, 0, 23, 13, 45, 56, 0};
    std::wstring formats = FormatShortDate(sample).str();
    formats += L'\n';
    formats += FormatClock(sample, false).str();
    formats += L'\n';
    formats += FormatClock(sample, true).str();
    if (formats == cache.formats)
        return;
    cache.dates.clear();
    cache.clocks.clear();
    cache.formats = std::move(formats);
}

// The short date and the clock of a local time, joined by one blank as
// FormatFileTime joins them, each part formatted once per day or second.
void LocalTimeText(std::uint64_t utc, bool seconds, mvstring& out) {
    const FILETIME file = UInt64ToFileTime(utc);
    FILETIME localFile;
    if (!FileTimeToLocalFileTime(&file, &localFile))
        return;
    const std::uint64_t local = FileTimeToUInt64(localFile);
    if (local >= 0x7FFFFFFFFFFFFFFFull - kDay) {
        out = FormatFileTime(localFile, !seconds); // beyond what the parts can split
        return;
    }
    TextCache& cache = Cache();
    DropPartsOfChangedFormats(cache);
    const std::uint64_t day = local / kDay;
    std::uint32_t second = static_cast<std::uint32_t>(local % kDay / kSecond);
    if (!seconds)
        second -= second % 60;
    auto date = cache.dates.find(day);
    auto clock = cache.clocks.find(second * 2 + (seconds ? 1 : 0));
    if (date == cache.dates.end() || clock == cache.clocks.end()) {
        mvstring dateText, clockText;
        if (!LocalTimeParts(day * kDay + second * kSecond, seconds, dateText, clockText)) {
            out = FormatFileTime(localFile, !seconds);
            return;
        }
        Limit(cache.dates);
        Limit(cache.clocks);
        date = cache.dates.try_emplace(day, std::move(dateText)).first;
        clock =
            cache.clocks.try_emplace(second * 2 + (seconds ? 1 : 0), std::move(clockText)).first;
    }
    out += date->second;
    if (!date->second.empty() && !clock->second.empty())
        out += L' ';
    out += clock->second;
}

} // namespace

bool LocalTimeParts(std::uint64_t local, bool seconds, mvstring& date, mvstring& clock) {
    const std::uint64_t start = local - local % kDay;
    const FILETIME dayFile = UInt64ToFileTime(start);
    const FILETIME atFile = UInt64ToFileTime(local);
    SYSTEMTIME dayTime, atTime;
    if (!FileTimeToSystemTime(&dayFile, &dayTime) || !FileTimeToSystemTime(&atFile, &atTime))
        return false;
    date = FormatShortDate(dayTime);
    clock = FormatClock(atTime, !seconds);
    return true;
}

const mvstring& ItemAttributeText(std::uint32_t attributes) {
    TextCache& cache = Cache();
    if (PropertySystemChanges() != cache.systemChanges) {
        cache.attributes.clear();
        cache.systemChanges = PropertySystemChanges();
    }
    auto found = cache.attributes.find(attributes);
    if (found != cache.attributes.end())
        return found->second;
    mvstring text;
    FormatAttributesProperty(attributes, text);
    if (text.empty())
        AttributesToLetters(attributes, text);
    Limit(cache.attributes);
    return cache.attributes.emplace(attributes, std::move(text)).first->second;
}

const mvstring* FindItemAttributeText(std::uint32_t attributes) {
    const TextCache& cache = Cache();
    if (PropertySystemChanges() != cache.systemChanges)
        return nullptr;
    auto found = cache.attributes.find(attributes);
    return found == cache.attributes.end() ? nullptr : &found->second;
}

void FoundItem::GetText(ItemText which, mvstring& out) const {
    out.clear();
    if (!(text_form & kTextsFormatted))
        return;
    const bool shell = (text_form & kTextShell) != 0;
    switch (which) {
    case ItemText::SizeKb:
    case ItemText::Size: {
        if (IsFolder())
            return;
        const bool kb = which == ItemText::SizeKb;
        if (shell)
            FormatSizeProperty(size, out, kb);
        if (out.empty())
            FormatFileSize(size, kb, out);
        return;
    }
    case ItemText::Created:
    case ItemText::Modified:
    case ItemText::Accessed: {
        const std::uint64_t time = which == ItemText::Created    ? date_c
                                   : which == ItemText::Modified ? date_m
                                                                 : date_a;
        if (shell) {
            PROPVARIANT value{};
            value.vt = VT_FILETIME;
            value.filetime = UInt64ToFileTime(time);
            FormatPropertyValue(which == ItemText::Created    ? kKeyDateCreated
                                : which == ItemText::Modified ? kKeyDateModified
                                                              : kKeyDateAccessed,
                                value, PDFF_DEFAULT, out);
            if (!out.empty())
                return;
        }
        LocalTimeText(time, (text_form & kTextSeconds) != 0, out);
        return;
    }
    case ItemText::Attributes:
        out = AttributeText();
        return;
    }
}

const mvstring& FoundItem::AttributeText() const {
    return text_form & kTextsFormatted ? ItemAttributeText(attr) : kNoText;
}

mvstring FoundItem::Text(ItemText which) const {
    mvstring text;
    GetText(which, text);
    return text;
}
