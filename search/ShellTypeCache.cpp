#include "search/ShellTypeCache.h"

#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "foundation/mvcominit.h"
#include "search/PropertyTexts.h"

#include <commctrl.h>
#include <commoncontrols.h>

namespace {

constexpr wchar_t kFolderKey[] = L"?folder";
constexpr wchar_t kNoExtensionKey[] = L"?noext";
constexpr wchar_t kFakeItem[] = L"FakeItem";

// The shell lists the cache takes, with their nominal icon sizes.
constexpr struct {
    int list;
    int size;
} kSystemLists[] = {{SHIL_SMALL, 16}, {SHIL_LARGE, 32}, {SHIL_EXTRALARGE, 48}};

} // namespace

ShellTypeCache::ShellTypeCache(FileInfoQuery query) : m_query(query) {}

ShellTypeCache::~ShellTypeCache() = default;

ShellTypeCache::PathKey::PathKey(std::wstring_view path) : text(path) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
}

DWORD_PTR ShellTypeCache::Query(const wchar_t* path, DWORD attributes, SHFILEINFOW& info,
                                UINT flags) {
    InterlockedIncrement(&m_queries);
    info = SHFILEINFOW{};
    DWORD_PTR result = m_query(path, attributes, &info, sizeof info, flags);
    if (info.hIcon)
        DestroyIcon(info.hIcon);
    info.hIcon = nullptr;
    return result;
}

void ShellTypeCache::Init() const {
    // The lists are filled once, under the once-lock; for callers the cache
    // looks the same before and after.
    InitOnceExecuteOnce(&m_init, &ShellTypeCache::InitOnce, const_cast<ShellTypeCache*>(this),
                        nullptr);
}

bool ShellTypeCache::IsInitialised() const noexcept {
    BOOL pending = FALSE;
    return InitOnceBeginInitialize(&m_init, INIT_ONCE_CHECK_ONLY, &pending, nullptr) && !pending;
}

BOOL CALLBACK ShellTypeCache::InitOnce(INIT_ONCE*, void* cache, void**) {
    static_cast<ShellTypeCache*>(cache)->TakeImageLists();
    return TRUE;
}

void ShellTypeCache::TakeImageLists() {
    mvcominit com;
    std::map<int, ComHandle<IUnknown>> lists;
    std::map<int, int> sizes;
    for (const auto& system : kSystemLists) {
        sizes[system.list] = system.size;
        ComHandle<IImageList> list;
        if (SUCCEEDED(SHGetImageList(system.list, __uuidof(IImageList),
                                     reinterpret_cast<void**>(list.Put())))) {
            int cx = 0, cy = 0;
            if (list && SUCCEEDED(list.Get()->GetIconSize(&cx, &cy)) && cx > 0)
                sizes[system.list] = cx;
            lists[system.list].Assign(list.Release());
        }
    }
    SHFILEINFOW info;
    const UINT flags = SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_USEFILEATTRIBUTES;
    Query(kFakeItem, FILE_ATTRIBUTE_NORMAL, info, flags);
    int noExtension = info.iIcon;
    Query(kFakeItem, FILE_ATTRIBUTE_DIRECTORY, info, flags);
    int folder = info.iIcon;

    mvLock held(m_lock);
    m_imageLists = std::move(lists);
    m_iconSizes = std::move(sizes);
    m_iconIndexes[kNoExtensionKey] = noExtension;
    m_iconIndexes[kFolderKey] = folder;
}

const wchar_t* ShellTypeCache::TypeKey(const mvstring& extension, std::uint32_t attributes,
                                       const wchar_t*& path, DWORD& queryAttributes) {
    path = kFakeItem;
    queryAttributes = FILE_ATTRIBUTE_NORMAL;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        queryAttributes = FILE_ATTRIBUTE_DIRECTORY;
        return kFolderKey;
    }
    if (extension.empty())
        return kNoExtensionKey;
    path = extension.c_str();
    return path;
}

const mvstring* ShellTypeCache::FindTypeName(const mvstring& extension,
                                             std::uint32_t attributes) const {
    const wchar_t* path;
    DWORD queryAttributes;
    const wchar_t* key = TypeKey(extension, attributes, path, queryAttributes);
    mvLock held(m_lock);
    auto found = m_typeNames.find(std::wstring_view(key));
    return found == m_typeNames.end() ? nullptr : &found->second;
}

const mvstring& ShellTypeCache::GetTypeName(const mvstring& extension, std::uint32_t attributes) {
    const wchar_t* path;
    DWORD queryAttributes;
    const wchar_t* key = TypeKey(extension, attributes, path, queryAttributes);
    {
        mvLock held(m_lock);
        auto found = m_typeNames.find(std::wstring_view(key));
        if (found != m_typeNames.end())
            return found->second;
    }
    SHFILEINFOW info;
    Query(path, queryAttributes, info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
    mvLock held(m_lock);
    // Another thread may have stored it meanwhile: its entry stays.
    return m_typeNames.try_emplace(mvstring(key), mvstring(info.szTypeName)).first->second;
}

int ShellTypeCache::GetIconIndex(const mvstring& path, const mvstring& extension,
                                 std::uint32_t attributes) {
    const wchar_t* key = nullptr; // null: asked per file, never cached
    const wchar_t* queryPath = kFakeItem;
    mvstring shellPath;
    DWORD queryAttributes = FILE_ATTRIBUTE_NORMAL;
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_ICON | SHGFI_OVERLAYINDEX | SHGFI_USEFILEATTRIBUTES;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        key = kFolderKey;
        queryAttributes = FILE_ATTRIBUTE_DIRECTORY;
    } else if (extension.empty()) {
        key = kNoExtensionKey;
    } else if (Settings().SpecIconExts.count(extension)) {
        shellPath = ShellPathForm(path);
        queryPath = shellPath.c_str();
        flags &= ~SHGFI_USEFILEATTRIBUTES;
    } else {
        key = queryPath = extension.c_str();
    }
    Init(); // the folder and no-extension icons come from there
    if (key) {
        mvLock held(m_lock);
        auto found = m_iconIndexes.find(key);
        if (found != m_iconIndexes.end())
            return found->second;
    }
    SHFILEINFOW info;
    Query(queryPath, queryAttributes, info, flags);
    if (key) {
        mvLock held(m_lock);
        return m_iconIndexes.try_emplace(mvstring(key), info.iIcon).first->second;
    }
    return info.iIcon;
}

int ShellTypeCache::IconSize(int list) const {
    Init();
    mvLock held(m_lock);
    auto found = m_iconSizes.find(list);
    return found == m_iconSizes.end() ? 0 : found->second;
}

IImageList* ShellTypeCache::GetImageList(int list) const {
    Init();
    mvLock held(m_lock);
    auto found = m_imageLists.find(list);
    return found == m_imageLists.end() ? nullptr : static_cast<IImageList*>(found->second.Get());
}

HBITMAP ShellTypeCache::GetThumbnail(const mvstring& path, int code) const {
    mvLock held(m_lock);
    auto file = m_thumbnails.find(PathKey(path));
    if (file == m_thumbnails.end())
        return nullptr;
    auto found = file->second.find(code);
    return found == file->second.end() ? nullptr : found->second.Get();
}

void ShellTypeCache::StoreThumbnail(const mvstring& path, int code, HBITMAP bitmap) {
    Bitmap owned(bitmap);
    mvLock held(m_lock);
    auto& sizes = m_thumbnails[PathKey(path)];
    if (bitmap && !sizes.count(code))
        sizes[code] = std::move(owned);
}

bool ShellTypeCache::HasThumbnails(const mvstring& path) const {
    mvLock held(m_lock);
    return m_thumbnails.count(PathKey(path)) != 0;
}

void ShellTypeCache::StoreThumbnails(const mvstring& path, const std::map<int, HBITMAP>& bitmaps) {
    std::map<int, Bitmap> entry;
    for (const auto& [code, bitmap] : bitmaps)
        if (bitmap)
            entry[code] = Bitmap(bitmap);
    {
        mvLock held(m_lock);
        std::swap(m_thumbnails[PathKey(path)], entry);
    }
    // `entry` now holds the former bitmaps, deleted outside the lock.
}

bool ShellTypeCache::GetTileLine(const mvstring& path, size_t i) {
    m_tileText.clear();
    mvLock held(m_lock);
    auto found = m_tileLines.find(PathKey(path));
    if (found == m_tileLines.end())
        return false;
    if (i < found->second.size())
        m_tileText = found->second[i];
    return true;
}

void ShellTypeCache::CacheTileLines(const mvstring& path) {
    if (path.empty())
        return;
    {
        mvLock held(m_lock);
        if (m_tileLines.count(PathKey(path)))
            return;
    }
    std::vector<mvstring> lines;
    GetItemPropertyTexts(path, lines);
    StoreTileLines(path, std::move(lines));
}

void ShellTypeCache::StoreTileLines(const mvstring& path, std::vector<mvstring> lines) {
    if (path.empty())
        return;
    mvLock held(m_lock);
    m_tileLines.try_emplace(PathKey(path), std::move(lines));
}

mvstring ShellTypeCache::GetInfoTip(const mvstring& path) const {
    mvLock held(m_lock);
    auto found = m_infoTips.find(PathKey(path));
    return found == m_infoTips.end() ? mvstring() : found->second;
}

bool ShellTypeCache::HasInfoTip(const mvstring& path) const {
    mvLock held(m_lock);
    return m_infoTips.count(PathKey(path)) != 0;
}

void ShellTypeCache::StoreInfoTip(const mvstring& path, const mvstring& text) {
    mvLock held(m_lock);
    m_infoTips.try_emplace(PathKey(path), text);
}

void ShellTypeCache::ClearFileCaches() {
    mvLock held(m_lock);
    m_thumbnails.clear();
    m_tileLines.clear();
    m_infoTips.clear();
}

ShellTypeCache& GlobalShellTypeCache() {
    // Never destroyed: the icon loader and the search worker may still use
    // it when the process ends (see GlobalIconLoadQueue).
    static ShellTypeCache& cache = *new ShellTypeCache;
    return cache;
}
