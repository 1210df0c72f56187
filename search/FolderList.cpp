#include "search/FolderList.h"

#include "foundation/Paths.h"
#include "search/FoundItem.h"

#include <cwchar>

namespace {

// The path as the tree spells it: its components joined by one "\".
mvstring TreeSpelling(std::wstring_view path) {
    mvstring joined;
    for (const mvstring& component : SplitPath(path)) {
        if (!joined.empty())
            joined += L'\\';
        joined += component;
    }
    return joined;
}

void DropTrailingSlashes(mvstring& text) {
    while (!text.empty() && (text.back() == L'\\' || text.back() == L'/'))
        text.pop_back();
}

void Unquote(mvstring& text) {
    if (text.length() >= 2 && text.front() == L'"' && text.back() == L'"')
        text = text.substr(1, text.length() - 2);
}

// A bare drive "X:" is tested as its root, not as the drive's current folder.
bool IsExistingFolder(const mvstring& path) {
    mvstring probe = path;
    if (probe.length() == 2 && probe[1] == L':')
        probe += L'\\';
    return PathKindAsWritten(probe) == PathKindFolder;
}

} // namespace

std::vector<mvstring> SplitPath(std::wstring_view path) {
    std::vector<mvstring> components;
    size_t start = path.find_first_not_of(L'\\');
    mvstring lead(path.substr(0, start == std::wstring_view::npos ? path.length() : start));
    if (start == std::wstring_view::npos) {
        if (!lead.empty())
            components.push_back(lead);
        return components;
    }
    while (start < path.length()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos)
            end = path.length();
        if (end > start) {
            mvstring component(path.substr(start, end - start));
            if (components.empty())
                component = lead + component;
            components.push_back(std::move(component));
        }
        start = end + 1;
    }
    return components;
}

void PathTree::Insert(std::wstring_view path, std::int32_t attributes, std::int64_t size) {
    std::vector<mvstring> components = SplitPath(path);
    if (components.empty())
        return;
    Node* node = &m_root;
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        auto [child, created] = node->children.try_emplace(components[i]);
        if (!created && child->second.listed && !m_keepNested)
            return; // inside a listed folder
        node = &child->second;
    }
    auto [last, created] = node->children.try_emplace(components.back());
    if (!created && !m_keepNested)
        last->second.children.clear(); // all below is covered by this path
    last->second.attributes = attributes;
    last->second.size = size;
    last->second.listed = true;
}

void PathTree::Walk(const Node& node, const mvstring& prefix, PathList& list,
                    const mvstring& target, std::ptrdiff_t& index) const {
    if (node.listed) {
        list.push_back({prefix, node.attributes, node.size});
        if (index < 0 && prefix == target)
            index = static_cast<std::ptrdiff_t>(list.size()) - 1;
    }
    for (const auto& [component, child] : node.children)
        Walk(child, prefix.empty() ? component : prefix + L'\\' + component, list, target, index);
}

std::ptrdiff_t PathTree::MoveToFront(PathList& list, const mvstring& target) const {
    list.clear();
    std::ptrdiff_t index = -1;
    Walk(m_root, mvstring(), list, target, index);
    if (index > 0) {
        PathEntry entry = std::move(list[index]);
        list.erase(list.begin() + index);
        list.push_front(std::move(entry));
    }
    return index;
}

void NormalizePathList(PathList& list, bool keepNested) {
    PathTree tree(keepNested);
    for (const PathEntry& entry : list)
        tree.Insert(entry.path, entry.attributes, entry.size);
    PathList survivors;
    tree.MoveToFront(survivors, mvstring());
    // Inputs are matched by their tree spelling, so that "C:\Data\" or
    // "C:\\Data" find their entry "C:\Data" instead of being lost.
    PathList result;
    for (const PathEntry& entry : list) {
        mvstring spelling = TreeSpelling(entry.path);
        for (auto it = survivors.begin(); it != survivors.end(); ++it) {
            if (mvstring::EqualsNoCase(it->path, spelling)) {
                result.push_back(std::move(*it));
                survivors.erase(it);
                break;
            }
        }
    }
    list = std::move(result);
}

void BuildPathListFromItems(const std::vector<const FoundItem*>& items, PathList& list) {
    PathTree tree(false);
    mvstring firstPath;
    for (const FoundItem* item : items) {
        const mvstring path = PathJoin(item->folder, item->name);
        if (firstPath.empty())
            firstPath = TreeSpelling(path);
        tree.Insert(path, static_cast<std::int32_t>(item->attr),
                    static_cast<std::int64_t>(item->size));
    }
    tree.MoveToFront(list, firstPath);
}

mvstring ParseFolderText(const mvstring& folders, bool subfolders, PathList& list) {
    list.clear();
    mvstring text = folders;
    for (wchar_t& c : text)
        if (c == L'/')
            c = L'\\';
    std::vector<mvstring> pieces;
    SplitList(text, L"|", pieces, true);
    for (mvstring& piece : pieces) {
        DropTrailingSlashes(piece);
        piece = ExpandPath(piece);
        Unquote(piece);
        if (!piece.empty() && IsExistingFolder(ExpandPath(piece))) {
            list.push_back({piece, FILE_ATTRIBUTE_DIRECTORY, 0});
            continue;
        }
        // Several locations joined by ";". Each is stored expanded, as the
        // walk lists it, and without trailing backslashes like the pieces
        // above, so that "C:\Data\;D:\Logs" keeps both.
        std::vector<mvstring> parts;
        SplitList(piece, L";", parts, true);
        for (mvstring& part : parts) {
            Unquote(part);
            DropTrailingSlashes(part);
            if (part.empty())
                continue;
            mvstring expanded = ExpandPath(part);
            if (IsExistingFolder(expanded))
                list.push_back({expanded, FILE_ATTRIBUTE_DIRECTORY, 0});
        }
    }
    NormalizePathList(list, !subfolders);
    mvstring shown;
    for (const PathEntry& entry : list) {
        if (!shown.empty())
            shown += L" | ";
        shown += entry.path;
    }
    return shown;
}
