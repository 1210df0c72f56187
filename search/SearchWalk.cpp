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

#include <algorithm>
#include <deque>
#include <memory>

namespace {

uint64_t EntrySize(const WIN32_FIND_DATAW& data) {
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The real location of a folder, with links and junctions resolved and
// without the long-path prefix, lower-cased for comparison; empty when it
// cannot be had.
mvstring RealFolderPath(const mvstring& path) {
    // A bare drive ("X:") stands for its root here, as in the folder list,
    // not for the drive's current folder.
    const bool bareDrive = path.size() == 2 && path[1] == L':';
    FileHandle folder(CreateFileW(ExactPathForm(bareDrive ? path + L"\\" : path).c_str(), 0,
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
    LowerCaseInPlace(real);
    return mvstring(std::move(real));
}

// True when `inner` is `outer` or lies below it.
bool IsSameOrInside(const mvstring& inner, const mvstring& outer) {
    if (outer.empty() || !inner.starts_with(outer))
        return false;
    return inner.size() == outer.size() || outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

// A stretch of the walk that runs through real folders only: it starts at a
// search location or at a linked folder the walk entered, and every folder
// below that start, reached without another link, lies below the stretch's
// real folder by the same names. The stretches of a folder, innermost first,
// give the real folders on its path without opening any of them.
struct WalkStretch {
    mvstring path;    // the start as walked, the form the results show
    mvstring real;    // the start's real location (see RealFolderPath)
    mvstring entered; // the real folder in the outer stretch that holds the link
    std::shared_ptr<const WalkStretch> outer;
};
using StretchRef = std::shared_ptr<const WalkStretch>;

struct QueuedFolder {
    mvstring path;
    StretchRef stretch;
};

// The real location of `folder`, a folder of `stretch` (its path begins with
// the stretch's start), lower-cased like RealFolderPath.
mvstring RealInStretch(const WalkStretch& stretch, const mvstring& folder) {
    std::wstring_view below(folder);
    below.remove_prefix(std::min(below.size(), stretch.path.size()));
    // The names below a start of "X:" or "X:\" come after a backslash the
    // real start may bring already.
    while (!below.empty() && below.front() == L'\\')
        below.remove_prefix(1);
    mvstring lower(below);
    LowerCaseInPlace(lower.str());
    return PathJoin(stretch.real, lower);
}

StretchRef LocationStretch(const mvstring& path) {
    auto stretch = std::make_shared<WalkStretch>();
    stretch->path = path;
    stretch->real = RealFolderPath(path);
    if (stretch->real.empty()) {
        // Not resolvable, yet listed: its own path stands for it, so that a
        // link back to it is still known for a loop.
        stretch->real = path;
        LowerCaseInPlace(stretch->real.str());
    }
    return stretch;
}

// The stretch a linked folder (junction, symbolic link) `link` in `folder`
// starts; null when the link cannot be resolved or leads back to a folder on
// the path being walked, which would make the walk endless. Any other link
// is entered, even to a folder the walk meets elsewhere, so that every path
// the user can open is listed.
StretchRef EnterLink(const QueuedFolder& folder, const mvstring& link) {
    mvstring target = RealFolderPath(link);
    if (target.empty())
        return nullptr;
    mvstring onPath = RealInStretch(*folder.stretch, folder.path);
    const mvstring entered = onPath;
    for (const WalkStretch* s = folder.stretch.get(); s != nullptr; s = s->outer.get()) {
        // The folders on the path within this stretch are its start and
        // those between it and `onPath`.
        if (IsSameOrInside(onPath, target) && IsSameOrInside(target, s->real))
            return nullptr;
        onPath = s->entered;
    }
    auto stretch = std::make_shared<WalkStretch>();
    stretch->path = link;
    stretch->real = std::move(target);
    stretch->entered = entered;
    stretch->outer = folder.stretch;
    return stretch;
}

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

    std::deque<QueuedFolder> queue;
    for (const PathEntry& entry : folders)
        queue.push_back({entry.path, LocationStretch(entry.path)});
    FoundItem item;
    bool completed = true;
    while (!queue.empty()) {
        if (worker.CheckStop() || IsShuttingDown()) {
            completed = false;
            break;
        }
        const QueuedFolder current = std::move(queue.front());
        queue.pop_front();
        const mvstring& folder = current.path;
        if (m_global)
            PostNotify(NotifyStatus, reinterpret_cast<int64_t>(folder.c_str()));
        const mvstring pattern = ExactPathForm(PathJoin(folder, L"*.*"));
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
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    queue.push_back({std::move(sub), current.stretch});
                } else if (StretchRef entered = EnterLink(current, sub)) {
                    queue.push_back({std::move(sub), std::move(entered)});
                }
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
                item.ext = PathExtension(name);
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
