// The options dialog: the program's eight yes/no options as one check list
// with Reset, OK and Cancel. OK writes the settings; Cancel and Reset alone
// change nothing. Modal; UI thread only.
#pragma once

#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQButton.h"
#include "foundation/Settings.h"
#include "panel/VQCheckListCtrl.h"

#include <windows.h>

inline constexpr int kOptionsResetId = 1047;

// One option: its row's data (id), its text key in section "options", its
// setting and its value after Reset.
struct OptionEntry {
    int id;
    const wchar_t* textKey;
    BoolSetting VQSettings::*setting;
    bool resetValue;
};
// The eight options in the order the list shows them.
extern const OptionEntry kOptionEntries[8];

class CVQOptionsDlg : public CVQBaseDlg {
public:
    CVQOptionsDlg();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    // Loads the options, sizes the dialog from its rows (never shorter than
    // wide) and centres it over the owner.
    int OnInitDialog() override;
    void Layout() override;
    void SetTexts() override;

    // Each row checked when its setting is on.
    void LoadOptions();
    // Checks the options that are on by default, unchecks the others;
    // nothing is saved.
    void ResetDefaults();
    // Sets every option from its row and saves the group of the seven list
    // options (the history switch writes itself when it changes).
    void SaveOptions();

    CVQCheckListCtrl m_list;
    CVQButton<mvButton> m_reset;
    CVQButton<mvButton> m_ok;
    CVQButton<mvButton> m_cancel;
};
