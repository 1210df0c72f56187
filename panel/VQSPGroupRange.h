// The option groups of ranges: file size (a unit and two comparisons with
// size values) and file date (which time, which part of it, and two
// comparisons with date values), with their preset menus. UI thread only.
#pragma once

#include "panel/VQDateTimeCtrl.h"
#include "panel/VQSPGroup.h"
#include "panel/VQSizeEdit.h"
#include "app/shared/VQShortcutButton.h"
#include "ui/controls/mvComboBox.h"

#include <windows.h>

#include <cstdint>

using PanelCombo = mvScrollPanel_Ctrl<mvComboBox>;
using PanelSizeEdit = mvScrollPanel_Ctrl<CVQSizeEdit>;
using PanelDatePicker = mvScrollPanel_Ctrl<CVQDateTimeCtrl>;

// The square button that opens a group's preset menu: the hand cursor, and
// never the default button.
class CVQPresetButton : public mvScrollPanel_Ctrl<CVQShortcutButton> {
public:
    ~CVQPresetButton() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The selection of a combo (-1 for none or without a window).
int ComboSelection(const mvWnd& combo);
void SetComboSelection(mvWnd& combo, int index);

// Menu ids of the presets.
inline constexpr int kSizePresetFirst = 10156; // up to 32 size ranges
inline constexpr int kSizePresetLast = 10187;
inline constexpr int kSizePresetClear = 10189;
inline constexpr int kDatePresetFirst = 10190; // today ... last year
inline constexpr int kDatePresetLast = 10197;
inline constexpr int kDatePresetClear = 10199;
inline constexpr int kUseSecondsCommand = 10200;

class CVQSPGroup_Size : public CVQSPGroup {
public:
    CVQSPGroup_Size() : CVQSPGroup(2) {}
    ~CVQSPGroup_Size() override;
    void CreateControls(HWND parent) override;
    void LoadTexts() override;
    void UpdateState(bool running);
    // A size preset (kSizePresetFirst + i) or the clear command.
    void OnShortcutMenu(int id);

    PanelCombo m_unit;
    CVQPresetButton m_preset;
    PanelCombo m_logic1;
    PanelSizeEdit m_size1;
    PanelCombo m_logic2;
    PanelSizeEdit m_size2;
};

class CVQSPGroup_Date : public CVQSPGroup {
public:
    CVQSPGroup_Date() : CVQSPGroup(3) {}
    ~CVQSPGroup_Date() override;
    void CreateControls(HWND parent) override;
    void LoadTexts() override;
    // Also gives both pickers the format of the part and the seconds flag.
    void UpdateState(bool running);
    // A date preset relative to the local time now, or the clear command.
    void OnShortcutMenu(int id);
    // The same relative to `now` (local time).
    void ApplyPreset(int id, const SYSTEMTIME& now);

    PanelCombo m_mode;
    PanelCombo m_part;
    CVQPresetButton m_preset;
    PanelCombo m_logic1;
    PanelDatePicker m_date1;
    PanelCombo m_logic2;
    PanelDatePicker m_date2;
    bool m_useSeconds = false;
};
