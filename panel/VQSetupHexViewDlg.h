// The hex viewer set-up: the program's own hex viewer or another program,
// given by a name for the menus and a command line in which "%1" stands for
// the file. OK stores the three settings and saves their group; Cancel
// changes nothing. Modal; UI thread only.
#pragma once

#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQButton.h"
#include "foundation/mvstring.h"
#include "ui/controls/mvComboBox.h"
#include "ui/controls/mvEdit.h"

#include <windows.h>

inline constexpr int kHexViewerChoiceId = 1003;
inline constexpr int kHexViewerNameId = 1004;
inline constexpr int kHexViewerPathId = 1021;
inline constexpr int kHexViewerBrowseId = 1022;
inline constexpr int kHexViewerInfoId = 1058;

class CVQSetupHexViewDlg : public CVQBaseDlg {
public:
    CVQSetupHexViewDlg();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    // Sizes and centres the dialog and fills it from the settings; the focus
    // goes to the name when the other program is chosen.
    int OnInitDialog() override;
    void Layout() override;
    // Name, command line and browse only for another program; OK only with
    // a command line for it.
    void UpdateControls() override;
    void SetTexts() override;

    // Whether the other program is chosen.
    bool ExternalChosen() const;
    // Stores the choice, name and command line and saves their group; false
    // (nothing stored) when another program is chosen without a command line.
    bool Save();
    // Puts the chosen program's path (quoted when it holds a blank, so that
    // arguments may follow it) and its description into the edits.
    void TakeProgram(const mvstring& path);

    mvComboBox m_viewer;
    mvEdit m_name;
    mvEdit m_path;
    CVQButton<mvButton> m_ok;
    CVQButton<mvButton> m_cancel;
    CVQButton<mvButton> m_browse;
    CVQButton<mvButton> m_info;

private:
    void Browse();
};

// The path as a command line's program part: in quotes when it holds a
// blank (and is not quoted already), else as it is.
mvstring QuotedProgramPath(const mvstring& path);
