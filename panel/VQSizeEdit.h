// The size value edit of the search panel: digits and one decimal separator
// of the runtime locale, at most 32 characters, whatever is typed, set or
// pasted. UI thread only.
#pragma once

#include "foundation/mvstring.h"
#include "ui/controls/mvEdit.h"

#include <windows.h>

#include <string_view>

// The process-wide decimal separator of the size edits: the runtime locale's
// decimal point when the first edit is made, "." when it has none.
wchar_t SizeDecimalSeparator();

// The text with only its digits and its first separator left.
mvstring CleanSizeText(std::wstring_view text, wchar_t separator);

class CVQSizeEdit : public mvEdit {
public:
    CVQSizeEdit();
    ~CVQSizeEdit() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Limits the text to 32 characters.
    void OnAttached() override;

    // The value as text ("%f" less trailing zeros). False without a window.
    bool SetValue(double value);
    // The text as a number; 0 without a window or for an empty text.
    double GetValue() const;
    // True when the text is empty or reads whole as a number.
    bool HasValidText() const;
};
