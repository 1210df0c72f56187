// A hidden results folder of the shell's explorer browser: the shell hands
// out one context menu only for items of one folder, and results lie in
// many, so they are put into this folder and the folder is asked. UI thread
// only.
#pragma once

#include "foundation/Handles.h"

#include <shobjidl.h>
#include <windows.h>

#include <vector>

struct FoundItem;

class ResultsFolderView {
public:
    ResultsFolderView() = default;
    ResultsFolderView(const ResultsFolderView&) = delete;
    ResultsFolderView& operator=(const ResultsFolderView&) = delete;
    ~ResultsFolderView() { Destroy(); }

    // Makes the browser on the window, hidden, with an empty results folder.
    // False (nothing held) when the shell has no results folder.
    bool Create(HWND parent);
    void Destroy();
    bool IsCreated() const { return static_cast<bool>(m_folder); }

    // The context menu of all the items through the results folder, which
    // holds exactly them afterwards. Null without the folder, when no item
    // parses, or when the shell refuses. The caller owns the reference.
    IContextMenu* GetItemsContextMenu(const std::vector<const FoundItem*>& items);

    // The same, in the form the context menu asks for its items' menu
    // (`view` is a ResultsFolderView).
    static IContextMenu* ItemsMenu(const std::vector<const FoundItem*>& items, void* view);

private:
    ComHandle<IExplorerBrowser> m_browser;
    ComHandle<IResultsFolder> m_folder;
};
