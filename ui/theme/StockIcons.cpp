#include "ui/theme/StockIcons.h"

#include "foundation/OptionalProc.h"
#include "foundation/mvcominit.h"
#include "ui/core/Measure.h"

namespace {

struct KeySource {
    int key;
    SHSTOCKICONID stockId;
    WORD user32Id;     // icon resource in User32.dll
    WORD systemIconId; // OIC_ standard icon, the last resort
    bool small;
};

// In the order they are loaded.
constexpr KeySource kSources[] = {
    {StockWarningLarge, SIID_WARNING, 101, 32515, false},
    {StockWarningSmall, SIID_WARNING, 101, 32515, true},
    {StockQuestionLarge, SIID_HELP, 102, 32514, false},
    {StockQuestionSmall, SIID_HELP, 102, 32514, true},
    {StockErrorLarge, SIID_ERROR, 103, 32513, false},
    {StockErrorSmall, SIID_ERROR, 103, 32513, true},
    {StockInfoLarge, SIID_INFO, 104, 32516, false},
    {StockInfoSmall, SIID_INFO, 104, 32516, true},
};

constexpr int kLargeSize = 3;
constexpr int kSmallSize = 4;

StockIconInfoFn ShellStockIconQuery() {
    static OptionalProc<StockIconInfoFn> query(L"Shell32.dll", "SHGetStockIconInfo");
    return query.Get();
}

HICON LoadShared(HMODULE module, WORD id, const std::pair<int, int>& size) {
    return static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size.first, size.second, LR_SHARED));
}

} // namespace

void mvsysicon::Clear() noexcept {
    m_ownedIcons.clear();
    m_sharedIcons.clear();
    m_sizes.clear();
    m_loaded = false;
}

void mvsysicon::Load() {
    if (m_loaded)
        return;
    m_loaded = true;
    const mvcominit com;
    m_sizes[kLargeSize] = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    m_sizes[kSmallSize] = {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
    const ModuleHandle user32(LoadLibraryW(L"User32.dll"));
    const ModuleHandle shell32(LoadLibraryW(L"Shell32.dll"));
    const StockIconInfoFn query = m_query != nullptr ? m_query : ShellStockIconQuery();
    for (const KeySource& source : kSources) {
        if (query != nullptr) {
            SHSTOCKICONINFO info{};
            info.cbSize = sizeof info;
            const UINT flags = SHGSI_ICON | (source.small ? SHGSI_SMALLICON : 0);
            if (SUCCEEDED(query(source.stockId, flags, &info)) && info.hIcon != nullptr)
                m_ownedIcons[source.key].Assign(info.hIcon);
        }
        const std::pair<int, int>& size = m_sizes[source.small ? kSmallSize : kLargeSize];
        HICON shared = user32 ? LoadShared(user32.Get(), source.user32Id, size) : nullptr;
        if (shared == nullptr)
            shared = LoadShared(nullptr, source.systemIconId, size);
        if (shared != nullptr)
            m_sharedIcons[source.key] = shared;
    }
}

HICON mvsysicon::GetIcon(int key) {
    Load();
    if (const auto owned = m_ownedIcons.find(key); owned != m_ownedIcons.end())
        return owned->second.Get();
    const auto shared = m_sharedIcons.find(key);
    return shared != m_sharedIcons.end() ? shared->second : nullptr;
}

void mvsysicon::SetIcon(int key, HICON icon, bool owned, int cx, int cy) {
    Load();
    m_ownedIcons.erase(key);
    m_sharedIcons.erase(key);
    if (icon != nullptr) {
        if (owned)
            m_ownedIcons[key].Assign(icon);
        else
            m_sharedIcons[key] = icon;
    }
    m_sizes[key] = {cx, cy};
}

std::uint64_t mvsysicon::GetSize(int key) {
    Load();
    const auto size = m_sizes.find(key);
    if (size == m_sizes.end())
        return 0;
    return PackXY(size->second.first, size->second.second);
}
