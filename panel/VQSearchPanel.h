// The search panel: the scrolling column of search inputs beside the results.
// Three text inputs with histories and autocomplete (file names, words,
// folders), the browse split button and the five option groups; it turns its
// controls into a SearchCriteria and shows one in them, lays out and scrolls
// its children, draws the captions above the inputs and disables the inputs
// while a search runs. UI thread only.
#pragma once

#include "app/shared/VQButton.h"
#include "panel/SearchInputCheck.h"
#include "panel/VQSPGroupRange.h"
#include "panel/VQSPGroupText.h"
#include "search/SearchCriteria.h"
#include "ui/controls/mvEdit.h"
#include "ui/controls/mvFolderCombo.h"
#include "ui/controls/mvMenu.h"
#include "ui/controls/mvScrollPanel.h"

#include <windows.h>

// A text input of the panel; a double click opens its suggestions.
class CVQPanelEdit : public mvScrollPanel_Ctrl<mvACEdit> {
public:
    ~CVQPanelEdit() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The browse and Search split buttons.
using PanelSplitButton = mvScrollPanel_Ctrl<CVQButton<mvButton_Dropdown>>;

using PanelFolderCombo = mvScrollPanel_Ctrl<mvFolderCombo>;

// The folder text after a browse: the chosen path alone, or appended to the
// current text with " | " between when `append` and the text is not empty.
mvstring ComposeFolderText(const mvstring& current, const mvstring& chosen, bool append);

class CVQSearchPanel : public mvScrollPanel {
public:
    CVQSearchPanel();
    ~CVQSearchPanel() override;

    // Creates the children, sets the history capacities, fills the histories.
    void OnAttached() override;
    LRESULT ChildProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The background and the captions above the inputs.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // Places every child and sets the content height.
    void Layout();
    // Inputs and groups for the running state of the global job.
    void UpdateState();
    void UpdateState(bool running);
    // Empties the inputs' histories and, unless DisableHistory, fills them
    // from history.ini, newest first.
    void FillHistory();
    // The browse caption and, with `groups`, every group's texts.
    void LoadBrowseText(bool groups);
    // A search has started with the criteria: unless DisableHistory, its
    // non-empty name, words and folder texts go first into the inputs'
    // suggestions and into history.ini.
    void RememberCriteria(const SearchCriteria& criteria);
    void LoadFromCriteria(const SearchCriteria& criteria);
    void SaveToCriteria(SearchCriteria& criteria) const;
    // The first bad input of the controls (a size that is no number, or
    // what CheckSearchInput finds); false with the problem filled.
    bool CheckInput(InputProblem& problem) const;
    // CheckInput, and for a problem: the panel scrolls to the control,
    // focuses it and shows the message. True when the input is good.
    bool ValidateInput();
    // Browse: the folder text with the chosen folder, appended or replacing.
    void ApplyBrowsedFolder(const mvstring& chosen, bool append);

    // The group with the header id, or null.
    CVQSPGroup* GroupById(int id);

    CVQPanelEdit m_names;
    CVQSPGroup_FileName m_nameGroup;
    CVQPanelEdit m_words;
    CVQSPGroup_Word m_wordGroup;
    PanelFolderCombo m_folders;
    PanelSplitButton m_browse;
    CVQSPGroup_Size m_sizeGroup;
    CVQSPGroup_Date m_dateGroup;
    CVQSPGroup_Adv m_advGroup;

private:
    int LabelHeight() const;
    // One layout; with `mayRepeat` once more when the scroll bar came or went.
    void LayoutPass(bool mayRepeat);
    // Scrolls so that an expanded group shows whole when it fits.
    void ScrollGroupIntoView(CVQSPGroup& group);
    void OnGroupToggled(CVQSPGroup& group);
    // Shows a pop-up at the button's lower-left corner, or `fromRight`
    // pixels left of its lower-right corner; its commands come here.
    void TrackBelow(mvMenu& menu, HWND button, int fromRight);
    bool m_inLayout = false;
};
