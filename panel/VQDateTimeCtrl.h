// The date value of the search panel: a date-time picker showing the date,
// the time of day or both in the user locale's formats, with or without
// seconds. Values are local-time counts of 100 ns in the file-time scale; no
// time-zone conversion happens here. UI thread only.
#pragma once

#include "foundation/mvstring.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

#include <cstdint>

// Removes the seconds and the separators before them from a time format:
// "HH:mm:ss" -> "HH:mm", "h:mm:ss tt" -> "h:mm tt"; quoted text stays.
void RemoveSecondsFromFormat(mvstring& format);

// Local time as file-time counts and back, without any zone conversion; 0
// (or a zeroed time) when the value does not convert.
std::uint64_t SystemTimeToCounts(const SYSTEMTIME& time);
SYSTEMTIME CountsToSystemTime(std::uint64_t counts);

class CVQDateTimeCtrl : public mvWnd {
public:
    ~CVQDateTimeCtrl() override;

    // Creates the picker with the style plus the child and tab styles. False
    // when it cannot.
    bool CreatePicker(HWND parent, int id, DWORD style);
    // Shows part 0 (date), 1 (time of day) or 2 (both) with or without
    // seconds; going into or out of the time-of-day part re-creates the
    // window in the same place of the tab order with its value and its
    // disabled state. Nothing without a window or for a part above 2.
    void SetFormat(int part, bool useSeconds);
    void SetFileTime(std::uint64_t value);
    // The value cut to whole seconds, to whole minutes unless `useSeconds`.
    // 0 without a window.
    std::uint64_t GetFileTime(bool useSeconds) const;

    int Part() const noexcept { return m_part; }
    const mvstring& Format() const noexcept { return m_format; }

private:
    int m_part = 0;
    mvstring m_format;
};
