#include "search/ResultExport.h"

#include "foundation/DisplayText.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "foundation/mvLock.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"

#include <cwchar>
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

// "&", "<", ">" and the quote as entities, so that no text can end the cell
// or open markup.
std::string HtmlEscaped(const mvstring& text) {
    std::string out;
    for (const char ch : WideToUtf8(text)) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

bool IsHtmlPath(const mvstring& path) {
    const std::size_t dot = path.rfind(L'.');
    if (dot == mvstring::npos || path.find(L'\\', dot) != mvstring::npos)
        return false;
    const std::wstring_view extension = path.view().substr(dot);
    return mvstring::EqualsNoCase(extension, L".htm") ||
           mvstring::EqualsNoCase(extension, L".html");
}

mvstring CellText(const FoundItem& item, std::uint8_t column, bool sizeAsText) {
    switch (column) {
    case ColumnName:
        return item.name;
    case ColumnSize: {
        if (item.IsFolder())
            return {};
        if (sizeAsText)
            return Settings().FileSizeFormat == 2 ? item.size_kb_text : item.size_text;
        wchar_t number[32]{};
        std::swprintf(number, 32, L"%lld", static_cast<long long>(item.size));
        return number;
    }
    case ColumnType:
        return GlobalShellTypeCache().GetTypeName(item.ext, item.attr);
    case ColumnModified:
        return item.date_m_text;
    case ColumnFolder:
        return item.folder;
    case ColumnCreated:
        return item.date_c_text;
    case ColumnAccessed:
        return item.date_a_text;
    case ColumnAttributes:
        return item.attr_text;
    default:
        return item.ext;
    }
}

// One row: the cells, then CR LF (CSV) or the row's tags (HTML).
bool WriteRow(VQFileWriter& writer, const std::vector<mvstring>& cells, int format) {
    bool written = WriteText(writer, format == ExportHtml ? "<tr>" : "");
    for (std::size_t at = 0; at < cells.size() && written; ++at) {
        written = WriteExportCell(writer, cells[at], format);
        if (written && format == ExportCsv && at + 1 < cells.size())
            written = WriteText(writer, ",");
    }
    return written && WriteText(writer, format == ExportHtml ? "</tr>\r\n" : "\r\n");
}

} // namespace

bool WriteExportCell(VQFileWriter& writer, const mvstring& text, int format) {
    if (format == ExportHtml)
        return WriteText(writer, "<td>" + HtmlEscaped(text) + "</td>");
    if (text.empty())
        return true;
    std::string cell = "\"";
    // A leading apostrophe keeps a spreadsheet from running the cell as a
    // formula.
    if (text[0] == L'=' || text[0] == L'+' || text[0] == L'-' || text[0] == L'@')
        cell += '\'';
    for (const char ch : WideToUtf8(text)) {
        cell += ch;
        if (ch == '"')
            cell += '"';
    }
    cell += '"';
    return WriteText(writer, cell);
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

    std::vector<mvstring> cells;
    for (const std::uint8_t column : chosen)
        cells.push_back(GetColumnTitle(column, true)); // no mnemonics in a data file
    bool written;
    if (format == ExportHtml) {
        const mvstring title =
            job.folder_text.empty() ? mvstring(L"Velquin") : MakeSearchTitle(job.folder_text, 1);
        written = WriteText(writer, kHtmlHead) && WriteText(writer, HtmlEscaped(title)) &&
                  WriteText(writer, kHtmlStyle);
    } else {
        written = WriteText(writer, "\xEF\xBB\xBF");
    }
    written = written && WriteRow(writer, cells, format);
    {
        mvLock lock(job.lock);
        for (const FoundItem* item : job.results) {
            if (!written)
                break;
            for (std::size_t at = 0; at < chosen.size(); ++at)
                cells[at] = CellText(*item, chosen[at], sizeAsText);
            written = WriteRow(writer, cells, format);
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
