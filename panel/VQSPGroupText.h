// The option groups of choices: how file names and content words match, and
// which attributes qualify. Each holds its check boxes and radio buttons and
// keeps the at-defaults flag of its header current. UI thread only.
#pragma once

#include "panel/VQSPGroup.h"
#include "ui/controls/mvButtonKinds.h"

#include <windows.h>

using PanelCheckBox = mvScrollPanel_Ctrl<mvCheckBox>;

// True when the button shows checked.
bool IsButtonChecked(const mvWnd& button);
void SetButtonChecked(mvWnd& button, bool checked);

// File names: five radios for the matching mode (1006-1010) and the case
// box 1011. At defaults: "all words" (1007) and case off.
class CVQSPGroup_FileName : public CVQSPGroup {
public:
    CVQSPGroup_FileName() : CVQSPGroup(0) {}
    ~CVQSPGroup_FileName() override;
    void CreateControls(HWND parent) override;
    void LoadTexts() override;
    void UpdateState(bool running);

    PanelCheckBox m_options[5];
    PanelCheckBox m_case;
};

// Content words: five radios (1014-1018), the case box 1019 and the hex box
// 1020. At defaults: "any word" (1014), case on, hex off. The hex box is
// offered only while the regular-expression choice is off.
class CVQSPGroup_Word : public CVQSPGroup {
public:
    CVQSPGroup_Word() : CVQSPGroup(1) {}
    ~CVQSPGroup_Word() override;
    void CreateControls(HWND parent) override;
    void LoadTexts() override;
    void UpdateState(bool running);

    PanelCheckBox m_options[5];
    PanelCheckBox m_case;
    PanelCheckBox m_hex;
};

// Attributes: normal files, read-only, hidden, system, subfolders, folders
// (1039-1044). At defaults: all six checked.
class CVQSPGroup_Adv : public CVQSPGroup {
public:
    CVQSPGroup_Adv() : CVQSPGroup(6) {}
    ~CVQSPGroup_Adv() override;
    void CreateControls(HWND parent) override;
    void LoadTexts() override;
    void UpdateState(bool running);

    // The attribute bit of box i (0 for the subfolder box 4).
    static constexpr unsigned kBits[6] = {0x80, 0x01, 0x02, 0x04, 0, 0x10};
    static constexpr int kSubfolderBox = 4;
    PanelCheckBox m_boxes[6];
};
