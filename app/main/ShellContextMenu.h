// The shell's own context menu for the selected results, merged with the
// program's items: the shell's delete, rename, cut and copy entries run the
// program's commands, its properties and paste entries go, and its entry for
// the containing folder lends caption and command to the program's
// open-folder item. Built once per selection and Shift state, and kept until
// the selection changes. UI thread only, in its single-threaded apartment.
#pragma once

#include "app/main/Commands.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"
#include "ui/controls/mvMenu.h"

#include <shobjidl.h>
#include <windows.h>

#include <vector>

struct FoundItem;

// The command ids the shell's items get: its command offset is id - first.
inline constexpr UINT kShellCommandFirst = 7991;
inline constexpr UINT kShellCommandLast = 9991;
inline constexpr bool IsShellCommand(UINT id) {
    return id >= kShellCommandFirst && id <= kShellCommandLast;
}

// The canonical verb of a shell command id; empty without a menu or when
// the shell gives none.
mvstring GetShellVerb(IContextMenu* shell, UINT id);

// Rewrites the menu the shell just filled: takes over or removes the
// shell's entries by their verbs, collapses separators (none first, last or
// twice), and ends it with the open-folder item, the hex viewer item (when
// `oneFile`) and Properties. False when the menu has no handle.
bool MergeShellMenu(mvMenu& menu, IContextMenu* shell, bool oneFile);

// The shell's context menu for items that all lie in one folder (the same
// folder text, case counts): the UI object of their item array, or, where
// the shell's item arrays give none, that of their parent folder. Null when
// the folders differ, a path does not parse, or the shell refuses. The
// caller owns the reference.
IContextMenu* GetSameFolderContextMenu(const std::vector<const FoundItem*>& items);

// Runs a shell command of the menu for the window, with the modifier keys
// and the cursor position of this moment. The shell reports failures itself.
HRESULT InvokeShellCommand(IContextMenu* shell, HWND window, UINT id);

// The context menu of the selection, with its interfaces and build state.
class ShellContextMenu {
public:
    // Gives the shell's menu for items of many folders (the results folder),
    // or null; the caller owns the reference.
    using ItemsMenuSource = IContextMenu* (*)(const std::vector<const FoundItem*>& items,
                                              void* context);

    ShellContextMenu() = default;
    ShellContextMenu(const ShellContextMenu&) = delete;
    ShellContextMenu& operator=(const ShellContextMenu&) = delete;
    ~ShellContextMenu() { Release(); }

    void SetItemsMenuSource(ItemsMenuSource source, void* context) {
        m_source = source;
        m_sourceContext = context;
    }

    // Builds the menu of the selection, or keeps the one built for it with
    // the same Shift state. `useShell` off releases and forgets it. A
    // selection the shell gives no menu for is not asked again until Reset
    // or another Shift state.
    void Build(const std::vector<const FoundItem*>& selection, bool useShell, bool shift);
    // As Build, reading Shift from the keyboard.
    void Build(const std::vector<const FoundItem*>& selection, bool useShell);
    // Releases the interfaces and the menu; the build state stays.
    void Release();
    // Forgets the build state (a new selection or language): releases too.
    void Reset();

    // Shows the menu only when both the interface and the menu exist.
    bool CanShow() const { return m_shell.Get() != nullptr && m_menu.Handle() != nullptr; }
    mvMenu& Menu() { return m_menu; }
    IContextMenu* Shell() const { return m_shell.Get(); }
    bool IsBuilt() const { return m_built; }
    // Shift was held when the menu was built (extended verbs).
    bool BuiltWithShift() const { return m_built && m_shift; }

    // Runs a shell command id (7991-9991) for the window. False when there
    // is no menu, the id is not the shell's or the selection is empty.
    bool Invoke(HWND window, UINT id, bool selectionEmpty);
    // Offers a window message to the shell's menu handlers (submenus filled
    // on demand, owner-drawn shell items). True when one took it; `result`
    // is what the window returns then.
    bool Relay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    mvMenu m_menu{false};
    ComHandle<IContextMenu> m_shell;
    ComHandle<IContextMenu2> m_shell2;
    ComHandle<IContextMenu3> m_shell3;
    bool m_built = false;
    bool m_shift = false;
    ItemsMenuSource m_source = nullptr;
    void* m_sourceContext = nullptr;
};
