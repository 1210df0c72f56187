#include "search/ResultExport.h"

#include "foundation/DisplayText.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "foundation/mvLock.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"

#include <algorithm>
#include <functional>
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

// The text of one cell; `scratch` holds a text formatted for it.
std::wstring_view CellText(const FoundItem& item, std::uint8_t column, bool sizeAsText,
                           mvstring& scratch, ItemTypeNames& types) {
    switch (column) {
    case ColumnName:
        return item.name;
    case ColumnSize:
        if (item.IsFolder())
            return {};
        if (sizeAsText) {
            item.GetText(Settings().FileSizeFormat == 2 ? ItemText::SizeKb : ItemText::Size,
                         scratch);
            return scratch;
        }
        scratch = std::to_wstring(item.size);
        return scratch;
    case ColumnType:
        return types.Get(item).view();
    case ColumnModified:
        item.GetText(ItemText::Modified, scratch);
        return scratch;
    case ColumnFolder:
        return item.folder;
    case ColumnCreated:
        item.GetText(ItemText::Created, scratch);
        return scratch;
    case ColumnAccessed:
        item.GetText(ItemText::Accessed, scratch);
        return scratch;
    case ColumnAttributes:
        item.GetText(ItemText::Attributes, scratch);
        return scratch;
    default:
        return item.ext;
    }
}

// A whole row into `out`: the cells, then CR LF (CSV) or the row's tags.
template <typename CellOf>
void MakeRow(RowBuffer& out, std::size_t cells, int format, CellOf cellOf) {
    out.Clear();
    if (format == ExportHtml)
        out += "<tr>";
    for (std::size_t at = 0; at < cells; ++at) {
        if (format == ExportCsv && at > 0)
            out += ',';
        AppendCell(out, cellOf(at), format);
    }
    out += format == ExportHtml ? "</tr>\r\n" : "\r\n";
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
    MakeRow(row, titles.size(), format, [&](std::size_t at) { return titles[at].view(); });
    written = written && WriteText(writer, row.View());
    {
        mvLock lock(job.lock);
        mvstring scratch;
        ItemTypeNames types(GlobalShellTypeCache());
        for (const FoundItem* item : job.results) {
            if (!written)
                break;
            MakeRow(row, chosen.size(), format, [&](std::size_t at) {
                return CellText(*item, chosen[at], sizeAsText, scratch, types);
            });
            written = WriteText(writer, row.View());
        }
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
