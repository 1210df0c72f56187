#include "panel/VQSPGroupText.h"

#include "foundation/Language.h"
#include "foundation/WordLists.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>

namespace {

constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kCheck = BS_AUTOCHECKBOX;

int FirstGap() {
    return UiTheme::Get().fonts.spacing.innerSpacing.cy / 2;
}

int RowGap() {
    return UiTheme::Get().fonts.spacing.gap;
}

void SetText(mvWnd& control, const mvstring& text) {
    if (control.Handle() != nullptr)
        SetWindowTextW(control.Handle(), text.c_str());
}

// Creates a box that takes the height of its caption on one line; the group
// sets its width when it lays out its rows.
void CreateBox(PanelCheckBox& box, HWND parent, int id, DWORD style) {
    box.m_autoSize = true;
    if (!CreateButtonWindow(box, parent, id, style))
        return;
    RECT client{};
    GetClientRect(parent, &client);
    SetWindowPos(box.Handle(), nullptr, 0, 0, std::max<int>(client.right, 400), 0,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    box.AutoSize();
}

// Creates the radios of a matching mode with ids from `firstId`, the first
// one starting a group, as full-width rows.
void CreateRadios(PanelCheckBox (&radios)[5], HWND parent, int firstId,
                  std::vector<GroupRow>& rows) {
    for (int i = 0; i < 5; ++i) {
        CreateBox(radios[i], parent, firstId + i, kRadio | (i == 0 ? WS_GROUP : 0));
        rows.push_back(GroupRow{
            &radios[i], static_cast<std::uint16_t>(i == 0 ? FirstGap() : RowGap()), RowFull});
    }
}

bool Checked(const PanelCheckBox& box) {
    return IsButtonChecked(box);
}

} // namespace

bool IsButtonChecked(const mvWnd& button) {
    return button.Handle() != nullptr &&
           SendMessageW(button.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetButtonChecked(mvWnd& button, bool checked) {
    if (button.Handle() != nullptr)
        SendMessageW(button.Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// File names

CVQSPGroup_FileName::~CVQSPGroup_FileName() {
    Detach(true);
}

void CVQSPGroup_FileName::CreateControls(HWND parent) {
    m_rows.clear();
    CreateRadios(m_options, parent, 1006, m_rows);
    CreateBox(m_case, parent, 1011, kCheck | WS_GROUP);
    AddRow(m_case, RowGap(), RowFull);
}

void CVQSPGroup_FileName::LoadTexts() {
    SetText(*this, GetLangText(L"search_panel", L"filenameoptions"));
    for (int i = 0; i < 5; ++i)
        SetText(m_options[i], GetSearchPanelOptionList(m_listIndex, i));
    SetText(m_case, GetLangText(L"search_panel", L"case"));
}

void CVQSPGroup_FileName::UpdateState(bool running) {
    EnableControls(running);
    SetAtDefaults(Checked(m_options[1]) && !Checked(m_case));
}

// Words

CVQSPGroup_Word::~CVQSPGroup_Word() {
    Detach(true);
}

void CVQSPGroup_Word::CreateControls(HWND parent) {
    m_rows.clear();
    CreateRadios(m_options, parent, 1014, m_rows);
    CreateBox(m_case, parent, 1019, kCheck | WS_GROUP);
    AddRow(m_case, RowGap(), RowFull);
    CreateBox(m_hex, parent, 1020, kCheck | WS_GROUP);
    AddRow(m_hex, RowGap(), RowFull);
}

void CVQSPGroup_Word::LoadTexts() {
    SetText(*this, GetLangText(L"search_panel", L"wordoptions"));
    for (int i = 0; i < 5; ++i)
        SetText(m_options[i], GetSearchPanelOptionList(m_listIndex, i));
    SetText(m_case, GetLangText(L"search_panel", L"case"));
    SetText(m_hex, GetLangText(L"search_panel", L"hex"));
}

void CVQSPGroup_Word::UpdateState(bool running) {
    EnableControls(running);
    SetAtDefaults(Checked(m_options[0]) && Checked(m_case) && !Checked(m_hex));
    // Hex bytes and a regular expression exclude each other.
    if (m_hex.Handle() != nullptr)
        EnableWindow(m_hex.Handle(), !running && !Checked(m_options[4]));
}

// Attributes

CVQSPGroup_Adv::~CVQSPGroup_Adv() {
    Detach(true);
}

void CVQSPGroup_Adv::CreateControls(HWND parent) {
    m_rows.clear();
    for (int i = 0; i < 6; ++i) {
        CreateBox(m_boxes[i], parent, 1039 + i, kCheck);
        const int gap = i == 0               ? FirstGap()
                        : i == kSubfolderBox ? UiTheme::Get().fonts.spacing.innerSpacing.cy
                                             : RowGap();
        AddRow(m_boxes[i], gap, RowFull);
    }
}

void CVQSPGroup_Adv::LoadTexts() {
    SetText(*this, GetLangText(L"search_panel", L"advanced"));
    for (int i = 0; i < 6; ++i)
        SetText(m_boxes[i], GetSearchPanelOptionList(m_listIndex, i));
}

void CVQSPGroup_Adv::UpdateState(bool running) {
    EnableControls(running);
    bool all = true;
    for (const PanelCheckBox& box : m_boxes)
        all = all && Checked(box);
    SetAtDefaults(all);
}
