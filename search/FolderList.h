// Search locations and path lists: the folder text turned into existing
// folders without duplicates or nested entries, and the paths of selected
// results in folder-tree order for the clipboard and drag and drop.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

struct FoundItem;

struct PathEntry {
    mvstring path;
    std::int32_t attributes = 0;
    std::int64_t size = 0;
};

// Used first in, first out by the walk.
using PathList = std::deque<PathEntry>;

// The components of a path split at "\", empty ones dropped; leading
// backslashes stay with the first component ("\\server\share\x" gives
// "\\server", "share", "x"; "C:\" gives "C:").
std::vector<mvstring> SplitPath(std::wstring_view path);

// Paths as a tree of components compared ordinally ignoring case; a
// component keeps the spelling of its first insertion. Unless nested paths
// are kept, a path inside a listed one is dropped and a listed path drops
// everything below it.
class PathTree {
public:
    struct Node {
        std::map<mvstring, Node, mvmap_nocasecompare> children;
        std::int32_t attributes = 0;
        std::int64_t size = 0;
        bool listed = false;
    };

    explicit PathTree(bool keepNested) : m_keepNested(keepNested) {}

    void Insert(std::wstring_view path, std::int32_t attributes, std::int64_t size);
    // Appends the listed paths in tree order; records in `index` (when still
    // -1) the position of the entry whose path equals `target` exactly.
    void Walk(const Node& node, const mvstring& prefix, PathList& list, const mvstring& target,
              std::ptrdiff_t& index) const;
    // The whole tree in tree order, with `target` moved to the front when
    // found elsewhere. Returns the target's position before the move, or -1.
    std::ptrdiff_t MoveToFront(PathList& list, const mvstring& target) const;

private:
    Node m_root;
    bool m_keepNested;
};

// Drops duplicates (and nested paths unless kept) and keeps the order of
// first mention; survivors take the tree's spelling (components joined by
// one "\") and the last given attributes and size.
void NormalizePathList(PathList& list, bool keepNested);

// The full paths of the items with their attributes and size, in tree
// order without nested ones, the first item's path first.
void BuildPathListFromItems(const std::vector<const FoundItem*>& items, PathList& list);

// The search locations of a folder text ("|" between locations, ";" between
// the parts of one; "/" read as "\", environment variables expanded,
// quotes dropped): existing folders without duplicates, and without nested
// ones unless subfolders are left out, into `list`. Returns the display
// text of the list, its paths joined by " | "; empty for none.
mvstring ParseFolderText(const mvstring& folders, bool subfolders, PathList& list);
