#include "panel/VQDateTimeCtrl.h"

#include "PanelFixture.h"

#include <gtest/gtest.h>

#include <commctrl.h>

TEST(VQDateTimeCtrl, SecondsAndTheirSeparatorsLeaveTheTimeFormat) {
    struct Case {
        const wchar_t* format;
        const wchar_t* expected;
    } cases[] = {
        {L"HH:mm:ss", L"HH:mm"},
        {L"h:mm:ss tt", L"h:mm tt"},
        {L"H.mm.ss 'Uhr'", L"H.mm 'Uhr'"},
        {L"HH:mm 'ss'", L"HH:mm 'ss'"},
        {L"HH:mm", L"HH:mm"},
        {L"ss", L""},
    };
    for (const Case& test : cases) {
        mvstring format(test.format);
        RemoveSecondsFromFormat(format);
        EXPECT_EQ(std::wstring_view(format), test.expected) << format.c_str();
    }
}

TEST(VQDateTimeCtrl, TheTimeOfDayPartRemakesThePickerInPlaceWithItsValueAndState) {
    PanelWindow w;
    CVQSPGroup_Date& date = w.panel.m_dateGroup;
    SYSTEMTIME when{2024, 5, 0, 17, 14, 35, 50, 0};
    date.m_date1.SetFileTime(SystemTimeToCounts(when));
    EnableWindow(date.m_date1.Handle(), FALSE);
    HWND before = date.m_date1.Handle();
    HWND previous = GetWindow(before, GW_HWNDPREV);
    RECT rect{};
    GetWindowRect(before, &rect);
    date.m_date1.SetFormat(1, false);
    HWND after = date.m_date1.Handle();
    EXPECT_NE(after, before);
    EXPECT_EQ(GetWindow(after, GW_HWNDPREV), previous);
    EXPECT_FALSE(IsWindowEnabled(after));
    EXPECT_EQ(GetWindowLongW(after, GWL_STYLE) & DTS_TIMEFORMAT, DTS_TIMEFORMAT);
    RECT now{};
    GetWindowRect(after, &now);
    EXPECT_TRUE(EqualRect(&rect, &now));
    // Read without seconds: down to the whole minute.
    SYSTEMTIME minute = when;
    minute.wSecond = 0;
    EXPECT_EQ(date.m_date1.GetFileTime(false), SystemTimeToCounts(minute));
    EXPECT_EQ(date.m_date1.GetFileTime(true), SystemTimeToCounts(when));
    date.m_date1.SetFormat(2, false);
    EXPECT_NE(GetWindowLongW(date.m_date1.Handle(), GWL_STYLE) & DTS_TIMEFORMAT, DTS_TIMEFORMAT);
}
