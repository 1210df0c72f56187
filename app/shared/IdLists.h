// Paths as shell item ID lists, also for files and folders that no longer
// exist (a result whose file was moved or deleted after the search), and
// lists of them as the shell's item arrays.
#pragma once

#include "search/FolderList.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string_view>
#include <vector>

struct FoundItem;

// ID lists handed out by the shell, each freed with CoTaskMemFree. Absolute,
// or relative to one folder when built with one. Move-only.
class IdListVector {
public:
    IdListVector() = default;
    IdListVector(const IdListVector&) = delete;
    IdListVector& operator=(const IdListVector&) = delete;
    IdListVector(IdListVector&& other) noexcept : m_lists(std::move(other.m_lists)) {}
    IdListVector& operator=(IdListVector&& other) noexcept;
    ~IdListVector() { Free(); }

    // Takes ownership of `list` (a null list is ignored).
    void Add(ITEMIDLIST* list);
    // Frees every list and keeps the storage.
    void Clear() noexcept;
    // Frees every list and the storage.
    void Free() noexcept;

    bool empty() const noexcept { return m_lists.empty(); }
    std::size_t size() const noexcept { return m_lists.size(); }
    const ITEMIDLIST* operator[](std::size_t i) const noexcept { return m_lists[i]; }
    // For the shell calls that take an array of lists.
    const ITEMIDLIST* const* data() const noexcept { return m_lists.data(); }
    void reserve(std::size_t count) { m_lists.reserve(count); }

private:
    std::vector<ITEMIDLIST*> m_lists;
};

// The ID list of a path, given its attributes and size so that a path that
// no longer exists still parses (the shell is handed the find data instead
// of looking). Absolute without `folder`; with one, `path` is a name inside
// it and the list is relative to it. Null for an empty path or a failed
// parse; free it with CoTaskMemFree. Any thread that has COM initialised:
// the bind context is kept per thread.
ITEMIDLIST* ParsePathToIdList(std::wstring_view path, std::uint32_t attributes,
                              std::uint64_t size, IShellFolder* folder = nullptr);

// One list per item whose path parses (full paths, or the names alone
// inside `folder`); the others are skipped.
void BuildIdListVector(IdListVector& lists, const std::vector<const FoundItem*>& items,
                       IShellFolder* folder = nullptr);

// The shell item array of the items' full paths; null when no path parsed
// or the shell refused. The caller releases it.
IShellItemArray* CreateShellItemArray(const std::vector<const FoundItem*>& items);
