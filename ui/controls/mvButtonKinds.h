// Button kinds built on the push button: check boxes and radio buttons drawn
// by the library, a text link, a split button with an arrow part, and an
// expandable group header. UI thread only.
#pragma once

#include "ui/controls/mvButton.h"

#include <vector>

// The window property (value 9) that marks an auto radio button of this
// library.
inline constexpr wchar_t kAutoRadioProperty[] = L"mvCheckBox_AutoRadioButton";

// The window message "WM_MVBUTTON_SPLIT" of the application's split button,
// registered when the program loads.
UINT SplitButtonMessage();

class mvCheckBox : public mvButton {
public:
    mvCheckBox() = default;
    ~mvCheckBox() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
    // A click cycles the state of an owner-drawn box; radio buttons uncheck
    // the library's auto radio buttons of their group.
    bool OnReflectCommand(UINT code) override;
    bool UsesNativeDrawing() const override;
    void GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) override;
    // With m_autoSize: the height the wrapped caption needs.
    void AutoSize() override;
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // 0 unchecked, 1 checked, 2 indeterminate.
    int CheckState() const noexcept { return m_check; }

    bool m_autoSize = false;
    UINT m_extraTextFlags = 0;

private:
    bool IsCheckType() const;
    bool IsRadioType() const;
    void UpdateRadioProperty();

    int m_check = 0;
};

class mvButton_Link : public mvButton {
public:
    mvButton_Link() = default;
    ~mvButton_Link() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool UsesNativeDrawing() const override { return false; }
    void GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) override;
    void AutoSize() override;
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    bool m_autoSize = false;
    // 0 no prefix processing, 1 hide accelerators, 2 follow the keyboard cues.
    int m_prefixMode = 0;

private:
    UINT PrefixFlags(const ButtonPaintState& state) const;
};

class mvButton_Dropdown : public mvButton {
public:
    void GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) override;
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // The arrow part: at the right edge, as wide as the larger of half the
    // client height and arrow size + 12.
    RECT ArrowRect() const;
    // True when the last release came from the mouse and the cursor lies in
    // the arrow part.
    bool HitArrow() const;

    int m_arrowSize = 0;
    bool m_releasedByMouse = false; // set by the derived button
    // 0 always draw the divider, 1 only while hot or pushed, else never.
    int m_dividerMode = 0;
    COLORREF m_arrowColor = 0x1000000; // 0x1000000 or more: the text colour
};

class mvButton_Group : public mvButton {
public:
    // A click flips the expanded state; the parent still gets the command.
    bool OnReflectCommand(UINT code) override;
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    void SetExpanded(bool expanded);
    bool IsExpanded() const noexcept { return m_expanded; }
    // Expanded with a last child: that child's bottom in the group's client
    // coordinates; otherwise the group's own height.
    int GetContentBottom() const;
    // The header colours (all four sides framed).
    void GetFramedColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state);
    // The expand glyph in a square at the rectangle's right end; the
    // rectangle then narrows by that square and 4 pixels on the left.
    void DrawExpandGlyph(HDC dc, RECT& rect, const ButtonPaintState& state);

    // The group's child controls, owned by the derived class.
    std::vector<HWND> m_children;

protected:
    // Called with the new value before the state changes.
    virtual void OnExpandedChanging(bool expanded) {}
    // Draws the caption's extras (usually the expand glyph), narrowing rect.
    virtual void DrawCaptionExtras(HDC dc, RECT& rect, const ButtonPaintState& state) {}

    bool m_expanded = false;
};
