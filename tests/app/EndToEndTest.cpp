// The program with its window against the windowless run: the same folder
// searched both ways, the window's list read from outside, and what it shows
// held against the windowless run's result file and a CSV export of the same
// rows.
#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "search/ResultExport.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kListId = 1003;
constexpr int kSearchButtonId = 10018;

// The panel's controls.
constexpr int kNameEdit = 1004;
constexpr int kNameOptionFirst = 1006; // five radios
constexpr int kNameCase = 1011;
constexpr int kWordEdit = 1012;
constexpr int kWordOptionFirst = 1014; // five radios
constexpr int kWordCase = 1019;
constexpr int kWordHex = 1020;
constexpr int kFolderCombo = 1021;
constexpr int kSizeUnit = 1024;
constexpr int kSizeLogic1 = 1026;
constexpr int kSizeEdit1 = 1027;
constexpr int kSizeLogic2 = 1028;
constexpr int kSizeEdit2 = 1029;
constexpr int kDateMode = 1031;
constexpr int kDatePart = 1032;
constexpr int kDateLogic1 = 1034;
constexpr int kDatePicker1 = 1035;
constexpr int kDateLogic2 = 1036;
constexpr int kDatePicker2 = 1037;
constexpr int kSubfolders = 1043;
// The attribute boxes and the bit each stands for.
constexpr struct {
    int id;
    std::uint32_t bit;
} kAttributeBoxes[] = {{1039, 0x80}, {1040, 0x01}, {1041, 0x02}, {1042, 0x04}, {1044, 0x10}};

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t ch : text)
        out += ch < 128 ? static_cast<char>(ch) : '?';
    return out;
}

std::uint64_t Counts(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FILETIME FileTimeOf(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0,
                    WORD second = 0) {
    const SYSTEMTIME system{year, month, 0, day, hour, minute, second, 0};
    FILETIME time{};
    SystemTimeToFileTime(&system, &time);
    return time;
}

// Sets the modified and accessed times of a file (null: left as they are).
bool SetTimes(const std::wstring& path, const FILETIME* modified, const FILETIME* accessed) {
    FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && SetFileTime(file.Get(), nullptr, accessed, modified);
}

// Ends the program at the end of the scope when it still runs, so that a
// failed check leaves no window behind.
class EndsWithScope {
public:
    explicit EndsWithScope(const ProgramProcess& run) : m_run(run) {}
    ~EndsWithScope() {
        if (m_run.Handle() != nullptr && WaitForSingleObject(m_run.Handle(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_run.Handle(), 99);
            WaitForSingleObject(m_run.Handle(), 10000);
        }
    }
    EndsWithScope(const EndsWithScope&) = delete;
    EndsWithScope& operator=(const EndsWithScope&) = delete;

private:
    const ProgramProcess& m_run;
};

// A message to a window of the program, given up after 30 s rather than
// hanging the test on a program that no longer answers.
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, 30000, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    Send(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

// Memory in the program's process, for the messages whose parameters point
// at data: those are not carried across processes.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : m_process(process),
          m_address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                   PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    explicit operator bool() const { return m_address != nullptr; }
    char* At(std::size_t offset) const { return static_cast<char*>(m_address) + offset; }
    LPARAM Param(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
    bool Write(const void* data, std::size_t size, std::size_t offset = 0) const {
        SIZE_T done = 0;
        return WriteProcessMemory(m_process, At(offset), data, size, &done) && done == size;
    }
    bool Read(void* data, std::size_t size, std::size_t offset = 0) const {
        SIZE_T done = 0;
        return ReadProcessMemory(m_process, At(offset), data, size, &done) && done == size;
    }

private:
    HANDLE m_process;
    void* m_address;
};

// The results list of the program read from outside: its columns by id and
// its cells' texts, which the owner-data list asks its owner for.
class RemoteList {
public:
    RemoteList(HANDLE process, HWND list) : m_list(list), m_memory(process, 4096) {}

    explicit operator bool() const { return static_cast<bool>(m_memory); }
    int Count() const { return static_cast<int>(Send(m_list, LVM_GETITEMCOUNT)); }

    // The position of the column with the id; -1 when it is not shown.
    int Position(int id) const {
        const int columns =
            static_cast<int>(Send(reinterpret_cast<HWND>(Send(m_list, LVM_GETHEADER)),
                                  HDM_GETITEMCOUNT));
        for (int at = 0; at < columns; ++at) {
            LVCOLUMNW column{};
            column.mask = LVCF_SUBITEM;
            if (!m_memory.Write(&column, sizeof column) ||
                !Send(m_list, LVM_GETCOLUMNW, at, m_memory.Param()) ||
                !m_memory.Read(&column, sizeof column))
                return -1;
            if (column.iSubItem == id)
                return at;
        }
        return -1;
    }

    std::wstring Cell(int row, int position) const {
        constexpr std::size_t kText = 256; // after the item record
        constexpr int kChars = (4096 - kText) / sizeof(wchar_t);
        LVITEMW item{};
        item.iSubItem = position;
        item.pszText = reinterpret_cast<LPWSTR>(m_memory.At(kText));
        item.cchTextMax = kChars;
        const wchar_t none = 0;
        if (!m_memory.Write(&item, sizeof item) || !m_memory.Write(&none, sizeof none, kText))
            return L"<unwritable>";
        const LRESULT length = Send(m_list, LVM_GETITEMTEXTW, row, m_memory.Param());
        std::wstring text(static_cast<std::size_t>(std::clamp<LRESULT>(length, 0, kChars - 1)),
                          L'\0');
        if (!text.empty() && !m_memory.Read(text.data(), text.size() * sizeof(wchar_t), kText))
            return L"<unreadable>";
        return text;
    }

private:
    HWND m_list;
    RemoteMemory m_memory;
};

// One result as the windowless run wrote it.
struct FileRow {
    std::wstring folder, name, ext;
    std::uint64_t size = 0, modified = 0;
    bool isFolder = false;

    std::wstring Path() const { return folder + L"\\" + name; }
};

// The windowless run of the build's program: its result file loaded into
// `job`; the rows in the order of finding.
std::vector<FileRow> WindowlessRun(const std::wstring& arguments, const TempDir& work,
                                   SearchJob& job, std::string& failure) {
    const std::wstring result = work / L"windowless.velquin";
    DeleteFileW(result.c_str());
    const Outcome outcome = RunProgram(arguments + L" /out " + Quoted(result));
    if (!outcome.failure.empty() || outcome.exitCode != 0 || !outcome.error.empty()) {
        failure = "windowless run: exit code " + std::to_string(outcome.exitCode) + " " +
                  outcome.failure + outcome.error;
        return {};
    }
    if (!LoadSearchFile(job, result, false)) {
        failure = "the windowless run's result file cannot be loaded";
        return {};
    }
    std::vector<FileRow> rows;
    for (const FoundItem* item = job.first; item; item = item->next)
        rows.push_back({item->folder.str(), item->name.str(), item->ext.str(), item->size,
                        item->date_m, item->IsFolder()});
    return rows;
}

// The fields of a CSV text as the export writes it: UTF-8 with a byte-order
// mark, fields in quotes with their quotes doubled, lines ended by CRLF.
std::vector<std::vector<std::wstring>> ParseCsv(const std::string& bytes) {
    const std::size_t start = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start,
                                      static_cast<int>(bytes.size() - start), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, static_cast<int>(bytes.size() - start),
                        text.data(), n);
    std::vector<std::vector<std::wstring>> rows(1);
    std::wstring field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        if (quoted) {
            if (ch == L'"' && i + 1 < text.size() && text[i + 1] == L'"')
                field += text[++i];
            else if (ch == L'"')
                quoted = false;
            else
                field += ch;
        } else if (ch == L'"') {
            quoted = true;
        } else if (ch == L',') {
            rows.back().push_back(field);
            field.clear();
        } else if (ch == L'\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else if (ch != L'\r') {
            field += ch;
        }
    }
    if (!field.empty() || !rows.back().empty())
        rows.back().push_back(field);
    else
        rows.pop_back();
    return rows;
}

// Waits until the window shows a finished search: the Search button reads
// `searchCaption` again and the list holds `count` results. A search that
// has begun clears the list and shows the cancel caption before it adds its
// first result, and the finished notification sets the caption and the count
// in one message (the list sorted before the next message is answered), so
// both together mean the end. False after 60 s.
bool WaitForFinish(HWND button, HWND list, const std::wstring& searchCaption, int count) {
    for (int waited = 0; waited < 60000; waited += 100, Sleep(100)) {
        if (WindowText(button) == searchCaption &&
            static_cast<int>(Send(list, LVM_GETITEMCOUNT)) == count)
            return true;
    }
    return false;
}

// The window's list rows, their name and folder joined.
std::vector<std::wstring> ListPaths(const RemoteList& list, int namePos, int folderPos) {
    std::vector<std::wstring> paths;
    for (int row = 0, n = list.Count(); row < n; ++row)
        paths.push_back(list.Cell(row, folderPos) + L"\\" + list.Cell(row, namePos));
    return paths;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text)
        ch = static_cast<wchar_t>(std::towlower(ch));
    return text;
}

// --- the results list against the windowless run and the export ---

// A tree whose files differ in every sort key: first letters of their names
// (so that no collation rule decides), sizes, extensions but one pair, and
// modified and accessed times; one folder.
void MakeSortTree(const TempDir& t) {
    struct File {
        const wchar_t* name;
        std::size_t size;
        FILETIME modified, accessed;
    } files[] = {
        {L"tree\\Apple.txt", 700, FileTimeOf(2023, 5, 1, 12, 0, 7), FileTimeOf(2024, 1, 2, 3)},
        {L"tree\\banana.dat", 2500, FileTimeOf(2021, 2, 3, 8, 9, 10), FileTimeOf(2024, 2, 2)},
        {L"tree\\Cherry.bin", 130000, FileTimeOf(2024, 1, 1, 23, 59), FileTimeOf(2024, 3, 2)},
        {L"tree\\date.log", 1500000, FileTimeOf(2022, 7, 7, 7, 7, 7), FileTimeOf(2024, 4, 2)},
        {L"tree\\sub\\elder.TXT", 40, FileTimeOf(2020, 12, 31, 23, 59, 59),
         FileTimeOf(2024, 5, 2)},
    };
    for (const File& f : files) {
        t.WriteFile(f.name, std::string(f.size, 'x'));
        SetTimes(t / f.name, &f.modified, &f.accessed);
    }
}

// The order the window should show, worked out here: folders first, then by
// the column's key, names without regard to case breaking ties; descending
// reverses it all.
std::vector<std::wstring> ExpectedOrder(std::vector<FileRow> rows, int column, bool descending) {
    auto key = [column](const FileRow& a, const FileRow& b) -> int {
        switch (column) {
        case ColumnSize:
            return a.size < b.size ? -1 : a.size > b.size;
        case ColumnModified:
            return a.modified < b.modified ? -1 : a.modified > b.modified;
        case ColumnExtension:
            return Lower(a.ext).compare(Lower(b.ext));
        default:
            return 0;
        }
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const FileRow& a, const FileRow& b) {
        int r = a.isFolder != b.isFolder ? (a.isFolder ? -1 : 1) : key(a, b);
        if (r == 0)
            r = Lower(a.name).compare(Lower(b.name));
        return descending ? r > 0 : r < 0;
    });
    std::vector<std::wstring> paths;
    for (const FileRow& row : rows)
        paths.push_back(row.Path());
    return paths;
}

} // namespace

TEST(EndToEnd, TheWindowListsTheWindowlessRunsItemsInTheChosenOrderWithTheExportsTexts) {
    TempDir t;
    MakeSortTree(t);
    const std::wstring tree = t / L"tree";
    SearchJob windowless;
    std::string failure;
    const std::vector<FileRow> found = WindowlessRun(Quoted(tree), t, windowless, failure);
    ASSERT_EQ(failure, "");
    ASSERT_EQ(found.size(), 6u); // five files and the folder

    struct Case {
        const char* what;
        int column;
        bool descending;
        int sizeFormat; // FileSizeFormat: 1 short sizes, 2 whole kilobytes, in list and export
    } cases[] = {
        {"by name", ColumnName, false, 1},
        {"by size, descending", ColumnSize, true, 2},
        {"by modified time", ColumnModified, false, 1},
        {"by extension, descending", ColumnExtension, true, 2},
    };
    const std::uint8_t oldSizeFormat = Settings().FileSizeFormat;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The export of the windowless run's rows, made here with the same
        // size format as the window's.
        Settings().FileSizeFormat = static_cast<std::uint8_t>(c.sizeFormat);
        const std::wstring csv = t / L"export.csv";
        const bool exported =
            ExportResults(windowless, csv, ExportCsv,
                          {ColumnName, ColumnFolder, ColumnSize, ColumnModified, ColumnCreated,
                           ColumnAccessed},
                          true);
        Settings().FileSizeFormat = oldSizeFormat;
        ASSERT_TRUE(exported);
        const auto csvRows = ParseCsv(TempDir::ReadFile(csv));
        ASSERT_EQ(csvRows.size(), found.size() + 1); // the titles first
        std::map<std::wstring, std::vector<std::wstring>> exportOf;
        for (std::size_t i = 1; i < csvRows.size(); ++i) {
            ASSERT_EQ(csvRows[i].size(), 6u);
            exportOf[csvRows[i][1] + L"\\" + csvRows[i][0]] = csvRows[i];
        }

        ProgramCopy copy({{L"config.ini", "SortColumn = " + std::to_string(c.column) +
                                              "\r\nSortDescending = " +
                                              (c.descending ? "true" : "false") +
                                              "\r\nKeepFoldersOnTop = true\r\nGroupColumn = 9\r\n"},
                          {L"advconf.ini", "FileSizeFormat = " + std::to_string(c.sizeFormat) +
                                               "\r\n"}});
        ProgramProcess run;
        ASSERT_TRUE(run.Start(L"/runnow " + Quoted(tree), copy.Dir().Path(), copy.Exe()))
            << run.outcome.failure;
        const EndsWithScope ends(run);
        HWND main = run.WaitForWindow(nullptr);
        ASSERT_NE(main, nullptr) << EndedWithout(run);
        HWND listWindow = GetDlgItem(main, kListId);
        HWND button = Descendant(main, kSearchButtonId);
        ASSERT_NE(listWindow, nullptr);
        ASSERT_NE(button, nullptr);
        const bool finished =
            WaitForFinish(button, listWindow, copy.IniText(L"Lang\\english.ini", L"search_panel", L"search").str(),
                          static_cast<int>(found.size()));
        RemoteList list(run.Handle(), listWindow);
        ASSERT_TRUE(list);
        ASSERT_TRUE(finished) << "the list holds " << list.Count() << " items, the button reads "
                              << Narrow(WindowText(button));

        const int name = list.Position(ColumnName), folder = list.Position(ColumnFolder);
        ASSERT_GE(name, 0);
        ASSERT_GE(folder, 0);
        const std::vector<std::wstring> shown = ListPaths(list, name, folder);
        std::vector<std::wstring> foundPaths;
        for (const FileRow& row : found)
            foundPaths.push_back(row.Path());
        EXPECT_EQ(Sorted(shown), Sorted(foundPaths)) << "not the windowless run's items";
        EXPECT_EQ(shown, ExpectedOrder(found, c.column, c.descending));

        // Each shown row's size and date texts are its exported ones.
        const struct {
            const char* title;
            int id;
            int field; // in the export's rows
        } texts[] = {{"size", ColumnSize, 2},
                     {"modified", ColumnModified, 3},
                     {"created", ColumnCreated, 4},
                     {"accessed", ColumnAccessed, 5}};
        for (const auto& text : texts) {
            const int at = list.Position(text.id);
            ASSERT_GE(at, 0) << text.title << " column not shown";
            for (std::size_t row = 0; row < shown.size(); ++row) {
                const auto exportRow = exportOf.find(shown[row]);
                ASSERT_NE(exportRow, exportOf.end()) << Narrow(shown[row]);
                EXPECT_EQ(list.Cell(static_cast<int>(row), at), exportRow->second[text.field])
                    << text.title << " of " << Narrow(shown[row]);
            }
        }
        // The size texts are the format's, not the bytes.
        const auto apple = exportOf.find(tree + L"\\Apple.txt");
        ASSERT_NE(apple, exportOf.end());
        EXPECT_NE(apple->second[2], L"700");
        EXPECT_FALSE(apple->second[2].empty());

        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
        EXPECT_EQ(run.outcome.exitCode, 0u);
    }
}

namespace {

// --- criteria entered in the panel against the windowless run ---

// The panel's controls set from outside, as a user would leave them; the
// buttons and combo boxes followed by the notification their parent acts on
// (an edit sends its own).
class RemotePanel {
public:
    RemotePanel(HANDLE process, HWND main) : m_main(main), m_memory(process, 256) {}

    // Every control that holds a field of the criteria; the date pickers
    // last, since a change of the date operators may remake them.
    std::string Enter(const SearchCriteria& c) {
        m_missing.clear();
        Text(kNameEdit, c.name.str());
        Radio(kNameOptionFirst, c.name_opt);
        Check(kNameCase, c.name_case);
        Text(kWordEdit, c.word.str());
        Radio(kWordOptionFirst, c.word_opt);
        Check(kWordCase, c.word_case);
        Check(kWordHex, c.word_hex);
        FolderText(c.folders.str());
        Combo(kSizeUnit, c.size_mode);
        Combo(kSizeLogic1, c.size_logic1);
        Text(kSizeEdit1, SizeText(c.size1));
        Combo(kSizeLogic2, c.size_logic2);
        Text(kSizeEdit2, SizeText(c.size2));
        Combo(kDateMode, c.date_mode);
        Combo(kDatePart, c.date_part);
        Combo(kDateLogic1, c.date_logic1);
        Combo(kDateLogic2, c.date_logic2);
        if (c.date_logic1 != 0)
            Picker(kDatePicker1, c.date1);
        if (c.date_logic2 != 0)
            Picker(kDatePicker2, c.date2);
        for (const auto& box : kAttributeBoxes)
            Check(box.id, (c.attr & box.bit) != 0);
        Check(kSubfolders, c.subfolder);
        return m_missing;
    }

private:
    HWND Control(int id) {
        HWND hwnd = Descendant(m_main, id);
        if (hwnd == nullptr)
            m_missing += " " + std::to_string(id);
        return hwnd;
    }
    void Notify(HWND control, int id, WORD code) {
        Send(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code),
             reinterpret_cast<LPARAM>(control));
    }
    void Text(int id, const std::wstring& text) {
        if (HWND hwnd = Control(id)) {
            Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    void FolderText(const std::wstring& text) {
        if (HWND combo = Control(kFolderCombo)) {
            HWND edit = reinterpret_cast<HWND>(Send(combo, CBEM_GETEDITCONTROL));
            Send(edit != nullptr ? edit : combo, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    void Check(int id, bool on) {
        if (HWND hwnd = Control(id)) {
            Send(hwnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED);
            Notify(hwnd, id, BN_CLICKED);
        }
    }
    void Radio(int first, int chosen) {
        for (int i = 0; i < 5; ++i) {
            if (HWND hwnd = Control(first + i))
                Send(hwnd, BM_SETCHECK, i == chosen ? BST_CHECKED : BST_UNCHECKED);
        }
        if (HWND hwnd = Control(first + chosen))
            Notify(hwnd, first + chosen, BN_CLICKED);
    }
    void Combo(int id, int selection) {
        if (HWND hwnd = Control(id)) {
            Send(hwnd, CB_SETCURSEL, selection);
            Notify(hwnd, id, CBN_SELCHANGE);
        }
    }
    void Picker(int id, std::uint64_t counts) {
        FILETIME time{static_cast<DWORD>(counts), static_cast<DWORD>(counts >> 32)};
        SYSTEMTIME system{};
        FileTimeToSystemTime(&time, &system);
        HWND hwnd = Control(id);
        if (hwnd == nullptr)
            return;
        if (!m_memory || !m_memory.Write(&system, sizeof system) ||
            Send(hwnd, DTM_SETSYSTEMTIME, GDT_VALID, m_memory.Param()) == 0)
            m_missing += " picker " + std::to_string(id) + " not set";
    }
    static std::wstring SizeText(double value) {
        return std::to_wstring(static_cast<long long>(value));
    }

    HWND m_main;
    RemoteMemory m_memory;
    std::string m_missing;
};

// A click on the button. The button asks where the pointer is to tell a
// click on its arrow part, which opens its menu instead: the pointer is moved
// off the button first, when it is there.
void Click(HWND button) {
    RECT rect{};
    POINT pointer{};
    GetWindowRect(button, &rect);
    if (GetCursorPos(&pointer) && PtInRect(&rect, pointer))
        SetCursorPos(rect.left - 10, rect.bottom + 10);
    Send(button, BM_CLICK);
}

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// One tree for every criterion: each finds some of its entries and not all.
void MakeCriteriaTree(const TempDir& t) {
    t.WriteFile(L"tree\\notes.txt", "alpha beta gamma\r\n");
    t.WriteFile(L"tree\\report.md", "Invoice 4711 is due; invoice 12 is not.\r\n");
    // "Köln" in UTF-16LE with a byte-order mark, and in UTF-8 elsewhere.
    t.WriteFile(L"tree\\wide.txt", Bytes({0xFF, 0xFE, 'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0,
                                          ' ', 0, 'K', 0, 0xF6, 0, 'l', 0, 'n', 0}));
    t.WriteFile(L"tree\\narrow.md", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln");
    std::string bytes(4096, '\0');
    bytes.replace(1000, 4, Bytes({0xDE, 0xAD, 0xBE, 0xEF}));
    t.WriteFile(L"tree\\data.bin", bytes);
    t.WriteFile(L"tree\\big.dat", std::string(3000, 'b'));
    t.WriteFile(L"tree\\sub\\old.log", "from long ago");
    t.WriteFile(L"tree\\sub\\hidden.cfg", "hidden");
    t.WriteFile(L"tree\\sub\\locked.txt", "read-only");
    const FILETIME now = FileTimeOf(2024, 6, 15, 10);
    const FILETIME old = FileTimeOf(2020, 3, 1, 10);
    for (const wchar_t* name : {L"notes.txt", L"report.md", L"wide.txt", L"narrow.md",
                                L"data.bin", L"big.dat", L"sub\\hidden.cfg", L"sub\\locked.txt"})
        SetTimes(t / (std::wstring(L"tree\\") + name), &now, nullptr);
    SetTimes(t / L"tree\\sub\\old.log", &old, nullptr);
    SetFileAttributesW((t / L"tree\\sub\\hidden.cfg").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((t / L"tree\\sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
}

std::uint64_t LocalCounts(WORD year, WORD month, WORD day) {
    return Counts(FileTimeOf(year, month, day));
}

} // namespace

TEST(EndToEnd, CriteriaEnteredInThePanelFindWhatTheWindowlessRunFinds) {
    TempDir t;
    MakeCriteriaTree(t);
    const std::wstring tree = t / L"tree";

    struct Case {
        const char* what;
        void (*set)(SearchCriteria&);
    } cases[] = {
        {"name pattern", [](SearchCriteria& c) { c.name = L"*.txt"; }},
        {"words in UTF-16LE", [](SearchCriteria& c) { c.word = L"Gr\u00FC\u00DFe"; }},
        {"hex bytes",
         [](SearchCriteria& c) {
             c.word = L"AD BE EF";
             c.word_hex = true;
         }},
        {"regular expression",
         [](SearchCriteria& c) {
             c.word = L"[Ii]nvoice [0-9]{4}|alpha";
             c.word_opt = WordRegexp;
         }},
        {"size range",
         [](SearchCriteria& c) {
             c.size_mode = 1; // KB
             c.size_logic1 = OpGreaterEqual;
             c.size1 = 2;
             c.size_logic2 = OpLess;
             c.size2 = 4;
         }},
        {"date range",
         [](SearchCriteria& c) {
             c.date_logic1 = OpGreaterEqual;
             c.date1 = LocalCounts(2020, 1, 1);
             c.date_logic2 = OpLess;
             c.date2 = LocalCounts(2021, 1, 1);
         }},
        {"attributes",
         [](SearchCriteria& c) {
             c.attr = kAttrWantReadOnly | kAttrWantHidden | kAttrWantSystem | kAttrWantFolders;
         }},
    };

    ProgramCopy copy(std::map<std::wstring, std::string>{});
    ProgramProcess run;
    ASSERT_TRUE(run.Start(Quoted(tree), copy.Dir().Path(), copy.Exe())) << run.outcome.failure;
    const EndsWithScope ends(run);
    HWND main = run.WaitForWindow(L"Velquin");
    ASSERT_NE(main, nullptr) << EndedWithout(run);
    HWND listWindow = GetDlgItem(main, kListId);
    HWND button = Descendant(main, kSearchButtonId);
    ASSERT_NE(listWindow, nullptr);
    ASSERT_NE(button, nullptr);
    RemoteList list(run.Handle(), listWindow);
    RemotePanel panel(run.Handle(), main);
    ASSERT_TRUE(list);
    const std::wstring searchCaption = copy.IniText(L"Lang\\english.ini", L"search_panel", L"search").str();
    ASSERT_EQ(WindowText(button), searchCaption);

    std::size_t allEntries = 0;
    {
        SearchJob everything;
        std::string failure;
        allEntries = WindowlessRun(Quoted(tree), t, everything, failure).size();
        ASSERT_EQ(failure, "");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SearchCriteria criteria;
        criteria.folders = tree;
        c.set(criteria);

        // The same criteria for the windowless run, as a saved search.
        SearchJob saved;
        saved.criteria = criteria;
        const std::wstring criteriaFile = t / L"criteria.velquin";
        ASSERT_TRUE(SaveSearchFile(saved, criteriaFile, true));
        SearchJob windowless;
        std::string failure;
        const std::vector<FileRow> found =
            WindowlessRun(L"/in " + Quoted(criteriaFile), t, windowless, failure);
        ASSERT_EQ(failure, "");
        // The criterion tells entries apart: something found, not all.
        EXPECT_GT(found.size(), 0u);
        EXPECT_LT(found.size(), allEntries);

        ASSERT_EQ(panel.Enter(criteria), "") << "controls not found or not set";
        Click(button);
        const bool finished =
            WaitForFinish(button, listWindow, searchCaption, static_cast<int>(found.size()));
        EXPECT_TRUE(finished) << "the list holds " << list.Count() << " items, the windowless run "
                              << found.size() << "; the button reads "
                              << Narrow(WindowText(button));
        if (!finished)
            continue;
        EXPECT_EQ(WindowText(main), L"tree - Velquin");
        std::vector<std::wstring> foundPaths;
        for (const FileRow& row : found)
            foundPaths.push_back(row.Path());
        EXPECT_EQ(Sorted(ListPaths(list, list.Position(ColumnName), list.Position(ColumnFolder))),
                  Sorted(foundPaths));
    }

    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.Wait(60000)) << run.outcome.failure;
    EXPECT_EQ(run.outcome.exitCode, 0u);
}
