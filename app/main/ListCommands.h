// The main window's commands that act on the results list and its settings:
// view modes, shown columns, sorting, grouping, select all and invert. The
// main window hands every command here first; what is not one of these goes
// on to its own dispatch. Sort and group commands change nothing while a job
// runs, and the groups follow the sort's direction when both use the same
// column. UI thread only.
#pragma once

#include <windows.h>

class CVQListCtrl;
class CVQStatusBar;
class CVQToolBarCtrl;

// The parts the commands act on; a missing status bar or toolbar is skipped.
struct ListCommandTargets {
    CVQListCtrl* list = nullptr;
    CVQStatusBar* status = nullptr;
    CVQToolBarCtrl* toolBar = nullptr;
};

// Whether the command is one of those below.
bool IsListCommand(UINT id);
// Carries out the command; false when it is not a list command (it is
// then left to the caller).
bool DispatchListCommand(const ListCommandTargets& targets, UINT id);

// The settings side of a sort (10054..10066) or group (10067..10079)
// command: true when the order changed and the list is to be sorted or
// grouped again.
bool ApplySortCommand(UINT id);
bool ApplyGroupCommand(UINT id);

// Greys, in the menu and all its submenus, every command for which
// `handled` answers false; the others, separators and submenu entries are
// left as they are. A command whose handler comes later is
// thus seen to be unavailable instead of doing nothing.
void GreyUnhandledCommands(HMENU menu, bool (*handled)(UINT id));
