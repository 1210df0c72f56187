#include "ui/controls/mvFolderCombo.h"

#include "foundation/Handles.h"
#include "ui/core/Measure.h"
#include "ui/core/WindowHolders.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlguid.h>

#include <algorithm>

namespace {

// Raises the control's update counter for the scope: its own list changes
// pass the refusal of outside changes.
class UpdateScope {
public:
    explicit UpdateScope(volatile LONG64& counter) : m_counter(counter) {
        InterlockedIncrement64(&m_counter);
    }
    ~UpdateScope() { InterlockedDecrement64(&m_counter); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    volatile LONG64& m_counter;
};

// The shell's icon and display name of a path (of a made-up path with the
// attributes when they are given). False when the shell knows neither.
bool GetShellInfo(const wchar_t* path, DWORD attributes, bool smallIcon, IconHandle& icon,
                  mvstring& name) {
    SHFILEINFOW info{};
    UINT flags = SHGFI_ICON | SHGFI_DISPLAYNAME;
    if (smallIcon)
        flags |= SHGFI_SMALLICON;
    if (attributes != 0)
        flags |= SHGFI_USEFILEATTRIBUTES;
    if (SHGetFileInfoW(path, attributes, &info, sizeof info, flags) == 0)
        return false;
    icon.Assign(info.hIcon);
    name = mvstring(info.szDisplayName);
    return true;
}

} // namespace

mvFolderCombo::~mvFolderCombo() {
    // The window goes before the autocomplete parts: the shell's
    // autocomplete sits in the edit part's message chain until it dies.
    Detach(true);
    m_items.clear();
    mvACBase::Release();
}

bool mvFolderCombo::DecideIconSize() {
    bool smallIcons = true;
    if (m_iconMode == 2) {
        smallIcons = false;
    } else if (m_iconMode == 0) {
        HFONT font = m_font;
        if (font == nullptr && m_hwnd != nullptr)
            font = reinterpret_cast<HFONT>(SendMessageW(m_hwnd, WM_GETFONT, 0, 0));
        smallIcons = mvtheme_control::GetTextHeight(font) < GetSystemMetrics(SM_CYICON);
    }
    const bool changed = smallIcons != m_smallIcons;
    m_smallIcons = smallIcons;
    return changed;
}

int mvFolderCombo::AppendIcon(HICON icon) {
    if (icon == nullptr)
        return -1;
    if (!m_combo.m_images) {
        const std::uint64_t size = GetIconSize(icon);
        if (PackedX(size) <= 0 || PackedY(size) <= 0)
            return -1;
        SetImageList(ImageList_Create(PackedX(size), PackedY(size), ILC_COLOR32, 0, 5));
        if (!m_combo.m_images)
            return -1;
    }
    return ImageList_AddIcon(m_combo.m_images.Get(), icon);
}

int mvFolderCombo::AddItem(const mvstring& path, const mvstring& display, bool fixed, HICON icon,
                           bool atEnd) {
    if (path.empty() || m_hwnd == nullptr)
        return -1;
    UpdateScope updating(m_updating);
    int image = 0;
    if (icon != nullptr)
        image = std::max(AppendIcon(icon), 0);
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = atEnd ? -1 : 0;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = image;
    item.iSelectedImage = image;
    const auto index = static_cast<int>(
        SendMessageW(m_hwnd, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index >= 0) {
        const size_t at = std::min(static_cast<size_t>(index), m_items.size());
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at),
                       Item{path, display, fixed});
    }
    return index;
}

bool mvFolderCombo::DeleteItem(int index) {
    if (index < 0 || m_hwnd == nullptr)
        return false;
    UpdateScope updating(m_updating);
    const bool wasSelected = SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0) == index;
    if (SendMessageW(m_hwnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0) == CB_ERR)
        return false;
    if (static_cast<size_t>(index) < m_items.size()) {
        if (m_items[static_cast<size_t>(index)].fixed)
            --m_fixedCount;
        m_items.erase(m_items.begin() + index);
    }
    if (wasSelected)
        InvalidateRect(m_hwnd, nullptr, TRUE);
    return true;
}

int mvFolderCombo::FindItem(const mvstring& path) const {
    if (path.empty())
        return -1;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const mvstring& other = m_items[i].path;
        if (other.size() == path.size() &&
            CompareStringOrdinal(other.c_str(), static_cast<int>(other.size()), path.c_str(),
                                 static_cast<int>(path.size()), TRUE) == CSTR_EQUAL)
            return static_cast<int>(i);
    }
    return -1;
}

void mvFolderCombo::Populate() {
    if (m_hwnd == nullptr)
        return;
    SetImageList(nullptr);
    for (int i = static_cast<int>(m_items.size()) - 1; i >= 0; --i)
        if (m_items[static_cast<size_t>(i)].fixed)
            DeleteItem(i);
    m_fixedCount = 0;

    IconHandle icon;
    mvstring name;
    if (GetShellInfo(L"FakeFolder", FILE_ATTRIBUTE_DIRECTORY, m_smallIcons, icon, name))
        AppendIcon(icon.Get());

    int added = 0;
    for (const KNOWNFOLDERID& id : {FOLDERID_Documents, FOLDERID_Desktop}) {
        CoTaskMemHandle<wchar_t> path;
        if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.Put())) || !path)
            continue;
        icon.Reset();
        name.clear();
        GetShellInfo(path.Get(), 0, m_smallIcons, icon, name);
        if (AddItem(path.Get(), name, true, icon.Get(), true) >= 0)
            ++added;
    }
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((drives & (1u << letter)) == 0)
            continue;
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', 0};
        icon.Reset();
        name.clear();
        if (!GetShellInfo(root, 0, m_smallIcons, icon, name) || name.empty())
            continue;
        if (AddItem(root, name, true, icon.Get(), true) >= 0)
            ++added;
    }
    m_fixedCount = added;
}

bool mvFolderCombo::AddHistoryPath(const mvstring& path) {
    if (path.empty())
        return false;
    AddString(path);
    const int found = FindItem(path);
    if (found >= 0) {
        if (m_items[static_cast<size_t>(found)].fixed)
            return true;
        if (!DeleteItem(found))
            return false;
    }
    const int index = AddItem(path, mvstring(), false, nullptr, false);
    const int limit = Strings().Limit();
    if (limit > 0)
        while (HistoryCount() > limit && DeleteItem(HistoryCount() - 1)) {
        }
    return index >= 0;
}

void mvFolderCombo::ClearHistory() {
    for (int i = static_cast<int>(m_items.size()) - 1; i >= 0; --i)
        if (!m_items[static_cast<size_t>(i)].fixed)
            DeleteItem(i);
    mvACBase::Clear();
}

void mvFolderCombo::ShowSelectionInEdit() {
    const HWND edit = EditWindow();
    const LRESULT selection = SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0);
    if (edit == nullptr || selection < 0 || static_cast<size_t>(selection) >= m_items.size())
        return;
    const Item& item = m_items[static_cast<size_t>(selection)];
    const mvstring& text = item.display.empty() ? item.path : item.display;
    if (GetWindowTextString(edit) != text)
        SetWindowTextW(edit, text.c_str());
}

mvstring mvFolderCombo::GetEditText() const {
    const HWND edit = EditWindow();
    return GetWindowTextString(edit != nullptr ? edit : m_combo.Handle());
}

void mvFolderCombo::GetSelectedPath(mvstring& path) const {
    path.clear();
    if (m_hwnd == nullptr)
        return;
    const LRESULT selection = SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0);
    if (selection >= 0 && static_cast<size_t>(selection) < m_items.size())
        path = m_items[static_cast<size_t>(selection)].path;
    else
        path = GetEditText();
}

bool mvFolderCombo::OnReflectNotify(NMHDR* header, LRESULT* result) {
    *result = 0;
    if (header->code != CBEN_GETDISPINFOW)
        return false;
    auto* info = reinterpret_cast<NMCOMBOBOXEXW*>(header);
    COMBOBOXEXITEMW& item = info->ceItem;
    if (item.mask == 0 || item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_items.size())
        return false;
    const Item& record = m_items[static_cast<size_t>(item.iItem)];
    const mvstring& text = record.display.empty() ? record.path : record.display;
    if (item.pszText != nullptr && item.pszText != LPSTR_TEXTCALLBACKW && item.cchTextMax > 0) {
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    } else {
        // Asked without a buffer: the control reads the text in place
        // before the list changes again.
        item.pszText = const_cast<wchar_t*>(text.c_str());
    }
    return true;
}

void mvFolderCombo::OnAttached() {
    mvComboBoxEx::OnAttached();
    const HWND edit = EditWindow();
    const bool completes = edit != nullptr && mvACBase::Attach(edit, false);
    DecideIconSize();
    Populate();
    if (!completes)
        return;
    if (!m_shellSource)
        CoCreateInstance(CLSID_ACListISF, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                         reinterpret_cast<void**>(m_shellSource.Put()));
    if (m_shellSource) {
        SourceList()->Append(m_shellSource.Get());
        ComHandle<IACList2> options;
        if (SUCCEEDED(m_shellSource.Get()->QueryInterface(IID_IACList2,
                                                          reinterpret_cast<void**>(options.Put()))))
            options.Get()->SetOptions(ACLO_FILESYSDIRS);
    }
    for (auto& source : m_extraSources)
        if (source)
            SourceList()->Append(source.Get());
    ResetEnumerator();
}

LRESULT mvFolderCombo::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CB_DELETESTRING:
    case CBEM_INSERTITEMW:
        if (m_updating == 0)
            return -1;
        break;
    case CB_RESETCONTENT:
    case CBEM_SETITEMW:
        if (m_updating == 0)
            return 0;
        break;
    case CBEM_INSERTITEMA:
        return -1;
    case CBEM_GETITEMA:
    case CBEM_SETITEMA:
        return 0;
    case WM_DESTROY:
        m_items.clear();
        m_fixedCount = 0;
        break;
    default:
        break;
    }
    const LRESULT result = mvComboBoxEx::WindowProc(message, wParam, lParam);
    if (message == WM_SETFONT && DecideIconSize())
        Populate();
    if (message == CB_SETCURSEL ||
        (message == WM_COMMAND && reinterpret_cast<HWND>(lParam) == m_combo.Handle() &&
         HIWORD(wParam) == CBN_SELCHANGE))
        ShowSelectionInEdit();
    return result;
}
