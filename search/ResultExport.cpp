#include "search/ResultExport.h"

#include "foundation/DisplayText.h"
#include "foundation/FileTimes.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "foundation/Handles.h"
#include "search/ResultList.h"
#include "search/ResultsHold.h"
#include "search/SizeTextFormatter.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"

#include <emmintrin.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>
#include <string_view>

namespace {

constexpr char kHtmlHead[] = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>";
constexpr char kHtmlStyle[] =
    "</title>\r\n<meta charset=\"utf-8\" />\r\n<style>\r\ntable,tr,td {border:1px solid #999; "
    "border-collapse:collapse;padding:1em; vertical-align:top;}\r\n</style>\r\n</head>\r\n"
    "<body>\r\n\r\n<table>\r\n";
constexpr char kHtmlEnd[] = "</table>\r\n</body>\r\n</html>";

// Rows are gathered up to this size before they are handed to the writer.
constexpr std::size_t kBatchBytes = 1 << 16;

bool WriteText(VQFileWriter& writer, std::string_view bytes) {
    return bytes.empty() || writer.Write(bytes.data(), bytes.size());
}

// The bytes of one row; grows only, so that appending never clears memory
// it will overwrite anyway.
class RowBuffer {
public:
    void Clear() noexcept { m_size = 0; }
    std::string_view View() const noexcept { return {m_bytes.data(), m_size}; }
    // Room for `count` more bytes; Commit tells where the writing ended.
    char* Reserve(std::size_t count) {
        if (m_size + count > m_bytes.size())
            m_bytes.resize(std::max(m_bytes.size() * 2, m_size + count));
        return m_bytes.data() + m_size;
    }
    void Commit(const char* end) noexcept {
        m_size = static_cast<std::size_t>(end - m_bytes.data());
    }
    RowBuffer& operator+=(std::string_view bytes) {
        Commit(std::copy(bytes.begin(), bytes.end(), Reserve(bytes.size())));
        return *this;
    }
    RowBuffer& operator+=(char ch) { return *this += std::string_view(&ch, 1); }

private:
    std::vector<char> m_bytes;
    std::size_t m_size = 0;
};

// Whether the eight units at `units` are ASCII that the format writes as it
// stands: no quote, nor "&", "<" or ">" in HTML.
bool PlainAscii(const wchar_t* units, bool html) noexcept {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    __m128i bad = _mm_cmpeq_epi16(v, _mm_set1_epi16('"'));
    if (html) {
        bad = _mm_or_si128(bad, _mm_cmpeq_epi16(v, _mm_set1_epi16('&')));
        bad = _mm_or_si128(bad, _mm_cmpeq_epi16(v, _mm_set1_epi16('<')));
        bad = _mm_or_si128(bad, _mm_cmpeq_epi16(v, _mm_set1_epi16('>')));
    }
    // Units from 0x80 on have a bit of 0xFF80 set.
    const __m128i ascii = _mm_cmpeq_epi16(
        _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))), _mm_setzero_si128());
    return _mm_movemask_epi8(_mm_andnot_si128(bad, ascii)) == 0xFFFF;
}

// Appends the text as UTF-8 (an unpaired surrogate as U+FFFD), with quotes
// doubled for CSV, or "&", "<", ">" and quotes as entities for HTML, so that
// no text can end its cell or open markup. Writes through a pointer into
// room made for the longest outcome (six bytes a unit, "&quot;"); runs of
// eight plain ASCII units, most of a name, go at once.
void AppendEscaped(RowBuffer& out, std::wstring_view text, int format) {
    char* p = out.Reserve(text.size() * 6);
    const bool html = format == ExportHtml;
    for (std::size_t at = 0; at < text.size(); ++at) {
        while (at + 8 <= text.size() && PlainAscii(text.data() + at, html)) {
            const __m128i units =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(units, units));
            p += 8;
            at += 8;
        }
        if (at == text.size())
            break;
        std::uint32_t code = text[at];
        if (code < 0x80) {
            if (html && (code == '&' || code == '<' || code == '>' || code == '"')) {
                const std::string_view entity = code == '&'   ? "&amp;"
                                                : code == '<' ? "&lt;"
                                                : code == '>' ? "&gt;"
                                                              : "&quot;";
                p = std::copy(entity.begin(), entity.end(), p);
                continue;
            }
            if (!html && code == '"')
                *p++ = '"';
            *p++ = static_cast<char>(code);
            continue;
        }
        if (code >= 0xD800 && code <= 0xDFFF) {
            const bool paired = code < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
                                text[at + 1] <= 0xDFFF;
            code = paired ? 0x10000 + ((code - 0xD800) << 10) + (text[++at] - 0xDC00) : 0xFFFD;
        }
        if (code < 0x800) {
            *p++ = static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (code >> 12));
            *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (code >> 18));
            *p++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        *p++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    out.Commit(p);
}

// Whether a CSV cell beginning with this unit needs a leading apostrophe,
// which keeps a spreadsheet from running the cell as a formula.
bool NeedsFormulaGuard(wchar_t first) {
    return first == L'=' || first == L'+' || first == L'-' || first == L'@';
}

void AppendCell(RowBuffer& out, std::wstring_view text, int format) {
    if (format == ExportHtml) {
        out += "<td>";
        AppendEscaped(out, text, format);
        out += "</td>";
        return;
    }
    if (text.empty())
        return;
    out += '"';
    if (NeedsFormulaGuard(text[0]))
        out += '\'';
    AppendEscaped(out, text, format);
    out += '"';
}

bool IsHtmlPath(const mvstring& path) {
    const std::size_t dot = path.rfind(L'.');
    if (dot == mvstring::npos || path.find(L'\\', dot) != mvstring::npos)
        return false;
    const std::wstring_view extension = path.view().substr(dot);
    return mvstring::EqualsNoCase(extension, L".htm") ||
           mvstring::EqualsNoCase(extension, L".html");
}

// A whole row into `out` after what it holds: the cells, then CR LF (CSV)
// or the row's tags. `cell(at, out)` appends the cell of column `at`.
template <typename AppendCellAt>
void AppendRow(RowBuffer& out, std::size_t cells, int format, AppendCellAt cell) {
    if (format == ExportHtml)
        out += "<tr>";
    for (std::size_t at = 0; at < cells; ++at) {
        if (format == ExportCsv && at > 0)
            out += ',';
        cell(at, out);
    }
    out += format == ExportHtml ? "</tr>\r\n" : "\r\n";
}

// A text escaped for the format, ready to go into a cell; `first` is its
// first unit, which decides the CSV formula guard.
struct Piece {
    std::string bytes;
    wchar_t first = 0;
    bool empty() const noexcept { return first == 0 && bytes.empty(); }
};

Piece MakePiece(std::wstring_view text, int format) {
    RowBuffer escaped;
    AppendEscaped(escaped, text, format);
    return {std::string(escaped.View()), text.empty() ? L'\0' : text[0]};
}

// A cell of one or two texts (a date and its clock), joined by a blank when
// both are there, as AppendCell writes the joined text.
void AppendPieces(RowBuffer& out, const Piece& a, const Piece* b, int format) {
    const bool both = b && !a.empty() && !b->empty();
    const Piece& lead = a.empty() && b ? *b : a;
    if (format == ExportHtml) {
        out += "<td>";
    } else {
        if (lead.empty())
            return;
        out += '"';
        if (NeedsFormulaGuard(lead.first))
            out += '\'';
    }
    out += lead.bytes;
    if (both) {
        out += ' ';
        out += b->bytes;
    }
    out += format == ExportHtml ? std::string_view("</td>") : std::string_view("\"");
}

// The most bytes OpenCell and CloseCell write together.
constexpr std::size_t kCellFrame = 9;

// A cell's opening, written through a pointer with room for it: "<td>", or
// a quote and, when `guarded`, the CSV formula guard.
char* OpenCell(char* at, bool guarded, int format) noexcept {
    if (format == ExportHtml)
        return std::copy_n("<td>", 4, at);
    *at++ = '"';
    if (guarded)
        *at++ = '\'';
    return at;
}

char* CloseCell(char* at, int format) noexcept {
    if (format == ExportHtml)
        return std::copy_n("</td>", 5, at);
    *at++ = '"';
    return at;
}

// Readable bytes a padded copy may read past its end.
constexpr std::size_t kCopyPadding = 16;

// Copies 16 bytes at a time, reading and writing up to 15 bytes past the
// count, for which both sides must have room: most cell pieces are short,
// and a library call for each costs more than the copy.
char* CopyPadded(char* to, const char* from, std::size_t count) noexcept {
    for (std::size_t at = 0; at < count; at += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at)));
    return to + count;
}

// A cell of one escaped text that is not empty and is followed by
// kCopyPadding readable bytes; `guarded` when a CSV cell needs the formula
// guard.
void AppendPiece(RowBuffer& out, std::string_view bytes, bool guarded, int format) {
    char* at = out.Reserve(kCellFrame + bytes.size() + kCopyPadding);
    at = OpenCell(at, guarded, format);
    at = CopyPadded(at, bytes.data(), bytes.size());
    out.Commit(CloseCell(at, format));
}

constexpr std::uint64_t kDay = 864000000000ull;
constexpr std::uint64_t kSecond = 10000000ull;
constexpr std::uint32_t kSecondsPerDay = 86400;
// Kept escaped texts of one kind stop growing at this many.
constexpr std::size_t kKeptLimit = 100000;

// The date of each local day and the clock of each second (or minute) of
// the day, escaped once for the whole export and shared by the threads that
// format it: made per thread, the up to 86,400 clocks of an export that
// shows seconds would be made once by every thread. The clocks have a slot
// each; the dates stop being kept at kKeptLimit days, and later ones are
// made every time.
class TimeCells {
public:
    explicit TimeCells(int format)
        : m_format(format), m_clocks(new std::atomic<const Piece*>[2 * kSecondsPerDay]()) {}
    ~TimeCells() {
        for (std::size_t at = 0; at < 2 * kSecondsPerDay; ++at)
            delete m_clocks[at].load(std::memory_order_relaxed);
    }
    TimeCells(const TimeCells&) = delete;
    TimeCells& operator=(const TimeCells&) = delete;

    // The clock of a local time (whole seconds, or whole minutes without
    // `seconds`); null when the time cannot be converted.
    const Piece* Clock(std::uint64_t local, bool seconds) {
        const auto second = static_cast<std::uint32_t>(local % kDay / kSecond);
        std::atomic<const Piece*>& slot = m_clocks[second * 2 + (seconds ? 1 : 0)];
        if (const Piece* kept = slot.load(std::memory_order_acquire))
            return kept;
        const FILETIME file = UInt64ToFileTime(local);
        SYSTEMTIME time;
        if (!FileTimeToSystemTime(&file, &time))
            return nullptr;
        const Piece* made = new Piece(MakePiece(FormatClock(time, !seconds), m_format));
        const Piece* kept = nullptr;
        if (slot.compare_exchange_strong(kept, made, std::memory_order_acq_rel))
            return made;
        delete made; // another thread was first
        return kept;
    }

    // The date of a local day (days since 1601), kept or else made into
    // `scratch`; null when the day cannot be converted. `kept` tells which.
    const Piece* Date(std::uint64_t day, Piece& scratch, bool& kept) {
        kept = true;
        AcquireSRWLockShared(&m_lock);
        auto found = m_dates.find(day);
        const Piece* known = found == m_dates.end() ? nullptr : &found->second;
        ReleaseSRWLockShared(&m_lock);
        if (known)
            return known;
        const FILETIME file = UInt64ToFileTime(day * kDay);
        SYSTEMTIME time;
        if (!FileTimeToSystemTime(&file, &time))
            return nullptr;
        Piece made = MakePiece(FormatShortDate(time), m_format);
        AcquireSRWLockExclusive(&m_lock);
        found = m_dates.find(day);
        if (found == m_dates.end() && m_dates.size() < kKeptLimit)
            found = m_dates.emplace(day, std::move(made)).first;
        known = found == m_dates.end() ? nullptr : &found->second;
        ReleaseSRWLockExclusive(&m_lock);
        if (known)
            return known;
        kept = false;
        scratch = std::move(made);
        return &scratch;
    }

private:
    const int m_format;
    const std::unique_ptr<std::atomic<const Piece*>[]> m_clocks;
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unordered_map<std::uint64_t, Piece> m_dates; // nodes stay put as it grows
};

// Escaped texts of up to 11 bytes kept inline by a number (a day, a minute
// or second of the day), in a table with a slot for each number modulo its
// size. A row's date and clock cost one memory access each this way: kept
// in maps, they and the map nodes leading to them were pushed out of the
// processor's cache by the rows streaming through, and were fetched from
// memory again for almost every cell.
class ShortPieces {
public:
    class Slot {
    public:
        std::string_view View() const noexcept {
            return {m_bytes, static_cast<std::size_t>(m_form & kSizeBits)};
        }
        bool Guarded() const noexcept { return (m_form & kGuardBit) != 0; }
        static constexpr std::size_t kRoom = 11;
        // Writes the bytes, and whatever follows them up to kRoom, which
        // `to` must have room for; gives the end of the bytes.
        char* CopyTo(char* to) const noexcept {
            std::memcpy(to, m_bytes, kRoom);
            return to + (m_form & kSizeBits);
        }

    private:
        friend class ShortPieces;
        static constexpr std::uint8_t kSizeBits = 0x7F, kGuardBit = 0x80;
        std::uint32_t m_key = 0; // the number plus one; 0 for none
        std::uint8_t m_form = 0; // the size, and whether a CSV cell needs the formula guard
        char m_bytes[kRoom];
    };

    // A table of 2^bits slots.
    explicit ShortPieces(unsigned bits)
        : m_mask((std::uint32_t{1} << bits) - 1), m_slots(std::size_t{1} << bits) {}

    const Slot* Find(std::uint32_t number) const noexcept {
        const Slot& slot = m_slots[number & m_mask];
        return slot.m_key == number + 1 ? &slot : nullptr;
    }
    // Keeps a piece that is not empty and short enough, in place of the one
    // in its slot.
    void Keep(std::uint32_t number, const Piece& piece) noexcept {
        if (piece.bytes.empty() || piece.bytes.size() > sizeof(Slot::m_bytes))
            return;
        Slot& slot = m_slots[number & m_mask];
        slot.m_key = number + 1;
        slot.m_form = static_cast<std::uint8_t>(piece.bytes.size()) |
                      (NeedsFormulaGuard(piece.first) ? Slot::kGuardBit : 0);
        std::memcpy(slot.m_bytes, piece.bytes.data(), piece.bytes.size());
    }

private:
    std::uint32_t m_mask;
    std::vector<Slot> m_slots;
};

// Escaped texts kept by a number (a text's address, an attribute mask) in
// an open-addressed table whose slots tell where the bytes lie in one store,
// each followed by readable padding. A lookup is a multiply and a slot or
// two, where a map of nodes divides and follows a chain of pointers that
// the rows streaming through push out of the processor's cache. Forgets
// everything when it holds kKeptLimit texts.
class PieceIndex {
public:
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t offset = 0;
        std::uint32_t form = 0; // the size, kGuardBit, and kUsedBit for a slot in use
    };
    static constexpr std::uint32_t kGuardBit = 0x80000000u; // a CSV cell needs the formula guard
    static constexpr std::uint32_t kUsedBit = 0x40000000u;

    // Starts with 2^bits slots.
    explicit PieceIndex(unsigned bits) : m_bits(bits), m_slots(std::size_t{1} << bits) {}

    const Slot* Find(std::uint64_t key) const noexcept {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = Start(key);; at = (at + 1) & mask) {
            const Slot& slot = m_slots[at];
            if (!(slot.form & kUsedBit))
                return nullptr;
            if (slot.key == key)
                return &slot;
        }
    }
    std::string_view Bytes(const Slot& slot) const noexcept {
        return {m_bytes.data() + slot.offset, slot.form & ~(kGuardBit | kUsedBit)};
    }
    // Keeps the piece of a key not kept yet; the slot stays valid until the
    // next Keep.
    const Slot& Keep(std::uint64_t key, const Piece& piece) {
        if (m_count >= kKeptLimit || m_bytes.size() + piece.bytes.size() >= kUsedBit) {
            m_count = 0;
            m_bytes.clear();
            std::fill(m_slots.begin(), m_slots.end(), Slot());
        }
        if (2 * (m_count + 1) > m_slots.size())
            Grow();
        // The pieces lie side by side, the last followed by padding.
        m_bytes.resize(m_bytes.size() - std::min(m_bytes.size(), kCopyPadding));
        Slot made;
        made.key = key;
        made.offset = static_cast<std::uint32_t>(m_bytes.size());
        made.form = static_cast<std::uint32_t>(piece.bytes.size()) | kUsedBit |
                    (NeedsFormulaGuard(piece.first) ? kGuardBit : 0);
        m_bytes += piece.bytes;
        m_bytes.append(kCopyPadding, '\0');
        ++m_count;
        return Place(made);
    }

    // The kept piece as a cell.
    void Append(RowBuffer& out, const Slot& slot, int format) const {
        if (slot.form & ~(kGuardBit | kUsedBit))
            AppendPiece(out, Bytes(slot), (slot.form & kGuardBit) != 0, format);
        else
            AppendCell(out, {}, format);
    }

private:
    std::size_t Start(std::uint64_t key) const noexcept {
        return static_cast<std::size_t>(key * 0x9E3779B97F4A7C15ull >> (64 - m_bits));
    }
    Slot& Place(const Slot& made) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t at = Start(made.key);
        while (m_slots[at].form & kUsedBit)
            at = (at + 1) & mask;
        return m_slots[at] = made;
    }
    void Grow() {
        std::vector<Slot> old(std::size_t{1} << ++m_bits);
        old.swap(m_slots);
        for (const Slot& slot : old) {
            if (slot.form & kUsedBit)
                Place(slot);
        }
    }

    unsigned m_bits;
    std::vector<Slot> m_slots;
    std::string m_bytes;
    std::size_t m_count = 0;
};

// What only the exporting thread makes: type names asked of the shell and
// attribute texts from its property system. A formatting thread asks for
// each the first time it meets it.
class ExportingThread {
public:
    // The text, kept while the export runs; empty when the export stops
    // before the exporting thread answers.
    virtual const mvstring& TypeName(const FoundItem& item) = 0;
    virtual const mvstring& AttributeText(const FoundItem& item) = 0;

protected:
    ~ExportingThread() = default;
};

// The cells of one export. What repeats across rows is escaped once and
// kept: dates and clocks (the local time taken with the bias of the
// export's start, as the system converts every time with the current one)
// in the shared TimeCells, the short ones also in ShortPieces per thread;
// attribute texts, type names and folders per thread. Texts the property
// system makes are formatted cell by cell.
class ExportCells {
public:
    // `sizes` makes the size texts when sizes are written as text. On a
    // formatting thread, `exporting` gives the type names and attribute
    // texts; on the exporting thread (null) they are made here.
    ExportCells(int format, const SizeTextFormatter* sizes, TimeCells& times,
                ExportingThread* exporting = nullptr)
        : m_exporting(exporting), m_format(format), m_sizes(sizes),
          m_kbSizes(Settings().FileSizeFormat == 2), m_times(times),
          m_types(GlobalShellTypeCache()) {
        // The bias the system applies now, to every time alike.
        FILETIME utc, local;
        GetSystemTimeAsFileTime(&utc);
        m_haveBias = FileTimeToLocalFileTime(&utc, &local);
        m_bias = static_cast<std::int64_t>(FileTimeToUInt64(local) - FileTimeToUInt64(utc));
    }

    void Append(RowBuffer& out, const FoundItem& item, std::uint8_t column) {
        switch (column) {
        case ColumnName:
            AppendCell(out, item.name, m_format);
            return;
        case ColumnSize:
            AppendSize(out, item);
            return;
        case ColumnType:
            AppendType(out, item);
            return;
        case ColumnFolder:
            AppendFolder(out, item);
            return;
        case ColumnModified:
        case ColumnCreated:
        case ColumnAccessed:
            AppendDate(out, item, column);
            return;
        case ColumnAttributes:
            AppendAttributes(out, item);
            return;
        default:
            AppendCell(out, item.ext, m_format);
            return;
        }
    }

private:
    // By the folder's text, which the items of a folder share.
    void AppendFolder(RowBuffer& out, const FoundItem& item) {
        const void* block = item.folder.Identity();
        if (!block) {
            AppendCell(out, {}, m_format);
            return;
        }
        const auto key = reinterpret_cast<std::uintptr_t>(block);
        const PieceIndex::Slot* slot = m_folderCells.Find(key);
        if (!slot)
            slot = &m_folderCells.Keep(key, MakePiece(item.folder, m_format));
        m_folderCells.Append(out, *slot, m_format);
    }

    // By folder flag and extension, as the type names are made.
    void AppendType(RowBuffer& out, const FoundItem& item) {
        ByExtension<Piece>& cells = m_typeCells[item.IsFolder() ? 1 : 0];
        auto found = cells.find(item.ext.view());
        if (found == cells.end()) {
            if (cells.size() >= kKeptLimit)
                cells.clear();
            found = cells.emplace(item.ext.str(), MakePiece(TypeName(item), m_format)).first;
        }
        AppendPieces(out, found->second, nullptr, m_format);
    }

    const mvstring& TypeName(const FoundItem& item) {
        return m_exporting ? m_exporting->TypeName(item) : m_types.Get(item);
    }

    void AppendAttributes(RowBuffer& out, const FoundItem& item) {
        if (!(item.text_form & FoundItem::kTextsFormatted)) {
            AppendCell(out, {}, m_format);
            return;
        }
        const PieceIndex::Slot* slot = m_attributeCells.Find(item.attr);
        if (!slot) {
            const mvstring& text =
                m_exporting ? m_exporting->AttributeText(item) : item.AttributeText();
            slot = &m_attributeCells.Keep(item.attr, MakePiece(text, m_format));
        }
        m_attributeCells.Append(out, *slot, m_format);
    }

    void AppendSize(RowBuffer& out, const FoundItem& item) {
        if (item.IsFolder()) {
            AppendCell(out, {}, m_format);
            return;
        }
        if (m_sizes && (item.text_form & (FoundItem::kTextsFormatted | FoundItem::kTextShell)) ==
                           FoundItem::kTextsFormatted) {
            wchar_t buffer[SizeTextFormatter::kUnits];
            AppendCell(out, std::wstring_view(buffer, m_sizes->Format(item.size, buffer)),
                       m_format);
            return;
        }
        if (m_sizes) {
            item.GetText(m_kbSizes ? ItemText::SizeKb : ItemText::Size, m_scratch);
            AppendCell(out, m_scratch, m_format);
            return;
        }
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, item.size).ptr;
        if (m_format == ExportHtml) {
            out += "<td>";
            out += std::string_view(digits, static_cast<std::size_t>(end - digits));
            out += "</td>";
        } else {
            out += '"';
            out += std::string_view(digits, static_cast<std::size_t>(end - digits));
            out += '"';
        }
    }

    void AppendDate(RowBuffer& out, const FoundItem& item, std::uint8_t column) {
        const std::uint64_t utc = column == ColumnModified  ? item.date_m
                                  : column == ColumnCreated ? item.date_c
                                                            : item.date_a;
        const std::int64_t local = static_cast<std::int64_t>(utc) + m_bias;
        // Texts made otherwise, and times near the ends of the range, take
        // the item's own way.
        if ((item.text_form & (FoundItem::kTextsFormatted | FoundItem::kTextShell)) !=
                FoundItem::kTextsFormatted ||
            !m_haveBias || utc >= 0x7000000000000000ull || local < 0 ||
            local >= 0x7000000000000000ll) {
            item.GetText(column == ColumnModified  ? ItemText::Modified
                         : column == ColumnCreated ? ItemText::Created
                                                   : ItemText::Accessed,
                         m_scratch);
            AppendCell(out, m_scratch, m_format);
            return;
        }
        const bool seconds = (item.text_form & FoundItem::kTextSeconds) != 0;
        const std::uint64_t day = static_cast<std::uint64_t>(local) / kDay;
        const std::uint64_t unit = seconds ? kSecond : 60 * kSecond;
        // The minute or second of the day.
        const auto moment =
            static_cast<std::uint32_t>(static_cast<std::uint64_t>(local) % kDay / unit);
        ShortPieces& clocks = seconds ? SecondClocks() : m_minuteClocks;
        const ShortPieces::Slot* shortDate = m_shortDates.Find(static_cast<std::uint32_t>(day));
        const ShortPieces::Slot* shortClock = clocks.Find(moment);
        if (shortDate && shortClock) {
            // Both are there and not empty: AppendPieces's cell, written
            // straight away with copies of fixed size, which need no call.
            char* at = out.Reserve(kCellFrame + 2 * ShortPieces::Slot::kRoom + 1);
            at = OpenCell(at, shortDate->Guarded(), m_format);
            at = shortDate->CopyTo(at);
            *at++ = ' ';
            at = shortClock->CopyTo(at);
            out.Commit(CloseCell(at, m_format));
            return;
        }
        const Piece* clock = m_times.Clock(day * kDay + moment * unit, seconds);
        const Piece* date = nullptr;
        if (const auto known = m_dates.find(day); known != m_dates.end()) {
            date = known->second;
        } else {
            bool kept = false;
            date = m_times.Date(day, m_dateScratch, kept);
            if (date && kept)
                m_dates.emplace(day, date);
        }
        if (!date || !clock) {
            AppendCell(out, {}, m_format);
            return;
        }
        m_shortDates.Keep(static_cast<std::uint32_t>(day), *date);
        clocks.Keep(moment, *clock);
        AppendPieces(out, *date, clock, m_format);
    }

    ShortPieces& SecondClocks() {
        if (!m_secondClocks)
            m_secondClocks = std::make_unique<ShortPieces>(17); // 86,400 seconds
        return *m_secondClocks;
    }

    ExportingThread* m_exporting;
    int m_format;
    const SizeTextFormatter* m_sizes;
    bool m_kbSizes;
    bool m_haveBias = false;
    std::int64_t m_bias = 0;
    TimeCells& m_times;
    ItemTypeNames m_types; // on the exporting thread
    mvstring m_scratch;
    ByExtension<Piece> m_typeCells[2]; // of files, of folders
    PieceIndex m_attributeCells{4};    // by attribute mask
    PieceIndex m_folderCells{12};
    std::unordered_map<std::uint64_t, const Piece*> m_dates; // the kept ones met, by local day
    Piece m_dateScratch;
    ShortPieces m_shortDates{13}; // 22 years without a day sharing a slot
    ShortPieces m_minuteClocks{11};
    std::unique_ptr<ShortPieces> m_secondClocks; // made when a row shows seconds
};

// Rows per piece of work when several threads format a large export.
constexpr std::size_t kChunkRows = 4096;

// A large export's rows formatted in chunks by a few threads, each with its
// own kept texts, while the exporting thread writes the finished chunks in
// order. The type names and attribute texts, which only the exporting thread
// makes, are asked of it while it waits. A chunk holding a row whose texts
// the property system makes is handed back to the exporting thread, and so
// is a chunk no thread has taken when its turn to be written comes. The
// rows are the exporting thread's copy of the display list, whose items its
// hold keeps alive, so nothing changes under the formatting threads, and
// formatting stays a few chunks ahead of writing, so memory stays small
// whatever the export's size.
class ParallelRows final : public ExportingThread {
public:
    ParallelRows(const std::vector<FoundItem*>& results, const std::vector<std::uint8_t>& chosen,
                 int format, const SizeTextFormatter* sizes, TimeCells& times)
        : m_results(results), m_chosen(chosen), m_format(format), m_sizes(sizes), m_times(times),
          m_types(GlobalShellTypeCache()), m_chunks((results.size() + kChunkRows - 1) / kChunkRows),
          m_done(m_chunks), m_state(m_chunks, kWaiting) {}

    // Starts up to `threads` formatting threads; false when none could start.
    bool Start(unsigned threads) {
        m_window = 2 * threads;
        for (unsigned at = 0; at < threads; ++at) {
            ThreadHandle thread(CreateThread(nullptr, 0, &ParallelRows::Run, this, 0, nullptr));
            if (thread)
                m_threads.push_back(std::move(thread));
        }
        return !m_threads.empty();
    }

    // Writes every chunk in order, formatting with `own` those left to this
    // thread; false, stopping the threads, when a write fails.
    bool WriteAll(VQFileWriter& writer, ExportCells& own) {
        bool written = true;
        for (std::size_t chunk = 0; chunk < m_chunks && written; ++chunk) {
            AcquireSRWLockExclusive(&m_lock);
            for (;;) {
                if (!m_asked.empty())
                    Answer();
                else if (m_state[chunk] != kTaken)
                    break;
                else
                    SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
            }
            RowBuffer rows;
            if (m_state[chunk] == kReady) {
                rows = std::move(m_done[chunk]);
                ReleaseSRWLockExclusive(&m_lock);
            } else {
                m_state[chunk] = kTaken;
                rows = TakeSpare();
                ReleaseSRWLockExclusive(&m_lock);
                FormatChunk(chunk, own, rows, false);
            }
            written = WriteText(writer, rows.View());
            // The buffer goes back for another chunk: fresh large buffers
            // would cost the system new pages every time.
            rows.Clear();
            AcquireSRWLockExclusive(&m_lock);
            m_spare.push_back(std::move(rows));
            m_written = chunk + 1;
            ReleaseSRWLockExclusive(&m_lock);
            WakeAllConditionVariable(&m_changed);
        }
        return written;
    }

    ~ParallelRows() {
        AcquireSRWLockExclusive(&m_lock);
        m_stop = true;
        ReleaseSRWLockExclusive(&m_lock);
        WakeAllConditionVariable(&m_changed);
        for (const ThreadHandle& thread : m_threads)
            WaitForSingleObject(thread.Get(), INFINITE);
    }

    const mvstring& TypeName(const FoundItem& item) override {
        return Ask(item, [&] {
            const auto& names = m_typeNames[item.IsFolder() ? 1 : 0];
            const auto found = names.find(item.ext.view());
            return found == names.end() ? nullptr : found->second;
        });
    }
    const mvstring& AttributeText(const FoundItem& item) override {
        return Ask(item, [&] {
            const auto found = m_attributeTexts.find(item.attr);
            return found == m_attributeTexts.end() ? nullptr : &found->second;
        });
    }

private:
    enum ChunkState : std::uint8_t {
        kWaiting, // for any thread
        kTaken,   // being formatted
        kOwn,     // for the exporting thread
        kReady,   // formatted, waiting to be written
    };

    static DWORD WINAPI Run(void* parameter) {
        static_cast<ParallelRows*>(parameter)->Format();
        return 0;
    }

    void Format() {
        ExportCells cells(m_format, m_sizes, m_times, this);
        for (;;) {
            AcquireSRWLockExclusive(&m_lock);
            for (;;) {
                while (m_next < m_chunks && m_state[m_next] != kWaiting)
                    ++m_next;
                if (m_stop || m_next >= m_chunks || m_next < m_written + m_window)
                    break;
                SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
            }
            if (m_stop || m_next >= m_chunks) {
                ReleaseSRWLockExclusive(&m_lock);
                return;
            }
            const std::size_t chunk = m_next++;
            m_state[chunk] = kTaken;
            RowBuffer rows = TakeSpare();
            ReleaseSRWLockExclusive(&m_lock);

            const bool formatted = FormatChunk(chunk, cells, rows, true);

            AcquireSRWLockExclusive(&m_lock);
            if (formatted) {
                m_done[chunk] = std::move(rows);
                m_state[chunk] = kReady;
            } else {
                rows.Clear();
                m_spare.push_back(std::move(rows));
                m_state[chunk] = kOwn;
            }
            ReleaseSRWLockExclusive(&m_lock);
            WakeAllConditionVariable(&m_changed);
        }
    }

    // The chunk's rows into `rows`; false, leaving it unfinished, at a row
    // whose texts the property system makes when `shellStops`.
    bool FormatChunk(std::size_t chunk, ExportCells& cells, RowBuffer& rows,
                     bool shellStops) const {
        const std::size_t first = chunk * kChunkRows;
        const std::size_t count = std::min(kChunkRows, m_results.size() - first);
        const auto begin = m_results.begin() + static_cast<std::ptrdiff_t>(first);
        bool formatted = true;
        ForEachPrefetched(
            begin, begin + static_cast<std::ptrdiff_t>(count), [&](const FoundItem* item) {
                if (shellStops && (item->text_form & FoundItem::kTextShell))
                    return formatted = false;
                AppendRow(rows, m_chosen.size(), m_format, [&](std::size_t at, RowBuffer& out) {
                    cells.Append(out, *item, m_chosen[at]);
                });
                return true;
            });
        return formatted;
    }

    // On a formatting thread: the text `find` finds under the lock, once the
    // exporting thread has learnt the item's texts.
    template <typename Find> const mvstring& Ask(const FoundItem& item, Find find) {
        static const mvstring none;
        AcquireSRWLockExclusive(&m_lock);
        const mvstring* text = find();
        if (!text) {
            m_asked.push_back(&item);
            WakeAllConditionVariable(&m_changed);
            while (!(text = find()) && !m_stop)
                SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
        }
        ReleaseSRWLockExclusive(&m_lock);
        return text ? *text : none;
    }

    // On the exporting thread, under the lock, which it leaves meanwhile:
    // learns the type name and attribute text of every item asked about.
    void Answer() {
        std::vector<const FoundItem*> asked;
        asked.swap(m_asked);
        ReleaseSRWLockExclusive(&m_lock);
        std::vector<std::pair<std::uint32_t, mvstring>> attributes;
        std::vector<std::pair<const FoundItem*, const mvstring*>> types;
        for (const FoundItem* item : asked) {
            types.emplace_back(item, &m_types.Get(*item));
            if (item->text_form & FoundItem::kTextsFormatted)
                attributes.emplace_back(item->attr, ItemAttributeText(item->attr));
        }
        AcquireSRWLockExclusive(&m_lock);
        for (const auto& [item, name] : types)
            m_typeNames[item->IsFolder() ? 1 : 0].emplace(item->ext.str(), name);
        for (auto& [mask, text] : attributes)
            m_attributeTexts.emplace(mask, std::move(text));
        WakeAllConditionVariable(&m_changed);
    }

    // A written chunk's buffer, or a new one; under the lock.
    RowBuffer TakeSpare() {
        RowBuffer rows;
        if (!m_spare.empty()) {
            rows = std::move(m_spare.back());
            m_spare.pop_back();
        }
        return rows;
    }

    const std::vector<FoundItem*>& m_results;
    const std::vector<std::uint8_t>& m_chosen;
    const int m_format;
    const SizeTextFormatter* const m_sizes;
    TimeCells& m_times;
    ItemTypeNames m_types; // the exporting thread's
    const std::size_t m_chunks;
    std::vector<RowBuffer> m_done; // finished chunks not yet written
    std::vector<ChunkState> m_state;
    std::vector<RowBuffer> m_spare; // written buffers for the next chunks
    std::size_t m_written = 0;      // chunks written, all before the next one
    std::size_t m_next = 0;         // where formatting threads look for work
    std::size_t m_window = 2;       // how far formatting may run ahead of writing
    bool m_stop = false;
    // Asked by the formatting threads, and the answers, which stay put.
    std::vector<const FoundItem*> m_asked;
    ByExtension<const mvstring*> m_typeNames[2]; // of files, of folders
    std::unordered_map<std::uint32_t, mvstring> m_attributeTexts;
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    std::vector<ThreadHandle> m_threads;
};

// Writes the rows through formatting threads beside the calling thread,
// which formats with `own` what those threads must not. False, having
// written nothing, when no thread can be started (the caller then formats
// the rows itself); else true with `written` telling whether every write
// succeeded.
bool WriteRowsInParallel(VQFileWriter& writer, const std::vector<FoundItem*>& results,
                         const std::vector<std::uint8_t>& chosen, int format,
                         const SizeTextFormatter* sizes, TimeCells& times, ExportCells& own,
                         bool& written) {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const unsigned processors = system.dwNumberOfProcessors;
    if (processors < 2)
        return false;
    ParallelRows rows(results, chosen, format, sizes, times);
    if (!rows.Start(std::min(4u, processors - 1)))
        return false;
    written = rows.WriteAll(writer, own);
    return true;
}

} // namespace

bool WriteExportCell(VQFileWriter& writer, const mvstring& text, int format) {
    RowBuffer cell;
    AppendCell(cell, text, format);
    return WriteText(writer, cell.View());
}

bool ExportResults(SearchJob& job, const mvstring& path, int format,
                   const std::vector<std::uint8_t>& columns, bool sizeAsText) {
    if (path.empty())
        return false;
    std::vector<std::uint8_t> chosen;
    for (const std::uint8_t column : columns) {
        if (column <= ColumnExtension)
            chosen.push_back(column);
    }
    if (chosen.empty())
        return false;
    if (format != ExportCsv && format != ExportHtml)
        format = IsHtmlPath(path) ? ExportHtml : ExportCsv;
    // The rows are a copy of the display list, taken under the lock with a
    // hold on their items: the file is written and the shell asked for
    // texts without the lock, so that the list's readers never wait for
    // either.
    std::vector<FoundItem*> results;
    const ResultsHold hold = CopyResults(job, results);
    if (!hold)
        return false;

    VQFileWriter writer(Settings().FileBufferSize);
    if (!writer.HasBuffer() || !writer.Open(path))
        return false;

    RowBuffer row;
    if (format == ExportHtml) {
        const mvstring title =
            job.folder_text.empty() ? mvstring(L"Velquin") : MakeSearchTitle(job.folder_text, 1);
        row += kHtmlHead;
        AppendEscaped(row, title, ExportHtml);
        row += kHtmlStyle;
    } else {
        row += "\xEF\xBB\xBF";
    }
    bool written = WriteText(writer, row.View());
    std::vector<mvstring> titles;
    for (const std::uint8_t column : chosen)
        titles.push_back(GetColumnTitle(column, true)); // no mnemonics in a data file
    row.Clear();
    AppendRow(row, titles.size(), format,
              [&](std::size_t at, RowBuffer& out) { AppendCell(out, titles[at], format); });
    written = written && WriteText(writer, row.View());
    std::optional<SizeTextFormatter> sizeTexts;
    if (sizeAsText)
        sizeTexts.emplace(Settings().FileSizeFormat == 2);
    const SizeTextFormatter* sizes = sizeTexts ? &*sizeTexts : nullptr;
    TimeCells times(format);
    ExportCells cells(format, sizes, times);
    // A large export is formatted by several threads.
    const bool parallel =
        written && results.size() >= 2 * kChunkRows &&
        WriteRowsInParallel(writer, results, chosen, format, sizes, times, cells, written);
    row.Clear();
    ForEachPrefetched(
        results.begin(), parallel ? results.begin() : results.end(), [&](const FoundItem* item) {
            AppendRow(row, chosen.size(), format, [&](std::size_t at, RowBuffer& out) {
                cells.Append(out, *item, chosen[at]);
            });
            // Rows go out in batches.
            if (row.View().size() >= kBatchBytes) {
                written = WriteText(writer, row.View());
                row.Clear();
            }
            return written;
        });
    written = written && WriteText(writer, row.View());
    if (written && format == ExportHtml)
        written = WriteText(writer, kHtmlEnd);
    // A file that is not whole never takes the place of the one at the path.
    if (!written) {
        writer.Abandon();
        return false;
    }
    // Close tells whether every byte reached the file and it is in place.
    return writer.Close();
}

bool ExportResults(const mvstring& path, int format, const std::vector<std::uint8_t>& columns,
                   bool sizeAsText) {
    return ExportResults(GlobalSearchJob(), path, format, columns, sizeAsText);
}
