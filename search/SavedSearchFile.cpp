#include "search/SavedSearchFile.h"

#include "foundation/ConfigFiles.h"
#include "foundation/FileAccess.h"
#include "foundation/FileWriter.h"
#include "foundation/Numbers.h"
#include "foundation/Paths.h"
#include "foundation/ReplacingFile.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/TextFileReader.h"
#include "foundation/mvLock.h"
#include "search/FolderList.h"
#include "search/FoundItem.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/ResultsHold.h"
#include "search/SearchCriteria.h"
#include "search/SearchJob.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Gathers the lines of a file as UTF-16LE and hands them to the writer in
// pieces, so that a large result list never sits in memory twice.
class LineWriter {
public:
    explicit LineWriter(VQFileWriter& writer) : m_writer(writer) {}

    void Line(std::wstring_view indent, std::wstring_view key, std::wstring_view value) {
        m_text += indent;
        m_text += key;
        m_text += L" = ";
        m_text += value;
        m_text += L"\r\n";
        if (m_text.size() >= kFlushUnits)
            Flush();
    }
    void Text(std::wstring_view text) { m_text += text; }
    // False when any write so far failed.
    bool Flush() {
        if (!m_text.empty() && !m_writer.Write(m_text.data(), m_text.size() * sizeof(wchar_t)))
            m_failed = true;
        m_text.clear();
        return !m_failed;
    }

private:
    static constexpr size_t kFlushUnits = 32 * 1024;
    VQFileWriter& m_writer;
    std::wstring m_text;
    bool m_failed = false;
};

// "%I64d".
mvstring SignedText(int64_t value) {
    return mvstring(std::to_wstring(value));
}

mvstring BoolText(bool value) {
    return value ? L"true" : L"false";
}

bool HasLineBreak(const mvstring& text) {
    return text.find_first_of(L"\r\n") != mvstring::npos;
}

// One line per field that differs from the defaults, in the file's order.
void WriteCriteria(LineWriter& out, const SearchCriteria& c) {
    const SearchCriteria d;
    auto text = [&](const wchar_t* key, const mvstring& value, const mvstring& def) {
        if (value.str() != def.str())
            out.Line(L"\t", key, value);
    };
    auto option = [&](const wchar_t* key, int32_t value, int32_t def) {
        if (value != def)
            out.Line(L"\t", key, ByteToText(static_cast<unsigned char>(value)));
    };
    auto flag = [&](const wchar_t* key, bool value, bool def) {
        if (value != def)
            out.Line(L"\t", key, BoolText(value));
    };
    auto real = [&](const wchar_t* key, double value, double def) {
        if (value != def)
            out.Line(L"\t", key, FormatDouble(value));
    };
    auto date = [&](const wchar_t* key, uint64_t value, uint64_t def) {
        if (value != def)
            out.Line(L"\t", key, FormatUInt64(value));
    };
    text(L"name", c.name, d.name);
    option(L"name_opt", c.name_opt, d.name_opt);
    flag(L"name_case", c.name_case, d.name_case);
    text(L"word", c.word, d.word);
    option(L"word_opt", c.word_opt, d.word_opt);
    flag(L"word_case", c.word_case, d.word_case);
    flag(L"word_hex", c.word_hex, d.word_hex);
    option(L"size_mode", c.size_mode, d.size_mode);
    option(L"size_logic1", c.size_logic1, d.size_logic1);
    option(L"size_logic2", c.size_logic2, d.size_logic2);
    real(L"size1", c.size1, d.size1);
    real(L"size2", c.size2, d.size2);
    option(L"date_mode", c.date_mode, d.date_mode);
    option(L"date_part", c.date_part, d.date_part);
    option(L"date_logic1", c.date_logic1, d.date_logic1);
    option(L"date_logic2", c.date_logic2, d.date_logic2);
    date(L"date1", c.date1, d.date1);
    date(L"date2", c.date2, d.date2);
    flag(L"date_usesec", c.date_usesec, d.date_usesec);
    if (c.attr != d.attr)
        out.Line(L"\t", L"attr", FormatUInt64(c.attr));
    flag(L"subfolder", c.subfolder, d.subfolder);
}

void WriteItems(LineWriter& out, const std::vector<const FoundItem*>& items) {
    const mvstring* folder = nullptr;
    for (const FoundItem* item : items) {
        if (!folder || item->folder.str() != folder->str()) {
            out.Line(L"", L"folder", item->folder);
            folder = &item->folder.text();
        }
        out.Line(L"\t", L"name", item->name);
        if (item->size != 0)
            out.Line(L"\t\t", L"size", SignedText(static_cast<int64_t>(item->size)));
        out.Line(L"\t\t", L"date_m", FormatUInt64(item->date_m));
        out.Line(L"\t\t", L"date_c", FormatUInt64(item->date_c));
        out.Line(L"\t\t", L"date_a", FormatUInt64(item->date_a));
        if (item->attr != 0)
            out.Line(L"\t\t", L"attr", FormatUInt64(item->attr));
        if (item->wsoffset >= 0) {
            out.Line(L"\t\t", L"wsoffset", SignedText(item->wsoffset));
            out.Line(L"\t\t", L"wslen", IntToText(item->wslen));
        }
    }
}

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}

// What a key or value is trimmed of: blanks and tabs, not line breaks.
constexpr std::wstring_view kLineBlanks = L" \t";

uint8_t LowByte(std::wstring_view text) {
    return static_cast<uint8_t>(mvstring(text).ToInt());
}

// Sets one criteria field from the file; false for a key it does not know.
bool SetCriteriaField(SearchCriteria& c, std::wstring_view key, std::wstring_view value) {
    auto is = [&](const wchar_t* name) { return mvstring::EqualsNoCase(key, name); };
    if (is(L"name"))
        c.name = value;
    else if (is(L"name_opt"))
        c.name_opt = LowByte(value);
    else if (is(L"name_case"))
        c.name_case = ParseBool(value);
    else if (is(L"word"))
        c.word = value;
    else if (is(L"word_opt"))
        c.word_opt = LowByte(value);
    else if (is(L"word_case"))
        c.word_case = ParseBool(value);
    else if (is(L"word_hex"))
        c.word_hex = ParseBool(value);
    else if (is(L"size_mode"))
        c.size_mode = LowByte(value);
    else if (is(L"size_logic1"))
        c.size_logic1 = LowByte(value);
    else if (is(L"size_logic2"))
        c.size_logic2 = LowByte(value);
    else if (is(L"size1"))
        c.size1 = ParseDouble(value);
    else if (is(L"size2"))
        c.size2 = ParseDouble(value);
    else if (is(L"date_mode"))
        c.date_mode = LowByte(value);
    else if (is(L"date_part"))
        c.date_part = LowByte(value);
    else if (is(L"date_logic1"))
        c.date_logic1 = LowByte(value);
    else if (is(L"date_logic2"))
        c.date_logic2 = LowByte(value);
    else if (is(L"date1"))
        c.date1 = mvstring(value).ToInt();
    else if (is(L"date2"))
        c.date2 = mvstring(value).ToInt();
    else if (is(L"date_usesec"))
        c.date_usesec = ParseBool(value);
    else if (is(L"attr"))
        c.attr = static_cast<uint32_t>(mvstring(value).ToInt());
    else if (is(L"subfolder"))
        c.subfolder = ParseBool(value);
    else
        return false;
    return true;
}

// Sets one field of the pending item; false for a key it does not know.
bool SetItemField(FoundItem& item, std::wstring_view key, std::wstring_view value) {
    auto is = [&](const wchar_t* name) { return mvstring::EqualsNoCase(key, name); };
    const uint64_t number = mvstring(value).ToInt();
    if (is(L"size"))
        item.size = number;
    else if (is(L"date_m"))
        item.date_m = number;
    else if (is(L"date_c"))
        item.date_c = number;
    else if (is(L"date_a"))
        item.date_a = number;
    else if (is(L"wsoffset"))
        item.wsoffset = static_cast<int64_t>(number);
    else if (is(L"attr"))
        item.attr = static_cast<uint32_t>(number);
    else if (is(L"wslen"))
        item.wslen = static_cast<int32_t>(number);
    else
        return false;
    return true;
}

void Notify(const SearchJob& job, int32_t code, int64_t value) {
    if (job.IsGlobal())
        PostNotify(code, value);
}

void ApplyCriteria(SearchJob& job, const SearchCriteria& criteria) {
    {
        mvLock lock(job.lock);
        job.criteria.Assign(criteria);
    }
    Notify(job, NotifyCriteriaLoaded, 0);
    PathList unused;
    job.ParseFolders(unused);
}

} // namespace

namespace {

// Writes the job's criteria (and results, unless criteriaOnly) to the file
// `open` starts in the writer. False when the job runs, a criteria text holds
// a line break, the file cannot be opened, or not every byte is in place; a
// file already at the target then stays as it was.
template <typename Open> bool WriteSearchFile(SearchJob& job, bool criteriaOnly, Open open) {
    if (job.IsRunning())
        return false;
    SearchCriteria criteria;
    {
        mvLock lock(job.lock);
        criteria.Assign(job.criteria);
    }
    if (HasLineBreak(criteria.folders) || HasLineBreak(criteria.name) ||
        HasLineBreak(criteria.word))
        return false;
    VQFileWriter writer(Settings().FileBufferSize);
    if (!open(writer))
        return false;

    LineWriter out(writer);
    out.Text(L"\xFEFF");
    out.Text(kSearchFileMagic);
    out.Text(L"\r\n");
    out.Line(L"", L"searchinfo", criteria.folders);
    WriteCriteria(out, criteria);
    if (!criteriaOnly) {
        out.Text(L"\r\n");
        // The items are written outside the results lock, held meanwhile, so
        // that the list's readers never wait for the disk.
        std::vector<FoundItem*> rows;
        const ResultsHold hold = CopyResults(job, rows);
        std::vector<const FoundItem*> items(rows.begin(), rows.end());
        std::stable_sort(items.begin(), items.end(), [](const FoundItem* a, const FoundItem* b) {
            return a->insert_index < b->insert_index;
        });
        WriteItems(out, items);
        out.Flush();
    }
    if (!out.Flush()) {
        writer.Abandon();
        return false;
    }
    return writer.Close();
}

} // namespace

bool SaveSearchFile(SearchJob& job, const mvstring& path, bool criteriaOnly) {
    return !path.empty() && WriteSearchFile(job, criteriaOnly, [&](VQFileWriter& writer) {
        return writer.Open(path);
    });
}

bool NextKeyValue(std::wstring_view text, std::size_t& cursor, std::wstring_view& key,
                  std::wstring_view& value, std::wstring_view& raw) {
    key = value = raw = {};
    while (cursor < text.size() &&
           (IsBlank(text[cursor]) || text[cursor] == L'\r' || text[cursor] == L'\n'))
        ++cursor;
    if (cursor >= text.size())
        return false;
    const size_t keyEnd = text.find_first_of(L"=\r\n", cursor);
    const size_t end = keyEnd == std::wstring_view::npos ? text.size() : keyEnd;
    key = TrimText(text.substr(cursor, end - cursor), kLineBlanks);
    if (end < text.size() && text[end] == L'=') {
        const size_t lineEnd = std::min(text.find_first_of(L"\r\n", end + 1), text.size());
        raw = text.substr(end + 1, lineEnd - end - 1);
        value = TrimText(raw, kLineBlanks);
        if (!raw.empty() && raw.front() == L' ')
            raw.remove_prefix(1);
        cursor = lineEnd < text.size() ? lineEnd + 1 : lineEnd;
    } else {
        cursor = end < text.size() ? end + 1 : end;
    }
    return true;
}

namespace {

// The version number after "Velquin" in a first key; -1 when the key is
// not the word and digits.
int FormatVersion(std::wstring_view key) {
    constexpr std::wstring_view stem = L"Velquin";
    if (key.size() <= stem.size() || key.size() > stem.size() + 6 ||
        !mvstring::EqualsNoCase(key.substr(0, stem.size()), stem))
        return -1;
    int version = 0;
    for (const wchar_t ch : key.substr(stem.size())) {
        if (ch < L'0' || ch > L'9')
            return -1;
        version = version * 10 + (ch - L'0');
    }
    return version;
}

SearchFileCheck CheckFirstKey(std::wstring_view key) {
    if (mvstring::EqualsNoCase(key, kSearchFileMagic))
        return SearchFileCheck::Good;
    static const int written = FormatVersion(kSearchFileMagic);
    return FormatVersion(key) > written ? SearchFileCheck::Newer : SearchFileCheck::Damaged;
}

// The first bytes decoded as the reader would decode the whole file.
mvstring DecodeStart(const uint8_t* bytes, size_t count) {
    const TextFileKind kind = ClassifyTextStart(bytes, count);
    bytes += kind.markLength;
    count -= kind.markLength;
    mvstring text;
    if (kind.encoding == TextFileEncoding::Utf8) {
        // A character cut at the end becomes a replacement character.
        if (count > 0 && AnsiToWide(text, reinterpret_cast<const char*>(bytes), count, CP_UTF8) <= 0)
            text.clear();
        return text;
    }
    text.resize(count / 2);
    if (!text.empty())
        memcpy(text.data(), bytes, text.size() * sizeof(wchar_t));
    if (kind.encoding == TextFileEncoding::Utf16Be)
        text.SwapBytes();
    return text;
}

} // namespace

SearchFileCheck CheckSearchFile(const mvstring& path) {
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return SearchFileCheck::Unreadable;
    }
    const FileHandle file = OpenFileForText(path, false);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size))
        return SearchFileCheck::Unreadable;
    if (size.QuadPart <= 0)
        return SearchFileCheck::Damaged;
    uint8_t start[512];
    size_t got = 0;
    if (!ReadFileUpTo(file.Get(), start, sizeof start, got))
        return SearchFileCheck::Unreadable;
    const bool whole = static_cast<LONGLONG>(got) == size.QuadPart;
    // A lone byte is one code unit to the reader, whatever it is.
    const mvstring text = got == 1 ? mvstring(std::wstring(1, static_cast<wchar_t>(start[0])))
                                   : DecodeStart(start, got);
    size_t cursor = 0;
    std::wstring_view key, value, raw;
    const bool found = NextKeyValue(text.view(), cursor, key, value, raw);
    // The key is whole once its line ended before the end of what was read.
    if (whole || (found && cursor < text.size()))
        return found ? CheckFirstKey(key) : SearchFileCheck::Damaged;
    mvstring content;
    if (!VQTextFileReader(file.Get()).ReadAllText(content))
        return SearchFileCheck::Unreadable;
    cursor = 0;
    return NextKeyValue(content.view(), cursor, key, value, raw) ? CheckFirstKey(key)
                                                                  : SearchFileCheck::Damaged;
}

bool AddLoadedItem(SearchJob& job, FoundItem& item) {
    if (item.folder.empty() || item.name.empty())
        return false;
    // Asked by the exact name, as the walk found it: a plain path would trim
    // a trailing blank or dot, or name a device, and drop a file that exists.
    if (job.settings.removeNonExists &&
        GetFileAttributesW(ExactPathForm(PathJoin(item.folder, item.name)).c_str()) ==
            INVALID_FILE_ATTRIBUTES)
        return false;
    item.ext = PathExtension(item.name.c_str());
    item.FormatTexts(job.criteria);
    if (!AddFoundItem(job, item))
        return false;
    Notify(job, NotifyItemsAdded, 0);
    return true;
}

bool LoadSearchFile(SearchJob& job, const mvstring& path, bool criteriaOnly) {
    if (path.empty())
        return false;
    const FileHandle file = OpenFileForText(path, false);
    return file && LoadSearchFile(job, file.Get(), criteriaOnly);
}

bool LoadSearchFile(SearchJob& job, HANDLE file, bool criteriaOnly) {
    {
        mvLock lock(job.lock);
        job.criteria.Reset();
    }
    mvstring content;
    if (!VQTextFileReader(file).ReadAllText(content) || content.empty())
        return false;
    const std::wstring_view text = content.view();
    size_t cursor = 0;
    std::wstring_view key, value, raw;
    if (!NextKeyValue(text, cursor, key, value, raw) ||
        !mvstring::EqualsNoCase(key, kSearchFileMagic))
        return false;

    SearchCriteria criteria;
    Notify(job, NotifyStarted, JobLoadFile);
    FoundItem pending;
    mvstring folder;
    bool inCriteria = false;
    bool stopped = false;
    auto addPending = [&] {
        pending.folder = folder;
        AddLoadedItem(job, pending);
        pending.Clear();
    };
    for (;;) {
        if (job.worker.CheckStop() || IsShuttingDown()) {
            stopped = true;
            break;
        }
        if (!NextKeyValue(text, cursor, key, value, raw))
            break;
        if (mvstring::EqualsNoCase(key, L"searchinfo")) {
            criteria.folders = value;
            inCriteria = true;
        } else if (mvstring::EqualsNoCase(key, L"folder")) {
            if (inCriteria) {
                ApplyCriteria(job, criteria);
                if (criteriaOnly)
                    break;
            }
            addPending();
            folder = raw;
            Notify(job, NotifyStatus, reinterpret_cast<int64_t>(folder.c_str()));
            inCriteria = false;
        } else if (inCriteria) {
            SetCriteriaField(criteria, key, value);
        } else if (mvstring::EqualsNoCase(key, L"name")) {
            addPending();
            pending.name = raw;
        } else {
            SetItemField(pending, key, value);
        }
    }
    if (!stopped) {
        if (inCriteria)
            ApplyCriteria(job, criteria);
        else
            addPending();
    }
    Notify(job, NotifyFinished, stopped ? 1 : 0);
    return true;
}

void DeleteDefaultSearch(SearchCriteria* criteria) {
    if (criteria)
        criteria->Reset();
    DeleteFileWithRetry(ConfigPathBesideProgram(L"defsearch.ini"));
    DeleteFileWithRetry(ConfigPathPerUser(L"defsearch.ini"));
}

void SaveDefaultSearch(const SearchCriteria* criteria) {
    if (!criteria) {
        DeleteDefaultSearch(nullptr);
        return;
    }
    SearchJob job;
    job.criteria.Assign(*criteria);
    if (job.criteria.Equals(SearchCriteria(), false)) {
        DeleteDefaultSearch(nullptr);
        return;
    }
    WriteSearchFile(job, true, [](VQFileWriter& writer) {
        ReplacingFile file;
        return OpenConfigFileForReplacing(L"defsearch.ini", file) && writer.Attach(file);
    });
}
