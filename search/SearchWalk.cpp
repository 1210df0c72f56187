// The search itself: the search locations walked breadth-first, each entry
// put through the ordered tests, each match added to the job's results.
#include "foundation/FileTimes.h"
#include "foundation/Handles.h"
#include "foundation/Paths.h"
#include "foundation/ShutdownFlag.h"
#include "search/EntryTests.h"
#include "search/FolderList.h"
#include "search/FoundItem.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"

#include <shlwapi.h>

#include <deque>
#include <set>

namespace {

uint64_t EntrySize(const WIN32_FIND_DATAW& data) {
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The real location of a folder, with links and junctions resolved and
// without the long-path prefix, lower-cased for comparison; empty when it
// cannot be had.
mvstring RealFolderPath(const mvstring& path) {
    FileHandle folder(CreateFileW(LongPathForm(path).c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder)
        return {};
    std::wstring real(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(folder.Get(), real.data(), static_cast<DWORD>(real.size()),
                                        FILE_NAME_NORMALIZED);
    if (n >= real.size()) {
        real.resize(n + 1);
        n = GetFinalPathNameByHandleW(folder.Get(), real.data(), static_cast<DWORD>(real.size()),
                                      FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= real.size())
        return {};
    real.resize(n);
    if (real.starts_with(L"\\\\?\\UNC\\"))
        real = L"\\\\" + real.substr(8);
    else if (real.starts_with(L"\\\\?\\"))
        real.erase(0, 4);
    while (real.size() > 3 && real.back() == L'\\')
        real.pop_back();
    CharLowerBuffW(real.data(), static_cast<DWORD>(real.size()));
    return mvstring(std::move(real));
}

// True when `inner` is `outer` or lies below it.
bool IsSameOrInside(const mvstring& inner, const mvstring& outer) {
    if (outer.empty() || !inner.starts_with(outer))
        return false;
    return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

// Decides which linked folders (junctions, symbolic links) the walk enters:
// never one that leads back to a folder above it or to one a search location
// or another link already covers, so that a link loop cannot repeat the
// results or make the walk endless.
class LinkGuard {
public:
    explicit LinkGuard(const PathList& roots) {
        for (const PathEntry& root : roots) {
            const mvstring real = RealFolderPath(root.path);
            if (!real.empty())
                m_covered.push_back(real);
        }
    }

    bool MayEnter(const mvstring& parent, const mvstring& link) {
        const mvstring target = RealFolderPath(link);
        if (target.empty())
            return false;
        if (parent != m_parent) {
            m_parent = parent;
            m_realParent = RealFolderPath(parent);
        }
        if (IsSameOrInside(m_realParent, target))
            return false; // a loop: the link leads to its own ancestor
        for (const mvstring& covered : m_covered)
            if (IsSameOrInside(target, covered))
                return false;
        m_covered.push_back(target);
        return true;
    }

private:
    std::vector<mvstring> m_covered;
    mvstring m_parent;
    mvstring m_realParent;
};

} // namespace

bool SearchJob::Walk() {
    PathList folders;
    ParseFolders(folders);
    if (folders.empty())
        return false;

    EntryTester tester;
    tester.Prepare(criteria, &worker);
    const bool subfolders = criteria.subfolder;
    const SearchCriteria& texts = criteria;
    if (m_global)
        PostNotify(NotifyStarted, JobSearch);

    LinkGuard links(folders);
    std::deque<mvstring> queue;
    for (const PathEntry& entry : folders)
        queue.push_back(entry.path);
    FoundItem item;
    bool completed = true;
    while (!queue.empty()) {
        if (worker.CheckStop() || IsShuttingDown()) {
            completed = false;
            break;
        }
        const mvstring folder = std::move(queue.front());
        queue.pop_front();
        if (m_global)
            PostNotify(NotifyStatus, reinterpret_cast<int64_t>(folder.c_str()));
        const mvstring pattern = LongPathForm(PathJoin(folder, L"*.*"));
        WIN32_FIND_DATAW data;
        FindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH));
        if (!find)
            continue; // a folder that cannot be listed is passed over
        do {
            if (worker.CheckStop() || IsShuttingDown()) {
                completed = false;
                break;
            }
            const wchar_t* name = data.cFileName;
            if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)))
                continue;
            const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder && subfolders) {
                mvstring sub = PathJoin(folder, name);
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                    links.MayEnter(folder, sub))
                    queue.push_back(std::move(sub));
            }
            item.Clear();
            item.folder = folder;
            item.name = name;
            item.size = EntrySize(data);
            item.attr = data.dwFileAttributes & kKeptItemAttributes;
            item.date_c = FileTimeToUInt64(data.ftCreationTime);
            item.date_m = FileTimeToUInt64(data.ftLastWriteTime);
            item.date_a = FileTimeToUInt64(data.ftLastAccessTime);
            if (!isFolder)
                item.ext = PathFindExtensionW(name);
            if (tester.Test(item) != ContentResult::Pass)
                continue;
            item.FormatTexts(texts);
            if (AddFoundItem(*this, item) && m_global)
                PostNotify(NotifyItemsAdded, 0);
        } while (FindNextFileW(find.Get(), &data));
        if (!completed)
            break;
    }
    if (m_global)
        PostNotify(NotifyFinished, completed ? 0 : 1);
    return completed;
}
