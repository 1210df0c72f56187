// The system's information, warning, error and question icons in two sizes,
// taken from the shell's stock icons, else from User32.dll's icon
// resources, else from the system's standard icons.
#pragma once

#include "foundation/Handles.h"
#include "ui/core/WindowHolders.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <map>
#include <utility>

enum StockIconKey : int {
    AppIconLarge = 1, // the application's icon, set by the application
    AppIconSmall = 2,
    StockInfoLarge = 3,
    StockInfoSmall = 4,
    StockWarningLarge = 5,
    StockWarningSmall = 6,
    StockErrorLarge = 7,
    StockErrorSmall = 8,
    StockQuestionLarge = 9,
    StockQuestionSmall = 10,
};

// The shell's stock-icon query, replaceable where the system lacks it or
// gives no icon.
using StockIconInfoFn = HRESULT(WINAPI*)(SHSTOCKICONID, UINT, SHSTOCKICONINFO*);

class mvsysicon {
public:
    mvsysicon() = default;
    mvsysicon(const mvsysicon&) = delete;
    mvsysicon& operator=(const mvsysicon&) = delete;
    // Destroys the stock icons this object received. Icons loaded shared
    // belong to the system and stay.
    ~mvsysicon() { Clear(); }

    // Fills the caches once: each key's stock icon when the shell gives one
    // (a null icon counts as none), and each key's shared icon from
    // User32.dll, or the system's standard icon when User32.dll lacks it.
    void Load();
    // The stock icon when present, else the shared one; null for an unknown
    // key. Loads on first use.
    HICON GetIcon(int key);

    // Puts an icon of the given size under the key, replacing what the key
    // held; `owned` icons are destroyed with the cache, others are left to
    // their owner (the application icons, loaded shared).
    void SetIcon(int key, HICON icon, bool owned, int cx, int cy);
    // Packed cx | cy << 32 of the key's size entry: 1 and 2 as set, 3 the
    // large and 4 the small system icon size; 0 for none. Loads on first use.
    std::uint64_t GetSize(int key);

    // The query used by Load; null looks up SHGetStockIconInfo in
    // Shell32.dll. Takes effect at the next Load after Clear.
    void SetStockIconQuery(StockIconInfoFn query) noexcept { m_query = query; }
    // Empties every cache; the next GetIcon loads again.
    void Clear() noexcept;

private:
    bool m_loaded = false;
    StockIconInfoFn m_query = nullptr;
    std::map<int, IconHandle> m_ownedIcons;     // the stock icons, destroyed here
    std::map<int, HICON> m_sharedIcons;         // LR_SHARED: never destroyed
    std::map<int, std::pair<int, int>> m_sizes; // 1, 2 application, 3 large, 4 small
};
