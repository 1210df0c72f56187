#include "foundation/ColumnSettings.h"

#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "foundation/TextMetrics.h"
#include "foundation/mvini.h"

#include "ConfigFolders.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Explicit widths so that file texts do not depend on the screen font.
constexpr wchar_t kNineRecords[] = L"200,8,0 | 100,7,1 | 90,6,0 | 80,5,1 | 70,4,0 | 60,3,1 | "
                                   L"50,2,0 | 40,1,1 | 30,0,0";

class ColumnSettingsTest : public ConfigFolders {
protected:
    std::wstring UiStates() const { return ReadUtf16(PathA(L"uistates.ini")); }
    void RemoveUiStates() const { DeleteFileW(PathA(L"uistates.ini").c_str()); }
};

TEST_F(ColumnSettingsTest, DefaultsAreTwelveAverageCharactersWideAndInIdOrder) {
    int average = 0;
    {
        ScreenDC screen(GetDC(nullptr));
        ASSERT_TRUE(screen);
        MeasureAverageChar(screen.Get(), &average);
    }
    const int unit = std::max(120, 12 * average);
    ColumnSettings columns;
    columns.Records[4] = ColumnRecord{1, 2, 1, 3};
    columns.SetDefaults();
    for (int id = 0; id < kListColumnCount; ++id) {
        const ColumnRecord& record = columns.Records[id];
        EXPECT_EQ(record.Width, id == 0 ? unit * 5 / 3 : unit) << id;
        EXPECT_EQ(record.Order, id);
        EXPECT_EQ(record.Hidden, 0);
        EXPECT_EQ(record.Format, id == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT) << id;
    }
}

TEST_F(ColumnSettingsTest, ColumnsTextIsTakenRecordByRecordUntilTheFirstBadOne) {
    ColumnSettings defaults;
    defaults.SetDefaults();
    // Expected records; null takes the default record of that id.
    using Expected = std::vector<const wchar_t*>;
    const Expected allDefault(9, nullptr);
    const Expected full = {L"200,8,0", L"100,7,1", L"90,6,0", L"80,5,1", L"70,4,0",
                           L"60,3,1",  L"50,2,0",  L"40,1,1", L"30,0,0"};
    struct Case {
        const wchar_t* stored; // null: the key is missing
        Expected records;
    } cases[] = {
        {kNineRecords, full},
        {nullptr, allDefault},
        {L"", allDefault},
        // eight or ten records: ignored as a whole
        {L"200,8,0 | 100,7,1 | 90,6,0 | 80,5,1 | 70,4,0 | 60,3,1 | 50,2,0 | 40,1,1", allDefault},
        {(std::wstring(kNineRecords) + L" | 1,2,3").c_str(), allDefault},
        // the fifth record has two fields
        {L"200,8,0 | 100,7,1 | 90,6,0 | 80,5,1 | 70,4 | 60,3,1 | 50,2,0 | 40,1,1 | 30,0,0",
         {L"200,8,0", L"100,7,1", L"90,6,0", L"80,5,1", nullptr, nullptr, nullptr, nullptr,
          nullptr}},
        {L"200,8,0,1 | 100,7,1 | 90,6,0 | 80,5,1 | 70,4,0 | 60,3,1 | 50,2,0 | 40,1,1 | 30,0,0",
         allDefault},
        // empty records and fields are skipped; hidden is read as a boolean;
        // numbers as the settings read them
        {L"200,8,1 || 100,,7,TRUE|90,6,yes|80,5,0x10|-5,0x4,0|60,3,0|50,2,0|40,1,0|30,0,0",
         {L"200,8,1", L"100,7,1", L"90,6,0", L"80,5,1", L"-5,4,0", L"60,3,0", L"50,2,0", L"40,1,0",
          L"30,0,0"}},
    };
    ColumnSettings columns; // reused: every load starts from the defaults
    for (const Case& c : cases) {
        mvini ini(L"global");
        if (c.stored)
            ini.SetString(L"global", L"Columns", c.stored);
        columns.Load(ini);
        std::wstring expected;
        for (int id = 0; id < kListColumnCount; ++id) {
            const ColumnRecord& d = defaults.Records[id];
            expected += (id ? L" | " : L"") + (c.records[id] ? std::wstring(c.records[id])
                                                             : std::to_wstring(d.Width) + L"," +
                                                                   std::to_wstring(id) + L",0");
        }
        EXPECT_EQ(columns.Text().str(), expected) << (c.stored ? c.stored : L"<missing>");
        EXPECT_EQ(columns.Records[1].Format, LVCFMT_RIGHT);
    }
}

struct ExportCase {
    const char* stored; // null: the key is missing
    std::vector<uint8_t> order;
    std::vector<uint8_t> checked;
};

const std::vector<uint8_t> kAllIds = {0, 1, 2, 3, 4, 5, 6, 7, 8};

TEST_F(ColumnSettingsTest, ExportColumnsAreReadOnlyFromNineValidBytes) {
    const ExportCase cases[] = {
        {"080706050483020100", {8, 7, 6, 5, 4, 3, 2, 1, 0}, {3}},
        {"808182838485868788", kAllIds, kAllIds},
        {"828100868504880703", {2, 1, 0, 6, 5, 4, 8, 7, 3}, {2, 1, 6, 5, 8}},
        {nullptr, kAllIds, kAllIds},
        {"8081828384858687", kAllIds, kAllIds},     // 16 digits
        {"80818283848586878889", kAllIds, kAllIds}, // 20 digits
        {"zz0706050483020100", kAllIds, kAllIds},   // eight bytes decode
        {"7f0706050483020100", kAllIds, kAllIds},   // id 127
        {"000000000000000000", kAllIds, kAllIds},   // one id nine times
    };
    for (const ExportCase& c : cases) {
        mvini ini(L"global");
        if (c.stored)
            ini.SetString(L"global", L"ExportCustomCols",
                          std::wstring(c.stored, c.stored + strlen(c.stored)));
        ExportColumns columns;
        columns.LoadSave(false, nullptr, nullptr, &ini);
        std::vector<uint8_t> order = {42}, checked = {42};
        columns.LoadSave(false, &order, &checked, nullptr);
        const char* shown = c.stored ? c.stored : "<missing>";
        EXPECT_EQ(order, c.order) << shown;
        EXPECT_EQ(checked, c.checked) << shown;
    }
}

TEST_F(ColumnSettingsTest, ExportColumnsOfAnotherLengthLeaveTheStoredChoice) {
    mvini ini(L"global");
    ini.SetString(L"global", L"ExportCustomCols", L"080706050483020100");
    ExportColumns columns;
    columns.LoadSave(false, nullptr, nullptr, &ini);
    ini.SetString(L"global", L"ExportCustomCols", L"8081828384858687");
    columns.LoadSave(false, nullptr, nullptr, &ini);
    EXPECT_EQ(columns.Bytes(),
              (std::vector<uint8_t>{0x08, 0x07, 0x06, 0x05, 0x04, 0x83, 0x02, 0x01, 0x00}));
    mvini out(L"global");
    columns.LoadSave(true, nullptr, nullptr, &out);
    EXPECT_EQ(out.GetString(L"global", L"ExportCustomCols"), L"080706050483020100");
}

TEST_F(ColumnSettingsTest, ExportColumnsAreSavedAloneToUiStates) {
    WriteA(L"uistates.ini", "[global]\r\nToolbar = false\r\n");
    std::vector<uint8_t> order = {8, 7, 6, 5, 4, 3, 2, 1, 0};
    std::vector<uint8_t> checked = {3};
    VQSettings settings;
    InitSettings(settings);
    settings.ExportCustomCols.LoadSave(true, &order, &checked);
    EXPECT_EQ(UiStates(), L"[global]\r\nExportCustomCols = 080706050483020100\r\nToolbar = false"
                          L"\r\n\r\n");

    VQSettings reloaded;
    InitSettings(reloaded);
    std::vector<uint8_t> readOrder, readChecked;
    reloaded.ExportCustomCols.LoadSave(false, &readOrder, &readChecked);
    EXPECT_EQ(readOrder, order);
    EXPECT_EQ(readChecked, checked);

    // Only nine entries naming every column once are taken.
    RemoveUiStates();
    std::vector<uint8_t> eight = {0, 1, 2, 3, 4, 5, 6, 7};
    std::vector<uint8_t> twice = {0, 1, 2, 3, 4, 5, 6, 7, 7};
    reloaded.ExportCustomCols.LoadSave(true, &eight, &checked, nullptr);
    reloaded.ExportCustomCols.LoadSave(true, &twice, &checked, nullptr);
    reloaded.ExportCustomCols.LoadSave(true, nullptr, &checked, nullptr);
    EXPECT_FALSE(Exists(PathA(L"uistates.ini")));
    reloaded.ExportCustomCols.LoadSave(false, &readOrder, &readChecked, nullptr);
    EXPECT_EQ(readOrder, order);
}

TEST_F(ColumnSettingsTest, UiStatesLoadsTheColumnLayout) {
    WriteA(L"uistates.ini", "[global]\r\nColumns = " +
                                std::string(std::begin(kNineRecords), std::end(kNineRecords) - 1) +
                                "\r\n");
    VQSettings settings;
    InitSettings(settings);
    EXPECT_EQ(settings.Columns.Text().str(), kNineRecords);
}

} // namespace
