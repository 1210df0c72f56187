// The main window's command ids: its menus, toolbar, keys and the results
// list post them; the shell's own verbs take 7991-9991 (ShellContextMenu.h).
#pragma once

#include <windows.h>

enum MainCommand : UINT {
    kCommandHelp = 1058,
    kCommandDonatePage = 1059,
    kCommandHomePage = 1060,
    kCommandOpen = 10001,
    kCommandOpenWith = 10002,
    kCommandOpenWithFirst = 10003, // handler i: 10003 + i, at most ten
    kCommandOpenWithLast = 10012,
    kCommandOpenFolder = 10013,
    kCommandHexView = 10014,
    kCommandRename = 10015,
    kCommandDelete = 10016,
    kCommandProperties = 10017,
    kCommandSearch = 10018,
    kCommandLoad = 10019,
    kCommandPause = 10020,
    kCommandSave = 10021,
    kCommandExport = 10022,
    kCommandSearchInResults = 10023,
    kCommandUndo = 10024,
    kCommandExit = 10025,
    kCommandCut = 10026,
    kCommandCopy = 10027,
    kCommandCopyToFolder = 10028,
    kCommandMoveToFolder = 10029,
    kCommandSelectAll = 10030,
    kCommandInvertSelection = 10031,
    kCommandToolbar = 10032,
    kCommandStatusBar = 10033,
    kCommandPanelLeft = 10034,
    kCommandPanelRight = 10035,
    kCommandPanelAutoHide = 10036,
    kCommandViewModeFirst = 10037, // + view mode 0..5
    kCommandColumnFirst = 10044,   // + column id 0..8: show or hide
    kCommandSortFirst = 10054,     // + column id 0..8
    kCommandSortNone = 10063,
    kCommandSortAscending = 10065,
    kCommandSortDescending = 10066,
    kCommandGroupFirst = 10067, // + column id 0..8
    kCommandGroupNone = 10076,
    kCommandGroupAscending = 10078,
    kCommandGroupDescending = 10079,
    kCommandClearHistory = 10080,
    kCommandRegisterFileType = 10081,
    kCommandRegisterFolderVerbs = 10082,
    kCommandSaveDefaultSearch = 10083,
    kCommandResetDefaultSearch = 10084,
    kCommandAutoSaveDefault = 10085,
    kCommandHexViewSetup = 10086,
    kCommandFont = 10087,
    kCommandLanguageFirst = 10088, // + language index, at most 64
    kCommandLanguageLast = 10151,
    kCommandOptions = 10153,
    kCommandCommandLineHelp = 10154,
    kCommandAbout = 10155,
};
