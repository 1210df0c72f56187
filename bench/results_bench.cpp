// Times the result list on generated results and prints the figures.
//   results_bench [items, 1000000] [sorted-insertion items, 100000] [export rounds, 5]
// Prints: the memory held per item (private bytes before and after building
// the items with their display texts, divided by the count); a full sort by
// name, size, modified date and type in both directions; and adding the items
// one by one to a fresh job, appended and in sorted position by name;
// grouping by every column; export to CSV and HTML beside a plain write of
// as many bytes, into the file cache and flushed to the disk (medians of
// rounds in which they take turns, and the ratios), with each column's own
// export time to show where the formatting goes; and the longest hold of
// the results lock during an export and during sorted insertion by type,
// beside the same work done with the lock held around it, as the export and
// the insertion once held it.
#include "foundation/Settings.h"
#include "foundation/Handles.h"
#include "foundation/mvLock.h"
#include "search/ResultExport.h"
#include "search/ResultGroups.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Committed private memory of the process, summed over its address space
// (the process counters' private bytes are not filled in everywhere).
SIZE_T PrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
    }
    return total;
}

const wchar_t* const kExtensions[] = {L".txt", L".docx", L".pdf",  L".jpg",  L".png", L".cpp",
                                      L".h",   L".xlsx", L".mp3",  L".zip",  L".exe", L".dll",
                                      L".log", L".ini",  L".html", L".json", L"",     L".md"};
const wchar_t* const kWords[] = {L"report", L"invoice", L"Photo",  L"notes",  L"backup",
                                 L"draft",  L"Budget",  L"setup",  L"readme", L"summary",
                                 L"IMG",    L"scan",    L"letter", L"data",   L"config"};
const wchar_t* const kFolders[] = {L"Documents", L"Pictures", L"Projects", L"Music",   L"Downloads",
                                   L"src",       L"build",    L"archive",  L"2023",    L"Clients",
                                   L"Invoices",  L"Holiday",  L"modules",  L"Reports", L"old"};

// What the generator gives for one result; filled into a scratch item and
// added to a job the way the walk does it.
struct Source {
    std::uint32_t folder;
    std::uint32_t attr;
    std::uint64_t size, date_c, date_m, date_a;
    std::wstring name;
    const wchar_t* ext;
};

std::vector<mvstring> g_folders;

// Results as a search of a user's folders would find them: a few thousand
// folders listed one after another (a walk lists a folder's entries
// together), names of words and numbers, sizes spread over many magnitudes
// and times over ten years.
void MakeItems(size_t count, std::vector<Source>& items) {
    std::mt19937_64 random(20261210);
    for (int i = 0; i < 4000; ++i) {
        std::wstring f = L"C:\\Users\\alice";
        for (int depth = 1 + static_cast<int>(random() % 5); depth > 0; --depth)
            f += L"\\" + std::wstring(kFolders[random() % std::size(kFolders)]);
        g_folders.push_back(f + L"\\" + std::to_wstring(i));
    }
    const std::uint64_t start = 130000000000000000ull;             // 2012
    const std::uint64_t span = 10ull * 365 * 24 * 3600 * 10000000; // ten years
    items.reserve(count);
    std::uint32_t folder = 0;
    size_t leftInFolder = 0;
    for (size_t i = 0; i < count; ++i) {
        if (leftInFolder == 0) {
            folder = static_cast<std::uint32_t>(random() % g_folders.size());
            leftInFolder = 1 + random() % 500;
        }
        --leftInFolder;
        Source item;
        item.folder = folder;
        item.ext = kExtensions[random() % std::size(kExtensions)];
        item.name = std::wstring(kWords[random() % std::size(kWords)]) + L"_" +
                    std::to_wstring(random() % 100000) + item.ext;
        item.attr = random() % 20 == 0 ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        item.size = item.attr & FILE_ATTRIBUTE_DIRECTORY ? 0 : (random() >> (random() % 60));
        item.date_c = start + random() % span;
        item.date_m = item.date_c + random() % (span / 10);
        item.date_a = item.date_m + random() % (span / 100);
        items.push_back(std::move(item));
    }
}

// A reused scratch item cleared, filled and given its texts for an entry
// as the walk does.
void Fill(FoundItem& scratch, const Source& source, const SearchCriteria& criteria) {
    scratch.Clear();
    scratch.folder = g_folders[source.folder];
    scratch.name = source.name;
    scratch.size = source.size;
    scratch.attr = source.attr;
    scratch.date_c = source.date_c;
    scratch.date_m = source.date_m;
    scratch.date_a = source.date_a;
    if (!(source.attr & FILE_ATTRIBUTE_DIRECTORY))
        scratch.ext = source.ext;
    scratch.FormatTexts(criteria);
}

// Adds the results one by one through a reused scratch item, with the
// job's lock held around each addition when `heldAround`.
void AddAll(SearchJob& job, const std::vector<Source>& items, size_t count, const SortOrder* sorted,
            bool heldAround = false) {
    SearchCriteria criteria;
    FoundItem scratch;
    for (size_t i = 0; i < count && i < items.size(); ++i) {
        Fill(scratch, items[i], criteria);
        mvLock held(heldAround ? job.lock.Get() : nullptr);
        AddFoundItem(job, scratch, sorted);
    }
}

// How long the results lock stays taken: a thread tries to take it over
// and over, some 5 microseconds apart, and keeps the longest run of failed
// tries, from the first to the last. Trying never waits: a reader blocked
// on the lock would add the system's delay in waking it to the figure, and
// on a busy machine that delay would be measured instead of the lock's.
class LockWatch {
public:
    explicit LockWatch(SearchJob& job) : m_job(job) {
        m_thread = CreateThread(nullptr, 0, &LockWatch::Run, this, 0, nullptr);
    }
    ~LockWatch() { Stop(); }
    // Ends the watch; the longest hold seen in milliseconds.
    double Stop() {
        if (m_thread) {
            m_stop = true;
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
            m_thread = nullptr;
        }
        return m_longest * 1000;
    }
    // Holds of a millisecond or more; after Stop.
    int OverMs() const { return m_overMs; }

private:
    static DWORD WINAPI Run(void* watch) {
        static_cast<LockWatch*>(watch)->Watch();
        return 0;
    }
    void Watch() {
        const auto start = Clock::now();
        bool taken = false;
        double first = 0, last = 0;
        while (!m_stop) {
            const double at = Seconds(start);
            if (TryEnterCriticalSection(m_job.lock)) {
                LeaveCriticalSection(m_job.lock);
                if (taken)
                    Seen(last - first);
                taken = false;
            } else {
                if (!taken)
                    first = at;
                taken = true;
                last = at;
            }
            for (const auto pause = Clock::now(); !m_stop && Seconds(pause) < 5e-6;)
                YieldProcessor();
        }
        if (taken)
            Seen(last - first);
    }
    void Seen(double hold) {
        m_longest = std::max(m_longest, hold);
        m_overMs += hold >= 1e-3;
    }

    SearchJob& m_job;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    double m_longest = 0;
    int m_overMs = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const size_t sortedCount = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const size_t rounds = std::max<size_t>(1, argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 5);
    Settings().ForceUsePropSys = false;
    GlobalShellTypeCache();

    std::vector<Source> scratch;
    auto t = Clock::now();
    MakeItems(count, scratch);
    std::printf("generate %zu items: %.2f s\n", count, Seconds(t));

    // Memory: the job's own copies of the items and its display list.
    SearchJob job;
    const SIZE_T before = PrivateBytes();
    t = Clock::now();
    AddAll(job, scratch, count, nullptr);
    const double appendSeconds = Seconds(t);
    const SIZE_T after = PrivateBytes();
    std::printf("memory per item: %.0f bytes (private bytes %.1f MB -> %.1f MB)\n",
                double(after - before) / double(count), before / 1048576.0, after / 1048576.0);
    std::printf("add %zu one by one with their texts, appended: %.3f s\n", count, appendSeconds);
    std::printf("item record: %zu bytes before its texts\n", sizeof(FoundItem));

    struct Column {
        const char* name;
        int column;
    } columns[] = {{"name", ColumnName},
                   {"size", ColumnSize},
                   {"modified", ColumnModified},
                   {"type", ColumnType}};
    for (const Column& c : columns) {
        for (bool descending : {false, true}) {
            SortOrder order;
            order.column = c.column;
            order.descending = descending;
            t = Clock::now();
            ResultList::Resort(order, job);
            std::printf("sort %zu by %-8s %s: %.3f s\n", count, c.name,
                        descending ? "descending" : "ascending ", Seconds(t));
        }
    }

    // Grouping by every column, and the exports beside a plain write of as
    // many bytes (the disk's share of the time).
    const char* const groupNames[] = {"name",    "size",     "type",       "modified", "folder",
                                      "created", "accessed", "attributes", "extension"};
    for (std::uint8_t column = 0; column < 9; ++column) {
        ResultGroups groups;
        groups.column = column;
        t = Clock::now();
        groups.Build(job.results, LocalToday());
        std::printf("group %zu by %-10s: %.3f s (%zu groups)\n", count, groupNames[column],
                    Seconds(t), groups.groups.size());
    }
    // What reading the texts alone costs: each row's texts lie elsewhere in
    // memory, in display order after the sorts above; the size, date and
    // attribute texts are made as they are read.
    t = Clock::now();
    std::size_t units = 0;
    mvstring text;
    for (const FoundItem* item : job.results) {
        units += item->name.length() + item->folder.length() + item->ext.length();
        for (ItemText which : {ItemText::Size, ItemText::Modified, ItemText::Created,
                               ItemText::Accessed, ItemText::Attributes}) {
            item->GetText(which, text);
            units += text.length();
        }
    }
    std::printf("read the cell texts of %zu rows alone: %.3f s (%zu code units)\n", count,
                Seconds(t), units);
    const struct {
        const char* name;
        ItemText which;
    } texts[] = {{"short size", ItemText::Size},
                 {"KB size", ItemText::SizeKb},
                 {"modified", ItemText::Modified},
                 {"attributes", ItemText::Attributes}};
    for (const auto& kind : texts) {
        t = Clock::now();
        for (const FoundItem* item : job.results) {
            item->GetText(kind.which, text);
            units += text.length();
        }
        std::printf("  of which the %s texts: %.3f s\n", kind.name, Seconds(t));
    }
    wchar_t folder[MAX_PATH]{};
    GetTempPathW(MAX_PATH, folder);
    const std::vector<std::uint8_t> allColumns = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    {
        // Sizes as byte counts: what the size texts cost of the figures below.
        const std::wstring path = std::wstring(folder) + L"velquin_bench_bytes.csv";
        t = Clock::now();
        const bool exported = ExportResults(job, path, ExportCsv, allColumns, false);
        std::printf("export %zu rows, CSV with sizes in bytes: %.3f s%s\n", count, Seconds(t),
                    exported ? "" : " (FAILED)");
        DeleteFileW(path.c_str());
    }
    {
        // Each column alone: where the formatting time goes.
        const std::wstring path = std::wstring(folder) + L"velquin_bench_column.csv";
        for (std::uint8_t column = 0; column < 9; ++column) {
            t = Clock::now();
            const bool exported = ExportResults(job, path, ExportCsv, {column}, true);
            std::printf("export %zu rows, CSV of the %s column alone: %.3f s%s\n", count,
                        groupNames[column], Seconds(t), exported ? "" : " (FAILED)");
        }
        DeleteFileW(path.c_str());
    }
    for (const wchar_t* name : {L"velquin_bench_export.csv", L"velquin_bench_export.html"}) {
        const std::wstring path = std::wstring(folder) + name;
        std::vector<double> exports, writes, flushedWrites;
        bool exported = true;
        std::uint64_t bytes = 0;
        const std::string block(1u << 20, 'x');
        for (std::size_t round = 0; round < rounds; ++round) {
            // Each write makes a new file: replacing the last one would add
            // the file system's freeing of its blocks to the time.
            DeleteFileW(path.c_str());
            t = Clock::now();
            exported = ExportResults(job, path, ExportByExtension, allColumns, true) && exported;
            exports.push_back(Seconds(t));
            WIN32_FILE_ATTRIBUTE_DATA data{};
            GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
            bytes = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            for (const bool flush : {false, true}) {
                DeleteFileW(path.c_str());
                t = Clock::now();
                {
                    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
                    DWORD written = 0;
                    for (std::uint64_t left = bytes; left > 0 && file;) {
                        const DWORD size = DWORD(left < block.size() ? left : block.size());
                        WriteFile(file.Get(), block.data(), size, &written, nullptr);
                        left -= size;
                    }
                    if (flush && file)
                        FlushFileBuffers(file.Get());
                }
                (flush ? flushedWrites : writes).push_back(Seconds(t));
            }
        }
        DeleteFileW(path.c_str());
        const double exportSeconds = Median(exports), plainSeconds = Median(writes),
                     flushedSeconds = Median(flushedWrites);
        std::printf("export %zu rows, %s: %.3f s, %.1f MB%s; plain write of as many bytes: %.3f s "
                    "into the file cache (export %.1f times that), %.3f s flushed to the disk "
                    "(export %.1f times that); medians of %zu\n",
                    count, name[std::wcslen(name) - 1] == L'v' ? "CSV " : "HTML", exportSeconds,
                    bytes / 1048576.0, exported ? "" : " (FAILED)", plainSeconds,
                    plainSeconds > 0 ? exportSeconds / plainSeconds : 0.0, flushedSeconds,
                    flushedSeconds > 0 ? exportSeconds / flushedSeconds : 0.0, rounds);
    }

    {
        // The floor of the figures below on this machine at this time: the
        // lock taken and left as often as a sorted insertion takes it, with
        // nothing done under it, for as long. A thread the system stops
        // while it holds the lock holds it until it runs again.
        LockWatch watch(job);
        t = Clock::now();
        std::size_t takes = 0;
        while (Seconds(t) < 1.5) {
            for (int i = 0; i < 1000; ++i, ++takes)
                ResultList::Count(job);
            Sleep(0);
        }
        const double longest = watch.Stop();
        std::printf("the results lock taken %zu times in 1.5 s with nothing done under it: "
                    "longest hold %.2f ms, %d of a millisecond or more\n",
                    takes, longest, watch.OverMs());
    }
    {
        // The export copies the list under the lock and writes outside it;
        // the lock held around it, as before, for comparison.
        // What the export holds the lock for: copying the row pointers.
        std::vector<FoundItem*> rows(job.results.size());
        std::vector<double> copies;
        for (int round = 0; round < 5; ++round) {
            mvLock held(job.lock);
            t = Clock::now();
            job.results.CopyTo(rows.data());
            copies.push_back(Seconds(t));
        }
        std::printf("copy of the %zu row pointers the export takes under the results lock: "
                    "%.2f ms (median of 5)\n",
                    rows.size(), Median(copies) * 1000);
        const std::wstring path = std::wstring(folder) + L"velquin_bench_lock.csv";
        for (const bool heldAround : {false, true}) {
            DeleteFileW(path.c_str());
            LockWatch watch(job);
            t = Clock::now();
            bool exported;
            {
                mvLock held(heldAround ? job.lock.Get() : nullptr);
                exported = ExportResults(job, path, ExportCsv, allColumns, true);
            }
            const double seconds = Seconds(t);
            const double longest = watch.Stop();
            std::printf("export %zu rows, CSV%s: longest hold of the results lock %.2f ms, %d "
                        "of a millisecond or more (export %.3f s)%s\n",
                        count, heldAround ? ", lock held around it as before" : "", longest,
                        watch.OverMs(), seconds, exported ? "" : " (FAILED)");
        }
        DeleteFileW(path.c_str());
    }
    for (const bool heldAround : {false, true}) {
        // Sorted insertion by type, each type name asked of the shell the
        // first time: outside the lock, or with the lock held around each
        // insertion as before.
        ShellTypeCache types;
        SortOrder byType;
        byType.column = ColumnType;
        byType.types = &types;
        SearchJob insertedByType;
        LockWatch watch(insertedByType);
        t = Clock::now();
        AddAll(insertedByType, scratch, sortedCount, &byType, heldAround);
        const double seconds = Seconds(t);
        const double longest = watch.Stop();
        std::printf("add %zu one by one, sorted by type%s: longest hold of the results lock "
                    "%.2f ms, %d of a millisecond or more (adding %.3f s, %ld shell queries)\n",
                    sortedCount, heldAround ? ", lock held around each as before" : "", longest,
                    watch.OverMs(), seconds, types.QueryCount());
    }

    SortOrder byName;
    byName.column = ColumnName;
    SearchJob inserted;
    t = Clock::now();
    AddAll(inserted, scratch, sortedCount, &byName);
    std::printf("add %zu one by one, sorted by name: %.3f s\n", sortedCount, Seconds(t));
    SortOrder bySize;
    bySize.column = ColumnSize;
    SearchJob insertedBySize;
    t = Clock::now();
    AddAll(insertedBySize, scratch, sortedCount, &bySize);
    std::printf("add %zu one by one, sorted by size: %.3f s\n", sortedCount, Seconds(t));
    return 0;
}
