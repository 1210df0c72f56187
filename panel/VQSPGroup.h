// The base of the search panel's collapsible option groups: a header button
// whose rows of controls are its siblings in the panel. The base lays the
// rows out below the header by row kind, shows or hides them with the
// expanded state, disables them while a search runs, and draws the header
// flat (text options) or as a button, bold while the group's options differ
// from their defaults. UI thread only.
#pragma once

#include "panel/ScrollPanelCtrl.h"
#include "ui/controls/mvButtonKinds.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// Row kinds of GroupRow.
enum GroupRowKind : std::uint16_t {
    RowFull = 0,       // one control across the width
    RowWithButton = 1, // control and a square button at the right
    RowOperator = 2,   // operator combo and value control, caption room below
    RowPairButton = 4, // two half-width controls and a square button
};

// One control of a row; only the first control of a row carries its gap and
// kind, the following controls of the row have gap 0 and kind 0.
struct GroupRow {
    mvWnd* control = nullptr;
    std::uint16_t gap = 0; // pixels above the row
    std::uint16_t kind = RowFull;
};

// True while the global job's worker thread lives, whatever its kind: a
// stopped worker still reading counts, so nothing is offered that would
// change the results under it.
bool IsSearchRunning();

class CVQSPGroup : public mvScrollPanel_Ctrl<mvButton_Group> {
public:
    explicit CVQSPGroup(std::uint8_t listIndex) : m_listIndex(listIndex) {}
    ~CVQSPGroup() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Creation: rows made, texted and placed as if expanded, then collapsed.
    void OnAttached() override;
    bool UsesNativeDrawing() const override { return false; }
    void GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) override;
    // Height from the header font: text + 6 flat, + 12 as a button.
    void AutoSize() override;
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // Creates the row controls as children of `parent` and fills m_rows.
    virtual void CreateControls(HWND parent) = 0;
    // Places the rows below the header inside the parent's client width.
    virtual void LayoutRows(HWND parent);
    virtual void ShowRows(bool show);
    // The last row's window; null without rows.
    virtual HWND LastControl() const;
    virtual void LoadTexts() = 0;

    // Enables or disables every row control; nothing when the first one is
    // already in that state.
    void EnableControls(bool disable);
    // The row windows again after a row control made a new window.
    void SyncChildren();
    // Stores the at-defaults flag; the header repaints when it changed.
    void SetAtDefaults(bool atDefaults);
    bool IsFlat() const noexcept { return m_listIndex < 2; }
    // The font the caption is drawn in: bold while not at defaults.
    HFONT CaptionFont() const;

    // The width of the widest operator text as a combo for `combo`, cached
    // for all groups; measured again when `refresh` is set or nothing is
    // cached. 0 without a window.
    static int OptionListWidth(HWND combo, bool refresh);

    std::vector<GroupRow> m_rows;
    std::uint8_t m_listIndex;
    bool m_atDefaults = true;

protected:
    void OnExpandedChanging(bool expanded) override { ShowRows(expanded); }
    void DrawCaptionExtras(HDC dc, RECT& rect, const ButtonPaintState& state) override;
    // Adds a row entry.
    void AddRow(mvWnd& control, int gap, std::uint16_t kind) {
        m_rows.push_back(GroupRow{&control, static_cast<std::uint16_t>(gap), kind});
    }

private:
    bool m_inFramedColors = false;
};
