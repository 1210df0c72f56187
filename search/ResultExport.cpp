#include "search/ResultExport.h"

#include "foundation/DisplayText.h"
#include "foundation/FileTimes.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "foundation/Handles.h"
#include "foundation/mvLock.h"
#include "search/ResultList.h"
#include "search/SizeTextFormatter.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"

#include <shlwapi.h>

#include <algorithm>
#include <charconv>
#include <cwchar>
#include <functional>
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

// Appends the text as UTF-8 (an unpaired surrogate as U+FFFD), with quotes
// doubled for CSV, or "&", "<", ">" and quotes as entities for HTML, so that
// no text can end its cell or open markup. Writes through a pointer into
// room made for the longest outcome (six bytes a unit, "&quot;").
void AppendEscaped(RowBuffer& out, std::wstring_view text, int format) {
    char* p = out.Reserve(text.size() * 6);
    const bool html = format == ExportHtml;
    for (std::size_t at = 0; at < text.size(); ++at) {
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
    // A leading apostrophe keeps a spreadsheet from running the cell as a
    // formula.
    if (text[0] == L'=' || text[0] == L'+' || text[0] == L'-' || text[0] == L'@')
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
        if (lead.first == L'=' || lead.first == L'+' || lead.first == L'-' || lead.first == L'@')
            out += '\'';
    }
    out += lead.bytes;
    if (both) {
        out += ' ';
        out += b->bytes;
    }
    out += format == ExportHtml ? std::string_view("</td>") : std::string_view("\"");
}

// The cells of one export. What repeats across rows is escaped once and
// kept: the date of each day and the clock of each second (the local time
// taken with the bias of the export's start, as the system converts every
// time with the current one), attribute texts, type names and folders.
// Texts the property system makes are formatted cell by cell.
class ExportCells {
public:
    // `sizes` makes the size texts when sizes are written as text. With
    // `attributes`, the attribute texts are taken from there (made
    // beforehand by the exporting thread) instead of this thread's own.
    ExportCells(int format, const SizeTextFormatter* sizes,
                const std::unordered_map<std::uint32_t, mvstring>* attributes = nullptr)
        : m_attributes(attributes), m_format(format), m_sizes(sizes),
          m_kbSizes(Settings().FileSizeFormat == 2), m_types(GlobalShellTypeCache()),
          m_clockAt(2 * kSecondsPerDay, -1) {
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
        case ColumnType: {
            const mvstring& name = m_types.Get(item);
            AppendPieces(out, Kept(m_typeCells, &name, name), nullptr, m_format);
            return;
        }
        case ColumnFolder:
            AppendPieces(out, Kept(m_folderCells, item.folder.c_str(), item.folder), nullptr,
                         m_format);
            return;
        case ColumnModified:
        case ColumnCreated:
        case ColumnAccessed:
            AppendDate(out, item, column);
            return;
        case ColumnAttributes: {
            const mvstring& text = AttributeText(item);
            AppendPieces(out, Kept(m_attributeCells, &text, text), nullptr, m_format);
            return;
        }
        default:
            AppendCell(out, item.ext, m_format);
            return;
        }
    }

private:
    static constexpr std::uint32_t kSecondsPerDay = 86400;
    static constexpr std::uint64_t kDay = 864000000000ull;
    static constexpr std::uint64_t kSecond = 10000000ull;
    static constexpr std::size_t kKeptLimit = 100000;

    // The escaped piece of a text, by a key that stays with the text while
    // the export runs (the text's own address).
    template <typename Key>
    const Piece& Kept(std::unordered_map<Key, Piece>& kept, Key key, std::wstring_view text) {
        auto found = kept.find(key);
        if (found == kept.end()) {
            if (kept.size() >= kKeptLimit)
                kept.clear();
            found = kept.emplace(key, MakePiece(text, m_format)).first;
        }
        return found->second;
    }

    const mvstring& AttributeText(const FoundItem& item) const {
        if (!m_attributes || !(item.text_form & FoundItem::kTextsFormatted))
            return item.AttributeText();
        return m_attributes->at(item.attr);
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
        std::uint32_t second =
            static_cast<std::uint32_t>(static_cast<std::uint64_t>(local) % kDay / kSecond);
        if (!seconds)
            second -= second % 60;
        std::int32_t& clockAt = m_clockAt[second * 2 + (seconds ? 1 : 0)];
        auto date = m_dates.find(day);
        if (date == m_dates.end() || clockAt < 0) {
            mvstring dateText, clockText;
            if (!LocalTimeParts(day * kDay + second * kSecond, seconds, dateText, clockText)) {
                AppendCell(out, {}, m_format);
                return;
            }
            if (m_dates.size() >= kKeptLimit)
                m_dates.clear();
            date = m_dates.try_emplace(day, MakePiece(dateText, m_format)).first;
            if (clockAt < 0) {
                clockAt = static_cast<std::int32_t>(m_clocks.size());
                m_clocks.push_back(MakePiece(clockText, m_format));
            }
        }
        AppendPieces(out, date->second, &m_clocks[static_cast<std::size_t>(clockAt)], m_format);
    }

    const std::unordered_map<std::uint32_t, mvstring>* m_attributes;
    int m_format;
    const SizeTextFormatter* m_sizes;
    bool m_kbSizes;
    bool m_haveBias = false;
    std::int64_t m_bias = 0;
    ItemTypeNames m_types;
    mvstring m_scratch;
    std::unordered_map<const mvstring*, Piece> m_typeCells;
    std::unordered_map<const mvstring*, Piece> m_attributeCells;
    std::unordered_map<const wchar_t*, Piece> m_folderCells;
    std::unordered_map<std::uint64_t, Piece> m_dates; // by local day
    std::vector<std::int32_t> m_clockAt;              // by second of the day, twice for the forms
    std::vector<Piece> m_clocks;
};

// Rows per piece of work when several threads format a large export.
constexpr std::size_t kChunkRows = 4096;

// A large export's rows formatted in chunks by a few threads, each with its
// own kept texts, while the exporting thread writes the finished chunks in
// order. The exporting thread holds the results lock throughout, so nothing
// changes the list under the formatting threads. At most a few chunks wait
// unwritten, so memory stays small whatever the export's size.
class ParallelRows {
public:
    ParallelRows(const ResultDeque& results, const std::vector<std::uint8_t>& chosen, int format,
                 const SizeTextFormatter* sizes,
                 const std::unordered_map<std::uint32_t, mvstring>& attributes)
        : m_results(results), m_chosen(chosen), m_attributes(attributes), m_format(format),
          m_sizes(sizes), m_chunks((results.size() + kChunkRows - 1) / kChunkRows),
          m_done(m_chunks), m_ready(m_chunks, 0) {}

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

    // Writes every chunk in order; false, stopping the threads, when a write
    // fails.
    bool WriteAll(VQFileWriter& writer) {
        bool written = true;
        for (std::size_t chunk = 0; chunk < m_chunks && written; ++chunk) {
            RowBuffer rows;
            AcquireSRWLockExclusive(&m_lock);
            while (!m_ready[chunk])
                SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
            rows = std::move(m_done[chunk]);
            m_written = chunk + 1;
            ReleaseSRWLockExclusive(&m_lock);
            WakeAllConditionVariable(&m_changed);
            written = WriteText(writer, rows.View());
            // The buffer goes back for another chunk: fresh large buffers
            // would cost the system new pages every time.
            rows.Clear();
            AcquireSRWLockExclusive(&m_lock);
            m_spare.push_back(std::move(rows));
            ReleaseSRWLockExclusive(&m_lock);
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

private:
    static DWORD WINAPI Run(void* parameter) {
        static_cast<ParallelRows*>(parameter)->Format();
        return 0;
    }

    void Format() {
        ExportCells cells(m_format, m_sizes, &m_attributes);
        for (;;) {
            AcquireSRWLockExclusive(&m_lock);
            while (!m_stop && m_next < m_chunks && m_next >= m_written + m_window)
                SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
            if (m_stop || m_next >= m_chunks) {
                ReleaseSRWLockExclusive(&m_lock);
                return;
            }
            const std::size_t chunk = m_next++;
            RowBuffer rows;
            if (!m_spare.empty()) {
                rows = std::move(m_spare.back());
                m_spare.pop_back();
            }
            ReleaseSRWLockExclusive(&m_lock);

            const std::size_t first = chunk * kChunkRows;
            const std::size_t last = std::min(first + kChunkRows, m_results.size());
            auto begin = m_results.begin() + static_cast<std::ptrdiff_t>(first);
            ForEachPrefetched(begin, begin + static_cast<std::ptrdiff_t>(last - first),
                              [&](const FoundItem* item) {
                                  AppendRow(rows, m_chosen.size(), m_format,
                                            [&](std::size_t at, RowBuffer& out) {
                                                cells.Append(out, *item, m_chosen[at]);
                                            });
                                  return true;
                              });

            AcquireSRWLockExclusive(&m_lock);
            m_done[chunk] = std::move(rows);
            m_ready[chunk] = 1;
            ReleaseSRWLockExclusive(&m_lock);
            WakeAllConditionVariable(&m_changed);
        }
    }

    const ResultDeque& m_results;
    const std::vector<std::uint8_t>& m_chosen;
    const std::unordered_map<std::uint32_t, mvstring>& m_attributes;
    const int m_format;
    const SizeTextFormatter* const m_sizes;
    const std::size_t m_chunks;
    std::vector<RowBuffer> m_done; // finished chunks not yet written
    std::vector<char> m_ready;
    std::vector<RowBuffer> m_spare; // written buffers for the next chunks
    std::size_t m_next = 0;         // the next chunk to format
    std::size_t m_written = 0;      // chunks taken by the writer
    std::size_t m_window = 2;       // how far formatting may run ahead of writing
    bool m_stop = false;
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    std::vector<ThreadHandle> m_threads;
};

// Writes the rows through formatting threads. Those threads touch neither
// the property system nor per-thread state: the attribute texts and type
// names are made first by the calling thread, and rows whose texts the
// property system makes stay with it. False, having written nothing, when
// such a row is there or no thread can be started (the caller then formats
// the rows itself); else true with `written` telling whether every write
// succeeded.
bool WriteRowsInParallel(VQFileWriter& writer, const ResultDeque& results,
                         const std::vector<std::uint8_t>& chosen, int format,
                         const SizeTextFormatter* sizes, bool& written) {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const unsigned processors = system.dwNumberOfProcessors;
    if (processors < 2)
        return false;
    std::unordered_map<std::uint32_t, mvstring> attributes;
    ItemTypeNames types(GlobalShellTypeCache());
    bool shell = false;
    ForEachPrefetched(results.begin(), results.end(), [&](const FoundItem* item) {
        if (item->text_form & FoundItem::kTextShell)
            return !(shell = true);
        if ((item->text_form & FoundItem::kTextsFormatted) && !attributes.count(item->attr))
            attributes.emplace(item->attr, item->AttributeText());
        types.Get(*item); // into the shared cache, asked once per extension
        return true;
    });
    if (shell)
        return false;
    ParallelRows rows(results, chosen, format, sizes, attributes);
    if (!rows.Start(std::min(4u, processors - 1)))
        return false;
    written = rows.WriteAll(writer);
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
    {
        mvLock lock(job.lock);
        if (job.results.empty())
            return false;
    }
    std::vector<std::uint8_t> chosen;
    for (const std::uint8_t column : columns) {
        if (column <= ColumnExtension)
            chosen.push_back(column);
    }
    if (chosen.empty())
        return false;
    if (format != ExportCsv && format != ExportHtml)
        format = IsHtmlPath(path) ? ExportHtml : ExportCsv;

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
    {
        mvLock lock(job.lock);
        // A large export is formatted by several threads.
        const bool parallel =
            written && job.results.size() >= 2 * kChunkRows &&
            WriteRowsInParallel(writer, job.results, chosen, format, sizes, written);
        ExportCells cells(format, sizes);
        row.Clear();
        ForEachPrefetched(job.results.begin(), parallel ? job.results.begin() : job.results.end(),
                          [&](const FoundItem* item) {
                              AppendRow(row, chosen.size(), format,
                                        [&](std::size_t at, RowBuffer& out) {
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
    }
    if (written && format == ExportHtml)
        written = WriteText(writer, kHtmlEnd);
    // Close tells whether every byte reached the file.
    return writer.Close() && written;
}

bool ExportResults(const mvstring& path, int format, const std::vector<std::uint8_t>& columns,
                   bool sizeAsText) {
    return ExportResults(GlobalSearchJob(), path, format, columns, sizeAsText);
}
