// Per-extension type names and icon indexes from the shell, the system
// image lists of the three icon sizes, and the per-file thumbnails, tile
// lines and info tips the icon loader produces. One process-wide cache; the
// slow shell calls run outside its lock. Image lists and thumbnails are
// known by the shell's own list numbers (SHIL_SMALL, SHIL_LARGE,
// SHIL_EXTRALARGE); which list a view of the results shows is the window's
// choice. The cache draws nothing.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvLock.h"
#include "foundation/mvstring.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

// Where the shell's file information comes from; SHGetFileInfoW outside
// of tests that count the calls.
using FileInfoQuery = DWORD_PTR(WINAPI*)(LPCWSTR path, DWORD attributes, SHFILEINFOW* info,
                                         UINT infoSize, UINT flags);

// The shell's image-list interface, used through the cache's source only.
struct IImageList;

class ShellTypeCache {
public:
    explicit ShellTypeCache(FileInfoQuery query = &SHGetFileInfoW);
    ShellTypeCache(const ShellTypeCache&) = delete;
    ShellTypeCache& operator=(const ShellTypeCache&) = delete;
    ~ShellTypeCache();

    // Takes the system image lists with their icon sizes (nominal sizes
    // where the shell gives no list) and the icons of folders and files
    // without extension, once: later calls return at once. Only windows
    // need them, so every call that does takes them first, and a run that
    // never shows a result never asks the shell for them.
    void Init() const;
    // Whether Init has run.
    bool IsInitialised() const noexcept;

    // The shell's type name for files with this extension (with its dot),
    // or of folders when the attributes say so; asked once per key. The
    // reference stays valid for the life of the cache.
    const mvstring& GetTypeName(const mvstring& extension, std::uint32_t attributes);
    // The same when it has been asked before, else null without asking: for
    // code that must not wait for the shell.
    const mvstring* FindTypeName(const mvstring& extension, std::uint32_t attributes) const;

    // The system icon index with the overlay index in its top 8 bits.
    // Asked once per extension, except for the types whose icons differ per
    // file (the setting SpecIconExts), which are asked by full path each time.
    int GetIconIndex(const mvstring& path, const mvstring& extension, std::uint32_t attributes);

    // Pixel size of the icons of the shell's list (SHIL_SMALL, SHIL_LARGE or
    // SHIL_EXTRALARGE; its nominal 16, 32 or 48 where the shell gave no
    // list); 0 for any other list.
    int IconSize(int list) const;
    // The shell's image list; null when the shell gave none or for any
    // other list than the three.
    IImageList* GetImageList(int list) const;

    // Thumbnails by path (ASCII letters compared ignoring case) and the
    // shell list whose size they were made for; the cache owns the bitmaps.
    HBITMAP GetThumbnail(const mvstring& path, int code) const;
    // Stores a thumbnail (a null bitmap only records that the file was
    // tried); keeps one that is already there.
    void StoreThumbnail(const mvstring& path, int code, HBITMAP bitmap);
    // Whether the path has a thumbnail entry, even one without bitmaps: the
    // file has been tried.
    bool HasThumbnails(const mvstring& path) const;
    // Replaces the path's entry with these bitmaps by shell list (null
    // bitmaps are left out; an empty map marks the file as tried). The
    // cache takes the bitmaps; those of the former entry are deleted.
    void StoreThumbnails(const mvstring& path, const std::map<int, HBITMAP>& bitmaps);

    // Tile lines: line i of the path's cached lines into TileText(); false
    // when the path has no lines (the text is left empty).
    bool GetTileLine(const mvstring& path, size_t i);
    // Asks the shell for the path's tile lines when it has none yet.
    void CacheTileLines(const mvstring& path);
    void StoreTileLines(const mvstring& path, std::vector<mvstring> lines);
    const mvstring& TileText() const noexcept { return m_tileText; }

    // Info tips by path; empty when none.
    mvstring GetInfoTip(const mvstring& path) const;
    bool HasInfoTip(const mvstring& path) const;
    void StoreInfoTip(const mvstring& path, const mvstring& text);

    // Empties the per-file caches (thumbnails, tile lines, info tips); the
    // per-extension entries stay.
    void ClearFileCaches();

    // Shell queries made so far.
    long QueryCount() const noexcept { return m_queries; }

private:
    struct PathKey {
        std::wstring text; // ASCII letters lower-cased
        explicit PathKey(std::wstring_view path);
        bool operator<(const PathKey& other) const { return text < other.text; }
    };
    using Bitmap = GdiHandle<HBITMAP>;

    DWORD_PTR Query(const wchar_t* path, DWORD attributes, SHFILEINFOW& info, UINT flags);
    // The type-name key of an extension and attributes, with the path and
    // attributes the shell is asked with.
    static const wchar_t* TypeKey(const mvstring& extension, std::uint32_t attributes,
                                  const wchar_t*& path, DWORD& queryAttributes);
    void TakeImageLists();
    static BOOL CALLBACK InitOnce(INIT_ONCE* once, void* cache, void** context);

    FileInfoQuery m_query;
    long m_queries = 0;
    mutable INIT_ONCE m_init = INIT_ONCE_STATIC_INIT;
    mutable mvCriticalSection m_lock;
    std::map<mvstring, mvstring, mvmap_nocasecompare> m_typeNames;
    std::map<mvstring, int> m_iconIndexes;
    std::map<int, ComHandle<IUnknown>> m_imageLists; // IImageList each
    std::map<int, int> m_iconSizes;
    std::map<PathKey, std::map<int, Bitmap>> m_thumbnails;
    std::map<PathKey, std::vector<mvstring>> m_tileLines;
    std::map<PathKey, mvstring> m_infoTips;
    mvstring m_tileText;
};

// The process-wide cache, built on first use; its image lists are taken
// when first needed.
ShellTypeCache& GlobalShellTypeCache();
