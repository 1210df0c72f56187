// The folder entry of the search panel: an extended combo box whose list
// holds the typed folder history first (newest first) and then the fixed
// entries, the Documents and Desktop folders and every logical drive, each
// with its shell icon and display name. Its edit part autocompletes from the
// history and from the file system's folders. The control owns its list:
// insertions and deletions sent from outside are refused. UI thread only.
#pragma once

#include "foundation/mvstring.h"
#include "ui/controls/mvAutoComplete.h"
#include "ui/controls/mvComboBox.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class mvFolderCombo : public mvComboBoxEx, public mvACBase {
public:
    struct Item {
        mvstring path;
        mvstring display; // may be empty: the path is shown
        bool fixed = false;
    };

    mvFolderCombo() = default;
    ~mvFolderCombo() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
    // Gives the control the text of an item it asks for.
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override;

    // Rebuilds the fixed entries after the history.
    void Populate();
    // Puts a typed path at the front of the history and of the autocomplete
    // strings; a path that names a fixed entry leaves the list alone. True
    // when an entry now stands in the list for it.
    bool AddHistoryPath(const mvstring& path);
    // Deletes every history entry and empties the autocomplete strings.
    void ClearHistory();
    // The selected entry's path, else the text typed; empty without a
    // window.
    void GetSelectedPath(mvstring& path) const;
    // The text of the edit part (of the inner combo when there is none).
    mvstring GetEditText() const;
    // The index of the entry with the path (same length, equal ignoring
    // case); -1 for an empty path or none.
    int FindItem(const mvstring& path) const;
    // Removes the entry. False for a negative index or when the control
    // refuses.
    bool DeleteItem(int index);
    // Inserts an entry at the end or at the front, its image a copy of the
    // icon (which stays the caller's) or, without one, the generic folder
    // image. The index given, or -1 (also for an empty path).
    int AddItem(const mvstring& path, const mvstring& display, bool fixed, HICON icon, bool atEnd);

    std::vector<Item> m_items;
    int m_fixedCount = 0;
    bool m_smallIcons = true;
    // 0: icon size from the font, 1: small icons, 2: large icons.
    std::uint8_t m_iconMode = 0;
    // Non-zero while the control itself changes its list.
    volatile LONG64 m_updating = 0;

private:
    // Decides the icon size from the mode and the font; true when it changed.
    bool DecideIconSize();
    int HistoryCount() const { return static_cast<int>(m_items.size()) - m_fixedCount; }
    // Appends the icon to the image list (made with its size on the first
    // icon); its index, or -1.
    int AppendIcon(HICON icon);
    // Puts the selected entry's text into the edit part when the control
    // left another there (some controls read a text they asked their parent
    // for as 8-bit text).
    void ShowSelectionInEdit();
};
